// The page fetcher against the loopback test site: outcomes, retries, redirects, the jump rules,
// limits, the stop request, and the same work inside a job on a worker thread.
#include "localsite/localsite.h"
#include "fetch/pagedecoder.h"
#include "fetch/pagefetcher.h"
#include "fetch/pagetransfer.h"
#include "text/unicodetext.h"
#include "storage/job.h"
#include "support/rows.h"
#include "support/testsite.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <memory>

Q_DECLARE_METATYPE(FetchedPage::Outcome)

namespace {

FetchOptions testOptions() {
    FetchOptions options;
    options.timeoutMs = 20000;
    options.retryDelayMs = 20; // retries are counted, not waited for
    options.maxRetryDelayMs = 200;
    return options;
}

// A fetcher made inside run(), on the job's worker thread, as the download jobs make theirs.
class FetchJob : public Job {
public:
    FetchJob(const QList<PageFetcher::Request>& requests, const FetchOptions& options, int concurrency = 0)
        : m_requests(requests)
        , m_options(options)
        , m_concurrency(concurrency) {}
    ~FetchJob() override {
        requestStop();
        wait();
    }

    QList<FetchedPage> results;
    QThread* thread = nullptr;

protected:
    void run() override {
        thread = QThread::currentThread();
        PageFetcher fetcher(m_options, [this] { return stopRequested(); });
        results = fetcher.fetchAll(m_requests, m_concurrency);
    }

private:
    QList<PageFetcher::Request> m_requests;
    FetchOptions m_options;
    int m_concurrency;
};

} // namespace

class TestPageFetcher : public QObject {
    Q_OBJECT

public:
    TestPageFetcher()
        : m_site(QStringLiteral("fetch")) {}

private Q_SLOTS:
    void initTestCase();
    void init();
    void answers_data();
    void answers();
    void transientThenOk_data();
    void transientThenOk();
    void timeout_data();
    void timeout();
    void stop_data();
    void stop();
    void stopReportsEveryRequest();
    void requestHeaders();
    void https_data();
    void https();
    void jumpUrl_data();
    void jumpUrl();
    void jumpPatterns();
    void charsetFromHeaders_data();
    void charsetFromHeaders();
    void fetchAllKeepsOrder();
    void hostKeys_data();
    void hostKeys();
    void fetchingGoesOnDuringANestedFetch();
    void nestedFetchGoesFirstOnItsHost();
    void concurrencyLimits_data();
    void concurrencyLimits();
    void fetchAhead_data();
    void fetchAhead();
    void fetchAheadTakesWhatIsLeft();
    void chapterPause();
    void workerThreadJob();
    void normalizeText_data();
    void normalizeText();

private:
    LocalSite* site() const { return m_site.site(); }
    QString url(const QString& path) const { return m_site.url(path); }
    void setRules(const QString& rules) {
        QStringList errors;
        QVERIFY2(site()->setRules(rules, &errors), qPrintable(errors.join(u'\n')));
    }

    TestSite m_site;
};

void TestPageFetcher::initTestCase() {
    QVERIFY2(m_site.start(), qPrintable(m_site.errorString()));
}

void TestPageFetcher::init() {
    site()->clearRules();
    site()->resetStatistics();
}

void TestPageFetcher::answers_data() {
    // address: a path of the site, or a whole address; status: -1: not checked; requests: how many reached
    // the site, -n: at least n
    columns<QString, QString, qint64, FetchedPage::Outcome, int, int, QString, QString>(
        "rules", "address", "maxBody", "outcome", "status", "requests", "finalPath", "errorPart");

    const qint64 cap = qint64(32) << 20;
    const auto ok = FetchedPage::Outcome::Ok;
    const auto failed = FetchedPage::Outcome::Failed;
    addRow("page", "", "/page.html", cap, ok, 200, 1, "/page.html", "");
    addRow("404 is a failure, not retried", "[/gone.html]\nstatus: 404", "/gone.html", cap, failed, 404, 1, "",
           "404");
    addRow("500 retried twice, then a failure", "[/err.html]\nstatus: 500\nbody: oops", "/err.html", cap, failed,
           500, 3, "", "已重试 2 次");
    addRow("429 retried", "[/busy.html]\nstatus: 429\nbody: slow down", "/busy.html", cap, failed, 429, 3, "",
           "429");
    addRow("redirect chain, relative and absolute Location",
           "[/r1.html]\nlocation: r2.html\n[/r2.html]\nstatus: 301\nlocation: {base}/sub/r3.html\n"
           "[/sub/r3.html]\nstatus: 307\nlocation: ../page.html",
           "/r1.html", cap, ok, 200, 4, "/page.html", "");
    addRow("redirect loop ends", "[/a.html]\nlocation: b.html\n[/b.html]\nlocation: a.html", "/a.html", cap,
           failed, -1, 11, "", "重定向次数过多");
    addRow("redirect away from the web refused", "[/ftp.html]\nlocation: ftp://127.0.0.1/file", "/ftp.html", cap,
           failed, -1, 1, "", "不支持的网址");
    addRow("empty body", "[/empty.html]\nfile: page.html\nsize: 0", "/empty.html", cap, failed, 200, 1, "", "空白");
    addRow("oversize body abandoned, not retried", "[/big.html]\nfile: page.html\nsize: 3M", "/big.html",
           qint64(1) << 20, failed, 200, 1, "", "MB");
    addRow("mid-body reset retried", "[/broken.html]\nfile: page.html\nsize: 200K\nreset: 1000", "/broken.html",
           cap, failed, -1, -3, "", "");
    addRow("no web address", "", "file:///etc/passwd", cap, failed, 0, 0, "", "不支持的网址");
}

