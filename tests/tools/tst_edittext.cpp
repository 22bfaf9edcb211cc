// The chapter editor's text helpers: the table it inserts and its checks, find and replace over the
// source text, and HTML pasted from word processors.
#include "support/rows.h"
#include "tools/editorlink.h"
#include "tools/pastedhtml.h"
#include "tools/tablehtml.h"
#include "tools/textfinder.h"

#include <QTest>

Q_DECLARE_METATYPE(TableFields)

namespace {

TableFields customTable(const QString& rows, const QString& cols) {
    TableFields fields;
    fields.rows = rows;
    fields.cols = cols;
    fields.border = QStringLiteral("1");
    fields.cellPadding = QStringLiteral("2");
    fields.cellSpacing = QStringLiteral("0");
    return fields;
}

TextFinder::Options options(bool matchCase, bool wholeWord) {
    TextFinder::Options o;
    o.matchCase = matchCase;
    o.wholeWord = wholeWord;
    return o;
}

} // namespace

class TestEditText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void tableCheck_data();
    void tableCheck();
    void tableHtml_data();
    void tableHtml();
    void find_data();
    void find();
    void replace_data();
    void replace();
    void pasted_data();
    void pasted();
    void linkAddress_data();
    void linkAddress();
};

void TestEditText::tableCheck_data() {
    QTest::addColumn<QString>("field"); // the field given the typed value
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("message");

    addRow("rows zero", "rows", "0", "请输入正整数型的行数值");
    addRow("rows negative", "rows", "-1", "请输入正整数型的行数值");
    addRow("rows not a number", "rows", "abc", "请输入正整数型的行数值");
    addRow("rows empty", "rows", "", "请输入正整数型的行数值");
    addRow("rows fraction", "rows", "1.5", "请输入正整数型的行数值");
    addRow("rows 100", "rows", "100", "");
    addRow("rows 101", "rows", "101", "请输入正整数型且小于等于100的行数值");
    addRow("rows beyond int", "rows", "99999999999999999999", "请输入正整数型且小于等于100的行数值");
    addRow("rows leading zeros", "rows", "007", "");
    addRow("rows with attribute", "rows", "1 onclick=x", "请输入正整数型的行数值");
    addRow("cols zero", "cols", "0", "请输入正整数型的列数值");
    addRow("cols 100", "cols", "100", "");
    addRow("cols 101", "cols", "101", "请输入正整数型且小于等于100的列数值");
    addRow("border zero", "border", "0", "");
    addRow("border with attribute", "border", "1 onmouseover=x", "请输入非负整数型的边框粗细值");
    addRow("border negative", "border", "-1", "请输入非负整数型的边框粗细值");
    addRow("padding empty", "cellPadding", "", "请输入非负整数型的单元格边距值");
    addRow("spacing quote", "cellSpacing", "1'", "请输入非负整数型的单元格间距值");
    addRow("width percent", "width", "50%", "");
    addRow("width closing tag", "width", "50><script>", "请输入非负整数型的宽度值");
    addRow("height percent twice", "height", "5%%", "请输入非负整数型的高度值");
    addRow("unchecked height ignored", "heightOff", "x onclick=y", "");
    addRow("print style ignores fields", "printBorder", "1 onclick=x", "");
}

void TestEditText::tableCheck() {
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QString, message);

    TableFields fields = customTable(QStringLiteral("2"), QStringLiteral("3"));
    fields.width = QStringLiteral("100");
    fields.height = QStringLiteral("20");
    fields.useWidth = true;
    fields.useHeight = true;
    if (field == QLatin1String("rows"))
        fields.rows = value;
    else if (field == QLatin1String("cols"))
        fields.cols = value;
    else if (field == QLatin1String("border"))
        fields.border = value;
    else if (field == QLatin1String("cellPadding"))
        fields.cellPadding = value;
    else if (field == QLatin1String("cellSpacing"))
        fields.cellSpacing = value;
    else if (field == QLatin1String("width"))
        fields.width = value;
    else if (field == QLatin1String("height"))
        fields.height = value;
    else if (field == QLatin1String("heightOff")) {
        fields.height = value;
        fields.useHeight = false;
    } else if (field == QLatin1String("printBorder")) {
        fields.border = value;
        fields.style = TableFields::Style::Print;
    }
    QCOMPARE(TableHtml::check(fields), message);
}

