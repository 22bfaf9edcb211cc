// Searching and rewriting a novel's chapters on a real library: the result page, replacements in rows
// and pages (committed together, written in the charset they were read in), the page operations, and
// the pages and answers that must leave everything as it was.
#include "library/librarylists.h"
#include "library/pagework.h"
#include "storage/prompter.h"
#include "storage/storedchapterpage.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "text/charset.h"
#include "tools/findreplacejob.h"
#include "tools/pageedits.h"
#include "tools/textpicture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using Kind = FindReplaceJob::Kind;
using Field = FindReplaceJob::Field;
using Operation = FindReplaceJob::Operation;
using Request = FindReplaceJob::Request;

Q_DECLARE_METATYPE(Request)

class TestFindReplaceJob : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void inputErrors_data();
    void inputErrors();
    void confirmations_data();
    void confirmations();
    void search_data();
    void search();
    void replace_data();
    void replace();
    void encodings_data();
    void encodings();
    void pagesLeftAlone_data();
    void pagesLeftAlone();
    void smallPictures_data();
    void smallPictures();
    void declined_data();
    void declined();
    void stop_data();
    void stop();
    void recognitionWithoutWork_data();
    void recognitionWithoutWork();
    void recognition_data();
    void recognition();
    void noChapters();
};

namespace {

const QString kUnchanged = QStringLiteral("=");

Request plain(Field field, const QString& find, const QString& replacement = QString()) {
    Request r;
    r.kind = Kind::Plain;
    r.field = field;
    r.findText = find;
    r.replaceText = replacement;
    r.replace = !replacement.isNull();
    return r;
}

Request between(const QString& start, const QString& end, const QString& replacement = QString()) {
    Request r;
    r.kind = Kind::Between;
    r.startText = start;
    r.endText = end;
    r.replaceText = replacement;
    r.replace = !replacement.isNull();
    return r;
}

Request regex(const QString& pattern, const QString& replacement = QString()) {
    Request r;
    r.kind = Kind::Regex;
    r.pattern = pattern;
    r.replaceText = replacement;
    r.replace = !replacement.isNull();
    return r;
}

Request operation(Operation op, bool all = false) {
    Request r;
    r.kind = Kind::Operation;
    r.operation = op;
    r.allChapters = all;
    return r;
}

QString pageText(const QString& charset, const QString& title, const QString& content) {
    return "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=" + charset +
           "\"><title>" + title + "</title></head><body><font class=\"article_title\">" + title +
           "</font><!--BookContent Start-->" + content + "<!--BookContent End--></body></html>";
}

QByteArray gbkPage(const QString& title, const QString& content) {
    return encodeText(pageText("gb2312", title, content));
}

QString contentOf(const QString& page) {
    const qsizetype start = page.indexOf(QLatin1String("<!--BookContent Start-->"));
    const qsizetype end = page.indexOf(QLatin1String("<!--BookContent End-->"));
    if (start < 0 || end < 0)
        return QString();
    return page.mid(start + 24, end - start - 24);
}

struct Run {
    FindReplaceJob::Result result;
    QStringList statuses;
    QList<qint64> changed;
    QString resultPage;
};

Run runJob(TestLibrary& lib, const Request& request, Prompter* prompter = nullptr, int stopAfter = -1) {
    Run run;
    FindReplaceJob job(lib.db(), lib.context().folder(), lib.context().settings(), request);
    ScriptedPrompter yes;
    yes.defaultButton = 0;
    job.setPrompter(prompter ? prompter : &yes);
    QObject::connect(&job, &Job::statusChanged, [&run](const QString& s) { run.statuses << s; });
    QObject::connect(&job, &FindReplaceJob::resultPageWritten,
                     [&run](const QString& p) { run.resultPage = p; });
    QObject::connect(
        &job, &FindReplaceJob::chapterChanged, &job,
        [&](const QString&, qint64 id) {
            run.changed << id;
            if (run.changed.size() == stopAfter)
                job.requestStop();
        },
        Qt::DirectConnection);
    job.runHere();
    run.result = job.result();
    return run;
}

} // namespace

