#include "storage/libraryfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// The demo site is served from where it is shipped and the word lists are compiled in; the launcher,
// icons and file type are the desktop's (in a build, data/ holds them too). None belongs in a library.
bool belongsInLibrary(const QString& relative) {
    return !relative.startsWith(QLatin1String("demo-site/")) && !relative.startsWith(QLatin1String("icons/")) &&
           relative != QLatin1String("navigationlabels.txt") && relative != QLatin1String("quiveral-mime.xml") &&
           !relative.endsWith(QLatin1String(".desktop")) && !relative.endsWith(QLatin1String(".metainfo.xml"));
}

bool copyMissing(const QString& from, const QString& to, QString* error) {
    QDirIterator it(from, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    const QDir source(from);
    while (it.hasNext()) {
        const QString src = it.next();
        const QString relative = source.relativeFilePath(src);
        if (!belongsInLibrary(relative))
            continue;
        const QString dst = to + u'/' + relative;
        if (QFileInfo::exists(dst))
            continue;
        QDir().mkpath(QFileInfo(dst).absolutePath());
        if (!QFile::copy(src, dst)) {
            if (error)
                *error = QStringLiteral("无法复制文件 %1").arg(dst);
            return false;
        }
        // Shipped files may be read-only in an installation; the copies are the user's.
        QFile(dst).setPermissions(QFile(dst).permissions() | QFileDevice::WriteOwner);
    }
    return true;
}

} // namespace

QString LibraryFolder::defaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QLatin1String("/Quiveral");
}

QString LibraryFolder::resolve(const QString& commandLineFolder) {
    QString path = commandLineFolder;
    if (path.isEmpty())
        path = qEnvironmentVariable("QUIVERAL_HOME");
    if (path.isEmpty())
        path = defaultPath();
    return QDir::cleanPath(QDir(path).absolutePath());
}

QString LibraryFolder::shippedDataDir() {
    return shippedDataDir(qEnvironmentVariable("QUIVERAL_DATA_DIR"),
                          QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString());
}

QString LibraryFolder::shippedDataDir(const QString& overrideDir, const QString& appDir) {
    QStringList candidates;
    if (!overrideDir.isEmpty())
        candidates << overrideDir;
    // Installed: <prefix>/bin/quiveral and <prefix>/share/quiveral. Run from the build folder, the
    // compiled-in source data/ is found last.
    if (!appDir.isEmpty())
        candidates << appDir + QLatin1String("/../share/quiveral") << appDir + QLatin1String("/data");
    candidates << QStringLiteral(QUIVERAL_SOURCE_DATA_DIR);
    for (const QString& dir : candidates)
        if (QFileInfo(dir + QLatin1String("/model")).isDir())
            return QDir::cleanPath(dir);
    return {};
}

LibraryFolder::LibraryFolder(const QString& path)
    : m_path(path.isEmpty() ? resolve() : QDir::cleanPath(path)) {}

bool LibraryFolder::prepare(QString* error) const {
    for (const QString& sub :
         {QString(), QStringLiteral("chm"), QStringLiteral("temp"), QStringLiteral("usermodel")}) {
        const QString dir = sub.isEmpty() ? m_path : file(sub);
        if (!QDir().mkpath(dir)) {
            if (error)
                *error = QStringLiteral("无法建立文件夹 %1").arg(dir);
            return false;
        }
    }
    const QString shipped = shippedDataDir();
    return shipped.isEmpty() || copyMissing(shipped, m_path, error);
}
