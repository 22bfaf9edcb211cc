#include "output/chmarchive.h"
#include "novelfixture.h"
#include "output/chmbuildjob.h"
#include "output/chmproject.h"
#include "storage/prompter.h"
#include "storage/textfile.h"
#include "support/rows.h"
#include "text/charset.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QStringDecoder>
#include <QtTest>

namespace {

QString gbk(const QByteArray& bytes) {
    return QStringDecoder("GB18030").decode(bytes);
}

QStringList paramValues(const QString& sitemap, const QString& param) {
    QStringList values;
    const QRegularExpression re(QStringLiteral("<param name=\"%1\" value=\"([^\"]*)\">").arg(param));
    for (auto it = re.globalMatch(sitemap); it.hasNext();)
        values << it.next().captured(1);
    return values;
}

QString utf16(const QString& text) {
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2).toHex());
}

struct Built {
    QString novelId;
    QList<qint64> ids;
};

} // namespace

class TestChmBuild : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void buildsReadableBook();
    void laterBuildLeavesRelinkedPages();
    void coverPage();
    void unreadChaptersOnly();
    void intoChosenFolder();
    void refusals_data();
    void refusals();
    void failedCompileKeepsOldBook();
    void stopEndsCompiler();

private:
    Built addNovel(TestLibrary& lib);
    ChmBuildJob::Result build(TestLibrary& lib, const QString& novelId, ScriptedPrompter* prompter = nullptr,
                              const QString& compiler = QString(), const QString& target = QString());
    QString outDir(TestLibrary& lib) { return lib.path() + QStringLiteral("/书架"); }
};

void TestChmBuild::init() {
    const QString function = QString::fromLatin1(QTest::currentTestFunction());
    if (function != QLatin1String("refusals") && ChmCompiler::findProgram().isEmpty())
        QSKIP("chmcmd (fp-utils) is not installed");
}

Built TestChmBuild::addNovel(TestLibrary& lib) {
    Built built;
    built.novelId = addFixtureNovel(lib, QStringLiteral("测试小说"), QStringLiteral("某人"),
                                    {{QStringLiteral("第一章 风起"), QStringLiteral("第一卷 开端")},
                                     {QStringLiteral("第二章 \"云涌\""), QStringLiteral("第一卷 开端")},
                                     {QStringLiteral("第三章 归来"), QStringLiteral("第二卷")},
                                     {QStringLiteral("尾声")}},
                                    &built.ids, QStringLiteral("一个故事。"));
    return built;
}

ChmBuildJob::Result TestChmBuild::build(TestLibrary& lib, const QString& novelId, ScriptedPrompter* prompter,
                                        const QString& compiler, const QString& target) {
    Settings& settings = lib.context().settings();
    if (target.isEmpty()) { // a chosen folder needs no output folder
        QDir().mkpath(outDir(lib));
        settings.setValue(QStringLiteral("NovelChmPath"), outDir(lib));
    }
    ChmBuildJob job(lib.db(), lib.context().folder(), settings, novelId);
    if (!compiler.isEmpty())
        job.setCompiler(ChmCompiler(compiler));
    job.setTargetPath(target);
    ScriptedPrompter quiet;
    job.setPrompter(prompter ? prompter : &quiet);
    job.runHere();
    return job.result();
}

