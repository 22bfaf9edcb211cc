// Following site scripts without running them: calls, the addresses functions navigate to, what
// scripts write, and arrays of literals.
#include "support/rows.h"
#include "toc/scriptreader.h"

#include <QElapsedTimer>
#include <QTest>

class TestScriptReader : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void parseScriptCall_data();
    void parseScriptCall();
    void callAddress_data();
    void callAddress();
    void writtenHtml_data();
    void writtenHtml();
    void arrays();
    void runawayScriptsEnd();
};

void TestScriptReader::parseScriptCall_data() {
    columns<QString, bool, QString, QStringList>("text", "isCall", "name", "args");
    addRow("javascript scheme", "javascript:showChapter('12', \"345\");", true, "showChapter",
           QStringList{"12", "345"});
    addRow("numbers and spaces", "go( 1 , 0 )", true, "go", QStringList{"1", "0"});
    addRow("void", "javascript:void(0)", true, "void", QStringList{"0"});
    addRow("no arguments", "refresh()", true, "refresh", QStringList());
    addRow("comma inside quotes", "f('a,b', c)", true, "f", QStringList{"a,b", "c"});
    addRow("empty argument", "f(1,)", true, "f", QStringList{"1", ""});
    addRow("address with brackets", "book(1).html", false, "", QStringList());
    addRow("plain address", "1001.html", false, "", QStringList());
    addRow("unclosed call", "f('a'", true, "f", QStringList{"a"});
}

void TestScriptReader::parseScriptCall() {
    const auto [text, isCall, name, args] =
        fetch<QString, bool, QString, QStringList>("text", "isCall", "name", "args");
    const std::optional<ScriptCall> call = ::parseScriptCall(text);
    QCOMPARE(call.has_value(), isCall);
    if (call) {
        QCOMPARE(call->name, name);
        QCOMPARE(call->args, args);
    }
}

void TestScriptReader::callAddress_data() {
    columns<QString, QStringList, bool, QString>("script", "args", "chooseBranch", "address");

    addRow("location =", "function f(a,b){ location = '/b/' + a + '/' + b + '.html'; }",
           QStringList{"12", "345"}, false, "/b/12/345.html");
    addRow("parameter first", "function f(p){ window.location.href = p + \".htm\"; }", QStringList{"9"},
           false, "9.htm");
    addRow("replace call", "function f(p){ document.location.replace('/r?id=' + p); }", QStringList{"3"},
           false, "/r?id=3");
    addRow("window.open", "function f(p){ window.open('/o/' + p, '_blank'); }", QStringList{"4"}, false,
           "/o/4");
    addRow("local variable", "function f(p){ var u = '/v/'; u += p; location = u + '.html'; }",
           QStringList{"5"}, false, "/v/5.html");
    addRow("escapes", "function f(p){ location = \"\\/e\\/\\u7B2C\" + p; }", QStringList{"1"}, false,
           "/e/第1");
    addRow("VBScript joins", "function f(p){ location = \"/vb/\" & p & \".asp\" }", QStringList{"2"}, false,
           "/vb/2.asp");
    addRow("missing argument", "function f(a,b){ location = '/m/' + a + '-' + b; }", QStringList{"1"}, false,
           "/m/1-");
    addRow("nested braces before location",
           "function f(p){ var o = {a: 1}; if (o) { } location = '/n/' + p; }", QStringList{"6"}, false,
           "/n/6");
    const QString branches = QStringLiteral("function f(id, vip){ if (vip == 1) { location = '/vip/' + id; } "
                                            "else if (id > 100) { location = '/new/' + id; } "
                                            "else { location = '/old/' + id; } }");
    addRow("branches unread: first assignment", branches, QStringList{"5", "0"}, false, "/vip/5");
    addRow("first branch", branches, QStringList{"5", "1"}, true, "/vip/5");
    addRow("else if, numbers compared as numbers", branches, QStringList{"200", "0"}, true, "/new/200");
    addRow("else", branches, QStringList{"20", "0"}, true, "/old/20");
    addRow("and, or, not",
           "function f(a,b){ if (!(a == 'x') && (b == '1' || b == '2')) location = "
           "'/y'; else location = '/z'; }",
           QStringList{"w", "2"}, true, "/y");
    addRow("no assignment", "function f(p){ alert(p); }", QStringList{"1"}, false, "<none>");
    addRow("unknown function", "function g(p){ location = p; }", QStringList{"1"}, false, "<none>");
}

