// The loopback test site, exercised through real sockets: every fetch test of the program relies on it
// answering exactly as its rules say.
#include "download/localsite.h"
#include "support/testsite.h"

#include <QElapsedTimer>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QProcess>
#include <QSignalSpy>
#include <QStringDecoder>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QString kBasic = TestSite::folder(QStringLiteral("basic"));

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable " + path.toUtf8() + '>');
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

struct Fetched {
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    int status = 0;
    QByteArray body;
    QHash<QByteArray, QByteArray> headers; // lower-case names
};

Fetched fetch(const QString& url, const QList<QPair<QByteArray, QByteArray>>& headers = {},
              bool followRedirects = false) {
    QNetworkAccessManager nam;
    nam.setProxy(QNetworkProxy::NoProxy);
    QNetworkRequest request{QUrl(url)};
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         followRedirects ? QNetworkRequest::NoLessSafeRedirectPolicy
                                         : QNetworkRequest::ManualRedirectPolicy);
    for (const auto& [name, value] : headers)
        request.setRawHeader(name, value);
    std::unique_ptr<QNetworkReply> reply(nam.get(request));
    QSignalSpy finished(reply.get(), &QNetworkReply::finished);
    if (!reply->isFinished() && !finished.wait(30000))
        qWarning("no answer from %s", qPrintable(url));
    Fetched f;
    f.error = reply->error();
    f.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    f.body = reply->readAll();
    for (const auto& [name, value] : reply->rawHeaderPairs())
        f.headers.insert(name.toLower(), value);
    return f;
}

// A hand-driven HTTP client, for what QNetworkAccessManager smooths over: raw targets, connection reuse,
// pipelining, HEAD bodies and resets.
class RawClient {
public:
    struct Response {
        int status = 0;
        QHash<QByteArray, QByteArray> headers;
        QByteArray body;
        bool complete = false;
    };

    explicit RawClient(quint16 port) {
        m_socket.connectToHost(QHostAddress::LocalHost, port);
        m_socket.waitForConnected(10000);
    }
    QTcpSocket& socket() { return m_socket; }
    void send(const QByteArray& data) {
        m_socket.write(data);
        m_socket.flush();
    }
    void get(const QByteArray& target, const QByteArray& method = "GET") {
        send(method + ' ' + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    }

    Response read(bool headOnly = false) {
        Response r;
        qsizetype end;
        while ((end = m_buffer.indexOf("\r\n\r\n")) < 0)
            if (!fill())
                return r;
        QList<QByteArray> lines = m_buffer.left(end).split('\n');
        m_buffer.remove(0, end + 4);
        r.status = lines.takeFirst().split(' ').value(1).toInt();
        for (const QByteArray& line : std::as_const(lines)) {
            const qsizetype colon = line.indexOf(':');
            r.headers.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
        }
        const qsizetype length = headOnly ? 0 : r.headers.value("content-length").toLongLong();
        while (m_buffer.size() < length)
            if (!fill()) {
                r.body = std::exchange(m_buffer, {});
                return r;
            }
        r.body = m_buffer.left(length);
        m_buffer.remove(0, length);
        r.complete = true;
        return r;
    }
    bool closedByServer() {
        while (m_socket.state() == QAbstractSocket::ConnectedState && m_socket.waitForReadyRead(10000))
            m_buffer += m_socket.readAll();
        return m_socket.state() != QAbstractSocket::ConnectedState;
    }
    bool silentFor(int ms) { return !m_socket.waitForReadyRead(ms) && m_socket.bytesAvailable() == 0; }
    QByteArray leftOver() const { return m_buffer; }

private:
    bool fill() {
        if (m_socket.bytesAvailable() == 0 && !m_socket.waitForReadyRead(10000))
            return false;
        m_buffer += m_socket.readAll();
        return true;
    }

    QTcpSocket m_socket;
    QByteArray m_buffer;
};

} // namespace

class TestLocalSite : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void files_data();
    void files();
    void redirects_data();
    void redirects();
    void bodyLocation();
    void pathEscapes_data();
    void pathEscapes();
    void folders();
    void delayAndHang();
    void drip();
    void sizeAndReset();
    void endings_data();
    void endings();
    void keepAlive();
    void connectionClose_data();
    void connectionClose();
    void concurrentClients();
    void requestLog();
    void rulesFromCode();
    void rulesFiles();
    void parseErrors_data();
    void parseErrors();
    void matching_data();
    void matching();
    void lifecycle();
    void cliUsage_data();
    void cliUsage();
    void cliServe_data();
    void cliServe();

private:
    TestSite m_site{QStringLiteral("basic")};
};

void TestLocalSite::initTestCase() {
    QVERIFY2(m_site.start(), qPrintable(m_site.errorString()));
    QVERIFY(m_site.site()->ruleErrors().isEmpty());
    QVERIFY(m_site.baseUrl().startsWith(QLatin1String("http://127.0.0.1:")));
    QVERIFY(m_site.baseUrl().endsWith(u'/'));
}

