// Chapters a site serves over several pages, and stubs it fills in later: what the library holds
// after each renewal against the loopback site.
#include "localsite/localsite.h"
#include "renewal/chapterpages.h"
#include "renewal/downloadoptions.h"
#include "renewal/renewjob.h"
#include "renewal/renewstore.h"
#include "storage/novelstore.h"
#include "storage/prompter.h"
#include "storage/textfile.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "support/testsite.h"

#include <QTest>

namespace {

QString chapterPage(const QString& text, const QString& after = QString()) {
    return QStringLiteral("<html><body><div id=\"content\">%1</div><!--content-->%2</body></html>")
        .arg(text, after);
}

QString anchor(const QString& href, const QString& label) {
    return QStringLiteral("<a href=\"%1\">%2</a>").arg(href, label);
}

struct Library {
    TestLibrary lib;
    QString novelId;
    DownloadOptions options;

    Library(const QString& listUrl, int multGetNums) {
        NovelStore novels(lib.db());
        NovelRecord r;
        r.novelId = novels.nextNovelId();
        r.novelName = QStringLiteral("分页小说");
        r.listUrl = listUrl;
        r.listStart = QStringLiteral("<div id=\"list\">");
        r.listEnd = QStringLiteral("</div><!--list-->");
        r.contentStart = QStringLiteral("<div id=\"content\">");
        r.contentEnd = QStringLiteral("</div><!--content-->");
        novelId = novels.insertNovel(r) ? r.novelId : QString();
        Settings& s = lib.context().settings();
        s.setValue(QStringLiteral("MultGetNums"), QString::number(multGetNums));
        s.setValue(QStringLiteral("PlaceholderMinChars"), QStringLiteral("0"));
        s.setValue(QStringLiteral("PlaceholderTries"), QStringLiteral("2"));
        options = DownloadOptions::fromLibrary(lib.context());
    }

    QStringList statuses;
    RenewJob::Result run(RenewJob::Command command = RenewJob::Command::RenewAll,
                         const QList<qint64>& chapterIds = {}) {
        RenewJob job(lib.db(), lib.context().folder(), options,
                     RenewJob::Request{command, {}, {novelId}, chapterIds, false});
        ScriptedPrompter prompter;
        job.setPrompter(&prompter);
        statuses.clear();
        QObject::connect(&job, &Job::statusChanged, [this](const QString& t) { statuses << t; });
        job.runHere();
        return job.result();
    }
    StoredChapter chapter(const QString& file) {
        for (const StoredChapter& c : RenewStore(lib.db()).chapters(novelId))
            if (c.comeFrom.endsWith(u'/' + file))
                return c;
        return {};
    }
    // The stored text between the template's content marks; "" when there is no page.
    QString text(const QString& file) {
        const QString page = readTextFile(lib.context().folder().chapterPage(novelId, chapter(file).id));
        return page.section(QStringLiteral("<!--BookContent Start-->"), 1)
            .section(QStringLiteral("<!--BookContent End-->"), 0, 0);
    }
};

void bothWays() {
    QTest::addColumn<int>("multGetNums");
    addRow("one at a time", 1);
    addRow("five at a time", 5);
}

} // namespace

class TestPagedChapters : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void nextPage_data();
    void nextPage();
    void stub_data();
    void stub();
    void pagedChapterStoredWhole_data();
    void pagedChapterStoredWhole();
    void failingPageLeavesTheChapterWaiting_data() { bothWays(); }
    void failingPageLeavesTheChapterWaiting();
    void stubReplacedOnceTheTextComes_data() { bothWays(); }
    void stubReplacedOnceTheTextComes();
    void stubGivenUpAfterItsTries();
    void realChapterNeverTakesAStub_data() { bothWays(); }
    void realChapterNeverTakesAStub();

