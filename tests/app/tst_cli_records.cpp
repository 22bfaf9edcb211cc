// quiveral-cli sitesign and bookmarks as a user runs them.
#include "storage/recorddocument.h"
#include "storage/recordlists.h"
#include "support/process.h"
#include "support/rows.h"
#include "support/testlibrary.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

class TestCliRecords : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void signsListedFromShippedFile();
    void exportEditAsUtf8ImportBack();
    void importConflicts_data();
    void importConflicts();
    void importBadFiles_data();
    void importBadFiles();
    void bookmarksList();
    void lstExportImport();

private:
    ProcessResult cli(const QStringList& args) {
        return runCli(QStringList{"--library", m_dir.path()} + args);
    }
    QTemporaryDir m_dir;
};

void TestCliRecords::initTestCase() {
    QCOMPARE(cli({"init"}).exitCode, 0);
}

void TestCliRecords::signsListedFromShippedFile() {
    const ProcessResult r = cli({"--json", "sitesign", "list"});
    QCOMPARE(r.exitCode, 0);
    const QJsonArray signs = QJsonDocument::fromJson(r.out.toUtf8()).array();
    QCOMPARE(signs[0].toObject()["url"].toString(), QString("http://127.0.0.1:18808/"));
    QCOMPARE(signs[0].toObject().size(), 17);
}

void TestCliRecords::exportEditAsUtf8ImportBack() {
    QTemporaryDir work;
    const QString file = work.filePath("signs.xml");
    ProcessResult r = cli({"sitesign", "export", file});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out.trimmed(), QString("当前的小说正文标志已导出到文件\"%1\"中").arg(file));

    // Another editor saves it as UTF-8 and says so.
    QString text = readRecordFile(file);
    QVERIFY(text.contains("演示小说站"));
    text.replace("encoding=\"gb2312\"", "encoding=\"utf-8\"");
    text.replace("本章由演示小说站首发", "本章由演示站首发（已改）");
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(text.toUtf8());
    out.close();

    r = cli({"sitesign", "import", file, "--overwrite-all"});
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.out.contains("覆盖 1"), qPrintable(r.out));
    const QJsonArray signs =
        QJsonDocument::fromJson(cli({"--json", "sitesign", "list"}).out.toUtf8()).array();
    QCOMPARE(signs.size(), 1);
    QVERIFY(signs[0].toObject()["NeedDelStr"].toString().startsWith("本章由演示站首发（已改）||[[<script"));
    QCOMPARE(signs[0].toObject()["ListStart"].toString(), QString("<div id=\"chapterlist\">"));
}

void TestCliRecords::importConflicts_data() {
    columns<QString, QString>("flag", "expectedName");
    addRow("keep by default", QString(), "old");
    addRow("keep all", "--keep-all", "old");
    addRow("overwrite all", "--overwrite-all", "new");
}

void TestCliRecords::importConflicts() {
    const auto [flag, expectedName] = fetch<QString, QString>("flag", "expectedName");
    QTemporaryDir work;
    const QString oldFile = work.filePath("old.xml");
    const QString newFile = work.filePath("new.xml");
    RecordWriter old("SiteSign");
    old.add({"name", "url", "ListStart", "ListEnd", "ContentStart", "ContentEnd"},
            {"old", "http://c.test", "a", "b", "c", "d"});
    QVERIFY(writeRecordFile(oldFile, old.toText()));
    RecordWriter fresh("SiteSign");
    fresh.add({"name", "url", "ListStart", "ListEnd", "ContentStart", "ContentEnd"},
              {"new", "http://C.test/", "a", "b", "c", "d"});
    QVERIFY(writeRecordFile(newFile, fresh.toText()));
    QCOMPARE(cli({"sitesign", "import", oldFile, "--overwrite-all"}).exitCode, 0);
    QStringList args{"sitesign", "import", newFile};
    if (!flag.isEmpty())
        args << flag;
    QCOMPARE(cli(args).exitCode, 0);
    const QString listing = cli({"sitesign", "list"}).out;
    QVERIFY2(listing.contains("http://c.test/\t" + expectedName, Qt::CaseInsensitive), qPrintable(listing));
}

void TestCliRecords::importBadFiles_data() {
    columns<QByteArray, QString>("content", "message");
    addRow("missing", QByteArray(), "无此文件");
    addRow("garbage", QByteArray("\x01\x02\x03 not xml"), "文件为空或文件格式不对");
}

void TestCliRecords::importBadFiles() {
    const auto [content, message] = fetch<QByteArray, QString>("content", "message");
    QTemporaryDir work;
    const QString file = work.filePath("in.xml");
    if (!content.isNull()) {
        QVERIFY(writeFile(file, content));
    }
    const QString before = cli({"sitesign", "list"}).out;
    const ProcessResult r = cli({"sitesign", "import", file});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.err.trimmed(), message);
    QCOMPARE(cli({"sitesign", "list"}).out, before);
}

void TestCliRecords::bookmarksList() {
    QVERIFY(saveBookmarks(m_dir.path(), {{"第三章", "000001/3.htm", "p2", QString()}}));
    const ProcessResult r = cli({"bookmarks", "list"});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, QString("第三章\t%1/chm/000001/3.htm#p2\n").arg(m_dir.path()));
    QCOMPARE(cli({"bookmarks"}).exitCode, 2);
}

void TestCliRecords::lstExportImport() {
    QTemporaryDir work;
    const QString file = work.filePath("novels.lst");
    ProcessResult r = cli({"lst", "export", file});
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.err.trimmed(), QString("小说列表没有内容"));

    QTemporaryDir other;
    const QStringList source{"--library", other.path()};
    QCOMPARE(runCli(source + QStringList{"init"}).exitCode, 0);
    QVERIFY(
        writeRecordFile(work.filePath("seed.lst"),
                        "<MESSAGE><book_Novel><NovelID>000007</NovelID><NovelName>演示小说</NovelName>"
                        "<ListUrl>http://127.0.0.1:18808/book/index.html</ListUrl></book_Novel></MESSAGE>"));
    QCOMPARE(runCli(source + QStringList{"lst", "import", work.filePath("seed.lst")}).exitCode, 0);
    r = runCli(source + QStringList{"lst", "export", file});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out.trimmed(), QString("小说列表已导出到文件\"%1\"中").arg(file));

    r = cli({"lst", "import", file});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out.trimmed(), QString("小说列表已导入"));
    QVERIFY(cli({"info"}).out.contains("小说: 1"));
}

QTEST_GUILESS_MAIN(TestCliRecords)
#include "tst_cli_records.moc"