void TestPageFetcher::answers() {
    const auto [rules, address, maxBody, outcome, status, requests, finalPath, errorPart] =
        fetch<QString, QString, qint64, FetchedPage::Outcome, int, int, QString, QString>(
            "rules", "address", "maxBody", "outcome", "status", "requests", "finalPath", "errorPart");

    setRules(rules);
    FetchOptions options = testOptions();
    options.maxBodyBytes = maxBody;
    PageFetcher fetcher(options);
    const FetchedPage page = fetcher.fetch(address.startsWith(u'/') ? url(address) : address);

    QVERIFY2(page.outcome == outcome, qPrintable(page.error));
    if (status >= 0)
        QCOMPARE(page.status, status);
    // The network layer itself may send a request again on a connection that broke.
    const int sent = site()->totalRequests();
    QVERIFY2(requests >= 0 ? sent == requests : sent >= -requests,
             qPrintable(QStringLiteral("%1 requests: %2").arg(sent).arg(page.error)));
    QVERIFY2(page.error.contains(errorPart), qPrintable(page.error));
    if (outcome == FetchedPage::Outcome::Ok) {
        QCOMPARE(page.url, url(finalPath));
        QVERIFY(page.body.contains("plain page"));
        QVERIFY(page.error.isEmpty());
    } else {
        QVERIFY2(page.body.isEmpty(), "a failed fetch hands on no body");
        QVERIFY(!page.error.isEmpty());
    }
}

void TestPageFetcher::transientThenOk_data() {
    QTest::addColumn<QString>("firstAnswer");
    QTest::newRow("503") << "status: 503";
    QTest::newRow("429 with Retry-After") << "status: 429\nheader: Retry-After: 0";
    QTest::newRow("reset in the middle") << "file: page.html\nsize: 100K\nreset: 100";
}

void TestPageFetcher::transientThenOk() {
    QFETCH(QString, firstAnswer);
    setRules(QStringLiteral("[/flaky.html]\n") + firstAnswer);
    // The rule for the next request changes as soon as the first answer is decided.
    LocalSiteRule good;
    good.file = QStringLiteral("page.html");
    QObject context;
    LocalSite* s = site();
    connect(
        s, &LocalSite::requestReceived, &context,
        [s, good](const LocalSiteRequest&) { s->setRule(QStringLiteral("/flaky.html"), good); },
        Qt::DirectConnection);

    PageFetcher fetcher(testOptions());
    const FetchedPage page = fetcher.fetch(url(QStringLiteral("/flaky.html")));
    QVERIFY2(page.ok(), qPrintable(page.error));
    QVERIFY(page.body.contains("plain page"));
    QCOMPARE(site()->requestCount(QStringLiteral("/flaky.html")), 2);
}

void TestPageFetcher::timeout_data() {
    QTest::addColumn<int>("timeoutRetries");
    QTest::newRow("given up at once") << 0;
    QTest::newRow("tried once more") << 1;
}

void TestPageFetcher::timeout() {
    QFETCH(int, timeoutRetries);
    setRules(QStringLiteral("[/hang.html]\nhang"));
    FetchOptions options = testOptions();
    options.timeoutMs = 700;
    options.timeoutRetries = timeoutRetries;
    PageFetcher fetcher(options);
    QElapsedTimer clock;
    clock.start();
    const FetchedPage page = fetcher.fetch(url(QStringLiteral("/hang.html")));

    QCOMPARE(page.outcome, FetchedPage::Outcome::Failed);
    QVERIFY2(page.error.contains(QStringLiteral("超时")), qPrintable(page.error));
    QCOMPARE(site()->requestCount(QStringLiteral("/hang.html")), 1 + timeoutRetries);
    QVERIFY(clock.elapsed() >= qint64(options.timeoutMs) * (1 + timeoutRetries)); // never early
}

