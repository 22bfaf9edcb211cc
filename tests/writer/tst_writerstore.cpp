// The writing assistant's notes on a real library database: the four first categories, adding, editing,
// deleting whole subtrees, moving, and the names of copied pictures.
#include "storage/database.h"
#include "support/notestree.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "writer/writerstore.h"

#include <QDateTime>
#include <QDir>
#include <QTest>

namespace {


// Two novels: the first with
//   人物(主角(张三,配角(李四)),王五),图片(图一),典故,事件
// the second with its four categories and two more top-level texts.
struct Fixture {
    TestLibrary lib;
    QString a;
    QString b;
    QHash<QString, qint64> ids; // the first novel's notes by title; "B人物" … for the second's

    WriterStore store() { return WriterStore(lib.db()); }

    qint64 add(const QString& novel, const QString& parent, const QString& title, int type,
               const QString& url = {}) {
        WriterNote n;
        n.novelId = novel;
        n.topId = parent.isEmpty() ? 0 : ids.value(parent);
        n.title = title;
        n.type = type;
        n.url = url;
        const qint64 id = store().insertNote(n).id;
        ids.insert(title, id);
        return id;
    }

    Fixture() {
        a = lib.addNovel(QStringLiteral("甲"));
        b = lib.addNovel(QStringLiteral("乙"));
        store().ensureNovel(a);
        store().ensureNovel(b);
        for (const WriterNote& n : store().tree(a))
            ids.insert(n.title, n.id);
        for (const WriterNote& n : store().tree(b))
            ids.insert(u'B' + n.title, n.id);
        add(a, "人物", "主角", WriterNote::Category);
        add(a, "主角", "张三", WriterNote::Text);
        add(a, "主角", "配角", WriterNote::Category);
        add(a, "配角", "李四", WriterNote::Text);
        add(a, "人物", "王五", WriterNote::Text);
        add(a, "图片", "图一", WriterNote::Picture, "a.jpg");
        add(b, {}, "B甲", WriterNote::Text);
        add(b, {}, "B乙", WriterNote::Text);
    }

    QString treeA() { return renderNotes(store().tree(a)); }
    QString treeB() { return renderNotes(store().tree(b)); }
};

const QString kTreeA = QStringLiteral("人物(主角(张三,配角(李四)),王五),图片(图一),典故,事件");
const QString kTreeB = QStringLiteral("人物,图片,典故,事件,B甲,B乙");

} // namespace

class TestWriterStore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void firstCategories_data();
    void firstCategories();
    void insert_data();
    void insert();
    void update_data();
    void update();
    void parentFor_data();
    void parentFor();
    void deleteSubtree_data();
    void deleteSubtree();
    void moveTo_data();
    void moveTo();
    void swap_data();
    void swap();
    void pictureName_data();
    void pictureName();
    void copyTwoInOneSecond();
};

void TestWriterStore::firstCategories_data() {
    QTest::addColumn<bool>("dropTable");
    QTest::addColumn<QString>("existing"); // a note the novel has before
    QTest::addColumn<int>("calls");
    QTest::addColumn<QString>("tree");
    addRow("fresh novel", false, "", 1, "人物,图片,典故,事件");
    addRow("opened twice", false, "", 2, "人物,图片,典故,事件");
    addRow("opened three times", false, "", 3, "人物,图片,典故,事件");
    addRow("table missing", true, "", 2, "人物,图片,典故,事件");
    addRow("novel that has notes", false, "旧笔记", 2, "旧笔记");
}

void TestWriterStore::firstCategories() {
    QFETCH(bool, dropTable);
    QFETCH(QString, existing);
    QFETCH(int, calls);
    QFETCH(QString, tree);
    TestLibrary lib;
    const QString novel = lib.addNovel("甲");
    const QString other = lib.addNovel("乙");
    WriterStore store(lib.db());
    if (dropTable)
        QVERIFY(lib.db().exec("DROP TABLE IF EXISTS book_Writer"));
    else
        QVERIFY(store.ensureNovel(other));
    if (!existing.isEmpty()) {
        QVERIFY(store.ensureNovel(other));
        QVERIFY(lib.db().exec("INSERT INTO book_Writer (NovelID, topid, displayorder, Title, iType) "
                              "VALUES (?, 0, 1, ?, 2)",
                              {novel, existing}));
    }
    for (int i = 0; i < calls; ++i)
        QVERIFY(store.ensureNovel(novel));
    const QList<WriterNote> notes = store.tree(novel);
    QCOMPARE(renderNotes(notes), tree);
    if (existing.isEmpty()) {
        for (int i = 0; i < notes.size(); ++i) {
            QCOMPARE(notes.at(i).displayOrder, i + 1);
            QCOMPARE(notes.at(i).type, int(WriterNote::Category));
            QCOMPARE(notes.at(i).topId, 0);
        }
    }
    QVERIFY2(lib.errors().isEmpty(), qPrintable(lib.errors().join('\n')));
}

