#include "support/rows.h"
#include "text/charset.h"
#include "text/html.h"
#include "text/innertext.h"

#include <QHash>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

namespace {

// Paragraph formatting the plain way, one Qt replace after the other: what the one-pass steps of
// formatParagraphs must give for every text.
QString paragraphsStepByStep(const QString& text) {
    static const QString sentenceEnds = QStringLiteral("。？！’”…．.?!'\"~）─");
    const QString br = QStringLiteral("<br>");
    QString out = text;
    out.remove(QStringLiteral("&nbsp;"));
    out.remove(QStringLiteral("　　"));
    out.remove(QStringLiteral("    "));
    out.remove(charFromCodePageValue(0xA3A0));
    out.remove(u'\t');
    out.replace(QLatin1String("\r\n"), br);
    out.replace(u'\n', br);
    out.replace(u'\r', br);
    for (const char* tag : {"<p>", "<P>", "</P>", "</p>"})
        out.replace(QLatin1String(tag), br);
    for (int i = 0; i < 5; ++i)
        out.replace(QLatin1String("<br><br>"), br, Qt::CaseInsensitive);
    for (const QChar c : sentenceEnds)
        for (const char* gap : {"", " ", "  "})
            out.replace(c + QLatin1String(gap) + br, c + QStringLiteral("\r\n\r\n　　"), Qt::CaseInsensitive);
    for (const char* tag : {"<br>", "<BR>", "<Br>"})
        out.remove(QLatin1String(tag));
    out.replace(QLatin1String("\r\n\r\n"), QLatin1String("<br><br>"));
    if (out.size() > 1)
        out.remove(QRegularExpression(QStringLiteral("^ +")));
    return QStringLiteral("　　") + out;
}

} // namespace

class TestHtml : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void transforms_data();
    void transforms();
    void paragraphsAgreeWithStepByStep();
    void innerTextSurvivesDeepNesting();
    void plainLinks_data();
    void plainLinks();
    void plainLinksReadAsTheParserReadsThem();
    void simplePagesReadAsTheParserReadsThem();
    void imageSourcesByPattern();
    void quotedValue_data();
    void quotedValue();
    void activeContent_data();
    void activeContent();
};

