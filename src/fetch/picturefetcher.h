#pragma once

#include "fetch/pagesource.h"

#include <QCoreApplication>
#include <QList>
#include <QString>

#include <functional>

class PageFetcher;

// The pictures of one chapter, fetched at the same time (up to MultGetNums, within the per-host
// limit) and saved as each arrives.
class PictureFetcher {
    Q_DECLARE_TR_FUNCTIONS(PictureFetcher)

public:
    struct Task {
        QString url;      // the picture's address; an empty one is skipped
        QString filePath; // where to save it
        QString referer;  // the chapter page that shows it
    };
    struct Result {
        FetchedPage::Outcome outcome = FetchedPage::Outcome::Failed;
        QString filePath;    // where the picture lies now (after an extension correction)
        QString oldFileName; // set, with newFileName, when the extension was corrected
        QString newFileName;
        QString error;
        bool saved() const { return outcome == FetchedPage::Outcome::Ok; }
    };
    using Status = std::function<void(const QString& text)>;

    // Each picture gets "图片"…"下载成功，下载下一图片中..."
    // or "…下载失败…" on the status; a stop ends the work with the rest Stopped and unreported.
    // With the options' judgePicExt a picture whose content is of another type than its extension
    // says is renamed; the caller puts the new names into the chapter text with applyRenames().
    static QList<Result> fetchPicturesConcurrently(PageFetcher& fetcher, const QList<Task>& tasks,
                                                   const Status& status = {});

    static QString applyRenames(const QString& chapterText, const QList<Result>& results);

    // Renames the file to the extension its first bytes call for; the new path, or the old one when
    // nothing needed or could be done.
    static QString correctPictureExtension(const QString& path);
};
