// What the main window's commands do to the library: reordering, moving, deleting, read marks, lists.
#include "library/librarylists.h"
#include "library/novelremoval.h"
#include "library/ordering.h"
#include "library/readmarks.h"
#include "storage/bookcasestore.h"
#include "storage/categorystore.h"
#include "storage/recordlists.h"
#include "storage/schema.h"
#include "storage/textfile.h"
#include "support/rows.h"
#include "support/testlibrary.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

QStringList novelOrder(TestLibrary& lib, const QString& lb) {
    QStringList names;
    for (const NovelRow& r : LibraryLists::novels(lib.db(), lb))
        names << r.name;
    return names;
}

QStringList chapterTitles(TestLibrary& lib, const QString& novelId) {
    QStringList titles;
    for (const ChapterRow& r : LibraryLists::chapters(lib.db(), novelId))
        titles << r.title;
    return titles;
}

} // namespace

class TestLibraryOps : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void moveNovelSwapsNeighbours();
    void moveNovelWithTiedOrders();
    void orderNovels();
    void moveCategory();
    void moveNovelToCategory();
    void addressSortKey_data();
    void addressSortKey();
    void orderChapters_data();
    void orderChapters();
    void deleteNovel_data();
    void deleteNovel();
    void readMarks();
    void recentLists();
};

void TestLibraryOps::moveNovelSwapsNeighbours() {
    TestLibrary lib;
    CategoryStore(lib.db()).add("分类");
    const QString a = lib.addNovel("甲", "01");
    const QString b = lib.addNovel("乙", "01");
    lib.addNovel("外", QString());
    QVERIFY(Ordering::moveNovel(lib.db(), a, Ordering::Direction::Down));
    QCOMPARE(novelOrder(lib, "01"), (QStringList{"乙", "甲"}));
    QVERIFY(!Ordering::moveNovel(lib.db(), a, Ordering::Direction::Down)); // already last
    QVERIFY(!Ordering::moveNovel(lib.db(), b, Ordering::Direction::Up));   // already first
}

void TestLibraryOps::moveNovelWithTiedOrders() {
    TestLibrary lib;
    const QString a = lib.addNovel("甲", QString(), 5);
    lib.addNovel("乙", QString(), 5);
    QVERIFY(Ordering::moveNovel(lib.db(), a, Ordering::Direction::Down));
    QCOMPARE(novelOrder(lib, QString()), (QStringList{"乙", "甲"}));
}

void TestLibraryOps::orderNovels() {
    TestLibrary lib;
    CategoryStore(lib.db()).add("分类");
    lib.addNovel("c", "01");
    lib.addNovel("a", "01");
    lib.addNovel("z");
    lib.addNovel("b", "01");
    lib.addNovel("y");
    QVERIFY(Ordering::orderNovels(lib.db(), Ordering::NovelOrder::ByTitle));
    QCOMPARE(novelOrder(lib, "01"), (QStringList{"a", "b", "c"}));
    QCOMPARE(sqliteScalar(lib.db().path(), "SELECT group_concat(Displayorder) FROM (SELECT Displayorder FROM "
                                           "book_novel WHERE LB IS NULL ORDER BY NovelName)")
                 .toString(),
             QString("1,2"));
    QVERIFY(Ordering::orderNovels(lib.db(), Ordering::NovelOrder::ByDateAdded));
    QCOMPARE(novelOrder(lib, "01"), (QStringList{"c", "a", "b"}));
}

void TestLibraryOps::moveCategory() {
    TestLibrary lib;
    CategoryStore categories(lib.db());
    categories.add("一");
    categories.add("二");
    categories.add("三");
    lib.addNovel("书", "02");
    QCOMPARE(Ordering::moveCategory(lib.db(), "02", Ordering::Direction::Up), QString("01"));
    QCOMPARE(categories.nameOf("01"), QString("二"));
    QCOMPARE(categories.nameOf("02"), QString("一"));
    QCOMPARE(novelOrder(lib, "01"), QStringList{"书"});
    QCOMPARE(Ordering::moveCategory(lib.db(), "01", Ordering::Direction::Up), QString());
    QCOMPARE(Ordering::moveCategory(lib.db(), "03", Ordering::Direction::Down), QString());
    QCOMPARE(Ordering::moveCategory(lib.db(), "02", Ordering::Direction::Down), QString("03"));
    QCOMPARE(categories.nameOf("03"), QString("一"));
}

