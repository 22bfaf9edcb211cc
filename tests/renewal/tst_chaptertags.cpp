// The tag step of cleaning done in one pass must give what the regular expressions give, or step
// aside.
#include "renewal/chaptertags.h"
#include "support/rows.h"

#include <QRandomGenerator>
#include <QTest>

class TestChapterTags : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void onePass_data();
    void onePass();
    void agreesOnRandomTexts();
};

void TestChapterTags::onePass_data() {
    columns<QString, QString>("html", "expected");
    addRow("chapter text with breaks", "&nbsp;&nbsp;第一段。<br /><br />\r\n&nbsp;&nbsp;第二段。<BR>",
           "&nbsp;&nbsp;第一段。<br><br>\r\n&nbsp;&nbsp;第二段。<br>");
    addRow("paragraphs keep their case only when bare", "<p>一</p><P>二</P><p class=\"x\">三</p><P\tid=a>四",
           "<p>一<P>二<p>三<p>四");
    addRow("pre kept, other tags dropped", "<pre>a</pre><PRE>b<Pre>c<font color=red>d</font><b>e</b>",
           "<PRE>a<PRE>bcde");
    addRow("break forms that are no breaks", "a<br/ >b<brx>c<br/x>d", "abcd");
    addRow("escapes and lone brackets stay", "1 &lt; 2 &gt; 0 > -1 [注]", "1 &lt; 2 &gt; 0 > -1 [注]");
    addRow("a tag needs a character before its end", "a<>b>c", "ac");
    addRow("characters outside the basic plane", QString::fromUtf8("𠀀<br>𠀁"),
           QString::fromUtf8("𠀀<br>𠀁"));
    addRow("no tags at all", "正文", "正文");
    // The one pass steps aside from these.
    addRow("picture", "a<IMG src=x.jpg>b", QString());
    addRow("doubled opening brackets", "<<书名>>", QString());
    addRow("doubled closing brackets after a tag", "<b>>x", QString());
    addRow("escape written as text", "a[[lt;b", QString());
    addRow("unclosed bracket", "a<b", QString());
    addRow("bracket inside a tag", "<b x<br>y>z", QString());
    addRow("escape made by dropping a tag", "&l<b>t;", QString());
    addRow("lone surrogate", QString(QChar(0xd800)) + "<br>", QString());
}

void TestChapterTags::onePass() {
    QFETCH(QString, html);
    QFETCH(QString, expected); // null: the one pass steps aside
    const std::optional<QString> quick = keepTextTagsInOnePass(html);
    QCOMPARE(quick.has_value(), !expected.isNull());
    if (!quick) {
        // Still cleaned, the long way.
        QCOMPARE(keepTextTags(html), keepTextTagsStepByStep(html));
        return;
    }
    QCOMPARE(*quick, expected);
    QCOMPARE(keepTextTagsStepByStep(html), expected);
}

void TestChapterTags::agreesOnRandomTexts() {
    // The pieces of plain chapters first, then those that meet the rules' corners: every form of
    // the kept tags, escapes and their halves, doubled brackets, white space of every kind,
    // surrogates.
    const QStringList pieces = {
        "正文", "<br>", "<br />", "<p>", "</p>", "&nbsp;", "\r\n", "<b>", "x", "<P>",
        "<BR/>", "<br/ >", "<br\n>", "<brx>", "<p class=x>", "<P\v>", "<pre>", "<PRE>", "<Pre>",
        "<td x>", "td", "<img src=a>", "<IMG\nsrc=b>", "<", ">", "<>", "&lt;", "&gt;", "&l", "t;", "gt;",
        "&", "[[", "[", "lt;", "<<", ">>", " ", "\t", "\f", QString(QChar(0xa0)), QString(QChar(0x3000)),
        QString(QChar(0xd800)), QString(QChar(0xdc00)), QString::fromUtf8("𠀀"), "[返回]", "=\"", "'"};
    const int plain = 10;
    QRandomGenerator random(20261206);
    int quick = 0;
    const int runs = 100000;
    for (int run = 0; run < runs; ++run) {
        QString html;
        const int count = random.bounded(1, 12);
        // Mostly the pieces of plain chapters, sometimes any piece.
        for (int i = 0; i < count; ++i)
            html += pieces.at(random.bounded(random.bounded(4) == 0 ? pieces.size() : plain));
        const std::optional<QString> fast = keepTextTagsInOnePass(html);
        if (!fast)
            continue;
        ++quick;
        const QString reference = keepTextTagsStepByStep(html);
        if (*fast != reference)
            QFAIL(qPrintable(QStringLiteral("\"%1\": \"%2\" instead of \"%3\"").arg(html, *fast, reference)));
    }
    // Most texts must take the short way, or it saves nothing.
    QVERIFY2(quick > runs / 3, qPrintable(QString::number(quick)));
}

QTEST_GUILESS_MAIN(TestChapterTags)
#include "tst_chaptertags.moc"
