// The files the reading view shows: the shared style sheet and script, the download log, bookmark
// list and novel search pages.
#include "library/checkpage.h"
#include "library/displaysettings.h"
#include "library/librarylists.h"
#include "library/readingpages.h"
#include "storage/categorystore.h"
#include "storage/textfile.h"
#include "support/rows.h"
#include "support/testlibrary.h"

#include <QFile>
#include <QTest>

namespace {

ChapterRow chapter(qint64 id, const QString& novelId, const QString& novelName, const QString& title,
                   bool read, const QString& volume = QString()) {
    return {id, novelId, novelName, title, 0, volume, {}, "2024-05-01", "08:30:00", std::nullopt, read};
}

} // namespace

class TestReadingPages : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void styleSheet_data();
    void styleSheet();
    void headScriptSpeed_data();
    void headScriptSpeed();
    void applyWritesBothFiles();
    void recentDownRows();
    void bookmarkRows();
    void bookListRowsAndFind();
    void checkPage_data();
    void checkPage();
};

void TestReadingPages::styleSheet_data() {
    columns<QString, QString, QString, QString>("bgImg", "fontName", "background", "font");
    addRow("colour", "", "宋体", "background: #E7F4FE;", "font-family: \"宋体\"");
    addRow("picture wins over the colour", "宣纸.jpg", "宋体", "background: url(../bgimage/宣纸.jpg);",
           "font-family: \"宋体\"");
    addRow("picture name with a space", "my pic (1).jpg", "宋体",
           "background: url(../bgimage/my%20pic%20%281%29.jpg);", "font-family: \"宋体\"");
    // A quote or brace in a value must not close the font name or the rule.
    addRow("odd font name", "", "A\"; } body { color: red", "background: #E7F4FE;",
           "font-family: \"A  body  color: red\"");
}

void TestReadingPages::styleSheet() {
    const auto [bgImg, fontName, background, font] =
        fetch<QString, QString, QString, QString>("bgImg", "fontName", "background", "font");
    Settings settings;
    settings.setValue("BgImg", bgImg);
    settings.setValue("FontName", fontName);
    const QString css = DisplaySettings::styleSheetText(
        "body { background: [[BgColor]]; font-family: \"[[FontName]]\"; color: [[FontColor]]; }", settings);
    QVERIFY2(css.contains(background), qPrintable(css));
    QVERIFY2(css.contains(font), qPrintable(css));
    QVERIFY(css.contains("color: #000000"));
    QVERIFY(!css.contains("[["));
}

void TestReadingPages::headScriptSpeed_data() {
    columns<QString, QString>("speed", "written");
    addRow("five", "5", "var speed = 50;");
    addRow("ten", "10", "var speed = 100;");
    addRow("not a number", "fast", "var speed = 50;");
}

void TestReadingPages::headScriptSpeed() {
    auto [speed, written] = fetch<QString, QString>("speed", "written");
    Settings settings;
    settings.setValue("ScrollSpeed", speed);
    QCOMPARE(DisplaySettings::headScriptText("var speed = [[ScrollSpeed]];", settings), written);
}

void TestReadingPages::applyWritesBothFiles() {
    TestLibrary lib;
    Settings& s = lib.context().settings();
    s.setValue("BgImg", "竹青.jpg");
    s.setValue("ScrollSpeed", "7");
    QVERIFY(DisplaySettings::applyDisplaySettings(lib.context().folder(), s));
    const QByteArray css = fileBytes(lib.path() + "/chm/style.css");
    const QByteArray js = fileBytes(lib.path() + "/chm/head.js");
    // UTF-8 with a BOM, so pages in any charset read the font names right.
    QVERIFY(css.startsWith("\xEF\xBB\xBF"));
    QVERIFY(js.startsWith("\xEF\xBB\xBF"));
    QVERIFY(QString::fromUtf8(css).contains("url(../bgimage/竹青.jpg)"));
    QVERIFY(!QString::fromUtf8(css).contains("#E7F4FE"));
    QVERIFY(QString::fromUtf8(js).contains("var speed = 70;"));
    QCOMPARE(DisplaySettings::colorText(231, 244, 254), QString("#E7F4FE"));
    QCOMPARE(DisplaySettings::colorText(0, 10, 255), QString("#000AFF"));
}