void TestFindReplaceJob::inputErrors_data() {
    // error: a prefix of the message
    columns<Request, QString>("request", "error");

    addRow("plain without text", plain(Field::Title, ""), "请输入查找内容");
    addRow("between without start", between("", "b"), "请输入开始内容");
    addRow("between without end", between("a", ""), "请输入结束内容");
    addRow("regex without pattern", regex(""), "请输入正则表达式");
    addRow("invalid regex", regex("(a"), "正则表达式有误：");
    addRow("valid regex", regex("(a)"), "");
    addRow("operation needs no text", operation(Operation::ClearContent), "");
}

void TestFindReplaceJob::inputErrors() {
    auto [request, error] = fetch<Request, QString>("request", "error");
    const QString got = FindReplaceJob::inputError(request);
    if (error.isEmpty())
        QCOMPARE(got, QString());
    else
        QVERIFY2(got.startsWith(error) && (got.size() > error.size()) == error.endsWith(u'：'),
                 qPrintable(got));

    // Nothing runs: no result page is written.
    TestLibrary lib;
    const QString novel = lib.addNovel("书");
    lib.addChapter(novel, "一");
    request.novelId = novel;
    const Run run = runJob(lib, request);
    if (!error.isEmpty()) {
        QCOMPARE(run.result.error, got);
        QVERIFY(!QFile::exists(lib.context().folder().novelDir(novel) + "/find.htm"));
        QVERIFY(run.statuses.isEmpty());
    }
}

void TestFindReplaceJob::confirmations_data() {
    columns<Request, bool, QString>("request", "all", "text");

    addRow("plain search asks nothing", plain(Field::Text, "a"), true, "");
    addRow("plain text", plain(Field::Text, "a", "b"), true, "您是否确定将所有章节中的\"a\"替换为\"b\"");
    addRow("plain title", plain(Field::Title, "a", "b"), false,
           "您是否确定将选中章节标题中的\"a\"替换为\"b\"");
    addRow("plain volume", plain(Field::Volume, "a", ""), true,
           "您是否确定将所有章节分卷名中的\"a\"替换为\"\"");
    addRow("plain address", plain(Field::ComeFrom, "a", "b"), true,
           "您是否确定将所有章节下载地址中的\"a\"替换为\"b\"");
    addRow("between", between("x", "y", "z"), true,
           "您是否确定将所有章节中的\"x\"与\"y\"之间的内容替换为\"z\"");
    addRow("regex", regex("x", "$1"), false, "您是否确定将选中符合正则表达式的内容替换为\"$1\"");
    addRow("clear", operation(Operation::ClearContent), true, "您是否确定将所有章节中的内容清空吗？");
    addRow("delete pictures", operation(Operation::DeletePictures), false,
           "您是否确定将选中章节中的图片移除吗？");
    addRow("center", operation(Operation::CenterPictures), true, "您是否确定将所有章节中的图片居中吗？");
    addRow("zoom", operation(Operation::ZoomPictures), true,
           "您是否确定将所有章节中图片通过ctrl+鼠标滚轮进行缩放吗？");
    addRow("small pictures", operation(Operation::DeleteSmallPictures), true,
           "您是否确定将所有章节中已下载的<50k的图片移除吗？");
    addRow("to half", operation(Operation::ToHalfWidth), true,
           "您是否确定将所有章节中的全角标点符号替换为半角标点符号吗?");
    addRow("to full", operation(Operation::ToFullWidth), false,
           "您是否确定将选中章节中的半角标点符号替换为全角标点符号吗?");
    addRow("recognition of all", operation(Operation::Ocr), true,
           "图片转文字处理只能单章处理方式，是否处理本章");
    addRow("recognition of one", operation(Operation::Ocr), false, "");
}

void TestFindReplaceJob::confirmations() {
    auto [request, all, text] = fetch<Request, bool, QString>("request", "all", "text");
    request.allChapters = all;
    QCOMPARE(FindReplaceJob::confirmation(request), text);
}