void TestLocalSite::cleanup() {
    m_site.site()->clearRules();
    m_site.site()->resetStatistics();
}

void TestLocalSite::files_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("type"); // "-" for no header
    QTest::addColumn<QByteArray>("body"); // "@file" for a file of the site
    QTest::addColumn<QByteArray>("extraHeader");

    QTest::newRow("gbk page, no charset")
        << "/gbk.html" << 200 << QByteArray("text/html") << QByteArray("@gbk.html") << QByteArray();
    QTest::newRow("charset from rule") << "/utf8.html" << 200 << QByteArray("text/html; charset=utf-8")
                                       << QByteArray("@utf8.html") << QByteArray();
    QTest::newRow("picture") << "/cover.jpg" << 200 << QByteArray("image/jpeg") << QByteArray("@cover.jpg")
                             << QByteArray();
    QTest::newRow("folder index") << "/" << 200 << QByteArray("text/html") << QByteArray("@index.html")
                                  << QByteArray();
    QTest::newRow("query file") << "/book.php?id=3" << 200 << QByteArray("text/html")
                                << QByteArray("@book.php@id=3") << QByteArray();
    QTest::newRow("encoded query") << "/book.php?id=%33" << 200 << QByteArray("text/html")
                                   << QByteArray("@book.php@id=3") << QByteArray();
    QTest::newRow("query without file")
        << "/gbk.html?v=2" << 200 << QByteArray("text/html") << QByteArray("@gbk.html") << QByteArray();
    QTest::newRow("unknown query") << "/book.php?id=4" << 404 << QByteArray("text/html") << QByteArray()
                                   << QByteArray();
    QTest::newRow("missing") << "/nothing.html" << 404 << QByteArray("text/html") << QByteArray()
                             << QByteArray();
    QTest::newRow("rules file hidden")
        << "/localsite.rules" << 404 << QByteArray("text/html") << QByteArray() << QByteArray();
    QTest::newRow("wildcard to file") << "/novel/3/index.html" << 200 << QByteArray("text/html")
                                      << QByteArray("@book.php@id=3") << QByteArray();
    QTest::newRow("no content type") << "/notype.txt" << 200 << QByteArray("-")
                                     << QByteArray("no content type at all") << QByteArray();
    QTest::newRow("gbk literal body")
        << "/note.html" << 200 << QByteArray("text/html")
        << QStringEncoder("GB18030")(u"<html><body>\n<p>作者的话</p>\n</body></html>").operator QByteArray()
        << QByteArray();
    QTest::newRow("server error") << "/error.html" << 500 << QByteArray("text/html") << QByteArray()
                                  << QByteArray();
    QTest::newRow("extra header") << "/busy.html" << 503 << QByteArray("text/html") << QByteArray()
                                  << QByteArray("retry-after: 1");
}

void TestLocalSite::files() {
    QFETCH(QString, path);
    QFETCH(int, status);
    QFETCH(QByteArray, type);
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, extraHeader);

    const Fetched f = fetch(m_site.url(path));
    QCOMPARE(f.status, status);
    if (type == "-")
        QVERIFY(!f.headers.contains("content-type"));
    else
        QCOMPARE(f.headers.value("content-type"), type);
    if (body.startsWith('@'))
        QCOMPARE(f.body, fileBytes(kBasic + u'/' + QString::fromUtf8(body.mid(1))));
    else if (!body.isEmpty())
        QCOMPARE(f.body, body);
    QCOMPARE(f.headers.value("content-length").toLongLong(), f.body.size());
    if (!extraHeader.isEmpty())
        QCOMPARE(f.headers.value(extraHeader.split(':').at(0)), extraHeader.split(':').at(1).trimmed());
}

void TestLocalSite::redirects_data() {
    QTest::addColumn<QString>("rules"); // set from code before the request
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("location"); // {base} is the site's address without the last '/'

    QTest::newRow("relative 301") << QString() << "/old.html" << 301 << "gbk.html";
    QTest::newRow("absolute 302") << QString() << "/elsewhere.html" << 302 << "{base}/utf8.html";
    QTest::newRow("307 with capture") << "[/moved/*]\nstatus: 307\nlocation: /new/{1}"
                                      << "/moved/a/b.html?x=1" << 307 << "/new/a/b.html";
    QTest::newRow("303 on query") << "[/go.php?to=*]\nstatus: 303\nlocation: {1}.html"
                                  << "/go.php?to=gbk" << 303 << "gbk.html";
}

