// The bookcase without its window: finding, the book checks, batch adding, deleting books and
// categories with their files, the file check and bulk path changes, on a real library and real files.
#include "bookcase/bookcase.h"
#include "bookcase/bookcasecheckjob.h"
#include "library/urlreplace.h"
#include "storage/categorystore.h"
#include "support/rows.h"
#include "support/testlibrary.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

namespace {

// "甲'书,百分%之百": the names of the entries, by id.
QString names(const QList<BookcaseEntry>& entries) {
    QStringList list;
    for (const BookcaseEntry& e : entries)
        list << e.mc;
    return list.join(u',');
}

QString allNames(TestLibrary& lib) {
    return names(BookcaseStore(lib.db()).list());
}

// Every path of the bookcase joined, for "nothing changed".
QString allPaths(TestLibrary& lib) {
    QStringList list;
    for (const BookcaseEntry& e : BookcaseStore(lib.db()).list())
        list << e.wjlj;
    return list.join(u'|');
}

qint64 addEntry(TestLibrary& lib, const QString& name, const QString& code, const QString& path) {
    BookcaseEntry e;
    e.mc = name;
    e.lb = code;
    e.wjlj = path;
    return BookcaseStore(lib.db()).insert(e);
}

// "000001:-:3,000002:-:4": each novel with its category ("-" for none) and display order.
QString novelPlaces(TestLibrary& lib) {
    QStringList list;
    QSqlQuery q = lib.db().query(
        QStringLiteral("SELECT NovelID, ifnull(LB, '-'), Displayorder FROM book_novel ORDER BY NovelID"));
    while (q.next())
        list << q.value(0).toString() + u':' + q.value(1).toString() + u':' + q.value(2).toString();
    return list.join(u',');
}

} // namespace

class TestBookcase : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void find_data();
    void find();
    void pathsAsTheyAre_data();
    void pathsAsTheyAre();
    void check_data();
    void check();
    void batch_data();
    void batch();
    void removeWithFiles_data();
    void removeWithFiles();
    void removeCategory_data();
    void removeCategory();
    void move_data();
    void move();
    void checkJob_data();
    void checkJob();
    void replacePaths_data();
    void replacePaths();

private:
    QTemporaryDir m_home;
};

void TestBookcase::initTestCase() {
    // The trash the deleted files go to is this run's own.
    QVERIFY(m_home.isValid());
    qputenv("XDG_DATA_HOME", m_home.path().toUtf8());
}

void TestBookcase::find_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    addRow("root lists all", "", "", "甲'书,百分%之百,百分百,下_划线,下划线");
    addRow("one category", "01", "", "甲'书,百分%之百,百分百");
    addRow("quote is literal", "", "'", "甲'书");
    addRow("percent is literal", "", "%", "百分%之百");
    addRow("underscore is literal", "", "_", "下_划线");
    addRow("root find searches every category", "", "划线", "下_划线,下划线");
    addRow("category find stays in it", "01", "划线", "");
    addRow("category find", "02", "下_", "下_划线");
    addRow("unknown category", "07", "", "");
}

void TestBookcase::find() {
    QFETCH(QString, code);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    TestLibrary lib;
    CategoryStore(lib.db()).add("甲");
    CategoryStore(lib.db()).add("乙");
    addEntry(lib, "甲'书", "01", "/b/1");
    addEntry(lib, "百分%之百", "01", "/b/2");
    addEntry(lib, "百分百", "01", "/b/3");
    addEntry(lib, "下_划线", "02", "/b/4");
    addEntry(lib, "下划线", "", "/b/5");
    QCOMPARE(names(BookcaseStore(lib.db()).list(code, text)), expected);
    QVERIFY(lib.errors().isEmpty());
}

void TestBookcase::pathsAsTheyAre_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("lookalike"); // matches the path only as a wildcard would
    addRow("quote", "/书/it's/a.txt", "/书/it''s/a.txt");
    addRow("percent", "/书/100%/a.txt", "/书/100x/a.txt");
    addRow("underscore", "/书/a_b/a.txt", "/书/aXb/a.txt");
    addRow("backslash", "/书/a\\b.txt", "/书/a\\\\b.txt");
}

