#include "storage/textfile.h"
#include "support/rows.h"
#include "text/charset.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTest>

class TestCharset : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void charsetNames_data();
    void charsetNames();
    void everyGbkCodeRoundTrips();
    void gbTablesMatchTheCodec();
    void rareCharactersRoundTrip_data();
    void rareCharactersRoundTrip();
    void big5PagesKeepEveryCharacter();
    void gbkPagesAndTextFiles_data();
    void gbkPagesAndTextFiles();
    void codePageValues_data();
    void codePageValues();
    void ansiLength_data();
    void ansiLength();
};

void TestCharset::charsetNames_data() {
    columns<QByteArray, QString, QString, QString, QString>("bytes", "charset", "defaultCharset", "text",
                                                            "used");

    const QByteArray gbk("\xD6\xD0\xCE\xC4"); // 中文
    const QByteArray utf8("\xE4\xB8\xAD\xE6\x96\x87");
    const QByteArray big5("\xA4\xA4\xA4\xE5");
    addRow("GB2312_80", gbk, "GB2312_80", "gb2312", "中文", "gb2312");
    addRow("gb2312", gbk, "gb2312", "gb2312", "中文", "gb2312");
    addRow("GB2312 keeps its case", gbk, "GB2312", "gb2312", "中文", "GB2312");
    addRow("gbk stays gbk", gbk, "gbk", "gb2312", "中文", "gbk");
    addRow("gb18030", gbk, "GB18030", "gb2312", "中文", "GB18030");
    addRow("UTF8", utf8, "UTF8", "gb2312", "中文", "utf-8");
    addRow("utf_8", utf8, "utf_8", "gb2312", "中文", "utf-8");
    addRow("UTF-8", utf8, "UTF-8", "gb2312", "中文", "UTF-8");
    addRow("none uses the setting", big5, "None", "big5", "中文", "big5");
    addRow("none, default gb2312", gbk, "none", "gb2312", "中文", "gb2312");
    addRow("big5", big5, "BIG5", "gb2312", "中文", "BIG5");
    addRow("unknown falls back", gbk, "x-no-such", "gb2312", "中文", "gb2312");
    addRow("empty name falls back", gbk, "", "gb2312", "中文", "gb2312");
    addRow("non-latin name", gbk, "中文", "gb2312", "中文", "gb2312");
    addRow("empty bytes", QByteArray(), "UTF8", "gb2312", "", "utf-8");
    addRow("BOM dropped", QByteArray("\xEF\xBB\xBF\xE4\xB8\xAD"), "utf-8", "gb2312", "中", "utf-8");
}

void TestCharset::charsetNames() {
    auto [bytes, charset, defaultCharset, text, used] = fetch<QByteArray, QString, QString, QString, QString>(
        "bytes", "charset", "defaultCharset", "text", "used");
    QCOMPARE(bytesToText(bytes, charset, defaultCharset), text);
    QCOMPARE(charset, used);
}

// Old chapter files can hold any GBK code, including the user-defined areas: reading and writing one
// back must give the same bytes.
void TestCharset::everyGbkCodeRoundTrips() {
    QByteArray all;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F)
                continue;
            all.append(char(lead));
            all.append(char(trail));
        }
    }
    QString charset = QStringLiteral("gbk");
    const QString text = bytesToText(all, charset);
    QVERIFY(!text.contains(QChar::ReplacementCharacter));
    QCOMPARE(text.size(), all.size() / 2);
    const QByteArray again = encodeText(text);
    if (again != all) {
        for (qsizetype i = 0; i < all.size(); i += 2)
            QVERIFY2(again.mid(i, 2) == all.mid(i, 2), all.mid(i, 2).toHex().constData());
    }
    QCOMPARE(encodeHtmlForCharset(text, QStringLiteral("gb2312")), all);
}

