// The chapter editor's text helpers: table HTML and checks, find and replace, pasted HTML, link checks.
#include "support/rows.h"
#include "tools/editorlink.h"
#include "tools/pastedhtml.h"
#include "tools/tablehtml.h"
#include "tools/textfinder.h"

#include <QTest>

Q_DECLARE_METATYPE(TableFields)

namespace {

// Custom fields are border 1, padding 2, spacing 0; both size boxes are checked when a height is given.
TableFields table(const QString& rows, const QString& cols,
                  TableFields::Style style = TableFields::Style::Custom, const QString& align = {},
                  const QString& width = {}, const QString& height = {}) {
    return {rows, cols, style, align, "1", "2", "0", width, height, !height.isEmpty(), !height.isEmpty()};
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
    // field: the field given the typed value
    columns<QString, QString, QString>("field", "value", "message");

    addRow("rows zero", "rows", "0", "请输入正整数型的行数值");
    addRow("rows not a number", "rows", "abc", "请输入正整数型的行数值");
    addRow("rows 100", "rows", "100", "");
    addRow("rows 101", "rows", "101", "请输入正整数型且小于等于100的行数值");
    addRow("rows beyond int", "rows", "99999999999999999999", "请输入正整数型且小于等于100的行数值");
    addRow("rows leading zeros", "rows", "007", "");
    addRow("rows with attribute", "rows", "1 onclick=x", "请输入正整数型的行数值");
    addRow("cols zero", "cols", "0", "请输入正整数型的列数值");
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
    const auto [field, value, message] = fetch<QString, QString, QString>("field", "value", "message");

    using F = TableFields;
    TableFields fields =
        table("2", "3", field == "printBorder" ? F::Style::Print : F::Style::Custom, {}, "100", "20");
    fields.useHeight = field != QLatin1String("heightOff");
    const QStringList names{"rows",  "cols",   "border",    "cellPadding", "cellSpacing",
                            "width", "height", "heightOff", "printBorder"};
    QString F::*const members[] = {&F::rows,  &F::cols,   &F::border, &F::cellPadding, &F::cellSpacing,
                                   &F::width, &F::height, &F::height, &F::border};
    fields.*members[names.indexOf(field)] = value;
    QCOMPARE(TableHtml::check(fields), message);
}

void TestEditText::tableHtml_data() {
    columns<TableFields, QString>("fields", "expected");

    using Style = TableFields::Style;
    addRow("print style", table("1", "2", Style::Print),
           QStringLiteral("<table class=detail border=0 cellpadding=\"3\" cellspacing=\"1\" width=\"95%\" "
                          "align=\"center\"><tr><td class=detail_list height=30></td><td class=detail_list "
                          "height=30></td></tr></table>"));
    addRow(
        "edit style", table("2", "1", Style::Edit),
        QStringLiteral("<table align=center border=1 width=95% cellspacing=1 style='border-collapse: "
                       "collapse;word-break:break-all' cellpadding=3><tr><td ></td></tr><tr><td ></td></tr>"
                       "</table>"));
    addRow("custom default align", table("1", "1"),
           QStringLiteral("<table border=1 cellpadding=2 cellspacing=0><tr><td ></td></tr></table>"));
    addRow("custom aligned and sized", table(" 1 ", "2", Style::Custom, "justify", "80%", "300"),
           QStringLiteral("<table align=justify border=1 cellpadding=2 cellspacing=0 width=80% height=300>"
                          "<tr><td ></td><td ></td></tr></table>"));
    addRow("custom unknown align, width unchecked", table("1", "1", Style::Custom, "middle onclick=x", "50"),
           QStringLiteral("<table border=1 cellpadding=2 cellspacing=0><tr><td ></td></tr></table>"));
}

void TestEditText::tableHtml() {
    const auto [fields, expected] = fetch<TableFields, QString>("fields", "expected");
    QCOMPARE(TableHtml::check(fields), QString());
    QCOMPARE(TableHtml::html(fields), expected);
}

void TestEditText::find_data() {
    columns<QString, QString, bool, bool, int, int, bool>("text", "needle", "matchCase", "wholeWord", "from",
                                                          "position", "wrapped");

    addRow("case folded", "Hello hello", "HELLO", false, false, 0, 0, false);
    addRow("case matched", "Hello hello", "hello", true, false, 0, 6, false);
    addRow("from after first", "ab ab", "ab", false, false, 1, 3, false);
    addRow("word inside word skipped", "cat concat cat", "cat", false, true, 1, 11, false);
    addRow("word next to digit", "cat1 cat", "cat", false, true, 0, 5, false);
    addRow("word next to underscore", "_cat cat", "cat", false, true, 0, 5, false);
    addRow("word next to punctuation", "(cat)", "cat", false, true, 0, 1, false);
    addRow("word next to CJK", "猫cat狗", "cat", false, true, 0, 1, false);
    addRow("CJK is a word inside CJK", "中国人", "国", false, true, 0, 1, false);
    addRow("accented letter joins", "écat cat", "cat", false, true, 0, 5, false);
    addRow("wraps to top", "abc xyz", "abc", false, false, 2, 0, true);
    addRow("none at all", "abc abc", "abd", false, false, 3, -1, false);
    addRow("empty needle", "abc", "", false, false, 0, -1, false);
}

void TestEditText::find() {
    const auto [text, needle, matchCase, wholeWord, from, position, wrapped] =
        fetch<QString, QString, bool, bool, int, int, bool>("text", "needle", "matchCase", "wholeWord",
                                                            "from", "position", "wrapped");

    const TextFinder::Match match = TextFinder::findNext(text, needle, from, {matchCase, wholeWord}, true);
    QCOMPARE(match.position, qsizetype(position));
    QCOMPARE(match.wrapped, wrapped);
    // Without wrapping only what lies below "from" is found.
    const qsizetype plain = TextFinder::find(text, needle, from, {matchCase, wholeWord});
    QCOMPARE(plain, wrapped ? qsizetype(-1) : qsizetype(position));
}

void TestEditText::replace_data() {
    columns<QString, QString, QString, bool, bool, int, QString>("text", "needle", "replacement", "matchCase",
                                                                 "wholeWord", "count", "expected");

    addRow("all, case folded", "Ab ab AB", "ab", "x", false, false, 3, "x x x");
    addRow("all, case matched", "Ab ab AB", "ab", "x", true, false, 1, "Ab x AB");
    addRow("all, whole words", "cat concat cats cat", "cat", "dog", false, true, 2, "dog concat cats dog");
    addRow("replacement holds the needle", "aa", "a", "aa", false, false, 2, "aaaa");
    addRow("longer overlapping needle", "aaaa", "aa", "b", false, false, 2, "bb");
    addRow("none", "abc", "x", "y", false, false, 0, "abc");
}

void TestEditText::replace() {
    const auto [text, needle, replacement, matchCase, wholeWord, count, expected] =
        fetch<QString, QString, QString, bool, bool, int, QString>(
            "text", "needle", "replacement", "matchCase", "wholeWord", "count", "expected");

    const TextFinder::Options o{matchCase, wholeWord};
    QString all = text;
    QCOMPARE(TextFinder::replaceAll(all, needle, replacement, o), count);
    QCOMPARE(all, expected);

    // Replacing one match at a time, as the 替换 button does, ends in the same text.
    QString stepped = text;
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
    columns<QString, QStringList, QStringList>("html", "kept", "gone");

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
    const auto [html, kept, gone] = fetch<QString, QStringList, QStringList>("html", "kept", "gone");

    const QString out = cleanPastedHtml(html);
    for (const QString& text : kept)
        QVERIFY2(out.contains(text), qPrintable(text + QLatin1String(" missing in ") + out));
    for (const QString& text : gone)
        QVERIFY2(!out.contains(text, Qt::CaseInsensitive),
                 qPrintable(text + QLatin1String(" left in ") + out));
}

void TestEditText::linkAddress_data() {
    columns<QString, QString>("url", "message");

    const QString empty = QStringLiteral("链接地址不能为空");
    const QString script = QStringLiteral("不能插入脚本链接");
    addRow("empty", "", empty);
    addRow("blanks only", " \t ", empty);
    addRow("web page", "http://www.example.com/a.htm", "");
    addRow("relative page", "第二章.htm", "");
    addRow("mail", "mailto:a@example.com", "");
    addRow("script word in the path", "http://example.com/javascript:x", "");
    addRow("picture data", "data:image/png;base64,iVBORw0KGgo=", "");
    addRow("javascript", "javascript:alert(1)", script);
    addRow("javascript after blanks", "  \t javascript:alert(1)", script);
    addRow("javascript with a tab inside", "java\tscript:alert(1)", script);
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
    const auto [url, message] = fetch<QString, QString>("url", "message");

    QCOMPARE(checkLinkAddress(url), message);
}

QTEST_GUILESS_MAIN(TestEditText)
#include "tst_edittext.moc"
