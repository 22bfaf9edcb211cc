#include "companion/autostart.h"

#include "storage/textfile.h"

#include <QDir>
#include <QFile>

namespace {

// Desktop-entry Exec quoting: arguments with spaces or specials go in double quotes.
QString quoteArgument(QString arg) {
    static const QString specials = QStringLiteral(" \t\"'\\><~|&;$*?#()`");
    bool needs = arg.isEmpty();
    for (const QChar c : arg)
        needs = needs || specials.contains(c);
    if (!needs)
        return arg;
    arg.replace(u'\\', QLatin1String("\\\\"));
    arg.replace(u'"', QLatin1String("\\\""));
    arg.replace(u'`', QLatin1String("\\`"));
    arg.replace(u'$', QLatin1String("\\$"));
    return u'"' + arg + u'"';
}

} // namespace

namespace AutoStart {

QString entryPath() {
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QLatin1String("/.config");
    return config + QLatin1String("/autostart/quiveral.desktop");
}

bool apply(bool enabled, const QString& program, const QString& libraryFolder) {
    const QString path = entryPath();
    if (!enabled)
        return !QFile::exists(path) || QFile::remove(path);
    const QString exec = quoteArgument(program) + QLatin1String(" --library ") + quoteArgument(libraryFolder);
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Quiveral\n"
                                         "Comment=网络小说下载阅读\n"
                                         "Exec=%1\n"
                                         "Terminal=false\n"
                                         "X-GNOME-Autostart-enabled=true\n")
                              .arg(exec);
    return writeTextFile(path, entry, "UTF-8");
}

bool isEnabled() {
    return QFile::exists(entryPath());
}

} // namespace AutoStart