// Pages are read and written through tables when they allow it; the result must be the codec's, for
// any bytes and any text.
void TestCharset::gbTablesMatchTheCodec() {
    QRandomGenerator random(20261206);
    const QList<QByteArray> byteBits = {"a", "<br />", "\xD6\xD0", "\xB5\xDA", "\x81\x40", "\xFE\xFE",
                                        "\x81\x30\x81\x30", "\x95\x32\x82\x36", "\x80", "\xFF",
                                        "\x81", "\x81\x7F", "\x00", "\xA2\xE3"};
    const QList<QString> textBits = {"a",      "<p>",    "中文",   "\u00b7",
                                     "\u20ac", "\u0080", "\u3400", "\U0001F600",
                                     "\uE000", "\u00e9", "\uFFFD", QString(QChar(0xD800))};
    for (int round = 0; round < 50000; ++round) {
        QByteArray bytes;
        QString text;
        for (int i = int(random.bounded(12)); i > 0; --i) {
            bytes += byteBits.at(int(random.bounded(int(byteBits.size()))));
            text += textBits.at(int(random.bounded(int(textBits.size()))));
        }
        QString charset = QStringLiteral("gbk");
        QStringDecoder decoder("GB18030");
        const QString expectedText = decoder.decode(bytes);
        QCOMPARE(bytesToText(bytes, charset), expectedText);

        QStringEncoder encoder("GB18030");
        const QByteArray expectedBytes = encoder.encode(text);
        if (!encoder.hasError()) // else characters become references, checked elsewhere
            QCOMPARE(encodeHtmlForCharset(text, QStringLiteral("gb18030")), expectedBytes);
    }
}

void TestCharset::rareCharactersRoundTrip_data() {
    QTest::addColumn<QString>("text");
    addRow("extension B", QStringLiteral("𠀀𪚥"));
    addRow("镕 and 堃", QStringLiteral("朱镕基，王堃"));
    addRow("emoji", QStringLiteral("😀👍🏻"));
    addRow("euro, middle dot, nbsp", QStringLiteral("€·\u00A0"));
    addRow("private use", QStringLiteral("\uE5E5\uE000"));
    addRow("mixed", QStringLiteral("第1章 𠀀镕😀 «end»"));
}

void TestCharset::rareCharactersRoundTrip() {
    QFETCH(QString, text);
    for (const char* name : {"GB18030", "utf-8"}) {
        QString charset = QString::fromLatin1(name);
        const QByteArray bytes = encodeHtmlForCharset(text, charset);
        QVERIFY2(!bytes.contains("&#"), name);
        QCOMPARE(bytesToText(bytes, charset), text);
    }
    // Pages declared GBK hold GBK codes only; a reader resolving the references gets the text back.
    static const QRegularExpression reference(QStringLiteral("&#(\\d+);"));
    for (const char* name : {"gb2312", "gbk", "x-unknown"}) {
        const std::optional<QString> gbk =
            decodeGbkBytes(encodeHtmlForCharset(text, QString::fromLatin1(name)));
        QVERIFY2(gbk, name);
        QString resolved;
        qsizetype from = 0;
        for (auto it = reference.globalMatch(*gbk); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            const char32_t ch = m.captured(1).toUInt();
            resolved += gbk->mid(from, m.capturedStart() - from) + QString::fromUcs4(&ch, 1);
            from = m.capturedEnd();
        }
        QCOMPARE(resolved + gbk->mid(from), text);
    }
    QCOMPARE(decodeTextFileBytes(encodeText(text)), text);
}

void TestCharset::big5PagesKeepEveryCharacter() {
    const QString text = QStringLiteral("中文着𠀀😀");
    const QByteArray bytes = encodeHtmlForCharset(text, QStringLiteral("big5"));
    QVERIFY(!bytes.contains('?'));
    QString charset = QStringLiteral("big5");
    QCOMPARE(bytesToText(bytes, charset), QStringLiteral("中文&#30528;&#131072;&#128512;"));
    QVERIFY(big5CanEncode(U'中'));
    QVERIFY(!big5CanEncode(U'着'));
}

