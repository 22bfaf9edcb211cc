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

    void add(const QString& novel, const QString& parent, const QString& title, int type,
             const QString& url = {}) {
        WriterNote n;
        n.novelId = novel;
        n.topId = ids.value(parent);
        n.title = title;
        n.type = type;
        n.url = url;
        ids[title] = store().insertNote(n).id;
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
    void firstCategories_data() {
        // existing: a note the novel has before
        columns<bool, QString, int, QString>("dropTable", "existing", "calls", "tree");
        addRow("opened twice", false, "", 2, "人物,图片,典故,事件");
        addRow("table missing", true, "", 2, "人物,图片,典故,事件");
        addRow("novel that has notes", false, "旧笔记", 2, "旧笔记");
    }

    void firstCategories() {
        const auto [dropTable, existing, calls, tree] =
            fetch<bool, QString, int, QString>("dropTable", "existing", "calls", "tree");
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

    void insert_data() {
        // second: into the second novel
        columns<bool, QString, int, QString, QString, QString, int>("second", "parent", "type", "title",
                                                                    "url", "error", "displayorder");
        addRow("under an empty category", false, "典故", 2, "赤壁", "", "", 1);
        addRow("at the end of its category", false, "人物", 2, "赵六", "", "", 3);
        addRow("a link with its address", false, "图片", 1, "网站", "http://a.test/", "", 2);
        addRow("top level of the first novel", false, "", 0, "地点", "", "", 5);
        addRow("top level of the second novel", true, "", 0, "地点", "", "", 7);
        addRow("blank name", false, "人物", 2, "  ", "", "名称不能为空", 0);
        addRow("picture without address", false, "图片", 3, "图二", " ", "地址不能为空", 0);
        addRow("under a text note", false, "张三", 2, "细节", "", "只能放在这本小说的分类下", 0);
        addRow("under the other novel's category", true, "人物", 2, "细节", "", "只能放在这本小说的分类下",
               0);
        addRow("unknown type", false, "人物", 4, "怪", "", "类型无效", 0);
    }

    void insert() {
        const auto [second, parent, type, title, url, error, displayorder] =
            fetch<bool, QString, int, QString, QString, QString, int>("second", "parent", "type", "title",
                                                                      "url", "error", "displayorder");
        Fixture f;
        const qint64 before = f.lib.db().scalar("SELECT count(*) FROM book_Writer").toLongLong();
        WriterNote n;
        n.novelId = second ? f.b : f.a;
        n.topId = f.ids.value(parent);
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

    void update_data() {
        columns<QString, QString, QString, QString, int>("note", "title", "url", "error", "type");
        addRow("a text", "张三", "张三丰", "", "", 2);
        addRow("a picture to another file", "图一", "图甲", "b.gif", "", 3);
        addRow("a picture losing its address", "图一", "图甲", "", "地址不能为空", 3);
        addRow("a category to no name", "人物", "", "", "名称不能为空", 0);
        addRow("a note that is not there", "", "x", "", "请选择具体的辅助", 0);
    }

    void update() {
        const auto [note, title, url, error, type] =
            fetch<QString, QString, QString, QString, int>("note", "title", "url", "error", "type");
        Fixture f;
        const qint64 id = f.ids.value(note, 9999);
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

    void parentFor_data() {
        columns<QString, QString>("selected", "parent");
        addRow("a category takes the note", "配角", "配角");
        addRow("a text passes it to its category", "李四", "配角");
        addRow("nothing selected", "", "");
    }

    void parentFor() {
        const auto [selected, parent] = fetch<QString, QString>("selected", "parent");
        Fixture f;
        QCOMPARE(f.store().parentFor(f.ids.value(selected)), f.ids.value(parent));
    }

    void deleteSubtree_data() {
        columns<QString, int, QString>("note", "deleted", "tree");
        addRow("three levels", "主角", 4, "人物(王五),图片(图一),典故,事件");
        addRow("a top category with everything below", "人物", 6, "图片(图一),典故,事件");
        addRow("one text", "张三", 1, "人物(主角(配角(李四)),王五),图片(图一),典故,事件");
        addRow("a note that is not there", "", 0, kTreeA);
    }

    void deleteSubtree() {
        const auto [note, deleted, tree] = fetch<QString, int, QString>("note", "deleted", "tree");
        Fixture f;
        const qint64 id = f.ids.value(note, 9999);
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

    void reorder_data() {
        // to: the new parent ("" for the top), or ↑ / ↓ for a step among its siblings
        // tied: the top-level notes all carry order 1 first
        // outcome: a move's error, or how a step went; displayorder: a move's new order
        columns<QString, QString, bool, QString, QString, int>("note", "to", "tied", "outcome", "tree",
                                                               "displayorder");
        const QString inside = "不能移到它自己或它下面的分类中";
        const QString notCategory = "只能放在这本小说的分类下";
        addRow("into itself", "主角", "主角", false, inside, kTreeA, 1);
        addRow("into its grandchild", "人物", "配角", false, inside, kTreeA, 1);
        addRow("onto a text", "王五", "张三", false, notCategory, kTreeA, 2);
        addRow("into the other novel", "王五", "B人物", false, notCategory, kTreeA, 2);
        addRow("to the top", "配角", "", false, "", "人物(主角(张三),王五),图片(图一),典故,事件,配角(李四)",
               5);
        addRow("into another category", "王五", "图片", false, "",
               "人物(主角(张三,配角(李四))),图片(图一,王五),典故,事件", 2);
        addRow("to its own parent goes last", "主角", "人物", false, "",
               "人物(王五,主角(张三,配角(李四))),图片(图一),典故,事件", 3);
        addRow("first up", "人物", "↑", false, "AtEnd", kTreeA, 0);
        addRow("last down", "事件", "↓", false, "AtEnd", kTreeA, 0);
        addRow("only child down", "图一", "↓", false, "AtEnd", kTreeA, 0);
        addRow("child up", "王五", "↑", false, "Moved",
               "人物(王五,主角(张三,配角(李四))),图片(图一),典故,事件", 0);
        addRow("child down", "张三", "↓", false, "Moved",
               "人物(主角(配角(李四),张三),王五),图片(图一),典故,事件", 0);
        addRow("top up", "典故", "↑", false, "Moved", "人物(主角(张三,配角(李四)),王五),典故,图片(图一),事件",
               0);
        addRow("top down", "人物", "↓", false, "Moved",
               "图片(图一),人物(主角(张三,配角(李四)),王五),典故,事件", 0);
        addRow("tied orders up", "典故", "↑", true, "Moved",
               "人物(主角(张三,配角(李四)),王五),典故,图片(图一),事件", 0);
        addRow("tied orders first up", "人物", "↑", true, "AtEnd", kTreeA, 0);
        addRow("a step of a note that is not there", "", "↑", false, "Failed", kTreeA, 0);
    }

    void reorder() {
        const auto [note, to, tied, outcome, tree, displayorder] =
            fetch<QString, QString, bool, QString, QString, int>("note", "to", "tied", "outcome", "tree",
                                                                 "displayorder");
        Fixture f;
        if (tied)
            QVERIFY(
                f.lib.db().exec("UPDATE book_Writer SET displayorder=1 WHERE NovelID=? AND topid=0", {f.a}));
        QCOMPARE(f.treeA(), kTreeA);
        const qint64 id = f.ids.value(note, 9999);
        if (to == "↑" || to == "↓")
            QCOMPARE(
                QStringList({"Moved", "AtEnd", "Failed"}).at(int(f.store().swapWithSibling(id, to == "↑"))),
                outcome);
        else
            QCOMPARE(f.store().moveTo(id, f.ids.value(to)).error, outcome);
        QCOMPARE(f.treeA(), tree);
        QCOMPARE(f.treeB(), kTreeB);
        if (displayorder > 0)
            QCOMPARE(f.store().note(id).displayOrder, displayorder);
    }

    // Parents that loop or point at the note itself leave those notes out; the tree still ends.
    void damagedParents() {
        Fixture f;
        QVERIFY(f.lib.db().exec("UPDATE book_Writer SET topid=? WHERE id=?",
                                {f.ids.value("李四"), f.ids.value("配角")}));
        QVERIFY(f.lib.db().exec("UPDATE book_Writer SET topid=id WHERE id=?", {f.ids.value("王五")}));
        QCOMPARE(f.treeA(), QStringLiteral("人物(主角(张三)),图片(图一),典故,事件"));
    }

    void pictureName_data() {
        columns<QStringList, QString, QString>("existing", "source", "name");
        addRow("empty folder", QStringList{}, "/p/a.png", "20261207080509.png");
        addRow("no extension", QStringList{}, "/p/photo", "20261207080509.jpg");
        addRow("name ending in a dot", QStringList{}, "/p/photo.", "20261207080509.jpg");
        addRow("dot only in the folder", QStringList{}, "/p.d/photo", "20261207080509.jpg");
        addRow("last dot decides", QStringList{}, "/p/a.b.GIF", "20261207080509.GIF");
        addRow("second in the same second", QStringList{"20261207080509.png"}, "/p/b.jpg",
               "20261207080509_1.jpg");
        addRow("third in the same second", QStringList{"20261207080509.jpg", "20261207080509_1.bmp"},
               "/p/c.jpg", "20261207080509_2.jpg");
        addRow("a gap is taken", QStringList{"20261207080509.jpg", "20261207080509_2.jpg"}, "/p/c.jpg",
               "20261207080509_1.jpg");
        addRow("the second before is no clash", QStringList{"20261207080508.jpg"}, "/p/c.jpg",
               "20261207080509.jpg");
    }

    void pictureName() {
        const auto [existing, source, name] =
            fetch<QStringList, QString, QString>("existing", "source", "name");
        QTemporaryDir dir;
        for (const QString& file : existing)
            QVERIFY(writeFile(dir.filePath(file), "x"));
        const QDateTime when(QDate(2026, 12, 7), QTime(8, 5, 9));
        QCOMPARE(WriterStore::pictureFileName(dir.path(), when, source), name);
    }

    void copyTwoInOneSecond() {
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
};

QTEST_GUILESS_MAIN(TestWriterStore)
#include "tst_writerstore.moc"