void TestLocalSite::redirects() {
    QFETCH(QString, rules);
    QFETCH(QString, path);
    QFETCH(int, status);
    QFETCH(QString, location);

    if (!rules.isEmpty())
        QVERIFY(m_site.site()->setRules(rules));
    const QString base = m_site.baseUrl().chopped(1);
    const Fetched f = fetch(m_site.url(path));
    QCOMPARE(f.status, status);
    QCOMPARE(QString::fromUtf8(f.headers.value("location")), QString(location).replace("{base}", base));

    // A client following the redirect lands where the Location says.
    const Fetched followed = fetch(m_site.url(path), {}, true);
    const QUrl landed = QUrl(m_site.url(path)).resolved(QUrl(QString::fromUtf8(f.headers.value("location"))));
    QCOMPARE(m_site.site()->lastRequest().path, landed.path());
    QCOMPARE(m_site.site()->lastRequest().status, followed.status);
}

void TestLocalSite::bodyLocation() {
    const Fetched f = fetch(m_site.url("/jump.php?id=3"));
    QCOMPARE(f.status, 200);
    QVERIFY(!f.headers.contains("location"));
    const QByteArray target = m_site.url("book.php?id=3").toUtf8();
    QVERIFY2(f.body.contains(QByteArray("location=\"" + target + '"')), f.body.constData());
}

void TestLocalSite::pathEscapes_data() {
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<QString>("rule");
    QTest::addColumn<int>("status");

    QTest::newRow("dot dot") << QByteArray("/../secret.txt") << QString() << 403;
    QTest::newRow("dot dot below") << QByteArray("/inner/../../secret.txt") << QString() << 403;
    QTest::newRow("encoded dots") << QByteArray("/%2e%2e/secret.txt") << QString() << 403;
    QTest::newRow("encoded slash") << QByteArray("/%2E%2E%2Fsecret.txt") << QString() << 403;
    QTest::newRow("mixed") << QByteArray("/inner/..%2f%2e%2e/secret.txt") << QString() << 403;
    QTest::newRow("backslash") << QByteArray("/..\\secret.txt") << QString() << 400;
    QTest::newRow("encoded backslash") << QByteArray("/%5c..%5csecret.txt") << QString() << 400;
    QTest::newRow("nul") << QByteArray("/page.html%00/../../secret.txt") << QString() << 400;
    QTest::newRow("relative target") << QByteArray("secret.txt") << QString() << 400;
    QTest::newRow("absolute form") << QByteArray("http://127.0.0.1/../secret.txt") << QString() << 403;
    QTest::newRow("file symlink out") << QByteArray("/out.txt") << QString() << 403;
    QTest::newRow("folder symlink out") << QByteArray("/outdir/secret.txt") << QString() << 403;
    QTest::newRow("rule file out") << QByteArray("/x.html") << "[/x.html]\nfile: ../secret.txt" << 403;
    QTest::newRow("slash in query") << QByteArray("/page.html?a=/../../secret.txt") << QString() << 200;
    QTest::newRow("symlink inside") << QByteArray("/inlink.html") << QString() << 200;
}

void TestLocalSite::pathEscapes() {
    QFETCH(QByteArray, target);
    QFETCH(QString, rule);
    QFETCH(int, status);

    QTemporaryDir tmp;
    writeFile(tmp.filePath("secret.txt"), "TOP SECRET");
    writeFile(tmp.filePath("site/page.html"), "page");
    writeFile(tmp.filePath("site/inner/x.html"), "x");
    QDir(tmp.path()).mkpath("site/page.html@a="); // makes "page.html@a=/../../secret.txt" a real path
    QVERIFY(QFile::link(tmp.filePath("secret.txt"), tmp.filePath("site/out.txt")));
    QVERIFY(QFile::link(tmp.path(), tmp.filePath("site/outdir")));
    QVERIFY(QFile::link(tmp.filePath("site/page.html"), tmp.filePath("site/inlink.html")));

    TestSite site(tmp.filePath("site"));
    QVERIFY(site.start());
    if (!rule.isEmpty())
        QVERIFY(site.site()->setRules(rule));
    RawClient client(site.site()->port());
    client.get(target);
    const RawClient::Response r = client.read();
    QVERIFY(r.complete);
    QCOMPARE(r.status, status);
    QVERIFY(!r.body.contains("SECRET"));
    if (status == 200)
        QCOMPARE(r.body, QByteArray("page"));
}

void TestLocalSite::folders() {
    QTemporaryDir tmp;
    writeFile(tmp.filePath("book/index.html"), "toc");
    writeFile(tmp.filePath("book/index.html@page=2"), "toc 2");
    writeFile(tmp.filePath("book/目录.html"), "contents");
    QDir(tmp.path()).mkpath("empty");
    TestSite site(tmp.path());
    QVERIFY(site.start());

    Fetched f = fetch(site.url("book?page=2"));
    QCOMPARE(f.status, 301);
    QCOMPARE(f.headers.value("location"), QByteArray("/book/?page=2"));
    QCOMPARE(fetch(site.url("book/?page=2")).body, QByteArray("toc 2"));
    QCOMPARE(fetch(site.url("book/")).body, QByteArray("toc"));
    QCOMPARE(fetch(site.url("empty/")).status, 404);
    QCOMPARE(fetch(site.url("book/目录.html")).body, QByteArray("contents"));
    QCOMPARE(site.site()->lastRequest().target, QByteArray("/book/%E7%9B%AE%E5%BD%95.html"));
}

