// The desktop program as a process: start-up, one instance per library, hand-over of addresses.
#include "support/process.h"
#include "support/testlibrary.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

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
    void secondStartHandsOverAddress_data();
    void secondStartHandsOverAddress();
    void openedNovelListIsImported_data();
    void openedNovelListIsImported();
    void brokenDatabaseEndsWithMessage();
};

void TestGuiStartup::secondStartHandsOverAddress_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("addnew") << QStringList{"addnew", "http://x/book/1/"};
    // What a desktop passes for an opened address (Exec=quiveral %U).
    QTest::newRow("bare address") << QStringList{"http://x/book/1/"};
}

void TestGuiStartup::secondStartHandsOverAddress() {
    QFETCH(QStringList, arguments);
    QTemporaryDir dir;
    QProcess first;
    first.setProcessEnvironment(guiEnvironment());
    first.start(QUIVERAL_GUI_PATH, {"--library", dir.path()});
    QVERIFY(first.waitForStarted());
    // The library is created by the first instance.
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(dir.filePath("pim.db")), 20000);

    const ProcessResult second = runProgram(
        QUIVERAL_GUI_PATH, QStringList{"--library", dir.path()} + arguments, guiEnvironment(), 20000);
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

void TestGuiStartup::openedNovelListIsImported_data() {
    QTest::addColumn<bool>("asUrl");
    QTest::newRow("path") << false;
    QTest::newRow("file url") << true;
}

void TestGuiStartup::openedNovelListIsImported() {
    QFETCH(bool, asUrl);
    QTemporaryDir dir;
    const QString list = dir.filePath("小说列表.lst");
    QVERIFY(writeFile(list, "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<MESSAGE>\r\n<book_Novel>"
                            "<NovelName>打开的小说</NovelName><ListUrl>http://x/book/9/</ListUrl></book_Novel>"
                            "\r\n</MESSAGE>\r\n"));
    QProcess gui;
    gui.setProcessEnvironment(guiEnvironment());
    gui.start(QUIVERAL_GUI_PATH,
              {"--library", dir.filePath("lib"), asUrl ? QUrl::fromLocalFile(list).toString() : list});
    QVERIFY(gui.waitForStarted());
    const QString db = dir.filePath("lib/pim.db");
    QTRY_COMPARE_WITH_TIMEOUT(
        sqliteScalar(db, "SELECT count(*) FROM book_novel WHERE NovelName = '打开的小说'").toInt(), 1, 20000);
    gui.terminate();
    if (!gui.waitForFinished(10000))
        gui.kill();
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
