// Links as the list step sees them: titles, raw addresses, script links, duplicates, the cleaning of
// the "<a …</a>" matches, and each link's place in the list text.
#include "support/rows.h"
#include "toc/linkcollector.h"

#include <QTest>

namespace {

QStringList titles(const ChapterLinks& links) {
    QStringList out;
    for (const ChapterLink& l : links)
        out.append(l.title);
    return out;
}

QStringList urls(const ChapterLinks& links) {
    QStringList out;
    for (const ChapterLink& l : links)
        out.append(l.url);
    return out;
}

} // namespace

class TestLinkCollector : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void links_data();
    void links();
    void positionsFollowTheListText();
    void plainListsReadAsParsedOnes();
    void stopEndsWithNothing();
    void getLinks2();
};

// Rows named "list: ..." go through the cleaning of a whole list; the others read one fragment.
void TestLinkCollector::links_data() {
    columns<QString, QStringList, QStringList>("fragment", "titles", "urls");

    addRow("plain", "<a href=\"1.html\"> 第一章 </a><br><a href='/b/2.html'>第二章</a>",
           QStringList{"第一章", "第二章"}, QStringList{"1.html", "/b/2.html"});
    addRow("second link to an address is emptied",
           "<a href=1.html>第一章</a><a href=2.html>第二章</a><a href=1.html>第一章</a>",
           QStringList{"第一章", "第二章", "第一章"}, QStringList{"1.html", "2.html", ""});
    // A substring of an earlier address is a different chapter.
    addRow("address inside an earlier one", "<a href=11.html>十一</a><a href=1.html>一</a>",
           QStringList{"十一", "一"}, QStringList{"11.html", "1.html"});
    addRow("entities and about: prefixes",
           "<a href=\"a.php?x=1&amp;y=2\">甲 &amp; 乙</a><a href=\"about:blank\">空</a>",
           QStringList{"甲 & 乙", "空"}, QStringList{"a.php?x=1&y=2", ""});
    addRow("window.open takes its first argument",
           "<a href='#' onclick=\"window.open('/read/7.html','_blank','width=600')\">第七章</a>",
           QStringList{"第七章"}, QStringList{"/read/7.html"});
    addRow("other onclick call becomes the address",
           "<a href=# onclick=\"showChapter(12, 345);return false;\">第八章</a>", QStringList{"第八章"},
           QStringList{"showChapter(12,345)"});
    // Every script link used to count as the same "#" address.
    addRow("several script links all survive",
           "<a href=#1 onclick=\"go(1)\">一</a><a href=#1 onclick=\"go(2)\">二</a><a href=#1 "
           "onclick=\"go(1)\">一</a>",
           QStringList{"一", "二", "一"}, QStringList{"go(1)", "go(2)", ""});
    addRow("hash without script", "<a href=#top>顶部</a>", QStringList{"顶部"}, QStringList{""});
    addRow("anchors without href are not links", "<a name=x>卷一</a><a>无</a>", QStringList(), QStringList());
    addRow("markup inside the title", "<a href=3.html><b>第三章</b><br>重逢</a>",
           QStringList{"第三章\r\n重逢"}, QStringList{"3.html"});
    addRow("long titles are cut", "<a href=1.html>" + QString(300, QChar(u'字')) + "</a>",
           QStringList{QString(250, QChar(u'字'))}, QStringList{"1.html"});
    addRow("list: pictures removed", "<a href=1.html><img src=new.gif alt=\"新\">第一章</a>",
           QStringList{"第一章"}, QStringList{"1.html"});
    addRow("list: named anchor before a link", "<a name=\"v1\"><a href=\"2.html\">第二章</a>",
           QStringList{"第二章"}, QStringList{"2.html"});
    addRow("list: in-page links removed", "<a href=\"#top\">顶部</a><a href=\"3.html\">第三章</a>",
           QStringList{"第三章"}, QStringList{"3.html"});
    addRow("list: links without a space after a are not matched",
           "<a\thref=4.html>第四章</a><A HREF=5.html>第五章</A>", QStringList{"第五章"},
           QStringList{"5.html"});
    addRow("list: unclosed link", "<a href=6.html>第六章", QStringList(), QStringList());
}

