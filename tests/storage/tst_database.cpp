// The database layer and the store classes: ordering numbers, keys, quoting, Null handling,
// category code swaps and failure reporting.
#include "storage/bookcasestore.h"
#include "storage/categorystore.h"
#include "storage/chapterstore.h"
#include "storage/dbvalue.h"
#include "storage/novelstore.h"
#include "storage/schema.h"
#include "support/rows.h"
#include "support/testlibrary.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

class TestDatabase : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void nextNovelId_data();
    void nextNovelId();
    void novelOrderPerCategory();
    void chapterOrders();
    void quotesRoundTrip_data();
    void quotesRoundTrip();
    void insertNovelStoresEmptyAsNull();
    void loadNovelDerivesAddresses_data();
    void loadNovelDerivesAddresses();
    void updateMarkersEmptyAsNull();
    void insertChapterDefaults();
    void insertManyChapters();
    void swapCategoryCodes_data();
    void swapCategoryCodes();
    void categoryAdd_data();
    void categoryAdd();
    void categoryCodeAfter99();
    void categoryRename();
    void bookcaseRegistration();
    void valueOrDefault_data();
    void valueOrDefault();
    void failedStatementIsReported();
    void lostConnectionMessage_data();
    void lostConnectionMessage();
    void openRefusesNonDatabase_data();
    void openRefusesNonDatabase();
    void listTablesAndOnDemandTables();
    void nestedTransactionRollsBackInner();
    void workerThreadHasOwnConnection();
};

void TestDatabase::nextNovelId_data() {
    columns<QString, QString>("existing", "expected");
    addRow("empty table", QString(), "000001");
    addRow("after 9", "000009", "000010");
    addRow("after 99999", "099999", "100000");
    addRow("last key", "999998", "999999");
    addRow("key space ends", "999999", QString());
}

void TestDatabase::nextNovelId() {
    const auto [existing, expected] = fetch<QString, QString>("existing", "expected");
    TestLibrary lib;
    if (!existing.isEmpty()) {
        QVERIFY(lib.db().exec("INSERT INTO book_novel (NovelID, NovelName) VALUES ('000002', 'a')"));
        QVERIFY(lib.db().exec("INSERT INTO book_novel (NovelID, NovelName) VALUES (?, 'b')", {existing}));
    }
    QCOMPARE(NovelStore(lib.db()).nextNovelId(), expected);
}

void TestDatabase::novelOrderPerCategory() {
    TestLibrary lib;
    NovelStore novels(lib.db());
    QCOMPARE(novels.nextNovelOrder("01"), 1);
    QCOMPARE(novels.nextNovelOrder(QString()), 1);

    lib.addNovel("a", "01");
    lib.addNovel("b", "01");
    lib.addNovel("c", "02");
    lib.db().exec("UPDATE book_novel SET Displayorder=7 WHERE NovelName='c'");
    lib.addNovel("d");

    QCOMPARE(novels.nextNovelOrder("01"), 3);
    QCOMPARE(novels.nextNovelOrder("02"), 8);
    QCOMPARE(novels.nextNovelOrder("05"), 1);
    // An empty code takes the maximum over all novels...
    QCOMPARE(novels.nextNovelOrder(QString()), 9);
    // ...but within "no category" only those without one count.
    QCOMPARE(novels.nextNovelOrderInCategory(QString()), 9);
    lib.db().exec("UPDATE book_novel SET Displayorder=2 WHERE NovelName='d'");
    QCOMPARE(novels.nextNovelOrderInCategory(QString()), 3);
    QCOMPARE(novels.nextNovelOrderInCategory("02"), 8);
}