void TestLibraryOps::moveNovelToCategory() {
    TestLibrary lib;
    CategoryStore(lib.db()).add("分类");
    lib.addNovel("已有", "01");
    const QString id = lib.addNovel("移动");
    const QString path = lib.context().folder().novelListPage(id);
    BookcaseStore(lib.db()).registerEntry("移动", QString(), QString(), path);
    QVERIFY(Ordering::moveNovelToCategory(lib.db(), id, "01", path));
    QCOMPARE(novelOrder(lib, "01"), (QStringList{"已有", "移动"}));
    QCOMPARE(sqliteScalar(lib.db().path(), "SELECT LB FROM pri_mynovel").toString(), QString("01"));
    QVERIFY(Ordering::moveNovelToCategory(lib.db(), id, QString(), path));
    QVERIFY(sqliteScalar(lib.db().path(), "SELECT LB IS NULL FROM book_novel WHERE NovelID='" + id + "'")
                .toBool());
    QVERIFY(sqliteScalar(lib.db().path(), "SELECT LB IS NULL FROM pri_mynovel").toBool());
}

void TestLibraryOps::addressSortKey_data() {
    columns<QString, QString>("address", "key");
    addRow("page number", "http://a/b/9.html", "000000000009");
    addRow("query number", "http://a/read.php?id=3&page=10", "000000000010");
    addRow("not a number", "http://a/b/intro.html", "http://a/b/intro.html");
    addRow("no dot", "http://a/b/1234", "000000001234");
    addRow("too long for the key", "http://a/b/1234567890123.htm", "http://a/b/1234567890123.htm");
    addRow("empty", "", "");
}

void TestLibraryOps::addressSortKey() {
    const auto [address, key] = fetch<QString, QString>("address", "key");
    QCOMPARE(Ordering::addressSortKey(address), key);
}

void TestLibraryOps::orderChapters_data() {
    columns<int, QStringList>("order", "titles");
    addRow("by address", int(Ordering::ChapterOrder::ByAddress), QStringList{"九", "十", "一百"});
    addRow("by title", int(Ordering::ChapterOrder::ByTitle), QStringList{"一百", "九", "十"});
    addRow("by time", int(Ordering::ChapterOrder::ByTime), QStringList{"九", "一百", "十"});
}

void TestLibraryOps::orderChapters() {
    const auto [order, titles] = fetch<int, QStringList>("order", "titles");
    TestLibrary lib;
    const QString id = lib.addNovel("书");
    const qint64 c10 = lib.addChapter(id, "十", false, "http://a/b/10.html");
    const qint64 c100 = lib.addChapter(id, "一百", false, "http://a/b/100.html");
    const qint64 c9 = lib.addChapter(id, "九", false, "http://a/b/9.html");
    lib.db().exec("UPDATE book_novelcontent SET DownDate='2026-01-03', DownTime='10:00:00' WHERE id=?",
                  {c10});
    lib.db().exec("UPDATE book_novelcontent SET DownDate='2026-01-02', DownTime='23:00:00' WHERE id=?",
                  {c100});
    lib.db().exec("UPDATE book_novelcontent SET DownDate='2026-01-02', DownTime='09:00:00' WHERE id=?", {c9});
    QVERIFY(Ordering::orderChapters(lib.db(), id, Ordering::ChapterOrder(order)));
    QCOMPARE(chapterTitles(lib, id), titles);
    QCOMPARE(sqliteScalar(lib.db().path(), "SELECT group_concat(Displayorder) FROM (SELECT Displayorder FROM "
                                           "book_novelcontent ORDER BY Displayorder)")
                 .toString(),
             QString("1,2,3"));
}

void TestLibraryOps::deleteNovel_data() {
    QTest::addColumn<bool>("deleteFiles");
    addRow("rows only", false);
    addRow("with files", true);
}

