#include "renewal/chapterrows.h"

#include "renewal/processtuning.h"
#include "renewal/renewstore.h"
#include "storage/database.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMutex>
#include <QPromise>
#include <QThread>
#include <QWaitCondition>

#include <deque>
#include <optional>
#include <vector>

// A thread with a queue rather than a pool: the statement and the connection it was prepared on must
// stay on one thread, and a pool may run a task on the thread that waits for it.
class ChapterRows::Worker {
public:
    explicit Worker(const Database& db)
        : m_db(db) {
        m_thread.reset(QThread::create([this] { run(); }));
        m_thread->start();
    }

    ~Worker() {
        {
            QMutexLocker lock(&m_mutex);
            m_closing = true;
        }
        m_wake.wakeOne();
        m_thread->wait();
    }

    void addInsert(const QList<ChapterRecord>& records, std::shared_ptr<QPromise<qint64>> promise) {
        QMutexLocker lock(&m_mutex);
        m_inserts.push_back({records, std::move(promise)});
        m_wake.wakeOne();
    }

    void add(qint64 id, int wordNums, bool stub, std::shared_ptr<QPromise<QString>> promise) {
        {
            QMutexLocker lock(&m_mutex);
            if (!m_closing) {
                m_rows.push_back({id, wordNums, stub, std::move(promise)});
                if (!m_gathering)
                    m_wake.wakeOne();
                return;
            }
        }
        fulfil(*promise, rowError()); // too late: the row stays waiting
    }

    static QString rowError() { return QCoreApplication::translate("ChapterProcessor", "无法保存章节"); }

    static void fulfil(QPromise<QString>& promise, const QString& error) {
        promise.addResult(error);
        promise.finish();
    }

private:
    static constexpr int kGatherMs = 3;
    static constexpr qsizetype kFirstRows = 32;

    struct Row {
        qint64 id;
        int wordNums;
        bool stub;
        std::shared_ptr<QPromise<QString>> promise;
    };
    struct Insert {
        QList<ChapterRecord> records;
        std::shared_ptr<QPromise<qint64>> promise;
    };

    void run() {
        ProcessTuning::yieldTo(nullptr);
        std::optional<Database::Statement> update;
        for (;;) {
            std::deque<Row> batch;
            std::deque<Insert> inserts;
            {
                QMutexLocker lock(&m_mutex);
                while (m_rows.empty() && m_inserts.empty() && !m_closing)
                    m_wake.wait(&m_mutex);
                if (m_rows.empty() && m_inserts.empty())
                    break;
                if (!m_rows.empty()) {
                    // Rows come one by one as pages are written: those of the next few
                    // milliseconds share the commit, unwoken, which costs a fraction of a commit
                    // each.
                    const QDeadlineTimer gather(kGatherMs);
                    m_gathering = true;
                    while (!m_closing && !gather.hasExpired())
                        m_wake.wait(&m_mutex, gather);
                    m_gathering = false;
                }
                batch.swap(m_rows);
                inserts.swap(m_inserts);
            }
            for (Insert& insert : inserts)
                this->insert(insert);
            if (batch.empty())
                continue;
            if (!update)
                update.emplace(m_db, RenewStore::finishChapterSql());
            complete(batch, *update);
        }
        update.reset();
        m_db.releaseThreadConnection();
    }

    // A few rows go in first, then batches twice as large each time: a page fetched meanwhile waits
    // for its own batch, never for the whole list of a long novel. Each id is told, 0 for a row not
    // inserted (the rest once one batch fails), so that every id asked for comes.
    void insert(Insert& insert) {
        const QList<ChapterRecord>& records = insert.records;
        qsizetype from = 0;
        qsizetype batch = kFirstRows;
        while (from < records.size()) {
            const qsizetype count = qMin(batch, records.size() - from);
            batch *= 2;
            QList<qint64> ids = RenewStore(m_db).insertWaitingChapters(records.mid(from, count), {});
            if (ids.size() != count)
                ids = QList<qint64>(records.size() - from, 0);
            for (const qint64 id : std::as_const(ids))
                insert.promise->addResult(id);
            from += ids.size();
        }
        insert.promise->finish();
    }

    // The rows that came in while the last commit ran share the next one: none waits for a row
    // that is not there yet, and a busy disk costs one commit per batch instead of one per row.
    void complete(std::deque<Row>& batch, Database::Statement& update) {
        auto exec = [&update](const Row& row) {
            return update.exec(RenewStore::finishChapterValues(row.id, row.wordNums, row.stub));
        };
        if (batch.size() == 1) {
            fulfil(*batch.front().promise, exec(batch.front()) ? QString() : rowError());
            return;
        }
        std::vector<bool> done(batch.size(), false);
        const bool committed = m_db.transaction([&] {
            for (size_t i = 0; i < batch.size(); ++i)
                done[i] = exec(batch[i]);
            return true;
        });
        for (size_t i = 0; i < batch.size(); ++i)
            fulfil(*batch[i].promise, committed && done[i] ? QString() : rowError());
    }

    const Database& m_db;
    std::unique_ptr<QThread> m_thread;
    QMutex m_mutex;
    QWaitCondition m_wake;
    std::deque<Row> m_rows;
    std::deque<Insert> m_inserts;
    bool m_closing = false;
    bool m_gathering = false; // the thread waits for more rows before its commit
};

ChapterRows::ChapterRows(const Database& db)
    : m_worker(std::make_shared<Worker>(db)) {}

ChapterRows::~ChapterRows() = default;

QFuture<qint64> ChapterRows::insertWaiting(const QList<ChapterRecord>& records) {
    auto promise = std::make_shared<QPromise<qint64>>();
    promise->start();
    m_worker->addInsert(records, promise);
    return promise->future();
}

ChapterRows::Row ChapterRows::expect(qint64 chapterId, int wordNums, bool stub) {
    auto promise = std::make_shared<QPromise<QString>>();
    promise->start();
    Row row;
    row.done = promise->future();
    row.written = [worker = m_worker, promise, chapterId, wordNums, stub](const QString& writeError) {
        if (writeError.isEmpty())
            worker->add(chapterId, wordNums, stub, promise);
        else
            Worker::fulfil(*promise, writeError);
    };
    return row;
}