void TestDatabase::chapterOrders() {
    TestLibrary lib;
    ChapterStore chapters(lib.db());
    const QString a = lib.addNovel("a");
    const QString b = lib.addNovel("b");
    QCOMPARE(chapters.nextChapterOrder(a), 1);
    QCOMPARE(chapters.maxChapterOrder(a), 0);
    QCOMPARE(chapters.chapterOrderBySource("http://x/1.html", a), 0);

    lib.addChapter(a, "one", false, "http://x/1.html");
    const qint64 two = lib.addChapter(a, "two", false, "http://x/2.html");
    lib.addChapter(b, "other", false, "http://x/1.html");
    lib.db().exec("UPDATE book_novelcontent SET Displayorder=10, Volume='卷一' WHERE id=?", {two});

    QCOMPARE(chapters.nextChapterOrder(a), 11);
    QCOMPARE(chapters.maxChapterOrder(a), 10);
    QCOMPARE(chapters.nextChapterOrder(b), 2);
    QCOMPARE(chapters.chapterOrderBySource("http://x/2.html", a), 10);
    QCOMPARE(chapters.chapterOrderBySource("http://x/2.html", b), 0);
    QCOMPARE(chapters.chapterOrder(9999), 0);
    QCOMPARE(chapters.maxVolumeOrder("卷一"), 10);
    QCOMPARE(chapters.maxVolumeOrder("卷二"), 0);
}

void TestDatabase::quotesRoundTrip_data() {
    QTest::addColumn<QString>("value");
    addRow("apostrophe", "it's");
    addRow("doubled", "a''b");
    addRow("sql-looking", "x'; DROP TABLE book_novel; --");
    addRow("chinese and quotes", "斗破'苍穹\"第一部\"");
    addRow("backslash", "C:\\novels\\");
}

void TestDatabase::quotesRoundTrip() {
    QFETCH(QString, value);
    TestLibrary lib;
    const QString id = lib.addNovel(value, "01");
    NovelStore novels(lib.db());
    QCOMPARE(novels.novelName(id), value);
    QVERIFY(novels.nameExists(value));
    QVERIFY(!novels.nameExists(value, id));

    CategoryStore categories(lib.db());
    const CategoryStore::Result added = categories.add(value);
    QVERIFY2(added.ok(), qPrintable(added.error));
    QCOMPARE(categories.codeOf(value), added.code);
    QCOMPARE(categories.nameOf(added.code), value);
    QVERIFY(lib.errors().isEmpty());
}

void TestDatabase::insertNovelStoresEmptyAsNull() {
    TestLibrary lib;
    NovelStore novels(lib.db());
    NovelRecord record;
    record.novelId = novels.nextNovelId();
    record.novelName = "书";
    record.listUrl = "http://a.test/b/";
    record.author = "某人";
    QVERIFY(novels.insertNovel(record));
    QCOMPARE(record.displayorder, 1);

    const QString path = lib.db().path();
    QCOMPARE(sqliteScalar(path,
                          "SELECT count(*) FROM book_novel WHERE Author='某人' AND bIsEnd IS NULL AND "
                          "ListStart IS NULL AND ContentEnd IS NULL AND NeedDelStr IS NULL AND LB IS NULL "
                          "AND Brief IS NULL AND BookImg IS NULL AND ListUrl='http://a.test/b/'")
                 .toInt(),
             1);
}

void TestDatabase::loadNovelDerivesAddresses_data() {
    columns<QString, QString, QString>("listUrl", "folder", "root");
    addRow("page", "http://www.a.com/book/12/index.html", "http://www.a.com/book/12", "http://www.a.com/");
    addRow("folder with slash", "http://www.a.com/book/12/", "http://www.a.com/book/12", "http://www.a.com/");
    addRow("folder without slash", "http://www.a.com/book/12", "http://www.a.com/book/12",
           "http://www.a.com/");
    addRow("query page", "http://a.com/book?id=3", "http://a.com/book?id=3", "http://a.com/");
    addRow("bare host", "http://www.a.com", "http://www.a.com", "http://www.a.com/");
    addRow("https keeps scheme", "https://a.com/b/c.htm", "https://a.com/b", "https://a.com/");
}

void TestDatabase::loadNovelDerivesAddresses() {
    const auto [listUrl, folder, root] = fetch<QString, QString, QString>("listUrl", "folder", "root");
    TestLibrary lib;
    const QString id = lib.addNovel("n");
    lib.db().exec("UPDATE book_novel SET ListUrl=?, Brief='简介' WHERE NovelID=?", {listUrl, id});
    const std::optional<NovelRecord> record = NovelStore(lib.db()).loadNovel(id);
    QVERIFY(record);
    QCOMPARE(record->listUrl, listUrl);
    QCOMPARE(record->listFolder, folder);
    QCOMPARE(record->siteRoot, root);
    QCOMPARE(record->brief, QString("简介"));
    QVERIFY(!NovelStore(lib.db()).loadNovel("999999"));
}