void TestChmBuild::buildsReadableBook() {
    TestLibrary lib;
    const Built novel = addNovel(lib);
    const ChmBuildJob::Result result = build(lib, novel.novelId);
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(result.chmPath, outDir(lib) + QStringLiteral("/测试小说.chm"));

    ChmArchive book(result.chmPath);
    QVERIFY(book.isOpen());
    const QString folder = QStringLiteral("/chm/") + novel.novelId + u'/';
    const QStringList files = book.files();
    QCOMPARE(files.count(folder + QStringLiteral("List.htm")), 1); // the compiler once stored pages twice
    // What an import reads first: the book's own files, its contents file, the charset of its pages.
    QVERIFY(std::none_of(files.begin(), files.end(), [](const QString& f) {
        return f.startsWith("/#") || f.startsWith("/$") || f.startsWith("::");
    }));
    QCOMPARE(book.contentsFile(), QString("/temp.hhc"));
    QCOMPARE(book.charset(), QByteArray("GB18030"));
    QTemporaryDir unpacked;
    QString error;
    QVERIFY2(book.unpack(unpacked.path(), &error), qPrintable(error));
    QCOMPARE(fileBytes(unpacked.path() + folder + QStringLiteral("List.htm")), book.object(folder + "List.htm"));

    // Every page is in the book and leads to its neighbours, the ends to the contents page.
    for (qsizetype i = 0; i < novel.ids.size(); ++i) {
        const QString name = QString::number(novel.ids.at(i)) + QStringLiteral(".htm");
        const QByteArray page = book.object(folder + name);
        QVERIFY2(!page.isEmpty(), qPrintable(name));
        QCOMPARE(page, fileBytes(lib.context().folder().chapterPage(novel.novelId, novel.ids.at(i))));
        const QString prior =
            i > 0 ? QString::number(novel.ids.at(i - 1)) + ".htm" : QStringLiteral("List.htm");
        const QString next = i + 1 < novel.ids.size() ? QString::number(novel.ids.at(i + 1)) + ".htm"
                                                      : QStringLiteral("List.htm");
        const QString text = gbk(page);
        QVERIFY(text.contains(QStringLiteral("<a href=\"%1\">上一章</a>").arg(prior)));
        QVERIFY(text.contains(QStringLiteral("<a href=\"%1\">下一章</a>").arg(next)));
        QVERIFY(text.contains(QStringLiteral("的正文")));
    }
    QCOMPARE(book.object(folder + QStringLiteral("ListChm.htm")),
             fileBytes(lib.context().folder().novelListPage(novel.novelId)));
    QVERIFY(gbk(book.object(QStringLiteral("/tempbook.htm")))
                .contains(QStringLiteral("src=\"chm/%1/List.htm\"><a href=\"chm/%1/List.htm\">点此进入</a>")
                              .arg(novel.novelId)));

    // Contents: volume headings, each followed by its chapters, chapters without volume under 正文.
    const QString contents = gbk(book.object(QStringLiteral("/temp.hhc")));
    QCOMPARE(
        paramValues(contents, QStringLiteral("Name")),
        QStringList({"第一卷 开端", "第一章 风起", "第二章 云涌", "第二卷", "第三章 归来", "正文", "尾声"}));
    const QString local = QStringLiteral("chm/%1/").arg(novel.novelId);
    QCOMPARE(paramValues(contents, QStringLiteral("Local")),
             QStringList({local + "ListChm.htm", local + QString::number(novel.ids.at(0)) + ".htm",
                          local + QString::number(novel.ids.at(1)) + ".htm", local + "ListChm.htm",
                          local + QString::number(novel.ids.at(2)) + ".htm", local + "ListChm.htm",
                          local + QString::number(novel.ids.at(3)) + ".htm"}));

    // The index keeps its Chinese keywords; a binary index, if the compiler ever writes one, must hold
    // them as UTF-16 and not as "????".
    QCOMPARE(paramValues(gbk(book.object(QStringLiteral("/temp.hhk"))), QStringLiteral("Keyword")),
             QStringList({"第一章 风起", "第二章 云涌", "第三章 归来", "尾声"}));
    const QByteArray binaryIndex = book.object(QStringLiteral("/$WWKeywordLinks/BTree"));
    if (!binaryIndex.isEmpty())
        QVERIFY(QString::fromLatin1(binaryIndex.toHex()).contains(utf16(QStringLiteral("第三章 归来"))));

    // Title and language in the system data.
    bool sawTitle = false;
    bool sawLanguage = false;
    for (const auto& [code, data] : book.systemRecords()) {
        if (code == 3) {
            QCOMPARE(gbk(data).remove(QChar(0)), QStringLiteral("测试小说"));
            sawTitle = true;
        } else if (code == 4) {
            QCOMPARE(qFromLittleEndian<quint32>(data.constData()), quint32(0x804));
            sawLanguage = true;
        }
    }
    QVERIFY(sawTitle && sawLanguage);

    // The window has its contents and index panes and the buttons of the settings.
    QCOMPARE(book.string(book.windowField(0x60)), QByteArray("temp.hhc"));
    QCOMPARE(book.string(book.windowField(0x64)), QByteArray("temp.hhk"));
    QCOMPARE(book.windowField(0x70), quint32(ChmProject::buttonMask(lib.context().settings())));
    QCOMPARE(book.windowField(0x74), quint32(0));

    // The bookcase has the e-book just made, not the contents page; the work folder is gone, the
    // library intact.
    QCOMPARE(sqliteScalar(lib.context().folder().databasePath(),
                          QStringLiteral("SELECT group_concat(MC || '|' || ZZ || '|' || WJLJ) FROM pri_mynovel"))
                 .toString(),
             QStringLiteral("测试小说|某人|") + result.chmPath);
    QVERIFY(QDir(lib.context().folder().tempDir())
                .entryList({"chm-*"}, QDir::AllEntries | QDir::System)
                .isEmpty());
    QVERIFY(QFileInfo::exists(lib.context().folder().chapterPage(novel.novelId, novel.ids.first())));
    QVERIFY(lib.errors().isEmpty());
}

