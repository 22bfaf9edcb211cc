// Chapters made from a numbered address pattern.
#include "addnovel/batchchapters.h"
#include "storage/chapterstore.h"
#include "support/rows.h"
#include "support/testlibrary.h"

#include <QDate>
#include <QSqlQuery>
#include <QTest>

class TestBatchChapters : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void check_data();
    void check();
    void insert();
};

void TestBatchChapters::check_data() {
    columns<QString, QString, QString, int, bool, QString, QStringList>("pattern", "first", "last", "width",
                                                                        "small", "message", "addresses");
    const QString p = "http://a.test/file(*).htm";
    addRow("padded", p, "8", "10", 2, false, "",
           QStringList{"http://a.test/file08.htm", "http://a.test/file09.htm", "http://a.test/file10.htm"});
    addRow("wider numbers keep their digits", p, "99", "100", 2, false, "",
           QStringList{"http://a.test/file99.htm", "http://a.test/file100.htm"});
    addRow("no wildcard", "http://a.test/file1.htm", "1", "2", 1, false, "网址处必须包含(*)", QStringList{});
    addRow("first not a number", p, "a", "2", 1, false, "起始值需要为数字值", QStringList{});
    addRow("last not a number", p, "1", "", 1, false, "结束值需要为数字值", QStringList{});
    addRow("width", p, "1", "2", 0, false, "通配符长度应该在1与9之间", QStringList{});
    addRow("over 1000", p, "1", "1001", 1, false, "成批下载数应在1000之内", QStringList{});
    addRow("over 100 small", p, "1", "101", 1, true, "成批下载数应在100之内", QStringList{});
    addRow("reversed", p, "5", "4", 1, false, "成批下载数应在1000之内", QStringList{});
    QStringList thousand;
    for (int n = 1; n <= 1000; ++n)
        thousand << "http://a.test/file" + QString::number(n) + ".htm";
    addRow("exactly 1000", p, "1", "1000", 1, false, "", thousand);
}

void TestBatchChapters::check() {
    const auto [pattern, first, last, width, small, message, addresses] =
        fetch<QString, QString, QString, int, bool, QString, QStringList>("pattern", "first", "last", "width",
                                                                          "small", "message", "addresses");
    const BatchChapters::Request request{pattern, first, last, width, small};
    QCOMPARE(BatchChapters::check(request), message);
    QCOMPARE(BatchChapters::addresses(request), addresses);
}

void TestBatchChapters::insert() {
    TestLibrary library;
    const QString novel = library.addNovel("批量");
    library.addChapter(novel, "序章");
    const ChapterStore chapters(library.db());

    // A refused pattern writes nothing.
    QCOMPARE(BatchChapters::insert(library.db(), novel, {"http://a.test/1.htm", "1", "3", 1, false}), -1);
    QCOMPARE(chapters.count(novel), 1);

    QCOMPARE(BatchChapters::insert(library.db(), novel, {"http://a.test/(*).htm", "9", "11", 3, false}), 3);
    QSqlQuery rows = library.db().query("SELECT Title, ComeFrom, Displayorder, BIsRead, DownDate FROM "
                                        "book_novelcontent WHERE NovelID=? ORDER BY Displayorder",
                                        {novel});
    QStringList seen;
    int lastOrder = -1;
    while (rows.next()) {
        QVERIFY(rows.value(2).toInt() > lastOrder);
        lastOrder = rows.value(2).toInt();
        seen << rows.value(0).toString() + " " + rows.value(1).toString() + " " + rows.value(3).toString();
        if (seen.size() > 1)
            QCOMPARE(rows.value(4).toString(), QDate::currentDate().toString("yyyy-MM-dd"));
    }
    QCOMPARE(seen, (QStringList{"序章  0", "章节9 http://a.test/009.htm 0", "章节10 http://a.test/010.htm 0",
                                "章节11 http://a.test/011.htm 0"}));
}

QTEST_GUILESS_MAIN(TestBatchChapters)
#include "tst_batchchapters.moc"
