// quiveral-cli check, fetch and sitesign update as a user runs them, against the loopback site.
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
#include <QTemporaryDir>
#include <QTest>

class TestCliFetch : public QObject {
    Q_OBJECT

public:
    TestCliFetch()
        : m_site(QStringLiteral("fetch"))
        , m_secure(QStringLiteral("fetch")) {}

private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(m_site.start(), qPrintable(m_site.errorString()));
        QVERIFY2(m_secure.start(0, true), qPrintable(m_secure.errorString()));
    }
    void check_data();
    void check();
    void checkJson();
    void fetch_data();
    void fetch();
    void sitesignUpdate();

private:
    QString url(const QString& path) const { return m_site.url(path); }
    TestSite m_site;
    TestSite m_secure; // https
};

void TestCliFetch::check_data() {
    // bookIni: "" for a library folder that does not exist
    columns<QString, QStringList, int, QString>("bookIni", "args", "exitCode", "networkLine");

    addRow("no address: skipped", "", QStringList(), 0,
           "网络情况：未检测：尚未设置网络检测网址，请在“设置”的“网址”页中填写（book.ini 的 NetCheckUrl）");
    addRow("address given", "", QStringList{"--url", "{site}/page.html"}, 0, "网络情况：网络连接正常");
    addRow("address from book.ini", "[Main]\nNetCheckUrl={site}/page.html\n", QStringList(), 0,
           "网络情况：网络连接正常");
    addRow("address unreachable", "", QStringList{"--url", "{site}/missing.html"}, 1,
           "网络情况：网络连接不上，请连接网络或查看防火墙问题 错误说明:服务器返回 HTTP 404");
    addRow("bad usage", "", QStringList{"--bogus"}, 2, "");
}

void TestCliFetch::check() {
    auto [bookIni, args, exitCode, networkLine] =
        ::fetch<QString, QStringList, int, QString>("bookIni", "args", "exitCode", "networkLine");
    const QString site = url(QString()).chopped(1);
    QTemporaryDir dir;
    const QString library = dir.filePath(QStringLiteral("library"));
    if (!bookIni.isEmpty()) {
        QVERIFY(QDir().mkpath(library));
        QVERIFY(writeFile(library + QLatin1String("/book.ini"),
                          QString(bookIni).replace(QLatin1String("{site}"), site).toUtf8()));
    }
    for (QString& a : args)
        a.replace(QLatin1String("{site}"), site);

    const ProcessResult r = runCli(QStringList{"--library", library, "check"} + args);
    QVERIFY2(r.exitCode == exitCode, qPrintable(r.out + r.err));
    if (exitCode == 2)
        return;
    const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
    QVERIFY2(lines.contains(networkLine), qPrintable(r.out));
    for (const QString& line :
         {QStringLiteral("正则表达式：正常"), QStringLiteral("字符集转换：GB18030、Big5 正常"),
          QStringLiteral("简繁转换 (OpenCC)：正常"), QStringLiteral("HTTP：正常（本机测试站点）"),
          QStringLiteral("HTTPS：正常（本机测试站点）")})
        QVERIFY2(lines.contains(line), qPrintable(r.out));
    QVERIFY(lines.size() >= 9);
    QCOMPARE(QDir(library).exists(), !bookIni.isEmpty()); // a check creates no library
}

void TestCliFetch::checkJson() {
    QTemporaryDir dir;
    const ProcessResult r = runCli({"--library", dir.filePath("lib"), "--json", "check"});
    QCOMPARE(r.exitCode, 0);
    QHash<QString, QString> states;
    for (const QJsonValue& item : QJsonDocument::fromJson(r.out.toUtf8()).array())
        states.insert(item["item"].toString(), item["state"].toString());
    QCOMPARE(states.value("HTTP"), QString("ok"));
    QCOMPARE(states.value("网络情况"), QString("skipped"));
    QVERIFY(states.contains("CHM 编译器 (chmcmd)"));
}

void TestCliFetch::fetch_data() {
    columns<QStringList, int, QString, QString>("args", "exitCode", "outPart", "errPart");

    addRow("raw bytes", QStringList{"/page.html"}, 0, "<p>plain page</p>", "");
    // "s/": the https site, whose authority the test CA setting names; "u/": the same, not trusted.
    addRow("https", QStringList{"s/page.html", "-v"}, 0, "<p>plain page</p>", "HTTP 200\ttext/html\t");
    addRow("https certificate not trusted", QStringList{"u/page.html"}, 1, "",
           "安全连接失败：服务器的证书无法验证");
    addRow("decoded from big5", QStringList{"/big5.html", "--decode"}, 0, "龍族傳說 最新章節", "");
    addRow("missing page", QStringList{"/missing.html"}, 1, "", "服务器返回 HTTP 404");
    addRow("no address", QStringList{"--decode"}, 2, "", "用法");
    addRow("jump and decode together", QStringList{"/page.html", "--jump", "--decode"}, 2, "", "用法");
}

void TestCliFetch::fetch() {
    auto [args, exitCode, outPart, errPart] =
        ::fetch<QStringList, int, QString, QString>("args", "exitCode", "outPart", "errPart");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (QString& a : args) {
        if (a.startsWith(u'/'))
            a = url(a);
        if (a.startsWith(QLatin1String("s/")))
            env.insert(QStringLiteral("QUIVERAL_TEST_CA"), LocalSite::caFile());
        if (a.startsWith(QLatin1String("s/")) || a.startsWith(QLatin1String("u/")))
            a = m_secure.url(a.mid(1));
    }
    QTemporaryDir dir;
    const ProcessResult r = runCli(QStringList{"--library", dir.filePath("lib"), "fetch"} + args, env);
    QVERIFY2(r.exitCode == exitCode, qPrintable(r.err));
    QVERIFY2(r.out.contains(outPart), qPrintable(r.out));
    QVERIFY2(r.err.contains(errPart), qPrintable(r.err));
}

void TestCliFetch::sitesignUpdate() {
    QTemporaryDir dir;
    auto cli = [&](const QStringList& args) { return runCli(QStringList{"--library", dir.path()} + args); };
    QCOMPARE(cli({"init"}).exitCode, 0);

    ProcessResult r = cli({"sitesign", "update"});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains("SiteSignUpdateUrl"), qPrintable(r.err));
    QCOMPARE(cli({"sitesign", "update", "--bogus"}).exitCode, 2);

    QCOMPARE(cli({"settings", "set", "Main", "SiteSignUpdateUrl", url("/update")}).exitCode, 0);
    r = cli({"sitesign", "update", "--overwrite-all"});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QCOMPARE(r.out.split(u'\n', Qt::SkipEmptyParts),
             (QStringList{"在线信息下载完毕", "新增 2，覆盖 0，保留 0，相同 0"}));
    QVERIFY(cli({"sitesign", "list"}).out.contains("http://second.example/\t第二小说站"));

    // The merge and what a failure leaves are tst_sitesignupdate's; here the exit code and message.
    QCOMPARE(cli({"settings", "set", "Main", "SiteSignUpdateUrl", url("/nothing/")}).exitCode, 0);
    r = cli({"sitesign", "update", "--overwrite-all"});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.err.trimmed(), QString("更新失败，请查看网络连接"));
}

QTEST_GUILESS_MAIN(TestCliFetch)
#include "tst_cli_fetch.moc"
