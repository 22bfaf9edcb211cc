#include "support/rows.h"
#include "text/regex.h"

#include <QRandomGenerator>
#include <QTest>

class TestRegex : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void replace_data();
    void replace();
    void matchList_data();
    void matchList();
    void matchPositions();
    void badPatterns_data();
    void badPatterns();
    void runaway_data();
    void runaway();
    void longTextsStillMatch();
    void loneSurrogates();
    void escape_data();
    void escape();
    void randomPatternsKeepInvariants();
};

void TestRegex::replace_data() {
    columns<QString, QString, QString, QString>("pattern", "text", "replacement", "expected");

    addRow("global, any case", "ab", "ab AB aB", "x", "x x x");
    // Patterns that start with literal text jump from one place of it to the next; these must match
    // exactly what a search at every position finds.
    addRow("literal start, any case", "<br(?:\\s[^<>]*|/)?>", "a<BR>b<br/>c<Br class=x>d<brx>e<br", "|",
           "a|b|c|d<brx>e<br");
    addRow("quantified last letter", "ab?c", "ac abc abbc", "x", "x x abbc");
    addRow("starred last letter", "xa*b", "xb xaab b", "-", "- - b");
    addRow("counted last letter", "ab{0,2}c", "ac abbc", "x", "x x");
    addRow("alternatives keep every start", "ab|cd", "cd ab", "x", "x x");
    addRow("alternatives inside a group", "x(?:a|b)", "xa xb xc", "#", "# # xc");
    addRow("bar in a class, then alternatives", "a[|]b|c", "a|b c", "#", "# #");
    addRow("kelvin sign is k", "k\\d", "\u212A1 k2", "#", "# #");
    addRow("literal then lookahead", "<p(?=>)", "<p> <pre> <P>", "[", "[> <pre> [>");
    addRow("non-greedy", "<b>.+?</b>", "<b>1</b>-<b>2</b>", "B", "B-B");
    addRow("greedy", "<b>.+</b>", "<b>1</b>-<b>2</b>", "B", "B");
    addRow("[\\s\\S] crosses lines", "<p>[\\s\\S]+?</p>", "<p>a\r\nb</p>c", "", "c");
    addRow(". stops at CR", "a.+", "ab\rc", "x", "x\rc");
    addRow("back-reference", "(['\"])(.*?)\\1", "'a' \"b\"", "<$2>", "<a> <b>");
    addRow("\\x22", "\\x22", "say \"hi\"", "'", "say 'hi'");
    addRow("\\u escape", "\\u4E2D\\u6587", "中文abc", "zw", "zwabc");
    addRow("\\\\u stays literal", "\\\\u4E2D", "\\u4E2D", "x", "x");
    addRow("$& and $$", "\\d+", "a12b", "[$&]$$", "a[12]$b");
    addRow("$1..$9", "(a)(b)(c)(d)(e)(f)(g)(h)(i)", "abcdefghi", "$9$8$1", "iha");
    addRow("$n beyond the groups stays", "(a)", "a", "$2$0$", "$2$0$");
    addRow("$12 with one group", "(a)", "a", "$12", "a2");
    addRow("unmatched group is empty", "(a)|(b)", "b", "[$1]", "[]");
    addRow("empty matches step on", "x*", "abc", "-", "-a-b-c-");
    addRow("empty match after a match", "a*", "baaac", "-", "-b--c-");
    addRow("empty pattern keeps pairs whole", "", "😀", "|", "|😀|");
    addRow("chinese", "第(.+?)章", "第十二章 风云", "Chapter $1", "Chapter 十二 风云");
    addRow("no match", "zzz", "abc", "x", "abc");
    addRow("extended mode still works", "(?x) a \\d  # digits", "a1 b2", "_", "_ b2");
    addRow("\\G", "\\Ga", "aab", "x", "xxb");
    addRow("leading verb", "(*UCP)\\w+", "中文 ab", "w", "w w");
    addRow("recursion", "\\((?:[^()]|(?R))*\\)", "f((a)(b))c", "P", "fPc");
    addRow("\\Q without \\E", "a\\Q.*", "xa.*", "y", "xy");
    addRow("lookbehind sees the text before", "(?<=a)b", "abcb", "x", "axcb");
    addRow("lone surrogate becomes U+FFFD", "b", QStringLiteral("a") + QChar(0xD800) + QStringLiteral("b😀"),
           "B", "a\uFFFDB😀");
}

