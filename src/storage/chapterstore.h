#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>

class Database;

// A new book_novelcontent row. Every insert of a chapter goes through here, so the column set and
// the unread mark are the same everywhere.
struct ChapterRecord {
    QString novelId;
    QString title;
    QString comeFrom;
    QString volume;
    int displayorder = 0;
    std::optional<int> wordNums; // none: listed, not yet downloaded
};

// book_novelcontent: chapter order and insertion.
class ChapterStore {
public:
    explicit ChapterStore(const Database& db)
        : m_db(db) {}

    int count(const QString& novelId = QString()) const;
    int nextChapterOrder(const QString& novelId) const;
    int maxChapterOrder(const QString& novelId) const;
    int maxVolumeOrder(const QString& volume) const;
    // The order of the chapter downloaded from that address, 0 when there is none.
    int chapterOrderBySource(const QString& comeFrom, const QString& novelId) const;
    int chapterOrder(qint64 id) const;

    // Inserts with today's date and time and the unread mark; returns the new id, or -1.
    qint64 insertChapter(const ChapterRecord& record) const;
    // Many at once with one prepared statement, in order; their ids, or none when one failed (the
    // caller's transaction then rolls the others back).
    QList<qint64> insertChapters(const QList<ChapterRecord>& records) const;

    // The local date and time as chapter rows keep them ("yyyy-MM-dd", "HH:mm:ss"). Worked out at
    // most once a second on each thread: the time zone lookup behind it reads the disk.
    struct Stamp {
        QString date;
        QString time;
    };
    static Stamp now();

    // Deletes the rows (no files); run it inside the caller's transaction. False on the first failure.
    bool deleteChapters(const QList<qint64>& ids) const;

    // A text column of one chapter row as the user typed it; an empty volume is stored as Null, as a
    // chapter without a volume has it.
    enum class TextColumn { Title, Volume, ComeFrom };
    bool setChapterText(qint64 id, TextColumn column, const QString& value) const;
    // The length of the chapter's stored text, after an edit of its page: the user's text is never
    // marked as a stub again (Placeholder -1).
    bool setWordNums(qint64 id, int wordNums) const;

    // The addresses the novel's chapters were downloaded from, in chapter order.
    QStringList chapterSources(const QString& novelId) const;
    // Gives the chapters downloaded from each address that volume name ("" as Null), all or nothing.
    bool updateVolumesBySource(const QString& novelId,
                               const QList<QPair<QString, QString>>& sourceVolumes) const;

private:
    const Database& m_db;
};
