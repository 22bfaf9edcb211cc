// check: whether this computer has what downloading and the e-book tools need.
#include "app/cli.h"

#include "companion/qtspeechengine.h"
#include "library/systemcheck.h"
#include "storage/settings.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

namespace {

// Reading aloud: each speech engine with its Chinese voices. Only a warning without them: downloading
// and the e-books do not need speech.
QList<CheckLine> speechLines() {
    const QString item = QStringLiteral("朗读");
    QList<CheckLine> lines;
    for (const QString& name : QtSpeechEngine::engines()) {
        const QtSpeechEngine engine(name);
        const QStringList voices = engine.chineseVoices();
        QString text = name + QStringLiteral("：");
        if (!engine.isAvailable())
            text += QStringLiteral("无法连接语音服务");
        else if (voices.isEmpty())
            text += QStringLiteral("没有中文语音");
        else
            text += QStringLiteral("中文语音 ") + voices.join(QStringLiteral("、"));
        lines << CheckLine{item, voices.isEmpty() ? CheckLine::State::Warning : CheckLine::State::Ok, text};
    }
    if (lines.isEmpty())
        lines << CheckLine{item, CheckLine::State::Warning, QStringLiteral("没有语音引擎")};
    return lines;
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

    SystemCheck check(settings, address);
    check.runHere();
    const QList<CheckLine> lines = check.lines() + speechLines();
    if (cli.json) {
        QJsonArray array;
        for (const CheckLine& line : lines)
            array.append(QJsonObject{
                {"item", line.item}, {"state", SystemCheck::stateName(line.state)}, {"text", line.text}});
        cli.printJson(array);
    } else {
        for (const CheckLine& line : lines)
            cli.out << line.item << QStringLiteral("：") << line.text << '\n';
        cli.out.flush();
    }
    return check.nothingFailed() ? CliOk : CliFailed;
}

const CliRegistry::Registration registration({QStringLiteral("check"), QStringLiteral("[--url URL]"),
                                              QStringLiteral("系统检测：HTTP、正则表达式、字符集、简繁转换、"
                                                             "chmcmd、tesseract、朗读"),
                                              runCheck});

} // namespace
