// quiveral-cli chapter as a script runs it: what changes, what is only announced, what is refused.
#include "library/librarylists.h"
#include "renewal/novelfilewriter.h"
#include "support/process.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "support/testsite.h"

#include <QTest>

class TestCliChapter : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void commands_data();
    void commands();

private:
    TestSite m_site{QStringLiteral("qingfeng")};
};

void TestCliChapter::initTestCase() {
    QVERIFY(m_site.start());
}

void TestCliChapter::commands_data() {
    // args: "@site/": the served site, chapters are 1, 2, 3 of 000001; output: found in stdout or stderr
    columns<QStringList, int, QString, QStringList>("args", "exitCode", "output", "titles");
    const QStringList unchanged{"第一章", "第二章", "第三章"};
    addRow("add proposes", QStringList{"chapter", "add", "000001"}, 0, "4\t第四章",
           QStringList{"第一章", "第二章", "第三章", "第四章"});
    addRow("insert", QStringList{"chapter", "add", "000001", "--title", "序", "--before", "1"}, 0, "\t序",
           QStringList{"序", "第一章", "第二章", "第三章"});
    addRow("address answers", QStringList{"chapter", "add", "000001", "--url", "@site/info/345.html"}, 0,
           "新章节1", QStringList{"第一章", "第二章", "第三章", "新章节1"});
    addRow("address does not answer", QStringList{"chapter", "add", "000001", "--url", "@site/none.html"}, 1,
           "无效的章节网址", unchanged);
    addRow("local file", QStringList{"chapter", "add", "000001", "--url", "/tmp/x.htm", "--title", "本地"}, 0,
           "本地", QStringList{"第一章", "第二章", "第三章", "本地"});
    addRow("unknown novel", QStringList{"chapter", "add", "000009", "--title", "x"}, 1, "请选择具体小说",
           unchanged);
    addRow("edit", QStringList{"chapter", "edit", "2", "--title", "第二章 改"}, 0, "第二章 改",
           QStringList{"第一章", "第二章 改", "第三章"});
    addRow("delete unconfirmed", QStringList{"chapter", "delete", "1", "3"}, 1, "您是否确定删除选中的章节吗?",
           unchanged);
    addRow("delete", QStringList{"chapter", "delete", "1", "3", "--yes"}, 0, "已删除2个章节",
           QStringList{"第二章"});
    addRow("delete unknown", QStringList{"chapter", "delete", "1", "7", "--yes"}, 1, "请选择具体项",
           unchanged);
    addRow("merge one", QStringList{"chapter", "merge", "2", "--yes"}, 1, "至少选中两个章节进行合并。",
           unchanged);
    addRow("merge", QStringList{"chapter", "merge", "2", "3", "--yes"}, 0, "2\t第二章",
           QStringList{"第一章", "第二章"});
    addRow("split unconfirmed", QStringList{"chapter", "split", "1", "--pattern", "文"}, 1,
           "您确定将此章节拆分为2个章节吗?", unchanged);
    addRow("split bad pattern", QStringList{"chapter", "split", "1", "--pattern", "(", "--yes"}, 1,
           "正则表达式有误", unchanged);
    addRow("split", QStringList{"chapter", "split", "1", "--pattern", "文", "--yes"}, 0, "5\t文第一章",
           QStringList{"第一章", "正", "文第一章", "第二章", "第三章"});
    addRow("down", QStringList{"chapter", "down", "1"}, 0, "", QStringList{"第二章", "第一章", "第三章"});
    addRow("up first", QStringList{"chapter", "up", "1"}, 1, "未移动", unchanged);
    addRow("move", QStringList{"chapter", "move", "3", "--before", "1", "--yes"}, 0, "3\t第三章",
           QStringList{"第三章", "第一章", "第二章"});
    addRow("move unconfirmed", QStringList{"chapter", "move", "3", "--before", "1"}, 1, "将移动1个章节",
           unchanged);
    addRow("volume last none", QStringList{"chapter", "volume", "1", "--last"}, 1, "该小说尚未分卷",
           unchanged);
    addRow("usage", QStringList{"chapter", "split", "1"}, 2, "用法", unchanged);
}

void TestCliChapter::commands() {
    auto [args, exitCode, output] = fetch<QStringList, int, QString>("args", "exitCode", "output");
    TestLibrary lib;
    const QString novel = lib.addNovel("书");
    for (const QString& title :
         {QStringLiteral("第一章"), QStringLiteral("第二章"), QStringLiteral("第三章")}) {
        const qint64 id = lib.addChapter(novel, title);
        NovelFileWriter(lib.context().folder(), lib.context().settings())
            .writeNovelFile(novel, id, "<p>正文" + title + "</p>", title);
    }
    QString base = m_site.baseUrl();
    if (base.endsWith('/'))
        base.chop(1);
    args.replaceInStrings("@site", base);
    const ProcessResult r = runCli(QStringList{"--library", lib.path()} + args);
    QVERIFY(r.finished);
    QVERIFY2(r.exitCode == exitCode, qPrintable(r.out + r.err));
    QVERIFY2(QString(r.out + r.err).contains(output), qPrintable(r.out + r.err));
    QStringList titles;
    for (const ChapterRow& row : LibraryLists::chapters(lib.db(), novel))
        titles << row.title;
    QTEST(titles, "titles");
}

QTEST_GUILESS_MAIN(TestCliChapter)
#include "tst_cli_chapter.moc"
