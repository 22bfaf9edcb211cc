// Converting stored chapter pages on disk: scripts, code pages, style and paragraphs, and the pages
// that must stay as they are (missing, undecodable, already styled), also when a run is stopped.
#include "library/chapterconversionjob.h"
#include "library/pagework.h"
#include "renewal/novelfilewriter.h"
#include "storage/storedchapterpage.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "text/html.h"
#include "text/markers.h"

#include <QFile>
#include <QTest>

using Mode = ChapterConversionJob::Mode;

class TestChapterConversion : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void convert_data();
    void convert();
    void stopKeepsWhatIsDone_data();
    void stopKeepsWhatIsDone();
    void oneRewriteOfANovelAtATime();
};

namespace {

const QByteArray kStyled("styled:");
const QString kUnchanged = QStringLiteral("=");

QByteArray page(const char* charset, const QByteArray& content) {
    return QByteArray("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=") +
           charset + "\"><title>t</title></head><body><!--BookContent Start-->" + content +
           "<!--BookContent End--></body></html>";
}

QByteArray utf16le(const QString& text) {
    return QByteArray("\xFF\xFE") +
           QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * qsizetype(sizeof(char16_t)));
}

struct Run {
    ChapterConversionJob::Result result;
    QStringList statuses;
    QList<qint64> converted;
};

Run runJob(TestLibrary& lib, const ChapterConversionJob::Request& request, int stopAfter = -1) {
    Run run;
    ChapterConversionJob job(lib.db(), lib.context().folder(), lib.context().settings(), request);
    QObject::connect(&job, &Job::statusChanged, [&run](const QString& s) { run.statuses << s; });
    QObject::connect(
        &job, &ChapterConversionJob::chapterConverted, &job,
        [&](const QString&, qint64 id) {
            run.converted << id;
            if (run.converted.size() == stopAfter)
                job.requestStop();
        },
        Qt::DirectConnection);
    job.runHere();
    run.result = job.result();
    return run;
}

} // namespace

