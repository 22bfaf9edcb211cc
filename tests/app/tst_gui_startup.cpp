// The desktop program as a process: start-up, one instance per library, hand-over of addresses.
#include "support/process.h"
#include "support/testlibrary.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

QProcessEnvironment guiEnvironment() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    return env;
}

} // namespace

class TestGuiStartup : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void secondStartHandsOverAddress();
    void brokenDatabaseEndsWithMessage();
};

void TestGuiStartup::secondStartHandsOverAddress() {
    QTemporaryDir dir;
    QProcess first;
    first.setProcessEnvironment(guiEnvironment());
    first.start(QUIVERAL_GUI_PATH, {"--library", dir.path()});
    QVERIFY(first.waitForStarted());
    // The library is created by the first instance.
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(dir.filePath("pim.db")), 20000);

    const ProcessResult second = runProgram(
        QUIVERAL_GUI_PATH, {"--library", dir.path(), "addnew", "http://x/book/1/"}, guiEnvironment(), 20000);
    QVERIFY(second.finished);
    QCOMPARE(second.exitCode, 0);

    QByteArray received;
    QTRY_VERIFY_WITH_TIMEOUT((received += first.readAllStandardOutput()).contains("addnew http://x/book/1/"),
                             10000);
    QCOMPARE(first.state(), QProcess::Running);
    first.terminate();
    if (!first.waitForFinished(10000))
        first.kill();
}

void TestGuiStartup::brokenDatabaseEndsWithMessage() {
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath("pim.db"), QByteArray(8192, 'x')));
    const ProcessResult r = runProgram(QUIVERAL_GUI_PATH, {"--library", dir.path()}, guiEnvironment(), 20000);
    QVERIFY(r.finished);
    QVERIFY(r.exitCode != 0);
    QVERIFY2(r.err.contains("数据库连接不成功"), qPrintable(r.err));
}

QTEST_GUILESS_MAIN(TestGuiStartup)
#include "tst_gui_startup.moc"
