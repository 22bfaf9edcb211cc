// What the library tree shows: categories, novel order, unread counts.
#include "library/librarylists.h"
#include "library/librarytree.h"
#include "storage/categorystore.h"
#include "support/testlibrary.h"

#include <QTest>

class TestLibraryTree : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void categoriesNovelsAndCounts();
};

void TestLibraryTree::categoriesNovelsAndCounts() {
    TestLibrary lib;
    CategoryStore categories(lib.db());
    categories.add("武侠"); // 01
    categories.add("玄幻"); // 02
    lib.db().exec(
        "UPDATE dic_noveltype SET DM='05' WHERE DM='01'"); // order follows codes, not names or insertion
    const QString b = lib.addNovel("乙", "02", 2);
    const QString a = lib.addNovel("甲", "02", 1);
    const QString loose = lib.addNovel("散", QString(), 1);
    const QString orphan = lib.addNovel("孤", "77", 2);
    for (int i = 0; i < 3; ++i)
        lib.addChapter(a, "a" + QString::number(i));
    lib.addChapter(a, "read", true);
    lib.addChapter(b, "read", true);
    // A chapter without a read mark at all is not counted as unread.
    lib.db().exec("INSERT INTO book_novelcontent (NovelID, Title, bIsRead) VALUES (?, 'null mark', NULL)",
                  {b});

    const LibraryTree tree = LibraryTree::load(lib.db());
    QCOMPARE(tree.categories.size(), 2);
    QCOMPARE(tree.categories[0].code, QString("02"));
    QCOMPARE(tree.categories[0].name, QString("玄幻"));
    QCOMPARE(tree.categories[1].code, QString("05"));
    QCOMPARE(tree.categories[0].novels.size(), 2);
    QCOMPARE(tree.categories[0].novels[0].novelId, a);
    QCOMPARE(tree.categories[0].novels[0].unread, 3);
    QCOMPARE(tree.categories[0].novels[1].novelId, b);
    QCOMPARE(tree.categories[0].novels[1].unread, 0);
    QVERIFY(tree.categories[1].novels.isEmpty());
    // Without category, then a novel whose category no longer exists: neither disappears.
    QCOMPARE(tree.uncategorised.size(), 2);
    QCOMPARE(tree.uncategorised[0].novelId, loose);
    QCOMPARE(tree.uncategorised[1].novelId, orphan);
    QCOMPARE(tree.novelCount(), 4);
    // The counts of the tree are those the window shows for one novel.
    lib.addChapter("999999", "no such novel");
    const LibraryTree again = LibraryTree::load(lib.db());
    QList<TreeNovel> all = again.uncategorised;
    for (const TreeCategory& c : again.categories)
        all += c.novels;
    for (const TreeNovel& novel : all)
        QCOMPARE(novel.unread, LibraryLists::unreadCount(lib.db(), novel.novelId));
}

QTEST_GUILESS_MAIN(TestLibraryTree)
#include "tst_librarytree.moc"
