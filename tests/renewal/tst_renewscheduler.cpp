// The automatic renewal: when it asks for a run of all novels, and when it must not.
#include "renewal/renewscheduler.h"
#include "support/rows.h"

#include <QSignalSpy>
#include <QTest>

class TestRenewScheduler : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void dueTicks_data();
    void dueTicks();
    void timerDrivesTicks();
};

void TestRenewScheduler::dueTicks_data() {
    // busyTicks: 'b' where a run is going on at that minute; due: the minutes (from 1) that ask for a renewal
    columns<QString, QString, QList<int>>("intervalTime", "busyTicks", "due");
    const QString idle(95, u'.');
    QTest::newRow("off") << "0" << idle << QList<int>{};
    QTest::newRow("empty") << "" << idle << QList<int>{};
    QTest::newRow("not a number") << "abc" << idle << QList<int>{};
    QTest::newRow("negative") << "-5" << idle << QList<int>{};
    QTest::newRow("every 30 minutes") << "30" << idle << QList<int>{30, 60, 90};
    QTest::newRow("spaces around") << " 30 " << idle << QList<int>{30, 60, 90};
    // A run going on when the time comes is not interrupted; the next one is an interval later.
    QString busyAt30 = idle;
    busyAt30[29] = u'b';
    QTest::newRow("busy at the time") << "30" << busyAt30 << QList<int>{60, 90};
    // The minutes its own run takes are not counted.
    QString ownRun = idle;
    for (int i = 30; i < 40; ++i)
        ownRun[i] = u'b';
    QTest::newRow("own run takes ten minutes") << "30" << ownRun << QList<int>{30, 70};
    QTest::newRow("every minute") << "1" << QString(3, u'.') << QList<int>{1, 2, 3};
}

void TestRenewScheduler::dueTicks() {
    const auto [intervalTime, busyTicks, due] =
        fetch<QString, QString, QList<int>>("intervalTime", "busyTicks", "due");
    RenewScheduler scheduler;
    scheduler.setIntervalTime(intervalTime);
    int minute = 0;
    scheduler.setBusyCheck([&] { return busyTicks.at(minute - 1) == u'b'; });
    QList<int> asked;
    connect(&scheduler, &RenewScheduler::renewAllDue, this, [&] { asked << minute; });
    for (minute = 1; minute <= busyTicks.size(); ++minute)
        scheduler.tick();
    QCOMPARE(asked, due);
}

void TestRenewScheduler::timerDrivesTicks() {
    RenewScheduler scheduler;
    scheduler.setIntervalTime(QStringLiteral("2"));
    QSignalSpy due(&scheduler, &RenewScheduler::renewAllDue);
    scheduler.start(10);
    QVERIFY(due.wait(10000));
    scheduler.stop();
    // Switched off: no more ticks.
    scheduler.setIntervalTime(QStringLiteral("0"));
    const int count = int(due.count());
    scheduler.tick();
    QCOMPARE(int(due.count()), count);
}

QTEST_GUILESS_MAIN(TestRenewScheduler)
#include "tst_renewscheduler.moc"
