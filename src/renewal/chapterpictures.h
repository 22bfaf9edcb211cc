#pragma once

#include "fetch/picturefetcher.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

#include <functional>

class PageFetcher;

// The pictures of a chapter, saved beside its page as <NovelID>_<id>_<n>.<ext> (background pictures
// <NovelID>_<id>b_<n>.<ext>), and chapters that are one picture (<NovelID>_<id>_0.<ext>).
class ChapterPictures {
    Q_DECLARE_TR_FUNCTIONS(ChapterPictures)

public:
    struct Chapter {
        QString novelId;
        qint64 id = 0;
        QString pageUrl;     // the chapter page, for relative addresses and as referer
        QString novelFolder; // where the pictures go
    };
    using Status = std::function<void(const QString& text)>;

    struct Result {
        QString text; // the chapter text with the local names in place of the addresses
        int saved = 0;
        int failed = 0;
        bool stopped = false;
    };

    // The pictures of one chapter's text, the "<img" tags' (or the background="…" attributes', with
    // the "b" prefix): the text with each address replaced by its local name, and what to fetch. An
    // address gets its local name even when the picture cannot be fetched, so "缺图章节" finds the
    // chapter later.
    struct Plan {
        QString text;
        QList<PictureFetcher::Task> tasks; // referer: the chapter page
    };
    static Plan planChapterPictures(const QString& text, const Chapter& chapter, bool background);
    // Fetches the tasks at the same time, up to the fetcher's MultGetNums; one at a time with a status
    // text each when that is 1. A stop ends the work: the results then stop short or end Stopped.
    static QList<PictureFetcher::Result>
    fetchPictures(PageFetcher& fetcher, const QList<PictureFetcher::Task>& tasks, const Status& status = {});
    // The plan's outcome from the results of its tasks, in order (fewer when a stop cut them short).
    static Result finishChapterPictures(const Plan& plan, const QList<PictureFetcher::Result>& fetched);

    // ".jpg" … of the known picture types, else ".gif"; from the text after the address's last "."
    // (query and fragment aside).
    static QString pictureExtension(const QString& address);
    // True when the address ends in a picture type: the chapter is the picture.
    static bool isPictureAddress(const QString& address);
    // True for the Content-Types a picture chapter is answered with.
    static bool isPictureContentType(const QString& contentType);

    // Saves a picture chapter and gives its text, "<center><img src=NAME border=0></center>"; "" when
    // the file could not be written. judgePicExt: the extension follows the content.
    static QString savePictureChapter(const QByteArray& bytes, const QString& address,
                                      const QString& contentType, const Chapter& chapter, bool judgePicExt,
                                      QString* error = nullptr);

    static QString pictureFileName(const QString& novelId, qint64 chapterId, bool background, int number,
                                   const QString& extension);
};
