// The bookcase without its window: finding, the book checks, batch adding, deleting books and
// categories with their files, the file check and bulk path changes, on a real library and real files.
#include "bookcase/bookcase.h"
#include "bookcase/bookcasecheckjob.h"
#include "library/urlreplace.h"
#include "storage/categorystore.h"
#include "support/rows.h"
#include "support/testlibrary.h"

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

QString allPaths(TestLibrary& lib) {
    QStringList list;
    for (const BookcaseEntry& e : BookcaseStore(lib.db()).list())
        list << e.wjlj;
    return list.join(u'|');
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

    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase() {
        // The trash the deleted files go to is this run's own.
        QVERIFY(m_home.isValid());
        qputenv("XDG_DATA_HOME", m_home.path().toUtf8());
    }

    void find_data() {
        columns<QString, QString, QString>("code", "text", "expected");
        addRow("root lists all", "", "", "甲'书,百分%之百,百分百,下_划线,下划线");
        addRow("one category", "01", "", "甲'书,百分%之百,百分百");
        addRow("quote is literal", "", "'", "甲'书");
        addRow("percent is literal", "", "%", "百分%之百");
        addRow("underscore is literal", "", "_", "下_划线");
        addRow("root find searches every category", "", "划线", "下_划线,下划线");
        addRow("category find stays in it", "01", "划线", "");
    }

    void find() {
        const auto [code, text, expected] = fetch<QString, QString, QString>("code", "text", "expected");
        TestLibrary lib;
        lib.addBooks({"甲'书|01|/b/1", "百分%之百|01|/b/2", "百分百|01|/b/3", "下_划线|02|/b/4", "下划线||/b/5"});
        QCOMPARE(names(BookcaseStore(lib.db()).list(code, text)), expected);
        QVERIFY(lib.errors().isEmpty());
    }

    void check_data() {
        columns<QString, QString, QString, bool, QString>("name", "path", "code", "editingFirst", "message");
        addRow("fine", "书", "/b/new", "01", false, "");
        addRow("blank name", "  ", "/b/new", "", false, "请在书名处输入内容");
        addRow("empty path", "书", " ", "", false, "请在文件路径处输入内容");
        addRow("path of another book, spaces around", "书", " /b/it's 100%_a\\b.txt ", "", false,
               "已有此文件路径的图书");
        // Paths are compared as they are: quotes, wildcards and backslashes are plain characters.
        addRow("quote look-alike", "书", "/b/it''s 100%_a\\b.txt", "", false, "");
        addRow("wildcard look-alike", "书", "/b/it's 100xXa\\b.txt", "", false, "");
        addRow("backslash look-alike", "书", "/b/it's 100%_a\\\\b.txt", "", false, "");
        addRow("its own path when edited", "书", "/b/it's 100%_a\\b.txt", "", true, "");
        addRow("another's path when edited", "书", "/b/second", "", true, "已有此文件路径的图书");
        addRow("unknown category when edited", "书", "/b/first", "07", true, "没有这个分类：07");
        addRow("a category gone under the book", "书", "/b/first", "09", true, "");
    }

    void check() {
        const auto [name, path, code, editingFirst, message] =
            fetch<QString, QString, QString, bool, QString>("name", "path", "code", "editingFirst",
                                                            "message");
        TestLibrary lib;
        const qint64 first = lib.addBooks({"一|09|/b/it's 100%_a\\b.txt", "二||/b/second"}).first();
        const BookcaseEntry entry{editingFirst ? first : 0, name, code, {}, {}, path, {}};
        const Bookcase bookcase(lib.context());
        QCOMPARE(bookcase.check(entry), message);
        const Bookcase::Result result = editingFirst ? bookcase.edit(entry) : bookcase.add(entry);
        QCOMPARE(result.error, message);
        // A refused book changes nothing; a good one is stored trimmed.
        if (!message.isEmpty())
            QCOMPARE(allPaths(lib), QString("/b/it's 100%_a\\b.txt|/b/second"));
        else
            QCOMPARE(BookcaseStore(lib.db()).get(result.ids.value(0))->wjlj, path.trimmed());
    }

    void batch_data() {
        // files: name=path
        // after: names after the batch ran twice
        columns<QStringList, QString, QString>("files", "error", "after");
        addRow("new files, quote and percent", QStringList{"甲=/b/it's.txt", "乙=/b/100%.txt"}, "",
               "旧,甲,乙");
        addRow("one file twice in a batch", QStringList{"甲=/b/a.txt", "甲二=/b/a.txt"}, "", "旧,甲");
        addRow("a file already there", QStringList{"旧二=/b/old.txt", "乙=/b/b.chm"}, "", "旧,乙");
        addRow("nothing", QStringList{}, "没有新增的图书。", "旧");
        addRow("a row without a name", QStringList{"甲=/b/a.txt", " =/b/b.txt"}, "图书名称不能为空。", "旧");
    }

    void batch() {
        const auto [files, error, after] = fetch<QStringList, QString, QString>("files", "error", "after");
        TestLibrary lib;
        lib.addBooks({"旧||/b/old.txt"});
        QList<Bookcase::BatchRow> rows;
        for (const QString& f : files)
            rows.append({f.section(u'=', 0, 0), f.section(u'=', 1)});
        const Bookcase bookcase(lib.context());
        QCOMPARE(bookcase.addBatch(rows, "01").error, error);
        const Bookcase::Result again = bookcase.addBatch(rows, "01");
        QCOMPARE(again.error, error);
        QVERIFY(again.ids.isEmpty());
        QCOMPARE(names(BookcaseStore(lib.db()).list()), after);
        for (const BookcaseEntry& e : BookcaseStore(lib.db()).list("01"))
            QCOMPARE(e.lbTitle, QString("甲"));
    }

    void removeWithFiles_data() {
        columns<QString, bool, bool>("which", "deleteFiles", "inTrash");
        addRow("a book's file goes to the trash", "plain", true, true);
        addRow("a book's file stays without the option", "plain", false, false);
        addRow("a novel's contents page stays", "novel", true, false);
        addRow("a deleted novel's page is a file like any other", "gone novel", true, true);
        addRow("a missing file is ignored", "missing", true, false);
    }

    void removeWithFiles() {
        const auto [which, deleteFiles, inTrash] =
            fetch<QString, bool, bool>("which", "deleteFiles", "inTrash");
        TestLibrary lib;
        const QString novel = lib.addNovel("小说");
        const LibraryFolder& folder = lib.context().folder();
        const QString path = which == "novel"        ? folder.novelListPage(novel)
                             : which == "gone novel" ? folder.novelListPage("000042")
                                                     : lib.path() + "/books/" + which + "'s 100%.txt";
        const QString other = lib.path() + "/books/other.txt";
        QVERIFY(writeFile(other, "other") && (which == "missing" || writeFile(path, "book")));
        const qint64 id = lib.addBooks({which + "||" + path, "other||" + other}).first();

        const Bookcase::Result result = Bookcase(lib.context()).remove({id}, deleteFiles);
        QVERIFY2(result.ok(), qPrintable(result.error));
        QCOMPARE(result.ids, QList<qint64>{id});
        QCOMPARE(names(BookcaseStore(lib.db()).list()), QString("other"));
        // A file there before is either still there or in the trash.
        QCOMPARE(QFile::exists(path), which != "missing" && !inTrash);
        const QString trashed = m_home.path() + "/Trash/files/" + QFileInfo(path).fileName();
        QCOMPARE(QFile::exists(trashed), inTrash);
        QCOMPARE(result.files.trashed.size(), inTrash ? 1 : 0);
        QVERIFY(result.files.removed.isEmpty() && result.files.failed.isEmpty());
        QCOMPARE(result.files.kept.size(), which == "novel" ? 1 : 0);
        QVERIFY(QFile::exists(other));
        QFile::remove(trashed);
    }

    void removeCategory_data() {
        // failingTrigger: a statement of the delete made to fail
        columns<bool, QString>("deleteFiles", "failingTrigger");
        addRow("entries only", false, "");
        addRow("with files", true, "");
        addRow("moving a novel fails", true, "BEFORE UPDATE OF LB ON book_novel");
        addRow("deleting the category fails", true, "BEFORE DELETE ON dic_noveltype");
    }

    void removeCategory() {
        const auto [deleteFiles, failingTrigger] = fetch<bool, QString>("deleteFiles", "failingTrigger");
        TestLibrary lib;
        const QString book = lib.path() + "/books/甲's.txt";
        QVERIFY(writeFile(book, "book"));
        const qint64 bookId = lib.addBooks({"书|01|" + book, "乙书|02|/b/乙.txt"}).first();
        lib.addNovel("无类", "", 3);
        const QString first = lib.addNovel("甲一", "01", 2);
        const QString second = lib.addNovel("甲二", "01", 1);
        lib.addNovel("乙一", "02", 1);
        const LibraryFolder& folder = lib.context().folder();
        for (const QString& id : {first, second}) {
            QVERIFY(BookcaseStore(lib.db()).registerEntry(id, "01", {}, folder.novelListPage(id)));
            QVERIFY(writeFile(folder.novelListPage(id), "list"));
        }
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
            QCOMPARE(names(BookcaseStore(lib.db()).list("01")), "书," + first + u',' + second);
            QVERIFY(QFile::exists(book));
            return;
        }
        QVERIFY2(result.ok(), qPrintable(result.error));
        QCOMPARE(result.ids, QList<qint64>{bookId});
        // The novels stay, after the one without a category, in their order.
        QCOMPARE(novelPlaces(lib), QString("000001:-:3,000002:-:5,000003:-:4,000004:02:1"));
        QVERIFY(CategoryStore(lib.db()).nameOf("01").isEmpty());
        QCOMPARE(names(BookcaseStore(lib.db()).list()), "乙书," + first + u',' + second);
        QCOMPARE(QFile::exists(book), !deleteFiles);
        QVERIFY(QFile::exists(folder.novelListPage(first)) && QFile::exists(folder.novelListPage(second)));
        QCOMPARE(result.files.trashed, deleteFiles ? QStringList{book} : QStringList{});
        QFile::remove(m_home.path() + "/Trash/files/甲's.txt");
    }

    void move_data() {
        columns<QString, QString, QString>("code", "error", "inTarget");
        addRow("into a category", "02", "", "一,二");
        addRow("onto the root", "", "请拖到相应的分类处", "");
        addRow("an unknown category", "07", "没有这个分类：07", "");
    }

    void move() {
        const auto [code, error, inTarget] = fetch<QString, QString, QString>("code", "error", "inTarget");
        TestLibrary lib;
        const QList<qint64> ids = lib.addBooks({"一|01|/b/1", "二||/b/2", "三|01|/b/3"});
        QCOMPARE(Bookcase(lib.context()).move(ids.mid(0, 2), code).error, error);
        QCOMPARE(names(BookcaseStore(lib.db()).list("02")), inTarget);
        QCOMPARE(names(BookcaseStore(lib.db()).list("01")),
                 error.isEmpty() ? QString("三") : QString("一,三"));
    }

    void checkJob_data() {
        // files: "+name": there, "-name": missing, "": no path
        // missing: positions in the list
        columns<QStringList, bool, QList<int>>("files", "stopFirst", "missing");
        addRow("some missing", QStringList{"+a", "-b", "+c", "-d%"}, false, QList<int>{1, 3});
        addRow("an empty path", QStringList{"+a", ""}, false, QList<int>{1});
        addRow("a folder counts as there", QStringList{"+a's", "+."}, false, QList<int>{});
        addRow("stopped", QStringList{"-a", "-b"}, true, QList<int>{});
    }

    void checkJob() {
        const auto [files, stopFirst, missing] =
            fetch<QStringList, bool, QList<int>>("files", "stopFirst", "missing");
        QTemporaryDir dir;
        QList<BookcaseEntry> entries;
        for (int i = 0; i < files.size(); ++i) {
            const QString f = files.at(i);
            const QString path = f.isEmpty() ? QString() : dir.path() + u'/' + f.mid(1);
            if (f.startsWith(u'+') && f != "+.")
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
        if (!stopFirst)
            QCOMPARE(progress.size(), files.size() + 1);
        QCOMPARE(Bookcase::checkMessage(int(expected.size())),
                 expected.isEmpty()
                     ? QString("图书和存放路径完全一致")
                     : QString("有%1本图书和存放路径不相一致，已用红色标注出，是否删除这些图书")
                           .arg(expected.size()));
    }

    void replacePaths_data() {
        // after: "" for unchanged
        columns<QStringList, QList<int>, QString, QString, int, QString>("paths", "chosen", "find",
                                                                         "replacement", "changed", "after");
        addRow("case matters", QStringList{"/Old/a", "/old/b"}, QList<int>{0, 1}, "/old/", "/new/", 1,
               "/Old/a|/new/b");
        addRow("onto an entry left alone", QStringList{"/old/a", "/new/a", "/old/b"}, QList<int>{0, 2},
               "/old/", "/new/", -1, "");
        addRow("two chosen onto one path", QStringList{"/x/a", "/y/a"}, QList<int>{0, 1}, "/x/", "/y/", -1,
               "");
        addRow("onto a path the other gives up", QStringList{"/x/1", "/x/x/1"}, QList<int>{0, 1}, "/x/", "/",
               2, "/1|/x/1");
        addRow("quote and percent, one chosen", QStringList{"/a'b/%1", "/c"}, QList<int>{0}, "'b/%", "_", 1,
               "/a_1|/c");
    }

    void replacePaths() {
        const auto [paths, chosen, find, replacement, changed, after] =
            fetch<QStringList, QList<int>, QString, QString, int, QString>("paths", "chosen", "find",
                                                                           "replacement", "changed", "after");
        TestLibrary lib;
        QStringList rows;
        for (const QString& p : paths)
            rows << "书||" + p;
        const QList<qint64> ids = lib.addBooks(rows);
        QList<qint64> chosenIds;
        for (const int i : chosen)
            chosenIds << ids.at(i);
        const QString before = allPaths(lib);
        QString error;
        QCOMPARE(UrlReplace::replaceInBookcasePaths(lib.db(), chosenIds, find, replacement, &error), changed);
        QCOMPARE(error, changed < 0 ? QString("已有此文件路径的图书") : QString());
        QCOMPARE(allPaths(lib), after.isEmpty() ? before : after);
    }
};

QTEST_GUILESS_MAIN(TestBookcase)
#include "tst_bookcase.moc"
