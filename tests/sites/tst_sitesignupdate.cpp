// The site-sign update from the maker's server, against the loopback site: the address, the merge,
// the temporary file, the failure messages, and the job on a worker thread asking through a prompter.
#include "fetch/pagefetcher.h"
#include "localsite/localsite.h"
#include "sites/sitesignupdate.h"
#include "sites/sitesignupdatejob.h"
#include "storage/prompter.h"
#include "support/rows.h"
#include "support/testsite.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

namespace {

// The table before the update: one record of the server's first site, with other markers.
SiteSignTable existingTable() {
    SiteSign sign;
    sign[SiteSign::Name] = QStringLiteral("更新小说站");
    sign[SiteSign::Url] = QStringLiteral("http://update.example/");
    sign[SiteSign::ListStart] = QStringLiteral("<ul>");
    SiteSignTable table;
    table.setSigns({sign});
    return table;
}

QStringList tempFiles(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("tmp*.xml")}, QDir::Files);
}

} // namespace

class TestSiteSignUpdate : public QObject {
    Q_OBJECT

public:
    TestSiteSignUpdate()
        : m_site(QStringLiteral("fetch")) {}

private Q_SLOTS:
    void initTestCase() { QVERIFY2(m_site.start(), qPrintable(m_site.errorString())); }
    void init() {
        m_site.site()->clearRules();
        m_site.site()->resetStatistics();
    }
    void update_data();
    void update();
    void jobAsksThroughPrompter_data();
    void jobAsksThroughPrompter();

private:
    QString url(const QString& path) const { return m_site.url(path); }
    TestSite m_site;
};

void TestSiteSignUpdate::update_data() {
    // endpointPath: "" for no endpoint at all
    columns<QString, bool, QString, QStringList, int, int>("endpointPath", "ok", "message", "statuses",
                                                           "added", "overwritten");

    const QStringList downloaded = {QStringLiteral("在线信息下载完毕")};
    addRow("merged", "/update/", true, "", downloaded, 1, 1);
    addRow("merged from a utf-8 file", "/update-utf8/", true, "", downloaded, 1, 1);
    addRow("server without the file", "/gone/", false, "更新失败，请查看网络连接", QStringList(), 0, 0);
    addRow("not a sign file", "/update-bad/", false, "文件为空或文件格式不对", downloaded, 0, 0);
    addRow("no endpoint set", "", false, "SiteSignUpdateUrl", QStringList(), 0, 0);
}

void TestSiteSignUpdate::update() {
    const auto [endpointPath, ok, message, statuses, added, overwritten] =
        fetch<QString, bool, QString, QStringList, int, int>("endpointPath", "ok", "message", "statuses",
                                                             "added", "overwritten");
    QVERIFY(m_site.site()->setRules(QStringLiteral("[/gone/*]\nstatus: 404")));
    QTemporaryDir library;
    FetchOptions options;
    options.retryDelayMs = 20;
    PageFetcher fetcher(options);
    SiteSignTable table = existingTable();
    QStringList said;
    QStringList tempWhileMerging;
    const SiteSignUpdate::Result result = SiteSignUpdate::updateFromServer(
        fetcher, table, endpointPath.isEmpty() ? QString() : url(endpointPath), library.path(),
        [&](const SiteSign&, const SiteSign&) {
            tempWhileMerging = tempFiles(library.path());
            return SiteSignTable::Decision{true, false};
        },
        [&](const QString& text) { said << text; });

    QCOMPARE(result.ok, ok);
    QVERIFY2(result.message.contains(message), qPrintable(result.message));
    QCOMPARE(said, statuses);
    QCOMPARE(result.merge.added, added);
    QCOMPARE(result.merge.overwritten, overwritten);
    QVERIFY2(tempFiles(library.path()).isEmpty(), "the temporary file is removed in every case");
    if (ok) {
        QCOMPARE(tempWhileMerging.size(), 1);
        QVERIFY(QRegularExpression(QStringLiteral("^tmp\\d{14}\\.xml$"))
                    .match(tempWhileMerging.first())
                    .hasMatch());
        // GBK or declared UTF-8: the names come through whole.
        QCOMPARE(table.signs().size(), 2);
        QCOMPARE(table.signs().at(0)[SiteSign::ListStart], QStringLiteral("<div id=\"list\">"));
        QCOMPARE(table.signs().at(0)[SiteSign::NeedDelStr], QStringLiteral("本站首发"));
        QCOMPARE(table.signs().at(1)[SiteSign::Name], QStringLiteral("第二小说站"));
        QCOMPARE(table.signs().at(1)[SiteSign::Url], QStringLiteral("http://second.example/"));
    } else {
        QCOMPARE(table.signs().size(), 1);
        QCOMPARE(table.signs().at(0)[SiteSign::ListStart], QStringLiteral("<ul>"));
    }

    if (endpointPath.isEmpty()) {
        QCOMPARE(m_site.site()->totalRequests(), 0);
        return;
    }
    // A number from 0 to 100 keeps caches from answering.
    const LocalSiteRequest request = m_site.site()->lastRequest();
    QVERIFY(request.path.endsWith(QLatin1String("/sitesign.xml")));
    bool isNumber = false;
    const int random = QUrlQuery(request.query).queryItemValue(QStringLiteral("temp7afd")).toInt(&isNumber);
    QVERIFY2(isNumber && random >= 0 && random <= 100, qPrintable(request.query));
}

