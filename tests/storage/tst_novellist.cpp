// Novel lists: export, import into another library, names and markers intact.
#include "storage/categorystore.h"
#include "storage/novellist.h"
#include "storage/novelstore.h"
#include "storage/recorddocument.h"
#include "support/testlibrary.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestNovelList : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void roundTripIntoAnotherLibrary_data();
    void roundTripIntoAnotherLibrary();
    void duplicatesSkippedAndNewIds();
    void oldProgramFile();
    void missingAndBrokenFiles();
};

void TestNovelList::roundTripIntoAnotherLibrary_data() {
    QTest::addColumn<QString>("value");
    QTest::newRow("plain") << "斗破苍穹";
    QTest::newRow("markup") << "<div id=\"list\"><a href='x'>";
    QTest::newRow("entities in markers") << "&nbsp;&nbsp;&nbsp;&nbsp;";
    QTest::newRow("escaped text") << "a&lt;b &amp; c";
    QTest::newRow("line break") << "</div>\r\n<div>";
    QTest::newRow("literal br") << "<br><br />";
}

void TestNovelList::roundTripIntoAnotherLibrary() {
    QFETCH(QString, value);
    TestLibrary from;
    CategoryStore(from.db()).add("玄幻");
    NovelStore source(from.db());
    NovelRecord novel;
    novel.novelId = source.nextNovelId();
    novel.novelName = value + "名";
    novel.author = "作者";
    novel.bIsEnd = "1";
    novel.listUrl = "http://a.test/book.php?id=3&page=1";
    novel.listStart = value;
    novel.listEnd = value + "end";
    novel.contentStart = value;
    novel.contentEnd = value;
    novel.volumeStart = value;
    novel.needDelStr = "广告||" + value;
    novel.lb = "01";
    novel.brief = "第一行\r\n第二行";
    QVERIFY(source.insertNovel(novel));

    QTemporaryDir dir;
    const QString file = dir.filePath("list.lst");
    const NovelList::Result exported = NovelList::exportTo(from.db(), file);
    QVERIFY(exported.ok);
    QCOMPARE(exported.message, QString("小说列表已导出到文件\"%1\"中").arg(file));

    TestLibrary to;
    to.addNovel("已有的书"); // takes 000001 there
    const NovelList::Result imported = NovelList::importFrom(to.db(), file);
    QVERIFY(imported.ok);
    QCOMPARE(imported.message, QString("小说列表已导入"));
    QCOMPARE(imported.imported, 1);
    const std::optional<NovelRecord> back = NovelStore(to.db()).loadNovel("000002");
    QVERIFY(back);
    for (QString NovelRecord::*field :
         {&NovelRecord::novelName, &NovelRecord::author, &NovelRecord::bIsEnd, &NovelRecord::listUrl,
          &NovelRecord::listStart, &NovelRecord::listEnd, &NovelRecord::contentStart,
          &NovelRecord::contentEnd, &NovelRecord::volumeStart, &NovelRecord::needDelStr, &NovelRecord::brief})
        QCOMPARE((*back).*field, novel.*field);
    QCOMPARE(back->lb, QString()); // categories belong to the other library
}

void TestNovelList::duplicatesSkippedAndNewIds() {
    TestLibrary from;
    from.addNovel("甲");
    from.addNovel("乙");
    from.addNovel("丙");
    QTemporaryDir dir;
    const QString file = dir.filePath("list.lst");
    QVERIFY(NovelList::exportTo(from.db(), file).ok);

    TestLibrary to;
    to.addNovel("乙");
    const NovelList::Result r = NovelList::importFrom(to.db(), file);
    QCOMPARE(r.imported, 2);
    QCOMPARE(r.skipped, 1);
    QCOMPARE(NovelStore(to.db()).novelName("000002"), QString("甲"));
    QCOMPARE(NovelStore(to.db()).novelName("000003"), QString("丙"));
    QCOMPARE(NovelStore(to.db()).count(), 3);
    // Importing the same file again adds nothing.
    QCOMPARE(NovelList::importFrom(to.db(), file).imported, 0);
}

void TestNovelList::oldProgramFile() {
    // Written the old way: only "<" and ">" escaped by the field format, "&" by the document.
    TestLibrary to;
    QTemporaryDir dir;
    const QString file = dir.filePath("old.lst");
    QVERIFY(writeRecordFile(
        file, "<?xml version=\"1.0\" encoding=\"gb2312\"?>\r\n<MESSAGE><book_Novel>"
              "<NovelID>000042</NovelID><NovelName>老书</NovelName><Author></Author>"
              "<bIsEnd>0</bIsEnd><ListUrl>http://a/b.php?x=1&amp;y=2</ListUrl>"
              "<ListStart>&amp;lt;div id=list&amp;gt;</ListStart><ListEnd>&amp;nbsp;</ListEnd>"
              "<ContentStart></ContentStart><ContentEnd></ContentEnd><Displayorder>0</Displayorder>"
              "</book_Novel></MESSAGE>"));
    QVERIFY(NovelList::importFrom(to.db(), file).ok);
    const std::optional<NovelRecord> novel = NovelStore(to.db()).loadNovel("000001");
    QCOMPARE(novel->novelName, QString("老书"));
    QCOMPARE(novel->listUrl, QString("http://a/b.php?x=1&y=2"));
    QCOMPARE(novel->listStart, QString("<div id=list>"));
    QCOMPARE(novel->listEnd, QString("&nbsp;"));
}

void TestNovelList::missingAndBrokenFiles() {
    TestLibrary lib;
    QTemporaryDir dir;
    const NovelList::Result empty = NovelList::exportTo(lib.db(), dir.filePath("x.lst"));
    QVERIFY(!empty.ok);
    QCOMPARE(empty.message, QString("小说列表没有内容"));
    QVERIFY(!QFile::exists(dir.filePath("x.lst")));
    QCOMPARE(NovelList::proposedName(QDate(2026, 1, 2)), QString("小说列表文件-20260102.lst"));
    const NovelList::Result missing = NovelList::importFrom(lib.db(), dir.filePath("none.lst"));
    QVERIFY(!missing.ok);
    QCOMPARE(missing.message, QString("无此文件"));
    const QString broken = dir.filePath("broken.lst");
    QVERIFY(writeFile(broken, QByteArray("\x00\x01<MESSAGE><book_Novel><NovelName>x", 35)));
    const NovelList::Result r = NovelList::importFrom(lib.db(), broken);
    QCOMPARE(r.imported, 0);
    QCOMPARE(NovelStore(lib.db()).count(), 0);
}

QTEST_GUILESS_MAIN(TestNovelList)
#include "tst_novellist.moc"