void TestFindReplaceJob::search_data() {
    // charset: the display charset setting; titles: one chapter each; pages: the page text of each ("" no
    // file), GBK unless charset big5; hits: "title: line | line"; contains: in find.htm; absent: not in
    // find.htm
    columns<Request, QString, QStringList, QStringList, QStringList, QStringList, QString, int>(
        "request", "charset", "titles", "pages", "hits", "contains", "absent", "missing");

    const QString none = QStringLiteral("搜索完毕，没有结果可显示。");
    addRow("word only inside a link", plain(Field::Text, "秘密"), "", QStringList{"一"},
           QStringList{pageText("gb2312", "一", "<a href=\"x.htm\">秘密</a>正文")}, QStringList{},
           QStringList{none, "<body bgcolor=\"#E7F4FE\">"}, "搜索结果:", 0);
    addRow("lines from 0, every occurrence", plain(Field::Text, "甲"), "", QStringList{"一"},
           QStringList{"甲乙甲<br>丙<br>丁甲"}, QStringList{"一: 行 0 - 甲乙甲 | 行 2 - 丁甲"},
           QStringList{"搜索结果:\r\n<a href=\"", ".htm\">一</a><br>\r\n",
                       "行 0 - <font color=red>甲</font>乙<font color=red>甲</font><br>\r\n",
                       "行 2 - 丁<font color=red>甲</font><br>"},
           "行 1", 0);
    addRow("text is case-sensitive", plain(Field::Text, "abc"), "", QStringList{"一"}, QStringList{"ABC"},
           QStringList{}, QStringList{none}, "", 0);
    addRow("text escaped", plain(Field::Text, "&"), "", QStringList{"<i>"},
           QStringList{"a&amp;b &lt;script&gt;"}, QStringList{"<i>: 行 0 - a&b <script>"},
           QStringList{">&lt;i&gt;</a>", "a<font color=red>&amp;</font>b &lt;script&gt;"}, "<script>", 0);
    addRow("title", plain(Field::Title, "<"), "", QStringList{"a<b>", "无", "<"}, QStringList{"", "", ""},
           QStringList{"a<b>: a<b>", "<: <"}, QStringList{".htm\">a&lt;b&gt;</a><br>\r\n", ".htm\">&lt;</a>"},
           "无", 0);
    addRow("missing page", plain(Field::Text, "x"), "", QStringList{"一", "二"}, QStringList{"", "x"},
           QStringList{"二: 行 0 - x"}, QStringList{}, "", 1);
    addRow("regex shows a script as text", regex("<SCRIPT>[\\s\\S]+?</script>"), "", QStringList{"一"},
           QStringList{pageText("gb2312", "一", "<script>alert(1)</script>")},
           QStringList{"一: <script>alert(1)</script>"},
           QStringList{"</a><br>------\r\n&lt;script&gt;alert(1)&lt;/script&gt;<br><br>\r\n"}, "<script>", 0);
    addRow("between marks start and end", between("【", "】"), "", QStringList{"一"},
           QStringList{"前【中】后【二】"}, QStringList{"一: 【中】 | 【二】"},
           QStringList{"<font color=red>【</font>中<font color=red>】</font><br><br>------"
                       "<font color=red>【</font>二<font color=red>】</font><br><br>\r\n"},
           "", 0);
    addRow("between text escaped", between("(", ")"), "", QStringList{"一"}, QStringList{"(a.b)x(ab)"},
           QStringList{"一: (a.b) | (ab)"}, QStringList{}, "", 0);
    addRow("big5 library", plain(Field::Text, "測試"), "big5", QStringList{"測"},
           QStringList{pageText("big5", "測", "這是測試")}, QStringList{"測: 行 0 - 測這是測試"},
           QStringList{"charset=big5", "這是<font color=red>測試</font>"}, "", 0);
}