void TestLinkCollector::links() {
    const auto [fragment, titles, urls] =
        fetch<QString, QStringList, QStringList>("fragment", "titles", "urls");
    const bool list = QByteArray(QTest::currentDataTag()).startsWith("list:");
    const ChapterLinks links = list ? ::collectLinks(fragment) : ::getLinks(fragment);
    QCOMPARE(::titles(links), titles);
    QCOMPARE(::urls(links), urls);
}

void TestLinkCollector::positionsFollowTheListText() {
    const QString list =
        QStringLiteral("<p>卷一</p>\r\n<a href=1.html>第一章</a>中文<a href=2.html><b>第</b>二章</a>"
                       "<a name=x><a href=3.html>第三章</a>");
    const ChapterLinks links = ::collectLinks(list);
    QCOMPARE(links.size(), 3);
    QCOMPARE(links.at(0).position, list.indexOf(QLatin1String("<a href=1")));
    QCOMPARE(links.at(1).position, list.indexOf(QLatin1String("<a href=2")));
    QCOMPARE(links.at(2).position, list.indexOf(QLatin1String("<a name=x")));
}

void TestLinkCollector::plainListsReadAsParsedOnes() {
    // A list of plain links is read without the parser; one link with markup at its end sends the
    // whole list through the parser. The links before it come out the same either way.
    QString list = QStringLiteral("<div>卷一</div>\r\n");
    for (int i = 1; i <= 60; ++i) {
        const QString address =
            i % 7 == 0 ? QStringLiteral("%1.html").arg(i - 1) : QStringLiteral("%1.html").arg(i);
        const QString quoted = i % 3 == 0 ? address : u'"' + address + u'"';
        list += QStringLiteral("<li><A HREF=%1 title='t%2'>\r\n 第%2章\t 标题 </a></li>中文\r\n")
                    .arg(quoted)
                    .arg(i);
        if (i % 10 == 0)
            list += QStringLiteral("<a href='#' onclick=\"go(%1)\">脚本%1</a>").arg(i);
    }
    const ChapterLinks plain = ::collectLinks(list);
    const ChapterLinks parsed = ::collectLinks(list + QStringLiteral("<a href=end.html><b>末</b>章</a>"));
    QCOMPARE(plain.size(), 66);
    QCOMPARE(parsed.size(), plain.size() + 1);
    for (qsizetype i = 0; i < plain.size(); ++i) {
        QCOMPARE(plain.at(i), parsed.at(i));
        QCOMPARE(plain.at(i).position, parsed.at(i).position);
    }
    QCOMPARE(plain.at(0).title, QStringLiteral("第1章 标题"));
    QCOMPARE(plain.at(6).url, QString()); // the same address as the link before it
    QCOMPARE(parsed.last().title, QStringLiteral("末章"));
}

void TestLinkCollector::stopEndsWithNothing() {
    int asked = 0;
    const ChapterLinks links = ::getLinks(QStringLiteral("<a href=1.html>一</a><a href=2.html>二</a>"),
                                          [&asked] { return ++asked > 1; });
    QVERIFY(links.isEmpty());
    QCOMPARE(asked, 2);
}

void TestLinkCollector::getLinks2() {
    const QString page =
        QStringLiteral("<script>function jump(n){location.href='/b/'+n+'.html';}</script>"
                       "<p>正文……</p><a href=\"p2.html\">下一页</a><a href=\"../pics/1.zip\">附件</a>"
                       "<a href=\"/b/OLD.html\">旧</a><a href=\"javascript:jump(9)\">续</a><a "
                       "href=\"javascript:nowhere()\">空</a>");
    const ChapterLinks links = ::getLinks2(page, QStringLiteral("http://h.test/b/5.html"),
                                           {QStringLiteral("http://h.test/b/old.html")});
    QCOMPARE(::urls(links), (QStringList{"http://h.test/b/p2.html", "", "", "http://h.test/b/9.html", ""}));
}

QTEST_GUILESS_MAIN(TestLinkCollector)
#include "tst_linkcollector.moc"
