// The power-off request reaches the login manager on the system bus as the standard PowerOff call
// (interactive, so that polkit may ask), and a refusal comes back as a failure with its reason. A
// private bus daemon stands in for the system bus and a stand-in service for the login manager.
#include "renewal/poweroff.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QMutex>
#include <QProcess>
#include <QTest>
#include <QThread>

class FakeLoginManager : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

public:
    QList<bool> calls() const {
        QMutexLocker lock(&m_mutex);
        return m_calls;
    }
    void setRefusing(bool refusing) {
        QMutexLocker lock(&m_mutex);
        m_refusing = refusing;
    }

public Q_SLOTS:
    void PowerOff(bool interactive) {
        QMutexLocker lock(&m_mutex);
        m_calls.append(interactive);
        if (m_refusing)
            sendErrorReply(QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"),
                           QStringLiteral("Interactive authentication required."));
    }

private:
    mutable QMutex m_mutex;
    QList<bool> m_calls;
    bool m_refusing = false;
};

class TestPowerOff : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void acceptedRequest();
    void refusedRequest();

private:
    QProcess m_daemon;
    QThread m_serviceThread; // the request blocks the caller; the stand-in answers from here
    FakeLoginManager* m_service = nullptr;
};

void TestPowerOff::initTestCase() {
    m_daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
    if (!m_daemon.waitForStarted(10000))
        QSKIP("no dbus-daemon on this machine");
    QTRY_VERIFY_WITH_TIMEOUT(m_daemon.canReadLine(), 10000);
    const QString address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    QVERIFY(!address.isEmpty());
    // Read when the system bus is first used, which is in the calls below.
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", address.toUtf8());

    m_service = new FakeLoginManager;
    m_service->moveToThread(&m_serviceThread);
    connect(&m_serviceThread, &QThread::finished, m_service, &QObject::deleteLater);
    m_serviceThread.start();
    QDBusConnection login = QDBusConnection::connectToBus(address, "login");
    QVERIFY(login.isConnected());
    QVERIFY(login.registerObject("/org/freedesktop/login1", m_service, QDBusConnection::ExportAllSlots));
    QVERIFY(login.registerService("org.freedesktop.login1"));
}

void TestPowerOff::cleanupTestCase() {
    QDBusConnection::disconnectFromBus("login");
    m_serviceThread.quit();
    m_serviceThread.wait();
    m_daemon.kill();
    m_daemon.waitForFinished();
}

void TestPowerOff::acceptedRequest() {
    m_service->setRefusing(false);
    QString error = QStringLiteral("stale");
    QVERIFY2(PowerOff::requestPowerOff(&error), qPrintable(error));
    QCOMPARE(m_service->calls(), QList<bool>{true});
}

void TestPowerOff::refusedRequest() {
    m_service->setRefusing(true);
    QString error;
    QVERIFY(!PowerOff::requestPowerOff(&error));
    QCOMPARE(error, QStringLiteral("Interactive authentication required."));
    QCOMPARE(m_service->calls().size(), 2);
}

QTEST_GUILESS_MAIN(TestPowerOff)
#include "tst_poweroff.moc"
