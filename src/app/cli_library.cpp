// Library commands: init, info, settings.
#include "app/cli.h"

#include "companion/autostart.h"
#include "storage/bookcasestore.h"
#include "storage/categorystore.h"
#include "storage/chapterstore.h"
#include "storage/librarycontext.h"
#include "storage/novelstore.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonObject>

namespace {

int runInit(CliContext& cli, const QStringList& args) {
    if (!args.isEmpty())
        return cli.fail(QStringLiteral("用法: quiveral-cli init"), CliUsage);
    LibraryContext* library = cli.openLibrary(true);
    if (!library)
        return CliFailed;
    cli.out << library->folder().path() << Qt::endl;
    return CliOk;
}

int runInfo(CliContext& cli, const QStringList& args) {
    if (!args.isEmpty())
        return cli.fail(QStringLiteral("用法: quiveral-cli info"), CliUsage);
    LibraryContext* library = cli.openLibrary(false);
    if (!library)
        return CliFailed;
    const Database& db = library->database();
    const int categories = int(CategoryStore(db).list().size());
    const int novels = NovelStore(db).count();
    const int chapters = ChapterStore(db).count();
    const int bookcase = BookcaseStore(db).count();
    if (cli.json) {
        cli.printJson(QJsonObject{{"library", library->folder().path()},
                                  {"database", library->folder().databasePath()},
                                  {"settings", library->settings().iniPath()},
                                  {"categories", categories},
                                  {"novels", novels},
                                  {"chapters", chapters},
                                  {"bookcase", bookcase}});
        return CliOk;
    }
    cli.out << "书库: " << library->folder().path() << '\n'
            << "数据库: " << library->folder().databasePath() << '\n'
            << "设置: " << library->settings().iniPath() << '\n'
            << "分类: " << categories << '\n'
            << "小说: " << novels << '\n'
            << "章节: " << chapters << '\n'
            << "书柜: " << bookcase << Qt::endl;
    return CliOk;
}

bool isSettingsSection(const QString& section) {
    return section.compare(Settings::kMain, Qt::CaseInsensitive) == 0 ||
           section.compare(Settings::kChm, Qt::CaseInsensitive) == 0;
}

QString guiProgram() {
    const QString beside = QCoreApplication::applicationDirPath() + QLatin1String("/quiveral");
    return QFileInfo(beside).isExecutable() ? beside : QStringLiteral("quiveral");
}

int runSettings(CliContext& cli, const QStringList& args) {
    const QString usage =
        QStringLiteral("用法: quiveral-cli settings get SECTION KEY | settings set SECTION KEY VALUE");
    const bool get = args.size() == 3 && args.at(0) == QLatin1String("get");
    const bool set = args.size() == 4 && args.at(0) == QLatin1String("set");
    if (!get && !set)
        return cli.fail(usage, CliUsage);
    const QString section = args.at(1);
    const QString key = args.at(2);
    if (isSettingsSection(section) && !Settings::isKnown(section, key))
        return cli.fail(QStringLiteral("未知的设置项：%1/%2").arg(section, key));

    LibraryContext* library = cli.openLibrary(set);
    if (!library)
        return CliFailed;
    Settings& settings = library->settings();
    if (get) {
        const QString value =
            isSettingsSection(section) ? settings.value(section, key) : settings.readIniValue(section, key);
        if (cli.json)
            cli.printJson(QJsonObject{{"section", section}, {"key", key}, {"value", value}});
        else
            cli.out << value << Qt::endl;
        return CliOk;
    }
    const QString value = args.at(3);
    if (!settings.writeIniValue(section, key, value))
        return cli.fail(QStringLiteral("无法写入 %1：%2").arg(settings.iniPath(), settings.lastError()));
    if (key.compare(QLatin1String("bIsAutoStart"), Qt::CaseInsensitive) == 0 &&
        section.compare(Settings::kMain, Qt::CaseInsensitive) == 0 &&
        !AutoStart::apply(value == QLatin1String("1"), guiProgram(), library->folder().path()))
        return cli.fail(QStringLiteral("无法更改自动启动项：") + AutoStart::entryPath());
    return CliOk;
}

const CliRegistry::Registration registrations[] = {
    CliRegistry::Registration(
        {QStringLiteral("init"), QString(), QStringLiteral("建立或打开书库，显示其路径"), runInit}),
    CliRegistry::Registration(
        {QStringLiteral("info"), QString(), QStringLiteral("书库路径与分类、小说、章节数目"), runInfo}),
    CliRegistry::Registration({QStringLiteral("settings"),
                               QStringLiteral("get SECTION KEY | set SECTION KEY VALUE"),
                               QStringLiteral("读取或写入 book.ini 的设置"), runSettings}),
};

} // namespace