void TestEditText::tableHtml_data() {
    QTest::addColumn<TableFields>("fields");
    QTest::addColumn<QString>("expected");

    TableFields print = customTable(QStringLiteral("1"), QStringLiteral("2"));
    print.style = TableFields::Style::Print;
    QTest::newRow("print style") << print
                                 << QStringLiteral(
                                        "<table class=detail border=0 cellpadding=\"3\" cellspacing=\"1\" "
                                        "width=\"95%\" align=\"center\"><tr><td class=detail_list "
                                        "height=30></td><td class=detail_list height=30></td></tr></table>");

    TableFields edit = customTable(QStringLiteral("2"), QStringLiteral("1"));
    edit.style = TableFields::Style::Edit;
    QTest::newRow("edit style") << edit
                                << QStringLiteral(
                                       "<table align=center border=1 width=95% cellspacing=1 "
                                       "style='border-collapse: collapse;word-break:break-all' "
                                       "cellpadding=3><tr><td ></td></tr><tr><td ></td></tr></table>");

    QTest::newRow("custom default align")
        << customTable(QStringLiteral("1"), QStringLiteral("1"))
        << QStringLiteral("<table border=1 cellpadding=2 cellspacing=0><tr><td ></td></tr></table>");

    TableFields sized = customTable(QStringLiteral(" 1 "), QStringLiteral("2"));
    sized.align = QStringLiteral("justify");
    sized.width = QStringLiteral("80%");
    sized.height = QStringLiteral("300");
    sized.useWidth = true;
    sized.useHeight = true;
    QTest::newRow("custom aligned and sized")
        << sized
        << QStringLiteral("<table align=justify border=1 cellpadding=2 cellspacing=0 width=80% height=300>"
                          "<tr><td ></td><td ></td></tr></table>");

    TableFields unchecked = customTable(QStringLiteral("1"), QStringLiteral("1"));
    unchecked.align = QStringLiteral("middle onclick=x");
    unchecked.width = QStringLiteral("50");
    QTest::newRow("custom unknown align, width unchecked")
        << unchecked
        << QStringLiteral("<table border=1 cellpadding=2 cellspacing=0><tr><td ></td></tr></table>");
}

void TestEditText::tableHtml() {
    QFETCH(TableFields, fields);
    QFETCH(QString, expected);
    QCOMPARE(TableHtml::check(fields), QString());
    QCOMPARE(TableHtml::html(fields), expected);
}

void TestEditText::find_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("needle");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<bool>("wholeWord");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("position");
    QTest::addColumn<bool>("wrapped");

    addRow("case folded", "Hello hello", "HELLO", false, false, 0, 0, false);
    addRow("case matched", "Hello hello", "hello", true, false, 0, 6, false);
    addRow("case matched none", "Hello", "HELLO", true, false, 0, -1, false);
    addRow("from after first", "ab ab", "ab", false, false, 1, 3, false);
    addRow("word inside word skipped", "cat concat cat", "cat", false, true, 1, 11, false);
    addRow("word next to digit", "cat1 cat", "cat", false, true, 0, 5, false);
    addRow("word next to underscore", "_cat cat", "cat", false, true, 0, 5, false);
    addRow("word next to punctuation", "(cat)", "cat", false, true, 0, 1, false);
    addRow("word next to CJK", "猫cat狗", "cat", false, true, 0, 1, false);
    addRow("CJK is a word inside CJK", "中国人", "国", false, true, 0, 1, false);
    addRow("CJK phrase", "我们的中国人民", "中国", false, true, 0, 3, false);
    addRow("CJK next to Latin", "a中b", "中", false, true, 0, 1, false);
    addRow("accented letter joins", "écat cat", "cat", false, true, 0, 5, false);
    addRow("wraps to top", "abc xyz", "abc", false, false, 2, 0, true);
    addRow("no wrap from top", "abc", "x", false, false, 0, -1, false);
    addRow("none at all", "abc abc", "abd", false, false, 3, -1, false);
    addRow("empty needle", "abc", "", false, false, 0, -1, false);
}

