// quiveral-cli category and novel placement as a user runs them: output, exit codes, what changes.
#include "storage/categorystore.h"
#include "storage/textfile.h"
#include "support/process.h"
#include "support/rows.h"
#include "support/testlibrary.h"

#include <QDir>
#include <QTest>

namespace {

// "01:甲,02:乙|01=甲一,甲二;02=乙一": the categories, then the novels in display order per category.
QString state(const QString& dbPath) {
    const QString categories =
        sqliteScalar(dbPath, "SELECT group_concat(DM || ':' || MC, ',') FROM (SELECT * FROM dic_noveltype "
                             "ORDER BY DM)")
            .toString();
    const QString novels =
        sqliteScalar(dbPath, "SELECT group_concat(g, ';') FROM (SELECT ifnull(LB, '-') || '=' || "
                             "group_concat(NovelName, ',') AS g FROM (SELECT LB, NovelName FROM book_novel "
                             "ORDER BY LB, Displayorder, NovelID) GROUP BY LB ORDER BY LB)")
            .toString();
    return categories + u'|' + novels;
}

} // namespace

class TestCliCategory : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void commands_data();
    void commands();
};

void TestCliCategory::commands_data() {
    columns<QStringList, int, QString, QString, QString, bool>("args", "exitCode", "out", "err", "after",
                                                               "folderKept");
    const QString before = "01:甲,02:乙|01=甲一,甲二;02=乙一";
    addRow("rename", QStringList{"category", "rename", "01", "丁"}, 0, "01\t丁\n", "",
           "01:丁,02:乙|01=甲一,甲二;02=乙一", true);
    addRow("rename to a taken name", QStringList{"category", "rename", "01", "乙"}, 1, "",
           "已有同名的分类名称，请重新输入", before, true);
    addRow("move", QStringList{"category", "move", "02", "--to", "01"}, 0, "01\t乙\n", "",
           "01:乙,02:甲|01=乙一;02=甲一,甲二", true);
    addRow("move without a place", QStringList{"category", "move", "02"}, 2, "", "用法", before, true);
    addRow("delete unconfirmed", QStringList{"category", "delete", "01", "--files"}, 1,
           "000001\t甲一\n000002\t甲二\n", "未确认", before, true);
    addRow("delete with files", QStringList{"category", "delete", "01", "--files", "--yes"}, 0,
           "000001\n000002\n", "", "02:乙|02=乙一", false);
    addRow("delete an unknown category", QStringList{"category", "delete", "07", "--yes"}, 1, "",
           "没有这个分类：07", before, true);
    addRow("novel between categories",
           QStringList{"novel", "move", "000003", "--category", "01", "--before", "000002"}, 0,
           "000003\t01\n", "", "01:甲,02:乙|01=甲一,乙一,甲二", true);
    addRow("novel out of its category", QStringList{"novel", "move", "000001", "--none"}, 0, "000001\t\n", "",
           "01:甲,02:乙|-=甲一;01=甲二;02=乙一", true);
    addRow("novel with two places", QStringList{"novel", "move", "000001", "--none", "--category", "02"}, 2,
           "", "用法", before, true);
    addRow("novels with an unknown one", QStringList{"novel", "delete", "000001", "000009", "--yes"}, 1, "",
           "没有这本小说：000009", before, true);
    addRow("novels unconfirmed", QStringList{"novel", "delete", "000001"}, 1, "000001\t甲一\n", "未确认",
           before, true);
    addRow("novels confirmed, files kept", QStringList{"novel", "delete", "000001", "000003", "--yes"}, 0,
           "000001\n000003\n", "", "01:甲,02:乙|01=甲二", true);
}

void TestCliCategory::commands() {
    const auto [args, exitCode, out, err, after, folderKept] =
        fetch<QStringList, int, QString, QString, QString, bool>("args", "exitCode", "out", "err", "after",
                                                                 "folderKept");
    TestLibrary lib;
    CategoryStore(lib.db()).add("甲");
    CategoryStore(lib.db()).add("乙");
    const QString first = lib.addNovel("甲一", "01");
    lib.addNovel("甲二", "01");
    lib.addNovel("乙一", "02");
    const QString page = lib.context().folder().chapterPage(first, lib.addChapter(first, "第一章"));
    QVERIFY(writeTextFile(page, "page"));

    const ProcessResult r = runCli(QStringList{"--library", lib.path()} + args);
    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(r.out, out);
    QVERIFY2(err.isEmpty() ? r.err.isEmpty() : r.err.contains(err), qPrintable(r.err));
    QCOMPARE(state(lib.db().path()), after);
    QCOMPARE(QFile::exists(page), folderKept);
}

QTEST_GUILESS_MAIN(TestCliCategory)
#include "tst_cli_category.moc"
