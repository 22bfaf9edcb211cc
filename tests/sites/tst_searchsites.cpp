// The sites a novel is searched on: built-in table, the user's book.dat, the ticks of DownSiteStr.
#include "sites/searchsites.h"
#include "storage/textfile.h"
#include "support/rows.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

NovelSite userSite(const QString& name, bool selected) {
    NovelSite s;
    s[NovelSite::Name] = name;
    s[NovelSite::Url] = "http://" + name + ".test/";
    s[NovelSite::SearchUrl] = "http://" + name + ".test/s?k=[[Name]]";
    s.setSelected(selected);
    return s;
}

const QString kShipped = QStringLiteral(QUIVERAL_SOURCE_DATA_DIR "/searchsites.xml");

} // namespace

class TestSearchSites : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void shippedTable();
    void selection_data();
    void selection();
    void malformedUserFile();
    void editAndDeleteRules_data();
    void editAndDeleteRules();
    void importUserFile();

private:
    // A built-in table of one site.
    QTemporaryDir m_dir;
    QString m_builtIn;
};

void TestSearchSites::initTestCase() {
    m_builtIn = m_dir.filePath("searchsites.xml");
    QVERIFY(writeTextFile(
        m_builtIn,
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<MESSAGE><Site><id>0001</id><name>内置站</name>"
        "<url>http://builtin.test/</url><bisselect>True</bisselect></Site></MESSAGE>\n",
        "UTF-8"));
}

// No site is shipped that a fresh library could not reach: sites come in through 新增.
void TestSearchSites::shippedTable() {
    QVERIFY(QFileInfo(kShipped).isFile());
    SearchSites sites;
    sites.loadFiles(kShipped, "/nonexistent/book.dat", QString());
    QVERIFY(sites.sites().isEmpty());
}

void TestSearchSites::selection_data() {
    // expected: the ticks of built-in, user 1, user 2
    columns<QString, QString>("downSiteStr", "expected");
    // Without a stored selection every site keeps the tick of its file.
    addRow("none stored", "", "111");
    addRow("rows from 1", "1,3,", "101");
    addRow("junk and rows past the end ignored", "x,2,,9,", "010");
}

void TestSearchSites::selection() {
    const auto [downSiteStr, expected] = fetch<QString, QString>("downSiteStr", "expected");
    QTemporaryDir dir;
    QVERIFY(saveUserSites(dir.filePath("book.dat"), {userSite("a", true), userSite("b", true)}));
    SearchSites sites;
    sites.loadFiles(m_builtIn, dir.filePath("book.dat"), downSiteStr);
    QCOMPARE(sites.sites().size(), 3);
    QString ticks;
    for (const NovelSite& s : sites.sites())
        ticks += s.isSelected() ? '1' : '0';
    QCOMPARE(ticks, expected);
    QCOMPARE(sites.sitesToSearch(true).size(), expected.count('1'));
    QCOMPARE(sites.sitesToSearch(false).size(), 3);
    // The ticks written back read the same.
    SearchSites again;
    again.loadFiles(m_builtIn, dir.filePath("book.dat"), sites.selectionText());
    QCOMPARE(again.selectionText(), sites.selectionText());
}

void TestSearchSites::malformedUserFile() {
    QTemporaryDir dir;
    QVERIFY(writeTextFile(dir.filePath("book.dat"), "not a site list"));
    SearchSites sites;
    sites.loadFiles(m_builtIn, dir.filePath("book.dat"), "1,");
    QCOMPARE(sites.userSiteCount(), 0);
    QCOMPARE(sites.sites().size(), 1);
    QVERIFY(sites.sites().first().isSelected());
}

void TestSearchSites::editAndDeleteRules_data() {
    columns<int, QString, QString>("row", "edit", "remove");
    addRow("no selection", -1, "请点选具体自增项进行修改", "请点选具体自增项进行删除");
    addRow("built-in", 0, "系统项不能修改", "系统项不能删除");
    addRow("user's", 1, "", "");
    addRow("past the end", 2, "请点选具体自增项进行修改", "请点选具体自增项进行删除");
}

void TestSearchSites::editAndDeleteRules() {
    const auto [row, edit, remove] = fetch<int, QString, QString>("row", "edit", "remove");
    QTemporaryDir dir;
    QVERIFY(saveUserSites(dir.filePath("book.dat"), {userSite("a", false)}));
    SearchSites sites;
    sites.loadFiles(m_builtIn, dir.filePath("book.dat"), QString());
    QCOMPARE(sites.editProblem(row), edit);
    QCOMPARE(sites.deleteProblem(row), remove);
}

void TestSearchSites::importUserFile() {
    QTemporaryDir library;
    QTemporaryDir other;
    QVERIFY(saveUserSites(library.filePath("book.dat"), {userSite("old", true)}));
    QCOMPARE(SearchSites::importUserFile(other.filePath("missing.dat"), library.path()), QString("无此文件"));
    QVERIFY(writeTextFile(other.filePath("bad.dat"), "garbage"));
    QCOMPARE(SearchSites::importUserFile(other.filePath("bad.dat"), library.path()), QString("文件格式有误"));
    // Refused files leave book.dat as it was.
    QList<NovelSite> kept;
    QVERIFY(loadUserSites(library.filePath("book.dat"), kept));
    QCOMPARE(kept.size(), 1);

    QVERIFY(saveUserSites(other.filePath("new.dat"), {userSite("x", false), userSite("y", true)}));
    QCOMPARE(SearchSites::importUserFile(other.filePath("new.dat"), library.path()), QString());
    QList<NovelSite> imported;
    QVERIFY(loadUserSites(library.filePath("book.dat"), imported));
    QCOMPARE(imported.size(), 2);
    QCOMPARE(imported[1][NovelSite::Name], QString("y"));
    QCOMPARE(SearchSites::proposedExportName(QDate(2026, 3, 4)), QString("自定义搜索网站-20260304.dat"));
}

QTEST_GUILESS_MAIN(TestSearchSites)
#include "tst_searchsites.moc"
