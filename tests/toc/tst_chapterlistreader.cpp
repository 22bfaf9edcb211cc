// Chapter-list extraction of whole pages: the fixture sites give exactly their chapters, and the
// renewal, volume, information and manual-choice modes change the library as they should.
#include "fetch/pagedecoder.h"
#include "renewal/chapterchooser.h"
#include "sites/sitesigntable.h"
#include "storage/bookcasestore.h"
#include "storage/chapterstore.h"
#include "storage/dbvalue.h"
#include "storage/novelstore.h"
#include "storage/prompter.h"
#include "support/memorypagesource.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "support/testsite.h"
#include "support/toccases.h"
#include "toc/chapterlistreader.h"

#include <QFile>
#include <QTest>

namespace {

const QString kBase = QStringLiteral("http://www.fixture.test");

struct Run {
    ChapterListResult result;
    QStringList statuses;
};

QStringList rows(const ChapterLinks& links) {
    QStringList lines;
    int position = 0;
    for (const ChapterLink& link : links)
        if (!link.isDropped())
            lines.append(
                QStringLiteral("%1\t%2\t%3\t%4").arg(++position).arg(link.volume, link.title, link.url));
    return lines;
}

ChapterListRequest requestFor(MemoryPageSource& source, const QString& url, const QString& displayCharset) {
    const FetchedPage page = source.fetch(url);
    if (!page.ok())
        qFatal("fixture page missing: %s", qPrintable(url));
    PageDecoder decoder(displayCharset);
    decoder.takeContentType(page.contentType);
    ChapterListRequest request;
    request.page = decoder.decode(page.body);
    request.pageCharset = decoder.pageCharset();
    request.listUrl = url;
    request.novel.novelName = QStringLiteral("测试小说");
    return request;
}

Run read(ChapterListReader& reader, const ChapterListRequest& request) {
    Run run;
    reader.setStatusHandler([&run](const QString& text) { run.statuses.append(text); });
    run.result = reader.readChapterList(request);
    return run;
}

} // namespace

class TestChapterListReader : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fixtureSites_data();
    void fixtureSites();
    void keptLinks_data();
    void keptLinks();
    void renewalKeepsOnlyNewChapters();
    void manualChoice_data();
    void manualChoice();
    void volumeNamesMode();
    void novelInformation();
    void feedNamesANewNovel();
    void scriptFetchCutShort_data();
    void scriptFetchCutShort();
};

void TestChapterListReader::fixtureSites_data() {
    columns<TocCase, bool, QStringList>("tocCase", "withSettings", "expected");
    for (const TocCase& c : tocCases()) {
        addRow(qPrintable(c.name), c, true, c.expectedLines(kBase));
        if (c.settings.isEmpty())
            continue;
        // Without its book.ini entry the page is tried every way when it reads as no chapter.
        QStringList expected = c.expectedLines(kBase);
        // Except a link function whose first branch gives addresses: plain reading takes those.
        if (c.site == "lanting")
            expected = QStringList{"1\t\t第一章 风起\t" + kBase + "/vip/606/1.shtml",
                                   "2\t\t第二章 云涌\t" + kBase + "/vip/606/2.shtml",
                                   "3\t\t第三章 变局（VIP）\t" + kBase + "/vip/606/3.shtml"};
        addRow(qPrintable(c.name + ", without the setting"), c, false, expected);
    }
}

void TestChapterListReader::fixtureSites() {
    const auto [tocCase, withSettings, expected] =
        fetch<TocCase, bool, QStringList>("tocCase", "withSettings", "expected");
    MemoryPageSource source;
    QVERIFY(source.loadSite(TestSite::folder(tocCase.site), kBase));
    ChapterListOptions options;
    if (withSettings) {
        options.scriptListSites = tocCase.settings.value("ScriptListSites");
        options.scriptCallSites = tocCase.settings.value("ScriptCallSites");
        options.urlFunctionSites = tocCase.settings.value("UrlFunctionSites");
        options.arrayListSites = tocCase.settings.value("ArrayListSites");
        options.forumSites = tocCase.settings.value("ForumSites");
        options.folderUrlSites = tocCase.settings.value("FolderUrlSites");
    }
    ChapterListRequest request = requestFor(source, kBase + tocCase.page, options.displayCharset);
    request.novel.listStart = tocCase.listStart;
    request.novel.listEnd = tocCase.listEnd;
    request.novel.volumeStart = tocCase.volumeStart;
    request.novel.volumeEnd = tocCase.volumeEnd;
    request.mode = ChapterListMode::Synchronisation;

    ChapterListReader reader(source, options);
    const Run run = read(reader, request);
    QCOMPARE(run.result.outcome, ChapterListResult::Outcome::Chapters);
    QCOMPARE(rows(run.result.links), expected);
    QCOMPARE(run.statuses.value(0), QStringLiteral("<<测试小说>>目录下载完毕，正在取出目录内容..."));
    // Every way tried shares the script files: none is fetched twice.
    QCOMPARE(QSet<QString>(source.requested.cbegin(), source.requested.cend()).size(),
             source.requested.size());
}