void TestChmBuild::laterBuildLeavesRelinkedPages() {
    TestLibrary lib;
    Built novel = addNovel(lib);
    QVERIFY(build(lib, novel.novelId).ok);
    const LibraryFolder& folder = lib.context().folder();
    const QString lastPage = folder.chapterPage(novel.novelId, novel.ids.last());
    const QByteArray lastBefore = fileBytes(lastPage);
    const QDateTime lastModified = QFileInfo(lastPage).lastModified();

    const qint64 added = lib.addChapter(novel.novelId, QStringLiteral("番外"));
    writeFixturePage(lib, novel.novelId, added, QStringLiteral("番外"), QString());
    const ChmBuildJob::Result result = build(lib, novel.novelId);
    QVERIFY2(result.ok, qPrintable(result.error));

    // The old last page was relinked once and is not written again; the new one follows it.
    QCOMPARE(fileBytes(lastPage), lastBefore);
    QCOMPARE(QFileInfo(lastPage).lastModified(), lastModified);
    const QString addedPage = gbk(fileBytes(folder.chapterPage(novel.novelId, added)));
    QVERIFY(addedPage.contains(QStringLiteral("<a href=\"%1.htm\">上一章</a>").arg(novel.ids.last())));
    QVERIFY(addedPage.contains(QStringLiteral("<a href=\"List.htm\">下一章</a>")));
    QVERIFY(
        ChmArchive(result.chmPath).contains(QStringLiteral("/chm/%1/%2.htm").arg(novel.novelId).arg(added)));
}

