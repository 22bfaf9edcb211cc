// quiveral-cli toc against the fixture sites served on loopback, through the real fetcher: the exact
// chapter lists, the markers of a site sign or a novel, a page that hangs, and what is never changed.
#include "localsite/localsite.h"
#include "sites/sitesign.h"
#include "storage/novelstore.h"
#include "storage/textfile.h"
#include "support/process.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "support/testsite.h"
#include "support/toccases.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString baseOf(const TestSite& site) {
    QString base = site.baseUrl();
    if (base.endsWith(u'/'))
        base.chop(1);
    return base;
}

} // namespace

class TestCliToc : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fixtureSites_data();
    void fixtureSites();
    void json();
    void markersFromTheSiteSign();
    void markersOfANovel();
    void hangingPageEndsWithTheTimeOut();
    void failures_data();
    void failures();
};

// Markers given as options and a site setting of book.ini reach the reader; the lists of every fixture
// site are tst_chapterlistreader's.
void TestCliToc::fixtureSites_data() {
    QTest::addColumn<TocCase>("tocCase");
    for (const char* site : {"qingfeng", "zhulin"})
        addRow(site, tocCase(QString::fromLatin1(site)));
}

void TestCliToc::fixtureSites() {
    QFETCH(TocCase, tocCase);
    TestSite site(tocCase.site);
    QVERIFY(site.start());
    QTemporaryDir dir;
    const QString library = dir.filePath(QStringLiteral("lib"));
    for (auto it = tocCase.settings.cbegin(); it != tocCase.settings.cend(); ++it)
        QCOMPARE(runCli({"--library", library, "settings", "set", "Main", it.key(), it.value()}).exitCode, 0);

    QStringList args = {"--library", library, "toc", baseOf(site) + tocCase.page};
    const QList<std::pair<const char*, QString>> markers = {{"--list-start", tocCase.listStart},
                                                            {"--list-end", tocCase.listEnd},
                                                            {"--volume-start", tocCase.volumeStart},
                                                            {"--volume-end", tocCase.volumeEnd}};
    for (const auto& [option, value] : markers)
        if (!value.isEmpty())
            args << QString::fromLatin1(option) << value;
    const ProcessResult r = runCli(args);
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QCOMPARE(r.out.split(u'\n', Qt::SkipEmptyParts), tocCase.expectedLines(baseOf(site)));
}

void TestCliToc::json() {
    TestSite site(QStringLiteral("shuxiangge"));
    QVERIFY(site.start());
    QTemporaryDir dir;
    const ProcessResult r =
        runCli({"--library", dir.path(), "--json", "toc", baseOf(site) + "/html/8/8812/index.htm"});
    QCOMPARE(r.exitCode, 0);
    const QJsonArray rows = QJsonDocument::fromJson(r.out.toUtf8()).array();
    QCOMPARE(rows.size(), 5);
    const QJsonObject last = rows.last().toObject();
    QCOMPARE(last["position"].toInt(), 5);
    QCOMPARE(last["volume"].toString(), QStringLiteral("第二部 入京"));
    QCOMPARE(last["title"].toString(), QStringLiteral("第五回 醉卧沙场"));
    QCOMPARE(last["url"].toString(), baseOf(site) + "/html/8/8812/3305.htm");
    // Looking at a page does not make a library.
    QVERIFY(QDir(dir.path()).isEmpty());
}

void TestCliToc::markersFromTheSiteSign() {
    TestSite site(QStringLiteral("qingfeng"));
    QVERIFY(site.start());
    QTemporaryDir dir;
    const QString url = baseOf(site) + "/book/12/345/index.html";
    QCOMPARE(runCli({"--library", dir.path(), "toc", url, "--sign-from-site"}).exitCode, 1);

    const TocCase c = tocCase(QStringLiteral("qingfeng"));
    SiteSign sign;
    sign[SiteSign::Name] = QStringLiteral("清风书屋");
    sign[SiteSign::Url] = baseOf(site);
    sign[SiteSign::ListStart] = c.listStart;
    sign[SiteSign::ListEnd] = c.listEnd;
    sign[SiteSign::VolumeStart] = c.volumeStart;
    sign[SiteSign::VolumeEnd] = c.volumeEnd;
    QVERIFY(writeTextFile(dir.filePath("sitesign.xml"), siteSignsText({sign})));
    const ProcessResult r = runCli({"--library", dir.path(), "toc", url, "--sign-from-site"});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QCOMPARE(r.out.split(u'\n', Qt::SkipEmptyParts), c.expectedLines(baseOf(site)));
}