private:
    void serve(const QString& path, const QString& body) {
        LocalSiteRule rule;
        rule.body = body;
        m_site->site()->setRule(path, rule);
    }
    // c1.html .. cN.html listed, each a page of its own unless served otherwise.
    void serveList(int count) {
        QString items;
        for (int i = 1; i <= count; ++i) {
            items += QStringLiteral("<li>%1</li>\n")
                         .arg(anchor(QStringLiteral("c%1.html").arg(i), QStringLiteral("第%1章").arg(i)));
            serve(QStringLiteral("/book/c%1.html").arg(i), chapterPage(QStringLiteral("章%1正文").arg(i)));
        }
        serve(QStringLiteral("/book/index.html"),
              QStringLiteral("<html><body><div id=\"list\"><ul>%1</ul></div><!--list--></body></html>")
                  .arg(items));
    }
    QString listUrl() const { return m_site->url(QStringLiteral("book/index.html")); }

    std::unique_ptr<TestSite> m_site;
};

void TestPagedChapters::init() {
    m_site = std::make_unique<TestSite>(QStringLiteral("renew"));
    QVERIFY2(m_site->start(), qPrintable(m_site->errorString()));
}

void TestPagedChapters::nextPage_data() {
    // url: of the page read; chapter: of the chapter's first page; pageNumber: of the page read
    columns<QString, QString, QString, int, QString>("page", "url", "chapter", "pageNumber", "next");
    const QString c = QStringLiteral("http://s.cn/b/265141.html");
    const QString php = QStringLiteral("http://s.cn/b/read.php?id=5");
    addRow("query kept", anchor("read.php?id=5&page=2", "2"), php, php, 1,
           "http://s.cn/b/read.php?id=5&page=2");
    addRow("numbers: the next one", anchor("265141_3.html", "3") + anchor("265141_2.html", "2"), c, c, 1,
           "http://s.cn/b/265141_2.html");
    addRow("label only", anchor("/p/x9.html", "下一页"), c, c, 1, "http://s.cn/p/x9.html");
    addRow("label that is the next chapter", anchor("265142.html", "下一页"), c, c, 1, "");
    addRow("label on another host", anchor("http://ad.cn/x.html", "下一页"), c, c, 1, "");
    addRow("label back to the chapter", anchor("265141.html", "下一页"), "http://s.cn/b/265141_2.html", c, 2,
           "");
    addRow("other chapter's page", anchor("265142_2.html", "下一章"), c, c, 1, "");
    addRow("page 1 is no next", anchor("265141_1.html", "1"), c, c, 1, "");
}

void TestPagedChapters::nextPage() {
    const auto [page, url, chapter, pageNumber, next] =
        fetch<QString, QString, QString, int, QString>("page", "url", "chapter", "pageNumber", "next");
    const QSet<QString> listed{QStringLiteral("http://s.cn/b/265142.html")};
    const QSet<QString> seen{chapter.toLower(), url.toLower()};
    QCOMPARE(ChapterPages::nextPageUrl(page, url, chapter, pageNumber, listed, seen), next);
}

void TestPagedChapters::stub_data() {
    columns<QString, int, QString, bool>("text", "minChars", "words", "stub");
    const QString words = QStringLiteral("正在手打中||[[请稍后.{0,2}刷新]]");
    const QString long300 = QString(300, u'字');
    addRow("short", "三行字<br />而已", 300, words, true);
    addRow("long enough", long300, 300, words, false);
    addRow("tags and spaces do not count", QString(150, u'字') + QString(200, u' ') + "<p></p>", 300, "",
           true);
    addRow("a picture chapter", "<img src=\"a.png\">", 300, words, false);
    addRow("word", long300 + "正在手打中", 300, words, true);
    addRow("pattern", "请稍后再刷新" + long300, 300, words, true);
    addRow("length off", "短", 0, words, false);
}

void TestPagedChapters::stub() {
    const auto [text, minChars, words, stub] =
        fetch<QString, int, QString, bool>("text", "minChars", "words", "stub");
    QCOMPARE(ChapterPages::StubRule(minChars, words).isStub(text), stub);
}