// Text-to-text steps of page handling, one column naming the step.
void TestHtml::transforms_data() {
    columns<QString, QString, QString>("function", "input", "expected");
    auto row = [](const char* function, const char* name, const QString& input, const QString& expected) {
        QTest::addRow("%s: %s", function, name) << QString::fromLatin1(function) << input << expected;
    };
    const QString ind = QStringLiteral("　　");

    row("paragraphs", "joins lines without end punctuation", "第一句。\r\n第二句\r\n接着。",
        ind + "第一句。<br><br>" + ind + "第二句接着。");
    row("paragraphs", "empty", "", ind);
    row("paragraphs", "one space before break", "a。 <br>b", ind + "a。<br><br>" + ind + "b");
    row("paragraphs", "two spaces before break", "a。  <br>b", ind + "a。<br><br>" + ind + "b");
    row("paragraphs", "three spaces join", "a。   <br>b", ind + "a。   b");
    row("paragraphs", "four spaces are dropped first", "a。    <br>b", ind + "a。<br><br>" + ind + "b");
    row("paragraphs", "lone LF and CR", "a！\nb？\rc", ind + "a！<br><br>" + ind + "b？<br><br>" + ind + "c");
    row("paragraphs", "paragraph tags", "<p>a.</p><P>b!", ind + "a.<br><br>" + ind + "b!");
    // A break after the last sentence still opens an (empty) paragraph.
    row("paragraphs", "closing paragraph tag", "a.</p>", ind + "a.<br><br>" + ind);
    row("paragraphs", "upper-case breaks", "a”<BR><Br><bR>b", ind + "a”<br><br>" + ind + "b");
    row("paragraphs", "many breaks collapse", "a。" + QStringLiteral("<br>").repeated(32) + "b",
        ind + "a。<br><br>" + ind + "b");
    row("paragraphs", "old indents removed", "　　a。\r\n    b。\r\n\tc&nbsp;d",
        ind + "a。<br><br>" + ind + "b。<br><br>" + ind + "cd");
    row("paragraphs", "single ideographic space stays", "　a", ind + "　a");
    row("paragraphs", "leading ascii spaces", "   a", ind + "a");
    row("paragraphs", "one space alone stays", " ", ind + " ");
    row("paragraphs", "every sentence end",
        "1。\n2？\n3！\n4’\n5”\n6…\n7．\n8.\n9?\n10!\n11'\n12\"\n13~\n14）\n15─\n16",
        ind + "1。<br><br>" + ind + "2？<br><br>" + ind + "3！<br><br>" + ind + "4’<br><br>" + ind +
            "5”<br><br>" + ind + "6…<br><br>" + ind + "7．<br><br>" + ind + "8.<br><br>" + ind +
            "9?<br><br>" + ind + "10!<br><br>" + ind + "11'<br><br>" + ind + "12\"<br><br>" + ind +
            "13~<br><br>" + ind + "14）<br><br>" + ind + "15─<br><br>" + ind + "16");
    row("paragraphs", "comma joins", "a，\r\nb", ind + "a，b");
    row("paragraphs", "A3A0 removed", "a" + charFromCodePageValue(0xA3A0) + "b", ind + "ab");
    const QString styled = kStyledPageComment;
    row("styledPage", "styled", "<html>" + styled + kBookContentStart + "a。\r\nb" + kBookContentEnd,
        QStringLiteral("　　a。<br><br>　　b"));
    row("styledPage", "written in Big5",
        "<!--Quiveral&#26679;式-->" + kBookContentStart + "a" + kBookContentEnd, QStringLiteral("　　a"));
    row("styledPage", "traditional script", "<!--Quiveral樣式-->" + kBookContentStart + "a" + kBookContentEnd,
        QStringLiteral("　　a"));
    row("styledPage", "not styled", kBookContentStart + "a" + kBookContentEnd, "-1");
    row("styledPage", "styled but empty", styled + kBookContentStart + kBookContentEnd, "-1");
    row("styledPage", "styled, end missing", styled + kBookContentStart + "a", "-1");
    row("innerText", "empty", "", "");
    row("innerText", "white space collapses", "  a \r\n\t b  <b> c </b> d ", "a b c d");
    row("innerText", "br", "a<br>b<BR/>  c", "a\r\nb\r\nc");
    row("innerText", "leading br kept", "<br>a", "\r\na");
    row("innerText", "paragraphs", "<p>a</p><p>b</p>", "a\r\n\r\nb");
    row("innerText", "divs", "<div>a</div><div><div>b</div></div>c", "a\r\nb\r\nc");
    row("innerText", "no breaks at the ends", "<div><p>a</p></div>", "a");
    row("innerText", "hidden parts", "<script>x()</script><style>p{}</style>a<noscript>n</noscript>", "a");
    row("innerText", "document head", "<html><head><title>T</title></head><body>b</body></html>", "b");
    row("innerText", "entities", "&lt;a&gt; &amp; &quot;&nbsp;&#20013;", "<a> & \"\u00A0中");
    row("innerText", "table", "<table><tr><td>1</td><td>2</td></tr><tr><td>3</td></tr></table>", "1\t2\r\n3");
    row("innerText", "pre keeps spaces", "<pre>a  b\n c</pre>", "a  b\r\n c");
    row("innerText", "ideographic spaces stay", "<p>　　第一段</p>", "　　第一段");
    row("innerText", "unclosed tags", "<p>a<p>b<div>c", "a\r\n\r\nb\r\n\r\nc");
    row("innerText", "comments", "a<!-- x -->b", "ab");
    row("innerText", "images and inputs", "a<img src=x alt=y><input value=v>b", "ab");
    row("plainText", "links, options, scripts gone",
        "a<a href=x>link</a><select><option>o</option></select><script>s()</script>b", "ab");
    row("plainText", "newfont2 span gone", "a<span class=\"newfont2\">ad</span>b", "ab");
    row("plainText", "blank lines halved", "<p>a</p><p>b</p>", "a\r\nb");
    row("entities", "all", "&quot;&nbsp;&lt;&gt;<br>&#91;&#93;&amp;&#13;&#10;&#39;&#183;",
        "\" <>\r\n[]&\r\n'·");
    // &lt; comes before &amp;, &#39; after it.
    row("entities", "order", "&amp;lt; &amp;#39;", "&lt; '");
    row("entities", "case-sensitive", "&QUOT;<BR>", "&QUOT;<BR>");
    row("imageSources", "double quotes", "<img src=\"a.jpg\"><IMG SRC=\" b.gif \">", "a.jpg||b.gif||");
    row("imageSources", "single quotes after double", "<img src='c.png'><img src=\"a.jpg\">",
        "a.jpg||c.png||");
    row("imageSources", "bare, space ended", "<img src=a.jpg width=1><img src=b.jpg >", "a.jpg||b.jpg||");
    row("imageSources", "bare, tag ended", "<img src=a.jpg>", "a.jpg||");
    row("imageSources", "bare ignored when quoted exist", "<img src=a.jpg ><img src=\"b.jpg\">", "b.jpg||");
    row("imageSources", "empty src anywhere", "<img src=\"a.jpg\"><img src=\"\"><img src=\"b.jpg\">", "");
    row("imageSources", "no pictures", "<p>text</p>", "");
    row("titles", "tags and book marks", "<h1><a href=x>《斗破苍穹》</a></h1>", "斗破苍穹");
    row("titles", "cut tag", "class=\"t\">书名：凡人修仙传 ", "凡人修仙传");
    row("titles", "labels and breaks", "最新章节：第一章\r\n\t更新时间", "第一章");
    row("titles", "entities", "&quot;雪中&amp;刀&quot;&nbsp;", "\"雪中&刀\"");
    row("titles", "current chapter", "当前章节 黄金", "黄金");
    row("cleanWord", "Word markup",
        "<?xml version=\"1.0\"?><meta name=ProgId content=Word.Document><p style='margin:0'>"
        "<span lang=ZH-CN>文字</span><o:p></o:p></p><![if !supportLists]>1.<![endif]>"
        "<TABLE border=1 style=\"x\"><tr><td>c</td></tr></table>",
        "<p >文字</p>1.<table width=\"95%\" align=center border=1 cellspacing=0 cellpadding=3 "
        "bordercolorlight=#000000 bordercolordark=#000000 "
        "style='border-collapse: collapse;word-break:break-all'><tr><td>c</td></tr></table>");
    row("curlyQuotes", "pairs, last one open", "他说\"好\"，又说\"不\"\"", "他说“好”，又说“不”\"");
}