void TestCliToc::markersOfANovel() {
    TestSite site(QStringLiteral("yunqi"));
    QVERIFY(site.start());
    TestLibrary library;
    NovelRecord novel;
    novel.novelId = NovelStore(library.db()).nextNovelId();
    novel.novelName = QStringLiteral("星河旧梦");
    novel.listUrl = baseOf(site) + "/novel/2718/index.html";
    novel.listStart = QStringLiteral("<h2>正文</h2>");
    novel.listEnd = QStringLiteral("第五章");
    QVERIFY(NovelStore(library.db()).insertNovel(novel));
    // Stored chapters and excluded links do not matter here: the site's whole list is shown.
    library.addChapter(novel.novelId, QStringLiteral("第一章"), false,
                       baseOf(site) + "/novel/2718/20001.html");
    QVERIFY(NovelStore(library.db())
                .setNeedDelUrl(novel.novelId, baseOf(site) + "/novel/2718/20002.html(第二章)||"));

    const ProcessResult r =
        runCli({"--library", library.path(), "toc", novel.listUrl, "--novel", novel.novelId});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QCOMPARE(r.out.split(u'\n', Qt::SkipEmptyParts),
             (QStringList{"1\t\t第一章 灯塔\t" + baseOf(site) + "/novel/2718/20001.html",
                          "2\t\t第二章 旧港\t" + baseOf(site) + "/novel/2718/20002.html",
                          "3\t\t第三章 失重\t" + baseOf(site) + "/novel/2718/20003.html",
                          "4\t\t第四章 星图 & 罗盘\t" + baseOf(site) + "/novel/2718/20004.html"}));
    QCOMPARE(library.errors(), QStringList());
    QCOMPARE(runCli({"--library", library.path(), "toc", novel.listUrl, "--novel", "999999"}).exitCode, 1);
}

void TestCliToc::hangingPageEndsWithTheTimeOut() {
    TestSite site(QStringLiteral("qingfeng"));
    QVERIFY(site.start());
    QTemporaryDir dir;
    QCOMPARE(runCli({"--library", dir.path(), "settings", "set", "Main", "NovelConnTimeOut", "1"}).exitCode,
             0);
    const ProcessResult r = runCli({"--library", dir.path(), "toc", baseOf(site) + "/book/12/345/hang.html"});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.err.trimmed(), QStringLiteral("无法取得目录页：连接超时（1 秒）"));
    QCOMPARE(site.site()->requestCount(QStringLiteral("/book/12/345/hang.html")), 1); // no second wait
    QVERIFY(r.out.isEmpty());
}

void TestCliToc::failures_data() {
    columns<QStringList, int, QString>("args", "exitCode", "message");
    addRow("no address", QStringList{}, 2, "用法");
    addRow("two marker sources", QStringList{"{base}/a.html", "--novel", "000001", "--sign-from-site"}, 2,
           "用法");
    addRow("marker without value", QStringList{"{base}/a.html", "--list-start"}, 2, "用法");
    addRow("not a web address", QStringList{"book/1.html"}, 1, "无效的目录页网址");
    addRow("missing page", QStringList{"{base}/missing.html"}, 1, "无法取得目录页：服务器返回 HTTP 404");
    addRow("page without links", QStringList{"{base}/info/345.html", "--list-start", "<div class=\"brief\">"},
           1, "无目录内容");
    addRow("nothing but navigation",
           QStringList{"{base}/book/12/345/index.html", "--list-start", "<div class=\"nav\">", "--list-end",
                       "</ul>"},
           1, "该目录页没有章节");
}

void TestCliToc::failures() {
    auto [args, exitCode, message] = fetch<QStringList, int, QString>("args", "exitCode", "message");
    TestSite site(QStringLiteral("qingfeng"));
    QVERIFY(site.start());
    QTemporaryDir dir;
    args.replaceInStrings(QStringLiteral("{base}"), baseOf(site));
    const ProcessResult r = runCli(QStringList{"--library", dir.path(), "toc"} + args);
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QVERIFY(r.out.isEmpty());
}

QTEST_GUILESS_MAIN(TestCliToc)
#include "tst_cli_toc.moc"
