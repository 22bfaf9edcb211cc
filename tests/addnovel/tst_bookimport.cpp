// Imports of compiled help books, folders and local files into the library: what comes back, what a
// stop or a hostile book leaves behind (nothing), and the charsets of local files.
#include "addnovel/bookimportjobs.h"
#include "addnovel/importcontents.h"
#include "../output/novelfixture.h"
#include "output/chmarchive.h"
#include "output/chmbuildjob.h"
#include "output/chmcompiler.h"
#include "storage/textfile.h"
#include "support/rows.h"
#include "text/charset.h"
#include "text/html.h"
#include "text/url.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Row {
    QString title, volume;
    int wordNums;
    qint64 id;
};

QList<Row> chapterRows(TestLibrary& lib, const QString& novelId) {
    QList<Row> rows;
    QSqlQuery q = lib.db().query(
        QStringLiteral("SELECT Title, IFNULL(Volume,''), WordNums, id FROM book_novelcontent WHERE NovelID=? "
                       "ORDER BY Displayorder"),
        {novelId});
    while (q.next())
        rows.append({q.value(0).toString(), q.value(1).toString(), q.value(2).toInt(), q.value(3).toLongLong()});
    return rows;
}

QStringList titles(const QList<Row>& rows) {
    QStringList out;
    for (const Row& r : rows)
        out << r.title;
    return out;
}

QString pageOf(TestLibrary& lib, const QString& novelId, qint64 id) {
    return readTextFile(lib.context().folder().chapterPage(novelId, id));
}

QString contentOf(const QString& page) {
    const BookContentRange range = bookContentRange(page);
    return range.found() ? page.mid(range.start, range.length) : QString();
}

int novelCount(TestLibrary& lib) {
    QSqlQuery q = lib.db().query(QStringLiteral("SELECT COUNT(*) FROM book_novel"));
    return q.next() ? q.value(0).toInt() : -1;
}

void put(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// A tiny but real picture: the import copies bytes, it never decodes them.
const QByteArray kGif = QByteArray::fromHex("47494638396101000100800000ffffff00000021f90401000000002c00000000010001000002024401003b");

// Compiles a hand-made book: files relative to the work folder, in GBK.
QString compileBook(const QString& work, const QString& name, const QMap<QString, QByteArray>& files,
                    const QString& contentsFile) {
    // The compiler writes its output name's bytes as they are: an ASCII name, renamed afterwards.
    QString project = QStringLiteral("[OPTIONS]\r\nCompatibility=1.1 or later\r\nCompiled file=out.chm\r\n");
    if (!contentsFile.isEmpty())
        project += QStringLiteral("Contents file=%1\r\n").arg(contentsFile);
    project += QStringLiteral("Default topic=%1\r\nLanguage=0x804\r\nTitle=手工书\r\n\r\n[FILES]\r\n")
                   .arg(files.firstKey());
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        put(work + u'/' + it.key(), it.value());
        if (!it.key().endsWith(QLatin1String(".hhc")))
            project += it.key() + QLatin1String("\r\n");
    }
    put(work + QStringLiteral("/book.hhp"), encodeText(project));
    QString error;
    if (ChmCompiler().compile(work, QStringLiteral("book.hhp"), QStringLiteral("out.chm"), {}, &error) !=
        ChmCompiler::Outcome::Compiled)
        qWarning() << error;
    QFile::rename(work + QStringLiteral("/out.chm"), work + u'/' + name);
    return work + u'/' + name;
}

QByteArray gbkPage(const QString& body) {
    return encodeText(QStringLiteral("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
                                     "charset=gb2312\"><title>t</title></head><body>") +
                      body + QStringLiteral("</body></html>"));
}

QByteArray sitemapEntry(const QString& name, const QString& local) {
    QString text = QStringLiteral("<LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"%1\">").arg(name);
    if (!local.isEmpty())
        text += QStringLiteral("<param name=\"Local\" value=\"%1\">").arg(local);
    return encodeText(text + QStringLiteral("</OBJECT>\r\n"));
}

} // namespace

class TestBookImport : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void resolvePaths_data();
    void resolvePaths();
    void ownBookComesBack();
    void foreignBook();
    void contentsWithoutPages_data();
    void contentsWithoutPages();
    void stopLeavesNothing();
    void hostileNamesStayInside();
    void damagedDirectories_data();
    void damagedDirectories();
    void folderCharsetsAndOrder();
    void emptyFolderMakesNoNovel();
    void localFilesAfterLastChapter();