void TestPageFetcher::stop_data() {
    // stopAfterMs: -1: asked to stop before the fetch
    columns<QString, int, int>("rules", "stopAfterMs", "requests");
    QTest::newRow("waiting for the answer") << "[/x.html]\nhang" << 300 << 1;
    QTest::newRow("pausing before a retry") << "[/x.html]\nstatus: 503" << 300 << 1;
    QTest::newRow("answer dripping in") << "[/x.html]\nfile: page.html\nsize: 1M\ndrip: 100/100" << 300 << 1;
    QTest::newRow("stopped before it began") << "[/x.html]\nfile: page.html" << -1 << 0;
}

void TestPageFetcher::stop() {
    const auto [rules, stopAfterMs, requests] = fetch<QString, int, int>("rules", "stopAfterMs", "requests");
    setRules(rules);
    FetchOptions options = testOptions();
    options.timeoutMs = 60000;
    options.retryDelayMs = 60000;
    options.maxRetryDelayMs = 60000;
    std::atomic<bool> stopFlag{stopAfterMs < 0};
    if (stopAfterMs >= 0)
        QTimer::singleShot(stopAfterMs, [&stopFlag] { stopFlag = true; });
    PageFetcher fetcher(options, [&stopFlag] { return stopFlag.load(); });
    QElapsedTimer clock;
    clock.start();
    const FetchedPage page = fetcher.fetch(url(QStringLiteral("/x.html")));

    QCOMPARE(page.outcome, FetchedPage::Outcome::Stopped);
    QVERIFY(page.body.isEmpty());
    QVERIFY2(clock.elapsed() < 20000, "a stop ends the wait long before the time-out");
    QCOMPARE(site()->requestCount(QStringLiteral("/x.html")), requests);
}

void TestPageFetcher::stopReportsEveryRequest() {
    // Most of the requests are not under way when the stop comes: each is still told, as Stopped,
    // and none of them reaches the site afterwards.
    setRules(QStringLiteral("[/s/*]\nbody: page\ndelay: 100"));
    std::atomic<bool> stopFlag{false};
    PageFetcher fetcher(testOptions(), [&stopFlag] { return stopFlag.load(); });
    QList<PageFetcher::Request> requests;
    for (int i = 0; i < 500; ++i)
        requests.append({url(QStringLiteral("/s/%1.html").arg(i)), QString(), false});
    QTimer::singleShot(250, [&stopFlag] { stopFlag = true; });
    QList<int> told(requests.size(), 0);
    int ok = 0;
    int stopped = 0;
    fetcher.fetchEach(requests, 2, [&](int index, const FetchedPage& page) {
        ++told[index];
        ok += page.ok() ? 1 : 0;
        stopped += page.stopped() ? 1 : 0;
    });
    const int reached = site()->requestCount(QStringLiteral("/s/*"));

    QVERIFY(std::all_of(told.cbegin(), told.cend(), [](int times) { return times == 1; }));
    QCOMPARE(ok + stopped, int(requests.size()));
    QVERIFY2(ok >= 1 && reached <= ok + 2, qPrintable(QStringLiteral("%1 ok, %2 reached").arg(ok).arg(reached)));
    QTest::qWait(300);
    QCOMPARE(site()->requestCount(QStringLiteral("/s/*")), reached);
}

void TestPageFetcher::requestHeaders() {
    PageFetcher fetcher(testOptions());
    const QString page = url(QStringLiteral("/page.html"));
    QVERIFY(fetcher.fetch(page).ok());
    LocalSiteRequest request = site()->lastRequest();
    QCOMPARE(request.header("Referer"), page.toUtf8());
    QCOMPARE(request.header("User-Agent"), FetchOptions::defaultUserAgent());

    const QString chapter = url(QStringLiteral("/book/12.html"));
    QVERIFY(fetcher.fetch(page, chapter).ok());
    QCOMPARE(site()->lastRequest().header("Referer"), chapter.toUtf8());
}

void TestPageFetcher::https_data() {
    // caFile: {ca}: the test site's CA
    columns<QString, QString>("caFile", "errorPart");
    addRow("the site's CA trusted", "{ca}", "");
    // Without the test CA the system's store is asked, which does not know the site's certificate.
    addRow("certificate of an unknown CA", "", "安全连接失败：服务器的证书无法验证");
    addRow("CA file missing", "/nonexistent/ca.pem", "安全连接失败");
}

