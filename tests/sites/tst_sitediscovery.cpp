// Working out a site's search rules from its pages, over loopback: the search form, the test search,
// the result table or the novel page it answers with, and the failures along the way.
#include "sites/sitediscovery.h"
#include "sites/sitediscoveryjob.h"
#include "sites/sitesearch.h"
#include "storage/textfile.h"
#include "support/rows.h"
#include "support/testsite.h"

#include <QTest>

class TestSiteDiscovery : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void discover_data();
    void discover();
    void searchForm_data();
    void searchForm();

private:
    TestSite m_site{QStringLiteral("soushu")};
};

void TestSiteDiscovery::initTestCase() {
    QVERIFY(m_site.start());
}

void TestSiteDiscovery::discover_data() {
    // answer: a page of the site read with the rules found
    columns<QString, QString, QString, QString, QStringList>("root", "error", "searchUrl", "answer", "found");
    addRow("result table", "{base}", "",
           "{base}modules/article/search.php?searchtype=articlename&ordertype=date&"
           "action=result&searchkey=[[Name]]",
           "results.html",
           QStringList{"演示小说 {base}book/101.html 第九章 归来",
                       "演示外传 http://other.test/book/202.html 第二章 & 后记",
                       "演示特辑 {base}special/77.htm 序"});
    addRow("novel page", "{base}one", "", "{base}one/search.php?t=1&key=[[Name]]", "one/bookpage.html",
           QStringList{"演示小说 {base}book/101/index.html "});
    addRow("no form, common path fails", "{base}plain/",
           "检查能否搜索失败，请查看网络连接或者目前尚未能支持对该网站的搜索",
           "{base}plain/" + SiteDiscovery::commonSearchPath(), "", QStringList{});
    addRow("no home page", "{base}broken/", "请查看网络连接或该网站连接不上", "", "", QStringList{});
}

void TestSiteDiscovery::discover() {
    auto [root, error, searchUrl, answer, found] = fetch<QString, QString, QString, QString, QStringList>(
        "root", "error", "searchUrl", "answer", "found");
    const QString base = m_site.baseUrl();
    NovelSite site;
    site[NovelSite::Name] = "新站";
    site[NovelSite::Url] = QString(root).replace("{base}", base);
    FetchOptions options;
    options.retries = 0;
    SiteDiscoveryJob job(networkSourceFactory(options), site);
    job.runHere();
    QCOMPARE(job.error(), error);
    QCOMPARE(job.site()[NovelSite::SearchUrl], QString(searchUrl).replace("{base}", base));
    if (answer.isEmpty())
        return;
    QVERIFY(job.site()[NovelSite::Url].endsWith('/'));
    QCOMPARE(job.site()[NovelSite::NameCode], QString("utf-8"));
    const QString page = readTextFile(QStringLiteral(QUIVERAL_TEST_DATA_DIR "/sites/soushu/") + answer);
    QStringList read;
    for (const SiteSearchResult& r : readSearchResults(page, job.site()))
        read << r.title.chopped(3) + " " + r.url + " " + r.latest; // without "-新站"
    for (QString& line : found)
        line.replace("{base}", base);
    QCOMPARE(read, found);
}

void TestSiteDiscovery::searchForm_data() {
    columns<QString, QString>("home", "expected");
    addRow("selected option, absolute action",
           "<form action='http://s.test/find.asp'><select name=t><option value=1>作者</option>"
           "<option value=2 selected>书名</option></select><input type=text name=q>"
           "<input type=image src=search.jpg></form>",
           "http://s.test/find.asp?t=2&q=[[Name]]");
    addRow("a form without a search picture is not it",
           "<form action=/login.php><input name=user><input type=submit value=登录></form>", "");
    addRow("second form",
           "<form action=/login.php><input name=user></form>"
           "<FORM ACTION=\"/s.php?x=1\"><INPUT TYPE=\"text\" NAME=\"k\">搜索</FORM>",
           "http://site.test/s.php?x=1&k=[[Name]]");
}

void TestSiteDiscovery::searchForm() {
    const auto [home, expected] = fetch<QString, QString>("home", "expected");
    QCOMPARE(SiteDiscovery::searchAddressFromHome(home, "http://site.test/"), expected);
}

QTEST_GUILESS_MAIN(TestSiteDiscovery)
#include "tst_sitediscovery.moc"