void TestChapterConversion::convert_data() {
    // before: empty: no page, "styled:" + text: written by the program; charset: what the page reads as
    // afterwards, "" when there is none; content: between the content markers afterwards; contains: in the
    // page afterwards, "=": the bytes are those before
    columns<QString, QByteArray, QString, QString, QString, QString, int, int, int>(
        "modes", "before", "title", "charset", "content", "contains", "converted", "missing", "undecodable");

    const QByteArray simplifiedGbk("\xBC\xF2\xCC\xE5\xD6\xD0\xCE\xC4\xB2\xE2\xCA\xD4"); // 简体中文测试
    const QByteArray traditionalBig5("\xC2\xB2\xC5\xE9\xA4\xA4\xA4\xE5\xB4\xFA\xB8\xD5"); // 簡體中文測試
    const QString simplified = QStringLiteral("简体中文测试");
    const QString traditional = QStringLiteral("簡體中文測試");

    addRow("traditional", "2", page("gb2312", simplifiedGbk), "一", "gb18030", traditional, "charset=gb2312",
           1, 0, 0);
    addRow("traditional and back", "2 3", page("gb2312", simplifiedGbk), "一", "gb18030", simplified,
           "charset=gb2312", 1, 0, 0);
    addRow("simplified of a utf-8 page", "3", page("utf-8", traditional.toUtf8()), "一", "gb18030",
           simplified, "charset=gb2312", 1, 0, 0);
    addRow("script only outside markup", "2",
           "styled:<img src=\"" + simplified.toUtf8() + "\" alt=\"" + simplified.toUtf8() + "\">&nbsp;" +
               simplified.toUtf8(),
           "一", "gb18030", "<img src=\"" + simplified + "\" alt=\"" + simplified + "\">&nbsp;" + traditional,
           kStyledPageComment, 1, 0, 0);
    addRow("nothing to convert", "3", page("gb2312", "\xD6\xD0\xCE\xC4"), "一", "gb18030", "中文", kUnchanged,
           0, 0, 0);

    addRow("big5 code page", "12", page("gb2312", simplifiedGbk), "一", "big5", traditional, "charset=big5",
           1, 0, 0);
    addRow("big5 code page from utf-16", "12", utf16le(QString::fromUtf8(page("utf-8", simplified.toUtf8()))),
           "一", "big5", traditional, "charset=big5", 1, 0, 0);
    addRow("big5 code page from undeclared utf-16", "12",
           utf16le("<html><head></head><body><!--BookContent Start-->" + simplified +
                   "<!--BookContent End--></body></html>"),
           "一", "big5", traditional, "charset=big5", 1, 0, 0);
    addRow("gb2312 code page from big5", "13", page("big5", traditionalBig5), "一", "gb18030", simplified,
           "charset=gb2312", 1, 0, 0);
    addRow("gb2312 code page of a gbk page", "13", page("gb2312", simplifiedGbk), "一", "gb18030", simplified,
           kUnchanged, 0, 0, 0);

    addRow("typeset a styled page", "4", QByteArray("styled:一句。\n二句。\n三"), "标题", "gb18030",
           "　　一句。<br><br>　　二句。<br><br>　　三", "<title>标题", 1, 0, 0);
    addRow("typeset a text equal to its title", "4", QByteArray("styled:甲乙"), "甲乙", "gb18030", "　　甲乙",
           "<title>甲乙</title>", 1, 0, 0);
    addRow("typeset without the style comment", "4", page("gb2312", "\xD6\xD0\r\n\xCE\xC4"), "一", "gb18030",
           "中\r\n文", kUnchanged, 0, 0, 0);

    addRow("style a foreign page", "1",
           page("gb2312", "<script>alert(1)</script><p onclick=\"x()\">\xD5\xFD\xCE\xC4</p>"), "$1<&",
           "gb18030", "<p>正文", "$1&lt;&amp;", 1, 0, 0);
    addRow("style twice changes nothing more", "1 1", page("gb2312", "<p>\xD5\xFD\xCE\xC4</p>"), "一",
           "gb18030", "<p>正文", kStyledPageComment, 0, 0, 0);

    // "o": the whole-novel optimisation, which leaves pages on the library's own style sheet.
    const QByteArray styleSheet("<link rel=\"stylesheet\" href=\"@lib/css/style.css\">");
    addRow("optimise leaves a page on the style sheet", "o", page("gb2312", styleSheet + "<b>x</b>"), "一",
           "utf-8", QString::fromLatin1(styleSheet + "<b>x</b>"), kUnchanged, 0, 0, 0);
    addRow("optimise cleans another page", "o", page("gb2312", "<b>\xD5\xFD</b>"), "一", "gb18030", "正",
           kStyledPageComment, 1, 0, 0);
    for (const char* modes : {"1", "2", "3", "12", "13"}) {
        addRow(qPrintable(QStringLiteral("missing page, mode %1").arg(modes)), modes, QByteArray(), "一", "",
               "", kUnchanged, 0, 1, 0);
        addRow(qPrintable(QStringLiteral("undecodable page, mode %1").arg(modes)), modes,
               page("gb2312", "\xD6\xD0\x81\x20"), "一", "gb18030", "中\xEF\xBF\xBD ", kUnchanged, 0, 0, 1);
    }
}

void TestChapterConversion::convert() {
    auto [modes, before, title, charset, content, contains, converted, missing, undecodable] =
        fetch<QString, QByteArray, QString, QString, QString, QString, int, int, int>(
            "modes", "before", "title", "charset", "content", "contains", "converted", "missing",
            "undecodable");

    TestLibrary lib;
    const QString novel = lib.addNovel(QStringLiteral("小说"));
    const qint64 id = lib.addChapter(novel, title);
    const QString path = lib.context().folder().chapterPage(novel, id);
    if (before.startsWith(kStyled))
        before = NovelFileWriter(lib.context().folder(), lib.context().settings())
                     .pageBytes(QString::fromUtf8(before.mid(kStyled.size())), title);
    before.replace("@lib", QFile::encodeName(lib.context().folder().path()));
    content.replace(QLatin1String("@lib"), lib.context().folder().path());
    if (!before.isEmpty())
        QVERIFY(writeFile(path, before));

    Run run;
    for (const QString& mode : modes.split(u' ')) {
        ChapterConversionJob::Request request;
        request.mode = mode == QLatin1String("o") ? Mode::Style : Mode(mode.toInt());
        request.keepStyledPages = mode == QLatin1String("o");
        request.novelIds = {novel};
        if (!request.keepStyledPages)
            request.chapterIds = {id};
        run = runJob(lib, request);
    }
    QCOMPARE(run.result.converted, converted);
    QCOMPARE(run.result.missing, missing);
    QCOMPARE(run.result.undecodable, undecodable);
    QCOMPARE(run.result.stopped, false);
    QCOMPARE(run.converted.size(), converted);
    if (modes == QLatin1String("o")) {
        QCOMPARE(run.statuses.value(0), QStringLiteral("正在转换章节内容..."));
    } else {
        QCOMPARE(run.statuses.value(0), QStringLiteral("开始转换章节内容..."));
        QCOMPARE(run.statuses.value(1), QStringLiteral("正在处理，总转换进度：0.00%"));
    }
    QCOMPARE(run.statuses.last(),
             missing ? QStringLiteral("转换完成，1个章节文件不存在") : QStringLiteral("转换完成"));

    const StoredChapterPage after = StoredChapterPage::read(path);
    QCOMPARE(after.exists, !charset.isEmpty());
    QCOMPARE(after.charset, charset);
    QCOMPARE(getTextBetween(after.text, kBookContentStart, kBookContentEnd), content);
    const QByteArray bytes = fileBytes(path);
    if (contains == kUnchanged)
        QCOMPARE(bytes, before);
    else
        QVERIFY2(after.text.contains(contains), qPrintable(after.text));
}

