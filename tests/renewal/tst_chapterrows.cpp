#include "renewal/chapterrows.h"
#include "renewal/processtuning.h"
#include "renewal/renewstore.h"
#include "support/rows.h"
#include "support/testlibrary.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <QThread>

#include <algorithm>

#include <sys/resource.h>
#include <unistd.h>

namespace {

// Waiting rows "第0章".."第N章" of a novel, in order.
QList<ChapterRecord> chapterRecords(const QString& novel, int count) {
    QList<ChapterRecord> records;
    for (int i = 0; i < count; ++i)
        records << ChapterRecord{
            novel, QStringLiteral("第%1章").arg(i), QStringLiteral("%1.html").arg(i), {}, i, {}};
    return records;
}

} // namespace

class TestChapterRows : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rowsFollowTheirWrites();
    void rowsShareCommits_data();
    void rowsShareCommits();
    void waitingRowsInsertedFirst_data();
    void waitingRowsInsertedFirst();
    void refusedRowsGetNoId();
    void processingThreadsGiveWay();
};

void TestChapterRows::rowsFollowTheirWrites() {
    // A connection left open on the rows' thread, or used from another, shows as this warning.
    QTest::failOnWarning(QRegularExpression(QStringLiteral("does not belong to the calling thread")));
    TestLibrary lib;
    const QString novel = lib.addNovel(QStringLiteral("书"));
    QList<qint64> ids;
    for (const ChapterRecord& record : chapterRecords(novel, 4)) {
        ids << RenewStore(lib.db()).insertWaitingChapter(record, std::nullopt);
        QVERIFY(ids.last() > 0);
    }
    auto wordNumsOf = [&] {
        QHash<qint64, int> found;
        for (const StoredChapter& c : RenewStore(lib.db()).chapters(novel))
            found.insert(c.id, c.wordNums.value_or(-1));
        return found;
    };

    QList<QFuture<QString>> rows;
    {
        ChapterRows completer(lib.db());
        QList<ChapterRows::Row> expected;
        for (int i = 0; i < 4; ++i) {
            expected << completer.expect(ids.at(i), 100 + i);
            rows << expected.last().done;
        }
        // Nothing is on disk yet: every row still waits.
        QTest::qWait(50);
        QCOMPARE(wordNumsOf().values(), QList<int>(4, -1));
        // Writes end in any order, on threads of their own; one fails.
        QList<QThread*> writers;
        for (const int i : {2, 0, 3, 1}) {
            writers << QThread::create([written = expected.at(i).written, i] {
                written(i == 3 ? QStringLiteral("磁盘已满") : QString());
            });
            writers.last()->start();
        }
        for (QThread* writer : std::as_const(writers)) {
            QVERIFY(writer->wait(5000));
            delete writer;
        }
        QCOMPARE(rows.at(2).result(), QString());
        QCOMPARE(rows.at(3).result(), QStringLiteral("磁盘已满"));
    }
    for (int i : {0, 1, 2})
        QCOMPARE(rows.at(i).result(), QString());
    const QHash<qint64, int> after = wordNumsOf();
    QCOMPARE(after.value(ids.at(0)), 100);
    QCOMPARE(after.value(ids.at(1)), 101);
    QCOMPARE(after.value(ids.at(2)), 102);
    QCOMPARE(after.value(ids.at(3)), -1); // its page failed: fetched again next time
    QVERIFY2(lib.errors().isEmpty(), qPrintable(lib.errors().join(u'\n')));
}

void TestChapterRows::rowsShareCommits_data() {
    // locked: another connection holds the write lock while the rows come; walPages: a commit per row would
    // log a page for each
    columns<bool, int, int>("locked", "count", "walPages");
    QTest::newRow("handed over while the lock is held") << true << 40 << 10;
    QTest::newRow("a few milliseconds apart, as pages get written") << false << 30 << 15;
}

void TestChapterRows::rowsShareCommits() {
    const auto [locked, count, walPages] = fetch<bool, int, int>("locked", "count", "walPages");
    TestLibrary lib;
    const QString novel = lib.addNovel(QStringLiteral("书"));
    const QList<qint64> ids = ChapterStore(lib.db()).insertChapters(chapterRecords(novel, count));
    QCOMPARE(ids.size(), count);
    const QString walPath = lib.db().path() + QStringLiteral("-wal");
    {
        QSqlDatabase holder = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("holder"));
        holder.setDatabaseName(lib.db().path());
        QVERIFY(holder.open());
        QSqlQuery hold(holder);
        QVERIFY(hold.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")));
        hold.finish();
        QVERIFY(!locked || hold.exec(QStringLiteral("BEGIN IMMEDIATE")));
        QList<QFuture<QString>> rows;
        ChapterRows completer(lib.db());
        for (int i = 0; i < ids.size(); ++i) {
            const ChapterRows::Row row = completer.expect(ids.at(i), 10 + i);
            row.written(QString());
            rows << row.done;
            if (!locked)
                QThread::usleep(200);
        }
        if (locked) {
            // The first row waits for the lock, the rest queue up behind it.
            QTest::qWait(100);
            QVERIFY(!rows.first().isFinished());
            QVERIFY(hold.exec(QStringLiteral("COMMIT")));
        }
        QElapsedTimer clock;
        clock.start();
        for (const QFuture<QString>& row : std::as_const(rows))
            QCOMPARE(QFuture<QString>(row).result(), QString());
        QVERIFY(clock.elapsed() < 2000); // each row complete soon after it could be
        hold.finish();
        holder.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("holder"));
    QHash<qint64, int> wordNums;
    for (const StoredChapter& c : RenewStore(lib.db()).chapters(novel))
        wordNums.insert(c.id, c.wordNums.value_or(-1));
    for (int i = 0; i < ids.size(); ++i)
        QCOMPARE(wordNums.value(ids.at(i)), 10 + i);
    QVERIFY2(QFileInfo(walPath).size() < walPages * 4096,
             qPrintable(QString::number(QFileInfo(walPath).size())));
}

