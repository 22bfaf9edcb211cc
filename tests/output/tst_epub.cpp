// EPUB books as readers and the checker see them: each book is checked by epubcheck once and read
// back with libzip, never compared with the writer's own texts.
#include "library/demolibrary.h"
#include "novelfixture.h"
#include "output/epubbuildjob.h"
#include "output/epubxhtml.h"
#include "renewal/downloadoptions.h"
#include "renewal/renewjob.h"
#include "storage/prompter.h"
#include "support/process.h"
#include "support/rows.h"
#include "support/testsite.h"

#include <QRegularExpression>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QXmlStreamReader>
#include <QtTest>

#include <zip.h>

namespace {

struct Entry {
    QString name;
    QByteArray bytes;
    bool stored = false;
    int extraFields = 0;
};

QList<Entry> readArchive(const QString& path) {
    QList<Entry> entries;
    int code = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!archive)
        return entries;
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        zip_stat_t stat;
        zip_stat_index(archive, zip_uint64_t(i), 0, &stat);
        Entry entry{QString::fromUtf8(stat.name), QByteArray(qsizetype(stat.size), '\0'),
                    stat.comp_method == ZIP_CM_STORE,
                    zip_file_extra_fields_count(archive, zip_uint64_t(i), ZIP_FL_LOCAL | ZIP_FL_CENTRAL)};
        zip_file_t* file = zip_fopen_index(archive, zip_uint64_t(i), 0);
        zip_fread(file, entry.bytes.data(), stat.size);
        zip_fclose(file);
        entries.append(entry);
    }
    zip_close(archive);
    return entries;
}

QByteArray entryBytes(const QList<Entry>& entries, const QString& name) {
    for (const Entry& entry : entries)
        if (entry.name == name)
            return entry.bytes;
    return {};
}

// The elements named `name` in reading order: their attributes, plus "#text" and "#depth" (how many
// ol elements enclose them).
QList<QHash<QString, QString>> elements(const QByteArray& xml, const QString& name) {
    QList<QHash<QString, QString>> found;
    QXmlStreamReader reader(xml);
    int depth = 0;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isEndElement() && reader.name() == QLatin1String("ol"))
            --depth;
        if (!reader.isStartElement())
            continue;
        if (reader.name() == QLatin1String("ol"))
            ++depth;
        if (reader.qualifiedName() != name)
            continue;
        QHash<QString, QString> element;
        for (const QXmlStreamAttribute& a : reader.attributes())
            element.insert(a.qualifiedName().toString(), a.value().toString());
        element.insert(QStringLiteral("#depth"), QString::number(depth));
        element.insert(QStringLiteral("#text"),
                       reader.readElementText(QXmlStreamReader::IncludeChildElements));
        found.append(element);
    }
    return found;
}

QString mediaTypeOf(const QByteArray& bytes) {
    if (bytes.startsWith("\xFF\xD8\xFF"))
        return QStringLiteral("image/jpeg");
    if (bytes.startsWith("\x89PNG"))
        return QStringLiteral("image/png");
    return bytes.startsWith("GIF8") ? QStringLiteral("image/gif") : QString();
}

QString picture(const char* name) {
    return DemoLibrary::siteFolder() + QStringLiteral("/book/pic/") + QLatin1String(name);
}

// Expected contents: "卷/章" for a chapter under a volume, "章" for one without.
using Contents = QStringList;

} // namespace

class TestEpub : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void booksPassTheChecker_data();
    void booksPassTheChecker();
    void sameBookAcrossExports();
    void chapterText_data();
    void chapterText();
    void stopKeepsTheOldBook();

private:
    QString demoNovel(TestLibrary& lib, TestSite& site, Contents* contents);
    QString madeNovel(TestLibrary& lib, Contents* contents);
    EpubBuildJob::Result build(TestLibrary& lib, const QString& novelId, bool stop = false);
};

QString TestEpub::demoNovel(TestLibrary& lib, TestSite& site, Contents* contents) {
    if (!site.start())
        return {};
    Settings& settings = lib.context().settings();
    settings.setValue(QStringLiteral("bIsNovelPicDown"), QStringLiteral("1"));
    QString novelId;
    if (!DemoLibrary::prepare(lib.context(), site.baseUrl(), &novelId).isEmpty())
        return {};
    RenewJob::Request request;
    request.command = RenewJob::Command::RenewNovels;
    request.novelIds = {novelId};
    RenewJob renew(lib.db(), lib.context().folder(), DownloadOptions::fromLibrary(lib.context()), request);
    ScriptedPrompter quiet;
    renew.setPrompter(&quiet);
    renew.runHere();
    QSqlQuery q = lib.db().query(
        QStringLiteral(
            "SELECT Title, Volume FROM book_novelcontent WHERE NovelID=? ORDER BY Displayorder, id"),
        {novelId});
    while (q.next())
        *contents << (q.value(1).toString().isEmpty() ? q.value(0).toString()
                                                      : q.value(1).toString() + u'/' + q.value(0).toString());
    return novelId;
}