void TestFindReplaceJob::search() {
    auto [request, charset, titles, pages, hits, contains, absent, missing] =
        fetch<Request, QString, QStringList, QStringList, QStringList, QStringList, QString, int>(
            "request", "charset", "titles", "pages", "hits", "contains", "absent", "missing");

    TestLibrary lib;
    lib.context().settings().setValue("charset", charset);
    const QString novel = lib.addNovel("书");
    for (qsizetype k = 0; k < titles.size(); ++k) {
        const qint64 id = lib.addChapter(novel, titles.at(k));
        if (!pages.at(k).isEmpty())
            QVERIFY(writeFile(lib.context().folder().chapterPage(novel, id),
                              encodeHtmlForCharset(pages.at(k), charset.isEmpty() ? "gb2312" : charset)));
    }
    request.novelId = novel;
    const Run run = runJob(lib, request);
    QCOMPARE(run.result.error, QString());
    QStringList got;
    for (const FindReplaceJob::Hit& hit : run.result.hits)
        got << hit.title + ": " + hit.lines.join(" | ");
    QCOMPARE(got, hits);
    QCOMPARE(run.result.missing, missing);
    QCOMPARE(run.statuses.value(0), "正在处理：" + titles.first());

    const QString path = lib.context().folder().novelDir(novel) + "/find.htm";
    QCOMPARE(run.resultPage, path);
    QCOMPARE(run.result.resultPage, path);
    const StoredChapterPage written = StoredChapterPage::read(path);
    QVERIFY(written.clean);
    QCOMPARE(written.charset, charset == "big5" ? "big5" : "gb18030");
    // Big5 has no 结: it goes as a character reference.
    QVERIFY(written.text.contains(charset == "big5" ? "<title>搜索&#32467;果</title>"
                                                    : "<title>搜索结果</title>"));
    for (const QString& part : contains)
        QVERIFY2(written.text.contains(part), qPrintable(part + "\n" + written.text));
    if (!absent.isEmpty())
        QVERIFY2(!written.text.contains(absent), qPrintable(written.text));
    // A search changes nothing.
    QCOMPARE(run.result.changed, 0);
}

void TestFindReplaceJob::replace_data() {
    // row: the target column afterwards (title when none); after: the content afterwards, "=": the page bytes
    // are those before; inPage: in the page afterwards
    columns<Request, QString, QString, QString, QString, QString, int>("request", "title", "content", "row",
                                                                       "after", "inPage", "changed");

    addRow("title typed with pattern characters", plain(Field::Title, "旧", "$1<&"), "旧章", "正文", "$1<&章",
           "正文", "<title>$1&lt;&amp;章</title>", 1);
    addRow("title without the text", plain(Field::Title, "无", "有"), "旧章", "无", "旧章", kUnchanged, "",
           0);
    addRow("title case-sensitive", plain(Field::Title, "a", "b"), "A章", "a", "A章", kUnchanged, "", 0);
    addRow("content equal to the title", plain(Field::Text, "甲", "丙"), "甲乙", "甲乙", "甲乙", "丙乙",
           "<title>甲乙</title>", 1);
    addRow("text only in the content", plain(Field::Text, "章", "x"), "一章", "正文", "一章", kUnchanged, "",
           0);
    addRow("text every occurrence", plain(Field::Text, "a", "$&"), "一", "aXa", "一", "$&X$&", "", 1);
    addRow("volume row only", plain(Field::Volume, "卷", "部"), "一", "x", "第一部", kUnchanged, "", 1);
    addRow("address row only", plain(Field::ComeFrom, "a/", "b/"), "一", "x", "http://b/1.htm", kUnchanged,
           "", 1);
    addRow("between", between("【", "】", "〔〕"), "一", "前【中】后【二】", "一", "前〔〕后〔〕", "", 1);
    addRow("between with the match", between("【", "】", "<$&>"), "一", "【中】", "一", "<【中】>", "", 1);
    addRow("between escaped", between("(", ")", "-"), "一", "(a)ab", "一", "-ab", "", 1);
    addRow("regex groups", regex("(\\d+)号", "第$1号"), "一", "12号", "一", "第12号", "", 1);
    addRow("regex case-insensitive", regex("abc", "x"), "一", "ABC", "一", "x", "", 1);
    addRow("regex only in the content", regex("标题", "x"), "标题", "正文", "标题", kUnchanged, "", 0);
    addRow("clear", operation(Operation::ClearContent), "一", "正文<img src=1.jpg>", "一", "", "", 1);
    addRow("clear an empty content", operation(Operation::ClearContent), "一", "", "一", kUnchanged, "", 0);
    addRow("delete pictures", operation(Operation::DeletePictures), "一", "a<img src=1.jpg>b<IMG alt='>'>",
           "一", "ab", "", 1);
    addRow("center pictures", operation(Operation::CenterPictures), "一", "a<img src=1.jpg>", "一",
           "a<center><img src=1.jpg></center>", "", 1);
    addRow("zoom", operation(Operation::ZoomPictures), "一", "<img src=1.jpg>", "一",
           "<img src=1.jpg onmousewheel=\"return imgzoom(this);\">",
           "<head>" + PageEdits::zoomScript() + "<meta", 1);
    addRow("to full keeps tags and entities", operation(Operation::ToFullWidth), "一",
           "<p class=\"a,b\">x,y&nbsp;\"引\"&#12345;</p>", "一",
           "<p class=\"a,b\">x，y&nbsp;“引”&#12345;</p>", "", 1);
    addRow("to half", operation(Operation::ToHalfWidth), "一", "“引”，<b title=\"，\">。</b>", "一",
           "\"引\",<b title=\"，\">.</b>", "", 1);
    addRow("to half with nothing to do", operation(Operation::ToHalfWidth), "一", "abc", "一", kUnchanged, "",
           0);
}

