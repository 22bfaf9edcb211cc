#include "novelfixture.h"
#include "output/textexportjob.h"
#include "output/volumetextjob.h"
#include "storage/prompter.h"
#include "storage/textfile.h"
#include "support/rows.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QtTest>

namespace {

QString gbk(const QByteArray& bytes) {
    return QStringDecoder("GB18030").decode(bytes);
}

// A novel with two volumes, a chapter without volume between them and one of volume "正文".
QString addVolumesNovel(TestLibrary& lib, const QString& author) {
    return addFixtureNovel(lib, QStringLiteral("长夜"), author,
                           {{QStringLiteral("第一章"), QStringLiteral("上卷")},
                            {QStringLiteral("第二章"), QStringLiteral("上卷")},
                            {QStringLiteral("插曲")},
                            {QStringLiteral("第三章"), QStringLiteral("上卷")},
                            {QStringLiteral("第四章"), QStringLiteral("正文")},
                            {QStringLiteral("第五章"), QStringLiteral("下卷")}});
}

} // namespace

class TestTextExport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void wholeText_data();
    void wholeText();
    void encodings_data();
    void encodings();
    void document();
    void missingOutputFolder();
    void chapterFileNames_data();
    void chapterFileNames();
    void chapterFiles();
    void postProcess_data();
    void postProcess();
    void volumeFiles();
    void volumeFilesUnreadOnly();
    void fullTextPage();
    void charactersOutsideGbk_data();
    void charactersOutsideGbk();
    void intoChosenFolder_data();
    void intoChosenFolder();

private:
    TextExportJob::Result exportNovel(TestLibrary& lib, const QString& novelId, TextExportJob::Mode mode,
                                      ScriptedPrompter& prompter, const QString& folder = QString());
};

TextExportJob::Result TestTextExport::exportNovel(TestLibrary& lib, const QString& novelId,
                                                  TextExportJob::Mode mode, ScriptedPrompter& prompter,
                                                  const QString& folder) {
    Settings& settings = lib.context().settings();
    if (settings.value(QStringLiteral("NovelChmPath")) ==
        settings.defaultValue(Settings::kMain, "NovelChmPath"))
        QDir().mkpath(settings.value(QStringLiteral("NovelChmPath")));
    TextExportJob job(lib.db(), lib.context().folder(), settings, novelId, mode, folder);
    job.setPrompter(&prompter);
    job.runHere();
    return job.result();
}

void TestTextExport::wholeText_data() {
    columns<QString, QString>("author", "start");
    addRow("with author", QStringLiteral("某人"), QStringLiteral("长夜\r\n作者：某人\r\n"));
    addRow("without author", QString(), QStringLiteral("长夜\r\n"));
}

void TestTextExport::wholeText() {
    const auto [author, start] = fetch<QString, QString>("author", "start");
    TestLibrary lib;
    const QString novelId = addVolumesNovel(lib, author);
    ScriptedPrompter prompter;
    const TextExportJob::Result result = exportNovel(lib, novelId, TextExportJob::Mode::Text, prompter);
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(result.path, lib.path() + QStringLiteral("/chm/长夜.txt"));
    QCOMPARE(result.openPath, result.path); // a text file opens at once
    QVERIFY(prompter.asked.isEmpty());

    const QString text = gbk(fileBytes(result.path));
    QVERIFY2(text.startsWith(start), qPrintable(text.left(40)));
    // A heading once per run of a volume: again after the chapter without volume, never for "正文".
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    QCOMPARE(lines.count(QStringLiteral("上卷")), 2);
    QCOMPARE(lines.count(QStringLiteral("下卷")), 1);
    QCOMPARE(lines.count(QStringLiteral("正文")), 0);
    QVERIFY(lines.indexOf(QStringLiteral("上卷")) < lines.indexOf(QStringLiteral("第一章")));
    QCOMPARE(lines.indexOf(QStringLiteral("第三章")) - 1, lines.lastIndexOf(QStringLiteral("上卷")));
    QCOMPARE(lines.indexOf(QStringLiteral("第五章")) - 1, lines.indexOf(QStringLiteral("下卷")));
    // Each chapter: its title, then its paragraphs on lines of their own, no blank lines, no page chrome.
    const qsizetype first = lines.indexOf(QStringLiteral("第一章"));
    QCOMPARE(lines.mid(first, 4),
             QStringList({"第一章", "　　第一章的正文。", "　　第二段 a<b。", "第二章"}));
    QVERIFY(!text.contains(QStringLiteral("\r\n\r\n")));
    QVERIFY(!text.contains(QStringLiteral("上一章")));
    QVERIFY(!text.contains(QRegularExpression(QStringLiteral("[^\\r]\\n"))));

    // The bookcase has the text file just made.
    QCOMPARE(sqliteScalar(lib.context().folder().databasePath(),
                          QStringLiteral("SELECT group_concat(MC || '|' || WJLJ) FROM pri_mynovel"))
                 .toString(),
             QStringLiteral("长夜|") + result.path);
}

