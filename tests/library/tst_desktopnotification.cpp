// Desktop notifications reach the session bus's notification service with the texts given; without a
// bus nothing is sent. A private bus daemon and a stand-in service play the desktop.
#include "library/desktopnotification.h"

#include <QDBusConnection>
#include <QProcess>
#include <QTest>
#include <QVariantMap>

class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList received; // app, summary, body

public Q_SLOTS:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int timeout) {
        Q_UNUSED(replaces)
        Q_UNUSED(icon)
        Q_UNUSED(actions)
        Q_UNUSED(hints)
        Q_UNUSED(timeout)
        received = {app, summary, body};
        return 1;
    }
};

class TestDesktopNotification : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void reachesTheService();
    void withoutBusNothingIsSent();

private:
    QProcess m_daemon;
    QString m_address;
};

void TestDesktopNotification::initTestCase() {
    m_daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
    if (!m_daemon.waitForStarted(10000))
        QSKIP("no dbus-daemon on this machine");
    QTRY_VERIFY_WITH_TIMEOUT(m_daemon.canReadLine(), 10000);
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    QVERIFY(!m_address.isEmpty());
}

void TestDesktopNotification::cleanupTestCase() {
    QDBusConnection::disconnectFromBus("client");
    QDBusConnection::disconnectFromBus("desktop");
    m_daemon.kill();
    m_daemon.waitForFinished();
}

void TestDesktopNotification::reachesTheService() {
    QDBusConnection desktop = QDBusConnection::connectToBus(m_address, "desktop");
    QVERIFY(desktop.isConnected());
    FakeNotifications service;
    QVERIFY(
        desktop.registerObject("/org/freedesktop/Notifications", &service, QDBusConnection::ExportAllSlots));
    QVERIFY(desktop.registerService("org.freedesktop.Notifications"));

    QDBusConnection client = QDBusConnection::connectToBus(m_address, "client");
    QVERIFY(DesktopNotification::send(client, "消息", "《演示小说》出新章节\"第一章\"了，点此看看。"));
    QTRY_COMPARE_WITH_TIMEOUT(
        service.received, (QStringList{"Quiveral", "消息", "《演示小说》出新章节\"第一章\"了，点此看看。"}),
        10000);
}

void TestDesktopNotification::withoutBusNothingIsSent() {
    QVERIFY(!DesktopNotification::send(QDBusConnection("never connected"), "消息", "x"));
}

QTEST_GUILESS_MAIN(TestDesktopNotification)
#include "tst_desktopnotification.moc"
