#pragma once

#include "storage/chapterstore.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class Database;

// A stored chapter as the download run needs it.
struct StoredChapter {
    qint64 id = 0;
    QString novelId;
    QString title;
    QString comeFrom;
    QString volume;
    int displayorder = 0;
    std::optional<int> wordNums; // none: waiting
    int placeholder = 0; // Placeholder: >0 a stub fetched again that many times less one, <0 never marked
};

// The reads and writes of the download run on book_novel and book_novelcontent. Each write is one
// commit, so a run stopped or killed at any moment leaves whole chapters behind.
class RenewStore {
public:
    explicit RenewStore(const Database& db)
        : m_db(db) {}

    // Novels that are still renewed (bIsEnd not '1'): those with a category by category and order,
    // then those without one by order.
    QStringList novelsToRenew() const;
    QStringList novelsOfCategory(const QString& code) const;
    // The contents page address of each novel that exists.
    QHash<QString, QString> listUrls() const;
    // bIsEnd '1' (not renewed any more) or '0' for the novels, in one transaction.
    bool setEnded(const QStringList& novelIds, bool ended) const;

    std::optional<StoredChapter> chapter(qint64 id) const;
    // The chapters of the ids that exist, in display order.
    QList<StoredChapter> chapters(const QString& novelId, const QList<qint64>& ids) const;
    // Every chapter of the novel in display order.
    QList<StoredChapter> chapters(const QString& novelId) const;
    // Chapters without text: WordNums 0 or Null.
    QList<StoredChapter> emptyChapters(const QString& novelId) const;
    // Waiting chapters (WordNums Null) with an address, up to that id, with the failed ones (0) too
    // when asked.
    QList<StoredChapter> waitingChapters(const QString& novelId, qint64 upToId, bool withFailed) const;
    qint64 maxChapterId() const;
    // Stubs with text to fetch again (Placeholder 1..maxTries), in display order.
    QList<StoredChapter> placeholderChapters(const QString& novelId, int maxTries) const;
    // All the novel's stubs, the ones given up on too.
    QList<StoredChapter> allPlaceholderChapters(const QString& novelId) const;
    // One more try counted for each before it is fetched: a run killed meanwhile still used it up.
    bool countPlaceholderTries(const QList<StoredChapter>& chapters) const;
    // The per-novel bIsJoinPages: "1", "0", or "" to follow the setting.
    QString joinPages(const QString& novelId) const;
    bool setJoinPages(const QString& novelId, const QString& value) const;
    // The novel's newest stored chapter (its length known); 0 when there is none.
    qint64 newestStoredChapterId(const QString& novelId) const;

    // The order of the novel's chapter from that address, ignoring letter case.
    std::optional<int> orderBySource(const QString& novelId, const QString& comeFrom) const;

    // A new chapter, waiting for its text. With afterOrder the chapters after that order move up by
    // one and the new one takes the place right after it; otherwise it goes to the end. Returns
    // the id, or -1.
    qint64 insertWaitingChapter(ChapterRecord record, std::optional<int> afterOrder) const;

    // The new chapters of a list, inserted as waiting rows together (ids in the same order, empty
    // on failure). With sitePositions (lower-case address → place in the site's list) every chapter
    // of the novel found there takes that place as its order.
    QList<qint64> insertWaitingChapters(const QList<ChapterRecord>& records,
                                        const QHash<QString, int>& sitePositions) const;

    // The chapter's text arrived: date and time of now, its length and whether it is a stub (a row the
    // user edited keeps its "never mark" state).
    bool finishChapter(qint64 id, int wordNums, bool stub = false) const;
    // The same as a statement prepared once and its values.
    static QString finishChapterSql();
    static QVariantList finishChapterValues(qint64 id, int wordNums, bool stub);

private:
    QList<StoredChapter> readChapters(const QString& sql, const QVariantList& params) const;

    const Database& m_db;
};
