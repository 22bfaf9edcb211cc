#include "support/rows.h"
#include "text/markers.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>

namespace {

// Up to maxPieces of the pieces, drawn at random.
QString randomText(QRandomGenerator& random, const QList<QString>& pieces, int maxPieces) {
    QString out;
    for (int i = int(random.bounded(maxPieces + 1)); i > 0; --i)
        out += pieces.at(int(random.bounded(int(pieces.size()))));
    return out;
}

} // namespace

class TestMarkers : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void between_data();
    void between();
    void betweenLast_data();
    void betweenLast();
    void afterLastAndBefore_data();
    void afterLastAndBefore();
    void caseBlindSearch_data();
    void caseBlindSearch();
    void caseBlindSearchAgreesWithQt();
    void needlesAtOnceAgreeWithOneByOne();
    void tagOpenersAgreeWithEveryBracket();
    void replacementsAgreeWithQt();
};

void TestMarkers::between_data() {
    // loose: getTextBetween; strict: getTextBetweenStrict
    columns<QString, QString, QString, QString, QString>("text", "start", "end", "loose", "strict");

    addRow("both found", "abcXYdef", "c", "d", "XY", "XY");
    addRow("end missing", "abcXYdef", "c", "Q", "XYdef", "");
    addRow("end missing trims spaces", "start  body \t ", "start", "end", "body \t", "");
    addRow("found text not trimmed", "[ a ]", "[", "]", " a ", " a ");
    addRow("start missing", "abcdef", "x", "d", "", "");
    addRow("empty text", "", "a", "b", "", "");
    addRow("first start, first end after it", "<b>1</b><b>2</b>", "<b>", "</b>", "1", "1");
    addRow("end only before start", "d..c tail", "c", "d", "tail", "");
    addRow("end searched after the start marker", "abab", "ab", "ab", "", "");
    addRow("end overlapping the start marker", "aXa", "aX", "Xa", "a", "");
    addRow("case-insensitive, case kept", "<DIV class=C>Text Here</Div>", "<div class=c>", "</DIV>",
           "Text Here", "Text Here");
    addRow("chinese markers", "正文开始第一章正文结束", "正文开始", "正文结束", "第一章", "第一章");
    addRow("empty end marker", "abc", "a", "", "", "");
    addRow("empty start marker", "abc", "", "c", "ab", "ab");
}

void TestMarkers::between() {
    const auto [text, start, end, loose, strict] =
        fetch<QString, QString, QString, QString, QString>("text", "start", "end", "loose", "strict");
    QCOMPARE(getTextBetween(text, start, end), loose);
    QCOMPARE(getTextBetweenStrict(text, start, end), strict);
}

void TestMarkers::betweenLast_data() {
    columns<QString, QString, QString, QString>("text", "start", "end", "expected");
    addRow("last start", "<a>1</a><A>2</a>", "<a>", "</a>", "2");
    addRow("end missing after last", "<a>1</a><a> 2 ", "<a>", "</a>", "2");
    addRow("start missing", "abc", "x", "c", "");
    addRow("marker at the very end", "a<a>", "<a>", "</a>", "");
}

void TestMarkers::betweenLast() {
    const auto [text, start, end, expected] =
        fetch<QString, QString, QString, QString>("text", "start", "end", "expected");
    QCOMPARE(getTextBetweenLast(text, start, end), expected);
}

void TestMarkers::afterLastAndBefore_data() {
    columns<QString, QString, QString, QString>("text", "marker", "after", "before");
    addRow("found", "text/html; Charset=GBK; charset=utf-8", "charset=", "utf-8", "text/html; ");
    addRow("missing", "abc", "x", "", "");
    addRow("at the edges", "=a=", "=", "", "");
    addRow("empty text", "", "a", "", "");
}

void TestMarkers::afterLastAndBefore() {
    const auto [text, marker, after, before] =
        fetch<QString, QString, QString, QString>("text", "marker", "after", "before");
    QCOMPARE(getTextAfterLast(text, marker), after);
    QCOMPARE(getTextBefore(text, marker), before);
}

void TestMarkers::caseBlindSearch_data() {
    columns<QString, QString, int, int>("text", "needle", "from", "found");

    addRow("markup, other case", "<p>一<DIV id=x>", "<div", 0, 4);
    addRow("anchor inside the needle", "META CHARSET=gbk>", "charset=", 0, 5);
    addRow("letters only", "abcABCabc", "CAB", 1, 2);
    addRow("from skips a match", "xAx xax", "xax", 1, 4);
    addRow("match at the very end", "1234<br>", "<BR>", 0, 4);
    addRow("needle longer than the rest", "ab<di", "<div", 0, -1);
    addRow("Kelvin sign folds to k", QString::fromUtf16(u"\u212aey"), "KEY", 0, 0);
    addRow("long s folds to s", QString::fromUtf16(u"<\u017fpan>"), "<SPAN>", 0, 0);
    addRow("dotted capital I does not", QString::fromUtf16(u"\u0130d"), "id", 0, -1);
    addRow("Chinese needle", "第一章 第二章", "第二", 0, 4);
    addRow("Chinese and ASCII", "下一页 NEXT页", "next页", 0, 4);
    addRow("empty needle", "abc", "", 2, 2);
    addRow("from past the end", "abc", "c", 4, -1);
}

void TestMarkers::caseBlindSearch() {
    const auto [text, needle, from, found] =
        fetch<QString, QString, int, int>("text", "needle", "from", "found");
    QCOMPARE(indexOfIgnoringCase(text, needle, from), qsizetype(found));
}

