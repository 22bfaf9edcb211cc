// The category commands on a real library: codes, novels, bookcase entries and folders move together.
#include "library/categoryeditor.h"
#include "storage/bookcasestore.h"
#include "storage/textfile.h"
#include "support/rows.h"
#include "support/testlibrary.h"

#include <QDir>
#include <QDirIterator>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

namespace {

// "01:甲,02:乙": each category gets a novel "<name>书" and its bookcase entry.
void build(TestLibrary& lib, const QString& categories) {
    for (const QString& entry : categories.split(u',', Qt::SkipEmptyParts)) {
        const QString code = entry.section(u':', 0, 0);
        const QString name = entry.section(u':', 1);
        lib.db().exec("INSERT INTO dic_noveltype (DM, MC) VALUES (?, ?)", {code, name});
        const QString id = lib.addNovel(name + "书", code);
        BookcaseStore(lib.db()).registerEntry(name + "书", code, {},
                                              lib.context().folder().novelListPage(id));
    }
}

QString categories(TestLibrary& lib) {
    return sqliteScalar(lib.db().path(), "SELECT group_concat(DM || ':' || MC, ',') FROM "
                                         "(SELECT DM, MC FROM dic_noveltype ORDER BY DM)")
        .toString();
}

// Novels whose category, or whose bookcase entry's category, is not the one named after them.
QStringList strayNovels(TestLibrary& lib) {
    QStringList stray;
    QSqlQuery q = lib.db().query(
        "SELECT n.NovelName, ifnull(t.MC, ''), ifnull(b.LB, '') = ifnull(n.LB, '') FROM book_novel n "
        "LEFT JOIN dic_noveltype t ON t.DM = n.LB LEFT JOIN pri_mynovel b ON b.MC = n.NovelName");
    while (q.next())
        if (q.value(0).toString() != q.value(1).toString() + "书" || !q.value(2).toBool())
            stray << q.value(0).toString();
    return stray;
}

// Names in display order, per category ("-" for none): "01=甲书,乙书;-=丙书".
QString placement(TestLibrary& lib) {
    QStringList groups;
    QSqlQuery q = lib.db().query(
        "SELECT ifnull(LB, '-'), group_concat(NovelName, ',') FROM "
        "(SELECT LB, NovelName FROM book_novel ORDER BY LB, Displayorder, NovelID) GROUP BY LB ORDER BY LB");
    while (q.next())
        groups << q.value(0).toString() + "=" + q.value(1).toString();
    return groups.join(u';');
}

// Every row of every table and every file of the library's chm folder.
QString snapshot(TestLibrary& lib) {
    QStringList lines;
    for (const char* table : {"dic_noveltype", "book_novel", "book_novelcontent", "pri_mynovel"}) {
        QSqlQuery q = lib.db().query(QStringLiteral("SELECT * FROM %1 ORDER BY 1").arg(QLatin1String(table)));
        while (q.next()) {
            QStringList cells{QLatin1String(table)};
            for (int i = 0; i < q.record().count(); ++i)
                cells << q.value(i).toString();
            lines << cells.join(u'|');
        }
    }
    QDirIterator it(lib.context().folder().chmDir(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        lines << it.next();
    lines.sort();
    return lines.join(u'\n');
}

} // namespace

class TestCategoryEditor : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void moveCategory_data();
    void moveCategory();
    void removeCategory_data();
    void removeCategory();
    void moveNovel_data();
    void moveNovel();
    void failedLastStatementChangesNothing_data();
    void failedLastStatementChangesNothing();
};

void TestCategoryEditor::moveCategory_data() {
    columns<QString, QString, QString, QString, QString>("before", "code", "target", "after", "error");
    addRow("last to first", "01:甲,02:乙,03:丙", "03", "01", "01:丙,02:甲,03:乙", "");
    addRow("first before the third", "01:甲,02:乙,03:丙", "01", "03", "02:乙,03:甲,04:丙", "");
    addRow("no target is 01", "01:甲,02:乙,03:丙", "02", "", "01:乙,02:甲,03:丙", "");
    addRow("00 present stays itself", "00:零,01:甲,02:乙", "02", "01", "00:零,01:乙,02:甲", "");
    addRow("00 moved", "00:零,01:甲,02:乙", "00", "02", "01:甲,02:零,03:乙", "");
    addRow("shift stops at the first free code", "01:甲,02:乙,04:丁,05:戊", "05", "01",
           "01:戊,02:甲,03:乙,04:丁", "");
    addRow("99 present: the codes below make room", "01:甲,97:子,98:丑,99:寅", "01", "98",
           "96:子,97:甲,98:丑,99:寅", "");
    addRow("99 present, moving up from above", "50:甲,98:丑,99:寅", "99", "50", "50:寅,51:甲,98:丑", "");
    addRow("onto a free code", "01:甲,02:乙", "01", "07", "02:乙,07:甲", "");
    addRow("onto itself", "01:甲,02:乙", "02", "02", "01:甲,02:乙", "");
    addRow("unknown category", "01:甲", "05", "01", "01:甲", "没有这个分类：05");
    addRow("bad target", "01:甲,02:乙", "02", "1%", "01:甲,02:乙", "分类编号无效：1%");
}

void TestCategoryEditor::moveCategory() {
    const auto [before, code, target, after, error] =
        fetch<QString, QString, QString, QString, QString>("before", "code", "target", "after", "error");
    TestLibrary lib;
    build(lib, before);
    const CategoryEditor::Result result = CategoryEditor(lib.context()).moveTo(code, target);
    QCOMPARE(result.error, error);
    QCOMPARE(categories(lib), after);
    QCOMPARE(strayNovels(lib), QStringList());
    if (result.ok()) // the moved category is found under the code returned
        QCOMPARE(lib.db()
                     .scalar("SELECT DM FROM dic_noveltype WHERE MC = ?",
                             {before.section(code + ":", 1).section(u',', 0, 0)})
                     .toString(),
                 result.code);
    QVERIFY(lib.errors().isEmpty());
}

void TestCategoryEditor::removeCategory_data() {
    columns<QString, bool, bool, QString>("code", "deleteFiles", "downloading", "error");
    addRow("rows only", "01", false, false, "");
    addRow("with files", "01", true, false, "");
    addRow("a novel downloading", "01", true, true, "此分类下小说正在下载中，不能删除。");
    addRow("empty category while downloading", "03", false, true, "");
    addRow("unknown category", "07", true, false, "没有这个分类：07");
}

void TestCategoryEditor::removeCategory() {
    const auto [code, deleteFiles, downloading, error] =
        fetch<QString, bool, bool, QString>("code", "deleteFiles", "downloading", "error");
    TestLibrary lib;
    build(lib, "01:甲,02:乙");
    lib.db().exec("INSERT INTO dic_noveltype (DM, MC) VALUES ('03', '空')");
    const LibraryFolder& folder = lib.context().folder();
    const QString second = lib.addNovel("甲二", "01");
    const QStringList ids{"000001", second, "000002"};
    for (const QString& id : ids) {
        const qint64 chapter = lib.addChapter(id, "第一章");
        QVERIFY(writeTextFile(folder.chapterPage(id, chapter), "page"));
    }
    const QString untouched = snapshot(lib);

    CategoryEditor editor(lib.context());
    editor.setDownloadingNovel([downloading](const QString& id) { return downloading && id == "000001"; });
    const CategoryEditor::Result result = editor.remove(code, deleteFiles);
    QCOMPARE(result.error, error);
    if (!result.ok()) {
        QCOMPARE(snapshot(lib), untouched);
        return;
    }
    if (code == "03") {
        QCOMPARE(categories(lib), QString("01:甲,02:乙"));
        QCOMPARE(placement(lib), QString("01=甲书,甲二;02=乙书"));
        QVERIFY(QFile::exists(folder.chapterPage("000001", 1)));
        return;
    }
    QCOMPARE(result.novelIds, (QStringList{"000001", second}));
    QCOMPARE(categories(lib), QString("02:乙,03:空"));
    QCOMPARE(placement(lib), QString("02=乙书"));
    QCOMPARE(sqliteScalar(lib.db().path(), "SELECT group_concat(NovelID) FROM book_novelcontent").toString(),
             QString("000002"));
    // The bookcase entry goes with the category; the folders only when asked for.
    QCOMPARE(sqliteScalar(lib.db().path(), "SELECT group_concat(MC) FROM pri_mynovel").toString(),
             QString("乙书"));
    QCOMPARE(QDir(folder.novelDir("000001")).exists(), !deleteFiles);
    QCOMPARE(QDir(folder.novelDir(second)).exists(), !deleteFiles);
    QVERIFY(QDir(folder.novelDir("000002")).exists());
}

void TestCategoryEditor::moveNovel_data() {
    columns<QString, QString, QString, QString, QString>("novel", "code", "before", "after", "error");
    // 01: 甲书(1) A2(1, tied) A3(2); 02: 乙书 B2; none: N1
    addRow("within, before a tied novel", "000004", "01", "000003", "-=N1;01=甲书,A3,A2;02=乙书,B2", "");
    addRow("within, to the front", "000004", "01", "000001", "-=N1;01=A3,甲书,A2;02=乙书,B2", "");
    addRow("between takes the category", "000005", "01", "000003", "-=N1;01=甲书,B2,A2,A3;02=乙书", "");
    addRow("between to no category", "000001", "", "000006", "-=甲书,N1;01=A2,A3;02=乙书,B2", "");
    addRow("to the end of a category", "000006", "02", "", "01=甲书,A2,A3;02=乙书,B2,N1", "");
    addRow("end of its own category stays", "000001", "01", "", "-=N1;01=甲书,A2,A3;02=乙书,B2", "");
    addRow("before a novel of another category", "000001", "02", "000003", "-=N1;01=甲书,A2,A3;02=乙书,B2",
           "插入位置的小说不在这个分类中");
    addRow("unknown novel", "000009", "01", "", "-=N1;01=甲书,A2,A3;02=乙书,B2", "没有这本小说：000009");
    addRow("unknown category", "000001", "08", "", "-=N1;01=甲书,A2,A3;02=乙书,B2", "没有这个分类：08");
}

void TestCategoryEditor::moveNovel() {
    const auto [novel, code, before, after, error] =
        fetch<QString, QString, QString, QString, QString>("novel", "code", "before", "after", "error");
    TestLibrary lib;
    build(lib, "01:甲,02:乙");
    lib.addNovel("A2", "01", 1);
    lib.addNovel("A3", "01", 2);
    lib.addNovel("B2", "02");
    lib.addNovel("N1");
    lib.db().exec("UPDATE book_novel SET Displayorder = 1 WHERE NovelID = '000001'");
    BookcaseStore(lib.db()).registerEntry("B2", "02", {}, lib.context().folder().novelListPage("000005"));

    const CategoryEditor::Result result = CategoryEditor(lib.context()).moveNovel(novel, code, before);
    QCOMPARE(result.error, error);
    QCOMPARE(placement(lib), after);
    const QString bookcaseOf5 =
        sqliteScalar(lib.db().path(), "SELECT ifnull(LB, '') FROM pri_mynovel WHERE MC = 'B2'").toString();
    QCOMPARE(bookcaseOf5, novel == "000005" && result.ok() ? code : QString("02"));
}

void TestCategoryEditor::failedLastStatementChangesNothing_data() {
    columns<QString, QString>("operation", "trigger");
    addRow("category move", "move", "BEFORE UPDATE ON pri_mynovel WHEN OLD.LB = 'ZZ'");
    addRow("category delete with files", "delete", "BEFORE DELETE ON dic_noveltype");
    addRow("novel between categories", "novel",
           "BEFORE UPDATE OF Displayorder ON book_novel WHEN NEW.NovelID = '000004'");
}

void TestCategoryEditor::failedLastStatementChangesNothing() {
    const auto [operation, trigger] = fetch<QString, QString>("operation", "trigger");
    TestLibrary lib;
    build(lib, "01:甲,02:乙,03:丙");
    lib.addNovel("甲二", "01");
    const QString page = lib.context().folder().chapterPage("000001", lib.addChapter("000001", "一"));
    QVERIFY(writeTextFile(page, "page"));
    QVERIFY(lib.db().exec("CREATE TRIGGER refuse " + trigger + " BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    const QString before = snapshot(lib);

    CategoryEditor editor(lib.context());
    const CategoryEditor::Result result = operation == "move" ? editor.moveTo("03", "01")
                                          : operation == "delete"
                                              ? editor.remove("01", true)
                                              : editor.moveNovel("000002", "01", "000004");
    QVERIFY(!result.ok());
    QCOMPARE(snapshot(lib), before);
    QVERIFY(QFile::exists(page));
    QCOMPARE(lib.errors().size(), 1);
}

QTEST_GUILESS_MAIN(TestCategoryEditor)
#include "tst_categoryeditor.moc"
