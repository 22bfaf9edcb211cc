#include "output/outputfolder.h"

#include "storage/files.h"
#include "storage/libraryfolder.h"
#include "storage/settings.h"

#include <QDir>
#include <QFileInfo>

OutputFolder::OutputFolder(const LibraryFolder& folder, const Settings& settings) {
    QString path = settings.value(QStringLiteral("NovelChmPath")).trimmed();
    path.replace(u'\\', u'/');
    m_path = path.isEmpty() ? folder.chmDir() : QDir::cleanPath(path);
}

bool OutputFolder::exists() const {
    return QFileInfo(m_path).isDir();
}

QString OutputFolder::missingMessage() {
    return tr("电子书输出目录不存在，请在设置中重新设定电子书输出目录");
}

QString OutputFolder::fileFor(const QString& novelName, const QString& extension) const {
    return m_path + u'/' + replaceInvalidFileNameChars(novelName) + extension;
}

QString OutputFolder::targetFile(const QString& target, const QString& novelName, const QString& extension) {
    if (!QFileInfo(target).isDir())
        return target;
    return QDir::cleanPath(target) + u'/' + replaceInvalidFileNameChars(novelName) + extension;
}

std::optional<QString> OutputFolder::bookFile(const QString& chosen, const QString& novelName,
                                              const QString& extension) const {
    const QString target = targetFile(chosen, novelName, extension);
    if (!target.isEmpty())
        return target;
    if (!exists())
        return std::nullopt;
    return fileFor(novelName, extension);
}
