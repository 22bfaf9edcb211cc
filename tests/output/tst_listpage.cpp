#include "novelfixture.h"
#include "output/libraryreportjob.h"
#include "output/listpage.h"
#include "output/listpagesjob.h"
#include "output/listtable.h"
#include "output/volumepagesjob.h"
#include "storage/categorystore.h"
#include "storage/prompter.h"
#include "storage/textfile.h"
#include "support/rows.h"

#include <QRegularExpression>
#include <QtTest>

namespace {

QList<OutputChapter> chaptersOf(const QStringList& volumes) {
    QList<OutputChapter> list;
    for (qsizetype i = 0; i < volumes.size(); ++i)
        list.append(OutputChapter{i + 1, QStringLiteral("第%1章").arg(i + 1), volumes.at(i)});
    return list;
}

QStringList rows(const QString& table) {
    return table.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

} // namespace

class TestListPage : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void table_data();
    void table();
    void escapeText_data();
    void escapeText();
    void listPage();
    void listPageOfUserStyle();
    void listPagesJob();
    void volumePages();
    void libraryReport();
};

void TestListPage::table_data() {
    // expected: rows in short form: H<heading>, C<cells> F<fillers>
    columns<QStringList, int, bool, QStringList>("volumes", "perLine", "volumeLinks", "expected");

    addRow("seven by three", QStringList(7, QString()), 3, false,
           QStringList({"H正文", "C3F0", "C3F0", "C1F2"}));
    addRow("volumes with links", QStringList({"上卷", "上卷", "上卷", "下卷"}), 2, true,
           QStringList({"H上卷  [ <a href=vol1.htm>分卷阅读</a> ]", "C2F0", "C1F1",
                        "H下卷  [ <a href=vol2.htm>分卷阅读</a> ]", "C1F1"}));
    addRow("a volume coming back is a run of its own", QStringList({"甲", "乙", "甲"}), 4, false,
           QStringList({"H甲", "C1F3", "H乙", "C1F3", "H甲", "C1F3"}));
    addRow("chapters without volume after a volume", QStringList({"甲", QString()}), 1, true,
           QStringList({"H甲  [ <a href=vol1.htm>分卷阅读</a> ]", "C1F0",
                        "H正文  [ <a href=vol2.htm>分卷阅读</a> ]", "C1F0"}));
    addRow("zero per line means two", QStringList(3, QStringLiteral("卷")), 0, false,
           QStringList({"H卷", "C2F0", "C1F1"}));
    addRow("no chapters", QStringList(), 2, true, QStringList());
}

void TestListPage::table() {
    const auto [volumes, perLine, volumeLinks, expected] =
        fetch<QStringList, int, bool, QStringList>("volumes", "perLine", "volumeLinks", "expected");
    const int n = perLine < 1 ? 2 : perLine;
    const QString width = QString::number(100 / n);
    const QRegularExpression heading(
        QStringLiteral("^<TR><td bgcolor=#F6F6F6 align=center colspan=%1>(.*)</td></TR>$").arg(n));
    const QRegularExpression cell(
        QStringLiteral("<TD width=%1% align=left>&nbsp;<A href=\"(\\d+)\\.htm\">第\\1章</A>"
                       "</CENTER></TD>")
            .arg(width));
    const QString filler = QStringLiteral("<TD width=%1%>&nbsp;</TD>").arg(width);

    const QString table = buildListTable(chaptersOf(volumes), perLine, volumeLinks);
    QVERIFY(table.isEmpty() || table.endsWith(QStringLiteral("\r\n")));
    QStringList summary;
    for (const QString& row : rows(table)) {
        const QRegularExpressionMatch h = heading.match(row);
        if (h.hasMatch()) {
            summary << u'H' + h.captured(1);
            continue;
        }
        QVERIFY2(row.startsWith(QStringLiteral("<TR>")) && row.endsWith(QStringLiteral("</TR>")),
                 qPrintable(row));
        const qsizetype cells = row.count(cell);
        const qsizetype fillers = row.count(filler);
        // Rows hold nothing but cells and fillers.
        QCOMPARE(QString(row).remove(cell).remove(filler), QStringLiteral("<TR></TR>"));
        summary << QStringLiteral("C%1F%2").arg(cells).arg(fillers);
    }
    QCOMPARE(summary, expected);
    // Chapters keep display order.
    QStringList ids;
    for (auto it = cell.globalMatch(table); it.hasNext();)
        ids << it.next().captured(1);
    QStringList order;
    for (qsizetype i = 0; i < volumes.size(); ++i)
        order << QString::number(i + 1);
    QCOMPARE(ids, order);
}

