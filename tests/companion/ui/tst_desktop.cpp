// The boss key and the tray icon on a real X server (a private Xvfb, with trayer as notification area):
// the key hides every shown window of the program, the key held down on the desktop brings the same
// windows back; minimising into the tray hides the window only while the icon is there.
#include "companion/ui/bossguard.h"
#include "companion/ui/trayicon.h"

#include <QAction>
#include <QApplication>
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

} // namespace

class TestDesktop : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void hidesAndRestores_data();
    void hidesAndRestores();
    void minimisedIntoTheTray_data();
    void minimisedIntoTheTray();
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
