// Bookmarks: the anchor written into the chapter page where the chosen words begin, the record in
// bookmark.xml, one bookmark per novel, and removing them again.
#include "library/bookmarkbook.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "text/charset.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

const QString kPage = QStringLiteral(
    "<html>\r\n<head>\r\n<meta http-equiv=\"Content-Type\" content=\"text/html; charset=%1\">\r\n"
    "<title>第一章 开始</title>\r\n<script src=\"../head.js\"></script>\r\n</head>\r\n<body>\r\n"
    "<h1 class=\"title\">第一章 开始</h1>\r\n<div class=\"content\">\r\n"
    "<!--BookContent Start-->　　天色&nbsp;渐晚，他走进了<b>客栈</b>。<br><br>　　掌柜抬起头来。"
    "<!--BookContent End-->\r\n</div>\r\n</body>\r\n</html>\r\n");

QString writePage(const QString& path, const QString& charset) {
    writeFile(path, encodeHtmlForCharset(kPage.arg(charset), charset));
    return path;
}

// The body text as the view counts it: what lies between the tags, entities as one character.
int textOffsetOf(const QString& words) {
    const QString text = QStringLiteral("\n第一章 开始\n\n　　天色 渐晚，他走进了客栈。　　掌柜抬起头来。");
    return int(text.indexOf(words));
}

BookmarkBook::Request requestFor(const QString& page, const QString& novelId, const QString& words) {
    BookmarkBook::Request request;
    request.pagePath = page;
    request.novelId = novelId;
    request.novelName = "山河";
    request.selected = words;
    request.textOffset = textOffsetOf(words);
    return request;
}

} // namespace

class TestBookmarkBook : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sourceIndex_data();
    void sourceIndex();
    void anchorNames();
    void selectionLength_data();
    void selectionLength();
    void addWritesAnchorAndRecord_data();
    void addWritesAnchorAndRecord();
    void oneBookmarkPerNovel();
    void saveStripsRemovedAnchors();
    void pagesThatTakeNoBookmark();
};

void TestBookmarkBook::sourceIndex_data() {
    // after: the source text that starts at the found index
    columns<QString, int, QString>("html", "offset", "after");
    addRow("plain", "<body>abcdef</body>", 3, "def</body>");
    addRow("tags count nothing", "<body><p>ab</p><b>cd</b></body>", 3, "d</b></body>");
    addRow("entity is one character", "<body>a&amp;b&nbsp;cd</body>", 4, "cd</body>");
    addRow("astral entity is two", "<body>&#x20000;xy</body>", 3, "y</body>");
    addRow("unknown entity-like text", "<body>a & b</body>", 4, "b</body>");
    addRow("crlf is one", "<body>a\r\nbc</body>", 2, "bc</body>");
    addRow("comments count nothing", "<body>a<!-- x > y -->bc</body>", 2, "c</body>");
    addRow("scripts count nothing", "<body>a<script>if (a<b) x();</script>bc</body>", 2, "c</body>");
    addRow("head is skipped", "<html><head><title>long title</title></head><body class=x>ab</body>", 1,
           "b</body>");
    addRow("end of text", "<body>ab</body>", 2, "</body>");
    addRow("beyond the text", "<body>ab</body>", 9, "");
}

void TestBookmarkBook::sourceIndex() {
    const auto [html, offset, after] = fetch<QString, int, QString>("html", "offset", "after");
    const int index = BookmarkBook::sourceIndexOfTextOffset(html, offset);
    if (after.isEmpty())
        QCOMPARE(index, -1);
    else
        QCOMPARE(html.mid(index), after);
}

void TestBookmarkBook::anchorNames() {
    QCOMPARE(BookmarkBook::nextAnchorName("<body>x</body>"), QString("001"));
    QCOMPARE(BookmarkBook::nextAnchorName("<a name=001></a><a name=\"009\"></a><A NAME='3'></a>"),
             QString("010"));
    const QString page =
        "<p>a" + BookmarkBook::anchorHtml("001") + "b<a name=\"002\"></a><img src=\"../bookmark.gif\">c</p>";
    QCOMPARE(BookmarkBook::removeAnchors(page, "002"), "<p>a" + BookmarkBook::anchorHtml("001") + "bc</p>");
    QCOMPARE(BookmarkBook::removeAnchors(page), QString("<p>abc</p>"));
    // Anchors of the site's own page stay.
    QCOMPARE(BookmarkBook::removeAnchors("<a name=top></a><a name=5></a>x"),
             QString("<a name=top></a><a name=5></a>x"));
}

void TestBookmarkBook::selectionLength_data() {
    columns<QString, bool>("selected", "accepted");
    addRow("20 characters", QString(20, u'字'), true);
    addRow("21 characters", QString(21, u'字'), false);
    addRow("20 characters outside the BMP", QString::fromUcs4(std::u32string(20, U'\U00020000').c_str()),
           true);
    addRow("nothing selected", QString(), true);
}

