// What a chapter-list synchronisation changes, from the site's list, the stored chapters and the excluded
// links: one row per way a site changes its table of contents.
#include "support/rows.h"
#include "toc/syncplan.h"

#include <QTest>

namespace {

const QString kBase = QStringLiteral("http://s.test/b/");

// "1.html=第一章@第一卷|-|2.html=第二章": entries of the site's list; "-" a link dropped as no chapter.
ChapterLinks siteList(const QString& text) {
    ChapterLinks links;
    for (const QString& entry : text.split(u'|', Qt::SkipEmptyParts)) {
        if (entry == QLatin1String("-")) {
            links.append({QStringLiteral("返回书页"), QString(), QString(), -1});
            continue;
        }
        const QString file = entry.section(u'=', 0, 0);
        const QString rest = entry.section(u'=', 1);
        links.append({rest.section(u'@', 0, 0), kBase + file, rest.section(u'@', 1), -1});
    }
    return links;
}

// "1.html=第一章|=手写": stored chapters with ids and orders 1, 2, …; no file: written by hand.
QList<SyncedChapter> storedList(const QString& text) {
    QList<SyncedChapter> chapters;
    for (const QString& entry : text.split(u'|', Qt::SkipEmptyParts)) {
        const QString file = entry.section(u'=', 0, 0);
        const int n = int(chapters.size()) + 1;
        chapters.append({n, entry.section(u'=', 1), file.isEmpty() ? QString() : kBase + file, n});
    }
    return chapters;
}

// D<id>><order if kept>, R<id>:<title>@<order>[:<volume>], N<id>@<order>, I<order>:<file>:<title>[:<volume>].
QString describe(const SyncPlan& plan) {
    QStringList parts;
    for (const SyncPlan::Deletion& d : plan.deletions)
        parts << QStringLiteral("D%1>%2").arg(d.id).arg(d.keptOrder);
    for (const SyncPlan::Retitle& r : plan.retitles)
        parts << QStringLiteral("R%1:%2@%3").arg(r.id).arg(r.title).arg(r.displayorder) +
                     (r.volume.isEmpty() ? QString() : u':' + r.volume);
    for (const SyncPlan::Renumber& r : plan.renumbered)
        parts << QStringLiteral("N%1@%2").arg(r.id).arg(r.displayorder);
    for (const ChapterRecord& c : plan.inserts) {
        QString text =
            QStringLiteral("I%1:%2:%3").arg(c.displayorder).arg(c.comeFrom.mid(kBase.size()), c.title);
        if (!c.volume.isEmpty())
            text += u':' + c.volume;
        if (c.novelId != QLatin1String("000001") || c.wordNums)
            text += QStringLiteral(":not a waiting row of the novel");
        parts << text;
    }
    return parts.join(u' ');
}

} // namespace

class TestSyncPlan : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void plan_data();
    void plan();
};

void TestSyncPlan::plan_data() {
    columns<QString, QString, QString, QString>("site", "stored", "needDelUrl", "expected");
    const QString three = QStringLiteral("1.html=一|2.html=二|3.html=三");
    addRow("nothing changed", three, three, "", "");
    addRow("nothing stored yet", three, "", "", "I1:1.html:一 I2:2.html:二 I3:3.html:三");
    addRow("deleted at the site", "1.html=一|3.html=三", three, "", "D2>3 N3@2");
    addRow("swapped", "1.html=一|3.html=三|2.html=二", three, "", "N2@3 N3@2");
    addRow("retitled keeps its row", "1.html=一|2.html=贰|3.html=三", three, "", "R2:贰@2");
    addRow("retitled takes the site's volume", "1.html=一|2.html=贰@第二卷|3.html=三", three, "",
           "R2:贰@2:第二卷");
    addRow("retitled and moved", "2.html=贰|1.html=一|3.html=三", three, "", "R2:贰@1 N1@2");
    addRow("new one in the middle", "1.html=一|4.html=四@续卷|2.html=二|3.html=三", three, "",
           "N2@3 N3@4 I2:4.html:四:续卷");
    addRow("blank volume stays empty", "1.html=一|2.html=二|3.html=三|4.html=四@ ", three, "",
           "I4:4.html:四");
    addRow("dropped links keep their places", "1.html=一|-|2.html=二|-|3.html=三", three, "", "N2@3 N3@5");
    addRow("excluded address", three, three, "http://s.test/b/2.html(二)||", "D2>4");
    addRow("excluded address is not added", "1.html=一|2.html=二|3.html=三|4.html=四", three,
           "http://s.test/b/4.html(四)||", "");
    addRow("excluded pattern holding (", "1.html=一|2.html=二|3.html=三|4.html=四", three,
           "[[/b/(2|4)\\.html$]](二)||", "D2>5");
    addRow("pattern among plain entries", "1.html=一|2.html=二|3.html=三|4.html=四", three,
           "http://s.test/b/9.html(九)||[[4\\.h]](四)||", "");
    addRow("new suffix dropped", "1.html=一new|2.html=二NeW|3.html=三|4.html=第四章New", three, "",
           "I4:4.html:第四章");
    addRow("a title only new", "1.html=一|2.html=二|3.html=new", "1.html=一|2.html=二|3.html=new", "", "");
    addRow("four letters ending in new", "1.html=一|2.html=二|3.html=anew", three, "", "R3:a@3");
    addRow("written by hand", three, "1.html=一|=我的笔记|2.html=二|3.html=三", "", "D2>4 N3@2 N4@3");
    addRow("address case matters", "1.html=一|2.HTML=二|3.html=三", three, "", "D2>4 I2:2.HTML:二");
    addRow("listed twice, added once", "1.html=一|2.html=二|2.html=二|3.html=三|5.html=五|5.html=五", three,
           "", "N3@4 I5:5.html:五");
    addRow("stored twice, kept twice", three, "1.html=一|2.html=二|2.html=二|3.html=三", "", "N3@2 N4@3");
    addRow("stored twice, retitled once", "1.html=一|2.html=贰|3.html=三",
           "1.html=一|2.html=二|2.html=二|3.html=三", "", "D3>2 R2:贰@2 N4@3");
    addRow("kept beats retitled", "1.html=一|2.html=二|3.html=三", "1.html=一|2.html=旧|2.html=二|3.html=三",
           "", "D2>2 N3@2 N4@3");
    addRow("empty site title is no chapter", "1.html=一|2.html=|3.html=三", three, "", "D2>4");
    addRow("site dropped everything", "-|-", "1.html=一", "", "D1>3");
}

void TestSyncPlan::plan() {
    const auto [site, stored, needDelUrl, expected] =
        fetch<QString, QString, QString, QString>("site", "stored", "needDelUrl", "expected");
    const SyncPlan made =
        SyncPlan::make(QStringLiteral("000001"), siteList(site), storedList(stored), needDelUrl);
    QCOMPARE(describe(made), expected);
    QCOMPARE(made.isEmpty(), expected.isEmpty());
}

QTEST_GUILESS_MAIN(TestSyncPlan)
#include "tst_syncplan.moc"
