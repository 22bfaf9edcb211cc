// The checks made before a novel is stored, and the names taken from page titles and handed addresses.
#include "addnovel/addnovelrules.h"
#include "support/rows.h"
#include "support/testlibrary.h"

#include <QDir>
#include <QTest>

class TestAddNovelRules : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void checkName_data();
    void checkName();
    void nameFileIsLeftAlone();
    void localPaths_data();
    void localPaths();
    void searchChecks_data();
    void searchChecks();
    void titleToName_data();
    void titleToName();
    void handedAddress_data();
    void handedAddress();
};

void TestAddNovelRules::checkName_data() {
    // editingOwn: the novel being edited is the one named "O'Brien的书"
    columns<QString, bool, bool, QString>("name", "isNew", "editingOwn", "message");
    const QString bad = "小说名称不能包含<>?:\"|*%#等特殊符号，请重新输入";
    addRow("empty new", "  ", true, false, "请输入小说名称或者目录页网址");
    addRow("empty properties", "", false, true, "小说名称不能为空");
    addRow("hash", "第#部", true, false, bad);
    addRow("percent", "100%", true, false, bad);
    addRow("slash makes no file", "上/下", true, false, bad);
    addRow("backslash", "上\\下", true, false, bad);
    addRow("too long for a file", QString(300, QChar(u'长')), true, false, bad);
    addRow("apostrophe duplicate", "O'Brien的书", true, false, "已有同名的小说，请重新输入");
    addRow("own name when editing", "O'Brien的书", false, true, "");
    addRow("another's name when editing", "旧书", false, true, "已有同名的小说，请重新输入");
    addRow("fresh name", "It's new", true, false, "");
}

void TestAddNovelRules::checkName() {
    const auto [name, isNew, editingOwn, message] =
        fetch<QString, bool, bool, QString>("name", "isNew", "editingOwn", "message");
    TestLibrary library;
    const QString own = library.addNovel("O'Brien的书");
    library.addNovel("旧书");
    const QString temp = library.context().folder().tempDir();
    QCOMPARE(AddNovelRules::checkName(library.db(), name, isNew, temp, editingOwn ? own : QString()),
             message);
    // The trial file is gone again.
    QCOMPARE(QDir(temp).entryList(QDir::Files).size(), 0);
}

void TestAddNovelRules::nameFileIsLeftAlone() {
    QTemporaryDir dir;
    QFile existing(dir.filePath("已有.txt"));
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.write("keep");
    existing.close();
    QVERIFY(AddNovelRules::canNameFile("已有", dir.path()));
    QVERIFY(existing.open(QIODevice::ReadOnly));
    QCOMPARE(existing.readAll(), QByteArray("keep"));
}

void TestAddNovelRules::localPaths_data() {
    columns<QString, bool, bool>("address", "local", "siteRoot");
    addRow("drive letter", "C:\\books\\list.htm", true, false);
    addRow("absolute path", "/home/u/list.htm", true, false);
    addRow("file url", "file:///home/u/list.htm", true, false);
    addRow("http", "http://a.test/1/", false, true);
    addRow("https, spaces", "  HTTPS://a.test/1/", false, true);
    addRow("bare host", "a.test/1/", false, false);
}

void TestAddNovelRules::localPaths() {
    const auto [address, local, siteRoot] = fetch<QString, bool, bool>("address", "local", "siteRoot");
    QCOMPARE(AddNovelRules::isLocalPath(address), local);
    QCOMPARE(AddNovelRules::hasSiteRoot(address), siteRoot);
}

void TestAddNovelRules::searchChecks_data() {
    columns<QString, QString>("name", "message");
    addRow("empty", " ", "名称不能为空");
    addRow("straight quotes", "\"\"", "名称不能为空");
    addRow("curly quotes", "“”", "名称不能为空");
    addRow("name", "演示", "");
}

void TestAddNovelRules::searchChecks() {
    const auto [name, message] = fetch<QString, QString>("name", "message");
    QCOMPARE(AddNovelRules::checkSearchName(name), message);
    QCOMPARE(AddNovelRules::checkAuthor(name),
             name.trimmed().isEmpty() ? QString("作者姓名不能为空") : QString());
}

void TestAddNovelRules::titleToName_data() {
    columns<QString, QString>("title", "name");
    addRow("empty", "", "");
    addRow("hyphen", "演示小说-最新章节-演示小说站", "演示小说");
    addRow("arrow", "演示小说-->目录", "演示小说");
    addRow("separators", "演示小说_目录|站", "演示小说");
    addRow("full-width hyphen and dot", "剑来－烽火·戏诸侯", "剑来");
    addRow("space", "剑来 最新章节", "剑来");
    addRow("site first", "演示小说站 - 风雪夜归人 - 目录", "风雪夜归人");
    addRow("site alone", "演示小说站", "演示小说站");
    addRow("angle removed", ">>剑来", "剑来");
}

void TestAddNovelRules::titleToName() {
    const auto [title, name] = fetch<QString, QString>("title", "name");
    QCOMPARE(AddNovelRules::titleToName(title), name);
    QCOMPARE(AddNovelRules::nameFromPage("<html><head><title>" + title + "</title></head></html>"), name);
}

void TestAddNovelRules::handedAddress_data() {
    columns<QString, QString, QString>("text", "address", "name");
    addRow("address", "  http://a.test/1/ \n", "http://a.test/1/", "");
    addRow("any case", "HTTP://a.test/1/", "HTTP://a.test/1/", "");
    addRow("with title", "http://a.test/1/||剑来_最新章节", "http://a.test/1/", "剑来");
    addRow("not an address", "剑来", "", "");
    addRow("address later in the text", "see http://a.test/", "", "");
}

void TestAddNovelRules::handedAddress() {
    const auto [text, address, name] = fetch<QString, QString, QString>("text", "address", "name");
    const AddNovelRules::Handed handed = AddNovelRules::handedAddress(text);
    QCOMPARE(handed.address, address);
    QCOMPARE(handed.name, name);
}

QTEST_GUILESS_MAIN(TestAddNovelRules)
#include "tst_addnovelrules.moc"
