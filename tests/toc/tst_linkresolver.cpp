// Link addresses made absolute against the list page, its base element and its script functions.
#include "support/rows.h"
#include "toc/linkresolver.h"
#include "toc/scriptreader.h"

#include <QTest>

class TestLinkResolver : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void resolve_data();
    void resolve();
    void findBase_data();
    void findBase();
};

void TestLinkResolver::resolve_data() {
    columns<QString, QString, QString, QString>("page", "base", "address", "expected");
    const QString page = QStringLiteral("http://www.site.test/files/12/345/index.html");
    addRow("folder", page, "", "1001.html", "http://www.site.test/files/12/345/1001.html");
    addRow("root", page, "", "/read/1.html", "http://www.site.test/read/1.html");
    addRow("one folder up", page, "", "../346/1.html", "http://www.site.test/files/12/346/1.html");
    addRow("two folders up", page, "", "../../7/1.html", "http://www.site.test/files/7/1.html");
    addRow("never above the root", page, "", "../../../../x.html", "http://www.site.test/x.html");
    addRow("absolute kept", page, "", "HTTP://other.test/a.html", "HTTP://other.test/a.html");
    addRow("scheme-relative", page, "", "//img.site.test/1.html", "http://img.site.test/1.html");
    addRow("query only", "http://www.site.test/book.php?id=3", "", "?id=3&page=2",
           "http://www.site.test/book.php?id=3&page=2");
    addRow("folder page", "http://www.site.test/novel/88/", "", "1/", "http://www.site.test/novel/88/1/");
    addRow("bare host", "http://www.site.test", "", "1.html", "http://www.site.test/1.html");
    addRow("base element", page, "http://cdn.site.test/mirror/345/", "1.html",
           "http://cdn.site.test/mirror/345/1.html");
    addRow("relative base", page, "/mirror/", "../1.html", "http://www.site.test/1.html");
    addRow("script call", page, "", "javascript:open(12,'b')", "http://www.site.test/r/12/b.htm");
    addRow("call without scheme", page, "", "open(3,'c')", "http://www.site.test/r/3/c.htm");
    addRow("unknown function", page, "", "javascript:nothing(1)", "");
    addRow("void", page, "", "javascript:void(0);", "");
    addRow("bare scheme", page, "", "javascript:;", "");
    addRow("empty", page, "", "  ", "");
}

void TestLinkResolver::resolve() {
    const auto [page, base, address, expected] =
        fetch<QString, QString, QString, QString>("page", "base", "address", "expected");
    const ScriptReader scripts(
        QStringLiteral("function open(a, b) { location.href = '/r/' + a + '/' + b + '.htm'; }"));
    LinkResolver resolver(page);
    resolver.setBase(base);
    resolver.setScripts(&scripts, false);
    QCOMPARE(resolver.resolve(address), expected);
}

void TestLinkResolver::findBase_data() {
    columns<QString, QString>("page", "base");
    addRow("quoted", "<head><BASE HREF=\"http://a.test/b/\" /></head>", "http://a.test/b/");
    addRow("single quotes", "<base href='http://a.test/c/'>", "http://a.test/c/");
    addRow("first one", "<base href=http://a.test/1/><base href=http://a.test/2/>", "http://a.test/1");
    addRow("target only", "<base target=_blank>", "");
}

void TestLinkResolver::findBase() {
    const auto [page, base] = fetch<QString, QString>("page", "base");
    QCOMPARE(LinkResolver::findBase(page), base);
}

QTEST_GUILESS_MAIN(TestLinkResolver)
#include "tst_linkresolver.moc"
