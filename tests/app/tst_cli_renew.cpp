// add, renew and the listings on the command line against the demo site, as a new user tries them;
// a renewal killed or interrupted half-way leaves a library the next renewal completes.
#include "localsite/localsite.h"
#include "support/process.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "support/testsite.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

const QString kDemoSite = QStringLiteral(QUIVERAL_TEST_DATA_DIR "/../../data/demo-site");
const int kDemoChapters = 30;

// The shipped sign names the demo site's usual port; the test site listens where it can.
bool pointSignAt(const QString& library, const QString& baseUrl) {
    QFile file(library + QStringLiteral("/sitesign.xml"));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QByteArray xml = file.readAll();
    file.close();
    const QByteArray host = QUrl(baseUrl).authority().toLatin1();
    if (!xml.contains("127.0.0.1:18808"))
        return false;
    xml.replace("127.0.0.1:18808", host);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(xml) == xml.size();
}

QJsonArray jsonRows(const ProcessResult& r) {
    return QJsonDocument::fromJson(r.out.toUtf8()).array();
}

} // namespace

class TestCliRenew : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void acceptanceRoad();
    void interruptedRunCompletedNextTime_data();
    void interruptedRunCompletedNextTime();
    void unreachableSiteEndsNormally();
};

void TestCliRenew::acceptanceRoad() {
    QProcess serve;
    serve.start(QStringLiteral(QUIVERAL_CLI_PATH), {"serve", kDemoSite, "--quiet"});
    QVERIFY(serve.waitForStarted(10000));
    QTRY_VERIFY_WITH_TIMEOUT(serve.canReadLine(), 20000);
    const QString base = QString::fromUtf8(serve.readLine()).trimmed();
    QVERIFY2(base.startsWith(QLatin1String("http://127.0.0.1:")), qPrintable(base));

    QTemporaryDir dir;
    const QStringList lib = {"--library", dir.path()};
    QCOMPARE(runCli(lib + QStringList{"init"}).exitCode, 0);
    QVERIFY(pointSignAt(dir.path(), base));

    ProcessResult r =
        runCli(lib + QStringList{"add", "--url", base + "book/index.html", "--name", "演示小说"});
    QCOMPARE(r.exitCode, 0);
    const QString novelId = r.out.trimmed();
    QCOMPARE(novelId, QStringLiteral("000001"));

    r = runCli(lib + QStringList{"renew", "--all"});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QVERIFY(r.err.contains(QStringLiteral("<<演示小说>>更新完毕")));
    QVERIFY(r.err.contains(QStringLiteral("共有%1个新章节").arg(kDemoChapters)));

    r = runCli(lib + QStringList{"--json", "chapters", novelId});
    QCOMPARE(r.exitCode, 0);
    QJsonArray chapters = jsonRows(r);
    QCOMPARE(chapters.size(), kDemoChapters);
    QSet<QString> volumes;
    int previousOrder = -1;
    for (const QJsonValue& v : chapters) {
        const QJsonObject c = v.toObject();
        QVERIFY2(c["wordNums"].toInt() > 0, qPrintable(c["title"].toString()));
        QVERIFY(c["order"].toInt() > previousOrder);
        previousOrder = c["order"].toInt();
        volumes.insert(c["volume"].toString());
        QVERIFY(
            QFile::exists(dir.filePath("chm/" + novelId + "/" + QString::number(c["id"].toInt()) + ".htm")));
    }
    QCOMPARE(volumes, (QSet<QString>{QStringLiteral("第一卷 青石镇"), QStringLiteral("第二卷 云中城")}));

    const QDir folder(dir.filePath("chm/" + novelId));
    QVERIFY(folder.exists(QStringLiteral("List.htm")));
    const QStringList pictures = folder.entryList({novelId + "_*"}, QDir::Files);
    QCOMPARE(pictures.size(), 3); // the picture chapter and the two pictures of the twelfth
    QVERIFY2(pictures.filter(QRegularExpression("_0\\.jpg$")).size() == 1, qPrintable(pictures.join(u' ')));

    r = runCli(lib + QStringList{"--json", "novels"});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(jsonRows(r).size(), 1);
    QCOMPARE(jsonRows(r).at(0).toObject()["chapters"].toInt(), kDemoChapters);

    // The twentieth chapter came as a stub: marked, and its text taken at the next renewal.
    const auto twentieth = [](const QJsonArray& rows) {
        for (const QJsonValue& v : rows)
            if (v.toObject()["title"].toString() == QStringLiteral("第二十章 旧友"))
                return v.toObject();
        return QJsonObject();
    };
    QVERIFY(twentieth(chapters)["placeholder"].toBool());
    r = runCli(lib + QStringList{"renew", "--all"});
    QVERIFY2(r.err.contains(QStringLiteral("共有1个新章节")), qPrintable(r.err));
    chapters = jsonRows(runCli(lib + QStringList{"--json", "chapters", novelId}));
    QVERIFY(!twentieth(chapters)["placeholder"].toBool());
    QVERIFY(twentieth(chapters)["wordNums"].toInt() > 300);

    r = runCli(lib + QStringList{"renew", "--all"});
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.err.contains(QStringLiteral("<<演示小说>>尚无更新的章节")), qPrintable(r.err));
    QVERIFY(r.err.contains(QStringLiteral("没有新章节")));
    QCOMPARE(jsonRows(runCli(lib + QStringList{"--json", "chapters", novelId})), chapters);

    // Its e-book imported back is a second novel with the same chapters and pictures, which renewal
    // passes over: it has no contents page.
    r = runCli(lib + QStringList{"export", novelId, "--format", "chm", "--out", dir.filePath("演示小说.chm")});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    r = runCli(lib + QStringList{"--json", "import", "chm", dir.filePath("演示小说.chm")});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    const QJsonObject imported = QJsonDocument::fromJson(r.out.toUtf8()).object();
    QCOMPARE(imported["name"].toString(), QStringLiteral("演示小说（2）"));
    const QString importedId = imported["novelId"].toString();
    const QJsonArray back = jsonRows(runCli(lib + QStringList{"--json", "chapters", importedId}));
    QCOMPARE(back.size(), chapters.size());
    for (qsizetype i = 0; i < back.size(); ++i)
        for (const char* key : {"title", "volume"})
            QCOMPARE(back.at(i).toObject()[key], chapters.at(i).toObject()[key]);
    QCOMPARE(QDir(dir.filePath("chm/" + importedId)).entryList({importedId + "_*"}, QDir::Files).size(), 3);
    r = runCli(lib + QStringList{"renew", "--all"});
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(!r.err.contains(QStringLiteral("演示小说（2）")), qPrintable(r.err));

    serve.terminate();
    QVERIFY(serve.waitForFinished(10000));
    QCOMPARE(serve.exitCode(), 0);
}

