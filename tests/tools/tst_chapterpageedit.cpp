// The chapter page editor's save: only the chapter text changes, in the page's own charset, and the
// row's WordNums follows; a save that cannot finish leaves page and row as they were. Pictures the
// editor inserts are copied beside the page, web pictures and the page's own kept as they are.
#include "library/pagework.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "text/html.h"
#include "tools/chapterpageedit.h"
#include "tools/editorpicture.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace {

// A program-written page in the given codec; the title holds a character only GB18030 has among the
// Chinese charsets when the codec can take it.
QByteArray pageBytes(const char* codec, const QString& declared, const QString& title,
                     const QString& content) {
    const QString page =
        QStringLiteral("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">\r\n"
                       "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
                       "charset=%1\"><title>%2</title></head>\r\n<body><h1>%2</h1>\r\n")
            .arg(declared, title) +
        kBookContentStart + content + kBookContentEnd +
        QStringLiteral("\r\n<p>上一页 下一页</p></body></html>\r\n");
    QStringEncoder encoder(codec);
    return encoder.encode(page);
}

qint64 wordNums(TestLibrary& lib, qint64 id) {
    return lib.db()
        .scalar(QStringLiteral("SELECT WordNums FROM book_novelcontent WHERE id=?"), {id}, -1)
        .toLongLong();
}

QByteArray around(const QByteArray& bytes, bool before) {
    const QByteArray start = kBookContentStart.toLatin1();
    const qsizetype s = bytes.indexOf(start) + start.size();
    return before ? bytes.left(s) : bytes.mid(bytes.indexOf(kBookContentEnd.toLatin1(), s));
}

// Real headers with a short body: what decides is the start of the file.
const QByteArray kJpg = QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01", 13) + QByteArray(40, '\x11');
const QByteArray kPng = QByteArray("\x89PNG\r\n\x1A\n\x00\x00\x00\x0DIHDR", 16) + QByteArray(40, '\x22');
const QByteArray kGif = QByteArray("GIF89a\x01\x00\x01\x00\x80\x00\x00", 13) + QByteArray(20, '\x33');
const QByteArray kBmp = QByteArray("BM\x3A\x00\x00\x00\x00\x00\x00\x00\x36\x00\x00\x00\x28\x00\x00\x00", 18) +
                        QByteArray(40, '\x44');
const QByteArray kWebp = QByteArray("RIFF\x1A\x00\x00\x00WEBPVP8L", 16) + QByteArray(14, '\x55');
const QByteArray kSvg =
    "<?xml version=\"1.0\"?>\n<!-- drawn -->\n<svg xmlns=\"http://www.w3.org/2000/svg\"/>\n";

} // namespace

class TestChapterPageEdit : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void roundTrip_data();
    void roundTrip();
    void withoutMarkers_data();
    void withoutMarkers();
    void failures_data();
    void failures();
    void pictureTypes_data();
    void pictureTypes();
    void insertPicture_data();
    void insertPicture();
    void insertPictureFails();
};

void TestChapterPageEdit::roundTrip_data() {
    // reopened: the content as the editor opens it after the save
    columns<QByteArray, QString, QString, QString, QString, QString>("codec", "declared", "title", "edited",
                                                                     "reopened", "charset");
    const QString rare = QString::fromUcs4(U"\U00020000");
    addRow("gbk page, GB18030-only characters", QByteArray("GB18030"), "gb2312", "第一章" + rare,
           "　　<b>新的</b>" + rare + "正文。\r\n", "　　<b>新的</b>&#131072;正文。\r\n", "gb18030");
    addRow("big5 page", QByteArray("Big5"), "big5", "第一章 開始", "　　繁體的正文，改過了。",
           "　　繁體的正文，改過了。", "big5");
    addRow("utf-8 page", QByteArray("UTF-8"), "utf-8", "第一章" + rare, "　　表情😀与" + rare,
           "　　表情😀与" + rare, "utf-8");
    addRow("text emptied", QByteArray("GB18030"), "gb2312", "第一章", "  \r\n ", "  \r\n ", "gb18030");
}

