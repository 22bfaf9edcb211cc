// The text steps of a chapter page and the chapter file, where a slip loses or garbles text.
#include "renewal/chapterpictures.h"
#include "renewal/chaptertext.h"
#include "renewal/novelfilewriter.h"
#include "storage/textfile.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "text/html.h"

#include <gumbo.h>

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
    void pictureReferences_data();
    void pictureReferences();
    void pictureChapterNameStaysInItsFolder();
    void wholePage_data();
    void wholePage();
    void chapterFile_data();
    void chapterFile();
    void ownPagesAreRecognised_data();
    void ownPagesAreRecognised();
    void storedPagesRunNothing();
};

void TestChapterText::containsIgnoringCase_data() {
    columns<QString, QString, bool>("text", "literal", "found");
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
    const auto [text, literal, found] = fetch<QString, QString, bool>("text", "literal", "found");
    const QByteArray latin = literal.toLatin1();
    QCOMPARE(::containsIgnoringCase(text, QLatin1String(latin)), found);
}

void TestChapterText::cut_data() {
    columns<QString, QString, QString>("start", "end", "expected");
    const QString page = QStringLiteral("head<s>one<e>mid<s>two<e>tail");
    addRow("both", "<s>", "<e>", "one");
    addRow("start only: after the last", "<s>", "", "two<e>tail");
    addRow("end only", "", "<e>", "head<s>one");
    addRow("neither: whole page", "", "", page);
    addRow("markers not on the page: whole page", "<x>", "</x>", page);
}

void TestChapterText::cut() {
    const auto [start, end, expected] = fetch<QString, QString, QString>("start", "end", "expected");
    QCOMPARE(cutChapterContent(QStringLiteral("head<s>one<e>mid<s>two<e>tail"), start, end), expected);
}

void TestChapterText::needDelStr_data() {
    columns<QString, QString>("needDelStr", "expected");
    addRow("plain", "广告||推荐", "正文甲.丙正文a1b22");
    addRow("plain text with regex characters", "甲.丙", "正文广告正文a1b22推荐");
    addRow("regex", "[[\\d+]]", "正文广告甲.丙正文ab推荐");
    addRow("regex and plain", "[[[a-b]\\d]]||推荐", "正文广告甲.丙正文2");
    addRow("empty entries ignored", "||||", "正文广告甲.丙正文a1b22推荐");
    addRow("bracket text too short for a regex stays plain", "[[]]", "正文广告甲.丙正文a1b22推荐");
}

void TestChapterText::needDelStr() {
    const auto [needDelStr, expected] = fetch<QString, QString>("needDelStr", "expected");
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
    columns<QString, QString>("html", "expected");
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
    addRow("event handlers in any case and quoting",
           "<IMG src=\"a.jpg\" onerror=\"alert(1)\" ONLOAD=x onClick='y(\">\")' alt=图>正文<p onmouseover=z>",
           "<IMG src=\"a.jpg\" alt=图>正文<p>");
    addRow("handler straight after a quote; a slash inside an unquoted value",
           "<img src=\"a.jpg\"onerror=x alt=y><img src=b.jpg/onload=z>",
           "<img src=\"a.jpg\" alt=y><img src=b.jpg/onload=z>");
    addRow("script addresses, hidden or not",
           "<img src=\" jav&#x09;ascript&colon;alert(1)\"><img src=b.jpg dynsrc=VBScript:x><img "
           "src='&#106;avascript:y' style=\"width:expression(alert(1))\">",
           "<img><img src=b.jpg><img>");
    addRow("a tag brought back by doubled brackets shows as text",
           "<<iframe srcdoc=\"&lt;script&gt;alert(1)&lt;/script&gt;\">>",
           "<&lt;iframe srcdoc=\"&lt;script&gt;alert(1)&lt;/script&gt;\">>");
    addRow("a navigation text removed forms no live handler", "<<[返回]img src=x onerror=alert(1)>>",
           "<<img src=x>>");
    addRow("a tag left open at the end shows as text", "正文<img src=x onerror=\"alert(1)",
           "正文&lt;img src=x onerror=\"alert(1)");
}

void TestChapterText::clean() {
    const auto [html, expected] = fetch<QString, QString>("html", "expected");
    QCOMPARE(cleanChapterHtml(html), expected);
}

void TestChapterText::absoluteAddresses_data() {
    columns<QString, QString>("address", "expected");
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
    const auto [address, expected] = fetch<QString, QString>("address", "expected");
    QCOMPARE(absoluteAddress(address, QStringLiteral("http://site.test/book/12/345.html")), expected);
}