QString TestEpub::madeNovel(TestLibrary& lib, Contents* contents) {
    const QString vol1 = QStringLiteral("第一卷 <开端> & ]]>");
    QList<qint64> ids;
    const QString novelId =
        addFixtureNovel(lib, QStringLiteral("测试 & <小说> ]]>"), QStringLiteral("某人 & 𠮷"),
                        {{QStringLiteral("第一章 风起 & 云涌"), vol1},
                         {QStringLiteral("第二章 a<b ]]> 𠮷"), vol1},
                         {QStringLiteral("插图")},
                         {QStringLiteral("无标记")},
                         {QStringLiteral("第三章 归来"), QStringLiteral("第二卷")}},
                        &ids, QStringLiteral("一个故事。\n第二行 & <简介>"));
    const QString dir = lib.context().folder().novelDir(novelId);
    const auto name = [&](int chapter, int n, const char* ext) -> QString {
        return novelId + u'_' + QString::number(ids.at(chapter)) + u'_' + QString::number(n) +
               QLatin1String(ext);
    };
    // A PNG that a site served as .jpg, a remote picture, a missing one; the same picture twice.
    QFile::copy(picture("sword.png"), dir + u'/' + name(0, 1, ".jpg"));
    writeFixturePage(
        lib, novelId, ids.at(0), QStringLiteral("第一章 风起 & 云涌"),
        QStringLiteral("<font color=red>　　红<b>粗<br>体</b></font><br>　　<img src=") + name(0, 1, ".jpg") +
            QStringLiteral(
                " alt=\"剑\"><img src=\"http://far.test/x.png\" alt=\"远\"><img src=\"gone.gif\">") +
            QStringLiteral("<div><p>段<script>alert(1)</script>落</p></div><table><tr><td>甲</td><td>乙</"
                           "td></tr></table>"));
    writeFixturePage(lib, novelId, ids.at(1), QStringLiteral("第二章 a<b ]]> 𠮷"),
                     QStringLiteral("　　&#134071;在 a&amp;b &lt;c&gt; ]]&gt; 里。<br><img src=") +
                         name(0, 1, ".jpg") + u'>');
    QFile::copy(picture("seal.gif"), dir + u'/' + name(2, 0, ".gif"));
    writeFixturePage(lib, novelId, ids.at(2), QStringLiteral("插图"),
                     QStringLiteral("<center><img src=") + name(2, 0, ".gif") +
                         QStringLiteral(" border=0></center>"));
    writeFile(
        lib.context().folder().chapterPage(novelId, ids.at(3)),
        QStringLiteral("<html><head><title>t</title><style>p{}</style></head><body><p>没有标记的正文</p>"
                       "<p>第二段</p></body></html>")
            .toUtf8());
    QFile::copy(picture("1008.jpg"), dir + QStringLiteral("/cover.jpg"));
    lib.db().exec(
        QStringLiteral("UPDATE book_novel SET BookImg='cover.jpg', ListUrl='http://a.test/b/?x=1&y=2' "
                       "WHERE NovelID=?"),
        {novelId});
    *contents << vol1 + QStringLiteral("/第一章 风起 & 云涌") << vol1 + QStringLiteral("/第二章 a<b ]]> 𠮷")
              << QStringLiteral("插图") << QStringLiteral("无标记") << QStringLiteral("第二卷/第三章 归来");
    return novelId;
}

EpubBuildJob::Result TestEpub::build(TestLibrary& lib, const QString& novelId, bool stop) {
    Settings& settings = lib.context().settings();
    const QString out = lib.path() + QStringLiteral("/书架");
    QDir().mkpath(out);
    settings.setValue(QStringLiteral("NovelChmPath"), out);
    EpubBuildJob job(lib.db(), lib.context().folder(), settings, novelId);
    ScriptedPrompter quiet;
    job.setPrompter(&quiet);
    if (stop)
        job.requestStop();
    job.runHere();
    return job.result();
}

void TestEpub::booksPassTheChecker_data() {
    columns<bool, int, bool>("demo", "pictures", "cover");
    addRow("demo novel", true, 3, false); // the picture chapter, a chapter's PNG and GIF
    addRow("made novel", false, 3, true); // cover, the PNG shown twice, the picture chapter's GIF
}