void TestListPage::escapeText_data() {
    columns<QString, QString>("value", "page");
    addRow("null", QString(), QString());
    addRow("tags and spaces", "a <b> c", "a&nbsp;&lt;b&gt;&nbsp;c");
    addRow("line breaks", "一\r\n二\n三", "一<br>二<br>三");
    addRow("entities stay", "&amp;", "&amp;");
    addRow("plain title", "第十章山河", "第十章山河");
    addRow("last character only", "第十章>", "第十章&gt;");
    addRow("lone carriage return", "一\r", "一<br>");
}

void TestListPage::escapeText() {
    const auto [value, page] = fetch<QString, QString>("value", "page");
    QCOMPARE(htmlEscapeText(value), page);
}

void TestListPage::listPage() {
    TestLibrary lib;
    const QString novelId = addFixtureNovel(lib, QStringLiteral("长 <夜>"), QStringLiteral("无名 氏"),
                                            {{QStringLiteral("第一章 a<b"), QStringLiteral("第一卷")},
                                             {QStringLiteral("第二章"), QStringLiteral("第一卷")},
                                             {QStringLiteral("第三章")},
                                             {QStringLiteral("第四章 [[author]]")}},
                                            nullptr, QStringLiteral("简介\r\n第二行"));
    lib.db().exec(QStringLiteral("UPDATE book_novel SET BookImg='cover.jpg' WHERE NovelID=?"), {novelId});
    Settings& settings = lib.context().settings();
    settings.setValue(QStringLiteral("ListPerLineNums"), QStringLiteral("3"));
    QString error;
    QVERIFY2(writeListPage(lib.db(), lib.context().folder(), settings, novelId, &error), qPrintable(error));

    const QByteArray bytes = fileBytes(lib.context().folder().novelListPage(novelId));
    const QString page = QStringDecoder("GB18030").decode(bytes);
    QCOMPARE(encodeText(page), bytes); // written in code page 936
    QVERIFY(page.contains(QStringLiteral("<h1>长&nbsp;&lt;夜&gt;</h1>")));
    QVERIFY(page.contains(QStringLiteral("作者：无名&nbsp;氏")));
    QVERIFY(page.contains(QStringLiteral("内容简介：简介<br>第二行")));
    QVERIFY(page.contains(QStringLiteral("<img src=\"cover.jpg\" height=125 width=100>")));
    QVERIFY(page.contains(QStringLiteral("href=\"../style.css\"")));
    QVERIFY(page.contains(QStringLiteral("第一章&nbsp;a&lt;b")));
    QVERIFY(page.contains(QStringLiteral("colspan=3>第一卷  [ <a href=vol1.htm>分卷阅读</a> ]")));
    QVERIFY(page.contains(QStringLiteral("colspan=3>正文  [ <a href=vol2.htm>分卷阅读</a> ]")));
    // A title that looks like a placeholder stays as it is; every placeholder was filled.
    QVERIFY(page.contains(QStringLiteral("第四章&nbsp;[[author]]")));
    QCOMPARE(page.count(QStringLiteral("[[")), 1);

    // A brief read from a site keeps its paragraph breaks as breaks, not as escaped tags.
    lib.db().exec(QStringLiteral("UPDATE book_novel SET Brief=? WHERE NovelID=?"),
                  {QStringLiteral("　　一段<br>\r\n　　<b>二</b>段<BR/>"), novelId});
    QVERIFY(writeListPage(lib.db(), lib.context().folder(), settings, novelId));
    QVERIFY(readTextFile(lib.context().folder().novelListPage(novelId))
                .contains(QStringLiteral("内容简介：　　一段<br>　　&lt;b&gt;二&lt;/b&gt;段<")));

    // Without brief, picture or volume links those parts are empty.
    lib.db().exec(QStringLiteral("UPDATE book_novel SET Brief=NULL, BookImg=NULL WHERE NovelID=?"),
                  {novelId});
    settings.setValue(QStringLiteral("bIsVolumeSet"), QStringLiteral("0"));
    QVERIFY(writeListPage(lib.db(), lib.context().folder(), settings, novelId));
    const QString plain = readTextFile(lib.context().folder().novelListPage(novelId));
    QVERIFY(!plain.contains(QStringLiteral("内容简介")));
    QVERIFY(!plain.contains(QStringLiteral("<img")));
    QVERIFY(!plain.contains(QStringLiteral("分卷阅读")));

    QVERIFY(!writeListPage(lib.db(), lib.context().folder(), settings, QStringLiteral("999999"), &error));
    QVERIFY(!error.isEmpty());
}