void TestFindReplaceJob::replace() {
    auto [request, title, content, row, after, inPage, changed] =
        fetch<Request, QString, QString, QString, QString, QString, int>("request", "title", "content", "row",
                                                                         "after", "inPage", "changed");

    TestLibrary lib;
    const QString novel = lib.addNovel("书");
    const qint64 id = lib.addChapter(novel, title, false, "http://a/1.htm");
    lib.db().exec("UPDATE book_novelcontent SET Volume='第一卷' WHERE id=?", {id});
    const QString path = lib.context().folder().chapterPage(novel, id);
    const QByteArray before = gbkPage(title, content);
    QVERIFY(writeFile(path, before));

    request.novelId = novel;
    request.chapterIds = {id};
    const Run run = runJob(lib, request);
    QCOMPARE(run.result.error, QString());
    QCOMPARE(run.result.changed, changed);
    QCOMPARE(run.changed.size(), changed);

    const ChapterRow stored = *LibraryLists::chapter(lib.db(), id);
    const QString value = request.field == Field::Volume     ? stored.volume
                          : request.field == Field::ComeFrom ? stored.comeFrom
                                                             : stored.title;
    QCOMPARE(value, row);
    if (after == kUnchanged) {
        QCOMPARE(fileBytes(path), before);
        return;
    }
    const StoredChapterPage page = StoredChapterPage::read(path);
    QVERIFY(page.clean);
    QCOMPARE(contentOf(page.text), after);
    QVERIFY2(page.text.contains(inPage), qPrintable(page.text));
}

void TestFindReplaceJob::encodings_data() {
    // codec: what the page is encoded in before and after; content: "A" becomes "B"
    columns<QString, QByteArray, QString, QString, QString>("declared", "bom", "codec", "content",
                                                            "expected");

    addRow("gbk page", "gb2312", QByteArray(), "GB18030", "中文A", "中文B");
    addRow("gb18030 character becomes a reference", "gb2312", QByteArray(), "GB18030", "中A\U0001F600",
           "中B&#128512;");
    addRow("big5 page stays big5", "big5", QByteArray(), "Big5", "繁體A測試", "繁體B測試");
    addRow("utf-8 page stays utf-8", "utf-8", QByteArray(), "UTF-8", "中文A\U0001F600", "中文B\U0001F600");
    addRow("utf-16 page stays utf-16", "utf-16", QByteArray("\xFF\xFE"), "UTF-16LE", "中文A", "中文B");
    addRow("utf-8 page keeps its mark", "utf-8", QByteArray("\xEF\xBB\xBF"), "UTF-8", "éA", "éB");
}

void TestFindReplaceJob::encodings() {
    const auto [declared, bom, codec, content, expected] =
        fetch<QString, QByteArray, QString, QString, QString>("declared", "bom", "codec", "content",
                                                              "expected");

    TestLibrary lib;
    const QString novel = lib.addNovel("书");
    const qint64 id = lib.addChapter(novel, "章");
    const QString path = lib.context().folder().chapterPage(novel, id);
    const QByteArray name = codec.toLatin1();
    QVERIFY(writeFile(path, bom + encodeText(pageText(declared, "章", content), name.constData())));

    Request request = plain(Field::Text, "A", "B");
    request.novelId = novel;
    const Run run = runJob(lib, request);
    QCOMPARE(run.result.changed, 1);
    QCOMPARE(fileBytes(path), bom + encodeText(pageText(declared, "章", expected), name.constData()));
}