void TestChapterConversion::stopKeepsWhatIsDone_data() {
    // chosen: the chapters chosen, or the whole novel
    columns<int, bool>("stopAfter", "chosen");
    addRow("first of chosen", 1, true);
    addRow("third of chosen", 3, true);
    addRow("second of the novel", 2, false);
    addRow("never", -1, false);
}

void TestChapterConversion::stopKeepsWhatIsDone() {
    const auto [stopAfter, chosen] = fetch<int, bool>("stopAfter", "chosen");
    TestLibrary lib;
    const QString novel = lib.addNovel(QStringLiteral("小说"));
    QList<qint64> ids;
    QList<QByteArray> before;
    for (int i = 0; i < 5; ++i) {
        ids << lib.addChapter(novel, QString::number(i));
        before << page("gb2312", "<p>\xBC\xF2\xCC\xE5</p>"); // 简体
        QVERIFY(writeFile(lib.context().folder().chapterPage(novel, ids.last()), before.last()));
    }
    ChapterConversionJob::Request request;
    request.mode = Mode::Traditional;
    request.novelIds = {novel};
    if (chosen)
        request.chapterIds = ids;
    const Run run = runJob(lib, request, stopAfter);
    const int done = stopAfter < 0 ? int(ids.size()) : stopAfter;
    QCOMPARE(run.result.converted, done);
    QCOMPARE(run.result.stopped, stopAfter >= 0);
    for (int i = 0; i < ids.size(); ++i) {
        const StoredChapterPage p =
            StoredChapterPage::read(lib.context().folder().chapterPage(novel, ids.at(i)));
        QCOMPARE(getTextBetween(p.text, kBookContentStart, kBookContentEnd),
                 i < done ? QStringLiteral("<p>簡體</p>") : QStringLiteral("<p>简体</p>"));
    }
    // A stopped run says nothing more; a whole novel is announced by its name.
    QCOMPARE(run.statuses.last() == QStringLiteral("转换完成"), stopAfter < 0);
    if (!chosen)
        QCOMPARE(run.statuses.value(0), QStringLiteral("开始转换小说小说中，总转换进度:0.00%"));
}

void TestChapterConversion::oneRewriteOfANovelAtATime() {
    TestLibrary lib;
    const QString novel = lib.addNovel(QStringLiteral("小说"));
    const QString other = lib.addNovel(QStringLiteral("别的"));
    const QByteArray before = page("gb2312", "<p>\xBC\xF2\xCC\xE5</p>"); // 简体
    const qint64 id = lib.addChapter(novel, QStringLiteral("一"));
    QVERIFY(writeFile(lib.context().folder().chapterPage(novel, id), before));
    ChapterConversionJob::Request request;
    request.mode = Mode::Traditional;
    request.novelIds = {novel};
    {
        const PageWorkClaim busy({other, novel});
        QVERIFY(busy.error().isEmpty());
        QVERIFY(!PageWorkClaim({other}).error().isEmpty());
        const Run refused = runJob(lib, request);
        QCOMPARE(refused.result.error, QStringLiteral("小说%1的章节正在转换或替换，请稍后再处理").arg(novel));
        QCOMPARE(refused.result.converted, 0);
        QCOMPARE(fileBytes(lib.context().folder().chapterPage(novel, id)), before);
    }
    // Released with the claim: the same run now converts, and claims nothing after it.
    QCOMPARE(runJob(lib, request).result.converted, 1);
    QVERIFY(PageWorkClaim({novel, other}).error().isEmpty());
}

QTEST_GUILESS_MAIN(TestChapterConversion)
#include "tst_chapterconversion.moc"