void TestChapterListReader::keptLinks_data() {
    // urls: none: the page reads as no links or no chapter
    columns<QString, QString, QString, QStringList>("page", "listUrl", "listStart", "urls");
    const QString site = "http://www.site.test/book/1/";
    const QString withAds =
        "<div id=list><a href=\"1.html\">第一章</a><a href=\"http://m.site.test/book/1/2.html\">第二章</a>"
        "<a href=\"http://ad.union-click.test/go?id=7\">第三章 免费领取</a>"
        "<a href=\"//img.cdn-other.test/x.html\">精彩推荐</a>"
        "<a href=\"http://site.test/book/1/3.html\">第三章</a></div>";
    const QStringList own = {site + "1.html", "http://m.site.test/book/1/2.html",
                             "http://site.test/book/1/3.html"};
    addRow("no links", "<html><body><p>暂无章节</p></body></html>", site, "", QStringList());
    addRow("only named anchors", "<a name=top></a><a name=\"end\">底部</a>", site, "", QStringList());
    addRow("navigation only",
           "<a href=\"/\">首页</a><a href=\"/top.html\">排行榜</a><a href=\"1.zip\">第一章</a>", site, "",
           QStringList());
    // Tried every way, a page without chapters stays one: sections are folders, the script is a counter.
    addRow("sections and a counter script",
           "<script src=\"/js/count.js\"></script><a href=\"/\">首页</a><a href=\"/sort/1/\">玄幻</a>"
           "<a href=\"/author/5/\">作者专栏</a><a href=\"../\">本站新书</a><a "
           "href=\"javascript:go(1)\">第一章</a>",
           site, "", QStringList());
    addRow("advertising only", "<a href=\"http://ad.union-click.test/go?id=7\">第一章 免费领取</a>", site, "",
           QStringList());
    addRow("other sites dropped without markers", withAds, site, "", own);
    addRow("markers that cut nothing", withAds, site, "<div id=nowhere>", own);
    addRow("between markers every link counts", withAds, site, "<div id=list>",
           QStringList{own[0], own[1], "http://ad.union-click.test/go?id=7",
                       "http://img.cdn-other.test/x.html", own[2]});

    const QString bbs = "http://bbs.site.test/";
    QString board;
    for (int i = 1; i <= 3; ++i)
        board +=
            QString(
                "<tr><td><a href=\"read.php?tid=10%1\">第%1章</a></td><td><a href=\"u.php?uid=%1\">作者%1</a>"
                "</td></tr>")
                .arg(i);
    addRow("forum board by its thread links", board + "<a href=\"list.php?f=3&page=2\">下页</a>",
           bbs + "list.php?f=3", "",
           QStringList{bbs + "read.php?tid=101", bbs + "read.php?tid=102", bbs + "read.php?tid=103"});
    addRow("novel page linking two forum threads",
           "<a href=\"1.html\">第一章</a><a href=\"2.html\">第二章</a><a href=\"3.html\">第三章</a>"
           "<a href=\"http://bbs.site.test/viewthread.php?tid=8\">书友讨论</a>"
           "<a href=\"http://bbs.site.test/viewthread.php?tid=9\">作者答疑</a>",
           site, "",
           QStringList{site + "1.html", site + "2.html", site + "3.html", bbs + "viewthread.php?tid=8",
                       bbs + "viewthread.php?tid=9"});
    addRow("forum program's mark",
           "<meta name=\"generator\" content=\"dvbbs\"><a href=\"topic.asp?id=1\">第一章</a>"
           "<a href=\"member.asp?id=5\">甲</a><a href=\"topic.asp?id=2\">第二章</a><a "
           "href=\"topic.asp?id=3\">第三章</a>"
           "<a href=\"member.asp?id=6\">乙</a>",
           bbs + "board.asp?id=2", "",
           QStringList{bbs + "topic.asp?id=1", bbs + "topic.asp?id=2", bbs + "topic.asp?id=3"});
    addRow("thread page listing chapter threads",
           "<a href=\"forumdisplay.php?fid=2\">原创</a><a href=\"space.php?uid=1\">楼主</a>"
           "<a href=\"viewthread.php?tid=51\">第一章</a><a href=\"space.php?uid=2\">二楼</a>"
           "<a href=\"viewthread.php?tid=52\">第二章</a>",
           bbs + "viewthread.php?tid=50", "",
           QStringList{bbs + "viewthread.php?tid=51", bbs + "viewthread.php?tid=52"});
}