void TestChapterPageEdit::roundTrip() {
    const auto [codec, declared, title, edited, reopened, charset] =
        fetch<QByteArray, QString, QString, QString, QString, QString>("codec", "declared", "title", "edited",
                                                                       "reopened", "charset");
    TestLibrary lib;
    const QString novel = lib.addNovel(QStringLiteral("书"));
    const qint64 id = lib.addChapter(novel, QStringLiteral("第一章"));
    QVERIFY(lib.db().exec(QStringLiteral("UPDATE book_novelcontent SET WordNums=99 WHERE id=?"), {id}));
    const QString path = lib.context().folder().chapterPage(novel, id);
    const QByteArray before =
        pageBytes(codec.constData(), declared, title, QStringLiteral("　　第一段正文。"));
    QVERIFY(writeFile(path, before));

    ChapterPageEdit edit(lib.db(), lib.context().folder(), novel, id);
    QCOMPARE(edit.open(), QString());
    QCOMPARE(edit.content(), QStringLiteral("　　第一段正文。"));
    QCOMPARE(edit.save(edited), QString());

    const QByteArray after = fileBytes(path);
    QCOMPARE(around(after, true), around(before, true));
    QCOMPARE(around(after, false), around(before, false));
    QCOMPARE(wordNums(lib, id), qint64(edited.trimmed().size()));
    ChapterPageEdit again(lib.db(), lib.context().folder(), novel, id);
    QCOMPARE(again.open(), QString());
    QCOMPARE(again.content(), reopened);
    QCOMPARE(again.charset(), charset);
    // The editor keeps working on what it wrote.
    QCOMPARE(edit.content(), reopened);
}

void TestChapterPageEdit::withoutMarkers_data() {
    columns<QString, QString, QString>("page", "edited", "saved");
    const QString doctype = QStringLiteral("<!DOCTYPE html>\n");
    addRow("doctype kept when the edit lacks it", doctype + "<html><body>旧</body></html>",
           "<html><body>新的文字</body></html>", doctype + "<html><body>新的文字</body></html>");
    addRow("doctype after a comment", "<!-- saved -->\n" + doctype + "<html><body>旧</body></html>",
           "<html><body>新</body></html>", "<!-- saved -->\n" + doctype + "<html><body>新</body></html>");
    addRow("the edit's own doctype wins", doctype + "<html><body>旧</body></html>",
           "<!doctype html><html><body>新</body></html>", "<!doctype html><html><body>新</body></html>");
    addRow("no doctype anywhere", "<p>旧</p>", "<p>新</p>", "<p>新</p>");
    addRow("one marker only is no range", kBookContentStart + "<p>旧</p>", "<p>新</p>", "<p>新</p>");
}

void TestChapterPageEdit::withoutMarkers() {
    const auto [page, edited, saved] = fetch<QString, QString, QString>("page", "edited", "saved");
    TestLibrary lib;
    const QString novel = lib.addNovel(QStringLiteral("书"));
    const qint64 id = lib.addChapter(novel, QStringLiteral("一"));
    const QString path = lib.context().folder().chapterPage(novel, id);
    QVERIFY(writeFile(path, page.toUtf8()));

    ChapterPageEdit edit(lib.db(), lib.context().folder(), novel, id);
    QCOMPARE(edit.open(), QString());
    QVERIFY(!edit.hasMarkers());
    QCOMPARE(edit.content(), page);
    QCOMPARE(edit.save(edited), QString());
    QCOMPARE(QString::fromUtf8(fileBytes(path)), saved);
    QCOMPARE(wordNums(lib, id), qint64(edited.trimmed().size()));
}

void TestChapterPageEdit::failures_data() {
    columns<QString, QString>("fault", "message");
    addRow("page missing", "missing", "文件没有找到");
    addRow("folder read-only", "read-only", "保存失败：");
    addRow("folder gone, a file in its place", "folder is a file", "保存失败：");
    addRow("row update refused", "trigger", "保存失败：");
    addRow("novel being rewritten", "claim", "保存失败：");
    addRow("row deleted meanwhile", "row gone", "保存失败：章节不存在");
}

