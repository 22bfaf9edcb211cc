#include "storage/textfile.h"
#include "support/rows.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QString err;
};

Run cli(const QStringList& args, const QByteArray& input = QByteArray()) {
    QProcess process;
    process.start(QStringLiteral(QUIVERAL_CLI_PATH), args);
    if (!process.waitForStarted())
        return {};
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000))
        process.kill();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), QString::fromUtf8(process.readAllStandardError())};
}

} // namespace

class TestCliText : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void operations_data();
    void operations();
    void gbkFileRoundTrips();
    void failures_data();
    void failures();
};

void TestCliText::operations_data() {
    columns<QStringList, QByteArray, QString>("args", "input", "expected");
    addRow("paragraphs", QStringList{"text", "paragraphs"}, QByteArray("第一句。\r\n第二句\r\n接着。"),
           "　　第一句。<br><br>　　第二句接着。");
    addRow("inner-text", QStringList{"text", "inner-text"}, QByteArray("<p>a <b>b</b></p><p>c</p>"),
           "a b\r\n\r\nc");
    addRow("plain", QStringList{"text", "plain"}, QByteArray("x<a href=1>y</a>z"), "xz");
    addRow("s2t", QStringList{"text", "s2t"}, QByteArray("冲发"), "衝發");
    addRow("t2s", QStringList{"text", "t2s", "-"}, QByteArray("衝發"), "冲发");
    addRow("between", QStringList{"text", "between", "<DIV>", "</div>"}, QByteArray("<div>正文</DIV>"),
           "正文");
    addRow("regex-replace", QStringList{"text", "regex-replace", "第(\\d+)章", "Chapter $1"},
           QByteArray("第12章"), "Chapter 12");
    addRow("gbk input read as GB18030", QStringList{"text", "between", "[", "]"}, QByteArray("[\xD6\xD0]"),
           "中");
    addRow("--charset", QStringList{"text", "paragraphs", "--charset", "big5"}, QByteArray("\xA4\xA4"),
           "　　中");
    addRow("decode defaults to gb2312", QStringList{"text", "decode"}, QByteArray("\xD6\xD0"), "中");
}

void TestCliText::operations() {
    const auto [args, input, expected] = fetch<QStringList, QByteArray, QString>("args", "input", "expected");
    const Run run = cli(args, input);
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(QString::fromUtf8(run.out), expected);
}

void TestCliText::gbkFileRoundTrips() {
    // 镕 and 堃 are outside GB2312; 0xAAA1 and 0xFE50 are in GBK's user-defined and extra areas.
    QByteArray gbk = encodeText(QStringLiteral("朱镕基，王堃。〇㈠兀\r\n"));
    gbk += QByteArray("\xAA\xA1\xFE\x50\xA3\xA0 end");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("chapter.txt"));
    QVERIFY(writeBytesAtomically(path, gbk));

    const Run run = cli({QStringLiteral("text"), QStringLiteral("decode"), path, QStringLiteral("--charset"),
                         QStringLiteral("gbk")});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.err.contains(QStringLiteral("gbk")), qPrintable(run.err));
    const QString text = QString::fromUtf8(run.out);
    QVERIFY(text.startsWith(QStringLiteral("朱镕基，王堃。")));
    QVERIFY(!text.contains(QChar::ReplacementCharacter));
    QCOMPARE(encodeText(text), gbk);
}

void TestCliText::failures_data() {
    columns<QStringList, int, QString>("args", "exitCode", "message");
    addRow("bad pattern", QStringList{"text", "regex-replace", "(", "x"}, 1, "正则表达式有误");
    addRow("missing file", QStringList{"text", "plain", "/nonexistent/file.htm"}, 1, "无法读取文件");
    addRow("unknown operation", QStringList{"text", "shout"}, 2, "用法");
    addRow("missing arguments", QStringList{"text", "between", "a"}, 2, "用法");
    addRow("too many arguments", QStringList{"text", "s2t", "a", "b"}, 2, "用法");
    addRow("no operation", QStringList{"text"}, 2, "用法");
}

void TestCliText::failures() {
    const auto [args, exitCode, message] = fetch<QStringList, int, QString>("args", "exitCode", "message");
    const Run run = cli(args);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY(run.out.isEmpty());
}

QTEST_GUILESS_MAIN(TestCliText)
#include "tst_clitext.moc"
