// Volume headings: which heading a chapter falls under, and the clean name of a heading.
#include "support/rows.h"
#include "toc/linkcollector.h"
#include "toc/volumes.h"

#include <QTest>

class TestVolumes : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void findVolumeIndex_data();
    void findVolumeIndex();
    void getVolumeTitle_data();
    void getVolumeTitle();
    void assignVolumes_data();
    void assignVolumes();
};

void TestVolumes::findVolumeIndex_data() {
    columns<qsizetype, int>("position", "index");
    addRow("before the first", qsizetype(5), -1);
    addRow("at a heading", qsizetype(10), -1);
    addRow("after the first", qsizetype(11), 0);
    addRow("between", qsizetype(25), 1);
    addRow("after the last", qsizetype(1000), 2);
}

void TestVolumes::findVolumeIndex() {
    const auto [position, index] = fetch<qsizetype, int>("position", "index");
    QCOMPARE(::findVolumeIndex(position, {10, 20, 30}), index);
}

void TestVolumes::getVolumeTitle_data() {
    columns<QString, QString, QString, QString>("match", "start", "end", "title");
    addRow("markers cut", "<dt class=\"vol\">第一卷 少年游</dt>", "<dt class=\"vol\">", "</dt>",
           "第一卷 少年游");
    addRow("fallback marker", "vcss\" colspan=\"4\">第二部&nbsp;入京<", "vcss", "<", "第二部 入京");
    addRow("tags and brackets", "<td class=vol><b>[第三卷]</b> &lt;风云&gt;\r\n</td>", "<td class=vol>",
           "</td>", "第三卷 风云");
    addRow("quotes and tabs", "<h3>\t\"外传\"\t</h3>", "<h3>", "</h3>", "外传");
    addRow("shorter than its markers", "<b>", "<b>", "</b>", "");
}

void TestVolumes::getVolumeTitle() {
    const auto [match, start, end, title] =
        fetch<QString, QString, QString, QString>("match", "start", "end", "title");
    QCOMPARE(::getVolumeTitle(match, start, end), title);
}

void TestVolumes::assignVolumes_data() {
    // titlesFindThePlace: the same result for links without a place
    columns<QString, QString, QString, QStringList, bool>("list", "start", "end", "volumes",
                                                          "titlesFindThePlace");
    const QString list =
        QStringLiteral("<a href=0.html>楔子</a><h3>第一卷</h3><a href=1.html>第一章</a>"
                       "<a href=2.html>第二章</a><h3>第二卷</h3><a href=3.html>第三章</a><h3>第三卷</h3>");
    addRow("markers", list, "<h3>", "</h3>", QStringList{"", "第一卷", "第一卷", "第二卷"}, true);
    addRow("end marker defaults to <", list, "<h3>", "", QStringList{"", "第一卷", "第一卷", "第二卷"}, true);
    addRow("no markers, no volumes", list, "", "", QStringList{"", "", "", ""}, true);
    addRow("fallback marker", "<div class=style6>上卷</div><a href=0.html>楔子</a><a href=1.html>第一章</a>",
           "", "", QStringList{"上卷", "上卷"}, true);
    // A chapter title repeated in a heading does not move the chapter into that volume.
    addRow("title also in a heading",
           "<h3>第一卷</h3><a href=1.html>终章</a><h3>终章</h3><a href=2.html>后记</a>", "<h3>", "</h3>",
           QStringList{"第一卷", "终章"}, false);
}

void TestVolumes::assignVolumes() {
    const auto [list, start, end, volumes, titlesFindThePlace] =
        fetch<QString, QString, QString, QStringList, bool>("list", "start", "end", "volumes",
                                                            "titlesFindThePlace");
    ChapterLinks links = collectLinks(list);
    ::assignVolumes(list, links, start, end);
    QStringList got;
    for (const ChapterLink& link : links)
        got.append(link.volume);
    QCOMPARE(got, volumes);

    // Links without a place, as feed items come, are found by their titles in order.
    for (ChapterLink& link : links)
        link.position = -1;
    ::assignVolumes(list, links, start, end);
    got.clear();
    for (const ChapterLink& link : links)
        got.append(link.volume);
    if (titlesFindThePlace)
        QCOMPARE(got, volumes);
}

QTEST_GUILESS_MAIN(TestVolumes)
#include "tst_volumes.moc"
