#include "library/systemcheck.h"

#include "fetch/pagefetcher.h"
#include "library/addresscheckjob.h"
#include "localsite/localsite.h"
#include "storage/settings.h"
#include "text/chinese.h"
#include "text/regex.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QSysInfo>
#include <QTemporaryDir>

namespace {

using State = CheckLine::State;

// The items in the order of the report.
enum Item { System, QtVersion, Regex, Charsets, OpenCC, Http, Https, Chmcmd, Tesseract, Network, ItemCount };

QString itemName(int item) {
    switch (item) {
    case System:
        return SystemCheck::tr("操作系统");
    case QtVersion:
        return SystemCheck::tr("Qt 版本");
    case Regex:
        return SystemCheck::tr("正则表达式");
    case Charsets:
        return SystemCheck::tr("字符集转换");
    case OpenCC:
        return SystemCheck::tr("简繁转换 (OpenCC)");
    case Http:
        return QStringLiteral("HTTP");
    case Https:
        return QStringLiteral("HTTPS");
    case Chmcmd:
        return SystemCheck::tr("CHM 编译器 (chmcmd)");
    case Tesseract:
        return SystemCheck::tr("文字识别 (tesseract)");
    case Network:
        return SystemCheck::tr("网络情况");
    }
    return {};
}

CheckLine line(int item, State state, const QString& text) {
    return {itemName(item), state, text};
}

CheckLine checkRegex() {
    const QString got = regexMatchList(QStringLiteral("<td>aa</td>"), QStringLiteral("<td>[\\s\\S]+?</td>"));
    if (got == QLatin1String("<td>aa</td>||"))
        return line(Regex, State::Ok, SystemCheck::tr("正常"));
    return line(Regex, State::Failed,
                SystemCheck::tr("自检结果不对：\"%1\"，应为 \"<td>aa</td>||\"").arg(got));
}

// Both ways, with bytes the old files and Big5 sites really hold.
CheckLine checkCharsets() {
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
        return line(Charsets, State::Ok, SystemCheck::tr("GB18030、Big5 正常"));
    return line(Charsets, State::Failed,
                SystemCheck::tr("%1 不可用或转换不对").arg(broken.join(QStringLiteral("、"))));
}

CheckLine checkOpenCC() {
    if (chineseScriptTablesAvailable() &&
        convertChineseScript(QStringLiteral("汉"), true) == QStringLiteral("漢") &&
        convertChineseScript(QStringLiteral("說"), false) == QStringLiteral("说"))
        return line(OpenCC, State::Ok, SystemCheck::tr("正常"));
    return line(
        OpenCC, State::Failed,
        SystemCheck::tr("找不到 OpenCC 的数据文件 (STCharacters.ocd2、TSCharacters.ocd2)，请安装 opencc"));
}

CheckLine checkChmcmd() {
    const QString path = QStandardPaths::findExecutable(QStringLiteral("chmcmd"));
    if (!path.isEmpty())
        return line(Chmcmd, State::Ok, path);
    return line(Chmcmd, State::Warning, SystemCheck::tr("未找到，不能制作 CHM 电子书（请安装 fp-utils）"));
}

} // namespace

SystemCheck::SystemCheck(const Settings& settings, const QString& networkAddress, QObject* parent)
    : Job(parent)
    , m_options(AddressCheckJob::quickOptions(settings))
    , m_networkAddress(networkAddress.trimmed()) {
    qRegisterMetaType<CheckLine>();
}

SystemCheck::~SystemCheck() {
    stopAndWait();
}

QList<CheckLine> SystemCheck::pendingLines() {
    QList<CheckLine> lines;
    for (int item = 0; item < ItemCount; ++item)
        lines << line(item, State::Pending, tr("检测中，请稍候..."));
    return lines;
}

QString SystemCheck::stateName(CheckLine::State state) {
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
    case State::Pending:
        return QStringLiteral("pending");
    }
    return {};
}

bool SystemCheck::nothingFailed() const {
    return std::none_of(m_lines.cbegin(), m_lines.cend(),
                        [](const CheckLine& l) { return l.state == State::Failed; });
}