void TestChmBuild::coverPage() {
    TestLibrary lib;
    const Built novel = addNovel(lib);
    lib.db().exec(
        QStringLiteral("UPDATE book_novel SET BookImg='cover.jpg', NovelName='测试 <小说>' WHERE NovelID=?"),
        {novel.novelId});
    Settings& settings = lib.context().settings();
    settings.setValue(QStringLiteral("bIsChmDefine"), QStringLiteral("1"));
    settings.setValue(QStringLiteral("chmAuthor"), QStringLiteral("制作者"));
    const ChmBuildJob::Result result = build(lib, novel.novelId);
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(QFileInfo(result.chmPath).fileName(), QStringLiteral("测试 _小说_.chm"));

    const QString cover = readTextFile(lib.context().folder().novelDir(novel.novelId) + "/Index.htm");
    QVERIFY(cover.contains(QStringLiteral("测试&nbsp;&lt;小说&gt;")));
    QVERIFY(cover.contains(QStringLiteral("<br>内容简介：一个故事。")));
    QVERIFY(cover.contains(QStringLiteral("<img src=\"cover.jpg\">")));
    QVERIFY(cover.contains(QStringLiteral("制作者")));
    QVERIFY(!cover.contains(QStringLiteral("[[")));

    ChmArchive book(result.chmPath);
    QVERIFY(gbk(book.object(QStringLiteral("/tempbook.htm")))
                .contains(QStringLiteral("src=\"chm/%1/Index.htm\"").arg(novel.novelId)));
    const QStringList names =
        paramValues(gbk(book.object(QStringLiteral("/temp.hhc"))), QStringLiteral("Name"));
    QCOMPARE(names.value(0), QStringLiteral("封面"));
    QCOMPARE(names.value(1), QStringLiteral("第一卷 开端"));
}

void TestChmBuild::unreadChaptersOnly() {
    TestLibrary lib;
    QList<qint64> ids;
    const QString novelId = addFixtureNovel(lib, QStringLiteral("读过"), QString(),
                                            {{QStringLiteral("甲章"), QString(), true},
                                             {QStringLiteral("乙章"), QString(), false},
                                             {QStringLiteral("丙章"), QString(), false}},
                                            &ids);
    lib.context().settings().setValue(QStringLiteral("bIsNotReadChm"), QStringLiteral("1"));
    const ChmBuildJob::Result result = build(lib, novelId);
    QVERIFY2(result.ok, qPrintable(result.error));

    ChmArchive book(result.chmPath);
    QCOMPARE(paramValues(gbk(book.object(QStringLiteral("/temp.hhk"))), QStringLiteral("Keyword")),
             QStringList({"乙章", "丙章"}));
    const QString listChm = gbk(book.object(QStringLiteral("/chm/%1/ListChm.htm").arg(novelId)));
    QVERIFY(listChm.contains(QStringLiteral("乙章")));
    QVERIFY(!listChm.contains(QStringLiteral("甲章")));
    QVERIFY(gbk(book.object(QStringLiteral("/tempbook.htm"))).contains(QStringLiteral("/ListChm.htm\"")));
    // The first unread page is the book's first page; the contents page on disk lists everything again.
    QVERIFY(gbk(fileBytes(lib.context().folder().chapterPage(novelId, ids.at(1))))
                .contains(QStringLiteral("<a href=\"List.htm\">上一章</a>")));
    QVERIFY(readTextFile(lib.context().folder().novelListPage(novelId)).contains(QStringLiteral("甲章")));
}

// A chosen folder holds the book under the novel's name; the contents, read as GBK, keep a title's
// character GBK lacks as a reference.
void TestChmBuild::intoChosenFolder() {
    TestLibrary lib;
    const QString novelId =
        addFixtureNovel(lib, QStringLiteral("测试小说"), QString(), {{QStringLiteral("第一章 \U00020000")}});
    const QString folder = lib.path() + QStringLiteral("/书");
    QVERIFY(QDir().mkpath(folder));
    const ChmBuildJob::Result result = build(lib, novelId, nullptr, QString(), folder);
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(result.chmPath, folder + QStringLiteral("/测试小说.chm"));
    const QByteArray contents = ChmArchive(result.chmPath).object(QStringLiteral("/temp.hhc"));
    QVERIFY(decodeGbkBytes(contents));
    QCOMPARE(paramValues(gbk(contents), QStringLiteral("Name")).last(), QStringLiteral("第一章 &#131072;"));
}

void TestChmBuild::refusals_data() {
    columns<bool, bool, bool, QString>("chapters", "unreadOnly", "outputFolder", "message");
    addRow("no chapters", false, false, true, QStringLiteral("无内容"));
    addRow("nothing unread", true, true, true,
           QStringLiteral("您在设置中选择了只处理未读章节，此小说没有未读章节"));
    addRow("no output folder", true, false, false,
           QStringLiteral("电子书输出目录不存在，请在设置中重新设定电子书输出目录"));
}

