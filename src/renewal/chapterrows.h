#pragma once

#include <QFuture>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

class Database;
struct ChapterRecord;

// Marks chapter rows complete (download time and length) on a thread of its own, through one
// statement prepared there, so that the fetching thread never waits for the database; and inserts
// the waiting rows of new chapters there. A row is committed only once its page is on disk, and at
// most a few milliseconds after it was handed over: the rows of those milliseconds share a commit.
// A killed run loses no more than those rows' lengths; they stay waiting and are fetched again.
class ChapterRows {
public:
    explicit ChapterRows(const Database& db);
    // Completes the rows already handed over, then closes the thread's connection.
    ~ChapterRows();
    ChapterRows(const ChapterRows&) = delete;
    ChapterRows& operator=(const ChapterRows&) = delete;

    // A row whose page is being written. The writing thread calls `written` with "" once the page is
    // on disk, or with the write's error; `done` then gives "" once the row is complete, or the
    // error (the row of a page that failed stays waiting).
    struct Row {
        std::function<void(const QString& writeError)> written;
        QFuture<QString> done;
    };
    Row expect(qint64 chapterId, int wordNums, bool stub = false);
    // Inserts waiting rows on the thread before any row handed over later is completed: one id per
    // record, in order, 0 where the insert failed. The first few rows commit on their own, the rest in
    // growing batches, so that pages are stored while later rows go in.
    QFuture<qint64> insertWaiting(const QList<ChapterRecord>& records);

private:
    class Worker;
    std::shared_ptr<Worker> m_worker;
};