void TestHtml::transforms() {
    using Transform = QString (*)(const QString&);
    static const QHash<QString, Transform> functions = {
        {"paragraphs", formatParagraphs}, {"styledPage", getStyledPageContent},
        {"innerText", htmlInnerText},     {"plainText", htmlToPlainText},
        {"entities", decodeHtmlEntities}, {"imageSources", extractImageSources},
        {"titles", cleanTitleText},       {"cleanWord", cleanWordHtml},
        {"curlyQuotes", curlyQuotes}};
    const auto [function, input, expected] =
        fetch<QString, QString, QString>("function", "input", "expected");
    QVERIFY(functions.contains(function));
    QCOMPARE(functions.value(function)(input), expected);
}

void TestHtml::paragraphsAgreeWithStepByStep() {
    // Breaks in every case and in pieces, runs of them longer than five halvings undo, sentence ends
    // with and without their spaces, and everything the first steps remove or turn into breaks.
    const QList<QString> pieces = {"<br>",
                                   "<BR>",
                                   "<Br>",
                                   "<bR>",
                                   "<",
                                   "br",
                                   ">",
                                   "<p>",
                                   "</P>",
                                   "&nbsp;",
                                   "　",
                                   " ",
                                   "  ",
                                   "\t",
                                   "\r\n",
                                   "\r",
                                   "\n",
                                   "。",
                                   ".",
                                   "!",
                                   "”",
                                   "─",
                                   "，",
                                   "a",
                                   "章",
                                   charFromCodePageValue(0xA3A0),
                                   QStringLiteral("<br>").repeated(40)};
    QRandomGenerator random(20261207);
    for (int round = 0; round < 30000; ++round) {
        QString text;
        for (int i = int(random.bounded(16)); i > 0; --i)
            text += pieces.at(int(random.bounded(int(pieces.size()))));
        const QString expected = paragraphsStepByStep(text);
        const QString got = formatParagraphs(text);
        if (got != expected)
            QFAIL(qPrintable(QStringLiteral("\"%1\": \"%2\", step by step \"%3\"").arg(text, got, expected)));
    }
}

