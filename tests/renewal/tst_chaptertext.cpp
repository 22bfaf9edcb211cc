// The text steps of a chapter page and the chapter file, where a slip loses or garbles text.
#include "renewal/chapterpictures.h"
#include "renewal/chaptertext.h"
#include "renewal/novelfilewriter.h"
#include "support/rows.h"
#include "support/testlibrary.h"

#include <QRandomGenerator>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

class TestChapterText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void containsIgnoringCase_data();
    void containsIgnoringCase();
    void cut_data();
    void cut();
    void needDelStr_data();
    void needDelStr();
    void plainNeedDelStrRemovesAsQtDoes();
    void clean_data();
    void clean();
    void absoluteAddresses_data();
    void absoluteAddresses();
    void pictureNames_data();
    void pictureNames();
    void pictureChapterNameStaysInItsFolder();
    void wholePage_data();
    void wholePage();
    void chapterFile_data();
    void chapterFile();
};

void TestChapterText::containsIgnoringCase_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("literal");
    QTest::addColumn<bool>("found");
    addRow("same case", "a<script>b", "<script", true);
    addRow("other case", "a<SCRIPT>b", "<script", true);
    addRow("opener without the rest", "a<b <scrip", "<script", false);
    addRow("at the very end", "正文<br", "<br", true);
    addRow("cut off at the end", "正文<b", "<br", false);
    addRow("second opener", "<p>一<IMG src=x>", "<img", true);
    addRow("letter first", "BACKGROUND=x", "background", true);
    addRow("none", "纯文字", ".css", false);
}

void TestChapterText::containsIgnoringCase() {
    QFETCH(QString, text);
    QFETCH(QString, literal);
    QFETCH(bool, found);
    const QByteArray latin = literal.toLatin1();
    QCOMPARE(::containsIgnoringCase(text, QLatin1String(latin)), found);
}

void TestChapterText::cut_data() {
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<QString>("expected");
    const QString page = QStringLiteral("head<s>one<e>mid<s>two<e>tail");
    addRow("both", "<s>", "<e>", "one");
    addRow("start only: after the last", "<s>", "", "two<e>tail");
    addRow("end only", "", "<e>", "head<s>one");
    addRow("neither: whole page", "", "", page);
    addRow("markers not on the page: whole page", "<x>", "</x>", page);
}

void TestChapterText::cut() {
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(QString, expected);
    QCOMPARE(cutChapterContent(QStringLiteral("head<s>one<e>mid<s>two<e>tail"), start, end), expected);
}

void TestChapterText::needDelStr_data() {
    QTest::addColumn<QString>("needDelStr");
    QTest::addColumn<QString>("expected");
    addRow("plain", "广告||推荐", "正文甲.丙正文a1b22");
    addRow("plain text with regex characters", "甲.丙", "正文广告正文a1b22推荐");
    addRow("regex", "[[\\d+]]", "正文广告甲.丙正文ab推荐");
    addRow("regex and plain", "[[[a-b]\\d]]||推荐", "正文广告甲.丙正文2");
    addRow("empty entries ignored", "||||", "正文广告甲.丙正文a1b22推荐");
    addRow("bracket text too short for a regex stays plain", "[[]]", "正文广告甲.丙正文a1b22推荐");
}

void TestChapterText::needDelStr() {
    QFETCH(QString, needDelStr);
    QFETCH(QString, expected);
    QCOMPARE(removeNeedDelStr(QStringLiteral("正文广告甲.丙正文a1b22推荐"), needDelStr), expected);
}

void TestChapterText::plainNeedDelStrRemovesAsQtDoes() {
    // Overlaps, joins made by a removal, a needle at either end: small alphabets meet them all.
    QRandomGenerator random(7);
    const QString alphabet = QStringLiteral("ab本章a");
    auto randomText = [&](int most) {
        QString text;
        for (int i = random.bounded(most + 1); i > 0; --i)
            text += alphabet.at(random.bounded(int(alphabet.size())));
        return text;
    };
    for (int run = 0; run < 20000; ++run) {
        const QString text = randomText(12);
        QString needle = randomText(3);
        if (needle.isEmpty() || needle.contains(QLatin1String("||")))
            continue;
        QCOMPARE(removeNeedDelStr(text, needle), QString(text).remove(needle));
    }
}