void TestLibraryOps::deleteNovel() {
    QFETCH(bool, deleteFiles);
    TestLibrary lib;
    const QString gone = lib.addNovel("删");
    const QString kept = lib.addNovel("留");
    lib.addChapter(gone, "c1");
    lib.addChapter(gone, "c2");
    lib.addChapter(kept, "k1");
    const LibraryFolder& folder = lib.context().folder();
    QVERIFY(writeTextFile(folder.chapterPage(gone, 1), "page"));
    QVERIFY(writeTextFile(folder.chapterPage(kept, 3), "page"));
    BookcaseStore(lib.db()).registerEntry("删", QString(), QString(), folder.novelListPage(gone));
    QVERIFY(
        saveBookmarks(folder.path(), {{"a", gone + "/1.htm", "001", {}}, {"b", kept + "/3.htm", "001", {}}}));

    QVERIFY(Schema::ensureWriterTable(lib.db()));
    for (const QString& novel : {gone, kept})
        QVERIFY(lib.db().exec("INSERT INTO book_Writer (NovelID, topid, displayorder, Title, iType) "
                              "VALUES (?, 0, 1, '人物', 0)",
                              {novel}));

    QVERIFY(NovelRemoval::deleteNovel(lib.context(), gone, deleteFiles));
    QCOMPARE(sqliteScalar(lib.db().path(), "SELECT group_concat(NovelID) FROM book_Writer").toString(), kept);
    QCOMPARE(sqliteScalar(lib.db().path(), "SELECT count(*) FROM book_novelcontent").toInt(), 1);
    QCOMPARE(sqliteScalar(lib.db().path(), "SELECT count(*) FROM book_novel").toInt(), 1);
    QCOMPARE(BookcaseStore(lib.db()).count(), deleteFiles ? 0 : 1);
    QCOMPARE(QDir(folder.novelDir(gone)).exists(), !deleteFiles);
    QVERIFY(QFile::exists(folder.chapterPage(kept, 3)));
    QList<Bookmark> bookmarks;
    QVERIFY(loadBookmarks(folder.path(), bookmarks));
    QCOMPARE(bookmarks.size(), 1);
    QCOMPARE(bookmarks.first().name, QString("b"));
}

void TestLibraryOps::readMarks() {
    TestLibrary lib;
    const QString id = lib.addNovel("书");
    const qint64 a = lib.addChapter(id, "a");
    const qint64 b = lib.addChapter(id, "b");
    lib.addChapter(id, "c");
    QCOMPARE(LibraryLists::unreadCount(lib.db(), id), 3);
    QVERIFY(ReadMarks::setRead(lib.db(), {a, b}, true));
    QCOMPARE(LibraryLists::unreadCount(lib.db(), id), 1);
    QVERIFY(ReadMarks::setRead(lib.db(), {a}, false));
    QCOMPARE(LibraryLists::unreadCount(lib.db(), id), 2);
    QVERIFY(ReadMarks::setAllRead(lib.db(), id, true));
    QCOMPARE(LibraryLists::unreadCount(lib.db(), id), 0);
}

void TestLibraryOps::recentLists() {
    TestLibrary lib;
    const QString id = lib.addNovel("书");
    const qint64 ok1 = lib.addChapter(id, "好1");
    const qint64 ok2 = lib.addChapter(id, "好2");
    const qint64 waiting = lib.addChapter(id, "等");
    const qint64 failed = lib.addChapter(id, "败");
    lib.db().exec("UPDATE book_novelcontent SET WordNums=NULL WHERE id=?", {waiting});
    lib.db().exec("UPDATE book_novelcontent SET WordNums=0 WHERE id=?", {failed});
    lib.db().exec("UPDATE book_novelcontent SET DownDate='2020-01-01' WHERE id=?", {ok1});

    const QList<ChapterRow> latest = LibraryLists::recent(lib.db(), LibraryLists::Recent::Latest, 100);
    QCOMPARE(latest.size(), 2);
    QCOMPARE(latest.first().id, ok2); // newest first
    QCOMPARE(latest.first().novelName, QString("书"));
    QCOMPARE(LibraryLists::recent(lib.db(), LibraryLists::Recent::Latest, 1).size(), 1);
    const QList<ChapterRow> today =
        LibraryLists::recent(lib.db(), LibraryLists::Recent::Day, 0, QDate::currentDate());
    QCOMPARE(today.size(), 1);
    QCOMPARE(today.first().id, ok2);
    QCOMPARE(LibraryLists::recent(lib.db(), LibraryLists::Recent::Waiting, 1000).first().id, waiting);
    QCOMPARE(LibraryLists::recent(lib.db(), LibraryLists::Recent::Failed, 1000).first().id, failed);
    QCOMPARE(LibraryLists::downloadedOn(lib.db(), QDate(2020, 1, 1)).first().id, ok1);
}

QTEST_GUILESS_MAIN(TestLibraryOps)
#include "tst_libraryops.moc"