void TestSiteSignUpdate::jobAsksThroughPrompter_data() {
    // button: 0 覆盖, 1 取消
    columns<int, QString>("button", "listStart");
    addRow("overwrite", 0, "<div id=\"list\">");
    addRow("keep", 1, "<ul>");
}

void TestSiteSignUpdate::jobAsksThroughPrompter() {
    const auto [button, listStart] = fetch<int, QString>("button", "listStart");
    QTemporaryDir library;
    ScriptedPrompter prompter;
    prompter.answers.append(Prompter::Answer{button, {}, false, {}});
    SiteSignUpdateJob job(existingTable(), url(QStringLiteral("/update/")), library.path(), FetchOptions());
    job.setPrompter(&prompter);
    job.start();
    QVERIFY(job.wait(60000));

    QVERIFY(job.result().ok);
    QCOMPARE(job.table().signs().size(), 2);
    QCOMPARE(job.table().signs().at(0)[SiteSign::ListStart], listStart);
    QCOMPARE(prompter.asked.size(), 1);
    const Prompter::Question& question = prompter.asked.first();
    QCOMPARE(question.buttons, (QStringList{QStringLiteral("覆盖"), QStringLiteral("取消")}));
    QCOMPARE(question.applyToAllText, QStringLiteral("全部照此处理"));
    const QStringList sides = question.text.split(QStringLiteral("^^^^"));
    QCOMPARE(sides.size(), 2);
    QCOMPARE(sides.at(0).split(QStringLiteral("\r\n")).value(SiteSign::ListStart), QStringLiteral("<ul>"));
    QCOMPARE(sides.at(1).split(QStringLiteral("\r\n")).value(SiteSign::ListStart),
             QStringLiteral("<div id=\"list\">"));
    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.messages.first().second, QStringLiteral("在线信息下载完毕"));
    QVERIFY(tempFiles(library.path()).isEmpty());

    // Without a server the job says so as a warning and leaves the table alone.
    ScriptedPrompter quiet;
    SiteSignUpdateJob failing(existingTable(), url(QStringLiteral("/none/")), library.path(), FetchOptions());
    failing.setPrompter(&quiet);
    failing.start();
    QVERIFY(failing.wait(60000));
    QVERIFY(!failing.result().ok);
    QCOMPARE(quiet.messages.size(), 1);
    QCOMPARE(quiet.messages.first().first, Prompter::Icon::Warning);
    QCOMPARE(quiet.messages.first().second, QStringLiteral("更新失败，请查看网络连接"));
    QCOMPARE(failing.table().signs().size(), 1);
}

QTEST_GUILESS_MAIN(TestSiteSignUpdate)
#include "tst_sitesignupdate.moc"