void TestFindReplaceJob::pagesLeftAlone_data() {
    columns<Request, bool, int, int>("request", "exists", "missing", "undecodable");

    const QList<std::pair<const char*, Request>> requests = {
        {"text", plain(Field::Text, "中", "X")},
        {"title", plain(Field::Title, "章", "X")},
        {"regex", regex("中", "X")},
        {"to full", operation(Operation::ToFullWidth)},
        {"clear", operation(Operation::ClearContent)},
    };
    for (const auto& [name, request] : requests) {
        addRow(qPrintable(QStringLiteral("missing page, %1").arg(QLatin1String(name))), request, false, 1, 0);
        addRow(qPrintable(QStringLiteral("undecodable page, %1").arg(QLatin1String(name))), request, true, 0,
               1);
    }
}

void TestFindReplaceJob::pagesLeftAlone() {
    auto [request, exists, missing, undecodable] =
        fetch<Request, bool, int, int>("request", "exists", "missing", "undecodable");

    TestLibrary lib;
    const QString novel = lib.addNovel("书");
    const qint64 id = lib.addChapter(novel, "章");
    const QString path = lib.context().folder().chapterPage(novel, id);
    const QByteArray before = "<html><title>\xD5\xC2</title><!--BookContent Start-->\xD6\xD0,\x81\x20"
                              "<!--BookContent End--></html>";
    if (exists)
        QVERIFY(writeFile(path, before));
    request.novelId = novel;
    const Run run = runJob(lib, request);
    QCOMPARE(run.result.missing, missing);
    QCOMPARE(run.result.undecodable, undecodable);
    QCOMPARE(QFile::exists(path), exists);
    if (exists)
        QCOMPARE(fileBytes(path), before);
    // The title row still changes: it is the row's own value.
    QCOMPARE(LibraryLists::chapter(lib.db(), id)->title,
             request.field == Field::Title && request.replace ? "X" : "章");
}

void TestFindReplaceJob::smallPictures_data() {
    columns<int, bool>("size", "removed");

    addRow("below 50000 bytes", 49999, true);
    addRow("exactly 50000 bytes", 50000, false);
    addRow("large", 200000, false);
    addRow("empty file", 0, true);
}

void TestFindReplaceJob::smallPictures() {
    const auto [size, removed] = fetch<int, bool>("size", "removed");

    TestLibrary lib;
    const QString novel = lib.addNovel("书");
    const qint64 id = lib.addChapter(novel, "章");
    const QString dir = lib.context().folder().novelDir(novel);
    const QString name = novel + "_" + QString::number(id) + "_1.jpg";
    const QString other = novel + "_" + QString::number(id + 1) + "_1.jpg"; // another chapter's
    QVERIFY(writeFile(dir + "/" + name, QByteArray(size, 'p')));
    QVERIFY(writeFile(dir + "/" + other, QByteArray(10, 'p')));
    const QString tag =
        "<img alt=\"a long description of the picture, longer than fifty characters\" src=" + name +
        " width=100>";
    const QString content = "前" + tag + "后<img src=\"" + other + "\">";
    const QString path = lib.context().folder().chapterPage(novel, id);
    QVERIFY(writeFile(path, gbkPage("章", content)));

    Request request = operation(Operation::DeleteSmallPictures);
    request.novelId = novel;
    const Run run = runJob(lib, request);
    QCOMPARE(run.result.changed, removed ? 1 : 0);
    QCOMPARE(QFile::exists(dir + "/" + name), !removed);
    QVERIFY(QFile::exists(dir + "/" + other));
    const QString after = contentOf(StoredChapterPage::read(path).text);
    QCOMPARE(after, removed ? "前后<img src=\"" + other + "\">" : content);
}

void TestFindReplaceJob::declined_data() {
    QTest::addColumn<Request>("request");

    addRow("title", plain(Field::Title, "章", "节"));
    addRow("text", plain(Field::Text, "正", "反"));
    addRow("regex", regex(".", ""));
    addRow("clear", operation(Operation::ClearContent));
    addRow("recognition of all", operation(Operation::Ocr, true));
}

