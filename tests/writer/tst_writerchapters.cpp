// The writing assistant's chapters on a real library: plain text out of a page and back into the
// template, word counts, new volumes and chapters where an author expects them, volume renames.
#include "storage/textfile.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "text/html.h"
#include "writer/writerchapters.h"
#include <QSqlQuery>

#include <QStringDecoder>
#include <QTest>

namespace {

// A novel of chapters "title/volume" in order; pages for those with text.
struct Novel {
    TestLibrary lib;
    QString id;
    QHash<QString, qint64> ids;

    explicit Novel(const QStringList& chapters) {
        id = lib.addNovel("自写");
        ids = lib.addChapters(id, chapters);
    }
    WriterChapters chapters() { return WriterChapters(lib.context(), id); }
    // "title/volume" in list order.
    QStringList layout() {
        QStringList rows;
        QSqlQuery q =
            lib.db().query("SELECT Title, COALESCE(Volume, '') FROM book_novelcontent WHERE NovelID=? "
                           "ORDER BY Displayorder, id",
                           {id});
        while (q.next())
            rows << q.value(0).toString() +
                        (q.value(1).toString().isEmpty() ? QString() : "/" + q.value(1).toString());
        return rows;
    }
    QString page(const QString& title) {
        return QStringDecoder("GB18030").decode(
            fileBytes(lib.context().folder().chapterPage(id, ids.value(title))));
    }
};

} // namespace

class TestWriterChapters : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void saveAndReadBack();
    void richContentAsks();
    void newVolume();
    void newChapter_data();
    void newChapter();
    void renameVolume_data();
    void renameVolume();
};

void TestWriterChapters::saveAndReadBack() {
    Novel n({"第一章"});
    const QString text = "第一行 a<b & c\n　　第二行";
    QCOMPARE(n.chapters().save(n.ids.value("第一章"), text), QString());
    const QString page = n.page("第一章");
    // The chapter template around escaped text, the chapter's title in it.
    QVERIFY2(page.contains(kBookContentStart) && page.contains(kBookContentEnd) && page.contains("第一章") &&
                 page.contains("a&lt;b"),
             qPrintable(page));
    QCOMPARE(n.chapters().text(n.ids.value("第一章")), text);
    QCOMPARE(n.lib.db()
                 .scalar("SELECT WordNums FROM book_novelcontent WHERE id=?", {n.ids.value("第一章")})
                 .toInt(),
             int(text.size()));
    QVERIFY(readTextFile(n.lib.context().folder().novelListPage(n.id)).contains("第一章"));
    QCOMPARE(n.chapters().save(999, text), QString("请选择具体的章节"));
}

void TestWriterChapters::richContentAsks() {
    Novel n({"图", "字"});
    const auto write = [&](const QString& title, const QString& content) {
        writeTextFile(n.lib.context().folder().chapterPage(n.id, n.ids.value(title)),
                      "<html><body>" + kBookContentStart + content + kBookContentEnd + "</body></html>");
    };
    write("图", "<p>看<IMG src=\"1.jpg\"></p>");
    write("字", "<p>看<b>字</b> imgs</p>");
    QVERIFY(n.chapters().hasRichContent(n.ids.value("图")));
    QVERIFY(!n.chapters().hasRichContent(n.ids.value("字")));
    QCOMPARE(n.chapters().text(n.ids.value("字")), QString("看字 imgs"));
}

void TestWriterChapters::newVolume() {
    Novel n({"新章节9/新分卷2", "甲/新分卷x", "乙/第一卷"});
    QCOMPARE(n.chapters().newVolumeName(), QString("新分卷3"));
    QString error;
    QVERIFY(n.chapters().addVolume(&error) > 0);
    QCOMPARE(n.layout(), QStringList({"新章节9/新分卷2", "甲/新分卷x", "乙/第一卷", "新章节10/新分卷3"}));
}

void TestWriterChapters::newChapter_data() {
    QTest::addColumn<QStringList>("chapters");
    QTest::addColumn<QString>("after");  // title of the selected chapter, "" for none
    QTest::addColumn<QString>("volume"); // the selected volume node
    QTest::addColumn<QStringList>("layout");
    const QStringList two{"一/上卷", "二/上卷", "三/下卷"};
    addRow("after a chapter, in its volume", two, "一", "",
           QStringList{"一/上卷", "新章节1/上卷", "二/上卷", "三/下卷"});
    addRow("after the last chapter", two, "三", "",
           QStringList{"一/上卷", "二/上卷", "三/下卷", "新章节1/下卷"});
    addRow("end of a selected volume", two, "", "上卷",
           QStringList{"一/上卷", "二/上卷", "新章节1/上卷", "三/下卷"});
    addRow("the chapters without a volume", QStringList{"序", "一/上卷"}, "", "正文",
           QStringList{"序", "新章节1", "一/上卷"});
    addRow("nothing selected: the end", two, "", "", QStringList{"一/上卷", "二/上卷", "三/下卷", "新章节1"});
    addRow("an empty novel", QStringList{}, "", "", QStringList{"新章节1"});
}

void TestWriterChapters::newChapter() {
    QFETCH(QStringList, chapters);
    QFETCH(QString, after);
    QFETCH(QString, volume);
    QFETCH(QStringList, layout);
    Novel n(chapters);
    QString error;
    const qint64 id = n.chapters().addChapter(after.isEmpty() ? 0 : n.ids.value(after), volume, &error);
    QVERIFY2(id > 0, qPrintable(error));
    QCOMPARE(n.layout(), layout);
    // The outline the tree is built from is the same list.
    QStringList outline;
    for (const WriterChapters::Entry& e : n.chapters().outline())
        outline << e.title + (e.volume.isEmpty() ? QString() : QString("/" + e.volume));
    QCOMPARE(outline, layout);
    QCOMPARE(
        n.lib.db().scalar("SELECT min(Displayorder) FROM book_novelcontent WHERE NovelID=?", {n.id}).toInt(),
        1);
}

void TestWriterChapters::renameVolume_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<QStringList>("layout");
    addRow("a volume", "上卷", QStringList{"序", "空", "一/新名", "二/新名", "三/下卷"});
    // Chapters without a volume have it Null or "": both are the "正文" the tree shows.
    addRow("the main text", "正文", QStringList{"序/新名", "空/新名", "一/上卷", "二/上卷", "三/下卷"});
}

void TestWriterChapters::renameVolume() {
    QFETCH(QString, from);
    QFETCH(QStringList, layout);
    Novel n({"序", "空/", "一/上卷", "二/上卷", "三/下卷"});
    QVERIFY(n.lib.db().exec("UPDATE book_novelcontent SET Volume='' WHERE id=?", {n.ids.value("空")}));
    QCOMPARE(n.chapters().renameVolume(from, "新名"), QString());
    QCOMPARE(n.layout(), layout);
    QCOMPARE(n.chapters().renameVolume(from, " "), QString("分卷名称不能为空"));
}

QTEST_MAIN(TestWriterChapters)
#include "tst_writerchapters.moc"