void TestChapterPageEdit::failures() {
    const auto [fault, message] = fetch<QString, QString>("fault", "message");
    if (fault == QLatin1String("read-only") && geteuid() == 0)
        QSKIP("root writes into read-only folders");
    TestLibrary lib;
    const QString novel = lib.addNovel(QStringLiteral("书"));
    const qint64 id = lib.addChapter(novel, QStringLiteral("一"));
    QVERIFY(lib.db().exec(QStringLiteral("UPDATE book_novelcontent SET WordNums=5 WHERE id=?"), {id}));
    const QString path = lib.context().folder().chapterPage(novel, id);
    const QString dir = lib.context().folder().novelDir(novel);
    const QByteArray before =
        pageBytes("GB18030", QStringLiteral("gb2312"), QStringLiteral("一"), QStringLiteral("旧文"));
    if (fault != QLatin1String("missing"))
        QVERIFY(writeFile(path, before));

    ChapterPageEdit edit(lib.db(), lib.context().folder(), novel, id);
    const QString opened = edit.open();
    QString error = opened;
    if (opened.isEmpty()) {
        std::unique_ptr<PageWorkClaim> claim;
        if (fault == QLatin1String("read-only"))
            QVERIFY(QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner));
        else if (fault == QLatin1String("folder is a file"))
            QVERIFY(QDir().rename(dir, dir + QStringLiteral(".away")) && writeFile(dir, "x"));
        else if (fault == QLatin1String("trigger"))
            QVERIFY(lib.db().exec(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON book_novelcontent "
                                                 "BEGIN SELECT RAISE(ABORT, 'refused'); END")));
        else if (fault == QLatin1String("claim"))
            claim = std::make_unique<PageWorkClaim>(QStringList{novel});
        else if (fault == QLatin1String("row gone"))
            QVERIFY(
                lib.db().exec(QStringLiteral("UPDATE book_novelcontent SET NovelID='x' WHERE id=?"), {id}));
        error = edit.save(QStringLiteral("新的正文"));
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (fault == QLatin1String("folder is a file"))
            QVERIFY(QFile::remove(dir) && QDir().rename(dir + QStringLiteral(".away"), dir));
    }
    QVERIFY2(error.startsWith(message), qPrintable(error));
    QCOMPARE(fileBytes(path), fault == QLatin1String("missing") ? QByteArray() : before);
    QCOMPARE(wordNums(lib, id), 5);
    // No work file is left beside the page.
    const QStringList left = QDir(dir).entryList(QDir::Files);
    QCOMPARE(left,
             fault == QLatin1String("missing") ? QStringList() : QStringList{QString::number(id) + ".htm"});
}

void TestChapterPageEdit::pictureTypes_data() {
    columns<QByteArray, QString>("head", "type");
    addRow("jpg", kJpg, "jpg");
    addRow("webp", kWebp, "webp");
    addRow("svg after a declaration and a comment", kSvg, "svg");
    addRow(
        "svg with a byte-order mark and a doctype",
        QByteArray("\xEF\xBB\xBF <!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 1.1//EN\" \"x\">\n<svg width=\"1\">"),
        "svg");
    addRow("text starting with BM", QByteArray("BMW is a car, not a bitmap."), "");
    addRow("a wave file", QByteArray("RIFF\x1A\x00\x00\x00WAVEfmt ", 16), "");
    addRow("a page holding an svg", QByteArray("<html><body><svg></svg></body></html>"), "");
    addRow("nothing", QByteArray(), "");
}

void TestChapterPageEdit::pictureTypes() {
    const auto [head, type] = fetch<QByteArray, QString>("head", "type");
    QCOMPARE(editorPictureType(head), type);
}

void TestChapterPageEdit::insertPicture_data() {
    // In addresses and names "{src}" is a folder outside the library, "{novel}" the novel's folder,
    // "{n}" the NovelID and "{c}" the chapter id.
    // file: the picture to make, "" for none; before: files already in the novel's folder; copy: the new file
    // in the novel's folder, "" for none
    columns<QString, QByteArray, QStringList, QString, QString, QString, QString>(
        "file", "bytes", "before", "address", "src", "error", "copy");
    const QStringList none;
    const QString one = QStringLiteral("{n}_{c}_1.jpg");
    addRow("file URL, spaces and Chinese in the name", "{src}/我的 图片.JPG", kJpg, none,
           "file://{src}/我的 图片.JPG", one, "", one);
    addRow("file URL percent-encoded", "{src}/a b.png", kPng, none, "file://{src}/a%20b.png", "{n}_{c}_1.png",
           "", "{n}_{c}_1.png");
    addRow("plain path, blanks around", "{src}/pic.gif", kGif, none, "  {src}/pic.gif\n", "{n}_{c}_1.gif", "",
           "{n}_{c}_1.gif");
    addRow("numbering skips taken names", "{src}/p.jpg", kJpg,
           QStringList{"{n}_{c}_1.jpg", "{n}_{c}_2.jpg", "{n}_{c}_3.png", "{n}_9_3.jpg"}, "{src}/p.jpg",
           "{n}_{c}_3.jpg", "", "{n}_{c}_3.jpg");
    addRow("png named .jpg keeps its name", "{src}/p.jpg", kPng, none, "{src}/p.jpg", one, "", one);
    addRow("webp without an extension", "{src}/download", kWebp, none, "{src}/download", "{n}_{c}_1.webp", "",
           "{n}_{c}_1.webp");
    addRow("bmp with another extension", "{src}/scan.tmp", kBmp, none, "{src}/scan.tmp", "{n}_{c}_1.bmp", "",
           "{n}_{c}_1.bmp");
    addRow("svg named .jpg becomes .svg", "{src}/logo.jpg", kSvg, none, "{src}/logo.jpg", "{n}_{c}_1.svg", "",
           "{n}_{c}_1.svg");
    addRow("picture already in the folder", "{novel}/{n}_{c}_1.jpg", kJpg, none,
           "file://{novel}/{n}_{c}_1.jpg", one, "", "");
    addRow("relative name from the folder", "{novel}/旧 图#1.gif", kGif, none, "旧 图#1.gif",
           "旧%20图%231.gif", "", "");
    addRow("the folder reached through ..", "{novel}/x.png", kPng, none, "{novel}/../{n}/x.png", "x.png", "",
           "");
    addRow("http kept", "", QByteArray(), none, "HTTP://example.com/a b.jpg", "HTTP://example.com/a b.jpg",
           "", "");
    addRow("missing file", "", QByteArray(), none, "{src}/none.jpg", "", "图片文件不存在：{src}/none.jpg",
           "");
    addRow("text file named .jpg", "{src}/note.jpg", QByteArray("not a picture"), none, "{src}/note.jpg", "",
           "不是图片文件：{src}/note.jpg", "");
    addRow("a folder", "", QByteArray(), none, "{src}", "", "不是图片文件：{src}", "");
    addRow("javascript", "", QByteArray(), none, "javascript:alert(1)", "",
           "不支持的图片地址：javascript:alert(1)", "");
    addRow("file URL of another host", "", QByteArray(), none, "file://server/share/a.jpg", "",
           "图片文件不存在：//server/share/a.jpg", "");
    addRow("nothing given", "", QByteArray(), none, "  ", "", "图片文件路径不能为空", "");
}

