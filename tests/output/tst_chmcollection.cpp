#include "novelfixture.h"
#include "output/chmarchive.h"
#include "output/chmcollectionjob.h"
#include "storage/prompter.h"
#include "support/rows.h"

#include <QDirIterator>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QtTest>

class TestChmCollection : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fiveNovelsInOneBook();
    void refusals_data();
    void refusals();
};

namespace {

ChmCollectionJob::Result make(TestLibrary& lib, const QStringList& ids, const QString& name) {
    ChmCollectionJob job(lib.db(), lib.context().folder(), lib.context().settings(), ids, name);
    ScriptedPrompter prompter;
    job.setPrompter(&prompter);
    job.runHere();
    return job.result();
}

QString gbk(const QByteArray& bytes) {
    return QStringDecoder("GB18030").decode(bytes);
}

QStringList captures(const QString& text, const QString& pattern) {
    QStringList found;
    for (auto it = QRegularExpression(pattern).globalMatch(text); it.hasNext();)
        found << it.next().captured(1);
    return found;
}

} // namespace

void TestChmCollection::fiveNovelsInOneBook() {
    if (ChmCompiler::findProgram().isEmpty())
        QSKIP("chmcmd (fp-utils) is not installed");
    TestLibrary lib;
    const LibraryFolder& folder = lib.context().folder();
    QStringList ids;
    QList<qint64> chapters;
    ids << addFixtureNovel(
        lib, QStringLiteral("甲书"), QStringLiteral("某人"),
        {{QStringLiteral("第一章"), QStringLiteral("上卷")},
         {QStringLiteral("第二章"), QString(), false, QStringLiteral("<img src=\"p1.jpg\">")}},
        &chapters);
    ids << addFixtureNovel(lib, QStringLiteral("乙书"), QString(),
                           {{QStringLiteral("序")}, {QStringLiteral("终章")}});
    for (const char* name : {"丙书", "丁书", "戊书"})
        ids << addFixtureNovel(lib, QString::fromUtf8(name), QString(), {{QStringLiteral("一")}});
    QVERIFY(writeFile(folder.novelDir(ids.at(0)) + "/p1.jpg", "picture"));
    QVERIFY(writeFile(folder.novelDir(ids.at(0)) + "/cover.jpg", "cover"));
    QVERIFY(writeFile(folder.chmDir() + "/style.css", "body{}"));
    lib.db().exec(QStringLiteral("UPDATE book_novel SET BookImg='cover.jpg' WHERE NovelID=?"), {ids.at(0)});
    QDir().mkpath(lib.path() + "/书架");
    lib.context().settings().setValue(QStringLiteral("NovelChmPath"), lib.path() + "/书架");

    const ChmCollectionJob::Result result = make(lib, ids, QStringLiteral("五本书"));
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(result.chmPath, lib.path() + QStringLiteral("/书架/五本书.chm"));
    ChmArchive book(result.chmPath);
    QVERIFY(book.isOpen());

    // Every file of every novel folder (pages made meanwhile included) is in the book.
    for (const QString& id : ids) {
        QDirIterator it(folder.novelDir(id), QDir::Files);
        int count = 0;
        for (; it.hasNext(); ++count) {
            const QString name = QStringLiteral("/chm/%1/%2").arg(id, QFileInfo(it.next()).fileName());
            QVERIFY2(book.contains(name), qPrintable(name));
        }
        QVERIFY(count >= 2); // a chapter and the contents page at least
    }
    QVERIFY(book.contains(QStringLiteral("/chm/style.css")));
    // The pages were linked in reading order before they went in.
    const QString second =
        gbk(book.object(QStringLiteral("/chm/%1/%2.htm").arg(ids.at(0)).arg(chapters.at(1))));
    QVERIFY(second.contains(QStringLiteral("<a href=\"%1.htm\">上一章</a>").arg(chapters.at(0))));

    // Four covers to a row; every link of the cover and the list leads to a file of the book.
    const QString cover = gbk(book.object(QStringLiteral("/chm/CollectionIndex.htm")));
    QList<int> cells;
    for (const QString& row : captures(cover, QStringLiteral("<tr>(.*?)</tr>")))
        cells << int(row.count(QStringLiteral("<td")));
    QCOMPARE(cells, QList<int>({4, 1}));
    QVERIFY(cover.contains(QStringLiteral("<h1>五本书</h1>")));
    const QString list = gbk(book.object(QStringLiteral("/chm/CollectionList.htm")));
    QVERIFY(list.contains(QStringLiteral(">终章</a>")));
    QVERIFY(!list.contains(QStringLiteral(">序</a>")));
    const QStringList targets = captures(cover + list, QStringLiteral("(?:href|src)=\"?([^\" >]+)"));
    QVERIFY(targets.contains(ids.at(0) + QStringLiteral("/cover.jpg")));
    for (const QString& target : targets)
        QVERIFY2(book.contains(QStringLiteral("/chm/") + target), qPrintable(target));
    QVERIFY(gbk(book.object(QStringLiteral("/tempbook.htm")))
                .contains(QStringLiteral("src=\"chm/CollectionIndex.htm\"")));

    // Made again: one bookcase entry; the library's chm folder never holds the collection's pages.
    QVERIFY(make(lib, ids, QStringLiteral("五本书")).ok);
    QCOMPARE(sqliteScalar(folder.databasePath(),
                          QStringLiteral("SELECT group_concat(MC || '|' || WJLJ) FROM pri_mynovel"))
                 .toString(),
             QStringLiteral("五本书|") + result.chmPath);
    QVERIFY(!QFileInfo::exists(folder.chmDir() + QStringLiteral("/CollectionIndex.htm")));
    QVERIFY(QDir(folder.tempDir()).entryList({"chm-*"}, QDir::AllEntries | QDir::System).isEmpty());
    QVERIFY(lib.errors().isEmpty());
}

