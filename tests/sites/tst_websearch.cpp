// Looking a novel up with a general web search engine: the query and which results are kept.
#include "sites/websearch.h"
#include "storage/textfile.h"
#include "support/rows.h"

#include <QTest>

Q_DECLARE_METATYPE(QList<WebSearch::Result>)

class TestWebSearch : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void getValidBookTitle_data();
    void getValidBookTitle();
    void searchAddress_data();
    void searchAddress();
    void readResults_data();
    void readResults();
};

void TestWebSearch::getValidBookTitle_data() {
    columns<QString, QString, bool>("title", "novel", "kept");
    addRow("hyphen", "斗破苍穹-最新章节", "斗破苍穹", true);
    addRow("underscore", "斗破苍穹_目录", "斗破苍穹", true);
    addRow("小说", "斗破苍穹小说目录", "斗破苍穹", true);
    addRow("no separator", "斗破苍穹 目录", "斗破苍穹", false);
    addRow("excluded word", "斗破苍穹-图书目录", "斗破苍穹", false);
    addRow("excluded latin, any case", "斗破苍穹-BLOG目录", "斗破苍穹", false);
    addRow("last word of the list", "斗破苍穹-目录简介", "斗破苍穹", false);
    addRow("word inside the novel's own name", "我的博客-最新章节", "我的博客", true);
    addRow("own name holds one word, title another", "我的博客-公司", "我的博客", false);
}

void TestWebSearch::getValidBookTitle() {
    const auto [title, novel, kept] = fetch<QString, QString, bool>("title", "novel", "kept");
    QCOMPARE(WebSearch::getValidBookTitle(title, novel), kept ? title : QString());
}

void TestWebSearch::searchAddress_data() {
    columns<QString, QString>("engine", "expected");
    // "演示" in GBK, the quotes and the rest of the query escaped byte by byte.
    const QString name = "%22%D1%DD%CA%BE%22";
    const QString rest = "%20%C4%BF%C2%BC%20%28%2D%20%7C%20%5F%20%7C%20%D0%A1%CB%B5%29";
    addRow("placeholder", "http://e.test/s?q=[[Name]]&n=20", "http://e.test/s?q=" + name + rest + "&n=20");
    addRow("appended", "http://e.test/s?q=", "http://e.test/s?q=" + name + rest);
    addRow("no engine", "  ", "");
}

void TestWebSearch::searchAddress() {
    const auto [engine, expected] = fetch<QString, QString>("engine", "expected");
    QCOMPARE(WebSearch::searchAddress(engine, " 演示 ", false), expected);
}

void TestWebSearch::readResults_data() {
    columns<QString, QString, QList<WebSearch::Result>>("page", "engine", "expected");
    const QString engineDir = QUIVERAL_TEST_DATA_DIR "/sites/soushu/engine/";
    // The shop's results (its host and subdomains), the company and the blog directory are gone.
    addRow("result blocks", readTextFile(engineDir + "results.html"), "http://www.engine.test/s?q=x",
           QList<WebSearch::Result>{{"演示小说-最新章节目录_小说阅读", "http://novel-a.test/book/1/"},
                                    {"演示小说 目录", "http://novel-b.test/list/"}});
    // Snapshots, redirects and further pages are the engine's; a result found twice counts once.
    addRow("result headings", readTextFile(engineDir + "modern.html"), "http://www.engine.test/s?q=x",
           QList<WebSearch::Result>{{"演示小说最新章节_演示小说全文阅读", "http://novel-d.test/book/7/"},
                                    {"《演示小说》目录 - 书香小说", "http://www.novel-f.test/list/88.html"}});
    addRow("the engine's other hosts",
           "<a href=\"http://news.engine.test/1\">演示小说-新闻</a><a "
           "href=\"http://engine.test/2\">演示小说-百科</a>"
           "<a href=\"https://novel-g.test/9/\">演示小说_目录</a>",
           "http://www.engine.test/s?q=x",
           QList<WebSearch::Result>{{"演示小说_目录", "https://novel-g.test/9/"}});
    addRow("name split by markup", "<a href=\"http://novel-h.test/\">演示<b>小说</b>-目录</a>",
           "http://e.test/", QList<WebSearch::Result>{{"演示小说-目录", "http://novel-h.test/"}});
}

void TestWebSearch::readResults() {
    const auto [page, engine, expected] =
        fetch<QString, QString, QList<WebSearch::Result>>("page", "engine", "expected");
    QVERIFY(!page.isEmpty());
    QCOMPARE(WebSearch::readResults(page, "演示小说", "shop.example.test||", engine), expected);
}

QTEST_GUILESS_MAIN(TestWebSearch)
#include "tst_websearch.moc"