void TestFindReplaceJob::declined() {
    QFETCH(Request, request);

    TestLibrary lib;
    const QString novel = lib.addNovel("书");
    const qint64 id = lib.addChapter(novel, "章");
    const QString path = lib.context().folder().chapterPage(novel, id);
    const QByteArray before = gbkPage("章", "正文");
    QVERIFY(writeFile(path, before));

    request.novelId = novel;
    request.chapterIds = {id};
    ScriptedPrompter no;
    no.defaultButton = 1;
    const Run run = runJob(lib, request, &no);
    QVERIFY(run.result.declined);
    QCOMPARE(no.asked.size(), 1);
    QCOMPARE(no.asked.first().text, FindReplaceJob::confirmation(request));
    QCOMPARE(run.result.changed, 0);
    QCOMPARE(fileBytes(path), before);
    QCOMPARE(LibraryLists::chapter(lib.db(), id)->title, "章");

    // While another rewrite holds the novel, nothing is asked and nothing changes.
    const PageWorkClaim busy({novel});
    ScriptedPrompter yes;
    yes.defaultButton = 0;
    const Run refused = runJob(lib, request, &yes);
    QCOMPARE(refused.result.error, QStringLiteral("小说%1的章节正在转换或替换，请稍后再处理").arg(novel));
    QVERIFY(yes.asked.isEmpty());
    QCOMPARE(fileBytes(path), before);
    QCOMPARE(LibraryLists::chapter(lib.db(), id)->title, "章");
}

void TestFindReplaceJob::stop_data() {
    columns<Request, int>("request", "stopAfter");

    addRow("text after one", plain(Field::Text, "文", "字"), 1);
    addRow("text after two", plain(Field::Text, "文", "字"), 2);
    addRow("title after one", plain(Field::Title, "章", "节"), 1);
    addRow("operation after two", operation(Operation::ClearContent), 2);
}

void TestFindReplaceJob::stop() {
    auto [request, stopAfter] = fetch<Request, int>("request", "stopAfter");

    TestLibrary lib;
    const QString novel = lib.addNovel("书");
    QList<qint64> ids;
    QList<QByteArray> before;
    for (int k = 0; k < 4; ++k) {
        ids << lib.addChapter(novel, "章" + QString::number(k));
        before << gbkPage("章" + QString::number(k), "正文");
        QVERIFY(writeFile(lib.context().folder().chapterPage(novel, ids.last()), before.last()));
    }
    request.novelId = novel;
    const Run run = runJob(lib, request, nullptr, stopAfter);
    QVERIFY(run.result.stopped);
    QCOMPARE(run.result.changed, stopAfter);
    QCOMPARE(run.changed, ids.mid(0, stopAfter));
    for (int k = 0; k < 4; ++k) {
        const bool done = k < stopAfter;
        QCOMPARE(fileBytes(lib.context().folder().chapterPage(novel, ids.at(k))) != before.at(k), done);
        if (request.field == Field::Title)
            QCOMPARE(LibraryLists::chapter(lib.db(), ids.at(k))->title.startsWith("节"), done);
    }
}

void TestFindReplaceJob::recognitionWithoutWork_data() {
    // picture: a picture file of the chapter: "" none, else its bytes; error: a part of the message
    columns<QString, bool, QString>("picture", "languageData", "error");

    addRow("no picture", "", true, "本章没有相应的图片或者没有下载到本地");
    addRow("picture file empty", "empty", true, "本章没有相应的图片或者没有下载到本地");
    addRow("language data missing", "not really a picture", false, "tesseract-ocr-chi-sim");
}