void TestChapterText::clean_data() {
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("expected");
    addRow("page around the text", "<html><head><title>t</title></head><body><div>正文</div></body></html>",
           "正文");
    addRow("blocks removed",
           "a<!-- c -->b<script>x()</script>c<style>p{}</style>d<iframe "
           "src=x></iframe>e<select><option>o</option></select>f",
           "abcdef");
    addRow("paragraphs, breaks and pictures kept",
           "<p class=x>一</p><br/><BR>二<br style=\"x\"><img src=\"a.jpg\"\nalt=\"图\"><font "
           "color=red>三</font>",
           "<p>一<br><br>二<br><img src=\"a.jpg\" alt=\"图\">三");
    addRow("blocks in any case, server code, a lone bracket at the end",
           "a<SCRIPT>x()</SCRIPT>b<Style>p{}</Style>c<%= v %>d<NoScript>n</NoScript>e<!---->f<", "abcdef<");
    addRow("a long s folds into an opener",
           QStringLiteral("a<") + QChar(0x017F) + QStringLiteral("cript>x()</script>b"), "ab");
    addRow("escaped text stays escaped", "1 &lt; 2 &gt; 0", "1 &lt; 2 &gt; 0");
    addRow("double angle quotes kept", "<<书名>>", "<<书名>>");
    addRow("a break tag does not swallow the text after it", "<Br>一<b>二</b>", "<br>一二");
    addRow("navigation texts removed", "正文[返回]【上一页】【 目录 】【下一页】", "正文");
    addRow("own page: only the chapter text",
           "<!--Quiveral样式--><h1>标题</h1><!--BookContent Start-->正文<!--BookContent End-->页脚", "正文");
}

void TestChapterText::clean() {
    QFETCH(QString, html);
    QFETCH(QString, expected);
    QCOMPARE(cleanChapterHtml(html), expected);
}

void TestChapterText::absoluteAddresses_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("expected");
    const QString page = QStringLiteral("http://site.test/book/12/345.html");
    addRow("absolute", "http://pic.test/a.jpg", "http://pic.test/a.jpg");
    addRow("protocol relative", "//pic.test/a.jpg", "http://pic.test/a.jpg");
    addRow("root", "/pic/a.jpg", "http://site.test/pic/a.jpg");
    addRow("backslash root", "\\pic\\a.jpg", "http://site.test/pic/a.jpg");
    addRow("folder", "pic/a.jpg", "http://site.test/book/12/pic/a.jpg");
    addRow("parent", "../a.jpg", "http://site.test/book/a.jpg");
    addRow("bare host", "www.pic.com/a.jpg", "http://www.pic.com/a.jpg");
    addRow("file name with .com", "logo.com.gif", "http://site.test/book/12/logo.com.gif");
}

void TestChapterText::absoluteAddresses() {
    QFETCH(QString, address);
    QFETCH(QString, expected);
    QCOMPARE(absoluteAddress(address, QStringLiteral("http://site.test/book/12/345.html")), expected);
}

void TestChapterText::pictureNames_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("background");
    QTest::addColumn<QString>("expected");
    addRow("quoted, unquoted, repeated", "<img src=\"a.JPG\"><IMG alt=x src=b.png border=0><img src='a.JPG'>",
           false,
           "<img src=\"000007_42_1.jpg\"><IMG alt=x src=\"000007_42_2.png\" border=0><img "
           "src=\"000007_42_1.jpg\">");
    addRow("unknown extension becomes gif", "<img src=\"pic.php?id=3\">", false,
           "<img src=\"000007_42_1.gif\">");
    addRow("address without a dot skipped", "<img src=\"pic\">", false, "<img src=\"pic\">");
    addRow("background prefix", "<td background=\"bg.png\">", true, "<td background=\"000007_42b_1.png\">");
}

