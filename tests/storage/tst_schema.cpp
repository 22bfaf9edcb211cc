// Bringing databases of earlier versions up to the current columns.
#include "storage/database.h"
#include "storage/schema.h"
#include "support/rows.h"
#include "support/testlibrary.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The oldest shape: none of the columns the upgrade adds.
const QStringList kOldestShape = {
    "CREATE TABLE dic_noveltype (DM varchar(2), MC text)",
    "CREATE TABLE book_novel (NovelID varchar(6), NovelName text, Author text, bIsEnd text, ListUrl text, "
    "ListStart text, ListEnd text, ContentStart text, ContentEnd text)",
    "CREATE TABLE book_novelcontent (id INTEGER PRIMARY KEY AUTOINCREMENT, NovelID varchar(6), Title text, "
    "ComeFrom text, DownDate text, DownTime text, bIsRead text)",
    "CREATE TABLE pri_mynovel (id INTEGER PRIMARY KEY AUTOINCREMENT, MC text, LB varchar(2), ZZ text, "
    "WJLJ text, SM text)",
};

QString schemaText(const QString& path) {
    return sqliteScalar(path,
                        "SELECT group_concat(sql, ';') FROM (SELECT sql FROM sqlite_master ORDER BY name)")
        .toString();
}

} // namespace

class TestSchema : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void oldestShapeIsNumbered();
    void eachMissingColumnIsAdded_data();
    void eachMissingColumnIsAdded();
    void currentDatabaseIsUnchanged();
    void upgradeKeepsData();
};

void TestSchema::oldestShapeIsNumbered() {
    QTemporaryDir dir;
    const QString path = dir.filePath("pim.db");
    QStringList setup = kOldestShape;
    // Novels inserted out of key order, chapters interleaved between novels.
    setup << "INSERT INTO book_novel (NovelID, NovelName) VALUES ('000003', 'c'), ('000001', 'a'), "
             "('000002', 'b')"
          << "INSERT INTO book_novelcontent (NovelID, Title) VALUES ('000002', 'b1'), ('000001', 'a1'), "
             "('000002', 'b2'), ('000001', 'a2'), ('000001', 'a3'), ('000009', 'orphan')";
    QCOMPARE(sqliteExec(path, setup), QStringList());

    Database db(path);
    QVERIFY(db.open());

    QCOMPARE(sqliteScalar(path, "SELECT group_concat(NovelID || ':' || Displayorder) FROM "
                                "(SELECT * FROM book_novel ORDER BY NovelID)")
                 .toString(),
             QString("000001:1,000002:2,000003:3"));
    QCOMPARE(sqliteScalar(
                 path, "SELECT group_concat(Title || ':' || Displayorder) FROM "
                       "(SELECT * FROM book_novelcontent WHERE NovelID IN ('000001','000002') ORDER BY id)")
                 .toString(),
             QString("b1:1,a1:1,b2:2,a2:2,a3:3"));
    // A chapter of no known novel is not numbered.
    QVERIFY(sqliteScalar(path, "SELECT Displayorder IS NULL FROM book_novelcontent WHERE Title='orphan'")
                .toBool());
    QVERIFY(
        sqliteScalar(path, "SELECT count(*) FROM sqlite_master WHERE type='index' AND name='ix_novel_order'")
            .toInt() == 1);
}

void TestSchema::eachMissingColumnIsAdded_data() {
    columns<QString, QString>("table", "column");
    for (const char* c : {"displayorder", "Volume", "WordNums", "Placeholder"})
        QTest::newRow(c) << "book_novelcontent" << c;
    for (const char* c :
         {"NeedDelStr", "LB", "Displayorder", "VolumeStart", "VolumeEnd", "NeedDelUrl", "Brief", "BookImg", "bIsJoinPages"})
        QTest::newRow(c) << "book_novel" << c;
}

void TestSchema::eachMissingColumnIsAdded() {
    const auto [table, column] = fetch<QString, QString>("table", "column");
    QTemporaryDir dir;
    const QString path = dir.filePath("pim.db");
    {
        Database db(path);
        QVERIFY(db.open());
    }
    // Rebuild the table without that one column, keeping a row.
    const QStringList columns = [&] {
        Database db(path);
        db.open();
        QStringList all = Schema::columnsOf(db, table);
        all.removeAll(column.toLower());
        return all;
    }();
    QCOMPARE(
        sqliteExec(path,
                   {"INSERT INTO book_novel (NovelID, NovelName, Displayorder) VALUES ('000001', 'a', 5)",
                    "INSERT INTO book_novelcontent (NovelID, Title, Displayorder) VALUES ('000001', 't', 4)",
                    QString("CREATE TABLE old AS SELECT %1 FROM %2").arg(columns.join(','), table),
                    "DROP TABLE " + table, "ALTER TABLE old RENAME TO " + table}),
        QStringList());

    Database db(path);
    QVERIFY(db.open());
    QCOMPARE(Schema::columnsOf(db, table).count(column.toLower()), 1);
    // Only a missing order column is renumbered; the other order stays as it was.
    const bool novelOrder = column == "Displayorder";
    const bool chapterOrder = column == "displayorder";
    QCOMPARE(sqliteScalar(path, "SELECT Displayorder FROM book_novel").toInt(), novelOrder ? 1 : 5);
    QCOMPARE(sqliteScalar(path, "SELECT Displayorder FROM book_novelcontent").toInt(), chapterOrder ? 1 : 4);
}

void TestSchema::currentDatabaseIsUnchanged() {
    TestLibrary lib;
    lib.addNovel("a", "01");
    lib.addChapter("000001", "c");
    const QString path = lib.db().path();
    const QString before = schemaText(path);
    const QString data =
        sqliteScalar(path, "SELECT group_concat(NovelID || Displayorder) FROM book_novel").toString();
    QCOMPARE(Schema::upgrade(lib.db()), QStringList());
    QVERIFY(Schema::ensure(lib.db()));
    QCOMPARE(schemaText(path), before);
    QCOMPARE(sqliteScalar(path, "SELECT group_concat(NovelID || Displayorder) FROM book_novel").toString(),
             data);
}

void TestSchema::upgradeKeepsData() {
    QTemporaryDir dir;
    const QString path = dir.filePath("pim.db");
    QStringList setup = kOldestShape;
    setup
        << "INSERT INTO book_novel (NovelID, NovelName, Author, ListUrl) VALUES ('000001', '书''名', '作者', "
           "'http://a/b/')"
        << "INSERT INTO book_novelcontent (NovelID, Title, ComeFrom, bIsRead) VALUES ('000001', '第一章', "
           "'http://a/b/1.htm', '1')";
    QCOMPARE(sqliteExec(path, setup), QStringList());
    Database db(path);
    QVERIFY(db.open());
    QSqlQuery q =
        db.query("SELECT n.NovelName, n.Author, n.ListUrl, c.Title, c.ComeFrom, c.bIsRead, c.Volume, "
                 "c.WordNums FROM book_novel n JOIN book_novelcontent c ON c.NovelID = n.NovelID");
    QVERIFY(q.next());
    QStringList kept;
    for (int i = 0; i < 6; ++i)
        kept << q.value(i).toString();
    QCOMPARE(kept, (QStringList{"书'名", "作者", "http://a/b/", "第一章", "http://a/b/1.htm", "1"}));
    QVERIFY(q.value(6).isNull());
    QVERIFY(q.value(7).isNull());
}

QTEST_GUILESS_MAIN(TestSchema)
#include "tst_schema.moc"
