// quiveral-cli find and replace as a script runs them: what they print, what they change, and what
// they refuse without changing anything.
#include "renewal/novelfilewriter.h"
#include "storage/storedchapterpage.h"
#include "support/process.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "text/html.h"
#include "text/markers.h"

#include <QFile>
#include <QTest>

class TestCliFind : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void run_data();
    void run();
};

void TestCliFind::run_data() {
    // Chapter 1 "初见" holds kFirst, chapter 2 "再会" holds kSecond; "1" in --chapters is chapter 1.
    // output: found in stdout or stderr
    columns<QStringList, int, QString, QString>("args", "exitCode", "output", "firstContent");
    const QString first = QStringLiteral("　　他说：\"走吧\"，<img src=\"a.jpg\">天色已晚&nbsp;;");
    // Line 0 is the page's heading, the chapter text follows.
    addRow("text found", QStringList{"find", "000001", "天色"}, 0, "行 1 - ", first);
    addRow("title field", QStringList{"find", "000001", "再会", "--field", "title"}, 0, "再会", first);
    addRow("json", QStringList{"--json", "find", "000001", "--regex", "走.", "--chapters", "1"}, 0,
           "\"lines\": [", first);
    addRow("nothing to find", QStringList{"find", "000001", ""}, 1, "请输入查找内容", first);
    addRow("bad pattern", QStringList{"find", "000001", "--regex", "(走"}, 1, "正则表达式有误：", first);
    addRow("unknown field", QStringList{"find", "000001", "x", "--field", "author"}, 1, "字段无效：author",
           first);
    addRow("replace asks first", QStringList{"replace", "000001", "天色", "--with", "夜色"}, 1,
           "您是否确定将所有章节中的\"天色\"替换为\"夜色\"", first);
    addRow("replace confirmed", QStringList{"replace", "000001", "天色", "--with", "夜色", "--yes"}, 0,
           "已处理1个章节", QStringLiteral("　　他说：\"走吧\"，<img src=\"a.jpg\">夜色已晚&nbsp;;"));
    addRow("to full width keeps the markup",
           QStringList{"replace", "000001", "--op", "to-full", "--chapters", "1", "--yes"}, 0,
           "已处理1个章节", QStringLiteral("　　他说：“走吧”，<img src=\"a.jpg\">天色已晚&nbsp;；"));
    addRow("chosen chapters only",
           QStringList{"replace", "000001", "--op", "clear", "--chapters", "2", "--yes"}, 0, "已处理1个章节",
           first);
    addRow("operation with a replacement", QStringList{"replace", "000001", "--op", "clear", "--with", "x"},
           1, "用法", first);
    addRow("unknown operation", QStringList{"replace", "000001", "--op", "rotate"}, 1, "操作无效：rotate",
           first);
    addRow("foreign chapter", QStringList{"find", "000001", "走", "--chapters", "1,x"}, 1, "章节编号无效：x",
           first);
    addRow("one chapter for recognition", QStringList{"replace", "000001", "--op", "ocr", "--yes"}, 1,
           "图片转文字处理只能单章处理方式", first);
    addRow("recognition waits for --yes", QStringList{"replace", "000001", "--op", "ocr", "--chapters", "1"},
           1, "未确认：加 --yes 才会替换", first);
    addRow("unknown novel", QStringList{"find", "000009", "走"}, 1, "没有这本小说：000009", first);
}

void TestCliFind::run() {
    const auto [args, exitCode, output, firstContent] =
        fetch<QStringList, int, QString, QString>("args", "exitCode", "output", "firstContent");
    TestLibrary lib;
    const QString novel = lib.addNovel("书");
    const NovelFileWriter writer(lib.context().folder(), lib.context().settings());
    const QList<std::pair<QString, QString>> chapters = {
        {QStringLiteral("初见"), QStringLiteral("　　他说：\"走吧\"，<img src=\"a.jpg\">天色已晚&nbsp;;")},
        {QStringLiteral("再会"), QStringLiteral("　　不见不散。")}};
    QList<qint64> ids;
    for (const auto& [title, text] : chapters) {
        ids << lib.addChapter(novel, title);
        QVERIFY(writer.writeNovelFile(novel, ids.last(), text, title));
    }
    // Chapter ids as the rows name them: "1" and "2" in the arguments.
    QCOMPARE(ids, (QList<qint64>{1, 2}));
    const QByteArray secondBefore = fileBytes(lib.context().folder().chapterPage(novel, ids.at(1)));

    const ProcessResult r = runCli(QStringList{"--library", lib.path()} + args);
    QVERIFY(r.finished);
    QVERIFY2(r.exitCode == exitCode, qPrintable(r.out + r.err));
    QVERIFY2(QString(r.out + r.err).contains(output), qPrintable(r.out + r.err));
    const QString page = StoredChapterPage::read(lib.context().folder().chapterPage(novel, ids.first())).text;
    QCOMPARE(getTextBetween(page, kBookContentStart, kBookContentEnd), firstContent);
    const QByteArray secondAfter = fileBytes(lib.context().folder().chapterPage(novel, ids.at(1)));
    QCOMPARE(secondAfter == secondBefore, !args.contains(QStringLiteral("clear")) || exitCode != 0);
    const bool searched = args.contains(QStringLiteral("find")) && exitCode == 0;
    QCOMPARE(QFile::exists(lib.context().folder().novelDir(novel) + QStringLiteral("/find.htm")), searched);
}

QTEST_GUILESS_MAIN(TestCliFind)
#include "tst_cli_find.moc"
