#include "storage/markers.h"

#include <QTest>

class TestMarkers : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void between_data();
    void between();
    void betweenLast_data();
    void betweenLast();
    void afterLastAndBefore_data();
    void afterLastAndBefore();
};

void TestMarkers::between_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<QString>("loose");  // getTextBetween
    QTest::addColumn<QString>("strict"); // getTextBetweenStrict

    QTest::newRow("both found") << "abcXYdef"
                                << "c"
                                << "d"
                                << "XY"
                                << "XY";
    QTest::newRow("end missing") << "abcXYdef"
                                 << "c"
                                 << "Q"
                                 << "XYdef"
                                 << "";
    QTest::newRow("end missing trims spaces") << "start  body \t "
                                              << "start"
                                              << "end"
                                              << "body \t"
                                              << "";
    QTest::newRow("found text not trimmed") << "[ a ]"
                                            << "["
                                            << "]"
                                            << " a "
                                            << " a ";
    QTest::newRow("start missing") << "abcdef"
                                   << "x"
                                   << "d"
                                   << ""
                                   << "";
    QTest::newRow("empty text") << ""
                                << "a"
                                << "b"
                                << ""
                                << "";
    QTest::newRow("first start, first end after it") << "<b>1</b><b>2</b>"
                                                     << "<b>"
                                                     << "</b>"
                                                     << "1"
                                                     << "1";
    QTest::newRow("end only before start") << "d..c tail"
                                           << "c"
                                           << "d"
                                           << "tail"
                                           << "";
    QTest::newRow("end searched after the start marker") << "abab"
                                                         << "ab"
                                                         << "ab"
                                                         << ""
                                                         << "";
    QTest::newRow("end overlapping the start marker") << "aXa"
                                                      << "aX"
                                                      << "Xa"
                                                      << "a"
                                                      << "";
    QTest::newRow("case-insensitive, case kept") << "<DIV class=C>Text Here</Div>"
                                                 << "<div class=c>"
                                                 << "</DIV>"
                                                 << "Text Here"
                                                 << "Text Here";
    QTest::newRow("chinese markers") << "正文开始第一章正文结束"
                                     << "正文开始"
                                     << "正文结束"
                                     << "第一章"
                                     << "第一章";
    QTest::newRow("empty end marker") << "abc"
                                      << "a"
                                      << ""
                                      << ""
                                      << "";
    QTest::newRow("empty start marker") << "abc"
                                        << ""
                                        << "c"
                                        << "ab"
                                        << "ab";
}

void TestMarkers::between() {
    QFETCH(QString, text);
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(QString, loose);
    QFETCH(QString, strict);
    QCOMPARE(getTextBetween(text, start, end), loose);
    QCOMPARE(getTextBetweenStrict(text, start, end), strict);
}

void TestMarkers::betweenLast_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<QString>("expected");
    QTest::newRow("last start") << "<a>1</a><A>2</a>"
                                << "<a>"
                                << "</a>"
                                << "2";
    QTest::newRow("end missing after last") << "<a>1</a><a> 2 "
                                            << "<a>"
                                            << "</a>"
                                            << "2";
    QTest::newRow("start missing") << "abc"
                                   << "x"
                                   << "c"
                                   << "";
    QTest::newRow("marker at the very end") << "a<a>"
                                            << "<a>"
                                            << "</a>"
                                            << "";
}

void TestMarkers::betweenLast() {
    QFETCH(QString, text);
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(QString, expected);
    QCOMPARE(getTextBetweenLast(text, start, end), expected);
}

void TestMarkers::afterLastAndBefore_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("marker");
    QTest::addColumn<QString>("after");
    QTest::addColumn<QString>("before");
    QTest::newRow("found") << "text/html; Charset=GBK; charset=utf-8"
                           << "charset="
                           << "utf-8"
                           << "text/html; ";
    QTest::newRow("missing") << "abc"
                             << "x"
                             << ""
                             << "";
    QTest::newRow("at the edges") << "=a="
                                  << "="
                                  << ""
                                  << "";
    QTest::newRow("empty text") << ""
                                << "a"
                                << ""
                                << "";
}

void TestMarkers::afterLastAndBefore() {
    QFETCH(QString, text);
    QFETCH(QString, marker);
    QFETCH(QString, after);
    QFETCH(QString, before);
    QCOMPARE(getTextAfterLast(text, marker), after);
    QCOMPARE(getTextBefore(text, marker), before);
}

QTEST_GUILESS_MAIN(TestMarkers)
#include "tst_markers.moc"