void TestHtml::innerTextSurvivesDeepNesting() {
    const int depth = 200000;
    const QString html = QStringLiteral("<div>").repeated(depth) + QStringLiteral("深处") +
                         QStringLiteral("</div>").repeated(depth);
    QCOMPARE(htmlInnerText(html), QStringLiteral("深处"));
    QCOMPARE(htmlInnerText(QStringLiteral("<b><i>").repeated(depth) + u'x'), QStringLiteral("x"));
    // Bad pages leave every line's <div> open; past the nesting limit the lines must stay apart.
    QStringList lines;
    for (int i = 0; i < 2000; ++i)
        lines.append(QString::number(i));
    QCOMPARE(htmlInnerText(u"<div>" + lines.join(QStringLiteral("<div>"))),
             lines.join(QStringLiteral("\r\n")));
}

void TestHtml::plainLinks_data() {
    columns<QString, bool, QString, QString, QString>("html", "plain", "href", "onclick", "text");
    addRow("quoted", "<a href=\"1.html\">第1章 山河</a>", true, "1.html", "", "第1章 山河");
    addRow("unquoted, upper case", "<A HREF=/b/2.html TARGET=_blank>第2章</A>", true, "/b/2.html", "",
           "第2章");
    addRow("spaces around =, single quotes, onclick",
           "<a\thref = '#' onclick=\"go(3)\" >  第3章 \r\n 重逢\t</a>", true, "#", "go(3)", "第3章 重逢");
    addRow("unquoted value takes the slash", "<a href=1.html/>x</a>", true, "1.html/", "", "x");
    addRow("attribute twice", "<a href=a.html href=b.html>x</a>", false, "", "", "");
    addRow("empty href, empty text", "<a href>  </a>", true, "", "", "");
    addRow("no href", "<a name=x>卷一</a>", false, "", "", "");
    addRow("entity in the text", "<a href=1.html>甲 &amp; 乙</a>", false, "", "", "");
    addRow("entity in the address", "<a href=\"a?x=1&amp;y=2\">x</a>", false, "", "", "");
    addRow("tag in the text", "<a href=1.html><b>x</b></a>", false, "", "", "");
    addRow("quote not closed", "<a href=\"1.html>x</a>", false, "", "", "");
    addRow("no space between attributes", "<a href=\"1\"title=\"t\">x</a>", false, "", "", "");
    addRow("self-closing slash", "<a href=\"1.html\"/>x</a>", false, "", "", "");
    addRow("line break in a value", "<a href=\"1\r\n.html\">x</a>", false, "", "", "");
}

void TestHtml::plainLinks() {
    const auto [html, plain, href, onclick, text] =
        fetch<QString, bool, QString, QString, QString>("html", "plain", "href", "onclick", "text");
    const std::optional<HtmlLink> link = plainHtmlLink(html);
    QCOMPARE(link.has_value(), plain);
    if (!plain)
        return;
    QCOMPARE(link->href, href);
    QCOMPARE(link->onclick, onclick);
    QCOMPARE(link->text, text);
    // The parser agrees.
    const QList<HtmlLink> parsed = htmlLinks(html);
    QCOMPARE(parsed.size(), 1);
    QCOMPARE(parsed.first().href, href);
    QCOMPARE(parsed.first().text, text);
}

