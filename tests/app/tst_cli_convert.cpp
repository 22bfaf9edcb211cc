// quiveral-cli convert as a script runs it: the pages it rewrites, the ones it leaves, what it refuses.
#include "renewal/novelfilewriter.h"
#include "storage/storedchapterpage.h"
#include "support/process.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "text/html.h"
#include "text/markers.h"

#include <QFile>
#include <QTest>

class TestCliConvert : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void convert_data();
    void convert();
};

void TestCliConvert::convert_data() {
    // args: chapters 1 and 2 of 000001, the page of 3 is missing; output: found in stdout or stderr
    columns<QStringList, int, QString, QStringList>("args", "exitCode", "output", "contents");
    const QStringList unchanged{"简体一", "简体二"};
    addRow("chosen chapter", QStringList{"convert", "000001", "--mode", "traditional", "--chapters", "2"}, 0,
           "已转换1个章节", QStringList{"简体一", "簡體二"});
    addRow("whole novel", QStringList{"convert", "000001", "--mode", "big5"}, 0,
           "转换完成，1个章节文件不存在", QStringList{"簡體一", "簡體二"});
    addRow("status texts", QStringList{"convert", "000001", "--mode", "simplified", "--chapters", "1,2"}, 0,
           "正在处理，总转换进度：50.00%", unchanged);
    addRow("unknown mode", QStringList{"convert", "000001", "--mode", "pinyin"}, 1, "转换方式无效：pinyin",
           unchanged);
    addRow("unknown novel", QStringList{"convert", "000009", "--mode", "style"}, 1, "没有这本小说：000009",
           unchanged);
    addRow("chapter of no such novel",
           QStringList{"convert", "000001", "--mode", "style", "--chapters", "1,x"}, 1, "章节编号无效：x",
           unchanged);
    addRow("no mode", QStringList{"convert", "000001"}, 1, "用法", unchanged);
}

void TestCliConvert::convert() {
    const auto [args, exitCode, output, contents] =
        fetch<QStringList, int, QString, QStringList>("args", "exitCode", "output", "contents");
    TestLibrary lib;
    const QString novel = lib.addNovel("书");
    QList<qint64> ids;
    for (const char* text : {"简体一", "简体二", "简体三"}) {
        ids << lib.addChapter(novel, QString::fromUtf8(text));
        NovelFileWriter(lib.context().folder(), lib.context().settings())
            .writeNovelFile(novel, ids.last(), QString::fromUtf8(text), QString::fromUtf8(text));
    }
    QVERIFY(QFile::remove(lib.context().folder().chapterPage(novel, ids.last())));
    const ProcessResult r = runCli(QStringList{"--library", lib.path()} + args);
    QVERIFY(r.finished);
    QVERIFY2(r.exitCode == exitCode, qPrintable(r.out + r.err));
    QVERIFY2(QString(r.out + r.err).contains(output), qPrintable(r.out + r.err));
    QStringList after;
    for (int i = 0; i < 2; ++i)
        after << getTextBetween(
            StoredChapterPage::read(lib.context().folder().chapterPage(novel, ids.at(i))).text,
            kBookContentStart, kBookContentEnd);
    QCOMPARE(after, contents);
    QVERIFY(!QFile::exists(lib.context().folder().chapterPage(novel, ids.last())));
}

QTEST_GUILESS_MAIN(TestCliConvert)
#include "tst_cli_convert.moc"