private:
    BookImporter::Result run(ImportJob& job, bool stopAtHalf = false);
    QTemporaryDir m_work;
};

void TestBookImport::initTestCase() {
    if (ChmCompiler::findProgram().isEmpty())
        QSKIP("chmcmd (fp-utils) is not installed");
}

BookImporter::Result TestBookImport::run(ImportJob& job, bool stopAtHalf) {
    if (stopAtHalf)
        connect(&job, &Job::progressChanged, &job, [&job](int done, int total) {
            if (done * 2 >= total)
                job.requestStop();
        }, Qt::DirectConnection);
    job.runHere();
    return job.result();
}

void TestBookImport::resolvePaths_data() {
    columns<QString, QString, QString>("base", "reference", "expected");
    addRow("same folder", "a/b", "1.htm", "a/b/1.htm");
    addRow("parent", "a/b", "../pic/x.jpg", "a/pic/x.jpg");
    addRow("from root", "a/b", "/x.htm", "x.htm");
    addRow("backslashes", "", "chm\\000001\\2.htm", "chm/000001/2.htm");
    addRow("percent", "", "my%20page.htm", "my page.htm");
    addRow("anchor and query", "a", "p.htm?x=1#top", "a/p.htm");
    addRow("dot parts", "a", "./b/../c.htm", "a/c.htm");
    addRow("leaves the root", "", "/../../.bashrc", "");
    addRow("leaves from below", "a", "../../x", "");
    addRow("address", "a", "http://host/x.jpg", "");
    addRow("data", "a", "data:image/png;base64,AA", "");
    addRow("empty", "a", "  ", "");
}

void TestBookImport::resolvePaths() {
    const auto [base, reference, expected] = fetch<QString, QString, QString>("base", "reference", "expected");
    QCOMPARE(resolveRelativePath(base, reference), expected);
}