void TestEpub::booksPassTheChecker() {
    const auto [demo, pictures, cover] = fetch<bool, int, bool>("demo", "pictures", "cover");
    // Run through java: /usr/bin/epubcheck is the jar itself, which runs only where binfmt knows jars.
    const QString java = QStandardPaths::findExecutable(QStringLiteral("java"));
    const QString epubcheck = QStringLiteral("/usr/share/java/epubcheck.jar");
    if (java.isEmpty() || !QFileInfo::exists(epubcheck))
        QSKIP("epubcheck is not installed (scripts/install-deps.sh)");
    TestLibrary lib;
    TestSite site{DemoLibrary::siteFolder()};
    Contents contents;
    const QString novelId = demo ? demoNovel(lib, site, &contents) : madeNovel(lib, &contents);
    QVERIFY(contents.size() > 3);
    const EpubBuildJob::Result result = build(lib, novelId);
    QVERIFY2(result.ok, qPrintable(result.error));

    const ProcessResult check = runProgram(java, {"-jar", epubcheck, result.bookPath},
                                           QProcessEnvironment::systemEnvironment(), 120000);
    QVERIFY2(check.exitCode == 0 && check.out.contains(QLatin1String("No errors or warnings detected")),
             qPrintable(QString::number(check.exitCode) + u' ' + check.out + check.err));

    const QList<Entry> entries = readArchive(result.bookPath);
    QVERIFY(entries.size() > 5);
    QCOMPARE(entries.first().name, QString("mimetype"));
    QVERIFY(entries.first().stored);
    QCOMPARE(entries.first().extraFields, 0);
    QCOMPARE(entries.first().bytes, QByteArray("application/epub+zip"));

    // The spine reads the chapters in display order, a volume's title page before its first chapter.
    const QByteArray opf = entryBytes(entries, "EPUB/content.opf");
    QHash<QString, QHash<QString, QString>> items;
    for (const auto& item : elements(opf, "item"))
        items.insert(item.value("id"), item);
    QStringList spineTitles;
    for (const auto& ref : elements(opf, "itemref")) {
        const QByteArray page = entryBytes(entries, "EPUB/" + items.value(ref.value("idref")).value("href"));
        QVERIFY(!page.isEmpty());
        const auto headings = elements(page, "h2") + elements(page, "h1");
        if (!headings.isEmpty())
            spineTitles << headings.first().value("#text");
    }
    QStringList expected;
    const QString novelName =
        lib.db().scalar("SELECT NovelName FROM book_novel WHERE NovelID=?", {novelId}).toString();
    expected << novelName << QStringLiteral("目录"); // the cover, the contents page
    QString volume;
    for (const QString& row : contents) {
        if (row.contains(u'/') && row.section(u'/', 0, -2) != volume)
            expected << row.section(u'/', 0, -2);
        volume = row.contains(u'/') ? row.section(u'/', 0, -2) : QString();
        expected << row.section(u'/', -1);
    }
    QCOMPARE(spineTitles, expected);

    // The contents: volumes hold their chapters, each entry leads to a page of the book.
    QStringList nav;
    for (const auto& a : elements(entryBytes(entries, "EPUB/nav.xhtml"), "a")) {
        QVERIFY2(!entryBytes(entries, "EPUB/" + a.value("href")).isEmpty(), qPrintable(a.value("href")));
        nav << a.value("#depth") + u':' + a.value("#text");
    }
    QStringList expectedNav;
    volume.clear();
    for (const QString& row : contents) {
        const QString rowVolume = row.contains(u'/') ? row.section(u'/', 0, -2) : QString();
        if (!rowVolume.isEmpty() && rowVolume != volume)
            expectedNav << "1:" + rowVolume;
        volume = rowVolume;
        expectedNav << (rowVolume.isEmpty() ? "1:" : "2:") + row.section(u'/', -1);
    }
    QCOMPARE(nav, expectedNav);
    QCOMPARE(entryBytes(entries, "EPUB/toc.ncx").count("<navPoint "), expectedNav.size());

    // Every picture a page shows is in the book with the type its bytes have.
    int packed = 0;
    for (const Entry& entry : entries) {
        if (!entry.name.startsWith("EPUB/images/"))
            continue;
        ++packed;
        const auto item = std::find_if(items.cbegin(), items.cend(), [&](const auto& i) {
            return "EPUB/" + i.value("href") == entry.name;
        });
        QVERIFY2(item != items.cend(), qPrintable(entry.name));
        QCOMPARE(item->value("media-type"), mediaTypeOf(entry.bytes));
    }
    QCOMPARE(packed, pictures);
    QCOMPARE(result.pictures, pictures);
    QCOMPARE(std::count_if(items.cbegin(), items.cend(),
                           [](const auto& i) { return i.value("properties") == "cover-image"; }),
             cover ? 1 : 0);
    QCOMPARE(lib.db().scalar("SELECT count(*) FROM pri_mynovel WHERE WJLJ=?", {result.bookPath}).toInt(), 1);
}