void TestChapterListReader::keptLinks() {
    auto [page, listUrl, listStart, urls] =
        fetch<QString, QString, QString, QStringList>("page", "listUrl", "listStart", "urls");
    MemoryPageSource source;
    ChapterListRequest request;
    request.page = page;
    request.listUrl = listUrl;
    request.novel.listStart = listStart;
    request.mode = ChapterListMode::Synchronisation;
    ChapterListReader reader(source, ChapterListOptions());
    const Run run = read(reader, request);
    QStringList kept;
    for (const ChapterLink& link : run.result.links)
        if (!link.isDropped())
            kept.append(link.url);
    QCOMPARE(kept, urls);
    if (urls.isEmpty()) {
        const bool noLinks = !page.contains("href");
        QCOMPARE(run.result.outcome,
                 noLinks ? ChapterListResult::Outcome::NoLinks : ChapterListResult::Outcome::NoChapters);
        QCOMPARE(run.statuses.last(), noLinks ? QString("无目录内容") : QString("该目录页没有章节"));
    }
}

void TestChapterListReader::renewalKeepsOnlyNewChapters() {
    TestLibrary library;
    const QString id = library.addNovel(QStringLiteral("星河旧梦"));
    // Stored under another letter case: still the same chapter.
    library.addChapter(id, QStringLiteral("第一章"), false, kBase.toUpper() + "/BOOK/1/1.HTML");
    library.addChapter(id, QStringLiteral("第二章"), false, kBase + "/book/1/2.html");
    // Stored addresses that begin a new one, or that a new one begins, are other chapters.
    library.addChapter(id, QStringLiteral("第八章"), false, kBase + "/book/1/read/8");
    library.addChapter(id, QStringLiteral("第九章"), false, kBase + "/book/1/read/99");

    MemoryPageSource source;
    ChapterListRequest request;
    request.page =
        QStringLiteral("<a href=1.html>第一章</a><a href=2.html>第二章</a><a href=3.html>第三章new</a>"
                       "<a href=4.html>第四章 NEW</a><a href=5.html>第五章</a>"
                       "<a href=vip/6.html>第六章</a><a href=7.html>第七章</a><a href=read/8>第八章</a>"
                       "<a href=read/80>第八十章</a><a href=read/9>第九章半</a>");
    request.listUrl = kBase + "/book/1/index.html";
    request.novel.novelId = id;
    request.needDelUrl = QStringLiteral("%1/book/1/5.html(第五章)||[[/vip/\\d+\\.html]](VIP)||").arg(kBase);
    ChapterListReader reader(source, ChapterListOptions());
    reader.setDatabase(&library.db());
    const Run run = read(reader, request);
    QCOMPARE(run.result.outcome, ChapterListResult::Outcome::Chapters);
    QCOMPARE(rows(run.result.links), (QStringList{"1\t\t第三章\t" + kBase + "/book/1/3.html",
                                                  "2\t\t第四章 \t" + kBase + "/book/1/4.html",
                                                  "3\t\t第七章\t" + kBase + "/book/1/7.html",
                                                  "4\t\t第八十章\t" + kBase + "/book/1/read/80",
                                                  "5\t\t第九章半\t" + kBase + "/book/1/read/9"}));
    QCOMPARE(run.result.links.size(), 10); // dropped links keep their places

    // Synchronisation sees every chapter the site lists, stored or excluded.
    request.mode = ChapterListMode::Synchronisation;
    QCOMPARE(keptCount(read(reader, request).result.links), 10);
}