void TestDatabase::updateMarkersEmptyAsNull() {
    TestLibrary lib;
    const QString id = lib.addNovel("n");
    NovelMarkers markers;
    markers.listStart = "<div id='list'>";
    markers.contentEnd = "</div>";
    markers.needDelStr = "广告||[[<script.*?</script>]]";
    QVERIFY(NovelStore(lib.db()).updateNovelMarkers(id, markers));
    const QString path = lib.db().path();
    QCOMPARE(sqliteScalar(path, "SELECT count(*) FROM book_novel WHERE ListStart='<div id=''list''>' AND "
                                "ListEnd IS NULL AND VolumeStart IS NULL AND VolumeEnd IS NULL AND "
                                "ContentStart IS NULL AND ContentEnd='</div>' AND NeedDelStr LIKE '广告||%'")
                 .toInt(),
             1);
    const std::optional<NovelRecord> loaded = NovelStore(lib.db()).loadNovel(id);
    QCOMPARE(loaded->listStart, markers.listStart);
    QCOMPARE(loaded->needDelStr, markers.needDelStr);
    QCOMPARE(loaded->listEnd, QString());
}

void TestDatabase::insertChapterDefaults() {
    TestLibrary lib;
    const QString novel = lib.addNovel("n");
    ChapterStore chapters(lib.db());
    ChapterRecord waiting{novel, "第一章", "http://x/1.htm", QString(), 1, std::nullopt};
    const qint64 first = chapters.insertChapter(waiting);
    ChapterRecord done{novel, "第二章", "http://x/2.htm", "卷一", 2, 0};
    const qint64 second = chapters.insertChapter(done);
    QVERIFY(first > 0);
    QCOMPARE(second, first + 1);

    QSqlQuery q = lib.db().query("SELECT bIsRead, WordNums IS NULL, Volume IS NULL, DownDate, DownTime "
                                 "FROM book_novelcontent ORDER BY id");
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString(), QString("0"));
    QCOMPARE(q.value(1).toInt(), 1); // waiting: no count yet
    QCOMPARE(q.value(2).toInt(), 1);
    QCOMPARE(q.value(3).toString(), QDate::currentDate().toString("yyyy-MM-dd"));
    QVERIFY(QTime::fromString(q.value(4).toString(), "HH:mm:ss").isValid());
    QVERIFY(q.next());
    QCOMPARE(q.value(1).toInt(), 0); // failed download: 0, not Null
    QCOMPARE(q.value(2).toInt(), 0);
}

// Many rows through one prepared statement: values rebound each time (an empty text stays text, a
// missing one Null), ids in order; a failing row stops the run.
void TestDatabase::insertManyChapters() {
    TestLibrary lib;
    const QString novel = lib.addNovel("n");
    ChapterStore chapters(lib.db());
    const QList<ChapterRecord> records{{novel, "第一章", "http://x/1.htm", "卷一", 1, std::nullopt},
                                       {novel, QString(), "http://x/2.htm", QString(), 2, 12},
                                       {novel, "第三章", "http://x/3.htm", "卷二", 3, std::nullopt}};
    const QList<qint64> ids = chapters.insertChapters(records);
    QCOMPARE(ids.size(), 3);
    QCOMPARE(ids.at(1), ids.at(0) + 1);
    QCOMPARE(ids.at(2), ids.at(0) + 2);
    QSqlQuery q =
        lib.db().query("SELECT Title, Title IS NULL, Volume, WordNums FROM book_novelcontent ORDER BY id");
    QStringList rows;
    while (q.next())
        rows << QStringLiteral("%1|%2|%3|%4")
                    .arg(q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                         q.value(3).isNull() ? QStringLiteral("null") : q.value(3).toString());
    QCOMPARE(rows, (QStringList{"第一章|0|卷一|null", "|0||12", "第三章|0|卷二|null"}));

    // Outside a transaction each row stands on its own: the two before the failing one stay, the
    // one after it is never run.
    QVERIFY(!lib.db().execEach("INSERT INTO dic_noveltype (DM, MC) VALUES (?, ?)",
                               {{"50", "甲"}, {"51", "乙"}, {"50", "重复"}, {"52", "丙"}}));
    QCOMPARE(lib.db().scalar("SELECT group_concat(DM) FROM dic_noveltype WHERE DM >= '50'").toString(),
             QStringLiteral("50,51"));
    QCOMPARE(lib.errors().size(), 1);
}