void TestPageFetcher::https() {
    auto [caFile, errorPart] = fetch<QString, QString>("caFile", "errorPart");
    TestSite secure(QStringLiteral("fetch"));
    QVERIFY2(secure.start(0, true), qPrintable(secure.errorString()));
    FetchOptions options = testOptions();
    options.caFile = caFile == QLatin1String("{ca}") ? LocalSite::caFile() : caFile;
    PageFetcher fetcher(options);
    const QString address = secure.url(QStringLiteral("/page.html"));
    QVERIFY(address.startsWith(QLatin1String("https://")));

    for (int round = 0; round < 2; ++round) {
        const FetchedPage page = fetcher.fetch(address);
        if (errorPart.isEmpty()) {
            QVERIFY2(page.ok(), qPrintable(page.error));
            QVERIFY(page.body.contains("plain page"));
        } else {
            QCOMPARE(page.outcome, FetchedPage::Outcome::Failed);
            QVERIFY2(page.error.contains(errorPart), qPrintable(page.error));
            QVERIFY2(!page.error.contains(QStringLiteral("已重试")), "a certificate stays bad when asked again");
        }
    }
    const QList<LocalSiteRequest> requests = secure.site()->requests();
    QCOMPARE(requests.size(), errorPart.isEmpty() ? 2 : 0);
    // The second page comes over the connection (and the TLS session) of the first.
    if (errorPart.isEmpty())
        QCOMPARE(requests.at(1).connection, requests.at(0).connection);
}

void TestPageFetcher::jumpUrl_data() {
    // expected: {base} is the site's address
    columns<QString, QString, QString, QString>("rules", "path", "bodyPatterns", "expected");

    addRow("302, relative Location as sent", "[/j/a.html]\nlocation: ../page.html", "/j/a.html", "",
           "../page.html");
    addRow("301, absolute", "[/j/b.html]\nstatus: 301\nlocation: {base}/page.html", "/j/b.html", "",
           "{base}/page.html");
    addRow("200 with a Location", "[/j/c.html]\nstatus: 200\nlocation: /c.html\nbody: hi", "/j/c.html", "",
           "/c.html");
    addRow("307", "[/j/f.html]\nstatus: 307\nlocation: /page.html", "/j/f.html", "", "/page.html");
    addRow("404", "[/j/d.html]\nstatus: 404", "/j/d.html", "", "");
    addRow("500 after its retries", "[/j/g.html]\nstatus: 500", "/j/g.html", "", "");
    addRow("body location of a body site", "[/j/e.php]\nbody-location: /page.html", "/j/e.php", "/j/e.php",
           "/page.html");
    addRow("body location of another site", "[/j/e.php]\nbody-location: /page.html", "/j/e.php",
           "other.example/", "");
    addRow("plain page", "", "/page.html", "", "");
}

void TestPageFetcher::jumpUrl() {
    const auto [rules, path, bodyPatterns, expected] =
        fetch<QString, QString, QString, QString>("rules", "path", "bodyPatterns", "expected");
    setRules(rules);
    FetchOptions options = testOptions();
    options.jumpBodyPatterns = bodyPatterns;
    PageFetcher fetcher(options);

    const QString base = url(QString()).chopped(1);
    QCOMPARE(fetcher.getJumpUrl(url(path)), QString(expected).replace(QLatin1String("{base}"), base));
    QCOMPARE(site()->requestCount(path), path == QLatin1String("/j/g.html") ? 3 : 1);
    if (path != QLatin1String("/page.html"))
        QCOMPARE(site()->requestCount(QStringLiteral("/page.html")), 0); // never followed
}

void TestPageFetcher::jumpPatterns() {
    setRules(QStringLiteral("[/jump/*]\nbody-location: /page.html\n[/feed/*]\nbody-location: /page.html\n"
                            "[/dead/*]\nstatus: 404"));
    FetchOptions options = testOptions();
    options.jumpUrlPatterns = QStringLiteral("||/JUMP/||[[/dead/\\d+\\.html]]");
    options.jumpFeedPatterns = QStringLiteral("/feed/");
    options.jumpBodyPatterns = QStringLiteral("/jump/||/feed/");
    PageFetcher fetcher(options);
    const QString real = url(QStringLiteral("/page.html"));

    // A page address of the patterns: its target is fetched, with the target as its referer.
    FetchedPage page = fetcher.fetch(url(QStringLiteral("/jump/1.html")));
    QVERIFY2(page.ok(), qPrintable(page.error));
    QVERIFY(page.body.contains("plain page"));
    QCOMPARE(page.url, real);
    QCOMPARE(site()->lastRequest(QStringLiteral("/page.html")).header("Referer"), real.toUtf8());

    // Feed folders are resolved for pictures only.
    page = fetcher.fetch(url(QStringLiteral("/feed/2.html")));
    QVERIFY(page.ok());
    QVERIFY(page.body.contains("location="));
    QCOMPARE(fetcher.getRealDownUrl(url(QStringLiteral("/feed/2.html"))), real);
    const QList<FetchedPage> pictures =
        fetcher.fetchAll({{url(QStringLiteral("/feed/3.html")), QString(), true}});
    QVERIFY(pictures.value(0).body.contains("plain page"));

    // Other addresses pass unchanged without a request; a dead jump falls back to the address itself.
    site()->resetStatistics();
    QCOMPARE(fetcher.getRealDownUrl(url(QStringLiteral("/else/4.html"))),
             url(QStringLiteral("/else/4.html")));
    QCOMPARE(site()->totalRequests(), 0);
    QCOMPARE(fetcher.getRealDownUrl(url(QStringLiteral("/dead/5.html"))),
             url(QStringLiteral("/dead/5.html")));
    page = fetcher.fetch(url(QStringLiteral("/dead/6.html")));
    QCOMPARE(page.status, 404);
    QCOMPARE(site()->requestCount(QStringLiteral("/dead/6.html")), 2);
}

