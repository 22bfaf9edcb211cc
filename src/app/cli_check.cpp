// check: whether this computer has what downloading and the e-book tools need.
#include "app/cli.h"

#include "localsite/localsite.h"
#include "fetch/pagefetcher.h"
#include "text/charset.h"
#include "text/chinese.h"
#include "text/regex.h"
#include "storage/settings.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QSysInfo>
#include <QTemporaryDir>

namespace {

enum class State { Info, Ok, Warning, Failed, Skipped };

struct Item {
    QString name;
    State state;
    QString text;
};

QString stateName(State state) {
    switch (state) {
    case State::Info:
        return QStringLiteral("info");
    case State::Ok:
        return QStringLiteral("ok");
    case State::Warning:
        return QStringLiteral("warning");
    case State::Failed:
        return QStringLiteral("failed");
    case State::Skipped:
        return QStringLiteral("skipped");
    }
    return {};
}

Item checkRegex() {
    const QString got = regexMatchList(QStringLiteral("<td>aa</td>"), QStringLiteral("<td>[\\s\\S]+?</td>"));
    if (got == QLatin1String("<td>aa</td>||"))
        return {QStringLiteral("正则表达式"), State::Ok, QStringLiteral("正常")};
    return {QStringLiteral("正则表达式"), State::Failed,
            QStringLiteral("自检结果不对：\"%1\"，应为 \"<td>aa</td>||\"").arg(got)};
}

// Both ways, with bytes the old files and Big5 sites really hold.
Item checkCharsets() {
    struct Probe {
        const char* name;
        QString text;
        QByteArray bytes;
    };
    const Probe probes[] = {
        {"GB18030", QStringLiteral("中文小说"), QByteArray("\xD6\xD0\xCE\xC4\xD0\xA1\xCB\xB5")},
        {"Big5", QStringLiteral("中文小說"), QByteArray("\xA4\xA4\xA4\xE5\xA4\x70\xBB\xA1")},
    };
    QStringList broken;
    for (const Probe& p : probes) {
        QStringEncoder encoder(p.name);
        QStringDecoder decoder(p.name);
        if (!encoder.isValid() || !decoder.isValid()) {
            broken << QString::fromLatin1(p.name);
            continue;
        }
        const QByteArray encoded = encoder(p.text);
        const QString decoded = decoder(p.bytes);
        if (encoded != p.bytes || decoded != p.text)
            broken << QString::fromLatin1(p.name);
    }
    if (broken.isEmpty())
        return {QStringLiteral("字符集转换"), State::Ok, QStringLiteral("GB18030、Big5 正常")};
    return {QStringLiteral("字符集转换"), State::Failed,
            QStringLiteral("%1 不可用或转换不对").arg(broken.join(QStringLiteral("、")))};
}

Item checkOpenCC() {
    if (chineseScriptTablesAvailable() &&
        convertChineseScript(QStringLiteral("汉"), true) == QStringLiteral("漢") &&
        convertChineseScript(QStringLiteral("說"), false) == QStringLiteral("说"))
        return {QStringLiteral("简繁转换 (OpenCC)"), State::Ok, QStringLiteral("正常")};
    return {QStringLiteral("简繁转换 (OpenCC)"), State::Failed,
            QStringLiteral("找不到 OpenCC 的数据文件 (STCharacters.ocd2、TSCharacters.ocd2)，请安装 opencc")};
}

FetchOptions quickOptions(const Settings& settings) {
    FetchOptions options = FetchOptions::fromSettings(settings);
    options.retries = 0; // a check answers at once, it does not insist
    options.timeoutRetries = 0;
    return options;
}

// The network stack itself, against a site on this computer: no internet needed. Over https the
// certificate of the site's own authority is checked as any site's would be.
Item checkHttp(const Settings& settings, bool https) {
    const QString name = https ? QStringLiteral("HTTPS") : QStringLiteral("HTTP");
    QTemporaryDir dir;
    QFile page(dir.filePath(QStringLiteral("check.html")));
    const QByteArray body = "<html><body>quiveral check</body></html>";
    if (!dir.isValid() || !page.open(QIODevice::WriteOnly) || page.write(body) != body.size())
        return {name, State::Failed, QStringLiteral("无法建立临时文件夹")};
    page.close();
    LocalSite site(dir.path());
    if (!site.listen(0, https))
        return {name, State::Failed, QStringLiteral("无法在本机监听：") + site.errorString()};
    FetchOptions options = quickOptions(settings);
    if (https)
        options.caFile = LocalSite::caFile();
    PageFetcher fetcher(options);
    const FetchedPage got = fetcher.fetch(site.url(QStringLiteral("check.html")));
    site.close();
    if (got.ok() && got.body == body)
        return {name, State::Ok, QStringLiteral("正常（本机测试站点）")};
    return {name, State::Failed, QStringLiteral("本机测试站点取不到页面：") + got.error};
}

Item checkNetwork(const Settings& settings, const QString& address) {
    const QString name = QStringLiteral("网络情况");
    if (address.trimmed().isEmpty())
        return {name, State::Skipped,
                QStringLiteral("已跳过：未设置检测网址（book.ini 的 NetCheckUrl，或 --url URL）")};
    PageFetcher fetcher(quickOptions(settings));
    const FetchedPage got = fetcher.fetch(address.trimmed());
    if (got.ok())
        return {name, State::Ok, QStringLiteral("网络连接正常")};
    QString text = QStringLiteral("网络连接不上，请连接网络或查看防火墙问题");
    if (!got.error.isEmpty())
        text += QStringLiteral(" 错误说明:") + got.error;
    return {name, State::Failed, text};
}

Item checkChmcmd() {
    const QString path = QStandardPaths::findExecutable(QStringLiteral("chmcmd"));
    if (!path.isEmpty())
        return {QStringLiteral("CHM 编译器 (chmcmd)"), State::Ok, path};
    return {QStringLiteral("CHM 编译器 (chmcmd)"), State::Warning,
            QStringLiteral("未找到，不能制作 CHM 电子书（请安装 fp-utils）")};
}

Item checkTesseract() {
    const QString name = QStringLiteral("文字识别 (tesseract)");
    const QString path = QStandardPaths::findExecutable(QStringLiteral("tesseract"));
    if (path.isEmpty())
        return {name, State::Warning,
                QStringLiteral("未找到，图片章节不能识别为文字（请安装 tesseract-ocr）")};
    QProcess process;
    process.start(path, {QStringLiteral("--list-langs")});
    // Older versions list the languages on stderr.
    const bool ran = process.waitForFinished(20000);
    const QString langs =
        QString::fromLocal8Bit(process.readAllStandardOutput() + process.readAllStandardError());
    if (!ran)
        process.kill();
    if (langs.contains(QLatin1String("chi_sim")))
        return {name, State::Ok, path + QStringLiteral("，中文数据 chi_sim 已安装")};
    return {name, State::Warning,
            path + QStringLiteral("，但没有中文数据 chi_sim（请安装 tesseract-ocr-chi-sim）")};
}

int runCheck(CliContext& cli, const QStringList& args) {
    const QString usage = QStringLiteral("用法: quiveral-cli check [--url URL]");
    QString address;
    bool addressGiven = false;
    for (int i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--url") && i + 1 < args.size()) {
            address = args.at(++i);
            addressGiven = true;
        } else {
            return cli.fail(usage, CliUsage);
        }
    }
    // Only reads the library's settings: a check changes nothing and creates nothing.
    Settings settings(cli.libraryFolder);
    if (QFileInfo::exists(settings.iniPath()))
        settings.loadSettings();
    if (!addressGiven)
        address = settings.value(QStringLiteral("NetCheckUrl"));

