// The chapter list read as a job: on its own thread, with its status texts, a failed page and a stop.
#include "toc/chapterlistjob.h"
#include "support/memorypagesource.h"
#include "support/testsite.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>

namespace {

const QString kBase = QStringLiteral("http://www.fixture.test");

// A source that lives on the job's thread and reports where it was made.
class RecordingSource : public MemoryPageSource {
public:
    explicit RecordingSource(QThread** madeOn) { *madeOn = QThread::currentThread(); }
};

} // namespace

class TestChapterListJob : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsOnItsThread();
    void failedPage();
    void stopDuringTheFetch();
};

void TestChapterListJob::readsOnItsThread() {
    QThread* madeOn = nullptr;
    auto factory = [&madeOn](std::function<bool()>) {
        auto source = std::make_unique<RecordingSource>(&madeOn);
        source->loadSite(TestSite::folder(QStringLiteral("shuxiangge")), kBase);
        return std::unique_ptr<PageSource>(std::move(source));
    };
    ChapterListRequest request;
    request.listUrl = kBase + "/html/8/8812/index.htm";
    request.novel.novelName = QStringLiteral("天涯客栈");
    request.mode = ChapterListMode::Synchronisation;
    ChapterListJob job(factory, ChapterListOptions(), request);
    QSignalSpy status(&job, &Job::statusChanged);
    QSignalSpy finished(&job, &Job::finished);
    job.start();
    QVERIFY(finished.wait(30000));
    QVERIFY(job.wait(10000));
    QVERIFY(madeOn && madeOn != QThread::currentThread());
    QVERIFY(!job.fetchFailed());
    QCOMPARE(job.result().outcome, ChapterListResult::Outcome::Chapters);
    QCOMPARE(keptCount(job.result().links), 5);
    QCOMPARE(job.result().links.at(5).title, QStringLiteral("第一回 雪夜出关")); // Big5 read as simplified
    QCOMPARE(status.value(0).value(0).toString(),
             QStringLiteral("<<天涯客栈>>目录下载完毕，正在取出目录内容..."));
}

void TestChapterListJob::failedPage() {
    auto factory = [](std::function<bool()>) {
        auto source = std::make_unique<MemoryPageSource>();
        source->addFailure(kBase + "/gone.html");
        return std::unique_ptr<PageSource>(std::move(source));
    };
    ChapterListRequest request;
    request.listUrl = kBase + "/gone.html";
    ChapterListJob job(factory, ChapterListOptions(), request);
    job.runHere();
    QVERIFY(job.fetchFailed());
    QCOMPARE(job.error(), QStringLiteral("500"));
    QCOMPARE(job.result().outcome, ChapterListResult::Outcome::Stopped);
}

void TestChapterListJob::stopDuringTheFetch() {
    ChapterListJob* running = nullptr;
    auto factory = [&running](std::function<bool()> stopRequested) {
        auto source = std::make_unique<MemoryPageSource>();
        source->loadSite(TestSite::folder(QStringLiteral("qingfeng")), kBase);
        source->duringFetch = [&running, stopRequested] {
            running->requestStop();
            QVERIFY(stopRequested()); // the source sees the job's stop
        };
        return std::unique_ptr<PageSource>(std::move(source));
    };
    ChapterListRequest request;
    request.listUrl = kBase + "/book/12/345/index.html";
    ChapterListJob job(factory, ChapterListOptions(), request);
    running = &job;
    job.runHere();
    QVERIFY(!job.fetchFailed());
    QCOMPARE(job.result().outcome, ChapterListResult::Outcome::Stopped);
}

QTEST_GUILESS_MAIN(TestChapterListJob)
#include "tst_chapterlistjob.moc"