void TestBookcase::pathsAsTheyAre() {
    QFETCH(QString, path);
    QFETCH(QString, lookalike);
    TestLibrary lib;
    CategoryStore(lib.db()).add("甲");
    BookcaseEntry e{0, "名", "01", {}, "作者", path, "说明\n第二行"};
    const Bookcase::Result added = Bookcase(lib.context()).add(e);
    QVERIFY2(added.ok(), qPrintable(added.error));
    const std::optional<BookcaseEntry> back = BookcaseStore(lib.db()).get(added.ids.value(0));
    QVERIFY(back);
    QCOMPARE(back->wjlj, path);
    QCOMPARE(back->lbTitle, QString("甲"));
    QCOMPARE(back->sm, QString("说明\n第二行"));
    QVERIFY(BookcaseStore(lib.db()).hasPath(path));
    QVERIFY(!BookcaseStore(lib.db()).hasPath(lookalike));
    // The same file a second time is refused, a look-alike is a file of its own.
    QCOMPARE(Bookcase(lib.context()).add(e).error, QString("已有此文件路径的图书"));
    e.wjlj = lookalike;
    QVERIFY(Bookcase(lib.context()).add(e).ok());
}

void TestBookcase::check_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("editingFirst");
    QTest::addColumn<QString>("message");
    addRow("fine", "书", "/b/new", "01", false, "");
    addRow("empty name", "", "/b/new", "", false, "请在书名处输入内容");
    addRow("blank name", "  ", "/b/new", "", false, "请在书名处输入内容");
    addRow("empty path", "书", " ", "", false, "请在文件路径处输入内容");
    addRow("path of another book", "书", "/b/first", "", false, "已有此文件路径的图书");
    addRow("path of another book, spaces around", "书", " /b/first ", "", false, "已有此文件路径的图书");
    addRow("its own path when edited", "书", "/b/first", "", true, "");
    addRow("another's path when edited", "书", "/b/second", "", true, "已有此文件路径的图书");
    addRow("unknown category", "书", "/b/new", "07", false, "没有这个分类：07");
    addRow("unknown category when edited", "书", "/b/first", "07", true, "没有这个分类：07");
    addRow("a category gone under the book", "书", "/b/first", "09", true, "");
}

void TestBookcase::check() {
    QFETCH(QString, name);
    QFETCH(QString, path);
    QFETCH(QString, code);
    QFETCH(bool, editingFirst);
    QFETCH(QString, message);
    TestLibrary lib;
    CategoryStore(lib.db()).add("甲");
    const qint64 first = addEntry(lib, "一", "09", "/b/first");
    addEntry(lib, "二", "", "/b/second");
    const BookcaseEntry entry{editingFirst ? first : 0, name, code, {}, {}, path, {}};
    const Bookcase bookcase(lib.context());
    QCOMPARE(bookcase.check(entry), message);
    const Bookcase::Result result = editingFirst ? bookcase.edit(entry) : bookcase.add(entry);
    QCOMPARE(result.error, message);
    // A refused book changes nothing; a good one is stored trimmed.
    if (!message.isEmpty())
        QCOMPARE(allPaths(lib), QString("/b/first|/b/second"));
    else
        QCOMPARE(BookcaseStore(lib.db()).get(result.ids.value(0))->wjlj, path.trimmed());
}

void TestBookcase::batch_data() {
    QTest::addColumn<QStringList>("files"); // name=path
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("after"); // names after the batch ran twice
    addRow("new files", QStringList{"甲=/b/a.txt", "乙=/b/b.chm"}, "", "旧,甲,乙");
    addRow("one file twice in a batch", QStringList{"甲=/b/a.txt", "甲二=/b/a.txt"}, "", "旧,甲");
    addRow("a file already there", QStringList{"旧二=/b/old.txt", "乙=/b/b.chm"}, "", "旧,乙");
    addRow("quote and percent", QStringList{"甲=/b/it's.txt", "乙=/b/100%.txt"}, "", "旧,甲,乙");
    addRow("nothing", QStringList{}, "没有新增的图书。", "旧");
    addRow("a row without a name", QStringList{"甲=/b/a.txt", " =/b/b.txt"}, "图书名称不能为空。", "旧");
}