void TestTextExport::encodings_data() {
    columns<QString, QByteArray, QByteArray>("charset", "codec", "prefix");
    addRow("gb2312", QStringLiteral("gb2312"), QByteArray("GB18030"), QByteArray());
    addRow("big5", QStringLiteral("big5"), QByteArray("Big5"), QByteArray());
    addRow("utf-8", QStringLiteral("utf-8"), QByteArray("UTF-8"), QByteArray("\xEF\xBB\xBF"));
}

void TestTextExport::encodings() {
    const auto [charset, codec, prefix] =
        fetch<QString, QByteArray, QByteArray>("charset", "codec", "prefix");
    TestLibrary lib;
    const QString novelId = addFixtureNovel(lib, QStringLiteral("長夜"), QStringLiteral("作者"),
                                            {{QStringLiteral("第一章 開始")}});
    // The chapter page is stored in the charset too.
    writeFixturePage(
        lib, novelId,
        sqliteScalar(lib.context().folder().databasePath(), "SELECT id FROM book_novelcontent").toLongLong(),
        QStringLiteral("第一章 開始"), QStringLiteral("　　繁體正文。"), charset);
    lib.context().settings().setValue(QStringLiteral("charset"), charset);
    ScriptedPrompter prompter;
    const TextExportJob::Result result = exportNovel(lib, novelId, TextExportJob::Mode::Text, prompter);
    QVERIFY2(result.ok, qPrintable(result.error));
    const QByteArray bytes = fileBytes(result.path);
    QVERIFY(bytes.startsWith(prefix));
    QStringDecoder decoder(codec.constData());
    const QString text = decoder.decode(bytes.mid(prefix.size()));
    QVERIFY(!decoder.hasError());
    QCOMPARE(text, QStringLiteral("長夜\r\n作者：作者\r\n第一章 開始\r\n　　繁體正文。\r\n"));
}

void TestTextExport::document() {
    TestLibrary lib;
    const QString novelId = addVolumesNovel(lib, QStringLiteral("某人"));
    ScriptedPrompter prompter;
    prompter.defaultButton = 0;
    const TextExportJob::Result result = exportNovel(lib, novelId, TextExportJob::Mode::Document, prompter);
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(result.path, lib.path() + QStringLiteral("/chm/长夜.doc"));
    QCOMPARE(prompter.asked.size(), 1);
    QCOMPARE(prompter.asked.first().text,
             QStringLiteral("小说已制作到") + result.path + QStringLiteral("，是否打开此文件"));
    QCOMPARE(result.openPath, result.path);

    const QString doc = gbk(fileBytes(result.path));
    QVERIFY(doc.startsWith(QStringLiteral("<body>长夜<br>作者：某人<br>")));
    QVERIFY(!doc.contains(u'\r') && !doc.contains(u'\n'));
    QVERIFY(doc.contains(QStringLiteral("<br>第一章<br>　　第一章的正文。<br>　　第二段 a&lt;b。<br>")));

    // "否": nothing to open.
    ScriptedPrompter no;
    QVERIFY(exportNovel(lib, novelId, TextExportJob::Mode::Document, no).openPath.isEmpty());
}