void TestRegex::replace() {
    const auto [pattern, text, replacement, expected] =
        fetch<QString, QString, QString, QString>("pattern", "text", "replacement", "expected");
    QString error = QStringLiteral("stale");
    QCOMPARE(regexReplace(pattern, text, replacement, &error), expected);
    QCOMPARE(error, QString());
}

void TestRegex::matchList_data() {
    columns<QString, QString, QString>("text", "pattern", "expected");
    // The start-up check of the old program asks exactly this.
    addRow("script check", "<td>aa</td>", "<td>[\\s\\S]+?</td>", "<td>aa</td>||");
    addRow("several", "<A href=1>x</a><a href=2>y</A>", "<a [\\s\\S]+?</a>",
           "<A href=1>x</a>||<a href=2>y</A>||");
    addRow("none", "abc", "\\d", "");
}

void TestRegex::matchList() {
    const auto [text, pattern, expected] = fetch<QString, QString, QString>("text", "pattern", "expected");
    QCOMPARE(regexMatchList(text, pattern), expected);
}

void TestRegex::matchPositions() {
    const QList<RegexMatch> matches =
        regexMatches(QStringLiteral("第一章 第二章"), QStringLiteral("第(.)章"));
    QCOMPARE(matches.size(), 2);
    QCOMPARE(matches.at(1).start, 4);
    QCOMPARE(matches.at(1).length, 3);
    QCOMPARE(matches.at(1).captures, QStringList({QStringLiteral("第二章"), QStringLiteral("二")}));
}

void TestRegex::badPatterns_data() {
    QTest::addColumn<QString>("pattern");
    addRow("open paren", "(");
    addRow("close paren", "a)");
    addRow("open class", "[a");
    addRow("trailing backslash", "a\\");
    addRow("bad range", "a{2,1}");
    addRow("nothing to repeat", "*a");
    addRow("lone surrogate", QString(QChar(0xD800)));
    addRow("unknown property", "\\p{Nope}");
    // Would be valid once wrapped by the scanner: must still be refused.
    addRow("unbalanced inside", "a)(?:b");
}

void TestRegex::badPatterns() {
    QFETCH(QString, pattern);
    const QString text = QStringLiteral("a(b)c");
    QVERIFY(!regexPatternError(pattern).isEmpty());
    QString error;
    QCOMPARE(regexReplace(pattern, text, QStringLiteral("x"), &error), text);
    QVERIFY(!error.isEmpty());
    error.clear();
    QCOMPARE(regexMatchList(text, pattern, &error), QString());
    QVERIFY(!error.isEmpty());
    error.clear();
    QVERIFY(regexMatches(text, pattern, &error).isEmpty());
    QVERIFY(!error.isEmpty());
}

void TestRegex::runaway_data() {
    columns<QString, QString>("pattern", "text");
    addRow("one hopeless start", "(x+x+)+y", QString(32, u'x') + QStringLiteral("zy"));
    // No single search is hopeless, but the searches together are: the step limit has to cover the
    // whole way to the next match.
    addRow("many bad starts", "(x+x+)+y", QStringLiteral("xxxxxxxxxxxxxxxx ").repeated(4000) + u'y');
    addRow("quadratic lazy scan", "<tr>[\\s\\S]*?ZZZ",
           QStringLiteral("<tr><td>a</td></tr>\r\n").repeated(40000) + u'Z');
}

void TestRegex::runaway() {
    const auto [pattern, text] = fetch<QString, QString>("pattern", "text");
    QString error;
    QCOMPARE(regexReplace(pattern, text, QStringLiteral("!"), &error), text);
    QVERIFY(!error.isEmpty());
    QVERIFY(regexPatternError(pattern).isEmpty());
}