void TestChapterRows::waitingRowsInsertedFirst_data() {
    QTest::addColumn<int>("count");
    QTest::newRow("a few") << 5;
    QTest::newRow("more than the first commit") << 100;
    QTest::newRow("several growing batches") << 500;
}

void TestChapterRows::waitingRowsInsertedFirst() {
    QFETCH(int, count);
    TestLibrary lib;
    const QString novel = lib.addNovel(QStringLiteral("书"));
    const QList<ChapterRecord> records = chapterRecords(novel, count);
    QList<qint64> ids;
    {
        ChapterRows rows(lib.db());
        ids = rows.insertWaiting(records).results();
        QCOMPARE(ids.size(), count);
        const ChapterRows::Row row = rows.expect(ids.at(2), 42);
        row.written(QString());
        QCOMPARE(QFuture<QString>(row.done).result(), QString());
    }
    QStringList expected;
    for (int i = 0; i < count; ++i)
        expected << QStringLiteral("%1 第%2章 %3").arg(ids.at(i)).arg(i).arg(i == 2 ? 42 : -1);
    QStringList stored;
    for (const StoredChapter& c : RenewStore(lib.db()).chapters(novel))
        stored << QStringLiteral("%1 %2 %3").arg(c.id).arg(c.title).arg(c.wordNums ? *c.wordNums : -1);
    QCOMPARE(stored, expected);
    QVERIFY(std::is_sorted(ids.cbegin(), ids.cend()) && ids.first() > 0);
}

void TestChapterRows::refusedRowsGetNoId() {
    TestLibrary lib;
    const QString novel = lib.addNovel(QStringLiteral("书"));
    // The database takes the first rows and refuses the rest midway: the refused part leaves no row.
    QVERIFY(lib.db().exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON book_novelcontent "
                                         "WHEN (SELECT count(*) FROM book_novelcontent) >= 40 "
                                         "BEGIN SELECT RAISE(ABORT, 'refused'); END")));
    ChapterRows rows(lib.db());
    const QList<qint64> ids = rows.insertWaiting(chapterRecords(novel, 100)).results();
    QCOMPARE(ids.size(), 100);
    const qsizetype inserted = std::count_if(ids.cbegin(), ids.cend(), [](qint64 id) { return id != 0; });
    QCOMPARE(inserted, qsizetype(RenewStore(lib.db()).chapters(novel).size()));
    QVERIFY(inserted > 0 && inserted < 40);
    QVERIFY(std::all_of(ids.cbegin() + inserted, ids.cend(), [](qint64 id) { return id == 0; }));

    // Refused from the first row: none.
    QVERIFY(lib.db().exec(QStringLiteral("CREATE TRIGGER refuseAll BEFORE INSERT ON book_novelcontent "
                                         "BEGIN SELECT RAISE(ABORT, 'refused'); END")));
    const QString other = lib.addNovel(QStringLiteral("另一本"));
    const QList<qint64> none = rows.insertWaiting(chapterRecords(other, 5)).results();
    QCOMPARE(none, QList<qint64>(5, 0));
}

void TestChapterRows::processingThreadsGiveWay() {
    auto niceOf = [] { return getpriority(PRIO_PROCESS, id_t(gettid())); };
    const int mine = niceOf();
    int other = 0;
    int kept = 0;
    QThread* thread = QThread::create([&] {
        ProcessTuning::yieldTo(nullptr);
        ProcessTuning::yieldTo(nullptr); // once only
        other = niceOf();
    });
    thread->start();
    QVERIFY(thread->wait(5000));
    delete thread;
    ProcessTuning::yieldTo(QThread::currentThread()); // the waiting thread keeps its priority
    kept = niceOf();
    QCOMPARE(other, qMin(19, mine + 10));
    QCOMPARE(kept, mine);
}

QTEST_GUILESS_MAIN(TestChapterRows)
#include "tst_chapterrows.moc"