void TestBookcase::batch() {
    QFETCH(QStringList, files);
    QFETCH(QString, error);
    QFETCH(QString, after);
    TestLibrary lib;
    CategoryStore(lib.db()).add("甲");
    addEntry(lib, "旧", "", "/b/old.txt");
    QList<Bookcase::BatchRow> rows;
    for (const QString& f : files)
        rows.append({f.section(u'=', 0, 0), f.section(u'=', 1)});
    const Bookcase bookcase(lib.context());
    QCOMPARE(bookcase.addBatch(rows, "01").error, error);
    const Bookcase::Result again = bookcase.addBatch(rows, "01");
    QCOMPARE(again.error, error);
    QVERIFY(again.ids.isEmpty());
    QCOMPARE(allNames(lib), after);
    for (const BookcaseEntry& e : BookcaseStore(lib.db()).list("01"))
        QCOMPARE(e.lbTitle, QString("甲"));
}

void TestBookcase::removeWithFiles_data() {
    QTest::addColumn<QString>("which");
    QTest::addColumn<bool>("deleteFiles");
    QTest::addColumn<bool>("fileStays");
    QTest::addColumn<bool>("inTrash");
    addRow("a book's file goes to the trash", "plain", true, false, true);
    addRow("a book's file stays without the option", "plain", false, true, false);
    addRow("a novel's contents page stays", "novel", true, true, false);
    addRow("a deleted novel's page is a file like any other", "gone novel", true, false, true);
    addRow("a missing file is ignored", "missing", true, false, false);
}

void TestBookcase::removeWithFiles() {
    QFETCH(QString, which);
    QFETCH(bool, deleteFiles);
    QFETCH(bool, fileStays);
    QFETCH(bool, inTrash);
    TestLibrary lib;
    const QString novel = lib.addNovel("小说");
    QString path = lib.path() + "/books/" + which + "'s 100%.txt";
    if (which == QLatin1String("novel"))
        path = lib.context().folder().novelListPage(novel);
    else if (which == QLatin1String("gone novel"))
        path = lib.context().folder().novelListPage("000042");
    if (which != QLatin1String("missing"))
        QVERIFY(writeFile(path, "book"));
    const qint64 id = addEntry(lib, which, "", path);
    const qint64 other = addEntry(lib, "other", "", lib.path() + "/books/other.txt");
    QVERIFY(writeFile(lib.path() + "/books/other.txt", "other"));

    const Bookcase::Result result = Bookcase(lib.context()).remove({id}, deleteFiles);
    QVERIFY2(result.ok(), qPrintable(result.error));
    QCOMPARE(result.ids, QList<qint64>{id});
    QCOMPARE(allNames(lib), QString("other"));
    QCOMPARE(QFile::exists(path), fileStays);
    const QString trashed = m_home.path() + "/Trash/files/" + QFileInfo(path).fileName();
    QCOMPARE(QFile::exists(trashed), inTrash);
    QCOMPARE(result.files.trashed.size(), inTrash ? 1 : 0);
    QVERIFY(result.files.removed.isEmpty() && result.files.failed.isEmpty());
    QCOMPARE(result.files.kept.size(), which == QLatin1String("novel") ? 1 : 0);
    QVERIFY(QFile::exists(lib.path() + "/books/other.txt"));
    QVERIFY(BookcaseStore(lib.db()).get(other));
    QFile::remove(trashed);
}

void TestBookcase::removeCategory_data() {
    QTest::addColumn<bool>("deleteFiles");
    QTest::addColumn<QString>("failingTrigger"); // a statement of the delete made to fail
    addRow("entries only", false, "");
    addRow("with files", true, "");
    addRow("moving a novel fails", true, "BEFORE UPDATE OF LB ON book_novel");
    addRow("deleting the category fails", true, "BEFORE DELETE ON dic_noveltype");
}

