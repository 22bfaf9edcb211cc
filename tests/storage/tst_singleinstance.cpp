// One program per library folder, and the hand-over of "addnew" requests.
#include "storage/singleinstance.h"
#include "support/rows.h"
#include "support/testlibrary.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtConcurrent/QtConcurrentRun>

#include <optional>

class TestSingleInstance : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void addNewAddress_data();
    void addNewAddress();
    void secondInstanceIsRefused();
    void requestReachesPrimary_data();
    void requestReachesPrimary();
    void nobodyListening();
    void lockOfAnotherProcess();
};

void TestSingleInstance::addNewAddress_data() {
    columns<QString, QString>("commandLine", "address");
    addRow("plain", "addnew http://www.a.com/book/1/", "http://www.a.com/book/1/");
    addRow("any case", "AddNew http://a.com/", "http://a.com/");
    addRow("extra spaces", "  addnew   http://a.com/x?id=1  ", "http://a.com/x?id=1");
    addRow("chinese address", "addnew http://a.com/书/", "http://a.com/书/");
    addRow("nothing after", "addnew", "");
    addRow("other command", "activate", "");
    addRow("empty", "", "");
}

void TestSingleInstance::addNewAddress() {
    const auto [commandLine, address] = fetch<QString, QString>("commandLine", "address");
    QCOMPARE(SingleInstance::addNewAddress(commandLine), address);
}

void TestSingleInstance::secondInstanceIsRefused() {
    QTemporaryDir dir;
    QTemporaryDir other;
    std::optional<SingleInstance> first(std::in_place, dir.path());
    QVERIFY(first->tryBecomePrimary());
    QVERIFY(first->tryBecomePrimary()); // asking again changes nothing
    SingleInstance second(dir.path());
    QVERIFY(second.isHeldElsewhere());
    QVERIFY(!second.tryBecomePrimary());
    // Another library is independent.
    SingleInstance elsewhere(other.path());
    QVERIFY(!elsewhere.isHeldElsewhere());
    QVERIFY(elsewhere.tryBecomePrimary());
    QVERIFY(first->serverName() != elsewhere.serverName());
    // Released with its owner.
    first.reset();
    QVERIFY(!second.isHeldElsewhere());
    QVERIFY(second.tryBecomePrimary());
}

void TestSingleInstance::requestReachesPrimary_data() {
    columns<QString, QString>("message", "address");
    addRow("addnew", "addnew http://www.a.com/book/1/", "http://www.a.com/book/1/");
    addRow("activate only", "activate", "");
}

void TestSingleInstance::requestReachesPrimary() {
    const auto [message, address] = fetch<QString, QString>("message", "address");
    QTemporaryDir dir;
    SingleInstance primary(dir.path());
    QVERIFY(primary.tryBecomePrimary());
    QSignalSpy activated(&primary, &SingleInstance::activationRequested);
    QSignalSpy added(&primary, &SingleInstance::addNewRequested);

    // The sender blocks until the primary has taken the request, so it runs on another thread.
    SingleInstance secondary(dir.path());
    QFuture<bool> sent = QtConcurrent::run([&] { return secondary.sendToPrimary(message, 10000); });
    QTRY_COMPARE_WITH_TIMEOUT(activated.size(), 1, 10000);
    sent.waitForFinished();
    QVERIFY(sent.result());
    QCOMPARE(added.size(), address.isEmpty() ? 0 : 1);
    if (!address.isEmpty())
        QCOMPARE(added.first().first().toString(), address);
}

void TestSingleInstance::nobodyListening() {
    QTemporaryDir dir;
    SingleInstance lonely(dir.path());
    QVERIFY(!lonely.sendToPrimary("addnew http://a/", 300));
}

void TestSingleInstance::lockOfAnotherProcess() {
    QTemporaryDir dir;
    const QString lockFile = dir.filePath(QStringLiteral(".quiveral.lock"));
    // What an owner killed at any moment may leave: the file with its note, even a stale-lock guard
    // of another lock scheme; none of it holds the library.
    for (const QString& name : QStringList{lockFile, lockFile + QStringLiteral(".rmlock")}) {
        QVERIFY(writeFile(name, "4242\nquiveral\n\n"));
    }
    {
        SingleInstance after(dir.path());
        QVERIFY(!after.isHeldElsewhere());
        QVERIFY(after.tryBecomePrimary());
    }

    // Another process holds the file's lock (flock(1) takes the same kind of lock).
    QProcess holder;
    holder.start(QStringLiteral("sh"),
                 {QStringLiteral("-c"),
                  QStringLiteral("exec 9>>\"$0\"; flock -n 9 && echo held && exec sleep 30"), lockFile});
    QVERIFY(holder.waitForStarted());
    QVERIFY(holder.waitForReadyRead(10000));
    QCOMPARE(holder.readAllStandardOutput().trimmed(), QByteArray("held"));
    SingleInstance second(dir.path());
    QVERIFY(second.isHeldElsewhere());
    QVERIFY(!second.tryBecomePrimary());
    // Killed, it lets the library go at once.
    holder.kill();
    QVERIFY(holder.waitForFinished());
    QVERIFY(!second.isHeldElsewhere());
    QVERIFY(second.tryBecomePrimary());
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
