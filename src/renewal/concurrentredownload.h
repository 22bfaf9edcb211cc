#pragma once

#include "fetch/pagefetcher.h"
#include "renewal/chapterprocessor.h"
#include "renewal/chapterrows.h"
#include "renewal/renewstore.h"
#include "storage/chapterstore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFuture>
#include <QList>
#include <QSemaphore>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <deque>
#include <functional>
#include <optional>

struct DownloadContext;
class NovelFileWriter;
class QThread;

// The chapters of one novel fetched MultGetNums at a time, the renewal's fast path. This thread (the
// job's) fetches and never waits for the disk or the database: the text of a page is cut and cleaned
// on the drafting pool while the next pages come, and a plain draft is written there too; the drafts
// that need pictures are composed here, several at a time, and written on the writer pool; the rows
// get their lengths on the rows thread (ChapterRows) once the pages are on disk. A chapter counts as
// stored only when its row is complete, so a run killed at any point leaves waiting rows that the next
// one fetches again.
//
// One object per run: run() once, then the deeper links (LinkDepth 2) for the renewer to follow.
class ConcurrentRedownload {
    Q_DECLARE_TR_FUNCTIONS(ConcurrentRedownload)

public:
    // The new rows of a renewal, inserted while the first pages are fetched: the chapters from
    // `first` on take their ids from `ids` (0: not inserted).
    struct Inserting {
        int first = 0;
        QList<ChapterRecord> records;
        QFuture<qint64> ids;
    };
    struct Result {
        int stored = 0;
        int failedChapters = 0;
        bool stopped = false;
    };
    // How a page answered on this thread is stored (pictures, scripted sites, LinkDepth 2).
    using StoreAnswer = std::function<ChapterOutcome(const FetchedPage& answer, const ChapterItem& item)>;

    // announced: ids of rows new to the library; handled: the lower-case addresses stored, grown as
    // chapters are stored. Everything handed in must outlive the object.
    ConcurrentRedownload(DownloadContext& context, ChapterProcessor& processor, const NovelRecord& novel,
                         const QList<StoredChapter>& chapters, const QSet<qint64>& announced,
                         Inserting* inserting, const QString& pageCharset, QSet<QString>& handled,
                         StoreAnswer store);
    // The pools and the rows thread end here, after every task they were given.
    ~ConcurrentRedownload();
    ConcurrentRedownload(const ConcurrentRedownload&) = delete;
    ConcurrentRedownload& operator=(const ConcurrentRedownload&) = delete;

    Result run();
    // The links the stored chapter pages carry (LinkDepth 2).
    const ChapterLinks& deeperLinks() const { return m_deeper; }

private:
    // A draft from the pool, and its page when it was written there already.
    struct Drafted {
        ChapterDraft draft;
        std::optional<ChapterPage> page; // written on the pool already, its row handed over
        QFuture<QString> rowDone;
    };
    struct Pending {
        int index;
        QFuture<Drafted> drafted;
    };
    // What is told of a chapter once its row is in: not its text. A row waits for the rows thread,
    // which may be held up by the database for a while (a checkpoint); this thread goes on meanwhile.
    struct Writing {
        int index;
        ChapterPage page; // its id and length only
        QFuture<QString> error;
    };

    // The stages, in the order of a run.
    void announceList();
    void startWorkers();
    void fetchChapters();
    void received(int index, const FetchedPage& answer);
    Drafted draft(const FetchedPage& answer, int index);
    void storePending(bool all);
    void compose();
    void completeWrites(bool all);
    void finish();

    // A new row's id waits for the insert; 0 when it failed, and the chapter is not stored.
    ChapterItem item(int index) const;
    // The new rows are told once they are in (at the latest when the run ends).
    void tellCounts(bool wait);
    void report(int index, const ChapterOutcome& stored);
    static ChapterPage told(const ChapterPage& page);

    DownloadContext& m_context;
    ChapterProcessor& m_processor;
    const NovelRecord& m_novel;
    const QList<StoredChapter>& m_chapters;
    const QSet<qint64>& m_announced;
    Inserting* m_inserting;
    const QString m_pageCharset; // of the table of contents, for answers without one
    QSet<QString>& m_handled;
    StoreAnswer m_store;
    const ChapterOutcome m_noRow;
    const ChapterOutcome m_pageFailed;

    Result m_result;
    ChapterLinks m_deeper;
    QList<PageFetcher::Request> m_requests;
    int m_done = 0;
    bool m_countsTold;
    bool m_draftElsewhere = false;

    // Destroyed bottom up: the pools first (each waits for its tasks), then the room the writers
    // hold, then the rows thread, which completes every row handed over before it ends.
    std::deque<Pending> m_pending;
    std::deque<Writing> m_writing;
    std::optional<ChapterRows> m_rows;
    const NovelFileWriter* m_writer;
    const QThread* m_fetching; // the drafters and writers give way to it (ProcessTuning::yieldTo)
    QThreadPool m_drafters;
    // Enough pages in hand to keep the pools busy: waiting on an unstarted task runs it on this
    // thread, which then fetches nothing meanwhile.
    const size_t m_maxPending;
    QSemaphore m_writerRoom; // pages held by the writers: outlives them
    QThreadPool m_writers;

    // Drafts that need more than the pool can do (pictures, mostly), composed several at a time.
    QList<std::pair<ChapterDraft, ChapterItem>> m_composing;
    QList<int> m_composingIndexes;
    QElapsedTimer m_composingSince;
};
