#include "storage/chapterfiles.h"

#include <QDir>
#include <QFile>
#include <QSet>

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

void remove(const LibraryFolder& folder, const QString& novelId, const QList<qint64>& chapterIds) {
    if (chapterIds.size() == 1) {
        remove(folder, novelId, chapterIds.first());
        return;
    }
    const QSet<qint64> ids(chapterIds.cbegin(), chapterIds.cend());
    for (const qint64 id : ids)
        QFile::remove(folder.chapterPage(novelId, id));
    const QString prefix = novelId + u'_';
    const QString dir = folder.novelDir(novelId) + u'/';
    for (const QString& name : QDir(dir).entryList({prefix + QLatin1String("*")}, QDir::Files)) {
        // <NovelID>_<id>_<n> or <NovelID>_<id>b_<n>
        const QStringView rest = QStringView(name).mid(prefix.size());
        qsizetype digits = 0;
        while (digits < rest.size() && rest.at(digits).isDigit())
            ++digits;
        const QStringView after = rest.mid(digits);
        if (digits > 0 && (after.startsWith(u'_') || after.startsWith(QLatin1String("b_"))) &&
            ids.contains(rest.left(digits).toLongLong()))
            QFile::remove(dir + name);
    }
}

} // namespace ChapterFiles
