#include "output/chmproject.h"
#include "storage/settings.h"
#include "storage/textfile.h"
#include "support/rows.h"

#include <QStringDecoder>
#include <QtTest>

using namespace ChmProject;

class TestChmProject : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void windowLine_data();
    void windowLine();
    void projectText();
    void sitemapEntries();
    void relink_data();
    void relink();
};

void TestChmProject::windowLine_data() {
    // changes: "key=value" pairs of section Chm, separated by ";"
    columns<QString, QString>("changes", "line");
    const QString tail = QStringLiteral(",[80,60,720,540],0x0,0x0,,");
    addRow("defaults", QString(),
           "Main=\"\",\"temp.hhc\",\"temp.hhk\",\"[[TopicFileName]]\",\"[[TopicFileName]]\","
           ",,,,0x120,240,12302" +
               tail + "0,0,0,0");
    addRow("no contents, no index", "chmList=0;chmIndex=0",
           "Main=\"\",,,\"[[TopicFileName]]\",\"[[TopicFileName]]\",,,,,0x120,240,12302" + tail + "1,0,0,0");
    addRow("home page", "chmHome=1;chmHomeUrl=http://example.test/",
           "Main=\"\",\"temp.hhc\",\"temp.hhk\",\"[[TopicFileName]]\","
           "\"http://example.test/\",,,,,0x120,240,12366" +
               tail + "0,0,0,0");
    addRow("jumps",
           "chmJump1=1;chmJump1Url=a.htm;chmJump1Title=甲;chmJump2=1;chmJump2Url=b.htm;"
           "chmJump2Title=乙",
           "Main=\"\",\"temp.hhc\",\"temp.hhk\",\"[[TopicFileName]]\",\"[[TopicFileName]]\","
           "\"a.htm\",\"甲\",\"b.htm\",\"乙\",0x120,240,798734" +
               tail + "0,0,0,0");
    addRow("save position", "chmSavePos=1",
           "Main=\"\",\"temp.hhc\",\"temp.hhk\",\"[[TopicFileName]]\","
           "\"[[TopicFileName]]\",,,,,0x40120,240,12302" +
               tail + "0,0,0,0");
    addRow("bookmarks", "chmBookmark=1",
           "Main=\"\",\"temp.hhc\",\"temp.hhk\",\"[[TopicFileName]]\","
           "\"[[TopicFileName]]\",,,,,0x1120,240,12302" +
               tail + "0,0,0,0");
    addRow("all buttons, both panes",
           "chmSavePos=1;chmBookmark=1;chmLocate=1;chmPrev=1;chmNext=1;chmStop=1;chmRefresh=1;chmHome=1;"
           "chmFont=1;chmJump1=1;chmJump2=1",
           "Main=\"\",\"temp.hhc\",\"temp.hhk\",\"[[TopicFileName]]\",\"[[TopicFileName]]\",\"\",\"\",\"\","
           "\"\","
           "0x41120,240,8140926" +
               tail + "0,0,0,0");
}

void TestChmProject::windowLine() {
    const auto [changes, line] = fetch<QString, QString>("changes", "line");
    Settings settings;
    for (const QString& change : changes.split(u';', Qt::SkipEmptyParts)) {
        const QStringList pair = change.split(u'=');
        settings.setChmValue(pair.at(0), pair.at(1));
    }
    QCOMPARE(ChmProject::windowLine(settings), line);
}

void TestChmProject::projectText() {
    const QString text =
        buildProjectText(QStringLiteral("天下\r\n第一"), QStringLiteral("temp0512.chm"),
                         QStringLiteral("Main=\"\",,,\"[[TopicFileName]]\""),
                         {QStringLiteral("tempbook.htm"), QStringLiteral("chm/000001/图.jpg")},
                         {QStringLiteral("usermodel/我的/a.gif")});
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    QVERIFY(text.endsWith(QStringLiteral("[Alias]\r\n\r\n[INFOTYPES]\r\n\r\n")));
    QVERIFY(!QString(text).remove(QStringLiteral("\r\n")).contains(u'\n'));
    for (const char* expected :
         {"[Options]", "Compiled File =temp0512.chm", "Contents File =temp.hhc",
          "Default topic =tempbook.htm", "Index File =temp.hhk", "Binary Index=No", "Default Window=Main",
          "Language=0x804 中文(中国)", "Title =天下第一", "Main=\"\",,,\"tempbook.htm\""})
        QVERIFY2(lines.contains(QString::fromUtf8(expected)), expected);
    const qsizetype files = lines.indexOf(QStringLiteral("[Files]"));
    QCOMPARE(lines.mid(files, 6), QStringList({"[Files]", "tempbook.htm", "chm/000001/图.jpg", QString(),
                                               "usermodel/我的/a.gif", "[Alias]"}));

    // The compiler takes the title in the book's code page, the file names as the file system has them.
    const QByteArray bytes =
        encodeProject(buildProjectText(QStringLiteral("天下"), QStringLiteral("t.chm"),
                                       QStringLiteral("Main="), {QStringLiteral("图.jpg")}, {}));
    QVERIFY(bytes.contains(QByteArray(QByteArray("Title =") + encodeText(QStringLiteral("天下")))));
    QVERIFY(
        bytes.contains(QByteArray(QByteArray("[Files]\r\n") + QStringLiteral("图.jpg").toUtf8() + "\r\n")));
    QVERIFY(bytes.contains(encodeText(QStringLiteral("Language=0x804 中文(中国)\r\n"))));
}

