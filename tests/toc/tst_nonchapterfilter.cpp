// What is not a chapter: one row per rule, each with a near miss that must stay a chapter.
#include "support/rows.h"
#include "toc/nonchapterfilter.h"

#include <QTest>

class TestNonChapterFilter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rules_data();
    void rules();
    void userFilters_data();
    void userFilters();
    void siteSettings();
};

void TestNonChapterFilter::rules_data() {
    columns<QString, QString, bool>("title", "url", "dropped");
    const QString chapter = QStringLiteral("http://s.test/b/1.html");
    addRow("chapter", "第一章 山村", chapter, false);
    addRow("folder address", "第一章", "http://s.test/b/", true);
    addRow("download", "第一章", "http://s.test/b/1.ZIP", true);
    addRow("three-letter ending", "第一章", "http://s.test/a.rm", true);
    addRow("site root", "第一章", "http://www.s.com", true);
    addRow("near miss ending", "第一章", "http://s.test/b/1.shtml", false);
    addRow("navigation label", " 返回目录 ", chapter, true);
    addRow("label among other words", "第九章 返回目录之谜", chapter, false);
    addRow("label in other case", "rss", chapter, true);
    addRow("label with inner capitals", "Internet Explorer 7.0", chapter, true);
    addRow("search latest", "搜索剑影流年最新章节", chapter, true);
    addRow("search only", "搜索引擎", chapter, false);
    addRow("title word", "点击阅读全文", chapter, true);
    addRow("view and comment", "查看本章评论(12)", chapter, true);
    addRow("view only", "第三章 查看", chapter, false);
    addRow("address word", "第一章", "http://s.test/About/1.html", true);
    addRow("mailto", "第一章", "http://s.test/b/mailto:a@s.test", true);
    addRow("logout", "注销", "http://s.test/user/LogOut.php", true);
    addRow("logout words elsewhere", "注销", "http://s.test/b/1.html", false);
    addRow("index page", "第一章", "http://s.test/b/Index.HTML", true);
    addRow("index with query", "第一章", "http://s.test/b/index.php?id=1", false);
    addRow("forum index", "第一章", "http://s.test/bbs", true);
}

void TestNonChapterFilter::rules() {
    const auto [title, url, dropped] = fetch<QString, QString, bool>("title", "url", "dropped");
    QCOMPARE(NonChapterFilter().isNonChapter(title, url), dropped);
}

void TestNonChapterFilter::userFilters_data() {
    columns<QString, QString, QString, QString, bool>("titles", "urls", "title", "url", "dropped");
    const QString chapter = QStringLiteral("http://s.test/b/1.html");
    addRow("title equal, any case", "上架感言||VIP||", "", "vip", chapter, true);
    addRow("title only containing", "上架感言||", "", "第一章 上架感言", chapter, false);
    addRow("title pattern", "[[^第\\d+章 .*求票]]||", "", "第12章 求票", chapter, true);
    addRow("empty entries drop nothing", "||||", "||", "", chapter, false);
    addRow("address equal, any case", "", "HTTP://S.TEST/B/1.HTML||", "第一章", chapter, true);
    addRow("address pattern", "", "[[/b/\\d\\.html$]]", "第一章", chapter, true);
    addRow("bad pattern drops nothing", "[[(]]", "[[*]]", "第一章", chapter, false);
}

void TestNonChapterFilter::userFilters() {
    const auto [titles, urls, title, url, dropped] =
        fetch<QString, QString, QString, QString, bool>("titles", "urls", "title", "url", "dropped");
    QCOMPARE(NonChapterFilter(titles, urls).isNonChapter(title, url), dropped);
}

void TestNonChapterFilter::siteSettings() {
    const NonChapterFilter folders(QString(), QString(), QString(), true);
    QVERIFY(!folders.isNonChapter(QStringLiteral("第一章"), QStringLiteral("http://s.test/b/1/")));
    const NonChapterFilter words(QString(), QString(), QStringLiteral("s.test/comment/||[[/author/\\d+]]"));
    QVERIFY(words.isNonChapter(QStringLiteral("第一章"), QStringLiteral("http://S.test/Comment/1.html")));
    QVERIFY(words.isNonChapter(QStringLiteral("第一章"), QStringLiteral("http://s.test/author/12.html")));
    QVERIFY(!words.isNonChapter(QStringLiteral("第一章"), QStringLiteral("http://s.test/author/x.html")));
}

QTEST_GUILESS_MAIN(TestNonChapterFilter)
#include "tst_nonchapterfilter.moc"