void TestListPage::listPageOfUserStyle() {
    TestLibrary lib;
    const QString novelId = addFixtureNovel(lib, QStringLiteral("书"), QString(), {{QStringLiteral("一")}});
    Settings& settings = lib.context().settings();
    settings.setValue(QStringLiteral("ArticleStyle"), QStringLiteral("我的样式"));
    // The style's folder is missing: the built-in list page is used.
    QVERIFY(writeListPage(lib.db(), lib.context().folder(), settings, novelId));
    QVERIFY(readTextFile(lib.context().folder().novelListPage(novelId))
                .contains(QStringLiteral("class=\"chapters\"")));

    QVERIFY(
        writeTextFile(lib.path() + QStringLiteral("/usermodel/我的样式/listmodel.htm"),
                      QStringLiteral("<p>[[BookName]]|[[author]]|[[theDir]]</p><table>[[Content]]</table>")));
    QVERIFY(writeListPage(lib.db(), lib.context().folder(), settings, novelId));
    const QString page = readTextFile(lib.context().folder().novelListPage(novelId));
    QVERIFY2(page.startsWith(QStringLiteral("<p>书||../</p><table><TR><td bgcolor=#F6F6F6")),
             qPrintable(page));
}

void TestListPage::listPagesJob() {
    TestLibrary lib;
    const QString a = addFixtureNovel(lib, QStringLiteral("甲"), QString(), {{QStringLiteral("一")}});
    const QString b = addFixtureNovel(lib, QStringLiteral("乙"), QString(), {{QStringLiteral("二")}});
    ListPagesJob job(lib.db(), lib.context().folder(), lib.context().settings(),
                     {a, QStringLiteral("777777"), b});
    ScriptedPrompter prompter;
    job.setPrompter(&prompter);
    job.runHere();
    // The missing novel is reported; the one after it is still done.
    QVERIFY(QFileInfo::exists(lib.context().folder().novelListPage(a)));
    QVERIFY(QFileInfo::exists(lib.context().folder().novelListPage(b)));
    QCOMPARE(job.errors().size(), 1);
    QCOMPARE(prompter.messages.last().second, QStringLiteral("目录页生成完成"));
}

