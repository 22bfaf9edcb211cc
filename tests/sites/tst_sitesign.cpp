// Site signs: the file by position, matching by site root, copying into novels, merging imports.
#include "sites/sitesigntable.h"
#include "storage/novelstore.h"
#include "storage/recorddocument.h"
#include "support/rows.h"
#include "support/testlibrary.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

SiteSign makeSign(const QString& name, const QString& url, const QString& tag = "A") {
    SiteSign s;
    s[SiteSign::Name] = name;
    s[SiteSign::Url] = url;
    for (int f = SiteSign::ListStart; f < SiteSign::FieldCount; ++f)
        s.fields[f] = tag + QString::number(f);
    return s;
}

} // namespace

class TestSiteSign : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void siteRoot_data();
    void siteRoot();
    void fileRoundTrip();
    void olderFilesByFieldCount_data();
    void olderFilesByFieldCount();
    void unavailableFile_data();
    void unavailableFile();
    void matching_data();
    void matching();
    void applyToNovel();
    void applyToNovels();
    void merge_data();
    void merge();
    void mergeFileErrors();
    void shippedDemoSign();
};

void TestSiteSign::siteRoot_data() {
    columns<QString, QString>("address", "root");
    addRow("page", "http://www.a.com/book/1/index.html", "http://www.a.com/");
    addRow("spaces and case", "  HTTP://WWW.A.com/x  ", "http://WWW.A.com/");
    addRow("no path", "http://a.com", "http://a.com/");
    addRow("port", "http://127.0.0.1:8080/b/", "http://127.0.0.1:8080/");
    addRow("https shares the host's sign", "https://a.com/b/", "http://a.com/");
    addRow("no scheme", "www.a.com/book/", "");
    addRow("empty", "", "");
}

void TestSiteSign::siteRoot() {
    const auto [address, root] = fetch<QString, QString>("address", "root");
    QCOMPARE(getSiteRoot(address), root);
}

void TestSiteSign::fileRoundTrip() {
    QTemporaryDir dir;
    const QString path = dir.filePath("sitesign.xml");
    SiteSignTable table;
    SiteSign odd = makeSign("特殊<&'>", "http://b.com/", "<div class='x'>&");
    table.setSigns({makeSign("甲站", "http://a.com/"), makeSign(QString(), "http://nameless.com/"), odd});
    QVERIFY(table.save(path));

    QVERIFY(fileBytes(path).startsWith("<?xml version=\"1.0\" encoding=\"gb2312\"?>"));

    SiteSignTable loaded;
    QVERIFY(loaded.load(path));
    QVERIFY(!loaded.isUnavailable());
    QCOMPARE(loaded.signs().size(), 2); // the record without a name is not written
    QCOMPARE(loaded.signs()[0], makeSign("甲站", "http://a.com/"));
    QCOMPARE(loaded.signs()[1], odd);

    // A table without a named sign leaves no file behind.
    table.setSigns({makeSign(QString(), "http://a.com/")});
    QVERIFY(table.save(path));
    QVERIFY(!QFile::exists(path));
}

void TestSiteSign::olderFilesByFieldCount_data() {
    columns<int, int>("children", "fieldsRead");
    addRow("6", 6, 6);
    addRow("7", 7, 7);
    addRow("8", 8, 7);
    addRow("9", 9, 9);
    addRow("16", 16, 9);
    addRow("17", 17, 17);
    addRow("19", 19, 17);
    addRow("3", 3, 3);
}

void TestSiteSign::olderFilesByFieldCount() {
    const auto [children, fieldsRead] = fetch<int, int>("children", "fieldsRead");
    // Element names are ignored: position decides.
    QString text = "<?xml version=\"1.0\" encoding=\"gb2312\"?><MESSAGE><SiteSign>";
    for (int i = 0; i < children; ++i)
        text += QString("<f%1>v%1</f%1>").arg(i);
    text += "</SiteSign></MESSAGE>";
    QList<SiteSign> signs;
    QVERIFY(readSiteSigns(text, signs));
    QCOMPARE(signs.size(), 1);
    for (int i = 0; i < SiteSign::FieldCount; ++i)
        QCOMPARE(signs[0].fields[i], i < fieldsRead ? QString("v%1").arg(i) : QString());
}

