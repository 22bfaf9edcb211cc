// quiveral-cli add makes the novel dialog's checks, with its messages, before anything is stored.
#include "support/process.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "support/testsite.h"

#include "sites/sitesigntable.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class TestCliAdd : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void checks_data();
    void checks();
    void readInformation_data();
    void readInformation();

private:
    TestSite m_site{QStringLiteral("soushu")};
    TestSite m_qingfeng{QStringLiteral("qingfeng")};
};

void TestCliAdd::initTestCase() {
    QVERIFY(m_site.start());
    QVERIFY(m_qingfeng.start());
}

void TestCliAdd::checks_data() {
    // storedName: the second novel's, when one is stored
    columns<QStringList, int, QString, QString>("args", "exitCode", "message", "storedName");
    const QString bad = "小说名称不能包含<>?:\"|*%#等特殊符号，请重新输入";
    // Every rule of the name is tst_addnovelrules'; here the command refuses before storing.
    addRow("bad name", QStringList{"--url", "{base}index.html", "--name", "第#部"}, 1, bad, "");
    addRow("duplicate with apostrophe", QStringList{"--url", "{base}index.html", "--name", "O'Brien的书"}, 1,
           "已有同名的小说，请重新输入", "");
    addRow("address does not answer", QStringList{"--url", "{base}nothing.html", "--name", "新书"}, 1,
           "无效的目录页网址", "");
    addRow("local file is not asked", QStringList{"--url", "C:\\books\\list.htm", "--name", "本地书"}, 0,
           "尚未对该网站的正文标志进行设定", "本地书");
    addRow("name from the page title", QStringList{"--url", "{base}index.html"}, 0,
           "尚未对该网站的正文标志进行设定", "搜书小说网");
}

void TestCliAdd::checks() {
    auto [args, exitCode, message, storedName] =
        fetch<QStringList, int, QString, QString>("args", "exitCode", "message", "storedName");
    QTemporaryDir dir;
    const QString library = dir.filePath("lib");
    const ProcessResult first =
        runCli({"--library", library, "add", "--url", "C:\\old\\list.htm", "--name", "O'Brien的书"});
    QCOMPARE(first.exitCode, 0);
    for (QString& a : args)
        a.replace("{base}", m_site.baseUrl());
    const ProcessResult r = runCli(QStringList{"--library", library, "add"} + args);
    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(r.err.trimmed(), message);
    const QVariant count = sqliteScalar(library + "/pim.db", "SELECT COUNT(*) FROM book_novel");
    QCOMPARE(count.toInt(), storedName.isEmpty() ? 1 : 2);
    if (!storedName.isEmpty())
        QCOMPARE(sqliteScalar(library + "/pim.db",
                              "SELECT NovelName FROM book_novel ORDER BY NovelID DESC LIMIT 1")
                     .toString(),
                 storedName);
}

// The reading itself is tst_noveladdjob's; here the flag reaches it.
void TestCliAdd::readInformation_data() {
    columns<QStringList, QString, QString>("flags", "author", "bookImg");
    addRow("with --read-info", QStringList{"--read-info"}, "林间月", "cover.jpg");
    addRow("without", QStringList{}, "", "");
}

void TestCliAdd::readInformation() {
    const auto [flags, author, bookImg] = fetch<QStringList, QString, QString>("flags", "author", "bookImg");
    QTemporaryDir dir;
    const QString library = dir.filePath("lib");
    QVERIFY(QDir().mkpath(library));
    SiteSignTable signs;
    signs.setSigns({qingfengInformationSign(m_qingfeng.baseUrl())});
    QVERIFY(signs.save(library + "/sitesign.xml"));
    const ProcessResult r = runCli(
        QStringList{"--library", library, "add", "--url", m_qingfeng.url("/book/12/345/index.html")} + flags);
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QCOMPARE(r.out.trimmed(), QString("000001"));
    QCOMPARE(sqliteScalar(library + "/pim.db", "SELECT IFNULL(Author,'') FROM book_novel").toString(),
             author);
    QCOMPARE(sqliteScalar(library + "/pim.db", "SELECT IFNULL(BookImg,'') FROM book_novel").toString(),
             bookImg);
    QCOMPARE(QFileInfo::exists(library + "/chm/000001/cover.jpg"), !bookImg.isEmpty());
}

QTEST_GUILESS_MAIN(TestCliAdd)
#include "tst_cli_add.moc"
