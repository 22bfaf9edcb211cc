// The site-list scrambling: known outputs and round trips.
#include "storage/scramble.h"
#include "support/rows.h"

#include <QTest>

class TestScramble : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void knownOutput_data();
    void knownOutput();
    void roundTrip_data();
    void roundTrip();
    void everyOffsetRoundTrips();
    void otherModesAreEmpty();
    void malformedInputDoesNotCrash_data();
    void malformedInputDoesNotCrash();
};

void TestScramble::knownOutput_data() {
    columns<QString, int, QString>("text", "offset", "scrambled");
    // Worked by hand: (97+1)%255=98, 98^'q'=0x13; (98+19)%255=117, 117^'z'=0x0F; (99+15)%255=114,
    // 114^'q'=0x03.
    QTest::newRow("abc") << "abc" << 1 << "0113 F 3";
    QTest::newRow("empty") << "" << 200 << "C8";
}

void TestScramble::knownOutput() {
    const auto [text, offset, scrambled] = fetch<QString, int, QString>("text", "offset", "scrambled");
    QCOMPARE(scrambleEncode(text, offset), scrambled);
    QCOMPARE(scrambleText("D", scrambled), text);
}

void TestScramble::roundTrip_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("ascii") << "http://www.example.com/book/1.html";
    QTest::newRow("percent encoded") << "%C6%F0%B5%E3||http://a.b/";
    QTest::newRow("chinese") << "起点中文网||玄幻||http://www.qd.test/";
    QTest::newRow("outside gbk") << "𠀀𪚥😀";
    QTest::newRow("long") << QString("站点|").repeated(3000);
    QTest::newRow("line breaks") << "a\r\nb\tc";
}

void TestScramble::roundTrip() {
    QFETCH(QString, text);
    for (int i = 0; i < 20; ++i)
        QCOMPARE(scrambleText("D", scrambleText("E", text)), text);
}

void TestScramble::everyOffsetRoundTrips() {
    // Bytes of every value from 1 to 254, after every start offset.
    QString bytes;
    for (int c = 1; c < 128; ++c)
        bytes += QChar(c);
    bytes += QString::fromUtf8("中文字符，標點！");
    for (int offset = 1; offset <= 255; ++offset)
        QCOMPARE(scrambleText("D", scrambleEncode(bytes, offset)), bytes);
}

void TestScramble::otherModesAreEmpty() {
    QCOMPARE(scrambleText("e", "abc"), QString());
    QCOMPARE(scrambleText("X", "abc"), QString());
    QCOMPARE(scrambleText("", "abc"), QString());
}

void TestScramble::malformedInputDoesNotCrash_data() {
    QTest::addColumn<QString>("input");
    QTest::newRow("empty") << "";
    QTest::newRow("one char") << "A";
    QTest::newRow("odd length") << "0113 F 3F";
    QTest::newRow("not hex") << "zzqq!!@@";
    QTest::newRow("chinese") << "中文中文";
}

void TestScramble::malformedInputDoesNotCrash() {
    QFETCH(QString, input);
    const QString out = scrambleText("D", input);
    QVERIFY(out.size() <= input.size());
}

QTEST_GUILESS_MAIN(TestScramble)
#include "tst_scramble.moc"