void TestChmBuild::refusals() {
    const auto [chapters, unreadOnly, outputFolder, message] =
        fetch<bool, bool, bool, QString>("chapters", "unreadOnly", "outputFolder", "message");
    TestLibrary lib;
    const QString novelId = chapters ? addFixtureNovel(lib, QStringLiteral("书"), QString(),
                                                       {{QStringLiteral("一"), QString(), true}})
                                     : lib.addNovel(QStringLiteral("书"));
    Settings& settings = lib.context().settings();
    settings.setValue(QStringLiteral("bIsNotReadChm"),
                      unreadOnly ? QStringLiteral("1") : QStringLiteral("0"));
    settings.setValue(QStringLiteral("NovelChmPath"), outputFolder ? lib.path() : lib.path() + "/无此目录");
    ChmBuildJob job(lib.db(), lib.context().folder(), settings, novelId);
    job.setCompiler(ChmCompiler(QStringLiteral("/bin/true")));
    ScriptedPrompter prompter;
    job.setPrompter(&prompter);
    job.runHere();
    QVERIFY(!job.result().ok);
    QCOMPARE(job.result().error, message);
    QCOMPARE(prompter.messages.size(), 1);
    QCOMPARE(prompter.messages.first().first, Prompter::Icon::Warning);
    QCOMPARE(prompter.messages.first().second, message);
    QCOMPARE(sqliteScalar(lib.context().folder().databasePath(), "SELECT count(*) FROM pri_mynovel").toInt(),
             0);
}

void TestChmBuild::failedCompileKeepsOldBook() {
    TestLibrary lib;
    const Built novel = addNovel(lib);
    QDir().mkpath(outDir(lib));
    const QString target = outDir(lib) + QStringLiteral("/测试小说.chm");
    QVERIFY(writeBytesAtomically(target, "old book"));
    ScriptedPrompter prompter;
    const ChmBuildJob::Result result = build(lib, novel.novelId, &prompter, QStringLiteral("/bin/false"));
    QVERIFY(!result.ok);
    QVERIFY2(result.error.startsWith(QStringLiteral("电子书编译失败")), qPrintable(result.error));
    QCOMPARE(fileBytes(target), QByteArray("old book"));
    QCOMPARE(sqliteScalar(lib.context().folder().databasePath(), "SELECT count(*) FROM pri_mynovel").toInt(),
             0);
}

void TestChmBuild::stopEndsCompiler() {
    TestLibrary lib;
    const Built novel = addNovel(lib);
    // A compiler that never finishes on its own.
    const QString slow = lib.path() + QStringLiteral("/slow-chmcmd");
    QVERIFY(writeBytesAtomically(slow, "#!/bin/sh\nexec sleep 600\n"));
    QFile::setPermissions(slow, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QDir().mkpath(outDir(lib));
    lib.context().settings().setValue(QStringLiteral("NovelChmPath"), outDir(lib));

    ChmBuildJob job(lib.db(), lib.context().folder(), lib.context().settings(), novel.novelId);
    job.setCompiler(ChmCompiler(slow));
    ScriptedPrompter prompter;
    job.setPrompter(&prompter);
    QSignalSpy compiling(&job, &Job::statusChanged);
    job.start();
    QTRY_VERIFY_WITH_TIMEOUT(!compiling.isEmpty(), 60000);
    job.requestStop();
    QVERIFY(job.wait(60000));
    QVERIFY(job.result().stopped);
    QVERIFY(!job.result().ok);
    QVERIFY(prompter.messages.isEmpty());
    QVERIFY(!QFileInfo::exists(outDir(lib) + QStringLiteral("/测试小说.chm")));
}

QTEST_GUILESS_MAIN(TestChmBuild)
#include "tst_chmbuild.moc"
