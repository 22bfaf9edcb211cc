// The boss key and the tray icon on a real X server (a private Xvfb, with trayer as notification area):
// the key hides every shown window of the program, the key held down on the desktop brings the same
// windows back; minimising into the tray hides the window only while the icon is there.
#include "companion/globalshortcutportal.h"
#include "companion/ui/bossguard.h"
#include "companion/ui/trayicon.h"

#include <QAction>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QTimer>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QTest>
#include <QTreeWidget>

#include <memory>

namespace {

bool xdotool(const QStringList& args) {
    return QProcess::execute("xdotool", args) == 0;
}

// The desktop portal's shortcuts on a private bus: each request answered with the code of its row.
class FakePortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.GlobalShortcuts")

public:
    FakePortal(const QDBusConnection& bus, uint sessionCode, uint bindCode)
        : m_bus(bus)
        , m_sessionCode(sessionCode)
        , m_bindCode(bindCode) {}

    void activate() {
        QDBusMessage signal = QDBusMessage::createSignal("/org/freedesktop/portal/desktop",
                                                         "org.freedesktop.portal.GlobalShortcuts", "Activated");
        signal << QVariant::fromValue(QDBusObjectPath("/session/boss")) << QString("boss-key") << qulonglong(1)
               << QVariantMap();
        m_bus.send(signal);
    }

    QList<PortalShortcut> bound;

public Q_SLOTS:
    QDBusObjectPath CreateSession(const QVariantMap& options, const QDBusMessage& call) {
        return respond(call, options, m_sessionCode, {{"session_handle", "/session/boss"}});
    }
    QDBusObjectPath BindShortcuts(const QDBusObjectPath&, const QList<PortalShortcut>& shortcuts, const QString&,
                                  const QVariantMap& options, const QDBusMessage& call) {
        bound = shortcuts;
        return respond(call, options, m_bindCode, {});
    }

private:
    QDBusObjectPath respond(const QDBusMessage& call, const QVariantMap& options, uint code,
                            const QVariantMap& results) {
        const QString path = "/org/freedesktop/portal/desktop/request/" +
                             call.service().mid(1).replace('.', '_') + "/" + options["handle_token"].toString();
        QTimer::singleShot(0, this, [this, path, code, results] {
            QDBusMessage response = QDBusMessage::createSignal(path, "org.freedesktop.portal.Request", "Response");
            response << code << results;
            m_bus.send(response);
        });
        return QDBusObjectPath(path);
    }

    QDBusConnection m_bus;
    uint m_sessionCode;
    uint m_bindCode;
};

} // namespace

class TestDesktop : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void hidesAndRestores_data();
    void hidesAndRestores();
    void minimisedIntoTheTray_data();
    void minimisedIntoTheTray();
    void portal_data();
    void portal();
};

void TestDesktop::hidesAndRestores_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("focus");   // objectName of the widget with the keyboard
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("xkeys");   // held down on the desktop to come back
    QTest::addColumn<bool>("hidden");
    QTest::newRow("F12 in the chapter list") << "{" << "ListView1" << int(Qt::Key_F12) << 0 << "F12" << true;
    QTest::newRow("Shift+Q in the chapter list")
        << "Shift+Q" << "ListView1" << int(Qt::Key_Q) << int(Qt::ShiftModifier) << "shift+q" << true;
    QTest::newRow("Q alone is not Shift+Q") << "Shift+Q" << "ListView1" << int(Qt::Key_Q) << 0 << "" << false;
    QTest::newRow("typing into a field") << "Q" << "txtFind" << int(Qt::Key_Q) << 0 << "" << false;
    QTest::newRow("no key set") << "" << "ListView1" << int(Qt::Key_F12) << 0 << "" << false;
}

void TestDesktop::hidesAndRestores() {
    QFETCH(QString, stored);
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, xkeys);
    QFETCH(bool, hidden);
    QVERIFY2(BossGuard::canWatchKeyboard(), "no X server: the boss key cannot be watched");
    QMainWindow main;
    main.setObjectName("frmBook");
    auto* central = new QWidget;
    auto* list = new QTreeWidget(central);
    list->setObjectName("ListView1");
    auto* find = new QLineEdit(central);
    find->setObjectName("txtFind");
    find->move(0, 200);
    main.setCentralWidget(central);
    QWidget viewer;
    viewer.setObjectName("frmView");
    QWidget closed; // never shown: must stay so
    main.show();
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    main.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    QWidget* target = main.findChild<QWidget*>(focus);
    target->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), target);

    BossGuard guard([stored] { return stored; });
    QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(guard.isHiding(), hidden);
    QCOMPARE(main.isVisible(), !hidden);
    QCOMPARE(viewer.isVisible(), !hidden);
    if (!hidden)
        return;
    QTest::qWait(300); // polled, and nothing is down
    QVERIFY(guard.isHiding());
    QVERIFY(xdotool({"keydown", xkeys}));
    QTRY_VERIFY_WITH_TIMEOUT(!guard.isHiding(), 3000);
    QVERIFY(xdotool({"keyup", xkeys}));
    QVERIFY(main.isVisible() && viewer.isVisible());
    QVERIFY(!closed.isVisible());
}

void TestDesktop::minimisedIntoTheTray_data() {
    QTest::addColumn<bool>("notify");    // the option "最小化到托盘"
    QTest::addColumn<bool>("trayArea");  // a notification area runs
    QTest::addColumn<bool>("hides");
    QTest::newRow("option on") << true << true << true;
    QTest::newRow("option off: the task bar keeps it") << false << true << false;
    QTest::newRow("no notification area: never unreachable") << true << false << false;
}

