#include "renewal/chapterpictures.h"

#include "renewal/chaptertext.h"
#include "fetch/pagefetcher.h"
#include "fetch/picturefetcher.h"
#include "storage/files.h"
#include "storage/textfile.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

namespace {

const QStringList& pictureExtensions() {
    static const QStringList list = {".jpg", ".gif", ".jpeg", ".bmp",  ".wmf", ".png", ".pcx", ".emf",
                                     ".pic", ".pix", ".tif",  ".tiff", ".tga", ".jif", ".psd"};
    return list;
}

QString withoutQuery(const QString& address) {
    return address.section(u'#', 0, 0).section(u'?', 0, 0);
}

QString extensionOfContentType(const QString& contentType) {
    const QString type = contentType.section(u';', 0, 0).trimmed().toLower();
    if (type == QLatin1String("image/jpeg") || type == QLatin1String("image/jpg"))
        return QStringLiteral(".jpg");
    if (type == QLatin1String("image/tiff") || type == QLatin1String("image/tif"))
        return QStringLiteral(".tif");
    // Only the known picture types: the type is the server's word and becomes part of a file name.
    const QString extension = u'.' + type.mid(6);
    if (type.startsWith(QLatin1String("image/")) && pictureExtensions().contains(extension))
        return extension;
    return {};
}

} // namespace

QString ChapterPictures::pictureFileName(const QString& novelId, qint64 chapterId, bool background,
                                         int number, const QString& extension) {
    return novelId + u'_' + QString::number(chapterId) + (background ? QStringLiteral("b") : QString()) +
           u'_' + QString::number(number) + extension;
}

QString ChapterPictures::pictureExtension(const QString& address) {
    const QString path = withoutQuery(address);
    const qsizetype dot = path.lastIndexOf(u'.');
    const QString extension = dot < 0 ? QString() : path.mid(dot).trimmed().toLower();
    return pictureExtensions().contains(extension) ? extension : QStringLiteral(".gif");
}

bool ChapterPictures::isPictureAddress(const QString& address) {
    const QString path = withoutQuery(address.trimmed()).toLower();
    for (const QString& extension : pictureExtensions())
        if (path.endsWith(extension))
            return true;
    return false;
}

bool ChapterPictures::isPictureContentType(const QString& contentType) {
    static const QStringList types = {"image/jpeg", "image/jpg",  "image/gif", "image/bmp",
                                      "image/png",  "image/tiff", "image/tif"};
    return types.contains(contentType.section(u';', 0, 0).trimmed().toLower());
}

ChapterPictures::Plan ChapterPictures::planChapterPictures(const QString& text, const Chapter& chapter,
                                                           bool background) {
    Plan plan;
    QHash<QString, QString> names; // address as written → local name
    int number = 0;
    for (const QString& source : pictureSources(text, background)) {
        const QString address = source.trimmed();
        if (address.isEmpty() || names.contains(source) || !address.contains(u'.'))
            continue;
        const QString name =
            pictureFileName(chapter.novelId, chapter.id, background, ++number, pictureExtension(address));
        names.insert(source, name);
        plan.tasks.append({absoluteAddress(address, chapter.pageUrl),
                           QDir(chapter.novelFolder).filePath(name), chapter.pageUrl});
    }
    plan.text = names.isEmpty() ? text : replacePictureSources(text, background, [&names](const QString& s) {
        return names.value(s);
    });
    return plan;
}

QList<PictureFetcher::Result> ChapterPictures::fetchPictures(PageFetcher& fetcher,
                                                             const QList<PictureFetcher::Task>& tasks,
                                                             const Status& status) {
    if (fetcher.options().concurrency > 1)
        return PictureFetcher::fetchPicturesConcurrently(fetcher, tasks, status);
    QList<PictureFetcher::Result> fetched;
    for (const PictureFetcher::Task& task : tasks) {
        if (fetcher.stopRequested())
            break;
        if (status)
            status(tr("正在下载图片\"%1\"…").arg(QFileInfo(task.filePath).fileName()));
        fetched += PictureFetcher::fetchPicturesConcurrently(fetcher, {task});
    }
    return fetched;
}

ChapterPictures::Result ChapterPictures::finishChapterPictures(const Plan& plan,
                                                               const QList<PictureFetcher::Result>& fetched) {
    Result result;
    for (const PictureFetcher::Result& r : fetched) {
        if (r.saved())
            ++result.saved;
        else if (r.outcome == FetchedPage::Outcome::Stopped)
            result.stopped = true;
        else
            ++result.failed;
    }
    // Stopped only when a picture was left for it: a stop after the last one leaves the text whole.
    result.stopped = result.stopped || fetched.size() < plan.tasks.size();
    result.text = PictureFetcher::applyRenames(plan.text, fetched);
    return result;
}

QString ChapterPictures::savePictureChapter(const QByteArray& bytes, const QString& address,
                                            const QString& contentType, const Chapter& chapter,
                                            bool judgePicExt, QString* error) {
    QString extension =
        isPictureAddress(address) ? pictureExtension(address) : extensionOfContentType(contentType);
    if (extension.isEmpty() || judgePicExt) {
        const QString type = getImageType(bytes);
        if (!type.isEmpty())
            extension = u'.' + type;
    }
    if (extension.isEmpty())
        extension = QStringLiteral(".gif");
    const QString name = pictureFileName(chapter.novelId, chapter.id, false, 0, extension);
    if (bytes.isEmpty() || !replaceFileBytes(QDir(chapter.novelFolder).filePath(name), bytes, error))
        return {};
    return QStringLiteral("<center><img src=") + name + QStringLiteral(" border=0></center>");
}
