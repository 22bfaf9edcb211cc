// quiveral-cli export and report as a user runs them.
#include "output/chmcompiler.h"
#include "output/novelfixture.h"
#include "support/process.h"
#include "support/rows.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>
#include <QTest>

class TestCliExport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void chm();
    void textFormats_data();
    void textFormats();
    void failures_data();
    void failures();
    void report();

private:
    ProcessResult cli(const QStringList& args) {
        return runCli(QStringList{"--library", m_lib->path()} + args);
    }
    std::unique_ptr<TestLibrary> m_lib;
    QString m_novelId;
    QString m_emptyId;
};

void TestCliExport::initTestCase() {
    m_lib = std::make_unique<TestLibrary>();
    QVERIFY(m_lib->isValid());
    m_novelId = addFixtureNovel(*m_lib, QStringLiteral("演示小说"), QStringLiteral("演示者"),
                                {{QStringLiteral("第一章 起"), QStringLiteral("第一卷")},
                                 {QStringLiteral("第二章 承"), QStringLiteral("第一卷")},
                                 {QStringLiteral("第三章 转?"), QStringLiteral("第二卷")}});
    m_emptyId = m_lib->addNovel(QStringLiteral("空书"));
    QVERIFY(QDir().mkpath(m_lib->path() + QStringLiteral("/chm")));
}

void TestCliExport::chm() {
    if (ChmCompiler::findProgram().isEmpty())
        QSKIP("chmcmd (fp-utils) is not installed");
    const ProcessResult r = cli({"export", m_novelId, "--format", "chm"});
    QCOMPARE(r.exitCode, 0);
    const QString path = m_lib->path() + QStringLiteral("/chm/演示小说.chm");
    QCOMPARE(r.out.trimmed(), path);
    QVERIFY(fileBytes(path).startsWith("ITSF"));
}

void TestCliExport::textFormats_data() {
    // out: relative to the library, "" for the default place; files: relative to the library; needle: in the
    // first file
    columns<QString, QString, QStringList, QString>("format", "out", "files", "needle");
    addRow("txt elsewhere", "txt", "出/书.txt", QStringList{"出/书.txt"}, "第二卷\r\n第三章 转?");
    addRow("doc", "doc", QString(), QStringList{"chm/演示小说.doc"}, "<body>演示小说<br>");
    addRow("txt-chapters", "txt-chapters", "各章",
           QStringList{"各章/001_第一章 起.txt", "各章/002_第二章 承.txt", "各章/003_第三章 转_.txt"},
           "第一章 起\r\n");
    addRow("volume-pages", "volume-pages", QString(), QStringList{"chm/%1/vol1.htm", "chm/%1/vol2.htm"},
           "<title>第一卷</title>");
}

void TestCliExport::textFormats() {
    const auto [format, out, files, needle] =
        fetch<QString, QString, QStringList, QString>("format", "out", "files", "needle");
    QStringList args{"--json", "export", m_novelId, "--format", format};
    if (!out.isEmpty())
        args << "--out" << m_lib->path() + u'/' + out;
    const ProcessResult r = cli(args);
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QStringList expected;
    for (const QString& file : files)
        expected << m_lib->path() + u'/' + QString(file).replace(QStringLiteral("%1"), m_novelId);
    const QJsonObject json = QJsonDocument::fromJson(r.out.toUtf8()).object();
    QStringList printed;
    for (const QJsonValue& v : json.value(QStringLiteral("files")).toArray())
        printed << v.toString();
    QCOMPARE(printed, expected);
    for (const QString& file : expected)
        QVERIFY2(QFileInfo::exists(file), qPrintable(file));
    const QString text = QStringDecoder("GB18030").decode(fileBytes(expected.first()));
    QVERIFY2(text.contains(needle), qPrintable(text.left(200)));
}

void TestCliExport::failures_data() {
    columns<QStringList, int, QString>("args", "exitCode", "message");
    addRow("no chapters", QStringList{"export", "%empty", "--format", "chm"}, 1, "无内容");
    addRow("unknown novel", QStringList{"export", "123456", "--format", "txt"}, 1, "没有找到小说 123456");
    addRow("no format", QStringList{"export", "%novel"}, 2, "用法: quiveral-cli export");
    addRow("unknown format", QStringList{"export", "%novel", "--format", "pdf"}, 2,
           "用法: quiveral-cli export");
    addRow("out for pages", QStringList{"export", "%novel", "--format", "volume-pages", "--out", "x"}, 2,
           "用法: quiveral-cli export");
}

void TestCliExport::failures() {
    auto [args, exitCode, message] = fetch<QStringList, int, QString>("args", "exitCode", "message");
    args.replaceInStrings(QStringLiteral("%empty"), m_emptyId);
    args.replaceInStrings(QStringLiteral("%novel"), m_novelId);
    const ProcessResult r = cli(args);
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2(r.err.startsWith(message), qPrintable(r.err));
}

void TestCliExport::report() {
    // The output folder is checked before anything is made.
    TestLibrary lib;
    const QString novelId = addFixtureNovel(lib, QStringLiteral("书"), QString(), {{QStringLiteral("一")}});
    ProcessResult r = runCli({"--library", lib.path(), "settings", "set", "Main", "NovelChmPath",
                              lib.path() + QStringLiteral("/不存在")});
    QCOMPARE(r.exitCode, 0);
    r = runCli({"--library", lib.path(), "export", novelId, "--format", "txt"});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.err.trimmed(), QStringLiteral("电子书输出目录不存在，请在设置中重新设定电子书输出目录"));

    r = runCli({"--library", lib.path(), "report"});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out.trimmed(), lib.path() + QStringLiteral("/totalview.htm"));
    QVERIFY(QString(QStringDecoder("GB18030").decode(fileBytes(r.out.trimmed())))
                .contains(QStringLiteral(">书</a>")));
}

QTEST_GUILESS_MAIN(TestCliExport)
#include "tst_cli_export.moc"