void TestChapterPageEdit::insertPicture() {
    const auto [file, bytes, before, address, src, error, copy] =
        fetch<QString, QByteArray, QStringList, QString, QString, QString, QString>(
            "file", "bytes", "before", "address", "src", "error", "copy");
    TestLibrary lib;
    QTemporaryDir outside;
    const QString novel = lib.addNovel(QStringLiteral("书"));
    const qint64 id = lib.addChapter(novel, QStringLiteral("一"));
    const QString dir = lib.context().folder().novelDir(novel);
    QVERIFY(QDir().mkpath(dir));
    const auto fill = [&](QString text) {
        return text.replace(QLatin1String("{src}"), outside.path())
            .replace(QLatin1String("{novel}"), dir)
            .replace(QLatin1String("{n}"), novel)
            .replace(QLatin1String("{c}"), QString::number(id));
    };
    QStringList expected;
    for (const QString& name : before) {
        QVERIFY(writeFile(dir + u'/' + fill(name), "old"));
        expected << fill(name);
    }
    if (!file.isEmpty()) {
        QVERIFY(writeFile(fill(file), bytes));
        if (fill(file).startsWith(dir))
            expected << QFileInfo(fill(file)).fileName();
    }
    if (!copy.isEmpty())
        expected << fill(copy);

    const EditorPicture picture = placeEditorPicture(lib.context().folder(), novel, id, fill(address));
    QCOMPARE(picture.error, fill(error));
    QCOMPARE(picture.src, fill(src));
    QStringList names = QDir(dir).entryList(QDir::Files);
    expected.sort();
    QCOMPARE(names, expected);
    if (!copy.isEmpty())
        QCOMPARE(fileBytes(dir + u'/' + fill(copy)), bytes);
}

// A copy that cannot be written (the novel folder is a file) leaves nothing behind.
void TestChapterPageEdit::insertPictureFails() {
    TestLibrary lib;
    QTemporaryDir outside;
    const QString novel = lib.addNovel(QStringLiteral("书"));
    const QString dir = lib.context().folder().novelDir(novel);
    const QString picture = outside.filePath(QStringLiteral("p.png"));
    QVERIFY(writeFile(picture, kPng) && writeFile(dir, "x"));
    const EditorPicture placed =
        placeEditorPicture(lib.context().folder(), novel, lib.addChapter(novel, QStringLiteral("一")), picture);
    QVERIFY2(placed.error.startsWith(QStringLiteral("无法复制图片：")), qPrintable(placed.error));
    QCOMPARE(placed.src, QString());
    QCOMPARE(fileBytes(dir), QByteArray("x"));
}

QTEST_GUILESS_MAIN(TestChapterPageEdit)
#include "tst_chapterpageedit.moc"