void TestEditText::find() {
    QFETCH(QString, text);
    QFETCH(QString, needle);
    QFETCH(bool, matchCase);
    QFETCH(bool, wholeWord);
    QFETCH(int, from);
    QFETCH(int, position);
    QFETCH(bool, wrapped);

    const TextFinder::Match match =
        TextFinder::findNext(text, needle, from, options(matchCase, wholeWord), true);
    QCOMPARE(match.position, qsizetype(position));
    QCOMPARE(match.wrapped, wrapped);
    // Without wrapping only what lies below "from" is found.
    const qsizetype plain = TextFinder::find(text, needle, from, options(matchCase, wholeWord));
    QCOMPARE(plain, wrapped ? qsizetype(-1) : qsizetype(position));
}

void TestEditText::replace_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("needle");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<bool>("wholeWord");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("expected");

    addRow("all, case folded", "Ab ab AB", "ab", "x", false, false, 3, "x x x");
    addRow("all, case matched", "Ab ab AB", "ab", "x", true, false, 1, "Ab x AB");
    addRow("all, whole words", "cat concat cats cat", "cat", "dog", false, true, 2, "dog concat cats dog");
    addRow("replacement holds the needle", "aa", "a", "aa", false, false, 2, "aaaa");
    addRow("longer overlapping needle", "aaaa", "aa", "b", false, false, 2, "bb");
    addRow("Chinese", "张三说张三", "张三", "李四", false, true, 2, "李四说李四");
    addRow("none", "abc", "x", "y", false, false, 0, "abc");
}

void TestEditText::replace() {
    QFETCH(QString, text);
    QFETCH(QString, needle);
    QFETCH(QString, replacement);
    QFETCH(bool, matchCase);
    QFETCH(bool, wholeWord);
    QFETCH(int, count);
    QFETCH(QString, expected);

    QString all = text;
    QCOMPARE(TextFinder::replaceAll(all, needle, replacement, options(matchCase, wholeWord)), count);
    QCOMPARE(all, expected);

    // Replacing one match at a time, as the 替换 button does, ends in the same text.
    QString stepped = text;
    const TextFinder::Options o = options(matchCase, wholeWord);
    int steps = 0;
    for (qsizetype pos = TextFinder::find(stepped, needle, 0, o); pos >= 0;
         pos = TextFinder::find(stepped, needle, pos + replacement.size(), o)) {
        QVERIFY(TextFinder::replaceSelection(stepped, pos, needle.size(), needle, replacement, o));
        ++steps;
    }
    QCOMPARE(steps, count);
    QCOMPARE(stepped, expected);
}

void TestEditText::pasted_data() {
    QTest::addColumn<QString>("html");
    QTest::addColumn<QStringList>("kept");
    QTest::addColumn<QStringList>("gone");

    const QStringList markup{QStringLiteral("mso-"),  QStringLiteral("<!--"), QStringLiteral("<style"),
                             QStringLiteral("<meta"), QStringLiteral("<xml"), QStringLiteral("<o:p"),
                             QStringLiteral("<![")};

    QTest::newRow("Word 2003")
        << QStringLiteral(
               "<html xmlns:o=\"urn:schemas-microsoft-com:office:office\"><head>"
               "<meta name=ProgId content=Word.Document><meta name=Generator content=\"Microsoft Word 11\">"
               "<style><!-- p.MsoNormal {mso-style-parent:\"\"; font-size:10.5pt;} --></style></head><body>"
               "<p class=MsoNormal><span lang=EN-US style='font-family:\"Times New "
               "Roman\";mso-bidi-font-size:"
               "10.5pt'>第一章 风起<o:p></o:p></span></p>"
               "<p class=MsoListParagraph style='font-family:\"宋体\";mso-list:l0 level1 lfo1'><![if "
               "!supportLists]>1.<![endif]>"
               "列表项</p></body></html>")
        << QStringList{QStringLiteral("第一章 风起"), QStringLiteral("1.列表项"), QStringLiteral("<p>")}
        << markup + QStringList{QStringLiteral("class=Mso"), QStringLiteral("Word.Document")};

    QTest::newRow("newer Word, conditional comments")
        << QStringLiteral(
               "<html><head><!--[if gte mso 9]><xml><o:OfficeDocumentSettings><o:AllowPNG/>"
               "</o:OfficeDocumentSettings></xml><![endif]--><!--[if gte mso 10]><style>"
               "table.MsoNormalTable {mso-style-name:普通表格;}</style><![endif]--></head><body>"
               "<!--StartFragment--><p class=\"MsoNormal\" style=\"text-indent:21.0pt;"
               "mso-char-indent-count:2.0\">他抬头看天。</p>"
               "<table class=MsoTableGrid border=1 style='border-collapse:collapse;mso-yfti-tbllook:"
               "1184'><tr><td>格子</td></tr></table><!--EndFragment--></body></html>")
        << QStringList{QStringLiteral("他抬头看天。"), QStringLiteral("格子")}
        << markup + QStringList{QStringLiteral("OfficeDocumentSettings"), QStringLiteral("MsoNormalTable")};

    QTest::newRow("LibreOffice")
        << QStringLiteral(
               "<html><head><meta http-equiv=\"content-type\" content=\"text/html; charset=utf-8\"/>"
               "<meta name=\"generator\" content=\"LibreOffice 7.3.7.2 (Linux)\"/><style type=\"text/css\">"
               "p { margin-bottom: 0.25cm; line-height: 115% }</style></head><body lang=\"zh-CN\">"
               "<p style=\"margin-bottom: 0cm; line-height: 100%\">夜色渐深。</p></body></html>")
        << QStringList{QStringLiteral("夜色渐深。")}
        << markup + QStringList{QStringLiteral("margin-bottom"), QStringLiteral("LibreOffice")};

    // Not from a word processor: its own styling stays, the page's head parts do not.
    QTest::newRow("browser fragment")
        << QStringLiteral("<meta charset=\"utf-8\"><link rel=stylesheet href=a.css><!--StartFragment-->"
                          "<p style=\"color:red\">红字</p><script>alert(1)</script><!-- 注释 -->"
                          "<STYLE>p{}</STYLE>尾<!--")
        << QStringList{QStringLiteral("<p style=\"color:red\">红字</p>"), QStringLiteral("尾")}
        << markup + QStringList{QStringLiteral("<script"), QStringLiteral("alert"), QStringLiteral("注释"),
                                QStringLiteral("<link")};
}

