// The fetcher's HTTP as a server sees it byte by byte, against a scripted loopback server: connections
// kept and reused, a kept connection the server dropped, packed and chunked bodies, cookies, the
// request it writes, and servers that break off or send damaged answers.
#include "fetch/pagefetcher.h"
#include "support/packing.h"
#include "support/rows.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <functional>
#include <zlib.h>

namespace {

FetchOptions testOptions() {
    FetchOptions options;
    options.timeoutMs = 10000;
    options.retryDelayMs = 20;
    options.maxRetryDelayMs = 100;
    return options;
}

// Answers each request (head read up to its empty line) through the handler; counts connections.
class ScriptedServer : public QObject {
public:
    struct Request {
        QByteArray head;
        int connection = 0; // 1-based
        int onConnection = 0; // 1 for the first request of its connection
    };
    using Handler = std::function<void(QTcpSocket*, const Request&)>;

    explicit ScriptedServer(Handler handler)
        : m_handler(std::move(handler)) {
        QVERIFY(m_server.listen(QHostAddress::LocalHost));
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                const int connection = ++connections;
                auto buffer = std::make_shared<QByteArray>();
                auto count = std::make_shared<int>(0);
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                connect(socket, &QTcpSocket::readyRead, socket, [=, this] {
                    *buffer += socket->readAll();
                    qsizetype end;
                    while ((end = buffer->indexOf("\r\n\r\n")) >= 0) {
                        const Request request{buffer->left(end + 4), connection, ++*count};
                        buffer->remove(0, end + 4);
                        requests.append(request);
                        m_handler(socket, request);
                    }
                });
            }
        });
    }

    QString url(const QString& path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
    }

    int connections = 0;
    QList<Request> requests;

private:
    QTcpServer m_server;
    Handler m_handler;
};

QByteArray answer(const QByteArray& body, const QByteArray& headers = QByteArray()) {
    return "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\n" + headers + "\r\n" + body;
}

// Three thousand lines of Chinese text: long enough to arrive in many pieces.
QByteArray samplePage() {
    QByteArray page;
    for (int i = 0; i < 3000; ++i)
        page += "<p>第" + QByteArray::number(i) + "段</p>\r\n";
    return page;
}

QByteArray chunked(const QByteArray& body, int pieces) {
    QByteArray out;
    const qsizetype step = body.size() / pieces + 1;
    for (qsizetype at = 0; at < body.size(); at += step) {
        const QByteArray piece = body.mid(at, step);
        out += QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n";
    }
    return out + "0\r\n\r\n";
}

QByteArray pathOf(const QByteArray& head) {
    return head.split(' ').value(1);
}

} // namespace

class TestHttpWire : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void keptConnectionIsReused();
    void droppedKeptConnectionIsTriedAfresh();
    void bodies_data();
    void bodies();
    void oversizeIsCut_data();
    void oversizeIsCut();
    void damagedAnswers_data();
    void damagedAnswers();
    void cookiesComeBack();
    void requestIsWellFormed();
};

void TestHttpWire::keptConnectionIsReused() {
    ScriptedServer server([](QTcpSocket* socket, const ScriptedServer::Request& request) {
        socket->write(answer("page " + pathOf(request.head)));
    });
    PageFetcher fetcher(testOptions());
    for (int i = 1; i <= 5; ++i) {
        const FetchedPage page = fetcher.fetch(server.url(QStringLiteral("/%1.html").arg(i)));
        QVERIFY2(page.ok(), qPrintable(page.error));
        QCOMPARE(page.body, "page /" + QByteArray::number(i) + ".html");
    }
    QCOMPARE(server.connections, 1);
    QCOMPARE(server.requests.size(), 5);
    // Five at once need five connections, which are then kept for the next five.
    QList<PageFetcher::Request> batch;
    for (int i = 0; i < 10; ++i)
        batch.append({server.url(QStringLiteral("/b%1.html").arg(i)), QString(), false});
    for (const FetchedPage& page : fetcher.fetchAll(batch, 4))
        QVERIFY2(page.ok(), qPrintable(page.error));
    QVERIFY2(server.connections <= 5, QByteArray::number(server.connections));
}

