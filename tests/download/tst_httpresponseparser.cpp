// The HTTP answer reader: framings, interim answers, keep-alive rules and damaged answers, each fed
// whole, split at every position and byte by byte, as a socket may deliver it.
#include "download/contentinflater.h"
#include "download/httpresponseparser.h"
#include "support/packing.h"

#include <QTest>

#include <zlib.h>

Q_DECLARE_METATYPE(HttpResponseParser::State)

namespace {

struct Parsed {
    HttpResponseParser::State state;
    int status = 0;
    QByteArray body;
    bool keepAlive = false;
    qsizetype used = 0;
};

// Feeds the pieces in order, then tells of the connection's end when the answer is still open.
Parsed parse(const QList<QByteArray>& pieces, HttpResponseParser* keep = nullptr) {
    HttpResponseParser local;
    HttpResponseParser& parser = keep ? *keep : local;
    Parsed out;
    for (const QByteArray& piece : pieces) {
        out.used += parser.feed(piece);
        out.body += parser.takeBody();
    }
    if (!parser.done() && !parser.failed()) {
        parser.endOfStream();
        out.body += parser.takeBody();
    }
    out.state = parser.state();
    out.status = parser.status();
    out.keepAlive = parser.keepAlive();
    return out;
}


} // namespace

class TestHttpResponseParser : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void answers_data();
    void answers();
    void bytesAfterTheAnswerAreLeft();
    void repeatedHeaders();
    void inflating_data();
    void inflating();
    void inflaterLimitsTheUnpackedSize();
    void damagedPackedBody();
};

void TestHttpResponseParser::answers_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<HttpResponseParser::State>("state");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("keepAlive");
    using S = HttpResponseParser::State;

    QTest::newRow("length") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello") << S::Done << 200
                            << QByteArray("hello") << true;
    QTest::newRow("length 0") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n") << S::Done << 200
                              << QByteArray() << true;
    QTest::newRow("same length twice") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 2, 2\r\n\r\nab")
                                       << S::Done << 200 << QByteArray("ab") << true;
    QTest::newRow("1.1 close") << QByteArray("HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 2\r\n\r\nab")
                               << S::Done << 200 << QByteArray("ab") << false;
    QTest::newRow("1.0") << QByteArray("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nab") << S::Done << 200
                         << QByteArray("ab") << false;
    QTest::newRow("1.0 keep-alive") << QByteArray("HTTP/1.0 200 OK\r\nconnection: Keep-Alive\r\nContent-Length: 2\r\n\r\nab")
                                    << S::Done << 200 << QByteArray("ab") << true;
    QTest::newRow("chunked") << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                                           "5;name=value\r\nhello\r\n6\r\n world\r\nA\r\n0123456789\r\n0\r\n"
                                           "X-Trailer: 1\r\n\r\n")
                             << S::Done << 200 << QByteArray("hello world0123456789") << true;
    QTest::newRow("bare line feeds") << QByteArray("HTTP/1.1 200 OK\nContent-Length: 3\n\nabc") << S::Done << 200
                                     << QByteArray("abc") << true;
    QTest::newRow("until the end") << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n<p>x</p>")
                                   << S::Done << 200 << QByteArray("<p>x</p>") << false;
    QTest::newRow("100 first") << QByteArray("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nx")
                               << S::Done << 200 << QByteArray("x") << true;
    QTest::newRow("304 has no body") << QByteArray("HTTP/1.1 304 Not Modified\r\nContent-Length: 10\r\n\r\n")
                                     << S::Done << 304 << QByteArray() << true;
    QTest::newRow("204") << QByteArray("HTTP/1.1 204 No Content\r\n\r\n") << S::Done << 204 << QByteArray() << true;
    QTest::newRow("redirect with body") << QByteArray("HTTP/1.1 302 Found\r\nLocation: /b\r\nContent-Length: 3\r\n\r\nabc")
                                        << S::Done << 302 << QByteArray("abc") << true;
    QTest::newRow("no reason") << QByteArray("HTTP/1.1 404\r\nContent-Length: 0\r\n\r\n") << S::Done << 404
                               << QByteArray() << true;

    QTest::newRow("lengths differ") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 5\r\nContent-Length: 6\r\n\r\nhello")
                                    << S::Failed << 200 << QByteArray() << false;
    QTest::newRow("signed length") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: -1\r\n\r\n") << S::Failed << 200
                                   << QByteArray() << false;
    QTest::newRow("not HTTP") << QByteArray("<html>hello</html>\r\n") << S::Failed << 0 << QByteArray() << false;
    QTest::newRow("letters in status") << QByteArray("HTTP/1.1 2x0 OK\r\n\r\n") << S::Failed << 0 << QByteArray()
                                       << false;
    QTest::newRow("bad chunk size") << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n")
                                    << S::Failed << 200 << QByteArray() << false;
    QTest::newRow("chunk longer than said") << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabcX\r\n")
                                            << S::Failed << 200 << QByteArray("abc") << false;
    QTest::newRow("chunk size overflows") << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nFFFFFFFFFFFFFFFF\r\n")
                                          << S::Failed << 200 << QByteArray() << false;
    QTest::newRow("unknown transfer coding") << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip\r\n\r\nxx")
                                             << S::Failed << 200 << QByteArray() << false;
    QTest::newRow("body cut short") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc") << S::Failed
                                    << 200 << QByteArray("abc") << false;
    QTest::newRow("chunks cut short") << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhel")
                                      << S::Failed << 200 << QByteArray("hel") << false;
    QTest::newRow("head cut short") << QByteArray("HTTP/1.1 200 OK\r\nContent-") << S::Failed << 200 << QByteArray()
                                    << false;
    QTest::newRow("nothing at all") << QByteArray() << S::Failed << 0 << QByteArray() << false;
    QTest::newRow("head too long") << ("HTTP/1.1 200 OK\r\nX-Long: " + QByteArray(70 * 1024, 'a') + "\r\n\r\n")
                                   << S::Failed << 200 << QByteArray() << false;
}