void TestEditText::pasted() {
    QFETCH(QString, html);
    QFETCH(QStringList, kept);
    QFETCH(QStringList, gone);

    const QString out = cleanPastedHtml(html);
    for (const QString& text : kept)
        QVERIFY2(out.contains(text), qPrintable(text + QLatin1String(" missing in ") + out));
    for (const QString& text : gone)
        QVERIFY2(!out.contains(text, Qt::CaseInsensitive),
                 qPrintable(text + QLatin1String(" left in ") + out));
}

void TestEditText::linkAddress_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("message");

    const QString empty = QStringLiteral("链接地址不能为空");
    const QString script = QStringLiteral("不能插入脚本链接");
    addRow("empty", "", empty);
    addRow("blanks only", " \t ", empty);
    addRow("web page", "http://www.example.com/a.htm", "");
    addRow("web page with blanks around", "  https://example.com/  ", "");
    addRow("relative page", "第二章.htm", "");
    addRow("mail", "mailto:a@example.com", "");
    addRow("script word in the path", "http://example.com/javascript:x", "");
    addRow("script word without colon", "javascript.htm", "");
    addRow("fragment naming a script", "page.htm#javascript:alert(1)", "");
    addRow("picture data", "data:image/png;base64,iVBORw0KGgo=", "");
    addRow("javascript", "javascript:alert(1)", script);
    addRow("javascript any case", "JavaScript:alert(1)", script);
    addRow("javascript after blanks", "  \t javascript:alert(1)", script);
    addRow("javascript with a tab inside", "java\tscript:alert(1)", script);
    addRow("javascript with a line break inside", "java\nscript:alert(1)", script);
    addRow("javascript after a control character", "\x01javascript:alert(1)", script);
    addRow("javascript with a blank before the colon", "javascript :alert(1)", script);
    addRow("javascript colon as a character reference", "javascript&#58;alert(1)", script);
    addRow("javascript letter as a hex reference", "jav&#x61;script:alert(1)", script);
    addRow("javascript colon as a named reference", "javascript&colon;alert(1)", script);
    addRow("vbscript", "VBScript:MsgBox(1)", script);
    addRow("html data", "data:text/html,<script>alert(1)</script>", script);
    addRow("html data any case with blanks", "DATA: Text/HTML;base64,PHNjcmlwdD4=", script);
}

void TestEditText::linkAddress() {
    QFETCH(QString, url);
    QFETCH(QString, message);

    QCOMPARE(checkLinkAddress(url), message);
}

QTEST_GUILESS_MAIN(TestEditText)
#include "tst_edittext.moc"