void TestChapterListReader::manualChoice_data() {
    columns<int, bool, QStringList, QString>("button", "filterUnchosen", "kept", "needDelUrl");
    const QString two = kBase + "/b/2.html";
    addRow("take two, remember the rest", 0, true, QStringList{kBase + "/b/1.html", kBase + "/b/3.html"},
           QStringLiteral("old(旧)||%1(第二章)||").arg(two));
    addRow("take two", 0, false, QStringList{kBase + "/b/1.html", kBase + "/b/3.html"}, "old(旧)");
    addRow("cancel", 1, true, QStringList(), "old(旧)");
}

void TestChapterListReader::manualChoice() {
    auto [button, filterUnchosen, kept, needDelUrl] =
        fetch<int, bool, QStringList, QString>("button", "filterUnchosen", "kept", "needDelUrl");
    TestLibrary library;
    const QString id = library.addNovel(QStringLiteral("测试"));
    QVERIFY(NovelStore(library.db()).setNeedDelUrl(id, QStringLiteral("old(旧)")));

    MemoryPageSource source;
    ChapterListRequest request;
    request.page =
        QStringLiteral("<a href=1.html>第一章</a><a href=2.html>第二章</a><a href=3.html>第三章</a>");
    request.listUrl = kBase + "/b/";
    request.novel.novelId = id;
    request.needDelUrl = QStringLiteral("old(旧)");
    ScriptedPrompter prompter;
    Prompter::Answer answer;
    answer.button = button;
    answer.chosen = {0, 2};
    answer.applyToAll = filterUnchosen;
    // The window let the user name the volume of the first chapter.
    answer.edited = {QStringLiteral("第一章\t卷甲\t1.html"), QStringLiteral("第二章\t\t2.html"),
                     QStringLiteral("第三章\t\t3.html")};
    prompter.answers.append(answer);
    ChapterListOptions options;
    options.manualSelect = true;
    ChapterListReader reader(source, options);
    reader.setDatabase(&library.db());
    reader.setChooser(ChapterChooserPrompt::chooser(prompter));
    const Run run = read(reader, request);

    QCOMPARE(prompter.asked.size(), 1);
    QCOMPARE(prompter.asked.first().text, QStringLiteral("选择下载的章节"));
    QCOMPARE(prompter.asked.first().choices.value(1), QStringLiteral("第二章\t\t") + kBase + "/b/2.html");
    QCOMPARE(prompter.asked.first().preselected, (QList<int>{0, 1, 2}));
    QStringList urls;
    for (const ChapterLink& link : run.result.links)
        if (!link.isDropped())
            urls.append(link.url);
    QCOMPARE(urls, kept);
    if (!kept.isEmpty())
        QCOMPARE(run.result.links.first().volume, QStringLiteral("卷甲"));
    QCOMPARE(NovelStore(library.db()).needDelUrl(id), needDelUrl);
}

