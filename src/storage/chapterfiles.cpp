#include "storage/chapterfiles.h"

#include <QDir>
#include <QFile>

namespace ChapterFiles {

QStringList pictureNames(const LibraryFolder& folder, const QString& novelId, qint64 chapterId) {
    const QString prefix = novelId + u'_' + QString::number(chapterId);
    QStringList names;
    // A prefix of "<id>_" alone: chapter 1's pictures are not chapter 12's.
    for (const QString& name :
         QDir(folder.novelDir(novelId)).entryList({prefix + QLatin1String("*")}, QDir::Files)) {
        const QStringView rest = QStringView(name).mid(prefix.size());
        if (rest.startsWith(u'_') || rest.startsWith(QLatin1String("b_")))
            names.append(name);
    }
    return names;
}

void remove(const LibraryFolder& folder, const QString& novelId, qint64 chapterId) {
    QFile::remove(folder.chapterPage(novelId, chapterId));
    const QString dir = folder.novelDir(novelId) + u'/';
    for (const QString& name : pictureNames(folder, novelId, chapterId))
        QFile::remove(dir + name);
}

} // namespace ChapterFiles
