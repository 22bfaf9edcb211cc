#include "support/rows.h"
#include "text/charset.h"
#include "text/chinese.h"

#include <QTest>

class TestChinese : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void digitValue_data();
    void digitValue();
    void numbers_data();
    void numbers();
    void characters_data();
    void characters();
    void big5OutputFitsBig5();
    void phrases();
};

void TestChinese::digitValue_data() {
    columns<QString, int>("ch", "value");
    QTest::newRow("零") << "零" << 0;
    QTest::newRow("十") << "十" << 10;
    QTest::newRow("亿") << "亿" << 100000000;
    QTest::newRow("other") << "两" << -1;
    QTest::newRow("two characters") << "十一" << -1;
    QTest::newRow("empty") << "" << -1;
}

void TestChinese::digitValue() {
    const auto [ch, value] = fetch<QString, int>("ch", "value");
    QCOMPARE(chineseDigitValue(ch), value);
}

void TestChinese::numbers_data() {
    columns<int, QString>("n", "text");
    const QList<std::pair<int, QString>> cases = {
        {0, ""},       {7, "七"},         {10, "十"},         {15, "十五"},        {20, "二十"},
        {100, "一百"}, {105, "一百零五"}, {110, "一百一十"},  {999, "九百九十九"}, {1000, ""},
        {-1, ""},      {300, "三百"},     {211, "二百一十一"}};
    for (const auto& [n, text] : cases)
        QTest::newRow(qPrintable(QString::number(n))) << n << text;
}

void TestChinese::numbers() {
    const auto [n, text] = fetch<int, QString>("n", "text");
    QCOMPARE(numberToChinese(n), text);
}

void TestChinese::characters_data() {
    columns<QString, bool, QString>("text", "toTraditional", "expected");
    // Where one simplified character stands for several traditional ones, the first listed wins.
    QTest::newRow("冲 → 衝") << "冲" << true << "衝";
    QTest::newRow("first partners") << "发台后干" << true << "發臺後幹";
    QTest::newRow("first partner is itself") << "面系" << true << "面系";
    QTest::newRow("sentence") << "这是一个简体中文的句子。" << true << "這是一個簡體中文的句子。";
    QTest::newRow("back") << "這是一個簡體中文的句子。" << false << "这是一个简体中文的句子。";
    QTest::newRow("both 衝 and 沖 → 冲") << "衝沖" << false << "冲冲";
    QTest::newRow("single-byte and outside GBK unchanged") << "abc 123 𠀀😀" << true << "abc 123 𠀀😀";
    QTest::newRow("empty") << "" << true << "";
}

void TestChinese::characters() {
    QVERIFY(chineseScriptTablesAvailable());
    const auto [text, toTraditional, expected] =
        fetch<QString, bool, QString>("text", "toTraditional", "expected");
    QCOMPARE(convertChineseScript(text, toTraditional), expected);
}

// Every double-byte character converted for a Big5 page either fits Big5 or had no partner that does.
void TestChinese::big5OutputFitsBig5() {
    int changed = 0;
    for (char32_t c = 0x4E00; c <= 0x9FA5; ++c) {
        if (!isDoubleByte(c))
            continue;
        const QString one = QString::fromUcs4(&c, 1);
        const QString plain = convertChineseScript(one, true);
        const QString big5 = convertChineseScript(one, true, ScriptConversion::CharactersForBig5);
        if (plain == big5)
            continue;
        ++changed;
        QVERIFY2(big5CanEncode(big5.toUcs4().first()), qPrintable(one + big5));
        QVERIFY2(!big5CanEncode(plain.toUcs4().first()), qPrintable(one + plain));
    }
    QVERIFY(changed > 0);
}

void TestChinese::phrases() {
    QCOMPARE(convertChineseScript(QStringLiteral("头发和发展"), true, ScriptConversion::Phrases),
             QStringLiteral("頭髮和發展"));
    QCOMPARE(convertChineseScript(QStringLiteral("頭髮和發展"), false, ScriptConversion::Phrases),
             QStringLiteral("头发和发展"));
}

QTEST_GUILESS_MAIN(TestChinese)
#include "tst_chinese.moc"
