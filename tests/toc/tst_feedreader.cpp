// Feeds as chapter lists: title, items anywhere in the document, dates, tolerance of broken XML.
#include "support/rows.h"
#include "toc/feedreader.h"

#include <QTest>

class TestFeedReader : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void recognise_data();
    void recognise();
    void items();
    void dates_data();
    void dates();
};

void TestFeedReader::recognise_data() {
    columns<QString, bool>("text", "feed");
    addRow("declaration", "<?xml version=\"1.0\"?><rss>", true);
    addRow("rss element", "\r\n <RSS version=\"0.91\">", true);
    addRow("html", "<html><body>", false);
    addRow("atom without declaration", "<feed xmlns=\"http://www.w3.org/2005/Atom\">", false);
}

void TestFeedReader::recognise() {
    const auto [text, feed] = fetch<QString, bool>("text", "feed");
    QCOMPARE(isFeedText(text), feed);
}

void TestFeedReader::items() {
    // RSS 1.0 keeps its items beside the channel; an undeclared entity and a stray "&" do not stop it.
    const QString text = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"gb2312\"?><rdf:RDF><channel><title>书 &amp; 剑</title>"
        "<items><rdf:Seq/></items></channel>"
        "<item><title><![CDATA[第一章 <初见>]]></title><link>http://s.test/1.html</link>"
        "<dc:date>2009-03-09T22:05:00+08:00</dc:date><dc:creator>某人</dc:creator>"
        "<content:encoded><![CDATA[<p>正文</p>]]></content:encoded></item>"
        "<itemize>不是条目</itemize>"
        "<Item><Title>第二章 &nbsp; R&D</Title><LINK>/2.html</LINK><summary>摘要 &#x4E2D;&#20013;</summary>"
        "<item><title>第三章</title></item></rdf:RDF>");
    const Feed feed = readFeedItems(text);
    QCOMPARE(feed.title, QStringLiteral("书 & 剑"));
    QCOMPARE(feed.items.size(), 3);
    QCOMPARE(feed.items.at(0).title, QStringLiteral("第一章 <初见>"));
    QCOMPARE(feed.items.at(0).link, QStringLiteral("http://s.test/1.html"));
    QCOMPARE(feed.items.at(0).date, QStringLiteral("2009-03-09 22:05:00"));
    QCOMPARE(feed.items.at(0).author, QStringLiteral("某人"));
    QCOMPARE(feed.items.at(0).description, QStringLiteral("<p>正文</p>"));
    QCOMPARE(feed.items.at(1).title, QStringLiteral("第二章 &nbsp; R&D"));
    QCOMPARE(feed.items.at(1).link, QStringLiteral("/2.html"));
    QCOMPARE(feed.items.at(1).description, QStringLiteral("摘要 中中"));
    QCOMPARE(feed.items.at(2).title, QStringLiteral("第三章"));
}

void TestFeedReader::dates_data() {
    columns<QString, QString>("text", "date");
    addRow("rfc 2822", "Sat, 07 Mar 2009 20:15:00 +0800", "2009-03-07 20:15:00");
    addRow("gmt", "Tue, 10 Jun 2003 04:00:00 GMT", "2003-06-10 04:00:00");
    addRow("iso", "2009-03-09T22:05:00Z", "2009-03-09 22:05:00");
    addRow("unreadable kept", "昨天 22:05", "昨天 22:05");
}

void TestFeedReader::dates() {
    const auto [text, date] = fetch<QString, QString>("text", "date");
    QCOMPARE(feedDate(text), date);
}

QTEST_GUILESS_MAIN(TestFeedReader)
#include "tst_feedreader.moc"