void TestTextExport::missingOutputFolder() {
    TestLibrary lib;
    const QString novelId = addFixtureNovel(lib, QStringLiteral("书"), QString(), {{QStringLiteral("一")}});
    lib.context().settings().setValue(QStringLiteral("NovelChmPath"), lib.path() + QStringLiteral("/没有"));
    ScriptedPrompter prompter;
    const TextExportJob::Result result = exportNovel(lib, novelId, TextExportJob::Mode::Text, prompter);
    QVERIFY(!result.ok);
    QCOMPARE(result.error, QStringLiteral("电子书输出目录不存在，请在设置中重新设定电子书输出目录"));
    QCOMPARE(prompter.messages.size(), 1);
}

void TestTextExport::chapterFileNames_data() {
    columns<int, QString, QString>("number", "title", "name");
    addRow("1", 1, "第一章", "001_第一章.txt");
    addRow("99", 99, "x", "099_x.txt");
    addRow("1000", 1000, "x", "1000_x.txt");
    addRow("question mark and colon", 7, "为什么?答案:有", "007_为什么_答案_有.txt");
    addRow("slashes and quotes", 8, "a/b\\c\"d\"<e>|f*", "008_a_b_c_d__e__f_.txt");
}

void TestTextExport::chapterFileNames() {
    const auto [number, title, name] = fetch<int, QString, QString>("number", "title", "name");
    QCOMPARE(ExportText::chapterFileName(number, title), name);
}

void TestTextExport::chapterFiles() {
    TestLibrary lib;
    QList<qint64> ids;
    const QString novelId = addFixtureNovel(
        lib, QStringLiteral("书"), QString(),
        {{QStringLiteral("第一章 何处?")}, {QStringLiteral("第二章 时:分")}, {QStringLiteral("第三章")}},
        &ids);
    // A chapter whose page is missing gives an empty file; the others are still written.
    QVERIFY(QFile::remove(lib.context().folder().chapterPage(novelId, ids.at(1))));
    const QString folder = lib.path() + QStringLiteral("/各章");
    ScriptedPrompter prompter;
    prompter.defaultButton = 0;
    const TextExportJob::Result result =
        exportNovel(lib, novelId, TextExportJob::Mode::ChapterFiles, prompter, folder);
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(QDir(folder).entryList(QDir::Files, QDir::Name),
             QStringList({"001_第一章 何处_.txt", "002_第二章 时_分.txt", "003_第三章.txt"}));
    QCOMPARE(gbk(fileBytes(folder + QStringLiteral("/001_第一章 何处_.txt"))),
             QStringLiteral("第一章 何处?\r\n　　第一章 何处?的正文。\r\n　　第二段 a<b。\r\n"));
    QVERIFY(fileBytes(folder + QStringLiteral("/002_第二章 时_分.txt")).isEmpty());
    QCOMPARE(prompter.asked.first().text, QStringLiteral("相应各章节txt文件制作完成，已存入到\"") + folder +
                                              QStringLiteral("\"目录下，是否打开此目录"));
    QCOMPARE(result.openPath, folder);
    // Files of single chapters are no books of the bookcase.
    QCOMPARE(sqliteScalar(lib.context().folder().databasePath(), "SELECT count(*) FROM pri_mynovel").toInt(),
             0);
}

void TestTextExport::postProcess_data() {
    columns<QString, QString>("text", "expected");
    addRow("NUL", QString(QStringLiteral("a") + QChar(0) + QStringLiteral("b")), "ab");
    addRow("bare line feeds", "a\nb\r\nc\rd", "a\r\nb\r\nc\r\nd");
    addRow("blank lines kept", "a\r\n\r\nb", "a\r\n\r\nb");
}

void TestTextExport::postProcess() {
    const auto [text, expected] = fetch<QString, QString>("text", "expected");
    QCOMPARE(ExportText::postProcess(text), expected);
}