void TestListPage::volumePages() {
    TestLibrary lib;
    QList<qint64> ids;
    const QString novelId = addFixtureNovel(lib, QStringLiteral("书"), QString(),
                                            {{QStringLiteral("一章"), QStringLiteral("上卷")},
                                             {QStringLiteral("二章"), QStringLiteral("上卷")},
                                             {QStringLiteral("三章")}},
                                            &ids);
    VolumePagesJob job(lib.db(), lib.context().folder(), lib.context().settings(), {novelId});
    ScriptedPrompter prompter;
    job.setPrompter(&prompter);
    job.runHere();
    QVERIFY(job.result().ok);
    const QString dir = lib.context().folder().novelDir(novelId);
    QCOMPARE(job.result().files, QStringList({dir + "/vol1.htm", dir + "/vol2.htm"}));
    const QString first = readTextFile(dir + "/vol1.htm");
    QVERIFY(first.contains(QStringLiteral("<title>上卷</title>")));
    QVERIFY(first.indexOf(QStringLiteral("一章的正文")) < first.indexOf(QStringLiteral("二章的正文")));
    QVERIFY(first.indexOf(QStringLiteral("一章的正文")) > 0);
    QVERIFY(!first.contains(QStringLiteral("三章")));
    QVERIFY(first.contains(QStringLiteral("<a href=\"List.htm\">上一章</a>")));
    QVERIFY(first.contains(QStringLiteral("<a href=\"vol2.htm\">下一章</a>")));
    const QString second = readTextFile(dir + "/vol2.htm");
    QVERIFY(second.contains(QStringLiteral("<title>正文</title>")));
    QVERIFY(second.contains(QStringLiteral("<a href=\"vol1.htm\">上一章</a>")));
    QVERIFY(second.contains(QStringLiteral("<a href=\"List.htm\">下一章</a>")));
    QCOMPARE(prompter.messages.last().second, QStringLiteral("分卷页生成完成"));
}

void TestListPage::libraryReport() {
    TestLibrary lib;
    const CategoryStore::Result category = CategoryStore(lib.db()).add(QStringLiteral("武侠"));
    QVERIFY(category.ok());
    const QString a =
        addFixtureNovel(lib, QStringLiteral("剑"), QStringLiteral("甲"),
                        {{QStringLiteral("一")}, {QStringLiteral("二")}}, nullptr, QString(), category.code);
    lib.db().exec(QStringLiteral("UPDATE book_novelcontent SET WordNums=6172 WHERE NovelID=?"), {a});
    lib.db().exec(QStringLiteral("UPDATE book_novel SET bIsEnd='1' WHERE NovelID=?"), {a});
    addFixtureNovel(lib, QStringLiteral("散"), QString(), {{QStringLiteral("一")}});

    LibraryReportJob job(lib.db(), lib.context().folder());
    QSignalSpy status(&job, &Job::statusChanged);
    job.runHere();
    QVERIFY(job.result().ok);
    QCOMPARE(job.result().path, lib.path() + QStringLiteral("/totalview.htm"));
    QCOMPARE(status.first().first().toString(), QStringLiteral("正在统计分类“武侠”中的小说，请稍候..."));
    const QString page = readTextFile(job.result().path);
    const QString rowsText = page.mid(page.indexOf(QStringLiteral("文件夹大小")));
    QVERIFY(rowsText.indexOf(QStringLiteral(">武侠</td>")) < rowsText.indexOf(QStringLiteral(">剑</a>")));
    QVERIFY(rowsText.indexOf(QStringLiteral(">剑</a>")) < rowsText.indexOf(QStringLiteral(">未分类</td>")));
    QVERIFY(rowsText.indexOf(QStringLiteral(">未分类</td>")) < rowsText.indexOf(QStringLiteral(">散</a>")));
    QVERIFY(page.contains(QStringLiteral("<td align=center>2</td><td align=center>已全本</td><td "
                                         "align=right>12,344</td>")));
    QVERIFY(page.contains(QStringLiteral("<td align=center>1</td><td align=center>连载中</td><td "
                                         "align=right>100</td>")));
    QVERIFY(page.contains(QUrl::fromLocalFile(lib.context().folder().novelListPage(a)).toString()));
    QCOMPARE(LibraryReportJob::formatWords(1234567), QStringLiteral("1,234,567"));
    QCOMPARE(LibraryReportJob::formatWords(0), QStringLiteral("0"));
}

QTEST_GUILESS_MAIN(TestListPage)
#include "tst_listpage.moc"
