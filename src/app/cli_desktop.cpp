// toolbar, bosskey: the reading tool bar's buttons and the boss key, as the settings windows store them.
#include "app/cli.h"
#include "app/cli_args.h"

#include "companion/bosskey.h"
#include "companion/readingtoolbarkeys.h"
#include "storage/librarycontext.h"

namespace {

int runToolbar(CliContext& cli, QStringList args) {
    const bool reset = takeFlag(args, QStringLiteral("--reset"));
    QString keys;
    bool set = false;
    if (!takeOption(args, QStringLiteral("--set"), &keys, &set) || !args.isEmpty() || (set && reset))
        return cli.fail(QStringLiteral("用法: quiveral-cli toolbar [--set KEYS | --reset]"), CliUsage);
    LibraryContext* library = cli.openLibrary(set || reset);
    if (!library)
        return CliFailed;
    Settings& settings = library->settings();
    if (set || reset) {
        const QStringList chosen = reset ? ReadingToolbarKeys::parse(QString()) : ReadingToolbarKeys::parse(keys);
        if (set && keys.trimmed().isEmpty())
            return cli.fail(ReadingToolbarKeys::check({}));
        for (const QString& key : chosen)
            if (!ReadingToolbarKeys::isSeparator(key) && !ReadingToolbarKeys::find(key))
                return cli.fail(QStringLiteral("没有这个按钮：") + key);
        settings.writeIniValue(Settings::kMain, QStringLiteral("tbrWebKey"), ReadingToolbarKeys::join(chosen));
    }
    for (const QString& key : ReadingToolbarKeys::parse(settings.value(QStringLiteral("tbrWebKey")))) {
        const ReadingToolbarKeys::Button* b = ReadingToolbarKeys::find(key);
        cli.out << key << '\t'
                << (ReadingToolbarKeys::isSeparator(key) ? QStringLiteral("分隔符")
                                                         : b ? ReadingToolbarKeys::caption(*b) : QString())
                << '\n';
    }
    cli.out.flush();
    return CliOk;
}

int runBossKey(CliContext& cli, const QStringList& args) {
    if (args.size() > 1 || hasOption(args))
        return cli.fail(QStringLiteral("用法: quiveral-cli bosskey [无|F12|Shift+F12|Q]"), CliUsage);
    LibraryContext* library = cli.openLibrary(!args.isEmpty());
    if (!library)
        return CliFailed;
    if (!args.isEmpty()) {
        const QString wanted = args.first().trimmed();
        QString stored;
        bool known = wanted == QStringLiteral("无") || wanted.isEmpty();
        for (const BossKey& key : BossKey::choices())
            if (!known && key.displayName().compare(wanted, Qt::CaseInsensitive) == 0) {
                stored = key.stored();
                known = true;
            }
        if (!known)
            return cli.fail(QStringLiteral("不能设为隐藏热键：") + wanted);
        library->settings().writeIniValue(Settings::kMain, QStringLiteral("BossKey"), stored);
    }
    const BossKey key(library->settings().value(QStringLiteral("BossKey")));
    cli.out << (key.isNone() ? QStringLiteral("无") : key.displayName()) << '\t' << key.stored() << Qt::endl;
    return CliOk;
}

const CliRegistry::Registration toolbar{
    {"toolbar", "[--set KEYS | --reset]", "阅读工具栏的按钮（tbrWebKey）", runToolbar}};
const CliRegistry::Registration bosskey{{"bosskey", "[无|F12|Shift+F12|Q]", "隐藏热键", runBossKey}};

} // namespace