void TestChapterText::pictureReferences_data() {
    columns<QString, bool>("text", "background");
    // Fetched pictures get names; otherwise the reading view loads them from the site.
    columns<bool, QString>("named", "expected");
    addRow("quoted, unquoted, repeated", "<img src=\"a.JPG\"><IMG alt=x src=b.png border=0><img src='a.JPG'>",
           false, true,
           "<img src=\"000007_42_1.jpg\"><IMG alt=x src=\"000007_42_2.png\" border=0><img "
           "src=\"000007_42_1.jpg\">");
    addRow("unknown extension becomes gif", "<img src=\"pic.php?id=3\">", false, true,
           "<img src=\"000007_42_1.gif\">");
    addRow("address without a dot skipped", "<img src=\"pic\">", false, true, "<img src=\"pic\">");
    addRow("background prefix", "<td background=\"bg.png\">", true, true,
           "<td background=\"000007_42b_1.png\">");
    addRow("a src inside another value is no picture",
           "<img alt=\"a src=b.gif onerror=alert(1) \" src=a.jpg>", false, true,
           "<img alt=\"a src=b.gif onerror=alert(1) \" src=\"000007_42_1.jpg\">");
    addRow("a quoted > does not end the tag", "<img alt=\"1>2\" src='a.png'>", false, true,
           "<img alt=\"1>2\" src=\"000007_42_1.png\">");
    addRow("data-src of a page loading pictures late", "<img data-src=\"a.jpg\" src=\"wait.gif\">", false,
           true, "<img data-src=\"000007_42_1.jpg\" src=\"wait.gif\">");
    addRow("site address, relative", "<img src=a.jpg>", false, false,
           "<img src=\"http://site.test/book/12/a.jpg\">");
    addRow("site address, a quote stays inside the value", "<img src='http://x.test/a\"onerror=alert(1)//'>",
           false, false, "<img src=\"http://x.test/a&quot;onerror=alert(1)//\">");
    addRow("site address, background", "<td background=\"/bg.png\">", true, false,
           "<td background=\"http://site.test/bg.png\">");
}

