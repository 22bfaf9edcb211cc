// "quiveral --demo" as a process: it serves the demo site, prepares the library with the demo novel
// (markers from the shipped site sign) and keeps a named library across starts without adding twice.
#include "support/process.h"
#include "support/testlibrary.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

QProcessEnvironment startOnly() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("QTWEBENGINE_DISABLE_SANDBOX", "1");
    env.insert("QUIVERAL_QUIT_AFTER_START", "1");
    return env;
}

} // namespace

class TestDemo : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void demoLibraryHoldsTheNovel();
    void temporaryLibraryIsRemoved();
};

void TestDemo::demoLibraryHoldsTheNovel() {
    QTemporaryDir dir;
    for (int start = 0; start < 2; ++start) {
        const ProcessResult r =
            runProgram(QUIVERAL_GUI_PATH, {"--demo", "--library", dir.path()}, startOnly());
        QVERIFY(r.finished);
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.err.contains("demo site http://127.0.0.1:"), qPrintable(r.err));
    }
    const QString db = dir.filePath("pim.db");
    QCOMPARE(sqliteScalar(db, "SELECT count(*) FROM book_novel").toInt(), 1);
    QCOMPARE(sqliteScalar(db, "SELECT NovelName FROM book_novel").toString(), QString("演示小说"));
    QVERIFY(sqliteScalar(db, "SELECT ListUrl FROM book_novel").toString().endsWith("/book/index.html"));
    QCOMPARE(sqliteScalar(db, "SELECT ListStart FROM book_novel").toString(),
             QString("<div id=\"chapterlist\">"));
    QCOMPARE(sqliteScalar(db, "SELECT ContentStart FROM book_novel").toString(),
             QString("<div id=\"content\">"));
}

void TestDemo::temporaryLibraryIsRemoved() {
    const ProcessResult r = runProgram(QUIVERAL_GUI_PATH, {"--demo"}, startOnly());
    QVERIFY(r.finished);
    QCOMPARE(r.exitCode, 0);
    const qsizetype at = r.err.indexOf("library ");
    QVERIFY2(at >= 0, qPrintable(r.err));
    const QString folder = r.err.mid(at + 8).section('\n', 0, 0).trimmed();
    QVERIFY(folder.contains("quiveral-demo-"));
    QVERIFY(!QFileInfo::exists(folder));
}

QTEST_GUILESS_MAIN(TestDemo)
#include "tst_demo.moc"
