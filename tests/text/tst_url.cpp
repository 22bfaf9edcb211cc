#include "support/rows.h"
#include "text/url.h"

#include <QTest>

class TestUrl : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void splitBase_data();
    void splitBase();
    void encoders_data();
    void encoders();
    void decode_data();
    void decode();
    void doubleByteRoundTrip_data();
    void doubleByteRoundTrip();
};

void TestUrl::splitBase_data() {
    columns<QString, QString, QString>("address", "root", "folder");
    addRow("page", "http://www.a.com/a/b.htm", "http://www.a.com/", "http://www.a.com/a");
    addRow("folder with slash", "http://www.a.com/a/", "http://www.a.com/", "http://www.a.com/a");
    addRow("folder without slash", "http://www.a.com/a", "http://www.a.com/", "http://www.a.com/a");
    addRow("query segment", "http://a.com/book/?id=3", "http://a.com/", "http://a.com/book");
    addRow("bare host", "http://www.a.com", "http://www.a.com/", "http://www.a.com");
    addRow("bare host, upper case", "HTTP://A.COM", "http://A.COM/", "HTTP://A.COM");
    addRow("host with slash", "http://a.com/", "http://a.com/", "http://a.com");
    addRow("https", "https://a.com/x/1.html", "https://a.com/", "https://a.com/x");
    addRow("dotted page at the root", "http://a.com/index.html", "http://a.com/", "http://a.com");
}

void TestUrl::splitBase() {
    const auto [address, root, folder] = fetch<QString, QString, QString>("address", "root", "folder");
    const UrlBase base = splitUrlBase(address);
    QCOMPARE(base.siteRoot, root);
    QCOMPARE(base.folder, folder);
}

void TestUrl::encoders_data() {
    columns<QString, QString, QString, QString>("text", "ansi", "doubleByte", "utf8");
    addRow("chinese", "中文", "%D6%D0%CE%C4", "%D6%D0%CE%C4", "%E4%B8%AD%E6%96%87");
    addRow("ascii", "a 1+", "%61%20%31%2B", "a 1+", "a 1+");
    addRow("control", "\x05", "%05", "\x05", "\x05");
    addRow("two-byte utf-8 kept", "é", "%A8%A6", "%A8%A6", "é");
    addRow("outside gbk", "𠀀", "%95%32%82%36", "𠀀", "%F0%A0%80%80");
    addRow("emoji", "😀", "%94%39%FC%36", "😀", "%F0%9F%98%80");
    addRow("nul", QString(QChar(0)), "%00", QString(QChar(0)), "%00");
}

void TestUrl::encoders() {
    const auto [text, ansi, doubleByte, utf8] =
        fetch<QString, QString, QString, QString>("text", "ansi", "doubleByte", "utf8");
    QCOMPARE(urlEncodeAnsi(text), ansi);
    QCOMPARE(urlEncodeDoubleByte(text), doubleByte);
    QCOMPARE(urlEncodeUtf8(text), utf8);
}

// Hex groups alone (decodeHexChars) or escapes inside other text (urlDecodeAnsi).
void TestUrl::decode_data() {
    columns<bool, QString, QString>("hexOnly", "text", "expected");
    addRow("two characters", true, "%D6%D0%CE%C4", "中文");
    addRow("no percent signs", true, "D6D0", "中");
    addRow("lower case", true, "%d6%d0", "中");
    addRow("not hex", true, "%ZZ%ZZ", "%ZZ%ZZ");
    addRow("0x prefix is not hex", true, "0x1F", "0x1F");
    addRow("incomplete group", true, "%D6%D", "%D6%D");
    addRow("invalid GBK", true, "%FF%FF", "%FF%FF");
    addRow("empty", true, "", "");
    addRow("mixed", false, "<a>%D6%D0x%CE%C4</a>", "<a>中x文</a>");
    addRow("percent sign at the end", false, "100%", "100%");
    addRow("percent in text", false, "50%off 20%", "50%off 20%");
    addRow("no escapes", false, "abc", "abc");
}

void TestUrl::decode() {
    const auto [hexOnly, text, expected] = fetch<bool, QString, QString>("hexOnly", "text", "expected");
    QCOMPARE(hexOnly ? decodeHexChars(text) : urlDecodeAnsi(text), expected);
}

void TestUrl::doubleByteRoundTrip_data() {
    QTest::addColumn<QString>("text");
    addRow("site record", "<Site><Name>起点中文网</Name><Url>http://a.com/s?q=[[Name]]</Url></Site>");
    addRow("rare", "朱镕基 𠀀 😀 € ·");
    addRow("percent signs", "100% 50%off %");
}

void TestUrl::doubleByteRoundTrip() {
    QFETCH(QString, text);
    QCOMPARE(urlDecodeAnsi(urlEncodeDoubleByte(text)), text);
}

QTEST_GUILESS_MAIN(TestUrl)
#include "tst_url.moc"
