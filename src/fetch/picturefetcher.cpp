#include "fetch/picturefetcher.h"

#include "fetch/pagefetcher.h"
#include "storage/files.h"
#include "storage/textfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

QList<PictureFetcher::Result> PictureFetcher::fetchPicturesConcurrently(PageFetcher& fetcher,
                                                                        const QList<Task>& tasks,
                                                                        const Status& status) {
    QList<Result> results(tasks.size());
    QList<PageFetcher::Request> requests;
    QList<int> taskOf; // request index → task index
    for (int i = 0; i < tasks.size(); ++i) {
        results[i].filePath = tasks.at(i).filePath;
        if (tasks.at(i).url.trimmed().isEmpty()) {
            results[i].error = tr("没有图片地址");
            continue;
        }
        requests.append({tasks.at(i).url, tasks.at(i).referer, true});
        taskOf.append(i);
    }
    auto report = [&](const QString& text) {
        if (status)
            status(text);
    };

    fetcher.fetchEach(requests, 0, [&](int index, const FetchedPage& page) {
        Result& result = results[taskOf.at(index)];
        const QString name = QFileInfo(result.filePath).fileName();
        result.outcome = page.outcome;
        result.error = page.error;
        if (page.stopped())
            return;
        QString error;
        if (page.ok() && !page.body.isEmpty() && !replaceFileBytes(result.filePath, page.body, &error)) {
            result.outcome = FetchedPage::Outcome::Failed;
            result.error = error;
        }
        if (!result.saved()) {
            report(tr("图片\"%1\"下载失败，下载下一图片中...").arg(name));
            return;
        }
        report(tr("图片\"%1\"下载成功，下载下一图片中...").arg(name));
        if (fetcher.options().judgePicExt) {
            const QString corrected = correctPictureExtension(result.filePath);
            if (corrected != result.filePath) {
                result.oldFileName = name;
                result.newFileName = QFileInfo(corrected).fileName();
                result.filePath = corrected;
            }
        }
    });
    return results;
}

QString PictureFetcher::applyRenames(const QString& chapterText, const QList<Result>& results) {
    QString text = chapterText;
    for (const Result& result : results) {
        if (result.oldFileName.isEmpty() || result.newFileName.isEmpty())
            continue;
        // Whole names only: renaming "1.jpg" must leave "11.jpg" alone.
        const QRegularExpression name(QStringLiteral("(?<![\\w.-])") +
                                          QRegularExpression::escape(result.oldFileName) +
                                          QStringLiteral("(?![\\w.-])"),
                                      QRegularExpression::UseUnicodePropertiesOption);
        text.replace(name, result.newFileName);
    }
    return text;
}

QString PictureFetcher::correctPictureExtension(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return path;
    const QString type = getImageType(file.read(16));
    file.close();
    const QFileInfo info(path);
    if (type.isEmpty() || info.suffix().compare(type, Qt::CaseInsensitive) == 0)
        return path;
    const QString base = info.suffix().isEmpty() ? info.fileName() : info.completeBaseName();
    const QString target = info.dir().filePath(base + u'.' + type);
    // A picture of that name from an earlier download of the chapter is replaced.
    if (QFileInfo::exists(target) && !QFile::remove(target))
        return path;
    return QFile::rename(path, target) ? target : path;
}