// The names go into the text before any fetch; no fetch happens for an unreachable site.
void TestChapterText::pictureReferences() {
    const auto [text, background, named, expected] =
        fetch<QString, bool, bool, QString>("text", "background", "named", "expected");
    QHash<QString, QString> names;
    int number = 0;
    for (const QString& source : pictureSources(text, background)) {
        if (names.contains(source) || !source.contains(u'.'))
            continue;
        names.insert(source,
                     named ? ChapterPictures::pictureFileName(QStringLiteral("000007"), 42, background,
                                                              ++number,
                                                              ChapterPictures::pictureExtension(source))
                           : absoluteAddress(source, QStringLiteral("http://site.test/book/12/345.html")));
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
    columns<QString, bool>("text", "whole");
    addRow("html tag", "<HTML><body>正文", true);
    addRow("head after line breaks", "<br><br><Head>正文", true);
    addRow("meta late in the text", "一<br>二<p>三<meta charset=gbk>", true);
    addRow("xml declaration", "<?xml version=\"1.0\"?><a/>", true);
    addRow("chapter text", "一<br>二<p>三<headline>", false);
    addRow("cut off at the end", "正文<htm", false);
}

void TestChapterText::wholePage() {
    const auto [text, whole] = fetch<QString, bool>("text", "whole");
    QCOMPARE(NovelFileWriter::isWholePage(text), whole);
}

void TestChapterText::chapterFile_data() {
    columns<QString, QString, QString, QStringList, QString>("displayCharset", "text", "title", "present",
                                                             "decodeAs");
    const QString tpl = QStringLiteral("<meta charset=gb2312><title>[[title]]</title>[[Content]]");
    addRow("text into the template", "gb2312", "正文 [[title]] 𠀀", "第一章 <甲>",
           QStringList{"<title>第一章 &lt;甲&gt;</title>", "正文 [[title]] &#131072;", "charset=gb2312"},
           "GB18030");
    addRow("whole page as it is", "gb2312", "<html><body>整页</body></html>", "t",
           QStringList{"<html><body>整页</body></html>"}, "GB18030");
    addRow("big5 converted", "big5", "简体发财", "标题", QStringList{"簡體發財", "charset=big5"}, "Big5");
    addRow("utf-8 says so", "utf-8", "正文", "t", QStringList{"charset=utf-8", "正文"}, "UTF-8");
}

void TestChapterText::chapterFile() {
    const auto [displayCharset, text, title, present, decodeAs] =
        fetch<QString, QString, QString, QStringList, QString>("displayCharset", "text", "title", "present",
                                                               "decodeAs");
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

// A page the renewal writes is known as the program's own: its text is cut from it, and the reading
// view can lay it out again. Older libraries and user styles may have templates without the comment.
void TestChapterText::ownPagesAreRecognised_data() {
    // templateFile: written into the library without the comment
    columns<QString, QString>("style", "templateFile");
    addRow("普通样式", "普通样式", "");
    addRow("简洁样式", "简洁样式", "");
    addRow("外框样式", "外框样式", "");
    addRow("copy of an older library", "普通样式", "model/vbArticle1.htm");
    addRow("user style", "我的样式", "usermodel/我的样式/chaptermodel.htm");
}

void TestChapterText::ownPagesAreRecognised() {
    const auto [style, templateFile] = fetch<QString, QString>("style", "templateFile");
    TestLibrary lib;
    if (!templateFile.isEmpty())
        QVERIFY(writeFile(lib.path() + u'/' + templateFile,
                          QStringLiteral("<html><body><h1>[[title]]</h1><!--BookContent Start-->[[Content]]"
                                         "<!--BookContent End--><a href=List.htm>目录</a></body></html>")
                              .toUtf8()));
    lib.context().settings().setValue(QStringLiteral("ArticleStyle"), style);
    const NovelFileWriter writer(lib.context().folder(), lib.context().settings());
    const QString text = QStringLiteral("　　第一段。<br><br>　　第二段。");
    QVERIFY(writer.writeNovelFile(QStringLiteral("000001"), 7, text, QStringLiteral("第一章")));
    const QString page = readTextFile(lib.context().folder().chapterPage(QStringLiteral("000001"), 7));
    QVERIFY(page.contains(QStringLiteral("第一章")));
    QCOMPARE(cleanChapterHtml(page), text);
    QCOMPARE(getStyledPageContent(page), formatParagraphs(text));
}

namespace {

// A page as an HTML parser builds it: what a browser would run (event handlers, script addresses,
// elements of the chapter text other than pictures, paragraphs and line breaks), and the links of
// the template around the text.
struct PageScan {
    QStringList active;
    int templateLinks = 0;
};

void scanPage(const GumboNode* node, bool inContent, PageScan& scan) {
    if (node->type != GUMBO_NODE_ELEMENT)
        return;
    const GumboElement& element = node->v.element;
    static const GumboTag textTags[] = {GUMBO_TAG_IMG, GUMBO_TAG_P, GUMBO_TAG_BR, GUMBO_TAG_PRE,
                                        GUMBO_TAG_CENTER};
    if (inContent && std::find(std::begin(textTags), std::end(textTags), element.tag) == std::end(textTags))
        scan.active << QStringLiteral("element ") + QString::fromUtf8(gumbo_normalized_tagname(element.tag));
    if (!inContent && element.tag == GUMBO_TAG_A)
        ++scan.templateLinks;
    for (unsigned i = 0; i < element.attributes.length; ++i) {
        const auto* attribute = static_cast<const GumboAttribute*>(element.attributes.data[i]);
        const QString name = QString::fromUtf8(attribute->name);
        QString value = QString::fromUtf8(attribute->value).toLower();
        value.removeIf([](QChar c) { return c.unicode() <= 0x20; });
        if (name.startsWith(QLatin1String("on")) || value.contains(QLatin1String("script:")))
            scan.active << name + u'=' + value;
        if (name == QLatin1String("class") && value.startsWith(QLatin1String("content")))
            inContent = true;
    }
    for (unsigned i = 0; i < element.children.length; ++i)
        scanPage(static_cast<const GumboNode*>(element.children.data[i]), inContent, scan);
}

} // namespace

// Hostile chapter text, cleaned, its pictures named and centred, and written into the chapter
// template: a parser finds nothing that runs and the template around it intact.
void TestChapterText::storedPagesRunNothing() {
    // Pieces of hostile markup, "|" between them.
    static const QStringList bits =
        QStringLiteral("<img|<IMG | src=| src='| src='http://x.test/|a.jpg|\"|'| onerror=| ONLOAD|"
                       "alert(1)|javascript:|jav&#x09;ascript&colon;|&#106;avascript:|vbscript:|<<|>>|>|"
                       "<|/|=| |\t|\n|<p|<br|<pre>|<iframe| srcdoc=|&lt;script&gt;|<script>|</script>|"
                       "<svg|<a href=|[返回]|<!--|-->|</|<title>|</title>|正文| style=|expression(|`|<image|"
                       "<textarea>|&")
            .split(u'|');
    TestLibrary lib;
    const NovelFileWriter writer(lib.context().folder(), lib.context().settings());
    QRandomGenerator random(24);
    for (int round = 0; round < 4000; ++round) {
        QString text;
        for (int i = int(random.bounded(1, 24)); i > 0; --i)
            text += bits.at(random.bounded(int(bits.size())));
        QString stored = cleanChapterHtml(text);
        stored = replacePictureSources(stored, false, [](const QString& s) {
            return absoluteAddress(s, QStringLiteral("http://site.test/book/1.html"));
        });
        stored = centerPictures(stored);
        const QByteArray page = writer.pageText(stored, QStringLiteral("标题")).toUtf8();
        GumboOutput* output =
            gumbo_parse_with_options(&kGumboDefaultOptions, page.constData(), size_t(page.size()));
        PageScan scan;
        scanPage(output->root, false, scan);
        gumbo_destroy_output(&kGumboDefaultOptions, output);
        const QString story = text + QStringLiteral("\n→ ") + stored + QStringLiteral("\n");
        QVERIFY2(scan.active.isEmpty(), qPrintable(story + scan.active.join(u' ')));
        QCOMPARE(scan.templateLinks, 3); // 上一章, 目录, 下一章
    }
}

QTEST_GUILESS_MAIN(TestChapterText)
#include "tst_chaptertext.moc"
