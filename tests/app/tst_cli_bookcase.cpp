// quiveral-cli bookcase as a user runs it: output, exit codes, what changes in the bookcase and on disk.
#include "storage/bookcasestore.h"
#include "storage/categorystore.h"
#include "support/process.h"
#include "support/rows.h"
#include "support/testlibrary.h"

#include <QFile>
#include <QTest>

namespace {

// "1:小说:01,2:a'b:-": every entry with its category, by id.
QString state(const QString& dbPath) {
    return sqliteScalar(dbPath, "SELECT group_concat(id || ':' || MC || ':' || ifnull(LB, '-'), ',') FROM "
                                "(SELECT * FROM pri_mynovel ORDER BY id)")
        .toString();
}

} // namespace

class TestCliBookcase : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void commands_data();
    void commands();
};

void TestCliBookcase::commands_data() {
    // args: $L: the library folder; bookKept: books/a'b.txt
    columns<QStringList, int, QString, QString, QString, bool>("args", "exitCode", "out", "err", "after",
                                                               "bookKept");
    const QString before = "1:小说:01,2:a'b:01,3:gone:-";
    const QString novel = "1\t小说\t\t甲\t$L/chm/000001/List.htm\n";
    const QString book = "2\ta'b\t某\t甲\t$L/books/a'b.txt\n";
    const QString gone = "3\tgone\t\t\t$L/books/gone.txt\n";

    addRow("list", QStringList{"list"}, 0, novel + book + gone, "", before, true);
    addRow("list a category", QStringList{"list", "--category", "02"}, 0, "", "", before, true);
    addRow("find a quote", QStringList{"list", "--find", "'"}, 0, book, "", before, true);
    addRow("find in a category, any case", QStringList{"list", "--category", "01", "--find", "A'"}, 0, book,
           "", before, true);
    addRow("find outside the category", QStringList{"list", "--category", "02", "--find", "a"}, 0, "", "",
           before, true);
    addRow("find as JSON", QStringList{"list", "--find", "'", "--json"}, 0,
           "[\n    {\n        \"author\": \"某\",\n        \"category\": \"01\",\n        \"categoryName\": "
           "\"甲\",\n"
           "        \"id\": 2,\n        \"name\": \"a'b\",\n        \"note\": \"\",\n"
           "        \"path\": \"$L/books/a'b.txt\"\n    }\n]\n",
           "", before, true);
    addRow("add", QStringList{"add", "$L/books/new.file.txt", "--category", "02", "--author", "某"}, 0,
           "4\tnew\t某\t乙\t$L/books/new.file.txt\n", "", before + ",4:new:02", true);
    addRow("add a file already there", QStringList{"add", "$L/books/a'b.txt"}, 1, "", "已有此文件路径的图书",
           before, true);
    addRow("batch skips a file already there", QStringList{"add", "$L/books/a'b.txt", "$L/books/y.z.txt"}, 0,
           "4\ty\t\t\t$L/books/y.z.txt\n", "", before + ",4:y:-", true);
    addRow("edit", QStringList{"edit", "2", "--name", "乙书", "--category", "02"}, 0,
           "2\t乙书\t某\t乙\t$L/books/a'b.txt\n", "", "1:小说:01,2:乙书:02,3:gone:-", true);
    addRow("edit onto another's path", QStringList{"edit", "2", "--path", "$L/books/gone.txt"}, 1, "",
           "已有此文件路径的图书", before, true);
    addRow("delete unconfirmed", QStringList{"delete", "2", "--delete-files"}, 1, book,
           "您确定要删除所有选中的图书吗？", before, true);
    addRow("delete with files", QStringList{"delete", "1", "2", "--delete-files", "--yes"}, 0, "1\n2\n",
           "小说的目录页保留", "3:gone:-", false);
    addRow("category unconfirmed", QStringList{"delete-category", "01"}, 1, novel + book,
           "您确定要删除所有选中的图书吗？", before, true);
    addRow("category keeping files", QStringList{"delete-category", "01", "--yes"}, 0, "2\n", "",
           "1:小说:-,3:gone:-", true);
    addRow("move", QStringList{"move", "2", "3", "--category", "02"}, 0,
           "2\ta'b\t某\t乙\t$L/books/a'b.txt\n3\tgone\t\t乙\t$L/books/gone.txt\n", "",
           "1:小说:01,2:a'b:02,3:gone:02", true);
    addRow("check", QStringList{"check"}, 1, gone, "有1本图书和存放路径不相一致", before, true);
    addRow("replace a path", QStringList{"replace-path", "a'b", "c_d", "2", "3"}, 0,
           "2\ta'b\t某\t甲\t$L/books/c_d.txt\n" + gone, "", before, true);
    addRow("unknown verb", QStringList{"open", "2"}, 2, "", "用法", before, true);
}

void TestCliBookcase::commands() {
    auto [args, exitCode, out, err, after, bookKept] =
        fetch<QStringList, int, QString, QString, QString, bool>("args", "exitCode", "out", "err", "after",
                                                                 "bookKept");
    QTemporaryDir home;
    TestLibrary lib;
    CategoryStore(lib.db()).add("甲");
    CategoryStore(lib.db()).add("乙");
    const QString novelId = lib.addNovel("小说", "01");
    const QString listPage = lib.context().folder().novelListPage(novelId);
    QVERIFY(writeFile(listPage, "list"));
    QVERIFY(BookcaseStore(lib.db()).registerEntry("小说", "01", {}, listPage));
    const QString bookPath = lib.path() + "/books/a'b.txt";
    QVERIFY(writeFile(bookPath, "book"));
    QVERIFY(BookcaseStore(lib.db()).insert({0, "a'b", "01", {}, "某", bookPath, {}}) > 0);
    QVERIFY(BookcaseStore(lib.db()).insert({0, "gone", {}, {}, {}, lib.path() + "/books/gone.txt", {}}) > 0);

    for (QString& a : args)
        a.replace("$L", lib.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", home.path());
    const ProcessResult r = runCli(QStringList{"--library", lib.path(), "bookcase"} + args, env);
    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(r.out, QString(out).replace("$L", lib.path()));
    QVERIFY2(err.isEmpty() ? r.err.isEmpty() : r.err.contains(err), qPrintable(r.err));
    QCOMPARE(state(lib.db().path()), after);
    QCOMPARE(QFile::exists(bookPath), bookKept);
    QVERIFY(QFile::exists(listPage));
    if (!bookKept)
        QVERIFY(QFile::exists(home.path() + "/Trash/files/a'b.txt"));
}

QTEST_GUILESS_MAIN(TestCliBookcase)
#include "tst_cli_bookcase.moc"