void TestScriptReader::callAddress() {
    const auto [script, args, chooseBranch, address] =
        fetch<QString, QStringList, bool, QString>("script", "args", "chooseBranch", "address");
    const ScriptReader reader(script);
    const std::optional<QString> found = reader.callAddress(QStringLiteral("f"), args, chooseBranch);
    QCOMPARE(found.value_or(QStringLiteral("<none>")), address);
}

void TestScriptReader::writtenHtml_data() {
    columns<QString, QString, QString>("script", "definitions", "html");
    addRow("writes", "document.write('<a href=\"1.html\">一</a>');\ndocument.writeln(\"<br>\");", "",
           "<a href=\"1.html\">一</a><br>");
    addRow("function defined later",
           "p('1.html','一'); p('2.html','二'); function p(u,t){ "
           "document.write('<a href=' + u + '>' + t + '</a>'); }",
           "", "<a href=1.html>一</a><a href=2.html>二</a>");
    addRow("function from another file", "show(7,'七');", "function show(i,t){ document.write(i + t); }",
           "7七");
    addRow("variables and comments",
           "var base = '/b/'; /* 目录 */ // 注释 document.write('x');\ndocument.write('<a href=' + base + "
           "'1>' + "
           "\"一\" + '</a>');",
           "", "<a href=/b/1>一</a>");
    addRow("array elements", "var t = ['一','二']; document.write(t[1] + t[5]);", "", "二");
    addRow("recursion is bounded", "function r(){ document.write('x'); r(); } r();", "", "xxxx");
    addRow("cut off at the end", "document.write('<a href=1.html>一</a>", "", "<a href=1.html>一</a>");
}

void TestScriptReader::writtenHtml() {
    const auto [script, definitions, html] =
        fetch<QString, QString, QString>("script", "definitions", "html");
    ScriptReader reader(script);
    reader.addDefinitions(definitions);
    QCOMPARE(reader.writtenHtml(), html);
}

void TestScriptReader::arrays() {
    const ScriptReader reader(
        QStringLiteral("var t = new Array(\"卷一\", \"第一章\"); var n = new Array(3);\n"
                       "n[0] = 'a'; n[2] = \"c\"; var l = ['x', 1]; t[3] = '第三章';"));
    const QList<QPair<QString, QStringList>> arrays = reader.arrays();
    QCOMPARE(arrays.size(), 3);
    QCOMPARE(arrays.at(0), (QPair<QString, QStringList>{"t", {"卷一", "第一章", "", "第三章"}}));
    QCOMPARE(arrays.at(1), (QPair<QString, QStringList>{"n", {"a", "", "c"}}));
    QCOMPARE(arrays.at(2), (QPair<QString, QStringList>{"l", {"x", "1"}}));
}

void TestScriptReader::runawayScriptsEnd() {
    // Each function calls the next one twice: without a bound this writes 2^40 times.
    QString script;
    for (int i = 0; i < 40; ++i)
        script += QStringLiteral("function f%1(){ f%2(); f%2(); document.write('x'); }\n").arg(i).arg(i + 1);
    script += QStringLiteral("f0();");
    const ScriptReader reader(script);
    const QString written = reader.writtenHtml();
    QVERIFY(!written.isEmpty());
    QVERIFY(written.size() < 1000);

    // Thousands of definitions that never close: each body would be searched to the end.
    const ScriptReader unclosed(QStringLiteral("function f(a){ g(a, [b, (c ").repeated(20000));
    QVERIFY(unclosed.hasFunction(QStringLiteral("f")));
    QCOMPARE(unclosed.callAddress(QStringLiteral("f"), {QStringLiteral("1")}, true), std::nullopt);
    QCOMPARE(unclosed.writtenHtml(), QString());

    // Brackets and branches nested deeper than any page needs end the reading, not the stack.
    const QString deep = QStringLiteral("function f(a){ if (a) { ").repeated(100000) +
                         QStringLiteral("location = ") + QStringLiteral("(").repeated(100000) + u"'x'";
    const ScriptReader nested(deep + QStringLiteral("; document.write(") +
                              QStringLiteral("[(").repeated(100000));
    QCOMPARE(nested.callAddress(QStringLiteral("f"), {QStringLiteral("1")}, true), std::nullopt);
    QCOMPARE(nested.callAddress(QStringLiteral("f"), {QStringLiteral("1")}, false), QStringLiteral(""));
    nested.writtenHtml();
}

QTEST_GUILESS_MAIN(TestScriptReader)
#include "tst_scriptreader.moc"