void TestChapterListReader::volumeNamesMode() {
    TestLibrary library;
    const QString id = library.addNovel(QStringLiteral("剑影流年"));
    const TocCase c = tocCase(QStringLiteral("qingfeng"));
    const qint64 first =
        library.addChapter(id, QStringLiteral("第一章"), false, kBase + "/book/12/345/1001.html");
    const qint64 sixth =
        library.addChapter(id, QStringLiteral("第六章"), false, kBase + "/book/12/345/1006.html");
    const qint64 other =
        library.addChapter(id, QStringLiteral("番外"), false, kBase + "/book/12/345/9999.html");
    QVERIFY(library.db().exec(QStringLiteral("UPDATE book_novelcontent SET Volume='旧卷名' WHERE id=?"),
                              {other}));

    MemoryPageSource source;
    QVERIFY(source.loadSite(TestSite::folder(c.site), kBase));
    ChapterListRequest request = requestFor(source, kBase + c.page, QStringLiteral("gb2312"));
    request.novel.novelId = id;
    request.novel.listStart = c.listStart;
    request.novel.listEnd = c.listEnd;
    request.novel.volumeStart = c.volumeStart;
    request.novel.volumeEnd = c.volumeEnd;
    request.mode = ChapterListMode::VolumeNames;
    ChapterListReader reader(source, ChapterListOptions());
    reader.setDatabase(&library.db());
    const Run run = read(reader, request);
    QCOMPARE(run.result.outcome, ChapterListResult::Outcome::VolumesRenamed);
    QCOMPARE(run.statuses.last(), QStringLiteral("分卷名已重新取得"));
    auto volume = [&](qint64 chapter) {
        return textOf(library.db().scalar(QStringLiteral("SELECT Volume FROM book_novelcontent WHERE id=?"),
                                          {chapter}));
    };
    QCOMPARE(volume(first), QStringLiteral("《剑影流年》第一卷 少年游"));
    QCOMPARE(volume(sixth), QStringLiteral("《剑影流年》第二卷 风雨江湖"));
    QCOMPARE(volume(other), QStringLiteral("旧卷名"));
}

void TestChapterListReader::novelInformation() {
    TestLibrary library;
    const QString id = library.addNovel(QStringLiteral("剑影流年"));
    QVERIFY(
        library.db().exec(QStringLiteral("UPDATE book_novel SET Brief='原有简介' WHERE NovelID=?"), {id}));
    const QString listPage = LibraryFolder(library.path()).novelListPage(id);
    QVERIFY(BookcaseStore(library.db())
                .registerEntry(QStringLiteral("剑影流年"), QString(), QString(), listPage));

    SiteSign sign;
    sign[SiteSign::Name] = QStringLiteral("清风书屋");
    sign[SiteSign::Url] = kBase; // without the trailing "/"
    sign[SiteSign::BriefUrlStart] = QStringLiteral("<p class=\"intro\">");
    sign[SiteSign::BriefUrlEnd] = QStringLiteral("</p>");
    sign[SiteSign::AuthorStart] = QStringLiteral("作者：");
    sign[SiteSign::AuthorEnd] = QStringLiteral("</td>");
    sign[SiteSign::BriefStart] = QStringLiteral("#"); // "#" means not set: the old brief stays
    sign[SiteSign::BriefEnd] = QStringLiteral("</div>");
    sign[SiteSign::BookImgUrlStart] = QStringLiteral("<td rowspan=\"3\">");
    sign[SiteSign::BookImgUrlEnd] = QStringLiteral("</td>");
    SiteSignTable signs;
    signs.setSigns({sign});

    MemoryPageSource source;
    QVERIFY(source.loadSite(TestSite::folder(QStringLiteral("qingfeng")), kBase));
    ChapterListRequest request =
        requestFor(source, kBase + "/book/12/345/index.html", QStringLiteral("gb2312"));
    request.novel.novelId = id;
    request.mode = ChapterListMode::NovelInformation;
    ChapterListOptions options;
    options.judgePicExt = true;
    ChapterListReader reader(source, options);
    reader.setDatabase(&library.db());
    reader.setSiteSigns(&signs);
    reader.setLibraryFolder(library.path());
    const Run run = read(reader, request);

    QCOMPARE(run.result.outcome, ChapterListResult::Outcome::InformationRead);
    QCOMPARE(run.statuses.last(), QStringLiteral("作者等信息已取得"));
    QVERIFY(run.result.links.isEmpty());
    const std::optional<NovelRecord> novel = NovelStore(library.db()).loadNovel(id);
    QCOMPARE(novel->author, QStringLiteral("林间月"));
    QCOMPARE(novel->brief, QStringLiteral("原有简介"));
    QCOMPARE(novel->bookImg, QStringLiteral("cover.gif")); // the picture is a GIF whatever it is called
    QFile cover(LibraryFolder(library.path()).novelDir(id) + "/cover.gif");
    QVERIFY(cover.open(QIODevice::ReadOnly));
    QVERIFY(cover.readAll().startsWith("GIF89a"));
    QCOMPARE(
        textOf(library.db().scalar(QStringLiteral("SELECT ZZ FROM pri_mynovel WHERE WJLJ=?"), {listPage})),
        QStringLiteral("林间月"));
    QCOMPARE(source.requested.mid(1),
             (QStringList{kBase + "/info/345.html", kBase + "/files/cover/345s.gif"}));

    // The brief with its markers set: paragraphs without the page's indents and blank lines.
    signs.signs()[0][SiteSign::BriefStart] = QStringLiteral("<div class=\"brief\">");
    request.readInformation = true;
    request.mode = ChapterListMode::Renewal;
    const Run renewal = read(reader, request);
    QCOMPARE(renewal.result.outcome, ChapterListResult::Outcome::Chapters); // and the list goes on
    QCOMPARE(renewal.result.information->brief,
             QStringLiteral("　　内容简介：<br>\r\n　　少年陆青锋自山村而出，一柄断剑，半卷残谱。<br>\r\n"
                            "　　江湖路远，且歌且行。<br>"));

    // A site without a sign: nothing found, nothing changed.
    signs.setSigns({});
    const Run none = read(reader, request);
    QVERIFY(none.statuses.contains(QStringLiteral("无相关信息")));
    QCOMPARE(NovelStore(library.db()).loadNovel(id)->author, QStringLiteral("林间月"));
}