void TestWriterStore::insert_data() {
    QTest::addColumn<bool>("second"); // into the second novel
    QTest::addColumn<QString>("parent");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("displayorder");
    addRow("under an empty category", false, "典故", 2, "赤壁", "", "", 1);
    addRow("at the end of its category", false, "人物", 2, "赵六", "", "", 3);
    addRow("a link with its address", false, "图片", 1, "网站", "http://a.test/", "", 2);
    addRow("top level of the first novel", false, "", 0, "地点", "", "", 5);
    addRow("top level of the second novel", true, "", 0, "地点", "", "", 7);
    addRow("category of the second novel", true, "B典故", 2, "赤壁", "", "", 1);
    addRow("empty name", false, "人物", 2, "", "", "名称不能为空", 0);
    addRow("blank name", false, "人物", 2, "  ", "", "名称不能为空", 0);
    addRow("link without address", false, "人物", 1, "网站", "", "地址不能为空", 0);
    addRow("picture without address", false, "图片", 3, "图二", " ", "地址不能为空", 0);
    addRow("under a text note", false, "张三", 2, "细节", "", "只能放在这本小说的分类下", 0);
    addRow("under the other novel's category", true, "人物", 2, "细节", "", "只能放在这本小说的分类下", 0);
    addRow("unknown type", false, "人物", 4, "怪", "", "类型无效", 0);
}

void TestWriterStore::insert() {
    QFETCH(bool, second);
    QFETCH(QString, parent);
    QFETCH(int, type);
    QFETCH(QString, title);
    QFETCH(QString, url);
    QFETCH(QString, error);
    QFETCH(int, displayorder);
    Fixture f;
    const qint64 before = f.lib.db().scalar("SELECT count(*) FROM book_Writer").toLongLong();
    WriterNote n;
    n.novelId = second ? f.b : f.a;
    n.topId = parent.isEmpty() ? 0 : f.ids.value(parent);
    n.type = type;
    n.title = title;
    n.url = url;
    n.remark = "说明";
    const WriterStore::Result result = f.store().insertNote(n);
    QCOMPARE(result.error, error);
    const qint64 after = f.lib.db().scalar("SELECT count(*) FROM book_Writer").toLongLong();
    if (!error.isEmpty()) {
        QCOMPARE(result.id, 0);
        QCOMPARE(after, before);
        return;
    }
    QCOMPARE(after, before + 1);
    const WriterNote stored = f.store().note(result.id);
    QCOMPARE(stored.displayOrder, displayorder);
    QCOMPARE(stored.novelId, n.novelId);
    QCOMPARE(stored.topId, n.topId);
    QCOMPARE(stored.type, type);
    QCOMPARE(stored.url, url);
    QCOMPARE(stored.remark, QStringLiteral("说明"));
    // The other novel's tree never moves.
    QCOMPARE(second ? f.treeA() : f.treeB(), second ? kTreeA : kTreeB);
}

void TestWriterStore::update_data() {
    QTest::addColumn<QString>("note");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("type");
    addRow("a text", "张三", "张三丰", "", "", 2);
    addRow("a picture to another file", "图一", "图甲", "b.gif", "", 3);
    addRow("a picture losing its address", "图一", "图甲", "", "地址不能为空", 3);
    addRow("a category to no name", "人物", "", "", "名称不能为空", 0);
    addRow("a note that is not there", "", "x", "", "请选择具体的辅助", 0);
}

void TestWriterStore::update() {
    QFETCH(QString, note);
    QFETCH(QString, title);
    QFETCH(QString, url);
    QFETCH(QString, error);
    QFETCH(int, type);
    Fixture f;
    const qint64 id = note.isEmpty() ? 9999 : f.ids.value(note);
    const WriterNote before = f.store().note(id);
    const WriterStore::Result result = f.store().updateNote(id, title, url, "新说明");
    QCOMPARE(result.error, error);
    const WriterNote after = f.store().note(id);
    if (!error.isEmpty()) {
        QCOMPARE(after.title, before.title);
        QCOMPARE(after.url, before.url);
        QCOMPARE(after.remark, before.remark);
        return;
    }
    QCOMPARE(after.title, title);
    QCOMPARE(after.url, url);
    QCOMPARE(after.remark, QStringLiteral("新说明"));
    QCOMPARE(after.type, type);
    QCOMPARE(after.topId, before.topId);
    QCOMPARE(after.displayOrder, before.displayOrder);
}

