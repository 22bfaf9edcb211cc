// The ranking pages' links on a real library file, and the novel-page patterns.
#include "companion/novelpagepatterns.h"
#include "storage/showtopstore.h"
#include "support/rows.h"
#include "support/testlibrary.h"

#include <QTest>

namespace {

QStringList names(const ShowTopStore& store) {
    QStringList list;
    for (const ShowTopLink& l : store.list())
        list << l.name;
    return list;
}

} // namespace

class TestWebPages : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void links();
    void patterns_data();
    void patterns();
    void shippedPatternsFindTheDemoNovel();
};

void TestWebPages::links() {
    TestLibrary lib;
    const ShowTopStore store(lib.db());
    QVERIFY(store.ensure({{0, "甲", "http://a/", 0}, {0, "乙", "http://b/", 0}}));
    QCOMPARE(names(store), (QStringList{"甲", "乙"}));
    const qint64 c = store.add("丙", " http://c/ ");
    QCOMPARE(store.get(c)->url, QString("http://c/"));
    QCOMPARE(store.add("", "http://d/"), 0);
    QCOMPARE(ShowTopStore::check("丁", " "), QString("链接地址不能为空"));
    QCOMPARE(store.swap(c, false), ShowTopStore::Swap::AtEnd);
    QCOMPARE(store.swap(store.list().first().id, true), ShowTopStore::Swap::AtEnd);
    QCOMPARE(store.swap(c, true), ShowTopStore::Swap::Moved);
    QCOMPARE(names(store), (QStringList{"甲", "丙", "乙"}));
    QVERIFY(store.update(c, "丙二", "http://c2/"));
    for (const ShowTopLink& l : store.list())
        QVERIFY(store.remove(l.id));
    QVERIFY(!store.remove(c));
    // A library whose user deleted every link does not get the defaults again.
    QVERIFY(store.ensure({{0, "甲", "http://a/", 0}}));
    QCOMPARE(names(store), QStringList());
}

void TestWebPages::patterns_data() {
    columns<QString, QString, QString, int>("lines", "address", "contents", "warnings");
    const QString site = "http://s.test/||/info/\t^(http://s\\.test)/info/(\\d+)\\.htm$\t\\1/book/\\2/index.html";
    addRow("prefix and part", site, "http://s.test/info/12.htm", "http://s.test/book/12/index.html", 0);
    addRow("about:blank before it", site, "about:blankhttp://s.test/info/12.htm",
           "http://s.test/book/12/index.html", 0);
    addRow("prefix without the part", site, "http://s.test/news/12.htm", "", 0);
    addRow("an ordinary page of the site", site, "http://s.test/info/list.htm", "", 0);
    addRow("another site", site, "http://t.test/info/12.htm", "", 0);
    addRow("empty", site, "about:blank", "", 0);
    addRow("comments and CRLF", "# 注释\r\n\r\n" + site + "\r\n", "http://s.test/info/3.htm",
           "http://s.test/book/3/index.html", 0);
    addRow("a bad expression skips its line only", "http://x/\t(unclosed\t\\1\n" + site,
           "http://s.test/info/3.htm", "http://s.test/book/3/index.html", 1);
    addRow("two fields", "http://x/\t^x$", "http://x/", "", 1);
}

void TestWebPages::patterns() {
    const auto [lines, address, contents, warnings] =
        fetch<QString, QString, QString, int>("lines", "address", "contents", "warnings");
    QStringList said;
    const NovelPagePatterns p = NovelPagePatterns::parse(lines, &said);
    QCOMPARE(p.contentsAddress(address), contents);
    QCOMPARE(said.size(), warnings);
}

void TestWebPages::shippedPatternsFindTheDemoNovel() {
    TestLibrary lib; // the library folder gets the shipped file
    QStringList said;
    const NovelPagePatterns p =
        NovelPagePatterns::load(lib.context().folder().file(NovelPagePatterns::fileName()), &said);
    QCOMPARE(said, QStringList());
    QCOMPARE(p.contentsAddress("http://127.0.0.1:18808/bookinfo.html"),
             QString("http://127.0.0.1:18808/book/index.html"));
    for (const ShowTopLink& l : NovelPagePatterns::defaultLinks())
        QCOMPARE(p.matches(l.url), l.url.endsWith("bookinfo.html"));
}

QTEST_GUILESS_MAIN(TestWebPages)
#include "tst_webpages.moc"