void TestPageFetcher::charsetFromHeaders_data() {
    columns<QString, QString, bool>("pageType", "scriptType", "scriptInherits");
    addRow("meta tag decides, script inherits", "text/html", "application/x-javascript", true);
    addRow("header decides, plain text inherits", "text/html; charset=big5", "text/plain", true);
    addRow("an HTML answer without charset forgets it", "text/html", "text/html", false);
}

void TestPageFetcher::charsetFromHeaders() {
    const auto [pageType, scriptType, scriptInherits] =
        fetch<QString, QString, bool>("pageType", "scriptType", "scriptInherits");
    setRules(QStringLiteral("[/big5.html]\ntype: %1\n[/list.js]\ntype: %2").arg(pageType, scriptType));
    PageFetcher fetcher(testOptions());
    PageDecoder decoder;

    const FetchedPage page = fetcher.fetch(url(QStringLiteral("/big5.html")));
    QVERIFY(page.ok());
    QCOMPARE(page.contentType, pageType);
    decoder.takeContentType(page.contentType);
    const QString text = decoder.decode(page.body);
    QCOMPARE(decoder.pageCharset(), QStringLiteral("big5"));
    QVERIFY(text.contains(QStringLiteral("龍族傳說")));
    QVERIFY(text.contains(QStringLiteral("charset=gb2312")));

    const FetchedPage script =
        fetcher.fetch(url(QStringLiteral("/list.js")), url(QStringLiteral("/big5.html")));
    QVERIFY(script.ok());
    decoder.takeContentType(script.contentType);
    QCOMPARE(decoder.decode(script.body).contains(QStringLiteral("第一章 龍之谷")), scriptInherits);
}

void TestPageFetcher::fetchAllKeepsOrder() {
    setRules(QStringLiteral("[/d/1.html]\nbody: one\ndelay: 600\n[/d/2.html]\nbody: two\n"
                            "[/d/3.html]\nbody: three\ndelay: 200\n[/d/4.html]\nstatus: 404"));
    PageFetcher fetcher(testOptions());
    QList<PageFetcher::Request> requests;
    for (int i = 1; i <= 4; ++i)
        requests.append({url(QStringLiteral("/d/%1.html").arg(i)), QString(), false});
    QHash<int, FetchedPage> reported;
    const QList<FetchedPage> results = fetcher.fetchAll(requests, 4, [&](int index, const FetchedPage& page) {
        QVERIFY(!reported.contains(index));
        reported.insert(index, page);
    });

    QCOMPARE(results.size(), 4);
    const QList<QByteArray> bodies{"one", "two", "three", ""};
    QCOMPARE(results.at(3).outcome, FetchedPage::Outcome::Failed);
    QCOMPARE(reported.size(), 4);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(results.at(i).body, bodies.at(i));
        QCOMPARE(reported.value(i).body, bodies.at(i));
    }
    QVERIFY(fetcher.fetchAll({}).isEmpty());

    // fetchEach tells the same answers, each once, and keeps none.
    QHash<int, FetchedPage> told;
    fetcher.fetchEach(requests, 4, [&](int index, const FetchedPage& page) {
        QVERIFY(!told.contains(index));
        told.insert(index, page);
    });
    QCOMPARE(told.size(), 4);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(told.value(i).outcome, results.at(i).outcome);
        QCOMPARE(told.value(i).body, results.at(i).body);
    }
}

void TestPageFetcher::hostKeys_data() {
    QTest::addColumn<QStringList>("addresses");
    QTest::newRow("one site") << QStringList{"http://a.example.com/1.html", "http://a.example.com/2.html",
                                             "http://a.example.com/dir/3.html"};
    QTest::newRow("sites and ports") << QStringList{"http://a.com/1", "http://a.com:8080/1", "http://a.com:8080/2",
                                                    "https://a.com/1", "http://b.com/1", "http://a.com/2"};
    QTest::newRow("same origin written two ways") << QStringList{"http://A.com/1", "http://a.com/2", "HTTP://a.com/3",
                                                                  "http://a.com:80/4", "http://a.com./5"};
    QTest::newRow("no slash after the host") << QStringList{"http://a.com", "http://a.com?x=1", "http://a.com#top",
                                                             "http://a.com/1"};
    QTest::newRow("white space, user, odd hosts")
        << QStringList{"  http://a.com/1", "http://a.com/1 ", "http://u:p@a.com/1", "http://u:p@a.com/2",
                       "http://[::1]:9/x", "http://[::1]:9/y", "http://中文.com/1", "http://中文.com/2",
                       "http://a.com:99999/1", "http://a.com:99999/2"};
    QTest::newRow("not web addresses") << QStringList{"", "page.html", "/abs/path", "ftp://a.com/1", "ftp://a.com/2",
                                                       "mailto:x@a.com", "://a.com/", "http:///x", "http:///y"};
}

