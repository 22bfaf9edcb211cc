// quiveral-cli search against an invented novel site on loopback: the ticked sites or all of them,
// by name or by author, and the messages of a search that finds nothing.
#include "library/demolibrary.h"
#include "localsite/localsite.h"
#include "sites/searchsites.h"
#include "storage/textfile.h"
#include "support/process.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "support/testsite.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

namespace {

NovelSite soushu(const TestSite& server, const QString& name) {
    NovelSite s;
    s[NovelSite::Name] = name;
    s[NovelSite::Url] = server.baseUrl();
    s[NovelSite::SearchUrl] = server.url("/modules/article/search.php?searchkey=[[Name]]");
    s[NovelSite::AuthorSearchUrl] = server.url("/modules/article/search.php?searchkey=没有[[Name]]");
    s[NovelSite::NameCode] = "utf-8";
    s[NovelSite::ResultStart] = "<table class=\"grid\">";
    s[NovelSite::ResultEnd] = "</table>";
    s[NovelSite::TitleStart] = "<td class=\"odd\"><a href=";
    s[NovelSite::LatestStart] = "<td class=\"even\">";
    s[NovelSite::LatestEnd] = "</td>";
    return s;
}

} // namespace

class TestCliSearch : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void search_data();
    void search();
    void json();
    void demoSite_data();
    void demoSite();

private:
    ProcessResult run(const QStringList& args, const QString& downSiteStr);

    TestSite m_site{QStringLiteral("soushu")};
    QTemporaryDir m_dir;
    QString m_library;
    QProcessEnvironment m_env = QProcessEnvironment::systemEnvironment();
};

void TestCliSearch::initTestCase() {
    QVERIFY(m_site.start());
    // A shipped table of its own, so that no built-in site outside the test is asked.
    const QString data = m_dir.filePath("data");
    QVERIFY(QDir().mkpath(data + "/model"));
    NovelSite builtIn = soushu(m_site, "内置站");
    builtIn[NovelSite::SearchUrl] = m_site.url("/one/search.php?key=[[Name]]");
    builtIn[NovelSite::OneResultMark] = "<h1 class=\"booktitle\">";
    builtIn[NovelSite::OneLinkStart] = "简介</a> <a href=";
    builtIn[NovelSite::OneLinkEnd] = ">章节目录";
    builtIn[NovelSite::OneTitleStart] = "<h1 class=\"booktitle\">";
    builtIn[NovelSite::OneTitleEnd] = "</h1>";
    QString record = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<MESSAGE><Site>";
    for (int i = 0; i < NovelSite::kFieldCount; ++i)
        record += QString("<f%1>%2</f%1>").arg(i).arg(builtIn.fields[i].toHtmlEscaped());
    QVERIFY(
        writeTextFile(data + "/" + SearchSites::builtInFileName(), record + "</Site></MESSAGE>\n", "UTF-8"));
    m_env.insert("QUIVERAL_DATA_DIR", data);

    m_library = m_dir.filePath("lib");
    QVERIFY(QDir().mkpath(m_library));
    QVERIFY(saveUserSites(m_library + "/book.dat", {soushu(m_site, "搜书网")}));
}

ProcessResult TestCliSearch::run(const QStringList& args, const QString& downSiteStr) {
    runProgram(QStringLiteral(QUIVERAL_CLI_PATH),
               {"--library", m_library, "settings", "set", "Main", "DownSiteStr", downSiteStr}, m_env);
    return runProgram(QStringLiteral(QUIVERAL_CLI_PATH), QStringList{"--library", m_library} + args, m_env);
}

void TestCliSearch::search_data() {
    // asked: whether the site got a request
    columns<QStringList, QString, int, QStringList, QString, bool>("args", "downSiteStr", "exitCode", "lines",
                                                                   "err", "asked");
    const QString base = "{base}";
    const QStringList fromUserSite = {"演示小说-搜书网\t{base}book/101.html\t第九章 归来",
                                      "演示外传-搜书网\thttp://other.test/book/202.html\t第二章 & 后记",
                                      "演示特辑-搜书网\t{base}special/77.htm\t序"};
    addRow("ticked user site", QStringList{"search", "演示"}, "2,", 0, fromUserSite, "", true);
    addRow("all sites", QStringList{"search", "演示", "--all-sites"}, "9,", 0,
           QStringList{"演示小说-内置站\t{base}book/101/index.html\t"} + fromUserSite, "", true);
    addRow("none ticked", QStringList{"search", "演示"}, "9,", 1, QStringList{},
           "请先在小说网站设置中选择或新增网站", false);
    addRow("author finds nothing", QStringList{"search", "林晚", "--author"}, "2,", 0, QStringList{},
           "搜索不到该作者的小说", true);
    addRow("empty name", QStringList{"search", "“”"}, "2,", 2, QStringList{}, "名称不能为空", false);
    addRow("bad option", QStringList{"search", "演示", "--every"}, "2,", 2, QStringList{},
           "用法: quiveral-cli search NAME [--author] [--all-sites]", false);
}