void TestFindReplaceJob::recognitionWithoutWork() {
    const auto [picture, languageData, error] =
        fetch<QString, bool, QString>("picture", "languageData", "error");

    TestLibrary lib;
    const QString novel = lib.addNovel("书");
    const qint64 first = lib.addChapter(novel, "一");
    const qint64 id = lib.addChapter(novel, "二");
    const QString dir = lib.context().folder().novelDir(novel);
    const QString name = novel + "_" + QString::number(id) + "_1.png";
    if (!picture.isEmpty())
        QVERIFY(writeFile(dir + "/" + name, picture == "empty" ? QByteArray() : picture.toUtf8()));
    // The first chapter has a picture too: only the chapter passed counts.
    const QString firstPicture = novel + "_" + QString::number(first) + "_1.png";
    QVERIFY(writeFile(dir + "/" + firstPicture, "x"));
    QVERIFY(writeFile(lib.context().folder().chapterPage(novel, first),
                      gbkPage("一", "<img src=\"" + firstPicture + "\">")));
    const QString path = lib.context().folder().chapterPage(novel, id);
    const QByteArray before = gbkPage("二", "<img src=\"" + name + "\">");
    QVERIFY(writeFile(path, before));

    QTemporaryDir noData;
    const QByteArray oldPrefix = qgetenv("TESSDATA_PREFIX");
    if (!languageData)
        qputenv("TESSDATA_PREFIX", noData.path().toLocal8Bit());
    Request request = operation(Operation::Ocr, true);
    request.novelId = novel;
    request.chapterIds = {id};
    ScriptedPrompter yes;
    yes.defaultButton = 0;
    const Run run = runJob(lib, request, &yes);
    if (!languageData) {
        if (oldPrefix.isNull())
            qunsetenv("TESSDATA_PREFIX");
        else
            qputenv("TESSDATA_PREFIX", oldPrefix);
    }
    QCOMPARE(yes.asked.size(), 1);
    QVERIFY2(run.result.error.contains(error), qPrintable(run.result.error));
    QCOMPARE(run.result.changed, 0);
    QCOMPARE(fileBytes(path), before);
    QVERIFY(run.statuses.isEmpty());
}

void TestFindReplaceJob::recognition_data() {
    // charset: display charset, and the page's; expected: the content afterwards
    columns<QString, QStringList, QString>("charset", "lines", "expected");

    addRow("two lines", "gb2312", QStringList{"第一行写着地图的名字", "第二行写着出发的日子"},
           "前第一行写着地图的名字<br>第二行写着出发的日子后<img src=\"logo.gif\">");
    addRow("traditional library", "big5", QStringList{"這張地圖畫著回家的路"},
           "前這張地圖畫著回家的路后<img src=\"logo.gif\">");
}

void TestFindReplaceJob::recognition() {
    const auto [charset, lines, expected] =
        fetch<QString, QStringList, QString>("charset", "lines", "expected");

    TestLibrary lib;
    lib.context().settings().setValue("charset", charset);
    const QString novel = lib.addNovel("书");
    lib.addChapter(novel, "一");
    const qint64 id = lib.addChapter(novel, "二");
    const QString dir = lib.context().folder().novelDir(novel);
    const QString name = novel + "_" + QString::number(id) + "_1.png";
    QVERIFY(QDir().mkpath(dir));
    QVERIFY(drawTextPicture(dir + "/" + name, lines));
    const QString path = lib.context().folder().chapterPage(novel, id);
    QVERIFY(writeFile(
        path,
        encodeHtmlForCharset(
            pageText(charset, "二", "前<img width=300 src=" + name + ">后<img src=\"logo.gif\">"), charset)));

    Request request = operation(Operation::Ocr);
    request.novelId = novel;
    request.chapterIds = {id};
    ScriptedPrompter prompter;
    const Run run = runJob(lib, request, &prompter);
    QCOMPARE(run.result.error, QString());
    QVERIFY(prompter.asked.isEmpty());
    QCOMPARE(run.result.changed, 1);
    const StoredChapterPage page = StoredChapterPage::read(path, charset);
    QCOMPARE(page.charset, charset == "big5" ? "big5" : "gb18030");
    QCOMPARE(contentOf(page.text), expected);
    QVERIFY(QFile::exists(dir + "/" + name));
}

void TestFindReplaceJob::noChapters() {
    TestLibrary lib;
    const QString empty = lib.addNovel("空");
    const QString other = lib.addNovel("书");
    const qint64 id = lib.addChapter(other, "章");

    Request request = plain(Field::Text, "x");
    request.novelId = empty;
    QCOMPARE(runJob(lib, request).result.error, "当前小说没有章节");
    // Chapters of another novel are not this novel's.
    request.chapterIds = {id};
    QCOMPARE(runJob(lib, request).result.error, "当前小说没有章节");
    QVERIFY(!QFile::exists(lib.context().folder().novelDir(empty) + "/find.htm"));
}

QTEST_MAIN(TestFindReplaceJob)
#include "tst_findreplacejob.moc"