void TestDesktop::minimisedIntoTheTray() {
    QFETCH(bool, notify);
    QFETCH(bool, trayArea);
    QFETCH(bool, hides);
    QProcess trayer;
    if (trayArea) {
        trayer.start("trayer", {"--align", "right", "--height", "24"});
        QVERIFY2(trayer.waitForStarted(), "trayer is needed for this test");
        QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 10000);
    } else {
        QTRY_VERIFY(!QSystemTrayIcon::isSystemTrayAvailable()); // the last row's is gone
    }
    QMainWindow main;
    main.setObjectName("frmBook");
    main.resize(400, 300);
    bool exited = false;
    TrayIcon tray(&main, [&] { exited = true; });
    tray.setEnabled(notify);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QCOMPARE(tray.isShown(), notify && trayArea);
    main.showMinimized();
    QTest::qWait(300); // the tray hides the window after its state change is through
    QCOMPARE(main.isVisible(), !hides);
    if (hides) {
        Q_EMIT tray.icon()->activated(QSystemTrayIcon::DoubleClick);
        QTRY_VERIFY(main.isVisible() && main.isMaximized());
        tray.menu()->findChild<QAction*>("mnuExitTray")->trigger();
        QVERIFY(exited);
        // Switched off while hidden: the window comes back to the task bar.
        main.showMinimized();
        QTRY_VERIFY(!main.isVisible());
        tray.setEnabled(false);
        QTRY_VERIFY(main.isVisible());
    }
    tray.setEnabled(false);
    trayer.kill();
    trayer.waitForFinished();
}

void TestDesktop::portal_data() {
    QTest::addColumn<uint>("sessionCode");
    QTest::addColumn<uint>("bindCode");
    QTest::addColumn<bool>("bound");
    QTest::newRow("key bound") << 0u << 0u << true;
    QTest::newRow("shortcut refused") << 0u << 1u << false;
    QTest::newRow("session refused") << 2u << 0u << false;
}

void TestDesktop::portal() {
    QFETCH(uint, sessionCode);
    QFETCH(uint, bindCode);
    QFETCH(bool, bound);
    QProcess daemon;
    daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
    QVERIFY2(daemon.waitForStarted() && daemon.waitForReadyRead(10000), "dbus-daemon is needed for this test");
    const QString address = QString::fromUtf8(daemon.readLine()).trimmed();
    QProcess trayer;
    trayer.start("trayer", {"--align", "right", "--height", "24"});
    QVERIFY2(trayer.waitForStarted(), "trayer is needed for this test");
    QTRY_VERIFY(QSystemTrayIcon::isSystemTrayAvailable());
    {
        const QString tag = QTest::currentDataTag();
        QDBusConnection portalBus = QDBusConnection::connectToBus(address, "portal " + tag);
        GlobalShortcutPortal::registerTypes();
        FakePortal portal(portalBus, sessionCode, bindCode);
        QVERIFY(portalBus.registerService("org.freedesktop.portal.Desktop"));
        QVERIFY(portalBus.registerObject("/org/freedesktop/portal/desktop", &portal, QDBusConnection::ExportAllSlots));
        QWidget window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        BossGuard guard([] { return QStringLiteral("Shift+{"); });
        guard.watchThroughPortal(QDBusConnection::connectToBus(address, "client " + tag));
        if (bound) {
            QTRY_VERIFY(guard.watchesThroughPortal());
            QCOMPARE(portal.bound.size(), 1);
            QCOMPARE(portal.bound.first().id, "boss-key");
            QCOMPARE(portal.bound.first().properties.value("preferred_trigger").toString(), "SHIFT+F12");
        } else {
            QTest::qWait(500); // the refusal's way over the bus
            QVERIFY(!guard.watchesThroughPortal());
        }
        // Pressed on the desktop: hides with the portal; without it only the tray brings the windows back.
        if (!bound)
            guard.hideAll();
        portal.activate();
        QTRY_COMPARE(guard.isHiding(), true);
        QVERIFY(!window.isVisible());
        QCOMPARE(guard.findChild<QSystemTrayIcon*>("bossTray") != nullptr, !bound);
        QTest::qWait(400);
        portal.activate();
        if (bound)
            QTRY_VERIFY(!guard.isHiding() && window.isVisible());
        else
            QTest::qWait(300);
        QCOMPARE(guard.isHiding(), !bound);
        guard.restoreAll();
        QDBusConnection::disconnectFromBus("client " + tag);
        QDBusConnection::disconnectFromBus("portal " + tag);
    }
    trayer.kill();
    trayer.waitForFinished();
    daemon.kill();
    daemon.waitForFinished();
}

int main(int argc, char** argv) {
    // A private X server, so the key state is the one this test sets.
    QProcess xvfb;
    xvfb.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1024x768x24"});
    if (xvfb.waitForStarted(10000) && xvfb.waitForReadyRead(10000)) {
        qputenv("DISPLAY", ":" + xvfb.readAllStandardOutput().trimmed());
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
    int result = 0;
    {
        QApplication app(argc, argv);
        TestDesktop test;
        result = QTest::qExec(&test, argc, argv);
    }
    xvfb.terminate();
    xvfb.waitForFinished(5000);
    return result;
}

#include "tst_desktop.moc"