void TestTextExport::volumeFiles() {
    TestLibrary lib;
    const QString novelId = addVolumesNovel(lib, QString());
    const QString folder = lib.path() + QStringLiteral("/分卷");
    VolumeTextJob job(lib.db(), lib.context().folder(), lib.context().settings(), novelId, folder);
    ScriptedPrompter prompter;
    job.setPrompter(&prompter);
    QSignalSpy status(&job, &Job::statusChanged);
    job.runHere();
    QVERIFY2(job.result().ok, qPrintable(job.result().error));
    // The second run of 上卷 must not overwrite the first.
    QCOMPARE(QDir(folder).entryList(QDir::Files, QDir::Name),
             QStringList({"长夜-分卷上卷-3.txt", "长夜-分卷上卷.txt", "长夜-分卷下卷.txt",
                          "长夜-分卷正文.txt", "长夜-正文.txt"}));
    QCOMPARE(
        gbk(fileBytes(folder + QStringLiteral("/长夜-分卷上卷.txt"))),
        QStringLiteral("第一章\r\n　　第一章的正文。\r\n　　第二段 a<b。\r\n第二章\r\n　　第二章的正文。\r\n"
                       "　　第二段 a<b。\r\n"));
    QCOMPARE(status.first().first().toString(), QStringLiteral("正在生成分卷上卷，请稍候..."));
    QCOMPARE(status.at(1).first().toString(), QStringLiteral("正在生成分卷长夜-正文，请稍候..."));
    QCOMPARE(status.last().first().toString(), QStringLiteral("分卷txt文件完成"));
    QCOMPARE(prompter.asked.first().text, QStringLiteral("相应各分卷txt文件制作完成，已存入到\"") + folder +
                                              QStringLiteral("\"目录下，是否打开此目录"));
    QVERIFY(job.result().openPath.isEmpty());
}

void TestTextExport::volumeFilesUnreadOnly() {
    TestLibrary lib;
    const QString novelId = addFixtureNovel(lib, QStringLiteral("书"), QString(),
                                            {{QStringLiteral("旧章"), QStringLiteral("卷一"), true},
                                             {QStringLiteral("新章"), QStringLiteral("卷一"), false}});
    lib.context().settings().setValue(QStringLiteral("bIsNotReadChm"), QStringLiteral("1"));
    const QString folder = lib.path() + QStringLiteral("/分卷");
    ScriptedPrompter prompter;
    auto run = [&] {
        VolumeTextJob job(lib.db(), lib.context().folder(), lib.context().settings(), novelId, folder);
        job.setPrompter(&prompter);
        job.runHere();
        return job.result().ok;
    };
    QVERIFY(run());
    const QString text = gbk(fileBytes(folder + QStringLiteral("/书-分卷卷一.txt")));
    QVERIFY(text.contains(QStringLiteral("新章")) && !text.contains(QStringLiteral("旧章")));
    lib.db().exec(QStringLiteral("UPDATE book_novelcontent SET bIsRead='1'"));
    QVERIFY(!run());
    QCOMPARE(prompter.messages.last().second,
             QStringLiteral("您在设置中选择了只处理未读章节，此小说没有未读章节"));
}

void TestTextExport::fullTextPage() {
    TestLibrary lib;
    const QString novelId = addVolumesNovel(lib, QStringLiteral("某 人"));
    ScriptedPrompter prompter;
    TextExportJob::Result result = exportNovel(lib, novelId, TextExportJob::Mode::FullTextPage, prompter);
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(result.path, lib.context().folder().novelDir(novelId) + QStringLiteral("/all.htm"));
    const QString page = gbk(fileBytes(result.path));
    QVERIFY(page.contains(QStringLiteral("<title>全文阅读</title>")));
    QVERIFY(page.contains(QStringLiteral("长夜<br><br>作者：某&nbsp;人<br><br>")));
    QVERIFY(page.contains(QStringLiteral("第二段&nbsp;a&lt;b。<br><br>")));
    QVERIFY(prompter.asked.isEmpty());

    // The page exists: "否" keeps it as it is.
    QVERIFY(writeBytesAtomically(result.path, "kept"));
    ScriptedPrompter no;
    result = exportNovel(lib, novelId, TextExportJob::Mode::FullTextPage, no);
    QVERIFY(result.ok);
    QCOMPARE(no.asked.first().text, QStringLiteral("全文阅读文件已存在，是否按最新的重新生成？"));
    QCOMPARE(fileBytes(result.path), QByteArray("kept"));
    ScriptedPrompter yes;
    yes.defaultButton = 0;
    QVERIFY(exportNovel(lib, novelId, TextExportJob::Mode::FullTextPage, yes).ok);
    QVERIFY(gbk(fileBytes(result.path)).contains(QStringLiteral("全文阅读")));
}

