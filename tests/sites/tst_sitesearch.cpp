// Searching a novel site by name: the search address and the reading of its result pages.
#include "sites/sitesearch.h"
#include "storage/textfile.h"
#include "support/rows.h"

#include <QTest>

Q_DECLARE_METATYPE(QList<SiteSearchResult>)
Q_DECLARE_METATYPE(NovelSite)

namespace {

QString fixture(const QString& path) {
    return readTextFile(QStringLiteral(QUIVERAL_TEST_DATA_DIR "/sites/soushu/") + path);
}

// The rules that read the fixture site's pages.
NovelSite soushu() {
    NovelSite s;
    s[NovelSite::Name] = "搜书网";
    s[NovelSite::Url] = "http://soushu.test/";
    s[NovelSite::SearchUrl] = "http://soushu.test/modules/article/search.php?searchkey=[[Name]]";
    s[NovelSite::AuthorSearchUrl] =
        "http://soushu.test/modules/article/search.php?searchtype=author&searchkey=[[Name]]";
    s[NovelSite::ResultStart] = "<table class=\"grid\">";
    s[NovelSite::ResultEnd] = "</table>";
    s[NovelSite::TitleStart] = "<td class=\"odd\"><a href=";
    s[NovelSite::LinkStart] = "<td class=\"odd\"><a href=";
    s[NovelSite::LinkEnd] = ">";
    s[NovelSite::LatestStart] = "<td class=\"even\">";
    s[NovelSite::LatestEnd] = "</td>";
    s[NovelSite::FindStr] = "/book/[[id]].html";
    s[NovelSite::ReplaceStr] = "/book/[[id]]/index.html";
    s[NovelSite::OneResultMark] = "<h1 class=\"booktitle\">";
    s[NovelSite::OneLinkStart] = "简介</a> <a href=";
    s[NovelSite::OneLinkEnd] = ">章节目录";
    s[NovelSite::OneTitleStart] = "<h1 class=\"booktitle\">";
    s[NovelSite::OneTitleEnd] = "</h1>";
    s[NovelSite::OneLatestStart] = "最新：";
    s[NovelSite::OneLatestEnd] = "</p>";
    return s;
}

} // namespace

class TestSiteSearch : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void buildSearchUrl_data();
    void buildSearchUrl();
    void readSearchResults_data();
    void readSearchResults();
    void resultAddress_data();
    void resultAddress();
};

void TestSiteSearch::buildSearchUrl_data() {
    columns<QString, QString, bool, QString>("code", "name", "byAuthor", "expected");
    const QString base = "http://soushu.test/modules/article/search.php?";
    addRow("utf-8 escapes", "utf-8", "演示", false, base + "searchkey=%E6%BC%94%E7%A4%BA");
    addRow("UTF-8 any case, trimmed", " UTF-8 ", "  演示 ", false, base + "searchkey=%E6%BC%94%E7%A4%BA");
    addRow("gbk site", "", "演示", false, base + "searchkey=%D1%DD%CA%BE");
    addRow("query characters cannot split the address", "utf-8", "a&b=c #1", false,
           base + "searchkey=a%26b%3Dc%20%231");
    addRow("gbk site, query characters", "gb2312", "演示+1%", false,
           base + "searchkey=%D1%DD%CA%BE%2B%31%25");
    addRow("by author", "utf-8", "林晚", true, base + "searchtype=author&searchkey=%E6%9E%97%E6%99%9A");
}

void TestSiteSearch::buildSearchUrl() {
    const auto [code, name, byAuthor, expected] =
        fetch<QString, QString, bool, QString>("code", "name", "byAuthor", "expected");
    NovelSite site = soushu();
    site[NovelSite::NameCode] = code;
    QCOMPARE(::buildSearchUrl(site, name, byAuthor), expected);

    // A site without that kind of search is not searched at all.
    site[byAuthor ? NovelSite::AuthorSearchUrl : NovelSite::SearchUrl].clear();
    QCOMPARE(::buildSearchUrl(site, name, byAuthor), QString());
}

