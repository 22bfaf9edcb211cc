// Which addresses lie on one site: what keeps a novel site's own hosts together and sets
// advertising and search-engine hosts apart.
#include "sites/sitehost.h"
#include "support/rows.h"

#include <QTest>

class TestSiteHost : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void isSameSite_data();
    void isSameSite();
};

void TestSiteHost::isSameSite_data() {
    columns<QString, QString, bool>("address", "other", "same");
    addRow("www and mobile host", "http://www.site.test/book/1/", "https://m.site.test/1.html", true);
    addRow("bare domain and www, any case", "http://Site.test/", "http://WWW.SITE.TEST/a", true);
    addRow("other port", "http://www.site.test:8080/", "http://site.test/", true);
    addRow("other domain", "http://www.site.test/", "http://ad.union-click.test/go", false);
    addRow("domain ending in the same letters", "http://site.test/", "http://mysite.test/", false);
    addRow("country domain under com", "http://read.novel.com.cn/", "http://www.novel.com.cn/", true);
    addRow("two names under com.cn", "http://novel.com.cn/", "http://other.com.cn/", false);
    addRow("two names under one country", "http://a.novel.cn/", "http://b.other.cn/", false);
    addRow("same IP", "http://127.0.0.1:18808/book/", "http://127.0.0.1:9000/x", true);
    addRow("IPs of one network", "http://127.0.0.1/", "http://127.0.0.2/", false);
    addRow("relative address", "/book/1.html", "http://site.test/", false);
    addRow("trailing dot", "http://www.site.test./", "http://site.test/", true);
}

void TestSiteHost::isSameSite() {
    const auto [address, other, same] = fetch<QString, QString, bool>("address", "other", "same");
    QCOMPARE(::isSameSite(address, other), same);
    QCOMPARE(::isSameSite(other, address), same);
}

QTEST_GUILESS_MAIN(TestSiteHost)
#include "tst_sitehost.moc"