void TestPageFetcher::hostKeys() {
    QFETCH(QStringList, addresses);
    QList<PageFetcher::Request> requests;
    QStringList expected;
    for (const QString& address : addresses) {
        requests.append({address, QString(), false});
        expected.append(PageTransfer::hostKeyOf(address));
    }
    QCOMPARE(PageFetcher::hostKeys(requests), expected);
}

void TestPageFetcher::fetchingGoesOnDuringANestedFetch() {
    // A chapter's pictures are fetched inside the report of its page; the other pages' requests must
    // not wait for them.
    setRules(QStringLiteral("[/slow.png]\nfile: page.html\ndelay: 600"));
    PageFetcher fetcher(testOptions());
    QList<PageFetcher::Request> pages;
    for (int i = 0; i < 12; ++i)
        pages.append({url(QStringLiteral("/page.html?n=%1").arg(i)), QString(), false});
    int pagesAskedDuringNested = -1;
    const QList<FetchedPage> results = fetcher.fetchAll(pages, 2, [&](int index, const FetchedPage&) {
        if (index != 0)
            return;
        const int before = site()->requestCount(QStringLiteral("/page.html*"));
        QVERIFY(fetcher.fetch(url(QStringLiteral("/slow.png"))).ok());
        pagesAskedDuringNested = site()->requestCount(QStringLiteral("/page.html*")) - before;
    });
    for (const FetchedPage& page : results)
        QVERIFY2(page.ok(), qPrintable(page.error));
    // Two at a time and well under 600 ms each: most of the rest went by while the picture waited.
    QVERIFY2(pagesAskedDuringNested >= 6, QByteArray::number(pagesAskedDuringNested));
}

void TestPageFetcher::nestedFetchGoesFirstOnItsHost() {
    // Every slot of the host is taken when the picture is asked for; it must have the next one, not
    // wait until the rest of the pages are fetched.
    setRules(QStringLiteral("[/picture.png]\nfile: page.html"));
    FetchOptions options = testOptions();
    options.perHostLimit = 2;
    PageFetcher fetcher(options);
    QList<PageFetcher::Request> pages;
    for (int i = 0; i < 40; ++i)
        pages.append({url(QStringLiteral("/page.html?n=%1").arg(i)), QString(), false});
    int pagesAskedBefore = -1;
    int pagesAskedAfter = -1;
    fetcher.fetchAll(pages, 2, [&](int index, const FetchedPage&) {
        if (index != 0)
            return;
        pagesAskedBefore = site()->requestCount(QStringLiteral("/page.html*"));
        QVERIFY(fetcher.fetch(url(QStringLiteral("/picture.png"))).ok());
        pagesAskedAfter = site()->requestCount(QStringLiteral("/page.html*"));
    });
    // While the picture waited and ran, only the pages already on their way (two) and a few on the
    // other slot reached the site; without its turn it waits for all forty. Counted at the site, not
    // by its order of requests: it reads two connections in its own order when the machine is busy.
    QVERIFY(pagesAskedBefore >= 1);
    QVERIFY2(pagesAskedAfter - pagesAskedBefore <= 12,
             qPrintable(QStringLiteral("%1 %2").arg(pagesAskedBefore).arg(pagesAskedAfter)));
}

void TestPageFetcher::concurrencyLimits_data() {
    // perSiteRequests: of each job; openPerSite: what each site sees at once; grouped: each site's requests
    // together, not taking turns
    columns<int, int, int, int, int, int, bool>("concurrency", "perHost", "sites", "jobs", "perSiteRequests",
                                                "openPerSite", "grouped");

    QTest::newRow("concurrency caps the open requests") << 3 << 6 << 1 << 1 << 8 << 3 << false;
    QTest::newRow("per-host limit below the concurrency") << 5 << 2 << 1 << 1 << 6 << 2 << false;
    QTest::newRow("per-host limit counts each host") << 6 << 2 << 2 << 1 << 4 << 2 << false;
    QTest::newRow("a full host's requests are passed over") << 6 << 2 << 2 << 1 << 40 << 2 << true;
    QTest::newRow("two jobs share one host's limit") << 5 << 3 << 1 << 2 << 4 << 3 << false;
}

