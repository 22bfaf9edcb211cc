// Page edits of the search window: punctuation width outside markup, picture tags found as a parser
// reads them, the zoom script added once, a chapter's downloaded pictures and recognised text.
#include "support/rows.h"
#include "support/testlibrary.h"
#include "tools/pageedits.h"

#include <QTemporaryDir>
#include <QTest>

class TestPageEdits : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void punctuation_data();
    void punctuation();
    void pictureTags_data();
    void pictureTags();
    void zoom_data();
    void zoom();
    void chapterPictures_data();
    void chapterPictures();
    void ocrText_data();
    void ocrText();
};

void TestPageEdits::punctuation_data() {
    // direction: "full" or "half"
    columns<QString, QString, QString>("direction", "html", "expected");

    addRow("to full", "full", "a,b.c?d!e:f;", "a，b。c？d！e：f；");
    // Single quotes have no pairing: both become the first of the pair, as the lists say.
    addRow("quotes paired first", "full", "他说\"你好\"'好'", "他说“你好”‘好‘");
    addRow("attribute quotes stay", "full", "<p class=\"a,b\" title='x;y'>\"正文\",</p>",
           "<p class=\"a,b\" title='x;y'>“正文”，</p>");
    addRow("entities stay", "full", "&nbsp;a;b&#12345;&quot;x&quot;", "&nbsp;a；b&#12345;&quot;x&quot;");
    addRow("comments stay", "full", "<!--BookContent Start-->x,<!--a,b-->",
           "<!--BookContent Start-->x，<!--a,b-->");
    addRow("to half", "half", "“你好”，‘对’！：；。？", "\"你好\",'对'!:;.?");
    addRow("to half keeps markup", "half", "<img alt=\"，\" src='a.jpg'>&#65292;，",
           "<img alt=\"，\" src='a.jpg'>&#65292;,");
    addRow("no reference made", "half", "&amp；&#12；&#x1f；&#12a；&#；a；",
           "&amp；&#12；&#x1f；&#12a;&#;a;");
    addRow("no comment or declaration made", "half", "<！--x--><？xml？>", "<！--x--><？xml?>");
    addRow("nothing to change", "half", "plain text", "plain text");
}

void TestPageEdits::punctuation() {
    const auto [direction, html, expected] =
        fetch<QString, QString, QString>("direction", "html", "expected");
    const QString out =
        direction == QLatin1String("full") ? PageEdits::toFullWidth(html) : PageEdits::toHalfWidth(html);
    QCOMPARE(out, expected);
}

void TestPageEdits::pictureTags_data() {
    // operation: "remove" or "center"
    columns<QString, QString, QString>("operation", "html", "expected");

    addRow("remove", "remove", "a<img src=\"1.jpg\">b<IMG SRC=2.jpg />c", "abc");
    addRow("remove with > in quotes", "remove", "a<img alt=\"x>y\" src=1.jpg>b", "ab");
    addRow("remove leaves other tags", "remove", "<p><image>a</p><imgx>", "<p><image>a</p><imgx>");
    addRow("unclosed tag is text", "remove", "a<img src=1.jpg", "a<img src=1.jpg");
    addRow("center", "center", "a<img src=1.jpg>b", "a<center><img src=1.jpg></center>b");
    addRow("center each", "center", "<img src=1><img alt='>'>",
           "<center><img src=1></center><center><img alt='>'></center>");
}

void TestPageEdits::pictureTags() {
    const auto [operation, html, expected] =
        fetch<QString, QString, QString>("operation", "html", "expected");
    const QString out = operation == QLatin1String("remove") ? PageEdits::removePictures(html)
                                                             : PageEdits::centerPictures(html);
    QCOMPARE(out, expected);
}

