// quiveral-cli page as a script runs it: show gives the editable text, save puts text back from a
// file or stdin (cleaned of a word processor's styles with --simplify), table prints the dialog's HTML
// or its message; refusals change nothing.
#include "renewal/novelfilewriter.h"
#include "storage/storedchapterpage.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "text/html.h"
#include "text/markers.h"

#include <QProcess>
#include <QTest>

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

Run runCliWithInput(const QStringList& args, const QByteArray& input) {
    QProcess process;
    process.start(QStringLiteral(QUIVERAL_CLI_PATH), args);
    process.write(input);
    process.closeWriteChannel();
    Run run;
    if (!process.waitForFinished(60000)) {
        process.kill();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

} // namespace

class TestCliPage : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void run_data();
    void run();
};

void TestCliPage::run_data() {
    // Chapter 1 has its page; chapter 2 has a row but no page. "FILE" stands for a file holding input.
    // output: stdout for exit 0, else stderr; content: chapter 1's text afterwards
    columns<QStringList, QByteArray, int, QString, QString>("args", "input", "exitCode", "output", "content");
    const QString first = QStringLiteral("　　他说：\"走吧\"。");
    const QByteArray edited = QStringLiteral("　　<b>改过</b>的𠀀一段。").toUtf8();
    const QString saved = QStringLiteral("　　<b>改过</b>的&#131072;一段。");
    addRow("show", QStringList{"page", "show", "N", "1"}, QByteArray(), 0, first, first);
    addRow("save from a file", QStringList{"page", "save", "N", "1", "FILE"}, edited, 0, "", saved);
    addRow("save from stdin", QStringList{"page", "save", "N", "1", "-"}, edited, 0, "", saved);
    const QByteArray word =
        QStringLiteral("<?xml:namespace prefix = o ns = \"urn:schemas-microsoft-com:office:office\" />"
                       "<p class=MsoNormal style='mso-line-height-alt:12pt'><span lang=ZH-CN "
                       "style=\"font-family:宋体;mso-ascii-font-family:Calibri\">　　正文<o:p></o:p>"
                       "</span></p><TABLE class=MsoTableGrid border=1><tr><td>格</td></tr></table>")
            .toUtf8();
    const QString simplified = QStringLiteral(
        "<p class=MsoNormal >　　正文</p><table width=\"95%\" align=center border=1 cellspacing=0 "
        "cellpadding=3 bordercolorlight=#000000 bordercolordark=#000000 style='border-collapse: "
        "collapse;word-break:break-all'><tr><td>格</td></tr></table>");
    addRow("save simplified from a file", QStringList{"page", "save", "N", "1", "FILE", "--simplify"}, word,
           0, "", simplified);
    addRow("save, unknown option", QStringList{"page", "save", "N", "1", "-", "--simple"}, word, 2, "用法",
           first);
    addRow("save not UTF-8", QStringList{"page", "save", "N", "1", "-"}, QByteArray("\xB8\xC4\xFF"), 1,
           "输入不是 UTF-8 文本", first);
    addRow("page missing", QStringList{"page", "show", "N", "2"}, QByteArray(), 1, "文件没有找到", first);
    addRow("bad chapter id", QStringList{"page", "show", "N", "x"}, QByteArray(), 1, "章节编号无效：x",
           first);
    addRow("unknown novel", QStringList{"page", "show", "000009", "1"}, QByteArray(), 1,
           "没有这本小说：000009", first);
    addRow("table", QStringList{"page", "table", "2", "3", "--border", "2"}, QByteArray(), 0, "<table",
           first);
    addRow("table, zero rows", QStringList{"page", "table", "0", "3"}, QByteArray(), 1,
           "请输入正整数型的行数值", first);
    addRow("table, 101 columns", QStringList{"page", "table", "2", "101"}, QByteArray(), 1,
           "请输入正整数型且小于等于100的列数值", first);
    addRow("table, script in the border", QStringList{"page", "table", "2", "2", "--border", "1 onclick=x"},
           QByteArray(), 1, "请输入非负整数型的边框粗细值", first);
}

void TestCliPage::run() {
    auto [args, input, exitCode, output, content] = fetch<QStringList, QByteArray, int, QString, QString>(
        "args", "input", "exitCode", "output", "content");
    TestLibrary lib;
    const QString novel = lib.addNovel(QStringLiteral("书"));
    const NovelFileWriter writer(lib.context().folder(), lib.context().settings());
    const qint64 id = lib.addChapter(novel, QStringLiteral("初见"));
    QCOMPARE(lib.addChapter(novel, QStringLiteral("再会")), id + 1);
    QCOMPARE(id, 1);
    QVERIFY(writer.writeNovelFile(novel, id, QStringLiteral("　　他说：\"走吧\"。"), QStringLiteral("初见")));
    const QString path = lib.context().folder().chapterPage(novel, id);
    const QByteArray before = fileBytes(path);
    const QString inputFile = lib.path() + QStringLiteral("/input.htm");
    QVERIFY(writeFile(inputFile, input));
    args.replaceInStrings(QRegularExpression(QStringLiteral("^N$")), novel);
    args.replaceInStrings(QRegularExpression(QStringLiteral("^FILE$")), inputFile);

    const Run r = runCliWithInput(QStringList{"--library", lib.path()} + args, input);
    QVERIFY2(r.exitCode == exitCode, qPrintable(r.out + r.err));
    QVERIFY2((exitCode == 0 ? r.out : r.err).contains(output), qPrintable(r.out + r.err));
    const QString page = StoredChapterPage::read(path).text;
    QCOMPARE(getTextBetween(page, kBookContentStart, kBookContentEnd), content);
    if (content == QStringLiteral("　　他说：\"走吧\"。"))
        QCOMPARE(fileBytes(path), before);
    else
        QCOMPARE(lib.db()
                     .scalar(QStringLiteral("SELECT WordNums FROM book_novelcontent WHERE id=?"), {id})
                     .toInt(),
                 int((args.contains(QStringLiteral("--simplify")) ? content : QString::fromUtf8(input))
                         .trimmed()
                         .size()));
    QVERIFY(!page.contains(QStringLiteral("mso-")) || !args.contains(QStringLiteral("--simplify")));
    if (args.at(1) == QLatin1String("show"))
        QCOMPARE(r.out, exitCode == 0 ? content : QString());
}

QTEST_GUILESS_MAIN(TestCliPage)
#include "tst_cli_page.moc"
