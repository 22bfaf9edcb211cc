// The page charset: from headers, meta tags and declarations, inherited by scripts, guessed when
// nothing is declared.
#include "fetch/pagedecoder.h"
#include "text/charset.h"
#include "support/rows.h"

#include <QRandomGenerator>
#include <QStringDecoder>
#include <QTest>

class TestPageDecoder : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void contentTypeRule_data();
    void contentTypeRule();
    void decodeByDeclaration_data();
    void decodeByDeclaration();
    void declaredCharset_data();
    void declaredCharset();
    void gbkBytesGuessTheSame();
};

void TestPageDecoder::contentTypeRule_data() {
    columns<QString, QString, QString>("before", "contentType", "after");
    addRow("header charset", "", "text/html; charset=GBK", "GBK");
    addRow("last charset wins", "", "text/html; charset=utf-8; charset=big5", "big5");
    addRow("html without charset clears", "big5", "text/html", "");
    addRow("script keeps page charset", "big5", "application/x-javascript", "big5");
    addRow("plain text keeps page charset", "utf-8", "text/plain", "utf-8");
    addRow("other script type clears", "big5", "application/javascript", "");
    addRow("no header at all clears", "big5", "", "");
}

void TestPageDecoder::contentTypeRule() {
    const auto [before, contentType, after] =
        fetch<QString, QString, QString>("before", "contentType", "after");
    PageDecoder decoder;
    decoder.setPageCharset(before);
    decoder.takeContentType(contentType);
    QCOMPARE(decoder.pageCharset(), after);
}

void TestPageDecoder::decodeByDeclaration_data() {
    // pageCharset: as the header left it
    columns<QString, QByteArray, QString, QString>("pageCharset", "bytes", "charsetAfter", "text");

    QString big5Charset = "big5";
    const QByteArray big5Page = "<meta http-equiv=Content-Type content=\"text/html; charset=big5\"><p>" +
                                encodeHtmlForCharset("繁體中文", big5Charset) + " BIG5</p>";
    addRow("meta big5", "", big5Page, "big5",
           "<meta http-equiv=Content-Type content=\"text/html; charset=gb2312\"><p>繁體中文 gb2312</p>");
    addRow("meta utf-8 with slash", "", QByteArray("<meta content=\"text/html; charset=utf-8\" /><b>\xE4\xB8\xAD</b>"),
           "utf-8", "<meta content=\"text/html; charset=gb2312\" /><b>中</b>");
    addRow("xml declaration", "", QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?><r>\xE4\xB8\xAD</r>"), "UTF-8",
           "<?xml version=\"1.0\" encoding=\"gb2312\"?><r>中</r>");
    addRow("nothing declared, gbk", "", QByteArray("<p>\xD6\xD0\xCE\xC4\xD5\xC2\xBD\xDA</p>"), "gb2312",
           "<p>中文章节</p>");
    addRow("nothing declared, utf-8", "", QByteArray("<p>\xE7\xAC\xAC\xE4\xB8\x80\xE7\xAB\xA0</p>"), "utf-8",
           "<p>第一章</p>");
    // Surrogates written as UTF-8 are no UTF-8; the same bytes are GBK text.
    const QByteArray surrogates("<p>\xED\xA0\xA1\xED\xA0\xA1</p>");
    addRow("nothing declared, utf-8 surrogates", "", surrogates, "gb2312",
           QString(QStringDecoder("GB18030").decode(surrogates)));
    addRow("nothing declared, gb18030 four-byte", "", QByteArray("<p>\x81\x30\x81\x30\xD6\xD0</p>"), "gb2312",
           QString::fromUtf8("<p>\xC2\x80\xE4\xB8\xAD</p>"));
    addRow("nothing declared, latin-1", "", QByteArray("Caf\xE9 au lait, cr\xE8me br\xFBl\xE9\x65 et g\xE2teau."), "",
           "Café au lait, crème brûlée et gâteau.");
    addRow("header charset decides", "utf-8", QByteArray("<meta charset=gbk>\xE4\xB8\xAD"), "utf-8",
           "<meta charset=gbk>中");
    addRow("unknown name read as gbk", "", QByteArray("<meta charset=x-nonsense>\xD6\xD0"), "gb2312",
           "<meta charset=x-nonsense>中");
    addRow("empty", "", QByteArray(), "", "");
}

void TestPageDecoder::decodeByDeclaration() {
    const auto [pageCharset, bytes, charsetAfter, text] =
        fetch<QString, QByteArray, QString, QString>("pageCharset", "bytes", "charsetAfter", "text");
    PageDecoder decoder;
    decoder.setPageCharset(pageCharset);
    QCOMPARE(decoder.decode(bytes), text);
    if (!charsetAfter.isEmpty())
        QCOMPARE(decoder.pageCharset(), charsetAfter);
}

void TestPageDecoder::declaredCharset_data() {
    columns<QString, QString>("text", "charset");
    addRow("html5", "<meta charset=\"utf-8\">", "utf-8");
    addRow("single quotes", "<meta content='text/html; charset=gbk'>", "gbk");
    addRow("upper case key", "<META CONTENT=\"text/html; CHARSET=BIG5\">", "BIG5");
    addRow("xml", "<?xml version='1.0' encoding='gb18030'?>", "gb18030");
    addRow("none", "<html><body>正文</body></html>", "");
}

void TestPageDecoder::declaredCharset() {
    const auto [text, charset] = fetch<QString, QString>("text", "charset");
    QCOMPARE(PageDecoder::declaredCharset(text), charset);
}

void TestPageDecoder::gbkBytesGuessTheSame() {
    // Bytes that read as GBK throughout are GB18030 in structure: the guess knowing it must be the
    // guess that looks. Random ASCII, GBK pairs, UTF-8 sequences and stray bytes.
    QRandomGenerator random(2026);
    int gbk = 0;
    for (int run = 0; run < 20000; ++run) {
        QByteArray bytes;
        for (int i = random.bounded(1, 16); i > 0; --i) {
            switch (random.bounded(4)) {
            case 0:
                bytes += char(random.bounded(0x20, 0x7F));
                break;
            case 1:
                bytes += char(random.bounded(0x81, 0xFF));
                bytes += char(random.bounded(0x40, 0xFF));
                break;
            case 2:
                bytes += QString(QChar(char16_t(random.bounded(0x4E00, 0x9FA5)))).toUtf8();
                break;
            default:
                bytes += char(random.bounded(256));
            }
        }
        if (!decodeGbkBytes(bytes))
            continue;
        ++gbk;
        QCOMPARE(PageDecoder::guessCharset(bytes, true), PageDecoder::guessCharset(bytes));
    }
    QVERIFY2(gbk > 1000, qPrintable(QString::number(gbk)));
}

QTEST_GUILESS_MAIN(TestPageDecoder)
#include "tst_pagedecoder.moc"