void TestBookcase::removeCategory() {
    QFETCH(bool, deleteFiles);
    QFETCH(QString, failingTrigger);
    TestLibrary lib;
    CategoryStore(lib.db()).add("甲");
    CategoryStore(lib.db()).add("乙");
    lib.addNovel("无类", "", 3);
    const QString first = lib.addNovel("甲一", "01", 2);
    const QString second = lib.addNovel("甲二", "01", 1);
    lib.addNovel("乙一", "02", 1);
    const LibraryFolder& folder = lib.context().folder();
    for (const QString& id : {first, second}) {
        QVERIFY(BookcaseStore(lib.db()).registerEntry(id, "01", {}, folder.novelListPage(id)));
        QVERIFY(writeFile(folder.novelListPage(id), "list"));
    }
    const QString book = lib.path() + "/books/甲's.txt";
    QVERIFY(writeFile(book, "book"));
    const qint64 bookId = addEntry(lib, "书", "01", book);
    addEntry(lib, "乙书", "02", lib.path() + "/books/乙.txt");
    const QString placesBefore = novelPlaces(lib);
    QCOMPARE(placesBefore, QString("000001:-:3,000002:01:2,000003:01:1,000004:02:1"));

    if (!failingTrigger.isEmpty())
        QVERIFY(lib.db().exec("CREATE TEMP TRIGGER fail " + failingTrigger +
                              " BEGIN SELECT RAISE(ABORT, 'x'); END"));
    const Bookcase::Result result = Bookcase(lib.context()).removeCategory("01", deleteFiles);

    if (!failingTrigger.isEmpty()) {
        QCOMPARE(result.error, QString("删除分类失败"));
        QCOMPARE(novelPlaces(lib), placesBefore);
        QCOMPARE(CategoryStore(lib.db()).nameOf("01"), QString("甲"));
        QCOMPARE(names(BookcaseStore(lib.db()).list("01")), first + u',' + second + QString(",书"));
        QVERIFY(QFile::exists(book));
        return;
    }
    QVERIFY2(result.ok(), qPrintable(result.error));
    QCOMPARE(result.ids, QList<qint64>{bookId});
    // The novels stay, after the one without a category, in their order.
    QCOMPARE(novelPlaces(lib), QString("000001:-:3,000002:-:5,000003:-:4,000004:02:1"));
    QVERIFY(CategoryStore(lib.db()).nameOf("01").isEmpty());
    QCOMPARE(allNames(lib), first + u',' + second + QString(",乙书"));
    QVERIFY(BookcaseStore(lib.db()).list("01").isEmpty());
    QCOMPARE(QFile::exists(book), !deleteFiles);
    QVERIFY(QFile::exists(folder.novelListPage(first)) && QFile::exists(folder.novelListPage(second)));
    QCOMPARE(result.files.trashed, deleteFiles ? QStringList{book} : QStringList{});
    QFile::remove(m_home.path() + "/Trash/files/甲's.txt");
}

void TestBookcase::move_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("inTarget");
    addRow("into a category", "02", "", "一,二");
    addRow("onto the root", "", "请拖到相应的分类处", "");
    addRow("an unknown category", "07", "没有这个分类：07", "");
}

void TestBookcase::move() {
    QFETCH(QString, code);
    QFETCH(QString, error);
    QFETCH(QString, inTarget);
    TestLibrary lib;
    CategoryStore(lib.db()).add("甲");
    CategoryStore(lib.db()).add("乙");
    const qint64 a = addEntry(lib, "一", "01", "/b/1");
    const qint64 b = addEntry(lib, "二", "", "/b/2");
    addEntry(lib, "三", "01", "/b/3");
    QCOMPARE(Bookcase(lib.context()).move({a, b}, code).error, error);
    QCOMPARE(names(BookcaseStore(lib.db()).list("02")), inTarget);
    QCOMPARE(names(BookcaseStore(lib.db()).list("01")), error.isEmpty() ? QString("三") : QString("一,三"));
}