void TestSiteSign::unavailableFile_data() {
    QTest::addColumn<QByteArray>("content");
    addRow("missing", QByteArray());
    addRow("empty", QByteArray(""));
    addRow("binary", QByteArray("\x00\x01\x02\xFF\xFE garbage", 14));
    addRow("no records", QByteArray("<?xml version=\"1.0\"?><MESSAGE></MESSAGE>"));
    addRow("truncated", QByteArray("<MESSAGE><SiteSign><name>a</name><url>http://a/"));
}

void TestSiteSign::unavailableFile() {
    QFETCH(QByteArray, content);
    QTemporaryDir dir;
    const QString path = dir.filePath("sitesign.xml");
    if (!content.isNull()) {
        QVERIFY(writeFile(path, content));
    }
    TestLibrary lib;
    const QString novel = lib.addNovel("n");
    SiteSignTable table;
    QVERIFY(!table.load(path));
    QVERIFY(table.isUnavailable());
    QVERIFY(table.signs().isEmpty());
    QCOMPARE(table.find("http://a/"), -1);
    QVERIFY(!table.applyToNovel(lib.db(), "http://a/", novel));
}

void TestSiteSign::matching_data() {
    columns<QString, QString, bool>("signUrl", "listUrl", "matches");
    addRow("same", "http://www.a.com/", "http://www.a.com/book/1/", true);
    addRow("sign without slash, other case", "http://www.A.com",
           "http://WWW.a.COM/files/article/1/index.html", true);
    addRow("other host", "http://www.a.com/", "http://www.b.com/1/", false);
    addRow("no scheme in address", "http://www.a.com/", "www.a.com/1/", false);
    addRow("subdomain differs", "http://a.com/", "http://www.a.com/1/", false);
}

void TestSiteSign::matching() {
    const auto [signUrl, listUrl, matches] = fetch<QString, QString, bool>("signUrl", "listUrl", "matches");
    SiteSignTable table;
    table.setSigns({makeSign("other", "http://other.com/"), makeSign("site", signUrl)});
    QCOMPARE(table.find(getSiteRoot(listUrl)), matches ? 1 : -1);
}

void TestSiteSign::applyToNovel() {
    TestLibrary lib;
    const QString novel = lib.addNovel("n");
    SiteSign sign = makeSign("站", "http://a.com");
    sign[SiteSign::ListEnd] = QString();         // copied as Null
    sign[SiteSign::NeedDelStr] = "it's||[['x]]"; // stored unchanged
    SiteSignTable table;
    table.setSigns({sign});
    QVERIFY(table.applyToNovel(lib.db(), "http://a.com/", novel));
    QCOMPARE(table.signs()[0][SiteSign::Url], QString("http://a.com/")); // normalised in the table

    const std::optional<NovelRecord> r = NovelStore(lib.db()).loadNovel(novel);
    QCOMPARE(r->listStart, sign[SiteSign::ListStart]);
    QCOMPARE(r->volumeStart, sign[SiteSign::VolumeStart]);
    QCOMPARE(r->volumeEnd, sign[SiteSign::VolumeEnd]);
    QCOMPARE(r->contentStart, sign[SiteSign::ContentStart]);
    QCOMPARE(r->contentEnd, sign[SiteSign::ContentEnd]);
    QCOMPARE(r->needDelStr, QString("it's||[['x]]"));
    QVERIFY(sqliteScalar(lib.db().path(), "SELECT ListEnd IS NULL FROM book_novel").toBool());
    QVERIFY(!table.applyToNovel(lib.db(), "http://b.com/", novel));
}

void TestSiteSign::applyToNovels() {
    TestLibrary lib;
    const QString a = lib.addNovel("a");
    const QString b = lib.addNovel("b");
    const QString c = lib.addNovel("c");
    lib.db().exec("UPDATE book_novel SET ListUrl='http://a.com/1/' WHERE NovelID IN (?, ?)", {a, b});
    lib.db().exec("UPDATE book_novel SET ListUrl='no-scheme/1/' WHERE NovelID=?", {c});
    SiteSignTable table;
    table.setSigns({makeSign("站", "http://a.com/", "X")});
    QCOMPARE(table.applyToNovels(lib.db(), {b}), 1);
    QCOMPARE(NovelStore(lib.db()).loadNovel(a)->listStart, QString());
    QCOMPARE(NovelStore(lib.db()).loadNovel(b)->listStart, QString("X2"));
    QCOMPARE(table.applyToNovels(lib.db()), 2);
    QCOMPARE(NovelStore(lib.db()).loadNovel(a)->listStart, QString("X2"));
    QCOMPARE(NovelStore(lib.db()).loadNovel(c)->listStart, QString());
}