void TestHtml::plainLinksReadAsTheParserReadsThem() {
    // Links from pieces that meet the corners of the plain form; whatever it reads, the parser reads
    // the same way.
    const QStringList starts{"<a ", "<A\t", "<a\r\n", "<a", "<ab "};
    const QStringList attributes{" href=\"1.html\"",
                                 " HREF='/b/2.html'",
                                 " href=3.html",
                                 " href = \"4.html\"",
                                 " href",
                                 " onclick=\"go(1)\"",
                                 " OnClick=go(2)",
                                 " title=\"标题\"",
                                 " id=x",
                                 " href=\"a&amp;b\"",
                                 " href=\"a<b\"",
                                 " href=a\"b",
                                 " href=\"a\"b=c",
                                 " href=\"\x01\"",
                                 " data-x=`y`",
                                 " href=\"\u0085\"",
                                 " /",
                                 "  ",
                                 " href=''",
                                 " href=\"\r\n\""};
    const QStringList texts{"第一章",
                            " ",
                            "\r\n",
                            "\t",
                            "甲  乙",
                            "&amp;",
                            "<b>粗</b>",
                            ">",
                            "a",
                            "\u3000",
                            QString(QChar(0xD83D)) + QChar(0xDE00),
                            "\u0001",
                            "\u00a0",
                            "\ufeff"};
    const QStringList ends{"</a>", "</A>", "</a >", "</b>"};
    QRandomGenerator random(20261206);
    int plain = 0;
    const int rounds = 20000;
    for (int round = 0; round < rounds; ++round) {
        QString html = starts.at(random.bounded(random.bounded(3) == 0 ? starts.size() : 2));
        for (int k = random.bounded(4); k >= 0; --k)
            html += attributes.at(random.bounded(random.bounded(3) == 0 ? attributes.size() : 8));
        html += random.bounded(8) == 0 ? QStringLiteral("") : QStringLiteral(">");
        for (int k = random.bounded(5); k > 0; --k)
            html += texts.at(random.bounded(random.bounded(3) == 0 ? texts.size() : 5));
        html += ends.at(random.bounded(random.bounded(4) == 0 ? ends.size() : 1));

        const std::optional<HtmlLink> link = plainHtmlLink(html);
        if (!link)
            continue;
        ++plain;
        const QList<HtmlLink> parsed = htmlLinks(html);
        QVERIFY2(parsed.size() == 1, qPrintable(html));
        QVERIFY2(parsed.first().href == link->href, qPrintable(html));
        QVERIFY2(parsed.first().onclick == link->onclick,
                 qPrintable(html + u"|" + parsed.first().onclick + u"|" + link->onclick));
        QVERIFY2(parsed.first().text == link->text,
                 qPrintable(html + u'|' + parsed.first().text + u'|' + link->text));
    }
    // Both ways are taken often.
    QVERIFY2(plain > rounds / 10 && plain < rounds * 9 / 10, qPrintable(QString::number(plain)));
}

void TestHtml::simplePagesReadAsTheParserReadsThem() {
    // Pages from pieces around the corners of the quick reading: mostly nested tags the way pages
    // are written, sometimes a tag or text it must leave to the parser. Whatever it reads, the
    // parser reads the same way.
    const QStringList heads{"<title>第一章</title>", "<meta charset=gbk>", "<link rel=stylesheet href=a.css>",
                            "<script>var a = \"<b>\";</script>", "<style>p { color: red }</style>",
                            "<!-- 注释 -->", "\r\n", "<title>a &amp; b</title>", "<div>", "正文"};
    const QStringList texts{"第一章", " ", "\r\n", "\t", "甲  乙", "&nbsp;", "&amp;", "&lt;b&gt;", "\u3000",
                            "&copy;", "&nbsp", "a < b", ">", QString(QChar(0xD83D)) + QChar(0xDE00),
                            QString(QChar(0xD83D)), "<!-- c -->", "<!-->", "<br>", "<br/>", "<img src=\"a.jpg\">",
                            "<hr>", "</br>", "<script>if (a < b) x();</script>", "<script><!-- x --></script>",
                            "<wbr>", "<input>"};
    const QStringList blocks{"div", "p", "center", "h1", "h2", "span", "font", "b", "a", "strong", "blockquote",
                             "table", "li", "pre", "i", "sub"};
    QRandomGenerator random(20261207);
    int simple = 0;
    const int rounds = 20000;
    for (int round = 0; round < rounds; ++round) {
        QString html = random.bounded(2) ? QStringLiteral("<!DOCTYPE html>\r\n") : QString();
        html += random.bounded(6) ? QStringLiteral("<html>\r\n<head>") : QStringLiteral("<HEAD>");
        for (int k = random.bounded(4); k > 0; --k)
            html += heads.at(random.bounded(random.bounded(4) == 0 ? heads.size() : 6));
        html += QStringLiteral("</head>\r\n<body bgcolor=#fff>");
        QStringList open;
        for (int k = random.bounded(12); k > 0; --k) {
            const int what = random.bounded(6);
            if (what < 2 || (what == 5 && open.isEmpty())) {
                html += texts.at(random.bounded(random.bounded(3) == 0 ? texts.size() : 9));
            } else if (what < 4 && open.size() < 6) {
                const QString tag = blocks.at(random.bounded(random.bounded(4) == 0 ? blocks.size() : 11));
                html += u'<' + (random.bounded(5) ? tag : tag.toUpper()) +
                        (random.bounded(3) ? QStringLiteral(">") : QStringLiteral(" class=\"c\">"));
                open << tag;
            } else if (!open.isEmpty()) {
                // Now and then one closed out of turn or left open.
                const QString tag = random.bounded(8) ? open.takeLast() : open.at(random.bounded(open.size()));
                if (random.bounded(10))
                    html += QStringLiteral("</") + tag + u'>';
            }
        }
        while (!open.isEmpty() && random.bounded(10))
            html += QStringLiteral("</") + open.takeLast() + u'>';
        html += random.bounded(8) ? QStringLiteral("</body>\r\n</html>\r\n") : QStringLiteral("</body>x");

        const std::optional<QString> quick = simplePageInnerText(html);
        if (!quick)
            continue;
        ++simple;
        const QString parsed = htmlInnerTextParsed(html);
        QVERIFY2(*quick == parsed, qPrintable(html + u"\n|" + *quick + u"|\n|" + parsed + u'|'));
    }
    // Both ways are taken often.
    QVERIFY2(simple > rounds / 10 && simple < rounds * 9 / 10, qPrintable(QString::number(simple)));
}