void TestHttpWire::droppedKeptConnectionIsTriedAfresh() {
    // The server drops a kept connection just as the next request arrives on it (its idle time ran
    // out): the request goes again on a new connection, with no failure and no retry counted.
    ScriptedServer server([](QTcpSocket* socket, const ScriptedServer::Request& request) {
        if (request.onConnection > 1)
            socket->abort();
        else
            socket->write(answer("fine"));
    });
    PageFetcher fetcher(testOptions());
    for (int i = 0; i < 3; ++i) {
        const FetchedPage page = fetcher.fetch(server.url(QStringLiteral("/p%1.html").arg(i)));
        QVERIFY2(page.ok(), qPrintable(page.error));
        QCOMPARE(page.body, QByteArray("fine"));
    }
    QCOMPARE(server.connections, 3);
}

void TestHttpWire::bodies_data() {
    columns<QByteArray, QByteArray>("headers", "sent");
    const QByteArray page = samplePage();
    const auto packed = [](const QByteArray& encoding, const QByteArray& bytes) -> QByteArray {
        return "Content-Encoding: " + encoding + "\r\nContent-Length: " + QByteArray::number(bytes.size()) + "\r\n";
    };
    const QByteArray gzip = packedBytes(page, 16 + MAX_WBITS);
    QTest::newRow("gzip") << packed("gzip", gzip) << gzip;
    QTest::newRow("gzip in chunks") << QByteArray("Content-Encoding: gzip\r\nTransfer-Encoding: chunked\r\n")
                                    << chunked(gzip, 7);
    const QByteArray zlib = packedBytes(page, MAX_WBITS);
    QTest::newRow("deflate") << packed("deflate", zlib) << zlib;
    const QByteArray raw = packedBytes(page, -MAX_WBITS);
    QTest::newRow("bare deflate") << packed("deflate", raw) << raw;
    QTest::newRow("chunks") << QByteArray("Transfer-Encoding: chunked\r\n") << chunked(page, 50);
    QTest::newRow("until closed") << QByteArray("Connection: close\r\n") << page;
}

void TestHttpWire::bodies() {
    const auto [headers, sent] = fetch<QByteArray, QByteArray>("headers", "sent");
    const QByteArray page = samplePage();
    ScriptedServer server([&](QTcpSocket* socket, const ScriptedServer::Request&) {
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n" + headers + "\r\n");
        // In small writes, so the client sees the body arrive in pieces.
        for (qsizetype at = 0; at < sent.size(); at += 1000) {
            socket->write(sent.mid(at, 1000));
            socket->flush();
        }
        if (headers.contains("close"))
            socket->disconnectFromHost();
    });
    PageFetcher fetcher(testOptions());
    for (int round = 0; round < 2; ++round) {
        const FetchedPage fetched = fetcher.fetch(server.url(QStringLiteral("/page.html")));
        QVERIFY2(fetched.ok(), qPrintable(fetched.error));
        QCOMPARE(fetched.body, page);
    }
    const QByteArray head = server.requests.first().head;
    QVERIFY2(head.contains("\r\nAccept-Encoding: ") && head.contains("gzip"), head.constData());
    // A kept connection carries the second request; one the server closed cannot.
    QCOMPARE(server.connections, headers.contains("close") ? 2 : 1);
}

void TestHttpWire::oversizeIsCut_data() {
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray bomb = packedBytes(QByteArray(300 * 1024 * 1024, ' '), 16 + MAX_WBITS);
    QTest::newRow("packed bomb") << answer(bomb, "Content-Encoding: gzip\r\n");
    // An answer that announces no length is measured as it arrives.
    QTest::newRow("no length given") << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n"
                                                   "Connection: close\r\n\r\n" + QByteArray(3 * 1024 * 1024, 'x'));
}

void TestHttpWire::oversizeIsCut() {
    QFETCH(QByteArray, bytes);
    ScriptedServer server([&](QTcpSocket* socket, const ScriptedServer::Request&) {
        socket->write(bytes);
        if (bytes.contains("Connection: close"))
            socket->disconnectFromHost();
    });
    FetchOptions options = testOptions();
    options.maxBodyBytes = 2 * 1024 * 1024;
    PageFetcher fetcher(options);
    const FetchedPage page = fetcher.fetch(server.url(QStringLiteral("/big.html")));
    // Cut by the fetcher's limit or by the unpacking's own: either way final, and memory stays bounded.
    QCOMPARE(page.outcome, FetchedPage::Outcome::Failed);
    QVERIFY2(page.error.contains(QStringLiteral("MB")) || page.error.contains(QStringLiteral("过大")),
             qPrintable(page.error));
    QVERIFY2(!page.error.contains(QStringLiteral("已重试")), "too big is final, not transient");
    QCOMPARE(server.requests.size(), 1);
}