void TestMarkers::caseBlindSearchAgreesWithQt() {
    // Texts mixing the characters that matter: both cases, markup, the two non-ASCII letters that fold
    // into ASCII, Chinese, full-width letters (which have case), a surrogate pair.
    const QList<QString> pieces = {"a",  "A",  "k",      "K",      "s",      "S",         "<",
                                   "=",  ">",  " ",      "\u212a", "\u017f", "\u0130",    "\u00e9",
                                   "章", "第", "\u3000", "\uff21", "\uff41", "\U0001F600"};
    QRandomGenerator random(20261206);
    auto make = [&](int maxPieces) { return randomText(random, pieces, maxPieces); };
    for (int round = 0; round < 200000; ++round) {
        const QString text = make(14);
        const QString needle = make(3);
        const int from = int(random.bounded(int(text.size()) + 1));
        const qsizetype expected = text.indexOf(needle, from, Qt::CaseInsensitive);
        const qsizetype got = indexOfIgnoringCase(text, needle, from);
        if (got != expected)
            QFAIL(qPrintable(QStringLiteral("\"%1\" in \"%2\" from %3: %4, Qt %5")
                                 .arg(needle, text)
                                 .arg(from)
                                 .arg(got)
                                 .arg(expected)));
        if (needle.size() == 1 || needle.isEmpty())
            continue;
        const QByteArray latin1 = needle.toLatin1();
        if (QString::fromLatin1(latin1) == needle)
            QCOMPARE(indexOfIgnoringCase(text, QLatin1String(latin1), from), expected);
    }
}

void TestMarkers::needlesAtOnceAgreeWithOneByOne() {
    // Sets of needles, some in the one-pass form (ASCII, Chinese) and some not (accents, full-width,
    // a surrogate pair), against texts of the same pieces.
    const QList<QString> pieces = {"a",  "A",  "k",      "K",      "s",         "S",
                                   "<",  ".",  "\u212a", "\u017f", "\u0130",    "\u00e9",
                                   "章", "第", "下载",   "\uff21", "\U0001F600"};
    QRandomGenerator random(20261207);
    auto make = [&](int maxPieces) { return randomText(random, pieces, maxPieces); };
    int found = 0;
    for (int round = 0; round < 20000; ++round) {
        QStringList needles;
        for (int i = int(random.bounded(5)); i > 0; --i)
            needles << make(3);
        const NeedlesIgnoringCase atOnce(needles);
        for (int t = 0; t < 5; ++t) {
            const QString text = make(12);
            const bool expected =
                std::any_of(needles.cbegin(), needles.cend(), [&text](const QString& needle) {
                    return indexOfIgnoringCase(text, needle) >= 0;
                });
            found += expected ? 1 : 0;
            if (atOnce.foundIn(text) != expected)
                QFAIL(qPrintable(
                    QStringLiteral("[%1] in \"%2\": Qt %3").arg(needles.join(u'|'), text).arg(expected)));
        }
    }
    QVERIFY(found > 10000 && found < 90000);
}

void TestMarkers::tagOpenersAgreeWithEveryBracket() {
    // Openers of several lengths and first letters (one a sign), against texts with both cases, the
    // long s and Kelvin sign that fold into them, Chinese, and a "<" at the very end.
    const QLatin1String openers[] = {QLatin1String("<script"), QLatin1String("<s"),
                                     QLatin1String("<!--"),    QLatin1String("<%"),
                                     QLatin1String("<kbd"),    QLatin1String("<head>")};
    const qsizetype count = qsizetype(std::size(openers));
    const QList<QString> pieces = {"<",  "<", "s", "S", "\u017f", "k",    "K", "\u212a", "cript", "CRIPT",
                                   "bd", "!", "-", "%", "head",   "HEAD", ">", "章",     "br"};
    QRandomGenerator random(20261208);
    int found = 0;
    for (int round = 0; round < 50000; ++round) {
        const QString text = randomText(random, pieces, 10);
        quint32 expected = 0;
        for (qsizetype at = 0; at < text.size(); ++at)
            for (qsizetype i = 0; i < count; ++i)
                if (text.at(at) == u'<' && matchesIgnoringCaseAt(text, at, openers[i]))
                    expected |= 1u << i;
        QCOMPARE(tagOpenersIn(text, openers, count), expected);
        const quint32 first = tagOpenersIn(text, openers, count, true);
        QCOMPARE(first != 0, expected != 0);
        QVERIFY((first & expected) == first && (first & (first - 1)) == 0);
        found += expected != 0 ? 1 : 0;
    }
    QVERIFY(found > 1000); // the texts did hold openers
}

void TestMarkers::replacementsAgreeWithQt() {
    // Overlapping needles, a needle formed or found again by a replacement, both cases and the two
    // non-ASCII letters that fold into ASCII.
    const QList<QString> pieces = {"a", "A", "aa", "s", "S", "\u017f", "k", "\u212a", "<", ">", "章", " "};
    QRandomGenerator random(20261209);
    auto make = [&](int maxPieces) { return randomText(random, pieces, maxPieces); };
    for (int round = 0; round < 50000; ++round) {
        const QString text = make(12);
        const QString needle = make(3);
        const QString by = make(2);
        if (needle.isEmpty())
            continue;
        QCOMPARE(replaceAll(text, needle, by), QString(text).replace(needle, by));
        const QByteArray latin1 = needle.toLatin1();
        if (QString::fromLatin1(latin1) == needle)
            QCOMPARE(replaceIgnoringCase(text, QLatin1String(latin1), by),
                     QString(text).replace(needle, by, Qt::CaseInsensitive));
    }
}

QTEST_GUILESS_MAIN(TestMarkers)
#include "tst_markers.moc"
