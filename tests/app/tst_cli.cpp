// quiveral-cli as a user runs it: output, exit codes, messages.
#include "storage/singleinstance.h"
#include "support/process.h"
#include "support/rows.h"
#include "support/testlibrary.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

class TestCli : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initAndInfo();
    void usageAndExitCodes_data();
    void usageAndExitCodes();
    void settingsGetSet();
    void categories();
    void exclusiveCommandsWaitForTheProgram();
    void autostartFollowsSetting();
    void brokenDatabase();

private:
    QStringList lib(const QStringList& args) const { return QStringList{"--library", m_dir.path()} + args; }
    QTemporaryDir m_dir;
};

void TestCli::initAndInfo() {
    QTemporaryDir dir;
    const QString path = dir.filePath("q");
    ProcessResult r = runCli({"--library", path, "init"});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out.trimmed(), path);
    QVERIFY(QFile::exists(path + "/pim.db"));
    QVERIFY(QFile::exists(path + "/book.ini"));

    r = runCli({"--library", path, "--json", "info"});
    QCOMPARE(r.exitCode, 0);
    const QJsonObject info = QJsonDocument::fromJson(r.out.toUtf8()).object();
    QCOMPARE(info["library"].toString(), path);
    QCOMPARE(info["novels"].toInt(), 0);
    QCOMPARE(info["chapters"].toInt(), 0);
    QCOMPARE(info["categories"].toInt(), 0);

    // QUIVERAL_HOME picks the library when there is no option.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QUIVERAL_HOME", path);
    r = runCli({"info"}, env);
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.out.contains("书库: " + path), qPrintable(r.out));
}

void TestCli::usageAndExitCodes_data() {
    columns<QStringList, int, QString>("args", "exitCode", "stderrContains");
    addRow("no command", QStringList{}, 2, "用法");
    addRow("unknown command", QStringList{"frobnicate"}, 2, "未知命令");
    addRow("missing library value", QStringList{"info", "--library"}, 2, "--library");
    addRow("settings without key", QStringList{"settings", "get", "Main"}, 2, "用法");
    addRow("settings unknown key", QStringList{"settings", "get", "Main", "NoSuchKey"}, 1, "NoSuchKey");
    addRow("category bad verb", QStringList{"category", "remove", "x"}, 2, "用法");
    addRow("info with extra", QStringList{"info", "x"}, 2, "用法");
    addRow("renew without novels", QStringList{"renew"}, 2, "用法");
    addRow("renew --all and a novel", QStringList{"renew", "--all", "000001"}, 2, "用法");
    addRow("renew of an unknown novel", QStringList{"renew", "000009"}, 1, "没有这本小说：000009");
    addRow("redownload without what", QStringList{"redownload", "000001"}, 2, "用法");
    addRow("redownload two kinds", QStringList{"redownload", "000001", "--empty", "--pic"}, 2, "用法");
    addRow("redownload bad chapter id", QStringList{"redownload", "000001", "--selected", "3,x"}, 2,
           "章节编号无效");
    addRow("add without address", QStringList{"add", "--name", "书"}, 2, "用法");
    addRow("chapters of an unknown novel", QStringList{"chapters", "000009"}, 1, "没有这本小说");
}

void TestCli::usageAndExitCodes() {
    const auto [args, exitCode, stderrContains] =
        fetch<QStringList, int, QString>("args", "exitCode", "stderrContains");
    const bool libraryFirst = !args.contains("--library");
    const ProcessResult r = runCli(libraryFirst ? lib(args) : args);
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2(r.err.contains(stderrContains), qPrintable(r.err));
}

void TestCli::settingsGetSet() {
    QCOMPARE(runCli(lib({"settings", "get", "Main", "NovelConnTimeOut"})).out, QString("30\n"));
    QCOMPARE(runCli(lib({"settings", "set", "Main", "NovelConnTimeOut", "45"})).exitCode, 0);
    QCOMPARE(runCli(lib({"settings", "get", "Main", "NovelConnTimeOut"})).out, QString("45\n"));
    QCOMPARE(runCli(lib({"settings", "set", "Chm", "chmJump1Title", "首页 链接"})).exitCode, 0);
    QCOMPARE(runCli(lib({"settings", "get", "chm", "chmjump1title"})).out, QString("首页 链接\n"));
    // Sections of their own are kept as they are.
    QCOMPARE(runCli(lib({"settings", "set", "Extra", "anything", "x y"})).exitCode, 0);
    const ProcessResult json = runCli(lib({"--json", "settings", "get", "Extra", "anything"}));
    QCOMPARE(QJsonDocument::fromJson(json.out.toUtf8()).object()["value"].toString(), QString("x y"));
}

void TestCli::categories() {
    QTemporaryDir dir;
    const QStringList base{"--library", dir.path()};
    ProcessResult r = runCli(base + QStringList{"category", "add", "玄幻"});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QString("01\n"));
    QCOMPARE(runCli(base + QStringList{"category", "add", "武侠"}).out, QString("02\n"));
    // A refused name (the rules are the store's, tst_database) fails with its message.
    r = runCli(base + QStringList{"category", "add", "玄幻"});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.err.trimmed(), QString("已有同名的分类名称，请重新输入"));

    QCOMPARE(runCli(base + QStringList{"category", "list"}).out, QString("01\t玄幻\n02\t武侠\n"));
    const QJsonArray list =
        QJsonDocument::fromJson(runCli(base + QStringList{"--json", "category", "list"}).out.toUtf8())
            .array();
    QCOMPARE(list.size(), 2);
    QCOMPARE(list[1].toObject()["name"].toString(), QString("武侠"));
}

void TestCli::exclusiveCommandsWaitForTheProgram() {
    QTemporaryDir dir;
    QCOMPARE(runCli({"--library", dir.path(), "init"}).exitCode, 0);
    // While the desktop program holds the library, reading works and changing is refused.
    SingleInstance program(dir.path());
    QVERIFY(program.tryBecomePrimary());
    QCOMPARE(runCli({"--library", dir.path(), "info"}).exitCode, 0);
    const ProcessResult r = runCli({"--library", dir.path(), "category", "add", "x"});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains("书库正由另一个程序使用"), qPrintable(r.err));
    QVERIFY(runCli({"--library", dir.path(), "category", "list"}).out.isEmpty());
}

void TestCli::autostartFollowsSetting() {
    QTemporaryDir config;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", config.path());
    const QString entry = config.filePath("autostart/quiveral.desktop");
    QCOMPARE(runCli(lib({"settings", "set", "Main", "bIsAutoStart", "1"}), env).exitCode, 0);
    QVERIFY(QString::fromUtf8(fileBytes(entry)).contains("--library " + m_dir.path()));
    QCOMPARE(runCli(lib({"settings", "set", "Main", "bIsAutoStart", "0"}), env).exitCode, 0);
    QVERIFY(!QFile::exists(entry));
}

void TestCli::brokenDatabase() {
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath("pim.db"), QByteArray(8192, 'x')));
    const ProcessResult r = runCli({"--library", dir.path(), "info"});
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains("数据库连接不成功，请查看\"使用说明\"-\"常见问题\"。"), qPrintable(r.err));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
