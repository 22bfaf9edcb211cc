// The user's novel sites in book.dat.
#include "sites/sitelist.h"
#include "storage/recorddocument.h"
#include "storage/scramble.h"
#include "storage/textfile.h"
#include "support/testlibrary.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

NovelSite site(const QString& name, const QString& url, bool selected) {
    NovelSite s;
    s.fields[1] = name;
    s.fields[2] = url;
    s.fields[3] = selected ? "True" : "False";
    s.fields[4] = "1";
    s.fields[5] = "<td class=\"odd\"><a href=\"";
    s.fields[6] = "</a>";
    s.fields[11] = "/book/[[id]].html";
    s.fields[12] = "/book/[[id]]/";
    s.fields[15] = "http://" + url.mid(7) + "search.php?key=[[Name]]";
    s.fields[17] = "utf-8";
    s.fields[29] = "last & <field>";
    return s;
}

} // namespace

class TestSiteList : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void roundTrip();
    void fileIsScrambledAscii();
    void builtInSitesNotSaved();
    void unreadableFiles_data();
    void unreadableFiles();
};

void TestSiteList::roundTrip() {
    QTemporaryDir dir;
    const QString path = dir.filePath("book.dat");
    const QList<NovelSite> sites = {site("小说站甲", "http://a.test/", true),
                                    site("乙站", "http://b.test/", false)};
    QVERIFY(saveUserSites(path, sites));
    QList<NovelSite> loaded = {site("内置", "http://builtin.test/", true)};
    loaded.first().userAdded = false;
    QVERIFY(loadUserSites(path, loaded));
    QCOMPARE(loaded.size(), 3); // appended after what was there
    QCOMPARE(loaded[1], sites[0]);
    QCOMPARE(loaded[2], sites[1]);
}

void TestSiteList::fileIsScrambledAscii() {
    QTemporaryDir dir;
    const QString path = dir.filePath("book.dat");
    QVERIFY(saveUserSites(path, {site("中文站", "http://a.test/", true)}));
    const QByteArray bytes = fileBytes(path);
    for (const char c : bytes)
        QVERIFY2(QByteArray("0123456789ABCDEF ").contains(c), bytes.left(40).constData());
    // Inside: the record document with the Chinese percent-escaped.
    const QString inner = scrambleText("D", QString::fromLatin1(bytes));
    QVERIFY(inner.contains("<name>%D6%D0%CE%C4%D5%BE</name>"));
    QVERIFY(inner.contains("<bisselect>True</bisselect>"));
}

void TestSiteList::builtInSitesNotSaved() {
    NovelSite builtIn = site("内置", "http://builtin.test/", true);
    builtIn.userAdded = false;
    RecordGrid grid;
    QVERIFY(!parseMessageRecords(userSitesText({builtIn}), "Site", grid));
    QVERIFY(
        parseMessageRecords(userSitesText({builtIn, site("自增", "http://u.test/", false)}), "Site", grid));
    QCOMPARE(grid.size(), 1);
    QCOMPARE(grid[0][0].text, QString("自增"));
    QCOMPARE(grid[0][3].text.split("||").size(), NovelSite::kFieldCount - 4);
}

void TestSiteList::unreadableFiles_data() {
    QTest::addColumn<QString>("content");
    QTest::newRow("missing") << QString();
    QTest::newRow("blank") << "   \r\n";
    QTest::newRow("not scrambled") << "<MESSAGE><Site><name>x</name></Site></MESSAGE>";
    QTest::newRow("scrambled garbage") << scrambleText("E", "not a record document");
}

void TestSiteList::unreadableFiles() {
    QFETCH(QString, content);
    QTemporaryDir dir;
    const QString path = dir.filePath("book.dat");
    if (!content.isNull())
        QVERIFY(writeTextFile(path, content));
    QList<NovelSite> sites = {site("keep", "http://k.test/", true)};
    QVERIFY(!loadUserSites(path, sites));
    QCOMPARE(sites.size(), 1);
}

QTEST_GUILESS_MAIN(TestSiteList)
#include "tst_sitelist.moc"
