// A novel's excluded links: entry format, plain and pattern entries.
#include "sites/needdelurl.h"
#include "support/rows.h"

#include <QTest>

class TestNeedDelUrl : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void excludes_data();
    void excludes();
    void entries();
};

void TestNeedDelUrl::excludes_data() {
    columns<QString, QString, bool>("list", "url", "excluded");
    const QString list = QStringLiteral(
        "http://s.test/b/5.html(第五章(上))||[[/vip/(\\d+)\\.html]](VIP章节)||http://s.test/b/9.html||");
    addRow("plain equal", list, "http://s.test/b/5.html", true);
    addRow("plain is not a prefix", list, "http://s.test/b/5.html?x", false);
    addRow("plain without title", list, "http://s.test/b/9.html", true);
    addRow("pattern with brackets matches anywhere", list, "http://s.test/vip/12.html", true);
    addRow("pattern near miss", list, "http://s.test/vip/x.html", false);
    addRow("empty list", "", "http://s.test/b/5.html", false);
}

void TestNeedDelUrl::excludes() {
    const auto [list, url, excluded] = fetch<QString, QString, bool>("list", "url", "excluded");
    QCOMPARE(NeedDelUrl(list).excludes(url), excluded);
}

void TestNeedDelUrl::entries() {
    const QString text =
        NeedDelUrl::entryText(QStringLiteral("http://s.test/1.html"), QStringLiteral("第一章(上)")) +
        QStringLiteral("[[a(b)]](规则)||");
    const QList<NeedDelUrl::Entry> entries = NeedDelUrl(text).entries();
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries.at(0).address, QStringLiteral("http://s.test/1.html"));
    QCOMPARE(entries.at(0).title, QStringLiteral("第一章(上)"));
    QVERIFY(!entries.at(0).isPattern);
    QCOMPARE(entries.at(1).address, QStringLiteral("a(b)"));
    QCOMPARE(entries.at(1).title, QStringLiteral("规则"));
    QVERIFY(entries.at(1).isPattern);
}

QTEST_GUILESS_MAIN(TestNeedDelUrl)
#include "tst_needdelurl.moc"