void TestLocalSite::delayAndHang() {
    QElapsedTimer timer;
    timer.start();
    const Fetched slow = fetch(m_site.url("slow.html"));
    QVERIFY2(timer.elapsed() >= 300, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(slow.body, fileBytes(kBasic + "/utf8.html"));

    // A hanging answer holds its own connection only.
    RawClient hanging(m_site.site()->port());
    hanging.get("/hang.html");
    QTRY_COMPARE(m_site.site()->requestCount("/hang.html"), 1);
    QCOMPARE(fetch(m_site.url("gbk.html")).status, 200);
    QVERIFY(hanging.silentFor(300));
    QCOMPARE(m_site.site()->lastRequest("/hang.html").status, 0);
}

void TestLocalSite::drip() {
    const QByteArray expected = fileBytes(kBasic + "/gbk.html");
    RawClient client(m_site.site()->port());
    QElapsedTimer timer;
    timer.start();
    client.get("/drip.html");
    const RawClient::Response r = client.read();
    QVERIFY(r.complete);
    QCOMPARE(r.body, expected);
    // 50 bytes every 20 ms: the last slice cannot leave before the fifth interval.
    const qint64 least = (expected.size() - 1) / 50 * 20;
    QVERIFY2(timer.elapsed() >= least, qPrintable(QString::number(timer.elapsed())));
}

void TestLocalSite::sizeAndReset() {
    const QByteArray page = fileBytes(kBasic + "/gbk.html");

    const Fetched big = fetch(m_site.url("big.html"));
    QCOMPARE(big.status, 200);
    QCOMPARE(big.body.size(), 3 * 1024 * 1024);
    QVERIFY(big.body.startsWith(page));

    QVERIFY(m_site.site()->setRules("[/cut.html]\nfile: gbk.html\nsize: 10"));
    QCOMPARE(fetch(m_site.url("cut.html")).body, page.left(10));

    const Fetched broken = fetch(m_site.url("broken.html"));
    QVERIFY(broken.error != QNetworkReply::NoError);
}

void TestLocalSite::endings_data() {
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<qint64>("bodyBytes");
    QTest::addColumn<bool>("reset");

    QTest::newRow("reset mid-body") << QByteArray("/broken.html") << qint64(100) << true;
    QTest::newRow("reset after head") << QByteArray("/early.html") << qint64(0) << true;
    QTest::newRow("reset deep in a big body") << QByteArray("/bigbroken.html") << qint64(2'000'000) << true;
    QTest::newRow("plain close") << QByteArray("/closing.html") << qint64(3) << false;
}

void TestLocalSite::endings() {
    QFETCH(QByteArray, target);
    QFETCH(qint64, bodyBytes);
    QFETCH(bool, reset);

    QVERIFY(m_site.site()->setRules("[/early.html]\nfile: gbk.html\nreset: 0\n"
                                    "[/bigbroken.html]\nfile: gbk.html\nsize: 3M\nreset: 2000000\n"
                                    "[/closing.html]\nbody: bye\nclose\n"));
    // Plain sockets: Qt reports a reset and an orderly close alike.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(m_site.site()->port());
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QCOMPARE(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const timeval patience{30, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
    const QByteArray request = "GET " + target + " HTTP/1.1\r\n\r\n";
    QCOMPARE(::send(fd, request.constData(), size_t(request.size()), 0), ssize_t(request.size()));
    QByteArray received;
    char buffer[65536];
    ssize_t n;
    while ((n = ::recv(fd, buffer, sizeof buffer, 0)) > 0)
        received.append(buffer, n);
    const int error = n < 0 ? errno : 0;
    ::close(fd);

    QCOMPARE(error, reset ? ECONNRESET : 0);
    const qsizetype headEnd = received.indexOf("\r\n\r\n");
    QVERIFY(headEnd > 0);
    QCOMPARE(received.size() - headEnd - 4, bodyBytes);
    if (target == "/broken.html")
        QCOMPARE(received.mid(headEnd + 4), fileBytes(kBasic + "/gbk.html").left(100));
}

void TestLocalSite::keepAlive() {
    const QByteArray page = fileBytes(kBasic + "/gbk.html");
    RawClient client(m_site.site()->port());

    client.get("/gbk.html");
    QCOMPARE(client.read().body, page);
    client.get("/gbk.html", "HEAD");
    const RawClient::Response head = client.read(true);
    QCOMPARE(head.status, 200);
    QCOMPARE(head.headers.value("content-length").toLongLong(), page.size());
    client.get("/big.html", "HEAD");
    QCOMPARE(client.read(true).headers.value("content-length"), QByteArray("3145728"));
    client.get("/nothing.html");
    QCOMPARE(client.read().status, 404);
    // A body sent with a request is skipped, not taken for the next request.
    client.send("POST /gbk.html HTTP/1.1\r\nContent-Length: 11\r\n\r\nGET /x HTTP");
    const RawClient::Response post = client.read();
    QCOMPARE(post.status, 405);
    QCOMPARE(post.headers.value("allow"), QByteArray("GET, HEAD"));

    // Pipelined: three requests in one write, three answers in order.
    client.send(
        "GET /utf8.html HTTP/1.1\r\n\r\nHEAD /cover.jpg HTTP/1.1\r\n\r\nGET /gbk.html HTTP/1.1\r\n\r\n");
    QCOMPARE(client.read().body, fileBytes(kBasic + "/utf8.html"));
    QCOMPARE(client.read(true).headers.value("content-type"), QByteArray("image/jpeg"));
    QCOMPARE(client.read().body, page);

    QVERIFY(client.silentFor(100));
    QCOMPARE(client.leftOver(), QByteArray());
    QCOMPARE(client.socket().state(), QAbstractSocket::ConnectedState);
    const QList<LocalSiteRequest> requests = m_site.site()->requests();
    QCOMPARE(requests.size(), 8);
    for (const LocalSiteRequest& r : requests)
        QCOMPARE(r.connection, requests.first().connection);
}

void TestLocalSite::connectionClose_data() {
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("closed");

    QTest::newRow("1.1 keeps") << QByteArray("GET /gbk.html HTTP/1.1\r\n\r\n") << 200 << false;
    QTest::newRow("1.1 close") << QByteArray("GET /gbk.html HTTP/1.1\r\nConnection: close\r\n\r\n") << 200
                               << true;
    QTest::newRow("1.0 closes") << QByteArray("GET /gbk.html HTTP/1.0\r\n\r\n") << 200 << true;
    QTest::newRow("1.0 keep-alive") << QByteArray("GET /gbk.html HTTP/1.0\r\nConnection: Keep-Alive\r\n\r\n")
                                    << 200 << false;
    QTest::newRow("rule closes") << QByteArray("GET /closing.html HTTP/1.1\r\n\r\n") << 200 << true;
    QTest::newRow("bad request line") << QByteArray("GET /gbk.html\r\n\r\n") << 400 << true;
    QTest::newRow("bad header") << QByteArray("GET / HTTP/1.1\r\nno colon\r\n\r\n") << 400 << true;
    QTest::newRow("chunked body") << QByteArray("GET / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n") << 501
                                  << true;
    QTest::newRow("huge head") << "GET / HTTP/1.1\r\nX: " + QByteArray(70000, 'a') << 431 << true;
}

void TestLocalSite::connectionClose() {
    QFETCH(QByteArray, request);
    QFETCH(int, status);
    QFETCH(bool, closed);

    QVERIFY(m_site.site()->setRules("[/closing.html]\nbody: bye\nclose"));
    RawClient client(m_site.site()->port());
    client.send(request);
    const RawClient::Response r = client.read();
    QVERIFY(r.complete);
    QCOMPARE(r.status, status);
    QCOMPARE(r.headers.value("connection") == "close", closed);
    if (closed) {
        QVERIFY(client.closedByServer());
    } else {
        client.get("/utf8.html");
        QCOMPARE(client.read().status, 200);
    }
}

void TestLocalSite::concurrentClients() {
    // Clients that never get an answer must not hold up the others.
    RawClient hang1(m_site.site()->port());
    RawClient hang2(m_site.site()->port());
    hang1.get("/hang.html");
    hang2.get("/hang.html");

    QNetworkAccessManager nam;
    nam.setProxy(QNetworkProxy::NoProxy);
    const QStringList paths = {"gbk.html", "slow.html",     "cover.jpg",
                               "big.html", "book.php?id=3", "drip.html"};
    QList<QNetworkReply*> replies;
    for (int round = 0; round < 4; ++round)
        for (const QString& path : paths)
            replies << nam.get(QNetworkRequest(QUrl(m_site.url(path))));
    for (QNetworkReply* reply : std::as_const(replies)) {
        if (!reply->isFinished())
            QVERIFY(QSignalSpy(reply, &QNetworkReply::finished).wait(30000));
    }
    for (QNetworkReply* reply : std::as_const(replies)) {
        QCOMPARE(reply->error(), QNetworkReply::NoError);
        const QByteArray body = reply->readAll();
        QCOMPARE(body.size(), reply->header(QNetworkRequest::ContentLengthHeader).toLongLong());
        if (reply->url().path() == u"/gbk.html" || reply->url().path() == u"/drip.html")
            QCOMPARE(body, fileBytes(kBasic + "/gbk.html"));
        reply->deleteLater();
    }
    QCOMPARE(m_site.site()->requestCount("/hang.html"), 2);
    QCOMPARE(m_site.site()->requestCount("*"), 2 + 4 * int(paths.size()));
}

void TestLocalSite::requestLog() {
    const QString chapter = m_site.url("gbk.html");
    fetch(chapter, {{"Referer", chapter.toUtf8()}, {"User-Agent", "Mozilla/5.0 (Quiveral test)"}});
    fetch(m_site.url("book.php?id=3"));
    fetch(m_site.url("book.php?id=%E6%98%9F"));
    fetch(m_site.url("cover.jpg"), {{"Referer", chapter.toUtf8()}});

    LocalSite* site = m_site.site();
    QCOMPARE(site->totalRequests(), 4);
    QCOMPARE(site->requestCount("/gbk.html"), 1);
    QCOMPARE(site->requestCount("/book.php"), 2);
    QCOMPARE(site->requestCount("/book.php?id=3"), 1);
    QCOMPARE(site->requestCount("/book.php?id=*"), 2);
    QCOMPARE(site->requestCount("*.html"), 1);
    QCOMPARE(site->requestCount("/utf8.html"), 0);

    const LocalSiteRequest page = site->lastRequest("/gbk.html");
    QVERIFY(page.isValid());
    QCOMPARE(page.method, QByteArray("GET"));
    QCOMPARE(page.header("referer"), chapter.toUtf8());
    QCOMPARE(page.header("USER-AGENT"), QByteArray("Mozilla/5.0 (Quiveral test)"));
    QCOMPARE(site->lastRequest("/cover.jpg").header("Referer"), chapter.toUtf8());

    const QList<LocalSiteRequest> books = site->requests("/book.php");
    QCOMPARE(books.size(), 2);
    QCOMPARE(books.at(0).query, QStringLiteral("id=3"));
    QCOMPARE(books.at(0).status, 200);
    QCOMPARE(books.at(1).target, QByteArray("/book.php?id=%E6%98%9F"));
    QCOMPARE(books.at(1).query, QStringLiteral("id=星"));
    QCOMPARE(books.at(1).status, 404);

    site->resetStatistics();
    QCOMPARE(site->totalRequests(), 0);
    QCOMPARE(site->requestCount("*"), 0);
    QVERIFY(!site->lastRequest().isValid());
}

void TestLocalSite::rulesFromCode() {
    // A table of contents that gains a chapter between two renewals.
    LocalSite* site = m_site.site();
    LocalSiteRule toc;
    toc.body = QStringLiteral("<a href=\"1.html\">第一章</a>");
    site->setRule("/toc.html", toc);
    QCOMPARE(QString::fromUtf8(fetch(m_site.url("toc.html")).body), *toc.body);
    toc.body = *toc.body + QStringLiteral("<a href=\"2.html\">第二章</a>");
    site->setRule("/toc.html", toc);
    QVERIFY(fetch(m_site.url("toc.html")).body.contains("2.html"));
    QCOMPARE(site->requestCount("/toc.html"), 2);
    site->removeRule("/toc.html");
    QCOMPARE(fetch(m_site.url("toc.html")).status, 404);

    // Code beats the rules file; later code beats earlier code; clearing restores the file's rules.
    QVERIFY(site->setRules("[/utf8.html]\nstatus: 410"));
    QCOMPARE(fetch(m_site.url("utf8.html")).status, 410);
    QVERIFY(site->setRules("[/*.html]\nstatus: 502\n[/u*.html]\nstatus: 504"));
    QCOMPARE(fetch(m_site.url("utf8.html")).status, 410); // exact still wins over wildcards
    QCOMPARE(fetch(m_site.url("gbk.html")).status, 502);
    QCOMPARE(fetch(m_site.url("u2.html")).status, 502);
    site->clearRules();
    QCOMPARE(fetch(m_site.url("utf8.html")).headers.value("content-type"),
             QByteArray("text/html; charset=utf-8"));

    QStringList errors;
    QVERIFY(!site->setRules("[/a.html]\nstatus: many", &errors));
    QCOMPARE(errors.size(), 1);
}

void TestLocalSite::rulesFiles() {
    QTemporaryDir tmp;
    writeFile(tmp.filePath("a.html"), "a");
    writeFile(tmp.filePath("sub/x.html"), "x");
    writeFile(tmp.filePath("localsite.rules"), "[/sub/x.html]\nbody: outer\n[/sub/*]\nbody: outer {1}\n");
    writeFile(tmp.filePath("sub/localsite.rules"),
              "[/x.html]\nbody: inner {dir}\n[/broken.html]\ndelay: soon\n");
    TestSite site(tmp.path());
    QVERIFY(site.start());

    QCOMPARE(fetch(site.url("sub/x.html")).body, QByteArray("inner /sub"));
    QCOMPARE(fetch(site.url("sub/y.html")).body, QByteArray("outer y.html"));
    QCOMPARE(fetch(site.url("a.html")).status, 200);
    QCOMPARE(site.site()->ruleErrors(),
             QStringList{"sub/localsite.rules line 4: bad value for delay: \"soon\""});

    // An edited rules file takes effect with the next request.
    writeFile(tmp.filePath("localsite.rules"), "[/a.html]\nstatus: 410\n");
    QCOMPARE(fetch(site.url("a.html")).status, 410);
    QCOMPARE(fetch(site.url("sub/y.html")).status, 404);
    QFile::remove(tmp.filePath("localsite.rules"));
    QCOMPARE(fetch(site.url("a.html")).status, 200);
}

void TestLocalSite::parseErrors_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("errors");
    QTest::addColumn<int>("rules");

    QTest::newRow("every key")
        << "# c\n[/a]\nstatus: 301\ntype: none\nlocation: /b\nbody-location: /c\nfile: f\n"
           "body: x\nencoding: gbk\nheader: A: b\ndelay: 5\nhang\ndrip: 1/2\nsize: 2K\n"
           "reset: 1M\nclose: no\n\n[/b*]\r\nbody: <<EOF\r\n  two\r\n\r\nEOF\r\n"
        << QStringList() << 2;
    QTest::newRow("unknown key") << "[/a]\ncolour: red" << QStringList{"line 2: unknown key \"colour\""} << 1;
    QTest::newRow("bad status") << "[/a]\nstatus: 7000\n[/b]\nstatus: x"
                                << QStringList{"line 2: bad value for status: \"7000\"",
                                               "line 4: bad value for status: \"x\""}
                                << 2;
    QTest::newRow("outside section") << "status: 200\n[/a]"
                                     << QStringList{"line 1: no [/path] section before this line"} << 1;
    QTest::newRow("open body") << "[/a]\nbody: <<END\nline"
                               << QStringList{"line 2: body has no end line \"END\""} << 1;
    QTest::newRow("bad drip") << "[/a]\ndrip: 10" << QStringList{"line 2: bad value for drip: \"10\""} << 1;
    QTest::newRow("bad size") << "[/a]\nsize: -3" << QStringList{"line 2: bad value for size: \"-3\""} << 1;
    QTest::newRow("bad flag") << "[/a]\nhang: maybe" << QStringList{"line 2: bad value for hang: \"maybe\""}
                              << 1;
    QTest::newRow("twice") << "[/a]\n[a]" << QStringList{"line 2: pattern /a given twice"} << 1;
    QTest::newRow("empty section") << "[]\nstatus: 200"
                                   << QStringList{"line 1: bad section, write [/path]",
                                                  "line 2: no [/path] section before this line"}
                                   << 0;
}

void TestLocalSite::parseErrors() {
    QFETCH(QString, text);
    QFETCH(QStringList, errors);
    QFETCH(int, rules);

    LocalSiteRules parsed;
    QStringList found;
    QCOMPARE(parsed.parse(text, &found), errors.isEmpty());
    QCOMPARE(found, errors);
    QCOMPARE(parsed.size(), rules);
    if (QTest::currentDataTag() == QLatin1String("every key")) {
        const LocalSiteRule* a = parsed.rule("/a");
        QVERIFY(a);
        QVERIFY(a->contentType && a->contentType->isEmpty());
        QCOMPARE(a->size, 2048);
        QCOMPARE(a->resetAfter, 1024 * 1024);
        QCOMPARE(a->dripBytes, 1);
        QCOMPARE(a->dripIntervalMs, 2);
        QCOMPARE(a->headers.value(0).second, QByteArray("b"));
        QVERIFY(a->hang && !a->close);
        QCOMPARE(*parsed.rule("/b*")->body, QStringLiteral("  two\n"));
    }
}

void TestLocalSite::matching_data() {
    QTest::addColumn<QString>("rules");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("pattern"); // "" when none matches
    QTest::addColumn<QStringList>("captures");

    const QString rules = "[/*]\n[/book/*/*.html]\n[/book/1/2.html]\n[/s.php?key=*&page=*]\n[/s.php]\n";
    QTest::newRow("exact beats earlier wildcard") << rules << "/book/1/2.html"
                                                  << ""
                                                  << "/book/1/2.html" << QStringList();
    QTest::newRow("first wildcard") << rules << "/book/1/3.html"
                                    << ""
                                    << "/*" << QStringList{"book/1/3.html"};
    QTest::newRow("query pattern") << rules << "/s.php"
                                   << "key=星&page=2"
                                   << "/s.php?key=*&page=*" << QStringList{"星", "2"};
    QTest::newRow("path pattern ignores query") << rules << "/s.php"
                                                << "key=a"
                                                << "/s.php" << QStringList();
    QTest::newRow("no query for query pattern") << "[/s.php?key=*]"
                                                << "/s.php"
                                                << ""
                                                << "" << QStringList();
    QTest::newRow("star spans folders") << "[/book/*/*.html]"
                                        << "/book/a/b/c.html"
                                        << ""
                                        << "/book/*/*.html" << QStringList{"a", "b/c"};
    QTest::newRow("no leading slash") << "[toc.html]"
                                      << "/toc.html"
                                      << ""
                                      << "/toc.html" << QStringList();
    QTest::newRow("regex characters literal") << "[/a+b(1).html]"
                                              << "/a+b(1).html"
                                              << ""
                                              << "/a+b(1).html" << QStringList();
    QTest::newRow("no match") << "[/a.html]"
                              << "/b.html"
                              << ""
                              << "" << QStringList();
}

void TestLocalSite::matching() {
    QFETCH(QString, rules);
    QFETCH(QString, path);
    QFETCH(QString, query);
    QFETCH(QString, pattern);
    QFETCH(QStringList, captures);

    LocalSiteRules parsed;
    QVERIFY(parsed.parse(rules));
    const auto m = parsed.match(path, query);
    QCOMPARE(m ? m->pattern : QString(), pattern);
    if (m)
        QCOMPARE(m->captures, captures);
}

void TestLocalSite::lifecycle() {
    // Stopping with a hanging request, a drip and a delay under way must close everything cleanly.
    TestSite site(QStringLiteral("basic"));
    for (int i = 0; i < 3; ++i) {
        QVERIFY(site.start());
        RawClient hanging(site.site()->port());
        hanging.get("/hang.html");
        RawClient dripping(site.site()->port());
        dripping.get("/drip.html");
        RawClient waiting(site.site()->port());
        waiting.get("/slow.html");
        QTRY_COMPARE(site.site()->totalRequests(), 3);
        site.stop();
        QVERIFY(hanging.closedByServer());
        QVERIFY(dripping.closedByServer());
        QVERIFY(!site.isRunning());
    }

    QVERIFY(site.start());
    TestSite second(QStringLiteral("basic"));
    QVERIFY(!second.start(site.site()->port()));
    QVERIFY(second.errorString().contains(QString::number(site.site()->port())));
    QVERIFY(!second.isRunning());

    TestSite missing(QStringLiteral("no such site"));
    QVERIFY(!missing.start());
    QVERIFY(!missing.errorString().isEmpty());
}

void TestLocalSite::cliUsage_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");

    QTest::newRow("no folder") << QStringList{"serve"} << 2;
    QTest::newRow("port not a number") << QStringList{"serve", kBasic, "--port", "abc"} << 2;
    QTest::newRow("port too big") << QStringList{"serve", kBasic, "--port=70000"} << 2;
    QTest::newRow("port missing") << QStringList{"serve", kBasic, "--port"} << 2;
    QTest::newRow("two folders") << QStringList{"serve", kBasic, kBasic} << 2;
    QTest::newRow("unknown option") << QStringList{"serve", kBasic, "--public"} << 2;
    QTest::newRow("missing folder") << QStringList{"serve", kBasic + "/nothing"} << 1;
    QTest::newRow("port in use") << QStringList{"serve", kBasic, "--port", "{busy}"} << 1;
}

void TestLocalSite::cliUsage() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);

    QTcpServer busy;
    QVERIFY(busy.listen(QHostAddress::LocalHost));
    args.replaceInStrings("{busy}", QString::number(busy.serverPort()));
    QProcess cli;
    cli.start(QStringLiteral(QUIVERAL_CLI_PATH), args);
    QVERIFY(cli.waitForFinished(30000));
    QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
    QCOMPARE(cli.exitCode(), exitCode);
    QVERIFY(cli.readAllStandardOutput().isEmpty());
    QVERIFY(!cli.readAllStandardError().isEmpty());
}