void TestReadingPages::recentDownRows() {
    TestLibrary lib;
    const LibraryFolder& folder = lib.context().folder();
    QCOMPARE(ReadingPages::recentDownRows({}, folder),
             QString("<tr><td align=center colspan=4>无内容</td></tr>"));

    const QString rows =
        ReadingPages::recentDownRows({chapter(7, "000001", "甲<书>", "第一章", false, "卷一"),
                                      chapter(9, "000002", "乙", "第二章 & 续", true)},
                                     folder);
    const QStringList lines = rows.split("\r\n", Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines[0].startsWith("<tr><td><a href=\"file://" + lib.path() + "/chm/000001/7.htm\">"));
    QVERIFY2(lines[0].contains("<font color=blue>《甲&lt;书&gt;》</font>卷一-第一章</a>"),
             qPrintable(lines[0]));
    QVERIFY(
        lines[0].contains("<td class=read></td><td class=time>2024-05-01</td><td class=time>08:30:00</td>"));
    QVERIFY(lines[1].startsWith("<tr bgcolor=#e0f3fe>"));
    QVERIFY2(lines[1].contains("<font color=brown>《乙》</font>第二章 &amp; 续</a>"), qPrintable(lines[1]));
    QVERIFY(lines[1].contains("<td class=read>已读</td>"));

    const QString path = ReadingPages::writeRecentDown(folder, {chapter(7, "000001", "甲", "第一章", false)});
    QCOMPARE(path, lib.path() + "/recentdown.htm");
    const QString page = readTextFile(path);
    QVERIFY(page.contains("<title>下载日志</title>"));
    QVERIFY(page.contains("《甲》"));
    QVERIFY(!page.contains("[[Content]]"));
}

void TestReadingPages::bookmarkRows() {
    QCOMPARE(ReadingPages::bookmarkRows({}), QString("<tr><td align=center>尚无书签</td></tr>"));
    QList<Bookmark> marks;
    for (int i = 0; i < 3; ++i)
        marks.append({QString("《书》 - 第%1章").arg(i + 1), "000001/5.htm", QString("00%1").arg(i + 1),
                      "/lib/chm/000001/5.htm"});
    const QStringList lines = ReadingPages::bookmarkRows(marks).split("\r\n", Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0],
             QString("<tr><td><a href=\"file:///lib/chm/000001/5.htm#001\">《书》 - 第1章</a></td></tr>"));
    QVERIFY(lines[1].startsWith("<tr bgcolor=#F6F6F6>"));
    QVERIFY(lines[2].startsWith("<tr><td>"));
}

void TestReadingPages::bookListRowsAndFind() {
    TestLibrary lib;
    CategoryStore(lib.db()).add("玄幻");
    const QString a = lib.addNovel("百分之100%", "01");
    lib.addNovel("百分之1000");
    lib.addNovel("另一本_书");
    lib.db().exec("UPDATE book_novel SET bIsEnd='1', Author='某人' WHERE NovelID=?", {a});

    // "%" and "_" are text, not wildcards.
    QList<NovelRow> found = LibraryLists::findNovels(lib.db(), "100%", QString());
    QCOMPARE(found.size(), 1);
    QCOMPARE(found[0].name, QString("百分之100%"));
    QCOMPARE(LibraryLists::findNovels(lib.db(), "本_书", QString()).size(), 1);
    QCOMPARE(LibraryLists::findNovels(lib.db(), "本a书", QString()).size(), 0);
    QCOMPARE(LibraryLists::findNovels(lib.db(), "百分之", "example.test").size(), 2);
    QCOMPARE(LibraryLists::findNovels(lib.db(), QString(), "/book/" + a + "/").size(), 1);

    const QString rows = ReadingPages::bookListRows(found, lib.context().folder());
    QCOMPARE(
        rows,
        "<tr><td><a href=\"file://" + lib.path() + "/chm/" + a +
            "/List.htm\"><font color=blue>百分之100%</font></a></td><td>玄幻</td><td>某人</td><td>已全本</td>"
            "</tr>\r\n");
    QCOMPARE(ReadingPages::bookListRows({}, lib.context().folder()),
             QString("<tr><td align=center colspan=4>无内容</td></tr>"));
}

void TestReadingPages::checkPage_data() {
    // state: CheckLine::State
    columns<int, QString, QString>("state", "text", "line");
    addRow("ok in green", int(CheckLine::State::Ok), "正常", "<p>项目：<font color=green>正常</font></p>");
    addRow("failure in red, escaped", int(CheckLine::State::Failed), "连不上 <b>&",
           "<p>项目：<font color=red>连不上 &lt;b&gt;&amp;</font></p>");
    addRow("warning in blue", int(CheckLine::State::Warning), "未找到",
           "<p>项目：<font color=blue>未找到</font></p>");
    addRow("waiting in blue", int(CheckLine::State::Pending), "检测中，请稍候...",
           "<p>项目：<font color=blue>检测中，请稍候...</font></p>");
    addRow("not checked in grey", int(CheckLine::State::Skipped), "未检测",
           "<p>项目：<font color=gray>未检测</font></p>");
}

void TestReadingPages::checkPage() {
    const auto [state, text, line] = fetch<int, QString, QString>("state", "text", "line");
    const QString page = CheckPage::html({{"项目", CheckLine::State(state), text}});
    QVERIFY2(page.contains(line), qPrintable(page));
    QVERIFY(page.contains("<title>常见问题检测</title>"));
}

QTEST_GUILESS_MAIN(TestReadingPages)
#include "tst_readingpages.moc"