void TestPageFetcher::concurrencyLimits() {
    const auto [concurrency, perHost, sites, jobs, perSiteRequests, openPerSite, grouped] =
        fetch<int, int, int, int, int, int, bool>("concurrency", "perHost", "sites", "jobs",
                                                  "perSiteRequests", "openPerSite", "grouped");

    TestSite second(QStringLiteral("fetch"));
    QVERIFY(second.start());
    const QList<LocalSite*> servers = QList<LocalSite*>{site(), second.site()}.mid(0, sites);
    for (LocalSite* s : servers)
        QVERIFY(s->setRules(QStringLiteral("[/hang/*]\nhang")));
    FetchOptions options = testOptions();
    options.perHostLimit = perHost;

    // Every request hangs, so what the sites have received is what is open at once.
    std::vector<std::unique_ptr<FetchJob>> running;
    for (int j = 0; j < jobs; ++j) {
        QList<PageFetcher::Request> requests;
        for (int i = 0; i < perSiteRequests * sites; ++i) {
            LocalSite* s = servers.at(grouped ? i / perSiteRequests : i % sites);
            requests.append({s->url(QStringLiteral("/hang/%1-%2.html").arg(j).arg(i)), QString(), false});
        }
        running.push_back(std::make_unique<FetchJob>(requests, options, concurrency));
        running.back()->start();
    }
    auto openAt = [](LocalSite* s) { return s->requestCount(QStringLiteral("/hang/*")); };
    for (LocalSite* s : servers)
        QTRY_COMPARE_WITH_TIMEOUT(openAt(s), openPerSite, 30000);
    QTest::qWait(700); // nothing ends, so nothing more may start
    for (LocalSite* s : servers)
        QCOMPARE(openAt(s), openPerSite);

    for (auto& job : running)
        job->requestStop();
    for (auto& job : running) {
        QVERIFY(job->wait(30000));
        QCOMPARE(job->results.size(), perSiteRequests * sites);
        for (const FetchedPage& page : std::as_const(job->results))
            QCOMPARE(page.outcome, FetchedPage::Outcome::Stopped);
    }
    site()->clearRules();
}

void TestPageFetcher::fetchAhead_data() {
    // asked: pages that reached the site while another fetch waited; stop: stopped before they are taken
    columns<QString, int, int, int, bool>("rules", "concurrency", "window", "asked", "stop");
    addRow("quick pages stop at the window", "[/ahead/*]\nfile: page.html\ndelay: 50", 2, 5, 5, false);
    addRow("hanging pages stop at the concurrency", "[/ahead/*]\nhang", 2, 6, 2, true);
}

// Pages asked for ahead go on while the fetcher waits for another page, within their limits; each is
// taken in turn, fetched once; a stop ends those still on their way.
void TestPageFetcher::fetchAhead() {
    const auto [rules, concurrency, window, asked, stop] =
        fetch<QString, int, int, int, bool>("rules", "concurrency", "window", "asked", "stop");
    setRules(rules + QStringLiteral("\n[/slow.html]\nfile: page.html\ndelay: 1500"));
    std::atomic<bool> stopFlag{false};
    PageFetcher fetcher(testOptions(), [&stopFlag] { return stopFlag.load(); });
    QList<PageFetcher::Request> requests;
    for (int i = 0; i < 8; ++i)
        requests.append({url(QStringLiteral("/ahead/%1.html").arg(i)), QString()});
    fetcher.fetchAhead(requests, concurrency, window);
    QVERIFY(fetcher.fetch(url(QStringLiteral("/slow.html"))).ok());
    QCOMPARE(site()->requestCount(QStringLiteral("/ahead/*")), asked);

    stopFlag = stop;
    for (int i = 0; i < requests.size(); ++i) {
        const FetchedPage page = fetcher.takeAhead(i);
        if (stop) {
            QCOMPARE(page.outcome, FetchedPage::Outcome::Stopped);
        } else {
            QVERIFY2(page.ok(), qPrintable(page.error));
            QVERIFY(page.body.contains("plain page"));
        }
    }
    QCOMPARE(site()->requestCount(QStringLiteral("/ahead/*")), stop ? asked : int(requests.size()));
    QCOMPARE(fetcher.takeAhead(int(requests.size())).outcome, FetchedPage::Outcome::Failed);
}