void TestBookmarkBook::selectionLength() {
    const auto [selected, accepted] = fetch<QString, bool>("selected", "accepted");
    const QString message = BookmarkBook::checkSelection(selected);
    QCOMPARE(message.isEmpty(), accepted);
    if (!accepted)
        QCOMPARE(message, QString("您选择作为书签的字符数不能超过20个，请重新选择。"));
}

void TestBookmarkBook::addWritesAnchorAndRecord_data() {
    QTest::addColumn<QString>("charset");
    addRow("gb2312", "gb2312");
    addRow("big5", "big5");
    addRow("utf-8", "utf-8");
}

void TestBookmarkBook::addWritesAnchorAndRecord() {
    QFETCH(QString, charset);
    TestLibrary lib;
    const QString path = writePage(lib.path() + "/chm/000001/5.htm", charset);
    const QByteArray before = fileBytes(path);

    BookmarkBook book(lib.path());
    BookmarkBook::Request request = requestFor(path, "000001", "客栈");
    request.chapterTitle = "第一章 开始";
    const BookmarkBook::Result result = book.add(request);
    QVERIFY2(result.error.isEmpty(), qPrintable(result.error));
    QCOMPARE(result.anchor, QString("001"));

    // Only the anchor is new; the rest of the file is byte for byte what it was, in its charset.
    const QByteArray after = fileBytes(path);
    const QByteArray anchor = encodeHtmlForCharset(BookmarkBook::anchorHtml("001"), charset);
    const QByteArray words = encodeHtmlForCharset("<b>客栈", charset);
    QCOMPARE(after.size(), before.size() + anchor.size());
    QVERIFY(after.contains(QByteArray(encodeHtmlForCharset("他走进了", charset) + anchor + words)));
    QCOMPARE(QByteArray(after).replace(anchor, ""), before);

    const QList<Bookmark> marks = book.list();
    QCOMPARE(marks.size(), 1);
    QCOMPARE(marks[0].name, QString("《山河》 - 第一章 开始"));
    QCOMPARE(marks[0].url, QString("000001/5.htm"));
    QCOMPARE(marks[0].strPos, QString("001"));
    QCOMPARE(marks[0].fullAddress, path);

    // A second one on the same page takes the next number.
    QCOMPARE(book.add(requestFor(path, "000001", "掌柜")).anchor, QString("002"));
    QCOMPARE(book.list().size(), 2);
    QCOMPARE(book.firstOfNovel("000001")->strPos, QString("001"));
    QVERIFY(!book.firstOfNovel("000002"));
}

void TestBookmarkBook::oneBookmarkPerNovel() {
    TestLibrary lib;
    const QString first = writePage(lib.path() + "/chm/000001/5.htm", "gb2312");
    const QString second = writePage(lib.path() + "/chm/000001/6.htm", "gb2312");
    const QString other = writePage(lib.path() + "/chm/000002/9.htm", "gb2312");
    const QByteArray untouched = fileBytes(first);
    BookmarkBook book(lib.path());
    QVERIFY(book.add(requestFor(first, "000001", "客栈")).error.isEmpty());
    QVERIFY(book.add(requestFor(other, "000002", "客栈")).error.isEmpty());
    BookmarkBook::Request request = requestFor(second, "000001", "客栈");
    request.oneBookmark = true;
    QVERIFY(book.add(request).error.isEmpty());

    // The novel's earlier bookmark is gone from the list and from its page; other novels keep theirs.
    QCOMPARE(fileBytes(first), untouched);
    QStringList pages;
    for (const Bookmark& b : book.list())
        pages << b.fullAddress;
    QCOMPARE(pages, (QStringList{other, second}));
}

void TestBookmarkBook::saveStripsRemovedAnchors() {
    TestLibrary lib;
    const QString path = writePage(lib.path() + "/chm/000001/5.htm", "gb2312");
    const QByteArray original = fileBytes(path);
    BookmarkBook book(lib.path());
    book.add(requestFor(path, "000001", "客栈"));
    book.add(requestFor(path, "000001", "掌柜"));
    QList<Bookmark> kept = book.list();
    const Bookmark removed = kept.takeFirst();

    QVERIFY(book.save(kept, {removed}));
    QCOMPARE(book.list().size(), 1);
    const QByteArray now = fileBytes(path);
    QVERIFY(!now.contains("<a name=001>"));
    QVERIFY(now.contains("<a name=002>"));
    QVERIFY(book.save({}, kept));
    QCOMPARE(fileBytes(path), original);
}

void TestBookmarkBook::pagesThatTakeNoBookmark() {
    for (const char* title : {"书签列表", "下载日志", "Quiveral下载列表", "目录", "搜索结果"})
        QVERIFY2(!BookmarkBook::acceptsPage(QString::fromUtf8(title)), title);
    QVERIFY(BookmarkBook::acceptsPage("第一章 开始"));
}

QTEST_GUILESS_MAIN(TestBookmarkBook)
#include "tst_bookmarkbook.moc"