void TestPagedChapters::pagedChapterStoredWhole_data() {
    // pattern: the address of page N ("%1" for N); next: the label of the link to the next page
    columns<int, QString, QString, int>("pages", "pattern", "label", "multGetNums");
    addRow("two pages _N", 2, "c2_%1.html", "下一页", 1);
    addRow("five pages -N", 5, "c2-%1.html", "下一章", 1);
    addRow("five pages -N, five at a time", 5, "c2-%1.html", "下一章", 5);
    addRow("three pages ?page=N", 3, "c2.html?page=%1", "下页", 5);
    addRow("label only, five at a time", 3, "more%1.html", "下一页", 5);
}

void TestPagedChapters::pagedChapterStoredWhole() {
    const auto [pages, pattern, label, multGetNums] =
        fetch<int, QString, QString, int>("pages", "pattern", "label", "multGetNums");
    serveList(3);
    QStringList expected;
    for (int n = 1; n <= pages; ++n) {
        const QString path = n == 1 ? QStringLiteral("c2.html") : pattern.arg(n);
        // Each page links back to the one before and on to the chapter after: neither is followed.
        QString after = anchor(QStringLiteral("c3.html"), QStringLiteral("下一页")) +
                        anchor(QStringLiteral("c2.html"), "1");
        if (n < pages)
            after += anchor(pattern.arg(n + 1), label);
        else if (n > 2) // a loop back is refused
            after += anchor(pattern.arg(n - 1), QStringLiteral("下一页"));
        serve(QStringLiteral("/book/") + path, chapterPage(QStringLiteral("第二章第%1页").arg(n), after));
        expected << QStringLiteral("第二章第%1页").arg(n);
    }
    Library one(listUrl(), multGetNums);
    const RenewJob::Result result = one.run();
    QCOMPARE(result.newChapters, 3);
    QCOMPARE(result.failedChapters, 0);
    const QString text = one.text(QStringLiteral("c2.html"));
    QVERIFY2(text.contains(expected.join(QStringLiteral("<br />\n"))), qPrintable(text));
    QVERIFY(one.statuses.contains(QStringLiteral("章节\"第2章\"已合并（共%1页）").arg(pages)));
    QCOMPARE(one.text(QStringLiteral("c3.html")).trimmed(), QStringLiteral("章3正文"));
    QCOMPARE(m_site->site()->requestCount(QStringLiteral("/book/c3.html")), 1);
    for (int n = 2; n <= pages; ++n)
        QCOMPARE(m_site->site()->requestCount(QStringLiteral("/book/") + pattern.arg(n)), 1);

    // The other way of fetching stores the same library; without bIsJoinPages only the first page.
    m_site->site()->resetStatistics();
    Library other(listUrl(), multGetNums == 1 ? 5 : 1);
    other.run();
    QCOMPARE(other.text(QStringLiteral("c2.html")), text);
    QCOMPARE(other.chapter(QStringLiteral("c2.html")).wordNums,
             one.chapter(QStringLiteral("c2.html")).wordNums);
    Library off(listUrl(), multGetNums);
    off.options.joinPages = false;
    off.run();
    QCOMPARE(off.text(QStringLiteral("c2.html")).trimmed(), expected.first());
}

void TestPagedChapters::failingPageLeavesTheChapterWaiting() {
    QFETCH(int, multGetNums);
    serveList(2);
    serve("/book/c1.html", chapterPage("一", anchor("c1_2.html", "下一页")));
    serve("/book/c1_2.html", chapterPage("二", anchor("c1_3.html", "下一页")));
    LocalSiteRule missing;
    missing.status = 404;
    m_site->site()->setRule("/book/c1_3.html", missing);
    Library lib(listUrl(), multGetNums);
    const RenewJob::Result first = lib.run();
    QCOMPARE(first.newChapters, 1);
    QCOMPARE(first.failedChapters, 1);
    QVERIFY(!lib.chapter("c1.html").wordNums.value_or(0));
    QVERIFY(lib.text("c1.html").isEmpty());

    serve("/book/c1_3.html", chapterPage("三"));
    const RenewJob::Result second = lib.run();
    QCOMPARE(second.failedChapters, 0);
    QVERIFY2(lib.text("c1.html").contains("一<br />\n二<br />\n三"), qPrintable(lib.text("c1.html")));
    QCOMPARE(RenewStore(lib.lib.db()).chapters(lib.novelId).size(), 2);
}