void TestLocalSite::cliServe_data() {
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
}

void TestLocalSite::cliServe() {
    QFETCH(int, signal);

    QProcess cli;
    cli.start(QStringLiteral(QUIVERAL_CLI_PATH), {"serve", kBasic, "--port", "0"});
    QVERIFY(cli.waitForStarted(30000));
    while (!cli.canReadLine())
        QVERIFY2(cli.waitForReadyRead(30000), cli.readAllStandardError().constData());
    const QString base = QString::fromUtf8(cli.readLine()).trimmed();
    QVERIFY2(QRegularExpression("^http://127\\.0\\.0\\.1:\\d+/$").match(base).hasMatch(), qPrintable(base));

    const Fetched f = fetch(base + "utf8.html");
    QCOMPARE(f.status, 200);
    QCOMPARE(f.headers.value("content-type"), QByteArray("text/html; charset=utf-8"));
    // A request left hanging must not keep the program from ending.
    RawClient hanging(QUrl(base).port());
    hanging.get("/hang.html");
    QVERIFY(hanging.silentFor(200));

    ::kill(pid_t(cli.processId()), signal);
    QVERIFY(cli.waitForFinished(30000));
    QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
    QCOMPARE(cli.exitCode(), 0);
    QVERIFY(hanging.closedByServer());
    const QByteArray log = cli.readAllStandardError();
    QVERIFY2(log.contains("GET /utf8.html 200"), log.constData());
}

QTEST_GUILESS_MAIN(TestLocalSite)
#include "tst_localsite.moc"
