// check: whether this computer has what downloading and the e-book tools need.
#include "app/cli.h"

#include "library/systemcheck.h"
#include "storage/settings.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

namespace {

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
    if (cli.json) {
        QJsonArray array;
        for (const CheckLine& line : check.lines())
            array.append(QJsonObject{
                {"item", line.item}, {"state", SystemCheck::stateName(line.state)}, {"text", line.text}});
        cli.printJson(array);
    } else {
        for (const CheckLine& line : check.lines())
            cli.out << line.item << QStringLiteral("：") << line.text << '\n';
        cli.out.flush();
    }
    return check.nothingFailed() ? CliOk : CliFailed;
}

const CliRegistry::Registration registration({QStringLiteral("check"), QStringLiteral("[--url URL]"),
                                              QStringLiteral("系统检测：HTTP、正则表达式、字符集、简繁转换、"
                                                             "chmcmd、tesseract"),
                                              runCheck});

} // namespace