void TestEpub::sameBookAcrossExports() {
    TestLibrary lib;
    const QString first = addFixtureNovel(lib, "甲", "", {{"一"}});
    const QString second = addFixtureNovel(lib, "乙", "", {{"一"}});
    const auto identifier = [](const QString& path) {
        const auto ids = elements(entryBytes(readArchive(path), "EPUB/content.opf"), "dc:identifier");
        return ids.isEmpty() ? QString() : ids.first().value("#text");
    };
    const EpubBuildJob::Result once = build(lib, first);
    QVERIFY(once.ok);
    const QString id = identifier(once.bookPath);
    QVERIFY2(QRegularExpression("^urn:uuid:[0-9a-f-]{36}$").match(id).hasMatch(), qPrintable(id));
    QCOMPARE(identifier(build(lib, second).bookPath) == id, false);

    // The command line exports the same book again, under the same identifier.
    const QString out = lib.path() + "/again.epub";
    const ProcessResult cli =
        runCli({"--library", lib.path(), "export", first, "--format", "epub", "--out", out});
    QVERIFY2(cli.exitCode == 0, qPrintable(cli.out + cli.err));
    QCOMPARE(identifier(out), id);
}

void TestEpub::chapterText_data() {
    columns<QString, QString>("html", "body");
    addRow("breaks make paragraphs", "　　一<br><br>\n　　二<br />三", "<p>一</p>\n<p>二</p>\n<p>三</p>\n");
    addRow("emphasis across a break", "<b>甲<br>乙</b>丙", "<p><b>甲</b></p>\n<p><b>乙</b>丙</p>\n");
    addRow("blocks inside inline", "<font>甲<div>乙</div></font>",
           "<p><span>甲</span></p>\n<p><span>乙</span></p>\n");
    addRow("markup as text", "a &amp; b &lt;c&gt; ]]&gt;", "<p>a &amp; b &lt;c&gt; ]]&gt;</p>\n");
    addRow("four-byte character", "&#134071;", "<p>𠮷</p>\n");
    addRow("scripts and forms go", "<script>x()</script><style>p{}</style>甲<select><option>乙</select>",
           "<p>甲</p>\n");
    addRow("picture not in the book", "<img src=\"http://x.test/a.png\" alt=\"图\">", "<p>图</p>\n");
    addRow("table cells", "<table><tr><td>甲</td><td>乙</td></tr><tr><td>丙</td></tr></table>",
           "<p>甲 乙</p>\n<p>丙</p>\n");
    addRow("control characters", QString("甲") + QChar(0x1) + "乙",
           QString("<p>甲") + QChar(0xFFFD) + "乙</p>\n");
    addRow("unclosed tags", "<p><i>甲<p>乙", "<p><i>甲</i></p>\n<p><i>乙</i></p>\n");
    addRow("stored chapter", "　　甲&nbsp;&amp; b<BR/>\r\n　　乙 & 丙</p><p >丁",
           "<p>甲\u00a0&amp; b</p>\n<p>乙 &amp; 丙</p>\n<p>丁</p>\n");
}

void TestEpub::chapterText() {
    const auto [html, body] = fetch<QString, QString>("html", "body");
    QCOMPARE(EpubXhtml::bodyFromHtml(html), body);
    // Plain text and breaks are read without building a tree; the tree gives the same (an empty
    // element sends any text to the parser).
    QCOMPARE(EpubXhtml::bodyFromHtml(html + "<b></b>"), body);
}

void TestEpub::stopKeepsTheOldBook() {
    TestLibrary lib;
    const QString novelId = addFixtureNovel(lib, "甲", "", {{"一"}, {"二"}});
    const EpubBuildJob::Result first = build(lib, novelId);
    QVERIFY(first.ok);
    const QByteArray before = fileBytes(first.bookPath);
    const EpubBuildJob::Result stopped = build(lib, novelId, true);
    QVERIFY(stopped.stopped && !stopped.ok);
    QCOMPARE(fileBytes(first.bookPath), before);
    QCOMPARE(QDir(QFileInfo(first.bookPath).path()).entryList(QDir::Files), QStringList{"甲.epub"});
}

QTEST_GUILESS_MAIN(TestEpub)
#include "tst_epub.moc"