// The network stack itself, against a site on this computer: no internet needed. Over https the
// certificate of the site's own authority is checked as any site's would be.
CheckLine SystemCheck::checkHttp(bool https) const {
    const int item = https ? Https : Http;
    QTemporaryDir dir;
    QFile page(dir.filePath(QStringLiteral("check.html")));
    const QByteArray body = "<html><body>quiveral check</body></html>";
    if (!dir.isValid() || !page.open(QIODevice::WriteOnly) || page.write(body) != body.size())
        return line(item, State::Failed, tr("无法建立临时文件夹"));
    page.close();
    LocalSite site(dir.path());
    if (!site.listen(0, https))
        return line(item, State::Failed, tr("无法在本机监听：") + site.errorString());
    FetchOptions options = m_options;
    if (https)
        options.caFile = LocalSite::caFile();
    PageFetcher fetcher(options, [this] { return stopRequested(); });
    const FetchedPage got = fetcher.fetch(site.url(QStringLiteral("check.html")));
    site.close();
    if (got.ok() && got.body == body)
        return line(item, State::Ok, tr("正常（本机测试站点）"));
    return line(item, State::Failed, tr("本机测试站点取不到页面：") + got.error);
}

CheckLine SystemCheck::checkNetwork() const {
    if (m_networkAddress.isEmpty())
        return line(
            Network, State::Skipped,
            tr("未检测：尚未设置网络检测网址，请在“设置”的“网址”页中填写（book.ini 的 NetCheckUrl）"));
    PageFetcher fetcher(m_options, [this] { return stopRequested(); });
    const FetchedPage got = fetcher.fetch(m_networkAddress);
    if (got.ok())
        return line(Network, State::Ok, tr("网络连接正常"));
    QString text = tr("网络连接不上，请连接网络或查看防火墙问题");
    if (!got.error.isEmpty())
        text += tr(" 错误说明:") + got.error;
    return line(Network, State::Failed, text);
}

CheckLine SystemCheck::checkTesseract() const {
    const QString path = QStandardPaths::findExecutable(QStringLiteral("tesseract"));
    if (path.isEmpty())
        return line(Tesseract, State::Warning, tr("未找到，图片章节不能识别为文字（请安装 tesseract-ocr）"));
    QProcess process;
    process.start(path, {QStringLiteral("--list-langs")});
    // Waited for in small steps, so that closing the window does not wait for it.
    QElapsedTimer clock;
    clock.start();
    while (!process.waitForFinished(100) && process.state() != QProcess::NotRunning) {
        if (stopRequested() || clock.hasExpired(20000)) {
            process.kill();
            process.waitForFinished(1000);
            break;
        }
    }
    // Older versions list the languages on stderr.
    const QString langs =
        QString::fromLocal8Bit(process.readAllStandardOutput() + process.readAllStandardError());
    if (langs.contains(QLatin1String("chi_sim")))
        return line(Tesseract, State::Ok, path + tr("，中文数据 chi_sim 已安装"));
    return line(Tesseract, State::Warning,
                path + tr("，但没有中文数据 chi_sim（请安装 tesseract-ocr-chi-sim）"));
}

void SystemCheck::run() {
    m_lines.clear();
    for (int item = 0; item < ItemCount && !stopRequested(); ++item) {
        CheckLine checked;
        switch (item) {
        case System:
            checked = line(item, State::Info,
                           QSysInfo::prettyProductName() + tr("，内核 ") + QSysInfo::kernelVersion());
            break;
        case QtVersion:
            checked = line(item, State::Info, QString::fromLatin1(qVersion()));
            break;
        case Regex:
            checked = checkRegex();
            break;
        case Charsets:
            checked = checkCharsets();
            break;
        case OpenCC:
            checked = checkOpenCC();
            break;
        case Http:
        case Https:
            checked = checkHttp(item == Https);
            break;
        case Chmcmd:
            checked = checkChmcmd();
            break;
        case Tesseract:
            checked = checkTesseract();
            break;
        case Network:
            checked = checkNetwork();
            break;
        }
        m_lines << checked;
        Q_EMIT lineChecked(item, checked);
    }
}