void TestWriterStore::parentFor_data() {
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("parent");
    addRow("a category takes the note", "配角", "配角");
    addRow("a text passes it to its category", "李四", "配角");
    addRow("a picture passes it to its category", "图一", "图片");
    addRow("nothing selected", "", "");
}

void TestWriterStore::parentFor() {
    QFETCH(QString, selected);
    QFETCH(QString, parent);
    Fixture f;
    QCOMPARE(f.store().parentFor(selected.isEmpty() ? 0 : f.ids.value(selected)),
             parent.isEmpty() ? 0 : f.ids.value(parent));
}

void TestWriterStore::deleteSubtree_data() {
    QTest::addColumn<QString>("note");
    QTest::addColumn<int>("deleted");
    QTest::addColumn<QString>("tree");
    addRow("three levels", "主角", 4, "人物(王五),图片(图一),典故,事件");
    addRow("a top category with everything below", "人物", 6, "图片(图一),典故,事件");
    addRow("a sub-category", "配角", 2, "人物(主角(张三),王五),图片(图一),典故,事件");
    addRow("one text", "张三", 1, "人物(主角(配角(李四)),王五),图片(图一),典故,事件");
    addRow("an empty category", "典故", 1, "人物(主角(张三,配角(李四)),王五),图片(图一),事件");
    addRow("a note that is not there", "", 0, kTreeA);
}

void TestWriterStore::deleteSubtree() {
    QFETCH(QString, note);
    QFETCH(int, deleted);
    QFETCH(QString, tree);
    Fixture f;
    const qint64 id = note.isEmpty() ? 9999 : f.ids.value(note);
    const QList<qint64> ids = f.store().deleteSubtree(id);
    QCOMPARE(ids.size(), deleted);
    if (deleted > 0)
        QCOMPARE(ids.first(), id);
    QCOMPARE(f.treeA(), tree);
    QCOMPARE(f.treeB(), kTreeB);
    // Nothing is left behind without a parent.
    QCOMPARE(f.lib.db().scalar("SELECT count(*) FROM book_Writer").toInt(),
             f.store().tree(f.a).size() + f.store().tree(f.b).size());
}

void TestWriterStore::moveTo_data() {
    QTest::addColumn<QString>("note");
    QTest::addColumn<QString>("target"); // "" for the top
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("tree");
    QTest::addColumn<int>("displayorder");
    const QString inside = "不能移到它自己或它下面的分类中";
    const QString notCategory = "只能放在这本小说的分类下";
    addRow("into itself", "主角", "主角", inside, kTreeA, 1);
    addRow("into its own child", "主角", "配角", inside, kTreeA, 1);
    addRow("into its grandchild", "人物", "配角", inside, kTreeA, 1);
    addRow("onto a text", "王五", "张三", notCategory, kTreeA, 2);
    addRow("into the other novel", "王五", "B人物", notCategory, kTreeA, 2);
    addRow("to the top", "配角", "", "", "人物(主角(张三),王五),图片(图一),典故,事件,配角(李四)", 5);
    addRow("into another category", "王五", "图片", "",
           "人物(主角(张三,配角(李四))),图片(图一,王五),典故,事件", 2);
    addRow("into an empty category", "主角", "事件", "",
           "人物(王五),图片(图一),典故,事件(主角(张三,配角(李四)))", 1);
    addRow("to its own parent goes last", "主角", "人物", "",
           "人物(王五,主角(张三,配角(李四))),图片(图一),典故,事件", 3);
}

void TestWriterStore::moveTo() {
    QFETCH(QString, note);
    QFETCH(QString, target);
    QFETCH(QString, error);
    QFETCH(QString, tree);
    QFETCH(int, displayorder);
    Fixture f;
    const qint64 id = f.ids.value(note);
    const WriterStore::Result result = f.store().moveTo(id, target.isEmpty() ? 0 : f.ids.value(target));
    QCOMPARE(result.error, error);
    QCOMPARE(f.treeA(), tree);
    QCOMPARE(f.treeB(), kTreeB);
    QCOMPARE(f.store().note(id).displayOrder, displayorder);
}

