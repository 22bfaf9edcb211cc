// Looking a novel up on the search pages of several sites and with a web search engine, over loopback.
#include "fetch/pagesource.h"
#include "localsite/localsite.h"
#include "sites/novelsearchjob.h"
#include "storage/prompter.h"
#include "support/rows.h"
#include "support/testsite.h"

#include <QSignalSpy>
#include <QTest>

namespace {

FetchOptions quickOptions() {
    FetchOptions options;
    options.retries = 0;
    options.timeoutRetries = 0;
    options.retryDelayMs = 10;
    return options;
}

NovelSite site(const TestSite& server, const QString& name, const QString& searchPath) {
    NovelSite s;
    s[NovelSite::Name] = name;
    s[NovelSite::Url] = server.baseUrl();
    s[NovelSite::SearchUrl] = server.url(searchPath);
    s[NovelSite::NameCode] = "utf-8";
    s[NovelSite::ResultStart] = "<table class=\"grid\">";
    s[NovelSite::ResultEnd] = "</table>";
    s[NovelSite::TitleStart] = "<td class=\"odd\"><a href=";
    s[NovelSite::LinkStart] = "<td class=\"odd\"><a href=";
    s[NovelSite::LinkEnd] = ">";
    s[NovelSite::FindStr] = "/book/[[id]].html";
    s[NovelSite::ReplaceStr] = "/book/[[id]]/index.html";
    s[NovelSite::OneResultMark] = "<h1 class=\"booktitle\">";
    s[NovelSite::OneLinkStart] = "简介</a> <a href=";
    s[NovelSite::OneLinkEnd] = ">章节目录";
    s[NovelSite::OneTitleStart] = "<h1 class=\"booktitle\">";
    s[NovelSite::OneTitleEnd] = "</h1>";
    return s;
}

QStringList titles(const QList<SiteSearchResult>& results) {
    QStringList list;
    for (const SiteSearchResult& r : results)
        list << r.title;
    return list;
}

} // namespace

class TestNovelSearchJob : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void sitesOneByOne();
    void endOnFirstResults();
    void webSearch_data();
    void webSearch();
    void stopWhileWaiting();
    void noSiteToAsk();

private:
    TestSite m_site{QStringLiteral("soushu")};
};

void TestNovelSearchJob::initTestCase() {
    QVERIFY2(m_site.start(), qPrintable(m_site.errorString()));
}

void TestNovelSearchJob::sitesOneByOne() {
    m_site.site()->resetStatistics();
    NovelSearchJob::Request request;
    request.text = " 演示 ";
    request.sites = {site(m_site, "坏站", "/broken/search.php?key=[[Name]]"),
                     site(m_site, "搜书网", "/modules/article/search.php?searchkey=[[Name]]"),
                     site(m_site, "单书站", "/one/search.php?key=[[Name]]"),
                     site(m_site, "空站", "/modules/article/search.php?searchkey=没有[[Name]]")};
    ScriptedPrompter prompter;
    NovelSearchJob job(networkSourceFactory(quickOptions()), request);
    job.setPrompter(&prompter);
    QSignalSpy status(&job, &NovelSearchJob::statusChanged);
    job.runHere();

    // The broken site is reported and skipped; the single-result site found a novel already listed.
    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.messages[0].second, QString("搜索小说\"演示\"失败，请查看网络连接"));
    QCOMPARE(titles(job.results()), (QStringList{"演示小说-搜书网", "演示外传-搜书网", "演示特辑-搜书网"}));
    QCOMPARE(job.results()[0].url, m_site.url("/book/101/index.html"));
    QCOMPARE(job.sitesSearched(), 4);
    QCOMPARE(m_site.site()->requestCount("/one/search.php"), 1);

    // The name went out trimmed, as UTF-8 escapes.
    QCOMPARE(m_site.site()->requests("/modules/article/search.php").first().target,
             QByteArray("/modules/article/search.php?searchkey=%E6%BC%94%E7%A4%BA"));

    QStringList texts;
    for (const QList<QVariant>& args : status)
        texts << args.first().toString();
    QVERIFY(texts.contains("搜书网,进行下一个搜索中..."));
    QCOMPARE(texts.first(), QString("正在搜索相应小说网站,请稍候..."));
    QCOMPARE(texts.last(), QString("已搜索完"));
}