// What GBK lacks: a reference in a page, the nearest GBK character in a text file.
void TestCharset::gbkPagesAndTextFiles_data() {
    columns<QString, QByteArray, QByteArray>("text", "page", "textFile");
    addRow("GBK as it is", QStringLiteral("中文　a"), QByteArray("\xD6\xD0\xCE\xC4\xA1\xA1\x61"),
           QByteArray("\xD6\xD0\xCE\xC4\xA1\xA1\x61"));
    addRow("no-break space", QStringLiteral("甲\u00A0乙"), QByteArray("\xBC\xD7&#160;\xD2\xD2"),
           QByteArray("\xBC\xD7 \xD2\xD2"));
    addRow("en space and thin space", QStringLiteral("a\u2002b\u2009c"), QByteArray("a&#8194;b&#8201;c"),
           QByteArray("a b c"));
    addRow("zero width space and BOM", QStringLiteral("a\u200Bb\uFEFF"), QByteArray("a&#8203;b&#65279;"),
           QByteArray("ab"));
    addRow("ligature", QStringLiteral("\uFB01ne"), QByteArray("&#64257;ne"), QByteArray("fine"));
    addRow("fraction", QStringLiteral("\u00BD"), QByteArray("&#189;"), QByteArray("1/2"));
    addRow("accented letter", QStringLiteral("Erd\u0151s"), QByteArray("Erd&#337;s"), QByteArray("Erdos"));
    addRow("GBK's own accents", QStringLiteral("\u00E9"), QByteArray("\xA8\xA6"), QByteArray("\xA8\xA6"));
    addRow("bullet", QStringLiteral("\u2022"), QByteArray("&#8226;"), QByteArray("\xA1\xA4"));
    addRow("extension B", QStringLiteral("\U00020000"), QByteArray("&#131072;"), QByteArray("?"));
    addRow("emoji", QStringLiteral("\U0001F600!"), QByteArray("&#128512;!"), QByteArray("?!"));
    addRow("lone surrogate", QString(QChar(0xD800)) + QStringLiteral("a"), QByteArray("&#65533;a"),
           QByteArray("?a"));
}

void TestCharset::gbkPagesAndTextFiles() {
    const auto [text, page, textFile] = fetch<QString, QByteArray, QByteArray>("text", "page", "textFile");
    QCOMPARE(encodeHtmlForCharset(text, QStringLiteral("gb2312")), page);
    QCOMPARE(encodeHtmlForCharset(text, QStringLiteral("GBK")), page);
    QCOMPARE(encodeGbkNearest(text), textFile);
}

void TestCharset::codePageValues_data() {
    columns<uint, int>("ch", "value");
    addRow("ascii", uint('A'), 0x41);
    addRow("中", uint(U'中'), 0xD6D0);
    addRow("ideographic space", uint(U'\u3000'), 0xA1A1);
    addRow("镕", uint(U'镕'), 0xE946);
    addRow("extension B", uint(U'𠀀'), -1);
    addRow("emoji", uint(U'😀'), -1);
    addRow("latin-1 é", uint(U'é'), 0xA8A6);
    addRow("nbsp", 0xA0u, -1);
}

void TestCharset::codePageValues() {
    const auto [ch, value] = fetch<uint, int>("ch", "value");
    QCOMPARE(codePageValue(ch), value);
    QCOMPARE(isDoubleByte(ch), value > 0xFF);
    if (value >= 0)
        QCOMPARE(charFromCodePageValue(value), QString::fromUcs4(reinterpret_cast<const char32_t*>(&ch), 1));
}

void TestCharset::ansiLength_data() {
    columns<QString, int>("text", "length");
    addRow("empty", QString(), 0);
    addRow("ascii", QStringLiteral("abc"), 3);
    addRow("chinese", QStringLiteral("a中文"), 5);
    addRow("outside gbk", QStringLiteral("𠀀😀"), 4);
}

void TestCharset::ansiLength() {
    const auto [text, length] = fetch<QString, int>("text", "length");
    QCOMPARE(::ansiLength(text), length);
}

QTEST_GUILESS_MAIN(TestCharset)
#include "tst_charset.moc"
