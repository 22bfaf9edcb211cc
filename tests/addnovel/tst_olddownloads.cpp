// Novels left as folders of pages by an earlier installation: which folders count, their names, and
// the import into rows and renamed pages.
#include "addnovel/olddownloads.h"
#include "storage/bookcasestore.h"
#include "storage/novelstore.h"
#include "storage/textfile.h"
#include "support/rows.h"
#include "support/testlibrary.h"

#include <QDir>
#include <QSqlQuery>
#include <QTest>

namespace {

void writeOldNovel(const QString& dir, const QString& name) {
    QVERIFY(writeTextFile(
        dir + "/List.htm",
        "<html><body><CENTER><font size=5>" + name +
            "</font></CENTER>"
            "<a href=\"2.htm\">第二章</a><a href=\"1.htm\">第一章 开端</a><a href=\"2.htm\">重复</a>"
            "<a href=\"7.htm\">丢失的页</a><a href=\"../x.htm\">外面</a><a href=\"http://a.test/\">站</a>"
            "</body></html>"));
    QVERIFY(writeTextFile(dir + "/1.htm", "<html><body>第一章的正文</body></html>"));
    QVERIFY(writeTextFile(dir + "/2.htm", "<html><body>第二章的正文</body></html>"));
}

} // namespace

class TestOldDownloads : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void novelName_data();
    void novelName();
    void listAndImport();
    void freeNovelIdKeepsTheFolder();
    void refusedRowsLeaveTheFolder();
};

void TestOldDownloads::novelName_data() {
    columns<QString, QString>("page", "name");
    addRow("center", "<CENTER><b>旧书</b> &amp; 续</CENTER>", "旧书 & 续");
    addRow("lower case", "<center>旧书</center>", "旧书");
    addRow("heading of our own pages", "<h1>新式</h1>", "新式");
    addRow("none", "<p>无</p>", "");
}

void TestOldDownloads::novelName() {
    const auto [page, name] = fetch<QString, QString>("page", "name");
    QCOMPARE(OldDownloads::novelNameOf(page), name);
}

void TestOldDownloads::listAndImport() {
    TestLibrary library;
    const LibraryFolder& folder = library.context().folder();
    const QString stored = library.addNovel("已有");
    QVERIFY(QDir().mkpath(folder.novelDir(stored)));
    QVERIFY(writeTextFile(folder.novelListPage(stored), "<CENTER>已有</CENTER>"));
    QVERIFY(QDir().mkpath(folder.chmDir() + "/nolist"));
    QVERIFY(QDir().mkpath(folder.chmDir() + "/old"));
    writeOldNovel(folder.chmDir() + "/old", "旧书");

    const QList<OldDownloads::Entry> entries = OldDownloads::list(library.db(), folder);
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries[0].folderName, QString("old"));
    QCOMPARE(entries[0].name, QString("旧书"));

    QString error;
    const QString id =
        OldDownloads::importNovel(library.db(), folder, library.context().settings(), entries[0], &error);
    QVERIFY2(!id.isEmpty(), qPrintable(error));
    QVERIFY(id != stored);
    QCOMPARE(NovelStore(library.db()).loadNovel(id)->novelName, QString("旧书"));
    QSqlQuery rows = library.db().query(
        "SELECT ID, Title, WordNums FROM book_novelcontent WHERE NovelID=? ORDER BY Displayorder", {id});
    QStringList titles;
    while (rows.next()) {
        titles << rows.value(1).toString();
        // Each page now carries its chapter's id.
        const QString page = readTextFile(folder.chapterPage(id, rows.value(0).toLongLong()));
        QVERIFY2(page.contains(rows.value(1).toString().left(3) + "的正文"), qPrintable(page));
        QVERIFY(rows.value(2).toInt() > 0);
    }
    QCOMPARE(titles, (QStringList{"第二章", "第一章 开端"}));
    QVERIFY(!QFileInfo::exists(folder.chmDir() + "/old"));
    QVERIFY(QFileInfo(folder.novelListPage(id)).isFile());
    QCOMPARE(BookcaseStore(library.db()).count(), 1);
    QVERIFY(OldDownloads::list(library.db(), folder).isEmpty());
}

void TestOldDownloads::freeNovelIdKeepsTheFolder() {
    TestLibrary library;
    const LibraryFolder& folder = library.context().folder();
    const QString dir = folder.chmDir() + "/000123";
    QVERIFY(QDir().mkpath(dir));
    writeOldNovel(dir, "编号书");
    const QList<OldDownloads::Entry> entries = OldDownloads::list(library.db(), folder);
    QCOMPARE(entries.size(), 1);
    QCOMPARE(OldDownloads::importNovel(library.db(), folder, library.context().settings(), entries[0]),
             QString("000123"));
    QVERIFY(QFileInfo(dir + "/List.htm").isFile());

    // Removing an entry deletes its folder.
    const QString other = folder.chmDir() + "/gone";
    QVERIFY(QDir().mkpath(other));
    writeOldNovel(other, "删掉");
    const QList<OldDownloads::Entry> left = OldDownloads::list(library.db(), folder);
    QCOMPARE(left.size(), 1);
    QVERIFY(OldDownloads::remove(left[0]));
    QVERIFY(!QFileInfo::exists(other));
}

void TestOldDownloads::refusedRowsLeaveTheFolder() {
    TestLibrary library;
    const LibraryFolder& folder = library.context().folder();
    const QString dir = folder.chmDir() + "/old";
    QVERIFY(QDir().mkpath(dir));
    writeOldNovel(dir, "旧书");
    // The database refuses chapter rows half-way through the import.
    QVERIFY(library.db().exec("CREATE TRIGGER refuse BEFORE INSERT ON book_novelcontent "
                              "BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    const QList<OldDownloads::Entry> entries = OldDownloads::list(library.db(), folder);
    QCOMPARE(entries.size(), 1);
    QString error;
    QCOMPARE(
        OldDownloads::importNovel(library.db(), folder, library.context().settings(), entries[0], &error),
        QString());
    QCOMPARE(error, QString("导入失败：旧书"));
    QCOMPARE(NovelStore(library.db()).count(), 0);
    QVERIFY(QFileInfo(dir + "/1.htm").isFile());
    QCOMPARE(OldDownloads::list(library.db(), folder).size(), 1);
}

QTEST_GUILESS_MAIN(TestOldDownloads)
#include "tst_olddownloads.moc"