void TestCliRenew::interruptedRunCompletedNextTime_data() {
    columns<int, QString>("signal", "multGetNums");
    addRow("killed, one at a time", int(SIGKILL), "1");
    addRow("killed, five at a time", int(SIGKILL), "5");
    addRow("Ctrl-C, one at a time", int(SIGINT), "1");
    addRow("Ctrl-C, five at a time", int(SIGINT), "5");
}

void TestCliRenew::interruptedRunCompletedNextTime() {
    const auto [signal, multGetNums] = fetch<int, QString>("signal", "multGetNums");
    TestSite site(kDemoSite);
    QVERIFY(site.start());
    // Slow chapters, so the run is surely in the middle when the signal comes.
    LocalSiteRule slow;
    slow.delayMs = 150;
    site.site()->setRule(QStringLiteral("/book/10*.html"), slow);

    QTemporaryDir dir;
    const QStringList lib = {"--library", dir.path()};
    QCOMPARE(runCli(lib + QStringList{"init"}).exitCode, 0);
    QVERIFY(pointSignAt(dir.path(), site.baseUrl()));
    QCOMPARE(runCli(lib + QStringList{"settings", "set", "Main", "MultGetNums", multGetNums}).exitCode, 0);
    const ProcessResult added =
        runCli(lib + QStringList{"add", "--url", site.url("book/index.html"), "--name", "演示小说"});
    QCOMPARE(added.exitCode, 0);
    const QString novelId = added.out.trimmed();

    QProcess renew;
    renew.start(QStringLiteral(QUIVERAL_CLI_PATH), lib + QStringList{"renew", "--all"});
    QVERIFY(renew.waitForStarted(10000));
    QTRY_VERIFY_WITH_TIMEOUT(site.site()->requestCount(QStringLiteral("/book/10*.html")) >= 8, 60000);
    ::kill(pid_t(renew.processId()), signal);
    QVERIFY(renew.waitForFinished(30000));
    if (signal == SIGINT) {
        // Stopped like "停止所有更新": a clean exit that says so, not a success.
        QCOMPARE(renew.exitStatus(), QProcess::NormalExit);
        QCOMPARE(renew.exitCode(), 1);
        QVERIFY(QString::fromUtf8(renew.readAllStandardError()).contains(QStringLiteral("停止更新")));
    } else {
        QCOMPARE(renew.exitStatus(), QProcess::CrashExit);
    }
    const QString database = dir.filePath("pim.db");
    QCOMPARE(sqliteScalar(database, "PRAGMA integrity_check").toString(), QStringLiteral("ok"));
    const int stored =
        sqliteScalar(database, "SELECT count(*) FROM book_novelcontent WHERE WordNums>0").toInt();
    QVERIFY2(stored < kDemoChapters, qPrintable(QString::number(stored)));
    // No half-written page: every file of the folder is a whole one (no temporary leftovers).
    const QDir folder(dir.filePath("chm/" + novelId));
    for (const QString& name : folder.entryList(QDir::Files))
        QVERIFY2(name.endsWith(QLatin1String(".htm")) || name.startsWith(novelId + u'_'), qPrintable(name));

    const ProcessResult again = runCli(lib + QStringList{"renew", "--all"});
    QVERIFY2(again.exitCode == 0, qPrintable(again.err));
    QCOMPARE(sqliteScalar(database, "SELECT count(*) FROM book_novelcontent").toInt(), kDemoChapters);
    QCOMPARE(sqliteScalar(database, "SELECT count(DISTINCT ComeFrom) FROM book_novelcontent WHERE WordNums>0")
                 .toInt(),
             kDemoChapters);
    QCOMPARE(folder.entryList({"*.htm"}, QDir::Files).size(), kDemoChapters + 1);
}

// A site that is gone fails its novel, not the run: the run ends normally and says what failed.
void TestCliRenew::unreachableSiteEndsNormally() {
    QTemporaryDir dir;
    const QStringList lib = {"--library", dir.path()};
    QString novelId;
    {
        TestSite site(kDemoSite);
        QVERIFY(site.start());
        const ProcessResult added =
            runCli(lib + QStringList{"add", "--url", site.url("book/index.html"), "--name", "演示小说"});
        QCOMPARE(added.exitCode, 0);
        novelId = added.out.trimmed();
    }
    const ProcessResult r = runCli(lib + QStringList{"renew", novelId});
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.err.contains(QStringLiteral("更新小说<<演示小说>>失败，请查看网络连接")), qPrintable(r.err));
    QVERIFY(r.err.contains(QStringLiteral("1本小说的目录页、0个章节未能取得")));
}

QTEST_GUILESS_MAIN(TestCliRenew)
#include "tst_cli_renew.moc"