void TestHttpWire::damagedAnswers_data() {
    // requests: damaged answers are final, broken-off ones are tried again
    columns<QByteArray, QString, int>("bytes", "error", "requests");
    // A fresh connection closed without an answer fails after the fetcher's own retries, never a loop
    // of new connections.
    QTest::newRow("closed unanswered") << QByteArray() << QStringLiteral("服务器断开了连接") << 3;
    QTest::newRow("not HTTP") << QByteArray("<html>hello</html>\r\n\r\n") << QStringLiteral("不是 HTTP") << 1;
    QTest::newRow("bad chunks") << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nxyz\r\n")
                                << QStringLiteral("chunked") << 3;
    // A gzip header, then a block of the type that does not exist.
    const QByteArray gzip = QByteArray("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10) + QByteArray(6, '\xff');
    QTest::newRow("damaged gzip") << QByteArray("HTTP/1.1 200 OK\r\nContent-Encoding: gzip\r\nContent-Length: 16\r\n\r\n" +
                                                gzip)
                                  << QStringLiteral("损坏") << 1;
    QTest::newRow("cut short") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\nabc")
                               << QStringLiteral("页面不完整（收到 3 字节，应为 100 字节）") << 3;
}

void TestHttpWire::damagedAnswers() {
    const auto [bytes, error, requests] = fetch<QByteArray, QString, int>("bytes", "error", "requests");
    ScriptedServer server([&](QTcpSocket* socket, const ScriptedServer::Request&) {
        if (bytes.isEmpty()) {
            socket->abort();
            return;
        }
        socket->write(bytes);
        socket->disconnectFromHost();
    });
    PageFetcher fetcher(testOptions());
    const FetchedPage page = fetcher.fetch(server.url(QStringLiteral("/bad.html")));
    QCOMPARE(page.outcome, FetchedPage::Outcome::Failed);
    QVERIFY2(page.error.contains(error), qPrintable(page.error));
    QCOMPARE(server.requests.size(), requests);
}

void TestHttpWire::cookiesComeBack() {
    ScriptedServer server([](QTcpSocket* socket, const ScriptedServer::Request& request) {
        if (pathOf(request.head) == "/login")
            socket->write(answer("ok", "Set-Cookie: sid=abc123; Path=/\r\nSet-Cookie: seen=1; Path=/\r\n"));
        else
            socket->write(answer("page"));
    });
    PageFetcher fetcher(testOptions());
    QVERIFY(fetcher.fetch(server.url(QStringLiteral("/login"))).ok());
    QVERIFY(fetcher.fetch(server.url(QStringLiteral("/book/1.html"))).ok());
    const QByteArray second = server.requests.at(1).head;
    QVERIFY2(second.contains("sid=abc123") && second.contains("seen=1"), second.constData());
}

void TestHttpWire::requestIsWellFormed() {
    ScriptedServer server([](QTcpSocket* socket, const ScriptedServer::Request&) { socket->write(answer("x")); });
    FetchOptions options = testOptions();
    options.userAgent = "Reader/1.0\r\nX-Injected: yes";
    PageFetcher fetcher(options);
    const QString url = server.url(QStringLiteral("/书/第 1 章.html?id=中文&a=b#part"));
    QVERIFY(fetcher.fetch(url, server.url(QStringLiteral("/书/"))).ok());
    const QByteArray head = server.requests.first().head;
    const QList<QByteArray> lines = head.split('\n');
    QCOMPARE(lines.first(),
             QByteArray("GET /%E4%B9%A6/%E7%AC%AC%201%20%E7%AB%A0.html?id=%E4%B8%AD%E6%96%87&a=b HTTP/1.1\r"));
    const QByteArray port = url.section(u':', 2, 2).section(u'/', 0, 0).toLatin1();
    QVERIFY(head.contains(QByteArray("\r\nHost: 127.0.0.1:" + port + "\r\n")));
    QVERIFY(head.contains(QByteArray("\r\nReferer: " + server.url(QStringLiteral("/%E4%B9%A6/")).toLatin1() + "\r\n")));
    // A line break in a setting never starts a header of its own.
    QVERIFY2(!head.contains("\nX-Injected"), head.constData());
    QVERIFY(head.contains("User-Agent: Reader/1.0  X-Injected: yes\r\n"));
}

QTEST_GUILESS_MAIN(TestHttpWire)
#include "tst_httpwire.moc"