void TestDatabase::swapCategoryCodes_data() {
    QTest::addColumn<bool>("refused");
    addRow("swapped", false);
    // The last table of the swap refuses: nothing of the swap may remain.
    addRow("last table refuses", true);
}

void TestDatabase::swapCategoryCodes() {
    QFETCH(bool, refused);
    TestLibrary lib;
    CategoryStore categories(lib.db());
    QCOMPARE(categories.add("玄幻").code, QString("01"));
    QCOMPARE(categories.add("武侠").code, QString("02"));
    lib.addNovel("a1", "01");
    lib.addNovel("a2", "01");
    lib.addNovel("b1", "02");
    BookcaseStore(lib.db()).registerEntry("a1", "01", "", "/x/a1/List.htm");
    BookcaseStore(lib.db()).registerEntry("b1", "02", "", "/x/b1/List.htm");
    if (refused)
        QVERIFY(lib.db().exec("CREATE TRIGGER refuse BEFORE UPDATE ON pri_mynovel BEGIN "
                              "SELECT RAISE(ABORT, 'refused'); END"));

    QCOMPARE(categories.swapCodes("01", "02"), !refused);
    QCOMPARE(lib.errors().isEmpty(), !refused);
    const QString a = refused ? "01" : "02"; // where the first category's books are now
    const QString b = refused ? "02" : "01";
    QCOMPARE(categories.nameOf(a), QString("玄幻"));
    QCOMPARE(categories.nameOf(b), QString("武侠"));
    // The names filed under a code, in order.
    const auto filed = [&](const QString& table, const QString& column, const QString& code) {
        return sqliteScalar(lib.db().path(), QString("SELECT group_concat(%2) FROM (SELECT %2 FROM %1 WHERE "
                                                     "LB='%3' ORDER BY %2)")
                                                 .arg(table, column, code))
            .toString();
    };
    QCOMPARE(filed("book_novel", "NovelName", a), QString("a1,a2"));
    QCOMPARE(filed("book_novel", "NovelName", b), QString("b1"));
    QCOMPARE(filed("pri_mynovel", "MC", a), QString("a1"));
    QCOMPARE(filed("pri_mynovel", "MC", b), QString("b1"));
    QCOMPARE(sqliteScalar(lib.db().path(),
                          "SELECT (SELECT count(*) FROM dic_noveltype WHERE DM='ZZ') + (SELECT count(*) "
                          "FROM book_novel WHERE LB='ZZ') + (SELECT count(*) FROM pri_mynovel WHERE LB='ZZ')")
                 .toInt(),
             0);
}

void TestDatabase::categoryAdd_data() {
    columns<QStringList, QString, QString, QString>("existing", "name", "code", "error");
    addRow("first", QStringList(), "玄幻", "01", QString());
    addRow("after gap", QStringList{"01:a", "05:b"}, "c", "06", QString());
    addRow("two digits", QStringList{"09:a"}, "c", "10", QString());
    addRow("99 wraps to 00", QStringList{"99:a"}, "c", "00", QString());
    addRow("empty name", QStringList(), "  ", QString(), "分类名称不能为空");
    addRow("duplicate", QStringList{"01:玄幻"}, "玄幻", QString(), "已有同名的分类名称，请重新输入");
    addRow("duplicate after trim", QStringList{"01:玄幻"}, " 玄幻 ", QString(),
           "已有同名的分类名称，请重新输入");
}

void TestDatabase::categoryAdd() {
    const auto [existing, name, code, error] =
        fetch<QStringList, QString, QString, QString>("existing", "name", "code", "error");
    TestLibrary lib;
    for (const QString& entry : existing)
        lib.db().exec("INSERT INTO dic_noveltype (DM, MC) VALUES (?, ?)",
                      {entry.section(':', 0, 0), entry.section(':', 1)});
    const CategoryStore::Result result = CategoryStore(lib.db()).add(name);
    QCOMPARE(result.error, error);
    if (error.isEmpty()) {
        QCOMPARE(result.code, code);
        QCOMPARE(CategoryStore(lib.db()).nameOf(code), name.trimmed());
    }
    QCOMPARE(CategoryStore(lib.db()).list().size(), existing.size() + (error.isEmpty() ? 1 : 0));
}