void TestChmProject::sitemapEntries() {
    QCOMPARE(
        contentsEntry(QStringLiteral("第一卷\r\n\"上\""), QStringLiteral("chm/000002/"),
                      QStringLiteral("ListChm.htm")),
        QStringLiteral("<LI> <OBJECT type=\"text/sitemap\">\r\n<param name=\"Name\" value=\"第一卷上\">\r\n"
                       "<param name=\"Local\" value=\"chm/000002/ListChm.htm\">\r\n"
                       "<param name=\"ImageNumber\" value=\"1\">\r\n</OBJECT>\r\n"));
    QVERIFY(!contentsEntry(QStringLiteral("封面"), QString(), QStringLiteral("Index.htm"), true)
                 .contains("Local"));
    QCOMPARE(contentsFolderEntry(QStringLiteral("第\"一\"章"), QStringLiteral("chm/000002/"),
                                 QStringLiteral("7.htm"), false),
             QStringLiteral(
                 "<UL>\r\n<LI> <OBJECT type=\"text/sitemap\">\r\n<param name=\"Name\" value=\"第一章\">\r\n"
                 "<param name=\"Local\" value=\"chm/000002/7.htm\">\r\n</OBJECT>\r\n</UL>\r\n"));
    // An open entry leaves its sub-list open for what follows.
    const QString open = contentsFolderEntry(QStringLiteral("甲"), QString(), QStringLiteral("1.htm"), true);
    QVERIFY(open.contains(QStringLiteral("ImageNumber")));
    QVERIFY(!open.contains(QStringLiteral("</UL>")));
    QCOMPARE(
        indexEntry(QStringLiteral("第一章"), QStringLiteral("chm/000002/"), QStringLiteral("7.htm")),
        QStringLiteral("<LI> <OBJECT type=\"text/sitemap\">\r\n<param name=\"Keyword\" value=\"第一章\">\r\n"
                       "<param name=\"Local\" value=\"chm/000002/7.htm\">\r\n</OBJECT>\r\n"));
}

void TestChmProject::relink_data() {
    columns<int, QByteArray, bool, QByteArray>("position", "page", "changed", "expected");
    const QByteArray page = "<a href=\"Prior.htm\">p</a><a href=\"List.htm\">l</a><a href=\"Next.htm\">n</a>";
    addRow("first", 0, page, true,
           QByteArray("<a href=\"List.htm\">p</a><a href=\"List.htm\">l</a><a href=\"5.htm\">n</a>"));
    addRow("middle", 1, page, true,
           QByteArray("<a href=\"3.htm\">p</a><a href=\"List.htm\">l</a><a href=\"9.htm\">n</a>"));
    addRow("last", 2, page, true,
           QByteArray("<a href=\"5.htm\">p</a><a href=\"List.htm\">l</a><a href=\"List.htm\">n</a>"));
    const QByteArray relinked =
        "<a href=\"3.htm\">p</a><a href=\"Prior.htm\">x</a><a href=\"List.htm\">n</a>";
    addRow("relinked before", 1, relinked, false, relinked);
    // 癗 is B0 4E and 昉 95 50 in GBK: their trail bytes spell "N" and "P".
    const QByteArray gbk = encodeText(
        QStringLiteral("<a href=\"Prior.htm\">上</a>昉rior.htm 癗ext.htm<a href=\"Next.htm\">下</a>"));
    addRow(
        "GBK trail bytes", 1, gbk, true,
        encodeText(QStringLiteral("<a href=\"3.htm\">上</a>昉rior.htm 癗ext.htm<a href=\"9.htm\">下</a>")));
    const QByteArray trailOnly = encodeText(QStringLiteral("<p>癗ext.htm</p>"));
    addRow("only inside a character", 1, trailOnly, false, trailOnly);
}

void TestChmProject::relink() {
    auto [position, page, changed, expected] =
        fetch<int, QByteArray, bool, QByteArray>("position", "page", "changed", "expected");
    QCOMPARE(relinkPage(position, {QStringLiteral("3.htm"), QStringLiteral("5.htm"), QStringLiteral("9.htm")},
                        page),
             changed);
    QCOMPARE(page, expected);
}

QTEST_GUILESS_MAIN(TestChmProject)
#include "tst_chmproject.moc"