void TestHtml::imageSourcesByPattern() {
    const QString page = QStringLiteral("<img src=\"logo.gif\"><div id=c><img src=\"1.jpg\"></div>"
                                        "<div id=c><img src=\"2.jpg\"></div>");
    QCOMPARE(extractImageSourcesByPattern(page, QStringLiteral("<div id=c>[\\s\\S]+?</div>")),
             QStringLiteral("1.jpg||2.jpg||"));
}

void TestHtml::quotedValue_data() {
    columns<QString, bool, QString>("fragment", "keepEquals", "expected");
    addRow("double", "href=\"a.htm?x=1\" target=_blank>", false, "a.htm?x1");
    addRow("double, keep =", "href=\"a.htm?x=1\">", true, "a.htm?x=1");
    addRow("single", "href='b.htm'>", false, "b.htm");
    addRow("unquoted", "=c.htm>", false, "c.htm");
    addRow("double before single", "'x' \"y\"", false, "y");
}

void TestHtml::quotedValue() {
    const auto [fragment, keepEquals, expected] =
        fetch<QString, bool, QString>("fragment", "keepEquals", "expected");
    QCOMPARE(extractQuotedValue(fragment, keepEquals), expected);
}

// Markup of a stored chapter keeping pictures and paragraphs: nothing a browser or help viewer runs.
void TestHtml::activeContent_data() {
    columns<QString, QString>("html", "expected");
    addRow("nothing to strip", "<p>一<img src=x.jpg alt=\"b\" style=\"width:90%\"></p>",
           "<p>一<img src=x.jpg alt=\"b\" style=\"width:90%\"></p>");
    addRow("names in any case", "<IMG SRC=x OnError=y>", "<IMG SRC=x>");
    addRow("handler without a value, equals before a name", "<img =onerror=x onload>", "<img =onerror=x>");
    addRow("a removal gives the attribute before no value", "<img src onerror=x =javascript:y>",
           "<img src / =javascript:y>");
    addRow("a value holding a tag stays a value", "<img alt=\"<img onerror=x>\">",
           "<img alt=\"<img onerror=x>\">");
    addRow("entities with zeros and without semicolons", "<img src=\"&#0000106&#97;vascript:x\" alt=1>",
           "<img alt=1>");
    addRow("line feed and tab entities", "<img src=\"java&NewLine;script&Tab;:x\">", "<img>");
    addRow("styles that run code",
           "<img style=\"wid/**/th:exp/**/ression(1)\"><p style='behavior:url(a.htc)'>", "<img><p>");
    addRow("comments, declarations and instructions show as text", "<!--x--><!DOCTYPE html><?php ?>",
           "&lt;!--x-->&lt;!DOCTYPE html>&lt;?php ?>");
    addRow("end tags: kept ones stay", "</p></script></ x>", "</p>&lt;/script>&lt;/ x>");
    addRow("a rejected tag's value is text, a tag inside it is read", "<title x=\"<img src=a onerror=b>\">",
           "&lt;title x=\"<img src=a>\">");
    addRow("lone brackets", "a < b <3 <<书>> 1<", "a < b <3 <<书>> 1<");
}

void TestHtml::activeContent() {
    const auto [html, expected] = fetch<QString, QString>("html", "expected");
    QCOMPARE(stripActiveContent(html, {QStringLiteral("img"), QStringLiteral("p")}), expected);
}

QTEST_GUILESS_MAIN(TestHtml)
#include "tst_html.moc"
