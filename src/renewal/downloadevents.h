#pragma once

#include <QString>
#include <QStringList>

// What a download run tells whoever watches it. The renewal job turns each call into a signal; the
// core code calls these on its own thread.
class DownloadEvents {
public:
    virtual ~DownloadEvents() = default;

    virtual void status(const QString& text) { Q_UNUSED(text) }
    virtual void progress(int value, int maximum) {
        Q_UNUSED(value)
        Q_UNUSED(maximum)
    }
    // A chapter row got its text (new or downloaded again); read it from the database.
    virtual void chapterStored(const QString& novelId, qint64 chapterId) {
        Q_UNUSED(novelId)
        Q_UNUSED(chapterId)
    }
    // Rows were added or their order changed: the chapter list and the tree counts are stale.
    virtual void countsChanged(const QString& novelId) { Q_UNUSED(novelId) }
    virtual void novelRenamed(const QString& novelId, const QString& name) {
        Q_UNUSED(novelId)
        Q_UNUSED(name)
    }
    // The download list page: a title and one row per chapter with an empty state cell.
    virtual void downloadListStarted(const QString& bookName, const QStringList& titles) {
        Q_UNUSED(bookName)
        Q_UNUSED(titles)
    }
    // The state cell of a row (0-based) of that page, as HTML ("下载完成", a red "下载失败" …).
    virtual void downloadStateChanged(int row, const QString& state) {
        Q_UNUSED(row)
        Q_UNUSED(state)
    }
    // A new chapter to announce ("《…》出新章节\"…\"了，点此看看。"), only with bIsNewMessageView.
    virtual void newChapterAnnounced(const QString& novelId, qint64 chapterId, const QString& text) {
        Q_UNUSED(novelId)
        Q_UNUSED(chapterId)
        Q_UNUSED(text)
    }
};