void TestPageEdits::zoom_data() {
    // expected: "$script" stands for the zoom script
    columns<QString, QString>("page", "expected");

    const QString start = QStringLiteral("<!--BookContent Start-->");
    const QString end = QStringLiteral("<!--BookContent End-->");
    addRow("script after head",
           "<!DOCTYPE html><html><head><title>t</title></head><body>" + start + "<img src=1.jpg>" + end +
               "</body></html>",
           "<!DOCTYPE html><html><head>$script<title>t</title></head><body>" + start +
               "<img src=1.jpg onmousewheel=\"return imgzoom(this);\">" + end + "</body></html>");
    addRow("self-closing tag", "<head></head>" + start + "<img src=\"1.jpg\" />" + end,
           "<head>$script</head>" + start + "<img src=\"1.jpg\"  onmousewheel=\"return imgzoom(this);\"/>" +
               end);
    addRow("only the content's pictures", "<head></head><img src=logo.gif>" + start + "<img src=1>" + end,
           "<head>$script</head><img src=logo.gif>" + start +
               "<img src=1 onmousewheel=\"return imgzoom(this);\">" + end);
    addRow("no head: script first", "<img src=1>",
           "$script\r\n<img src=1 onmousewheel=\"return imgzoom(this);\">");
    addRow("script already there", "<head><script>function imgzoom(o){}</script></head><img src=1>",
           "<head><script>function imgzoom(o){}</script></head><img src=1 onmousewheel=\"return "
           "imgzoom(this);\">");
    addRow("already zooms", "<head></head><img src=1 onMouseWheel=\"x\"><img src=2>",
           "<head></head><img src=1 onMouseWheel=\"x\"><img src=2>");
    addRow("no pictures", "<head></head>" + start + "text" + end, "<head></head>" + start + "text" + end);
}

void TestPageEdits::zoom() {
    auto [page, expected] = fetch<QString, QString>("page", "expected");
    expected.replace(QLatin1String("$script"), PageEdits::zoomScript());
    const QString once = PageEdits::zoomPictures(page);
    QCOMPARE(once, expected);
    QCOMPARE(PageEdits::zoomPictures(once), once);
}

void TestPageEdits::chapterPictures_data() {
    // found: name:size of each picture found; afterRemoval: the page with the found pictures' tags removed
    columns<QString, QStringList, QString>("page", "found", "afterRemoval");

    addRow("quoted src", "a<img src=\"123456_7_1.jpg\">b", QStringList{"123456_7_1.jpg:10"}, "ab");
    addRow("long attributes before an unquoted src",
           "<img width=100 height=200 alt=\"a picture with a very long description of what it shows\" "
           "src=123456_7_2.png>",
           QStringList{"123456_7_2.png:20"}, "");
    addRow("path before the name", "<img src='../chm/123456/123456_7_1.jpg'>x",
           QStringList{"123456_7_1.jpg:10"}, "x");
    addRow("each file once", "<img src=123456_7_1.jpg>x<img src=\"123456_7_1.jpg\">",
           QStringList{"123456_7_1.jpg:10"}, "x");
    addRow("other chapter and missing files",
           "<img src=123456_8_1.jpg><img src=123456_7_9.jpg><img src=123456_7_>", QStringList{},
           "<img src=123456_8_1.jpg><img src=123456_7_9.jpg><img src=123456_7_>");
    addRow("name in the text only", "123456_7_1.jpg", QStringList{}, "123456_7_1.jpg");
    addRow("empty file is found", "<img src=123456_7_0.gif>", QStringList{"123456_7_0.gif:0"}, "");
}

void TestPageEdits::chapterPictures() {
    const auto [page, found, afterRemoval] =
        fetch<QString, QStringList, QString>("page", "found", "afterRemoval");

    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath("123456_7_1.jpg"), QByteArray(10, 'x')));
    QVERIFY(writeFile(dir.filePath("123456_7_2.png"), QByteArray(20, 'x')));
    QVERIFY(writeFile(dir.filePath("123456_7_0.gif"), QByteArray()));
    QVERIFY(writeFile(dir.filePath("123456_8_1.jpg"), QByteArray(30, 'x')));

    QStringList got;
    QMap<QString, QString> removal;
    for (const PageEdits::PictureFile& file : PageEdits::chapterPictures(page, dir.path(), "123456", 7)) {
        got << file.name + u':' + QString::number(file.size);
        QCOMPARE(file.path, dir.filePath(file.name));
        removal.insert(file.name, QString());
    }
    QCOMPARE(got, found);
    QCOMPARE(PageEdits::replacePictureTags(page, removal), afterRemoval);
}

void TestPageEdits::ocrText_data() {
    columns<QString, QString>("text", "html");

    addRow("lines", "第一行\n第二行", "第一行<br>第二行");
    addRow("windows line breaks", "a\r\nb\rc", "a<br>b<br>c");
    addRow("markup escaped", "<script>x & \"y\"</script>",
           "&lt;script&gt;x &amp; &quot;y&quot;&lt;/script&gt;");
}

void TestPageEdits::ocrText() {
    const auto [text, html] = fetch<QString, QString>("text", "html");
    QCOMPARE(PageEdits::ocrTextHtml(text), html);
}

QTEST_GUILESS_MAIN(TestPageEdits)
#include "tst_pageedits.moc"