void TestSiteSearch::readSearchResults_data() {
    columns<QString, NovelSite, QList<SiteSearchResult>>("page", "site", "expected");

    addRow("several results, book pages turned into contents pages", fixture("results.html"), soushu(),
           QList<SiteSearchResult>{
               {"演示小说-搜书网", "http://soushu.test/book/101/index.html", "第九章 归来"},
               {"演示外传-搜书网", "http://other.test/book/202/index.html", "第二章 & 后记"},
               {"演示特辑-搜书网", "http://soushu.test/special/77.htm", "序"},
           });

    // The book page also links to other books: still the one novel it is about.
    addRow("single result mark gives exactly one", fixture("one/bookpage.html"), soushu(),
           QList<SiteSearchResult>{
               {"演示小说-搜书网", "http://soushu.test/book/101/index.html", "第九章 归来"}});

    addRow("no result region", fixture("empty.html"), soushu(), QList<SiteSearchResult>{});

    NovelSite noLinkMarkers = soushu();
    noLinkMarkers[NovelSite::LinkStart].clear();
    noLinkMarkers[NovelSite::LinkEnd].clear();
    noLinkMarkers[NovelSite::LatestStart].clear();
    noLinkMarkers[NovelSite::LatestEnd].clear();
    noLinkMarkers[NovelSite::FindStr].clear();
    addRow("link taken from the title without link markers", fixture("results.html"), noLinkMarkers,
           QList<SiteSearchResult>{
               {"演示小说-搜书网", "http://soushu.test/book/101.html", ""},
               {"演示外传-搜书网", "http://other.test/book/202.html", ""},
               {"演示特辑-搜书网", "http://soushu.test/special/77.htm", ""},
           });

    // Without region markers the whole page counts, but the page title is never read.
    NovelSite wholePage = noLinkMarkers;
    wholePage[NovelSite::ResultStart].clear();
    wholePage[NovelSite::ResultEnd].clear();
    wholePage[NovelSite::TitleStart] = "<a href=\"/book/";
    addRow("whole page, title element skipped", fixture("results.html"), wholePage,
           QList<SiteSearchResult>{
               {"演示小说-搜书网", "http://soushu.test/book/101.html", ""},
               {"第九章 归来-搜书网", "http://soushu.test/book/101/9.html", ""},
               {"不在结果区里-搜书网", "http://soushu.test/book/999.html", ""},
           });
}

void TestSiteSearch::readSearchResults() {
    auto [page, site, expected] =
        fetch<QString, NovelSite, QList<SiteSearchResult>>("page", "site", "expected");
    QVERIFY(!page.isEmpty());
    const QList<SiteSearchResult> results = ::readSearchResults(page, site);
    QCOMPARE(results.size(), expected.size());
    for (int i = 0; i < results.size(); ++i) {
        QCOMPARE(results[i].title, expected[i].title);
        QCOMPARE(results[i].url, expected[i].url);
        QCOMPARE(results[i].latest, expected[i].latest);
    }
}

void TestSiteSearch::resultAddress_data() {
    columns<QString, QString, QString, QString>("link", "find", "replace", "expected");
    addRow("relative joined to the root", "files/1.htm", "", "", "http://soushu.test/files/1.htm");
    addRow("id moved", "/Book/12345.aspx", "/Book/[[id]].aspx", "/Html/[[id]]/index.html",
           "http://soushu.test/Html/12345/index.html");
    addRow("id in the middle", "http://x.test/info_88_a.htm", "info_[[id]]_a.htm", "list/[[id]].htm",
           "http://x.test/list/88.htm");
    addRow("not matching stays", "/read/9/", "/Book/[[id]].aspx", "/Html/[[id]]/",
           "http://soushu.test/read/9/");
    addRow("rooted link on a site in a folder", "/book/1.htm", "", "", "http://soushu.test/book/1.htm");
    addRow("relative link on a site in a folder", "book/1.htm", "", "",
           "http://soushu.test/novels/book/1.htm");
    addRow("plain replacement", "/info/5.htm", "/info/", "/list/", "http://soushu.test/list/5.htm");
}

void TestSiteSearch::resultAddress() {
    const auto [link, find, replace, expected] =
        fetch<QString, QString, QString, QString>("link", "find", "replace", "expected");
    NovelSite site = soushu();
    site[NovelSite::FindStr] = find;
    site[NovelSite::ReplaceStr] = replace;
    if (QByteArray(QTest::currentDataTag()).contains("folder"))
        site[NovelSite::Url] = "http://soushu.test/novels";
    QCOMPARE(searchResultAddress(link, site), expected);
}

QTEST_GUILESS_MAIN(TestSiteSearch)
#include "tst_sitesearch.moc"