    QList<Item> items;
    items << Item{QStringLiteral("操作系统"), State::Info,
                  QSysInfo::prettyProductName() + QStringLiteral("，内核 ") + QSysInfo::kernelVersion()};
    items << Item{QStringLiteral("Qt 版本"), State::Info, QString::fromLatin1(qVersion())};
    items << checkRegex() << checkCharsets() << checkOpenCC() << checkHttp(settings, false) << checkHttp(settings, true)
          << checkNetwork(settings, address) << checkChmcmd() << checkTesseract();

    bool allRequired = true;
    for (const Item& item : std::as_const(items))
        allRequired = allRequired && item.state != State::Failed;
    if (cli.json) {
        QJsonArray array;
        for (const Item& item : std::as_const(items))
            array.append(
                QJsonObject{{"item", item.name}, {"state", stateName(item.state)}, {"text", item.text}});
        cli.printJson(array);
    } else {
        for (const Item& item : std::as_const(items))
            cli.out << item.name << QStringLiteral("：") << item.text << '\n';
        cli.out.flush();
    }
    return allRequired ? CliOk : CliFailed;
}

const CliRegistry::Registration registration({QStringLiteral("check"), QStringLiteral("[--url URL]"),
                                              QStringLiteral("系统检测：HTTP、正则表达式、字符集、简繁转换、"
                                                             "chmcmd、tesseract"),
                                              runCheck});

} // namespace
