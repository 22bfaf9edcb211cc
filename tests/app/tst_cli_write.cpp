// quiveral-cli write as an author runs it: a chapter's text out and back, new volumes and chapters,
// volume renames, and the refusals.
#include "storage/textfile.h"
#include "support/process.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "text/html.h"

#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

namespace {

// 000001: 1 一 (上卷, a picture in its page), 2 二 (上卷), 3 三 (no volume).
void addNovel(TestLibrary& lib) {
    const QString novel = lib.addNovel("自写");
    const QList<std::pair<QString, QVariant>> chapters = {{"一", "上卷"}, {"二", "上卷"}, {"三", QVariant()}};
    int order = 0;
    for (const auto& [title, volume] : chapters) {
        const qint64 id = lib.addChapter(novel, title);
        lib.db().exec("UPDATE book_novelcontent SET Displayorder=?, Volume=? WHERE id=?",
                      {++order, volume, id});
    }
    const auto page = [&](qint64 id, const QString& content) {
        writeTextFile(lib.context().folder().chapterPage(novel, id),
                      "<html><body>" + kBookContentStart + content + kBookContentEnd + "</body></html>");
    };
    page(1, "<p>有图<img src=\"a.jpg\"></p>");
    page(2, "第二章的字");
}

QString layout(TestLibrary& lib) {
    QStringList rows;
    QSqlQuery q =
        lib.db().query("SELECT Title, COALESCE(Volume, '') FROM book_novelcontent ORDER BY Displayorder");
    while (q.next())
        rows << q.value(0).toString() +
                    (q.value(1).toString().isEmpty() ? QString() : "/" + q.value(1).toString());
    return rows.join(u',');
}

} // namespace

class TestCliWrite : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void commands_data();
    void commands();
};

void TestCliWrite::commands_data() {
    columns<QStringList, int, QString, QString, QString>("args", "exitCode", "out", "err", "after");
    const QString before = "一/上卷,二/上卷,三";
    addRow("text", QStringList{"text", "2"}, 0, "第二章的字", "", before);
    addRow("text of another novel's chapter", QStringList{"text", "9"}, 1, "", "章节编号无效：9", before);
    addRow("save", QStringList{"save", "2", "FILE"}, 0, "", "已保存", before);
    addRow("save over a picture asks", QStringList{"save", "1", "FILE"}, 1, "",
           "保存后本章中的图片和表格将丢失", before);
    addRow("save over a picture forced", QStringList{"save", "1", "FILE", "--force"}, 0, "", "已保存",
           before);
    addRow("new volume", QStringList{"new-volume"}, 0, "4\n", "", before + ",新章节1/新分卷1");
    addRow("new chapter after one", QStringList{"new-chapter", "--after", "1"}, 0, "4\n", "",
           "一/上卷,新章节1/上卷,二/上卷,三");
    addRow("new chapter both ways", QStringList{"new-chapter", "--after", "1", "--volume", "上卷"}, 2, "",
           "用法", before);
    addRow("rename the main text", QStringList{"rename-volume", "正文", "尾声"}, 0, "", "",
           "一/上卷,二/上卷,三/尾声");
    addRow("unknown verb", QStringList{"delete", "1"}, 2, "", "用法", before);
}

void TestCliWrite::commands() {
    auto [args, exitCode, out, err, after] =
        fetch<QStringList, int, QString, QString, QString>("args", "exitCode", "out", "err", "after");
    TestLibrary lib;
    addNovel(lib);
    QTemporaryDir dir;
    const QString file = dir.path() + "/正文.txt";
    QVERIFY(writeFile(file, QString("新写的 正文\n第二行").toUtf8()));
    args.replaceInStrings(QRegularExpression("^FILE$"), file);

    const ProcessResult r = runCli(QStringList{"--library", lib.path(), "write", "000001"} + args);
    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(r.out, out);
    QVERIFY2(err.isEmpty() ? r.err.isEmpty() : r.err.contains(err), qPrintable(r.err));
    QCOMPARE(layout(lib), after);
    if (args.first() == "save" && exitCode == 0) {
        // Read back as the assistant shows it, the word count the text's length.
        const qint64 id = args.at(1).toLongLong();
        const ProcessResult text = runCli({"--library", lib.path(), "write", "000001", "text", args.at(1)});
        QCOMPARE(text.out, QString("新写的 正文\n第二行"));
        QCOMPARE(lib.db().scalar("SELECT WordNums FROM book_novelcontent WHERE id=?", {id}).toInt(),
                 int(QString("新写的 正文\n第二行").size()));
    }
}

QTEST_MAIN(TestCliWrite)
#include "tst_cli_write.moc"