void TestRegex::longTextsStillMatch() {
    // A chapter page of a few megabytes with the wanted part at the very end.
    const QString page = QStringLiteral("<div>填充文字，填充文字。</div>\r\n").repeated(100000) +
                         QStringLiteral("<div id=content>正文</div>");
    QString error;
    QCOMPARE(regexMatchValues(page, QStringLiteral("<div id=content>[\\s\\S]+?</div>"), &error),
             QStringList(QStringLiteral("<div id=content>正文</div>")));
    QCOMPARE(error, QString());
    QCOMPARE(regexMatchValues(page, QStringLiteral("<div>[\\s\\S]+?</div>"), &error).size(), 100000);
    QCOMPARE(error, QString());
}

void TestRegex::loneSurrogates() {
    // Wherever the lone half stands, in the long runs the search skips and in the short tail.
    for (const char16_t half : {char16_t(0xD800), char16_t(0xDFFF)}) {
        for (int at = 0; at < 20; ++at) {
            QString x(20, u'x');
            x[at] = QChar(half);
            QString expected(20, u'y');
            expected[at] = QChar::ReplacementCharacter;
            QCOMPARE(regexReplace(QStringLiteral("x"), x, QStringLiteral("y")), expected);
        }
    }
}

void TestRegex::escape_data() {
    columns<QString, QString>("text", "escaped");
    addRow("plain", "abc中", "abc中");
    addRow("all specials", "()[]?^$*+{}|.", "\\(\\)\\[\\]\\?\\^\\$\\*\\+\\{\\}\\|\\.");
    addRow("backslash", "a\\d", "a\\\\d");
    addRow("marker", "<div id=\"content\">", "<div id=\"content\">");
}

void TestRegex::escape() {
    const auto [text, escaped] = fetch<QString, QString>("text", "escaped");
    QCOMPARE(escapeRegex(text), escaped);
    // An escaped marker finds itself literally, in any case.
    const QString haystack = QStringLiteral("xx") + text.toUpper() + QStringLiteral("yy");
    QCOMPARE(regexMatchValues(haystack, escapeRegex(text)), QStringList(text.toUpper()));
}

// Random patterns of regex syntax over random text: whatever compiles must behave like a regular
// expression search, and nothing may crash or hang.
void TestRegex::randomPatternsKeepInvariants() {
    static const QStringList atoms = {
        QStringLiteral("a"),   QStringLiteral("b"),    QStringLiteral("中"),  QStringLiteral("."),
        QStringLiteral("\\s"), QStringLiteral("\\S"),  QStringLiteral("["),   QStringLiteral("]"),
        QStringLiteral("("),   QStringLiteral(")"),    QStringLiteral("(?:"), QStringLiteral("*"),
        QStringLiteral("+"),   QStringLiteral("?"),    QStringLiteral("{2}"), QStringLiteral("|"),
        QStringLiteral("^"),   QStringLiteral("$"),    QStringLiteral("\\1"), QStringLiteral("\\"),
        QStringLiteral("\\b"), QStringLiteral("[^a]"), QStringLiteral("*?"),  QStringLiteral("\\x22"),
    };
    static const QString letters = QStringLiteral("ab中\r\n \"");
    QRandomGenerator random(20240601);
    int compiled = 0;
    for (int round = 0; round < 3000; ++round) {
        QString pattern;
        for (int i = 0, n = random.bounded(1, 8); i < n; ++i)
            pattern += atoms.at(random.bounded(int(atoms.size())));
        QString text;
        for (int i = 0, n = random.bounded(0, 40); i < n; ++i)
            text += letters.at(random.bounded(int(letters.size())));

        QString error;
        const QString same = regexReplace(pattern, text, QStringLiteral("$&"), &error);
        if (!error.isEmpty()) {
            QCOMPARE(same, text);
            continue;
        }
        ++compiled;
        QVERIFY2(same == text, qPrintable(pattern));
        qsizetype last = 0;
        for (const RegexMatch& m : regexMatches(text, pattern)) {
            QVERIFY2(m.start >= last, qPrintable(pattern));
            QCOMPARE(m.captures.at(0), text.mid(m.start, m.length));
            last = m.start + m.length;
        }
    }
    QVERIFY(compiled > 500);
}

QTEST_GUILESS_MAIN(TestRegex)
#include "tst_regex.moc"