// Pages fetched ahead start only while fewer than their concurrency of the fetcher's requests are
// open: two other pages on their way leave one of three.
void TestPageFetcher::fetchAheadTakesWhatIsLeft() {
    setRules(QStringLiteral("[/ahead/*]\nhang\n[/other/*]\nhang"));
    std::atomic<bool> stopFlag{false};
    PageFetcher fetcher(testOptions(), [&stopFlag] { return stopFlag.load(); });
    QList<PageFetcher::Request> ahead;
    for (int i = 0; i < 6; ++i)
        ahead.append({url(QStringLiteral("/ahead/%1.html").arg(i)), QString()});
    int askedAhead = -1;
    fetcher.fetchAll({{url(QStringLiteral("/page.html")), QString()},
                      {url(QStringLiteral("/other/1.html")), QString()},
                      {url(QStringLiteral("/other/2.html")), QString()}},
                     3, [&](int index, const FetchedPage&) {
                         if (index != 0)
                             return;
                         fetcher.fetchAhead(ahead, 3, 6);
                         QTimer::singleShot(1000, [&] {
                             askedAhead = site()->requestCount(QStringLiteral("/ahead/*"));
                             stopFlag = true;
                         });
                     });
    QCOMPARE(site()->requestCount(QStringLiteral("/other/*")), 2);
    QCOMPARE(askedAhead, 1);
    QCOMPARE(fetcher.takeAhead(0).outcome, FetchedPage::Outcome::Stopped);
}

// DelayTime: the chapter pages of one host come one at a time, each a pause after the one before
// ended; another host's chapters and the host's other pages are not held up meanwhile.
void TestPageFetcher::chapterPause() {
    TestSite second(QStringLiteral("fetch"));
    QVERIFY(second.start());
    FetchOptions options = testOptions();
    options.chapterPauseMs = 1000;
    PageFetcher fetcher(options);
    QMutex mutex;
    QElapsedTimer clock;
    QHash<QString, qint64> askedAt; // "site query" → when it reached the site
    for (LocalSite* s : {site(), second.site()})
        connect(
            s, &LocalSite::requestReceived, this,
            [&, s](const LocalSiteRequest& request) {
                const QMutexLocker lock(&mutex);
                askedAt.insert((s == site() ? u'a' : u'b') + request.query, clock.elapsed());
            },
            Qt::DirectConnection);
    QList<PageFetcher::Request> requests;
    for (const char* page : {"a1", "a2", "apicture", "b1", "a3", "b2"}) {
        PageFetcher::Request request{
            (page[0] == 'a' ? site() : second.site())->url(QStringLiteral("/page.html?") + QLatin1String(page + 1)),
            QString()};
        request.chapter = !QByteArray(page).contains("picture");
        requests.append(request);
    }
    clock.start();
    for (const FetchedPage& page : fetcher.fetchAll(requests, 6))
        QVERIFY2(page.ok(), qPrintable(page.error));
    disconnect(site(), nullptr, this, nullptr);
    disconnect(second.site(), nullptr, this, nullptr);

    const QMutexLocker lock(&mutex);
    QCOMPARE(askedAt.size(), 6);
    for (const auto& [earlier, later] : {std::pair{"a1", "a2"}, {"a2", "a3"}, {"b1", "b2"}})
        QVERIFY2(askedAt.value(QLatin1String(later)) - askedAt.value(QLatin1String(earlier)) >= 950,
                 qPrintable(QStringLiteral("%1 %2").arg(earlier, later)));
    QVERIFY(askedAt.value(QStringLiteral("apicture")) < askedAt.value(QStringLiteral("a2")));
    QVERIFY(askedAt.value(QStringLiteral("b1")) < askedAt.value(QStringLiteral("a2")));
}

void TestPageFetcher::workerThreadJob() {
    setRules(QStringLiteral("[/hang.html]\nhang"));
    FetchJob job({{url(QStringLiteral("/page.html")), QString(), false},
                  {url(QStringLiteral("/hang.html")), QString(), false}},
                 testOptions(), 2);
    job.start();
    QTRY_COMPARE_WITH_TIMEOUT(site()->requestCount(QStringLiteral("/hang.html")), 1, 30000);
    QVERIFY(job.isRunning());
    job.requestStop();
    QVERIFY(job.wait(30000));

    QVERIFY(job.thread && job.thread != QThread::currentThread());
    QCOMPARE(job.results.size(), 2);
    QVERIFY2(job.results.at(0).ok(), qPrintable(job.results.at(0).error));
    QVERIFY(job.results.at(0).body.contains("plain page"));
    QCOMPARE(job.results.at(1).outcome, FetchedPage::Outcome::Stopped);
}

void TestPageFetcher::normalizeText_data() {
    columns<QString, QString, QString>("text", "charset", "expected");
    const QString withNuls = QStringLiteral("第一章") + QChar(0) + QStringLiteral("开始") + QChar(0);
    addRow("NULs removed", withNuls, "gb2312", QStringLiteral("第一章开始"));
    addRow("big5 display keeps the text", withNuls, "Big5", withNuls);
}

void TestPageFetcher::normalizeText() {
    const auto [text, charset, expected] = fetch<QString, QString, QString>("text", "charset", "expected");
    QCOMPARE(normalizeUnicodeText(text, charset), expected);
}

QTEST_GUILESS_MAIN(TestPageFetcher)
#include "tst_pagefetcher.moc"