void TestSiteSign::merge_data() {
    // overwrite: the name answered with overwrite, "*" for any; counts: identical, added, overwritten, kept
    columns<QList<SiteSign>, QString, bool, QStringList, QList<int>, QStringList>(
        "imported", "overwrite", "applyToAll", "asked", "counts", "listStarts");
    addRow("identical asks nothing", QList<SiteSign>{makeSign("a", "http://a.com")}, "*", false,
           QStringList(), QList<int>{1, 0, 0, 0}, QStringList{"A2", "A2", "A2"});
    addRow("ask once for all",
           QList<SiteSign>{makeSign("a", "http://A.com/", "new"), makeSign("b", "http://b.com/", "new"),
                           makeSign("n", "http://n.com/"), makeSign("c", "http://c.com/", "new")},
           "*", true, QStringList{"a=a"}, QList<int>{0, 1, 3, 0}, QStringList{"new2", "new2", "new2", "A2"});
    addRow("ask each",
           QList<SiteSign>{makeSign("a", "http://a.com/", "new"), makeSign("b", "http://b.com/", "new")}, "b",
           false, QStringList{"a=a", "b=b"}, QList<int>{0, 0, 1, 1}, QStringList{"A2", "new2", "A2"});
}

void TestSiteSign::merge() {
    const auto [imported, overwrite, applyToAll, asked, counts, listStarts] =
        fetch<QList<SiteSign>, QString, bool, QStringList, QList<int>, QStringList>(
            "imported", "overwrite", "applyToAll", "asked", "counts", "listStarts");
    SiteSignTable table;
    table.setSigns(
        {makeSign("a", "http://a.com/"), makeSign("b", "http://b.com/"), makeSign("c", "http://c.com/")});
    QStringList questions;
    const auto result = table.merge(imported, [&](const SiteSign& existing, const SiteSign& incoming) {
        questions << existing[SiteSign::Name] + "=" + incoming[SiteSign::Name];
        return SiteSignTable::Decision{overwrite == "*" || existing[SiteSign::Name] == overwrite, applyToAll};
    });
    QCOMPARE(questions, asked);
    QCOMPARE((QList<int>{result.identical, result.added, result.overwritten, result.kept}), counts);
    QStringList starts;
    for (const SiteSign& s : table.signs())
        starts << s[SiteSign::ListStart];
    QCOMPARE(starts, listStarts);
}

void TestSiteSign::mergeFileErrors() {
    QTemporaryDir dir;
    SiteSignTable table;
    table.setSigns({makeSign("a", "http://a.com/")});
    QCOMPARE(table.mergeFile(dir.filePath("none.xml"), {}).error, QString("无此文件"));
    const QString bad = dir.filePath("bad.xml");
    QVERIFY(writeRecordFile(bad, "not a sign file"));
    QCOMPARE(table.mergeFile(bad, {}).error, QString("文件为空或文件格式不对"));
    QCOMPARE(table.signs().size(), 1);

    const QString good = dir.filePath("good.xml");
    QVERIFY(writeRecordFile(good, siteSignsText({makeSign("b", "http://b.com/")})));
    const auto result = table.mergeFile(good, {});
    QVERIFY(result.error.isEmpty());
    QCOMPARE(result.added, 1);
    QCOMPARE(SiteSignTable::proposedExportName(QDate(2026, 12, 6)), QString("正文标志文件-20261206.xml"));
}

void TestSiteSign::shippedDemoSign() {
    TestLibrary lib;
    SiteSignTable table;
    QVERIFY(table.load(lib.context().folder().file("sitesign.xml")));
    const int demo = table.find(getSiteRoot("http://127.0.0.1:18808/book/index.html"));
    QVERIFY(demo >= 0);
    QCOMPARE(table.signs()[demo][SiteSign::Name], QString("演示小说站"));
    QVERIFY(table.signs()[demo][SiteSign::NeedDelStr].contains("[[<script"));
}

QTEST_GUILESS_MAIN(TestSiteSign)
#include "tst_sitesign.moc"