void TestChmCollection::refusals_data() {
    columns<QString, bool, QString>("name", "outputFolder", "message");
    const QString bad = QStringLiteral("合集名称不能包含<>?:\"|*%#等特殊符号，请重新输入");
    addRow("empty", QString(), true, QStringLiteral("合集名称不能为空"));
    addRow("blank", QStringLiteral("  "), true, QStringLiteral("合集名称不能为空"));
    addRow("hash", QStringLiteral("第#集"), true, bad);
    addRow("percent", QStringLiteral("100%"), true, bad);
    addRow("folder", QStringLiteral("a/b"), true, bad);
    addRow("no output folder", QStringLiteral("合集"), false,
           QStringLiteral("电子书输出目录不存在，请在设置中重新设定电子书输出目录"));
}

void TestChmCollection::refusals() {
    const auto [name, outputFolder, message] =
        fetch<QString, bool, QString>("name", "outputFolder", "message");
    TestLibrary lib;
    const QString id = addFixtureNovel(lib, QStringLiteral("书"), QString(), {{QStringLiteral("一")}});
    lib.context().settings().setValue(QStringLiteral("NovelChmPath"),
                                      outputFolder ? lib.path() : lib.path() + "/无此目录");
    ChmCollectionJob job(lib.db(), lib.context().folder(), lib.context().settings(), {id}, name);
    job.setCompiler(ChmCompiler(QStringLiteral("/bin/true")));
    ScriptedPrompter prompter;
    job.setPrompter(&prompter);
    job.runHere();
    QCOMPARE(job.result().error, message);
    QCOMPARE(prompter.messages.value(0).second, message);
    QCOMPARE(sqliteScalar(lib.context().folder().databasePath(), "SELECT count(*) FROM pri_mynovel").toInt(),
             0);
}

QTEST_GUILESS_MAIN(TestChmCollection)
#include "tst_chmcollection.moc"