void TestDatabase::categoryCodeAfter99() {
    // "00" after "99" must not give two categories one code.
    TestLibrary lib;
    lib.db().exec("INSERT INTO dic_noveltype (DM, MC) VALUES ('00', 'zero'), ('01', 'one'), ('99', 'last')");
    CategoryStore categories(lib.db());
    QCOMPARE(categories.add("next").code, QString("02"));
    for (int n = 3; n <= 98; ++n)
        QVERIFY(categories.add(QString::number(n)).ok());
    const CategoryStore::Result full = categories.add("one too many");
    QVERIFY(!full.ok());
    QCOMPARE(categories.list().size(), 100);
}

void TestDatabase::categoryRename() {
    TestLibrary lib;
    CategoryStore categories(lib.db());
    categories.add("玄幻");
    categories.add("武侠");
    QVERIFY(categories.rename("01", "玄幻").ok()); // its own name is not a duplicate
    QCOMPARE(categories.rename("01", "武侠").error, QString("已有同名的分类名称，请重新输入"));
    QVERIFY(categories.rename("01", "奇幻").ok());
    QCOMPARE(categories.nameOf("01"), QString("奇幻"));
}

void TestDatabase::bookcaseRegistration() {
    TestLibrary lib;
    BookcaseStore bookcase(lib.db());
    const QString path = lib.context().folder().novelListPage("000001");
    QVERIFY(bookcase.registerEntry("书'名", QString(), "作者", path));
    QVERIFY(bookcase.registerEntry("新书名", "03", "新作者", path));
    QCOMPARE(bookcase.count(), 1);
    QSqlQuery q = lib.db().query("SELECT MC, LB IS NULL, ZZ FROM pri_mynovel WHERE WJLJ=?", {path});
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString(), QString("新书名"));
    QCOMPARE(q.value(1).toInt(), 1); // the category is kept from the first registration
    QCOMPARE(q.value(2).toString(), QString("新作者"));
}

void TestDatabase::valueOrDefault_data() {
    columns<QVariant, QString, QVariant>("value", "type", "expected");
    addRow("int null", QVariant(), "int", QVariant(0));
    addRow("smallint value", QVariant(7), "SmallInt", QVariant(7));
    addRow("varchar null", QVariant(), "varchar", QVariant(QString()));
    addRow("ntext value", QVariant("字"), "ntext", QVariant("字"));
    addRow("datetime null", QVariant(), "datetime", QVariant(QString()));
    addRow("bit null", QVariant(), "bit", QVariant(0));
    addRow("bit true", QVariant(true), "bit", QVariant(1));
    addRow("bit false", QVariant(false), "BIT", QVariant(0));
    addRow("unknown kind", QVariant(5), "blob", QVariant());
}

void TestDatabase::valueOrDefault() {
    const auto [value, type, expected] = fetch<QVariant, QString, QVariant>("value", "type", "expected");
    const QVariant result = ::valueOrDefault(value, type);
    QCOMPARE(result.isValid(), expected.isValid());
    if (expected.isValid())
        QCOMPARE(result.toString(), expected.toString());
}

void TestDatabase::failedStatementIsReported() {
    TestLibrary lib;
    QSqlQuery q = lib.db().query("SELECT x FROM no_such_table");
    QVERIFY(!q.next()); // the caller carries on with an empty result
    QCOMPARE(lib.errors().size(), 1);
    QVERIFY2(lib.errors().first().contains("no_such_table"), qPrintable(lib.errors().first()));
    QVERIFY(!lib.db().exec("INSERT INTO dic_noveltype (DM, MC) VALUES ('01', 'a'), ('01', 'b')"));
    QCOMPARE(lib.errors().size(), 2);
    QCOMPARE(lib.db().scalar("SELECT count(*) FROM dic_noveltype").toInt(), 0);
}

void TestDatabase::lostConnectionMessage_data() {
    columns<QString, int, bool>("nativeCode", "type", "lost");
    addRow("io error", "10", int(QSqlError::StatementError), true);
    addRow("extended io error", QString::number(10 | (4 << 8)), int(QSqlError::StatementError), true);
    addRow("cannot open", "14", int(QSqlError::StatementError), true);
    addRow("not a database", "26", int(QSqlError::StatementError), true);
    addRow("connection error", QString(), int(QSqlError::ConnectionError), true);
    addRow("syntax", "1", int(QSqlError::StatementError), false);
}