// A novel made into an e-book by the program comes back with its volumes, texts and pictures.
void TestBookImport::ownBookComesBack() {
    TestLibrary lib;
    const QString body = QStringLiteral("　　有图：<img src=\"%1\"> 完。");
    QList<qint64> ids;
    const QString novelId = addFixtureNovel(
        lib, QStringLiteral("往返"), QStringLiteral("某人"),
        {{QStringLiteral("第一章"), QStringLiteral("第一卷")},
         {QStringLiteral("第二章 a<b"), QStringLiteral("第一卷")},
         {QStringLiteral("插图"), QStringLiteral("第二卷")},
         {QStringLiteral("第三章"), QStringLiteral("第二卷")}},
        &ids);
    const QString dir = lib.context().folder().novelDir(novelId);
    const QString inline_ = novelId + u'_' + QString::number(ids[0]) + QStringLiteral("_1.gif");
    const QString pictureChapter = novelId + u'_' + QString::number(ids[2]) + QStringLiteral("_0.gif");
    put(dir + u'/' + inline_, kGif);
    put(dir + u'/' + pictureChapter, kGif);
    writeFixturePage(lib, novelId, ids[0], QStringLiteral("第一章"), body.arg(inline_));
    writeFixturePage(lib, novelId, ids[2], QStringLiteral("插图"),
                     QStringLiteral("<center><img src=\"%1\" border=0></center>").arg(pictureChapter));

    ChmBuildJob build(lib.db(), lib.context().folder(), lib.context().settings(), novelId);
    build.setTargetPath(m_work.filePath(QStringLiteral("往返.chm")));
    build.runHere();
    QVERIFY2(build.result().ok, qPrintable(build.result().error));

    ChmImportJob job(lib.context(), build.result().chmPath, QString());
    const BookImporter::Result result = run(job);
    QVERIFY2(result.ok(), qPrintable(result.error));
    QCOMPARE(result.novelName, QStringLiteral("往返（2）"));
    const QList<Row> rows = chapterRows(lib, result.novelId);
    QCOMPARE(titles(rows), titles(chapterRows(lib, novelId)));
    QCOMPARE(rows[1].volume, QStringLiteral("第一卷"));
    QCOMPARE(rows[3].volume, QStringLiteral("第二卷"));
    for (qsizetype i = 0; i < rows.size(); ++i) {
        QVERIFY(rows[i].wordNums > 0);
        if (i != 0 && i != 2)
            QCOMPARE(contentOf(pageOf(lib, result.novelId, rows[i].id)), contentOf(pageOf(lib, novelId, ids[i])));
    }
    // Pictures come along under the new novel's names.
    const QString newDir = lib.context().folder().novelDir(result.novelId);
    const QString newInline = result.novelId + u'_' + QString::number(rows[0].id) + QStringLiteral("_1.gif");
    QCOMPARE(contentOf(pageOf(lib, result.novelId, rows[0].id)), body.arg(newInline));
    QCOMPARE(readFileBytes(newDir + u'/' + newInline).value_or(QByteArray()), kGif);
    QVERIFY(pageOf(lib, result.novelId, rows[2].id)
                .contains(QStringLiteral("<img src=\"%1_%2_1.gif\"").arg(result.novelId).arg(rows[2].id)));
    QVERIFY(QFileInfo::exists(newDir + QStringLiteral("/List.htm")));
    QVERIFY(QDir(lib.context().folder().tempDir()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

// Another producer's book: nested contents with a heading, pages in two folders, an entry naming a
// page again by anchor, a relative picture, an escaped space.
void TestBookImport::foreignBook() {
    TestLibrary lib;
    QTemporaryDir work;
    QByteArray hhc = encodeText(QStringLiteral("<HTML><BODY><UL>\r\n"));
    hhc += sitemapEntry(QStringLiteral("序"), QStringLiteral("intro.htm"));
    hhc += sitemapEntry(QStringLiteral("第一卷 &amp; 风"), QString()) + "<UL>\r\n";
    hhc += sitemapEntry(QStringLiteral("第一章"), QStringLiteral("text/ch%201.htm"));
    hhc += sitemapEntry(QStringLiteral("第一章 下半"), QStringLiteral("text/ch 1.htm#part2"));
    hhc += sitemapEntry(QStringLiteral("第二章"), QStringLiteral("mk:@MSITStore:book.chm::/more\\ch2.htm"));
    hhc += sitemapEntry(QStringLiteral("不存在"), QStringLiteral("gone.htm"));
    hhc += "</UL>\r\n</UL></BODY></HTML>";
    const QString chm = compileBook(work.path(), QStringLiteral("外来书.chm"),
                                    {{QStringLiteral("intro.htm"), gbkPage(QStringLiteral("前言文字"))},
                                     {QStringLiteral("text/ch 1.htm"),
                                      gbkPage(QStringLiteral("第一章正文<img src=../pics/p.gif>"))},
                                     {QStringLiteral("more/ch2.htm"), gbkPage(QStringLiteral("第二章正文"))},
                                     {QStringLiteral("pics/p.gif"), kGif},
                                     {QStringLiteral("toc.hhc"), hhc}},
                                    QStringLiteral("toc.hhc"));
    ChmImportJob job(lib.context(), chm, QString());
    const BookImporter::Result result = run(job);
    QVERIFY2(result.ok(), qPrintable(result.error));
    QCOMPARE(result.novelName, QStringLiteral("外来书"));
    const QList<Row> rows = chapterRows(lib, result.novelId);
    QCOMPARE(titles(rows), (QStringList{QStringLiteral("序"), QStringLiteral("第一章"), QStringLiteral("第二章")}));
    QCOMPARE(rows[0].volume, QString());
    QCOMPARE(rows[1].volume, QStringLiteral("第一卷 & 风"));
    QCOMPARE(rows[2].volume, QStringLiteral("第一卷 & 风"));
    QCOMPARE(rows[2].wordNums, 5);
    const QString first = pageOf(lib, result.novelId, rows[1].id);
    const QString picture = result.novelId + u'_' + QString::number(rows[1].id) + QStringLiteral("_1.gif");
    QVERIFY2(first.contains(QStringLiteral("<img src=\"%1\">").arg(picture)), qPrintable(first));
    QVERIFY(first.contains(QStringLiteral("第一章正文")));
    QCOMPARE(readFileBytes(lib.context().folder().novelDir(result.novelId) + u'/' + picture).value_or(""), kGif);
}

void TestBookImport::contentsWithoutPages_data() {
    columns<QString, QString>("contents", "expected");
    addRow("no contents, temp.htm", "", "正文");
    addRow("contents naming nothing there", "none.hhc", "");
}

// A book whose contents give no page: a lone temp.htm is the chapter "正文", else the import refuses.
void TestBookImport::contentsWithoutPages() {
    const auto [contents, expected] = fetch<QString, QString>("contents", "expected");
    TestLibrary lib;
    QTemporaryDir work;
    QMap<QString, QByteArray> files{{QStringLiteral("temp.htm"), gbkPage(QStringLiteral("全文在此"))}};
    if (!contents.isEmpty())
        files.insert(contents, sitemapEntry(QStringLiteral("x"), QStringLiteral("missing.htm")));
    const QString chm = compileBook(work.path(), QStringLiteral("b.chm"), files, contents);
    ChmImportJob job(lib.context(), chm, QString());
    const BookImporter::Result result = run(job);
    if (expected.isEmpty()) {
        QCOMPARE(result.error, ChmImportJob::invalidBookMessage());
        QCOMPARE(novelCount(lib), 0);
        return;
    }
    QVERIFY2(result.ok(), qPrintable(result.error));
    QCOMPARE(titles(chapterRows(lib, result.novelId)), QStringList{expected});
}

// A stop half-way (while pages are written) leaves no novel, no rows, no folder, no work files.
void TestBookImport::stopLeavesNothing() {
    TestLibrary lib;
    QTemporaryDir folder;
    for (int i = 1; i <= 40; ++i)
        put(folder.filePath(QStringLiteral("%1.txt").arg(i)), QByteArray("text ") + QByteArray::number(i));
    for (const bool stop : {true, false}) {
        FolderImportJob job(lib.context(), folder.path(), QString());
        const BookImporter::Result result = run(job, stop);
        QCOMPARE(result.stopped, stop);
        QCOMPARE(novelCount(lib), stop ? 0 : 1);
        QCOMPARE(QDir(lib.context().folder().chmDir()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), stop ? 0 : 1);
        QVERIFY(QDir(lib.context().folder().tempDir()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
    }
}

// Names that would leave the folder are neither unpacked nor followed by an import.
void TestBookImport::hostileNamesStayInside() {
    QTemporaryDir work;
    const QString chm = compileBook(
        work.path(), QStringLiteral("h.chm"),
        {{QStringLiteral("temp.htm"), gbkPage(QStringLiteral("<img src=\"../../../../etc/hostname.gif\">"))},
         {QStringLiteral("xx/yy/.bashrc"), "echo owned"}},
        QString());
    // The directory keeps names as written: give one a way out of the folder, length unchanged.
    QByteArray bytes = readFileBytes(chm).value_or(QByteArray());
    QVERIFY(bytes.contains("/xx/yy/.bashrc"));
    bytes.replace("/xx/yy/.bashrc", "/../../.bashrc");
    put(chm, bytes);
    const ChmArchive archive(chm);
    QVERIFY(archive.files().contains(QStringLiteral("/../../.bashrc")));
    QTemporaryDir out;
    const QString target = out.filePath(QStringLiteral("a/b"));
    QString error;
    QVERIFY2(archive.unpack(target, &error), qPrintable(error));
    QVERIFY(QFileInfo::exists(target + QStringLiteral("/temp.htm")));
    QCOMPARE(QDir(out.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
             QStringList{QStringLiteral("a")});

    TestLibrary lib;
    ChmImportJob job(lib.context(), chm, QString());
    const BookImporter::Result result = run(job);
    QVERIFY2(result.ok(), qPrintable(result.error));
    const QList<Row> rows = chapterRows(lib, result.novelId);
    QVERIFY(pageOf(lib, result.novelId, rows[0].id).contains(QStringLiteral("../../../../etc/hostname.gif")));
    QCOMPARE(QDir(lib.context().folder().novelDir(result.novelId)).entryList(QDir::Files).size(), 2); // page, list
}

void TestBookImport::damagedDirectories_data() {
    columns<QString>("file");
    // Found by fuzzing: damaged listing blocks made chmlib list for ever (growing without end, or
    // silently); a block length of gigabytes made it allocate that much at every listing; a table of
    // compressed blocks without a block length made it divide by zero while opening.
    addRow("circular blocks", "circular-directory.chm");
    addRow("endless listing", "endless-listing.chm");
    addRow("zero block length", "zero-block-reset-table.chm");
    addRow("huge block length", "huge-directory-block.chm");
}

void TestBookImport::damagedDirectories() {
    QFETCH(QString, file);
    const QString path = QStringLiteral(QUIVERAL_TEST_DATA_DIR "/chm/") + file;
    QVERIFY(!ChmArchive(path).isOpen());
    TestLibrary lib;
    ChmImportJob job(lib.context(), path, QString());
    QCOMPARE(run(job).error, ChmImportJob::invalidBookMessage());
}

// UTF-8 without a mark, UTF-16LE and GBK text files read cleanly, in natural order.
void TestBookImport::folderCharsetsAndOrder() {
    TestLibrary lib;
    QTemporaryDir root;
    const QString folder = root.filePath(QStringLiteral("我的书"));
    const QString text = QStringLiteral("第%1章：“你好”，世界。");
    put(folder + QStringLiteral("/10.txt"), text.arg(10).toUtf8());
    QByteArray utf16("\xFF\xFE");
    utf16 += QByteArray(reinterpret_cast<const char*>(text.arg(2).utf16()), text.arg(2).size() * 2);
    put(folder + QStringLiteral("/2.txt"), utf16);
    put(folder + QStringLiteral("/1.txt"), encodeText(text.arg(1)));
    put(folder + QStringLiteral("/3.htm"), gbkPage(QStringLiteral("网页<b>三</b>")));
    put(folder + QStringLiteral("/skip.jpg"), kGif);
    FolderImportJob job(lib.context(), folder, QString());
    const BookImporter::Result result = run(job);
    QVERIFY2(result.ok(), qPrintable(result.error));
    QCOMPARE(result.novelName, QStringLiteral("我的书"));
    const QList<Row> rows = chapterRows(lib, result.novelId);
    QCOMPARE(titles(rows), (QStringList{"1", "2", "3", "10"}));
    for (const int i : {0, 1, 3}) {
        QCOMPARE(contentOf(pageOf(lib, result.novelId, rows[i].id)), text.arg(rows[i].title));
        QCOMPARE(rows[i].wordNums, text.arg(rows[i].title).size());
    }
    QVERIFY(pageOf(lib, result.novelId, rows[2].id).contains(QStringLiteral("网页<b>三</b>")));
}

void TestBookImport::emptyFolderMakesNoNovel() {
    TestLibrary lib;
    QTemporaryDir folder;
    put(folder.filePath(QStringLiteral("a.jpg")), kGif);
    FolderImportJob job(lib.context(), folder.path(), QString());
    QCOMPARE(run(job).error, QStringLiteral("该文件夹中没有txt、htm或html文件"));
    QCOMPARE(novelCount(lib), 0);
}

// Chosen files follow the last chapter; two pictures of one name both stay, each under its chapter's name.
void TestBookImport::localFilesAfterLastChapter() {
    TestLibrary lib;
    const QString novelId = addFixtureNovel(lib, QStringLiteral("本地"), QString(), {{QStringLiteral("旧章")}});
    QTemporaryDir a;
    QTemporaryDir b;
    put(a.filePath(QStringLiteral("图.gif")), kGif);
    put(b.filePath(QStringLiteral("图.gif")), kGif + "other");
    put(b.filePath(QStringLiteral("后记.txt")), QStringLiteral("完").toUtf8());
    LocalFilesImportJob job(lib.context(), novelId,
                            {a.filePath(QStringLiteral("图.gif")), b.filePath(QStringLiteral("图.gif")),
                             b.filePath(QStringLiteral("后记.txt"))});
    const BookImporter::Result result = run(job);
    QVERIFY2(result.ok(), qPrintable(result.error));
    const QList<Row> rows = chapterRows(lib, novelId);
    QCOMPARE(titles(rows), (QStringList{"旧章", "图", "图", "后记"}));
    const QString dir = lib.context().folder().novelDir(novelId);
    for (const int i : {1, 2}) {
        const QString name = QStringLiteral("%1_%2_0.gif").arg(novelId).arg(rows[i].id);
        QVERIFY(pageOf(lib, novelId, rows[i].id).contains(QStringLiteral("<img src=\"%1\" border=0>").arg(name)));
        QCOMPARE(readFileBytes(dir + u'/' + name).value_or(""), i == 1 ? kGif : kGif + "other");
    }
}

QTEST_GUILESS_MAIN(TestBookImport)
#include "tst_bookimport.moc"