void TestBookcase::checkJob_data() {
    QTest::addColumn<QStringList>("files"); // "+name": there, "-name": missing, "": no path
    QTest::addColumn<bool>("stopFirst");
    QTest::addColumn<QList<int>>("missing"); // positions in the list
    addRow("all there", QStringList{"+a", "+b's"}, false, QList<int>{});
    addRow("some missing", QStringList{"+a", "-b", "+c", "-d%"}, false, QList<int>{1, 3});
    addRow("an empty path", QStringList{"+a", ""}, false, QList<int>{1});
    addRow("a folder counts as there", QStringList{"+a", "+."}, false, QList<int>{});
    addRow("stopped", QStringList{"-a", "-b"}, true, QList<int>{});
}

void TestBookcase::checkJob() {
    QFETCH(QStringList, files);
    QFETCH(bool, stopFirst);
    QFETCH(QList<int>, missing);
    QTemporaryDir dir;
    QList<BookcaseEntry> entries;
    for (int i = 0; i < files.size(); ++i) {
        const QString f = files.at(i);
        const QString path = f.isEmpty() ? QString() : dir.path() + u'/' + f.mid(1);
        if (f.startsWith(u'+') && f != QLatin1String("+."))
            QVERIFY(writeFile(path, "x"));
        entries.append({100 + i, f, {}, {}, {}, path, {}});
    }
    BookcaseCheckJob job(entries);
    QSignalSpy progress(&job, &Job::progressChanged);
    if (stopFirst)
        job.requestStop();
    job.runHere();
    QList<qint64> expected;
    for (const int i : missing)
        expected << 100 + i;
    QCOMPARE(job.missing(), expected);
    QCOMPARE(job.completed(), !stopFirst);
    if (!stopFirst) {
        QCOMPARE(progress.size(), files.size() + 1);
        QCOMPARE(progress.last().at(0).toInt(), int(files.size()));
    }
    QCOMPARE(
        Bookcase::checkMessage(int(expected.size())),
        expected.isEmpty()
            ? QString("图书和存放路径完全一致")
            : QString("有%1本图书和存放路径不相一致，已用红色标注出，是否删除这些图书").arg(expected.size()));
}

void TestBookcase::replacePaths_data() {
    QTest::addColumn<QStringList>("paths");
    QTest::addColumn<QList<int>>("chosen");
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<int>("changed");
    QTest::addColumn<QString>("after"); // "" for unchanged
    addRow("plain", QStringList{"/old/a", "/old/b", "/old/c"}, QList<int>{0, 1}, "/old/", "/new/", 2,
           "/new/a|/new/b|/old/c");
    addRow("case matters", QStringList{"/Old/a", "/old/b"}, QList<int>{0, 1}, "/old/", "/new/", 1,
           "/Old/a|/new/b");
    addRow("onto an entry left alone", QStringList{"/old/a", "/new/a", "/old/b"}, QList<int>{0, 2}, "/old/",
           "/new/", -1, "");
    addRow("two chosen onto one path", QStringList{"/x/a", "/y/a"}, QList<int>{0, 1}, "/x/", "/y/", -1, "");
    addRow("onto a path the other gives up", QStringList{"/x/1", "/x/x/1"}, QList<int>{0, 1}, "/x/", "/", 2,
           "/1|/x/1");
    addRow("quote and percent", QStringList{"/a'b/%1", "/c"}, QList<int>{0}, "'b/%", "_", 1, "/a_1|/c");
}

void TestBookcase::replacePaths() {
    QFETCH(QStringList, paths);
    QFETCH(QList<int>, chosen);
    QFETCH(QString, find);
    QFETCH(QString, replacement);
    QFETCH(int, changed);
    QFETCH(QString, after);
    TestLibrary lib;
    QList<qint64> ids;
    for (const QString& p : paths)
        ids << addEntry(lib, "书", "", p);
    QList<qint64> chosenIds;
    for (const int i : chosen)
        chosenIds << ids.at(i);
    const QString before = allPaths(lib);
    QString error;
    QCOMPARE(UrlReplace::replaceInBookcasePaths(lib.db(), chosenIds, find, replacement, &error), changed);
    QCOMPARE(error, changed < 0 ? QString("已有此文件路径的图书") : QString());
    QCOMPARE(allPaths(lib), after.isEmpty() ? before : after);
}

QTEST_GUILESS_MAIN(TestBookcase)
#include "tst_bookcase.moc"