void TestNovelSearchJob::endOnFirstResults() {
    m_site.site()->resetStatistics();
    NovelSearchJob::Request request;
    request.text = "演示";
    request.endOnFirstResults = true;
    request.sites = {site(m_site, "空站", "/modules/article/search.php?searchkey=没有[[Name]]"),
                     site(m_site, "单书站", "/one/search.php?key=[[Name]]"),
                     site(m_site, "搜书网", "/modules/article/search.php?searchkey=[[Name]]")};
    NovelSearchJob job(networkSourceFactory(quickOptions()), request);
    job.runHere();
    QCOMPARE(titles(job.results()), QStringList{"演示小说-单书站"});
    QCOMPARE(job.results()[0].url, m_site.url("/book/101/index.html"));
    QCOMPARE(m_site.site()->totalRequests(), 2);
}

void TestNovelSearchJob::webSearch_data() {
    columns<QString, bool, int, QString>("engine", "failed", "count", "first");
    addRow("result blocks", "/engine/search?q=[[Name]]", false, 2, "http://novel-a.test/book/1/");
    addRow("another engine's layout", "/engine2/search?q=[[Name]]", false, 2, "http://novel-d.test/book/7/");
    addRow("engine fails", "/broken/search.php?q=", true, 0, "");
    addRow("no engine set", "", true, 0, "");
}

void TestNovelSearchJob::webSearch() {
    const auto [engine, failed, count, first] =
        fetch<QString, bool, int, QString>("engine", "failed", "count", "first");
    NovelSearchJob::Request request;
    request.text = "演示小说";
    request.web = true;
    request.engineUrl = engine.isEmpty() ? QString() : m_site.url(engine);
    request.excludedHosts = "shop.example.test";
    NovelSearchJob job(networkSourceFactory(quickOptions()), request);
    job.runHere();
    QCOMPARE(job.failed(), failed);
    QCOMPARE(job.results().size(), count);
    if (count)
        QCOMPARE(job.results()[0].url, first);
}

// Without a site to ask nothing is fetched: not even a page source is made.
void TestNovelSearchJob::noSiteToAsk() {
    NovelSearchJob::Request request;
    request.text = "演示";
    bool sourceMade = false;
    NovelSearchJob job(
        [&sourceMade](std::function<bool()> stop) {
            sourceMade = true;
            return networkSourceFactory(quickOptions())(std::move(stop));
        },
        request);
    job.runHere();
    QCOMPARE(job.outcome(), NovelSearchJob::Outcome::NoSites);
    QVERIFY(!sourceMade);
    QVERIFY(job.results().isEmpty());
}

void TestNovelSearchJob::stopWhileWaiting() {
    LocalSiteRule hang;
    hang.hang = true;
    m_site.site()->setRule("/hang/search.php?*", hang);
    m_site.site()->resetStatistics();
    NovelSearchJob::Request request;
    request.text = "演示";
    request.sites = {site(m_site, "挂站", "/hang/search.php?key=[[Name]]"),
                     site(m_site, "搜书网", "/modules/article/search.php?searchkey=[[Name]]")};
    NovelSearchJob job(networkSourceFactory(quickOptions()), request);
    QSignalSpy finished(&job, &Job::finished);
    job.start();
    QTRY_COMPARE_WITH_TIMEOUT(m_site.site()->requestCount("/hang/search.php"), 1, 20000);
    job.requestStop();
    QVERIFY(finished.wait(20000) || finished.size() == 1);
    QVERIFY(job.wait(20000));
    QVERIFY(job.results().isEmpty());
    QCOMPARE(m_site.site()->requestCount("/modules/article/search.php"), 0);
}

QTEST_GUILESS_MAIN(TestNovelSearchJob)
#include "tst_novelsearchjob.moc"
