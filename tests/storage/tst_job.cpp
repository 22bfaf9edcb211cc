// Jobs: work on a worker thread, reports reaching the starting thread, stopping, questions.
#include "storage/job.h"
#include "storage/prompter.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>

namespace {

class CountingJob : public Job {
public:
    int items = 0;
    int done = 0;
    QThread* ranOn = nullptr;
    bool confirmed = false;
    bool ask = false;

protected:
    void run() override {
        ranOn = QThread::currentThread();
        if (ask)
            confirmed = prompter().confirm("是否继续？");
        for (int i = 0; i < items && !stopRequested(); ++i) {
            setStatus(QString("第%1项").arg(i + 1));
            setProgress(i + 1, items);
            QThread::msleep(20);
            ++done;
        }
    }
};

} // namespace

class TestJob : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void runsOnWorkerAndReports();
    void questionsGoToPrompter();
    void stopAndWaitEndsRunningJob();
};

void TestJob::runsOnWorkerAndReports() {
    CountingJob job;
    job.items = 5;
    QSignalSpy status(&job, &Job::statusChanged);
    QSignalSpy progress(&job, &Job::progressChanged);
    QSignalSpy finished(&job, &Job::finished);
    job.start();
    QVERIFY(job.isRunning());
    QVERIFY(finished.wait(10000));
    QVERIFY(job.wait(1000));
    QVERIFY(!job.isRunning());
    QVERIFY(job.ranOn != QThread::currentThread());
    QCOMPARE(job.done, 5);
    QTRY_COMPARE(status.size(), 5);
    QCOMPARE(status.last().first().toString(), QString("第5项"));
    QCOMPARE(progress.last().at(0).toInt(), 5);
    QCOMPARE(progress.last().at(1).toInt(), 5);
}

void TestJob::questionsGoToPrompter() {
    ScriptedPrompter prompter;
    prompter.answers.append(Prompter::Answer{0, {}, false});
    CountingJob job;
    job.ask = true;
    job.items = 2;
    job.setPrompter(&prompter);
    QSignalSpy finished(&job, &Job::finished);
    job.runHere();
    QCOMPARE(job.ranOn, QThread::currentThread());
    QCOMPARE(finished.size(), 1);
    QCOMPARE(job.done, 2);
    QVERIFY(job.confirmed);
    QCOMPARE(prompter.asked.size(), 1);
    QCOMPARE(prompter.asked.first().text, QString("是否继续？"));

    // Without answers left: the last button ("否").
    CountingJob second;
    second.ask = true;
    second.setPrompter(&prompter);
    second.runHere();
    QVERIFY(!second.confirmed);

    // Without a prompter at all: the same, and no crash.
    CountingJob third;
    third.ask = true;
    third.runHere();
    QVERIFY(!third.confirmed);
}

void TestJob::stopAndWaitEndsRunningJob() {
    CountingJob job;
    job.items = 100000;
    job.start();
    QTRY_VERIFY(job.done > 0);
    job.stopAndWait();
    QVERIFY(!job.isRunning());
    QVERIFY(job.done < 100000); // a run of more than half an hour, ended at its next item
}

QTEST_GUILESS_MAIN(TestJob)
#include "tst_job.moc"