void TestWriterStore::swap_data() {
    QTest::addColumn<QString>("note");
    QTest::addColumn<bool>("up");
    QTest::addColumn<bool>("tied"); // the top-level notes all carry order 1 first
    QTest::addColumn<int>("outcome");
    QTest::addColumn<QString>("tree");
    const int moved = int(WriterStore::Swap::Moved);
    const int atEnd = int(WriterStore::Swap::AtEnd);
    addRow("first up", "人物", true, false, atEnd, kTreeA);
    addRow("last down", "事件", false, false, atEnd, kTreeA);
    addRow("first child up", "主角", true, false, atEnd, kTreeA);
    addRow("last child down", "王五", false, false, atEnd, kTreeA);
    addRow("only child down", "图一", false, false, atEnd, kTreeA);
    addRow("child up", "王五", true, false, moved, "人物(王五,主角(张三,配角(李四))),图片(图一),典故,事件");
    addRow("child down", "张三", false, false, moved,
           "人物(主角(配角(李四),张三),王五),图片(图一),典故,事件");
    addRow("top up", "典故", true, false, moved, "人物(主角(张三,配角(李四)),王五),典故,图片(图一),事件");
    addRow("top down", "人物", false, false, moved, "图片(图一),人物(主角(张三,配角(李四)),王五),典故,事件");
    addRow("tied orders up", "典故", true, true, moved,
           "人物(主角(张三,配角(李四)),王五),典故,图片(图一),事件");
    addRow("tied orders first up", "人物", true, true, atEnd, kTreeA);
    addRow("a note that is not there", "", true, false, int(WriterStore::Swap::Failed), kTreeA);
}

void TestWriterStore::swap() {
    QFETCH(QString, note);
    QFETCH(bool, up);
    QFETCH(bool, tied);
    QFETCH(int, outcome);
    QFETCH(QString, tree);
    Fixture f;
    if (tied)
        QVERIFY(f.lib.db().exec("UPDATE book_Writer SET displayorder=1 WHERE NovelID=? AND topid=0", {f.a}));
    QCOMPARE(f.treeA(), kTreeA);
    QCOMPARE(int(f.store().swapWithSibling(note.isEmpty() ? 9999 : f.ids.value(note), up)), outcome);
    QCOMPARE(f.treeA(), tree);
    QCOMPARE(f.treeB(), kTreeB);
}

void TestWriterStore::pictureName_data() {
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("name");
    addRow("empty folder", QStringList{}, "/p/a.png", "20261207080509.png");
    addRow("no extension", QStringList{}, "/p/photo", "20261207080509.jpg");
    addRow("name ending in a dot", QStringList{}, "/p/photo.", "20261207080509.jpg");
    addRow("dot only in the folder", QStringList{}, "/p.d/photo", "20261207080509.jpg");
    addRow("last dot decides", QStringList{}, "/p/a.b.GIF", "20261207080509.GIF");
    addRow("second in the same second", QStringList{"20261207080509.png"}, "/p/b.jpg",
           "20261207080509_1.jpg");
    addRow("third in the same second", QStringList{"20261207080509.jpg", "20261207080509_1.bmp"}, "/p/c.jpg",
           "20261207080509_2.jpg");
    addRow("a gap is taken", QStringList{"20261207080509.jpg", "20261207080509_2.jpg"}, "/p/c.jpg",
           "20261207080509_1.jpg");
    addRow("the second before is no clash", QStringList{"20261207080508.jpg"}, "/p/c.jpg",
           "20261207080509.jpg");
}

void TestWriterStore::pictureName() {
    QFETCH(QStringList, existing);
    QFETCH(QString, source);
    QFETCH(QString, name);
    QTemporaryDir dir;
    for (const QString& file : existing)
        QVERIFY(writeFile(dir.filePath(file), "x"));
    const QDateTime when(QDate(2026, 12, 7), QTime(8, 5, 9));
    QCOMPARE(WriterStore::pictureFileName(dir.path(), when, source), name);
}

void TestWriterStore::copyTwoInOneSecond() {
    QTemporaryDir dir;
    const QString source = dir.filePath("src/pic.gif");
    QVERIFY(writeFile(source, "GIF89a"));
    const QString folder = dir.filePath("chm/000001");
    const QDateTime when(QDate(2026, 1, 2), QTime(3, 4, 5));
    QString error;
    const QString first = WriterStore::copyPicture(source, folder, when, &error);
    const QString second = WriterStore::copyPicture(source, folder, when, &error);
    QCOMPARE(first, folder + "/20260102030405.gif");
    QCOMPARE(second, folder + "/20260102030405_1.gif");
    QCOMPARE(fileBytes(second), QByteArray("GIF89a"));
    QCOMPARE(WriterStore::copyPicture(dir.filePath("missing.jpg"), folder, when, &error), QString());
    QVERIFY(error.contains("missing.jpg"));
}

QTEST_GUILESS_MAIN(TestWriterStore)
#include "tst_writerstore.moc"