void TestHttpResponseParser::answers() {
    QFETCH(QByteArray, bytes);
    QFETCH(HttpResponseParser::State, state);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, keepAlive);

    QList<QList<QByteArray>> ways{{bytes}};
    QList<QByteArray> single;
    for (char c : bytes)
        single.append(QByteArray(1, c));
    ways.append(single);
    for (qsizetype cut = 1; cut < bytes.size() && bytes.size() < 1000; ++cut)
        ways.append({bytes.left(cut), bytes.mid(cut)});
    for (const QList<QByteArray>& pieces : std::as_const(ways)) {
        const Parsed parsed = parse(pieces);
        const QByteArray where = "in " + QByteArray::number(pieces.size()) + " pieces, first " +
                                 QByteArray::number(pieces.value(0).size());
        QVERIFY2(parsed.state == state, where.constData());
        QVERIFY2(parsed.status == status, where.constData());
        QVERIFY2(parsed.body == body, where.constData());
        QVERIFY2(parsed.keepAlive == keepAlive, where.constData());
    }
}

void TestHttpResponseParser::bytesAfterTheAnswerAreLeft() {
    const QByteArray answer = "HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nx";
    HttpResponseParser parser;
    QCOMPARE(parser.feed(QByteArray(answer + "HTTP/1.1 200")), answer.size());
    QVERIFY(parser.done());
    QCOMPARE(parser.takeBody(), QByteArray("x"));
}

void TestHttpResponseParser::repeatedHeaders() {
    HttpResponseParser parser;
    parser.feed("HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\nVary: x\r\nset-cookie: b=2\r\nVary: y\r\n"
                "X-Folded: one\r\n  two\r\nContent-Length: 0\r\n\r\n");
    QVERIFY(parser.done());
    QCOMPARE(parser.header("SET-COOKIE"), QByteArray("a=1\nb=2"));
    QCOMPARE(parser.header("vary"), QByteArray("x, y"));
    QCOMPARE(parser.header("X-Folded"), QByteArray("one two"));
    QCOMPARE(parser.header("Missing"), QByteArray());
}

void TestHttpResponseParser::inflating_data() {
    QTest::addColumn<QByteArray>("encoding");
    QTest::addColumn<int>("windowBits");
    QTest::newRow("gzip") << QByteArray("gzip") << 16 + MAX_WBITS;
    QTest::newRow("x-gzip") << QByteArray("X-GZIP") << 16 + MAX_WBITS;
    QTest::newRow("deflate with zlib header") << QByteArray("deflate") << MAX_WBITS;
    QTest::newRow("bare deflate") << QByteArray("deflate") << -MAX_WBITS;
}

void TestHttpResponseParser::inflating() {
    QFETCH(QByteArray, encoding);
    QFETCH(int, windowBits);
    QByteArray page;
    for (int i = 0; i < 5000; ++i)
        page += "第" + QByteArray::number(i) + "段　山河风雨夜色<br>\r\n";
    const QByteArray sent = packedBytes(page, windowBits);
    QVERIFY(sent.size() < page.size() / 4);
    // In pieces of every kind of size, as a connection delivers them.
    for (const qsizetype piece : {qsizetype(1), qsizetype(7), qsizetype(4096), sent.size()}) {
        ContentInflater inflater(encoding);
        QVERIFY(inflater.active());
        QByteArray out;
        for (qsizetype at = 0; at < sent.size(); at += piece)
            QVERIFY2(inflater.inflate(QByteArrayView(sent).sliced(at, qMin(piece, sent.size() - at)), out, 1 << 30),
                     qPrintable(inflater.error()));
        QCOMPARE(out.size(), page.size());
        QVERIFY(out == page);
    }
    ContentInflater none("identity");
    QVERIFY(!none.active());
    QByteArray out;
    QVERIFY(none.inflate(sent, out, 10));
    QCOMPARE(out, sent);
}

void TestHttpResponseParser::inflaterLimitsTheUnpackedSize() {
    // 200 MB of nothing packs into a few hundred kilobytes.
    const QByteArray bomb = packedBytes(QByteArray(200 * 1024 * 1024, '\0'), 16 + MAX_WBITS);
    ContentInflater inflater("gzip");
    QByteArray out;
    QVERIFY(!inflater.inflate(bomb, out, 8 * 1024 * 1024));
    QVERIFY(out.size() <= 8 * 1024 * 1024);
    QVERIFY(!inflater.error().isEmpty());
}

void TestHttpResponseParser::damagedPackedBody() {
    QByteArray sent = packedBytes(QByteArray(10000, 'a') + "end", 16 + MAX_WBITS);
    sent[sent.size() / 2] = char(sent[sent.size() / 2] ^ 0x5A);
    sent[12] = char(0xFF);
    ContentInflater inflater("gzip");
    QByteArray out;
    QVERIFY(!inflater.inflate(sent, out, 1 << 30));
    QVERIFY(inflater.error().contains(QStringLiteral("损坏")));
}

QTEST_GUILESS_MAIN(TestHttpResponseParser)
#include "tst_httpresponseparser.moc"