void TestCliSearch::search() {
    const auto [args, downSiteStr, exitCode, lines, err, asked] =
        fetch<QStringList, QString, int, QStringList, QString, bool>("args", "downSiteStr", "exitCode",
                                                                     "lines", "err", "asked");
    m_site.site()->resetStatistics();
    const ProcessResult r = run(args, downSiteStr);
    QCOMPARE(m_site.site()->totalRequests() > 0, asked);
    QVERIFY2(r.exitCode == exitCode, qPrintable(r.err));
    QStringList expected;
    for (const QString& line : lines)
        expected << QString(line).replace("{base}", m_site.baseUrl());
    QCOMPARE(r.out.split('\n', Qt::SkipEmptyParts), expected);
    QCOMPARE(r.err.trimmed(), err);
}

void TestCliSearch::json() {
    const ProcessResult r = run({"--json", "search", "演示"}, "2,");
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    const QJsonArray rows = QJsonDocument::fromJson(r.out.toUtf8()).array();
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[1].toObject().value("title").toString(), QString("演示外传-搜书网"));
    QCOMPARE(rows[1].toObject().value("url").toString(), QString("http://other.test/book/202.html"));
    QCOMPARE(rows[1].toObject().value("latest").toString(), QString("第二章 & 后记"));
}

void TestCliSearch::demoSite_data() {
    columns<bool, QStringList, int, QStringList, QString>("demoLibrary", "args", "exitCode", "lines", "err");
    const QString found = "演示小说-演示小说站\t{base}book/index.html\t第三十章 归途";
    addRow("by name", true, QStringList{"search", "演示"}, 0, QStringList{found}, "");
    addRow("unknown", true, QStringList{"search", "不存在的书"}, 0, QStringList{}, "搜索不到该小说");
    // A library of one's own has no site to search until one is added: the demo site is not asked.
    addRow("fresh library", false, QStringList{"search", "演示"}, 1, QStringList{},
           "请先在小说网站设置中选择或新增网站");
    addRow("fresh library, all sites", false, QStringList{"search", "演示", "--all-sites"}, 1, QStringList{},
           "请先在小说网站设置中选择或新增网站");
}

// The shipped search table, the demo library and the demo site together, offline: the road from a
// name to the demo novel's contents page.
void TestCliSearch::demoSite() {
    const auto [demoLibrary, args, exitCode, lines, err] =
        fetch<bool, QStringList, int, QStringList, QString>("demoLibrary", "args", "exitCode", "lines",
                                                            "err");
    // A kept demo library started before on another port: its search site moves with the novel.
    TestSite before(DemoLibrary::siteFolder());
    TestSite demo(DemoLibrary::siteFolder());
    QVERIFY(before.start() && demo.start());
    TestLibrary library;
    if (demoLibrary) {
        QCOMPARE(DemoLibrary::prepare(library.context(), before.baseUrl()), QString());
        QCOMPARE(DemoLibrary::prepare(library.context(), demo.baseUrl()), QString());
    }
    before.site()->resetStatistics();
    demo.site()->resetStatistics();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QUIVERAL_DATA_DIR", QUIVERAL_SOURCE_DATA_DIR);
    const ProcessResult r =
        runProgram(QStringLiteral(QUIVERAL_CLI_PATH), QStringList{"--library", library.path()} + args, env);
    QVERIFY2(r.exitCode == exitCode, qPrintable(r.err));
    QStringList expected;
    for (const QString& line : lines)
        expected << QString(line).replace("{base}", demo.baseUrl());
    QCOMPARE(r.out.split('\n', Qt::SkipEmptyParts), expected);
    QCOMPARE(r.err.trimmed(), err);
    QCOMPARE(before.site()->totalRequests(), 0);
    QCOMPARE(demo.site()->totalRequests() > 0, demoLibrary);
}

QTEST_GUILESS_MAIN(TestCliSearch)
#include "tst_cli_search.moc"