// The names go into the text before any fetch; no fetch happens for an unreachable site.
void TestChapterText::pictureNames() {
    QFETCH(QString, text);
    QFETCH(bool, background);
    QFETCH(QString, expected);
    QStringList addresses;
    QHash<QString, QString> names;
    int number = 0;
    for (const QString& source : pictureSources(text, background)) {
        if (names.contains(source) || !source.contains(u'.'))
            continue;
        names.insert(source,
                     ChapterPictures::pictureFileName(QStringLiteral("000007"), 42, background, ++number,
                                                      ChapterPictures::pictureExtension(source)));
    }
    QCOMPARE(replacePictureSources(text, background, [&](const QString& s) { return names.value(s); }),
             expected);
}

void TestChapterText::pictureChapterNameStaysInItsFolder() {
    QTemporaryDir dir;
    const ChapterPictures::Chapter chapter{QStringLiteral("000001"), 5, QStringLiteral("http://s.test/p"),
                                           dir.path()};
    const QByteArray gif = QByteArray("GIF89a") + QByteArray(20, '\0');
    // A type the server made up cannot steer the file name out of the novel's folder.
    const QString text = ChapterPictures::savePictureChapter(gif, QStringLiteral("http://s.test/p"),
                                                             "image/x/../../../evil", chapter, false);
    QCOMPARE(text, QStringLiteral("<center><img src=000001_5_0.gif border=0></center>"));
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("000001_5_0.gif"))));
    QCOMPARE(ChapterPictures::savePictureChapter(gif, QStringLiteral("http://s.test/p.png"), "image/png",
                                                 chapter, true),
             QStringLiteral("<center><img src=000001_5_0.gif border=0></center>")); // the bytes decide
}

void TestChapterText::wholePage_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("whole");
    addRow("html tag", "<HTML><body>正文", true);
    addRow("head after line breaks", "<br><br><Head>正文", true);
    addRow("meta late in the text", "一<br>二<p>三<meta charset=gbk>", true);
    addRow("xml declaration", "<?xml version=\"1.0\"?><a/>", true);
    addRow("chapter text", "一<br>二<p>三<headline>", false);
    addRow("cut off at the end", "正文<htm", false);
}

void TestChapterText::wholePage() {
    QFETCH(QString, text);
    QFETCH(bool, whole);
    QCOMPARE(NovelFileWriter::isWholePage(text), whole);
}

void TestChapterText::chapterFile_data() {
    QTest::addColumn<QString>("displayCharset");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("present");
    QTest::addColumn<QString>("decodeAs");
    const QString tpl = QStringLiteral("<meta charset=gb2312><title>[[title]]</title>[[Content]]");
    addRow("text into the template", "gb2312", "正文 [[title]] 𠀀", "第一章 <甲>",
           QStringList{"<title>第一章 &lt;甲&gt;</title>", "正文 [[title]] 𠀀", "charset=gb2312"}, "GB18030");
    addRow("whole page as it is", "gb2312", "<html><body>整页</body></html>", "t",
           QStringList{"<html><body>整页</body></html>"}, "GB18030");
    addRow("big5 converted", "big5", "简体发财", "标题", QStringList{"簡體發財", "charset=big5"}, "Big5");
    addRow("utf-8 says so", "utf-8", "正文", "t", QStringList{"charset=utf-8", "正文"}, "UTF-8");
}

void TestChapterText::chapterFile() {
    QFETCH(QString, displayCharset);
    QFETCH(QString, text);
    QFETCH(QString, title);
    QFETCH(QStringList, present);
    QFETCH(QString, decodeAs);
    QTemporaryDir dir;
    const NovelFileWriter writer(LibraryFolder(dir.path()),
                                 QStringLiteral("<meta charset=gb2312><title>[[title]]</title>[[Content]]"),
                                 displayCharset);
    const QByteArray bytes = writer.pageBytes(text, title);
    QStringDecoder decoder(decodeAs.toLatin1().constData());
    QVERIFY(decoder.isValid());
    const QString page = decoder(bytes);
    for (const QString& s : present)
        QVERIFY2(page.contains(s), qPrintable(page));
    QVERIFY(writer.writeNovelFile(QStringLiteral("000001"), 3, text, title));
    QCOMPARE(fileBytes(dir.filePath(QStringLiteral("chm/000001/3.htm"))), bytes);
}

QTEST_GUILESS_MAIN(TestChapterText)
#include "tst_chaptertext.moc"