void TestChapterListReader::feedNamesANewNovel() {
    TestLibrary library;
    const QString id = library.addNovel(QStringLiteral("新小说3"));
    const QString named = library.addNovel(QStringLiteral("我的书"));
    MemoryPageSource source;
    QVERIFY(source.loadSite(TestSite::folder(QStringLiteral("moyun")), kBase));
    for (const QString& novelId : {id, named}) {
        ChapterListRequest request = requestFor(source, kBase + "/rss/5521.xml", QStringLiteral("gb2312"));
        request.novel = *NovelStore(library.db()).loadNovel(novelId);
        ChapterListReader reader(source, ChapterListOptions());
        reader.setDatabase(&library.db());
        const Run run = read(reader, request);
        QVERIFY(run.result.isFeed);
        QCOMPARE(run.result.feed.items.size(), 4);
        QCOMPARE(run.result.feed.items.at(0).date, QStringLiteral("2009-03-07 20:15:00"));
        QCOMPARE(run.result.feed.items.at(1).description, QStringLiteral("渡口只剩一盏灯 & 一条船。"));
    }
    QCOMPARE(NovelStore(library.db()).novelName(id), QStringLiteral("雾隐山河"));
    QCOMPARE(NovelStore(library.db()).novelName(named), QStringLiteral("我的书"));
}

void TestChapterListReader::scriptFetchCutShort_data() {
    columns<bool, ChapterListResult::Outcome, QStringList>("stop", "outcome", "scripts");
    addRow("stopped: nothing after the stop", true, ChapterListResult::Outcome::Stopped,
           QStringList{kBase + "/chapterlist/3127.js"});
    // The advertising script was tried next and wrote no list; the page's own links remain.
    addRow("failed: the page is kept", false, ChapterListResult::Outcome::NoChapters,
           QStringList{kBase + "/chapterlist/3127.js", kBase + "/js/ads/top.js"});
}

void TestChapterListReader::scriptFetchCutShort() {
    const auto [stop, outcome, scripts] =
        fetch<bool, ChapterListResult::Outcome, QStringList>("stop", "outcome", "scripts");
    const TocCase c = tocCase(QStringLiteral("zhulin"));
    MemoryPageSource source;
    QVERIFY(source.loadSite(TestSite::folder(c.site), kBase));
    ChapterListRequest request = requestFor(source, kBase + c.page, QStringLiteral("gb2312"));
    bool stopped = false;
    if (stop)
        source.duringFetch = [&stopped] { stopped = true; };
    else
        source.addFailure(kBase + "/chapterlist/3127.js");
    ChapterListOptions options;
    options.scriptListSites = c.settings.value("ScriptListSites");
    ChapterListReader reader(source, options);
    reader.setStopCheck([&stopped] { return stopped; });
    const Run run = read(reader, request);
    QCOMPARE(run.result.outcome, outcome);
    QCOMPARE(source.requested.mid(1), scripts);
    if (stop)
        QVERIFY(run.result.links.isEmpty());
}

QTEST_GUILESS_MAIN(TestChapterListReader)
#include "tst_chapterlistreader.moc"