void TestPagedChapters::stubReplacedOnceTheTextComes() {
    QFETCH(int, multGetNums);
    serveList(2);
    const QString stub = chapterPage("正在手打中，请稍后刷新");
    serve("/book/c2.html", stub);
    Library lib(listUrl(), multGetNums);
    const QString c2 = "/book/c2.html";
    lib.run();
    QCOMPARE(lib.chapter("c2.html").placeholder, 1);
    QCOMPARE(lib.chapter("c1.html").placeholder, 0);
    QVERIFY(lib.statuses.contains("1个章节等待更新内容"));

    lib.run(); // the stub again: kept, still marked
    QCOMPARE(m_site->site()->requestCount(c2), 2);
    QVERIFY(lib.chapter("c2.html").placeholder > 0);
    QVERIFY(lib.text("c2.html").contains("正在手打中"));

    serve(c2, chapterPage("第二章的正文"));
    lib.run();
    QCOMPARE(m_site->site()->requestCount(c2), 3);
    QCOMPARE(lib.chapter("c2.html").placeholder, 0);
    QCOMPARE(lib.text("c2.html").trimmed(), QStringLiteral("第二章的正文"));

    lib.run(); // a real chapter is not fetched again
    QCOMPARE(m_site->site()->requestCount(c2), 3);
    QCOMPARE(m_site->site()->requestCount("/book/c1.html"), 1);
}

void TestPagedChapters::stubGivenUpAfterItsTries() {
    serveList(1);
    serve("/book/c1.html", chapterPage("本章未完"));
    Library lib(listUrl(), 5);
    for (int run = 0; run < 5; ++run)
        lib.run();
    // Stored once, then fetched at two more renewals (PlaceholderTries 2); still shown as a stub.
    QCOMPARE(m_site->site()->requestCount("/book/c1.html"), 3);
    QVERIFY(lib.chapter("c1.html").placeholder > 0);
    QVERIFY(!lib.statuses.contains("1个章节等待更新内容"));

    // Asked for by hand, the ones given up on are fetched too.
    serve("/book/c1.html", chapterPage("全文"));
    QCOMPARE(lib.run(RenewJob::Command::RedownloadPlaceholders).newChapters, 1);
    QCOMPARE(lib.chapter("c1.html").placeholder, 0);
}

void TestPagedChapters::realChapterNeverTakesAStub() {
    QFETCH(int, multGetNums);
    serveList(2);
    Library lib(listUrl(), multGetNums);
    lib.run();
    const QString page = lib.lib.context().folder().chapterPage(lib.novelId, lib.chapter("c1.html").id);
    const QByteArray before = fileBytes(page);
    const int words = lib.chapter("c1.html").wordNums.value_or(0);
    QVERIFY(words > 0);

    serve("/book/c1.html", chapterPage("正在手打中"));
    serve("/book/c2.html", chapterPage("新的第二章"));
    const RenewJob::Result again = lib.run(RenewJob::Command::RedownloadChapters,
                                           {lib.chapter("c1.html").id, lib.chapter("c2.html").id});
    QCOMPARE(again.newChapters, 1);
    QCOMPARE(again.failedChapters, 0);
    QCOMPARE(fileBytes(page), before);
    QCOMPARE(lib.chapter("c1.html").wordNums.value_or(0), words);
    QCOMPARE(lib.chapter("c1.html").placeholder, 0);
    QCOMPARE(lib.text("c2.html").trimmed(), QStringLiteral("新的第二章"));
}

QTEST_GUILESS_MAIN(TestPagedChapters)
#include "tst_pagedchapters.moc"