void TestDatabase::lostConnectionMessage() {
    const auto [nativeCode, type, lost] = fetch<QString, int, bool>("nativeCode", "type", "lost");
    const QSqlError error("driver says", "database says", QSqlError::ErrorType(type), nativeCode);
    QCOMPARE(Database::messageFor(error),
             lost ? QString("数据库连接中断，请检查！") : QString("database says"));
}

void TestDatabase::openRefusesNonDatabase_data() {
    columns<QByteArray, bool>("content", "directory");
    addRow("text file", QByteArray("this is not a database, just some text that is long enough...."), false);
    addRow("old access file", QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 19) + QByteArray(4096, 'x'),
           false);
    addRow("directory", QByteArray(), true);
}

void TestDatabase::openRefusesNonDatabase() {
    const auto [content, directory] = fetch<QByteArray, bool>("content", "directory");
    QTemporaryDir dir;
    const QString path = dir.filePath("pim.db");
    if (directory) {
        QVERIFY(QDir().mkpath(path));
    } else {
        QVERIFY(writeFile(path, content));
    }
    LibraryContext context(dir.path());
    QString error;
    QVERIFY(!context.open(&error));
    QCOMPARE(error, QString("数据库连接不成功，请查看\"使用说明\"-\"常见问题\"。"));
}

void TestDatabase::listTablesAndOnDemandTables() {
    TestLibrary lib;
    QStringList tables = Schema::listTables(lib.db());
    QCOMPARE(tables, (QStringList{"book_novel", "book_novelcontent", "dic_noveltype", "pri_mynovel"}));
    QVERIFY(!Schema::hasTable(lib.db(), "BOOK_WRITER"));
    QVERIFY(Schema::ensureWriterTable(lib.db()));
    QVERIFY(Schema::ensureShowTopTable(lib.db()));
    QVERIFY(Schema::ensureWriterTable(lib.db())); // a second time is harmless
    QVERIFY(Schema::hasTable(lib.db(), "book_showtop"));
    QCOMPARE(Schema::columnsOf(lib.db(), "book_Writer"),
             (QStringList{"id", "novelid", "topid", "displayorder", "title", "itype", "url", "remark"}));
    QVERIFY(lib.db().exec(
        "INSERT INTO book_showtop (theType, displayorder, Name, url) VALUES ('01', 1, 'a', 'b')"));
    QCOMPARE(lib.db().scalar("SELECT id FROM book_showtop").toInt(), 1);
}

void TestDatabase::nestedTransactionRollsBackInner() {
    TestLibrary lib;
    const bool outer = lib.db().transaction([&] {
        lib.db().exec("INSERT INTO dic_noveltype (DM, MC) VALUES ('01', 'kept')");
        const bool inner = lib.db().transaction([&] {
            lib.db().exec("INSERT INTO dic_noveltype (DM, MC) VALUES ('02', 'dropped')");
            return false;
        });
        return !inner;
    });
    QVERIFY(outer);
    QCOMPARE(CategoryStore(lib.db()).list().size(), 1);
    QCOMPARE(CategoryStore(lib.db()).nameOf("01"), QString("kept"));
}

void TestDatabase::workerThreadHasOwnConnection() {
    TestLibrary lib;
    const QString novel = lib.addNovel("n");
    qint64 idFromWorker = -1;
    QString connectionOnWorker;
    QThread* worker = QThread::create([&] {
        ChapterRecord record{novel, "来自后台", "http://x/9.htm", QString(), 1, 10};
        idFromWorker = ChapterStore(lib.db()).insertChapter(record);
        connectionOnWorker = lib.db().connection().connectionName();
        lib.db().releaseThreadConnection();
    });
    worker->start();
    QVERIFY(worker->wait(10000));
    delete worker;
    QVERIFY(idFromWorker > 0);
    QVERIFY(connectionOnWorker != lib.db().connection().connectionName());
    QCOMPARE(ChapterStore(lib.db()).chapterOrderBySource("http://x/9.htm", novel), 1);
}

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