// The text file and the full-text page are read as GBK: byte by byte, what GBK lacks is the nearest
// GBK character in the one and a character reference in the other.
void TestTextExport::charactersOutsideGbk_data() {
    columns<QString, QByteArray, QByteArray>("body", "textLine", "pageLine");
    addRow("no-break space", "　　甲&nbsp;乙", QByteArray("\xA1\xA1\xA1\xA1\xBC\xD7 \xD2\xD2"),
           QByteArray("\xA1\xA1\xA1\xA1\xBC\xD7&#160;\xD2\xD2"));
    addRow("extension B", QStringLiteral("　　\U00020000字"), QByteArray("\xA1\xA1\xA1\xA1?\xD7\xD6"),
           QByteArray("\xA1\xA1\xA1\xA1&#131072;\xD7\xD6"));
    addRow("accented letter", QStringLiteral("　　\u0151甲"), QByteArray("\xA1\xA1\xA1\xA1o\xBC\xD7"),
           QByteArray("\xA1\xA1\xA1\xA1&#337;\xBC\xD7"));
}

void TestTextExport::charactersOutsideGbk() {
    const auto [body, textLine, pageLine] =
        fetch<QString, QByteArray, QByteArray>("body", "textLine", "pageLine");
    TestLibrary lib;
    const QString novelId = addFixtureNovel(lib, QStringLiteral("书"), QString(),
                                            {{QStringLiteral("第一章"), QString(), false, body}});
    auto gbkBytes = [](const QString& text) { return QByteArray(QStringEncoder("GB18030").encode(text)); };
    ScriptedPrompter prompter;
    const TextExportJob::Result text = exportNovel(lib, novelId, TextExportJob::Mode::Text, prompter);
    QVERIFY2(text.ok, qPrintable(text.error));
    QCOMPARE(fileBytes(text.path), gbkBytes(QStringLiteral("书\r\n第一章\r\n")) + textLine + "\r\n");

    const TextExportJob::Result page = exportNovel(lib, novelId, TextExportJob::Mode::FullTextPage, prompter);
    QVERIFY2(page.ok, qPrintable(page.error));
    const QByteArray bytes = fileBytes(page.path);
    const QByteArray start = "<!--BookContent Start-->";
    const qsizetype from = bytes.indexOf(start) + start.size();
    QCOMPARE(bytes.mid(from, bytes.indexOf("<!--BookContent End-->") - from),
             gbkBytes(QStringLiteral("书<br><br>第一章<br><br>")) + pageLine + "<br><br>");
    QVERIFY(bytes.contains("charset=gb2312"));
}

// A chosen folder holds the file under the novel's name, as the output folder does.
void TestTextExport::intoChosenFolder_data() {
    columns<int, QString>("mode", "name");
    addRow("text", int(TextExportJob::Mode::Text), "演示/小说.txt");
    addRow("document", int(TextExportJob::Mode::Document), "演示/小说.doc");
}

void TestTextExport::intoChosenFolder() {
    const auto [mode, name] = fetch<int, QString>("mode", "name");
    TestLibrary lib;
    const QString novelId =
        addFixtureNovel(lib, QStringLiteral("演示/小说"), QString(), {{QStringLiteral("一")}});
    const QString folder = lib.path() + QStringLiteral("/书");
    QVERIFY(QDir().mkpath(folder));
    TextExportJob job(lib.db(), lib.context().folder(), lib.context().settings(), novelId,
                      TextExportJob::Mode(mode));
    job.setTargetPath(folder);
    ScriptedPrompter prompter;
    job.setPrompter(&prompter);
    job.runHere();
    QVERIFY2(job.result().ok, qPrintable(job.result().error));
    const QString file = folder + u'/' + QString(name).replace(u'/', u'_');
    QCOMPARE(job.result().path, file);
    QVERIFY(gbk(fileBytes(file)).contains(QStringLiteral("一的正文")));
}

QTEST_GUILESS_MAIN(TestTextExport)
#include "tst_textexport.moc"
