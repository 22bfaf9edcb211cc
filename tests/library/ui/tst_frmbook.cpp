// The main window's tree of categories and novels.
#include "library/ui/frmbook.h"
#include "storage/categorystore.h"
#include "support/testlibrary.h"

#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>

class TestFrmBook : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void emptyLibraryShowsRoot();
    void treeShowsCategoriesAndNovels();
    void addNewRequest();
};

void TestFrmBook::emptyLibraryShowsRoot() {
    TestLibrary lib;
    FrmBook window(lib.context());
    QCOMPARE(window.objectName(), QString("frmBook"));
    QCOMPARE(window.windowTitle(), QString("Quiveral"));
    QTreeWidget* tree = window.findChild<QTreeWidget*>("tvwBar");
    QVERIFY(tree);
    QCOMPARE(tree->topLevelItemCount(), 1);
    QCOMPARE(tree->topLevelItem(0)->text(0), QString("小说列表"));
    QCOMPARE(tree->topLevelItem(0)->childCount(), 0);
    QCOMPARE(window.findNode("BookList"), tree->topLevelItem(0));
    QVERIFY(window.findChild<QTreeWidget*>("ListView1"));
}

void TestFrmBook::treeShowsCategoriesAndNovels() {
    TestLibrary lib;
    CategoryStore(lib.db()).add("玄幻");
    const QString read = lib.addNovel("全读", "01");
    const QString unread = lib.addNovel("未读", "01");
    const QString loose = lib.addNovel("散", QString());
    lib.addChapter(read, "c", true);
    for (int i = 0; i < 3; ++i)
        lib.addChapter(unread, "c");

    FrmBook window(lib.context());
    QTreeWidgetItem* root = window.findNode("BookList");
    QVERIFY(root);
    QVERIFY(root->isExpanded());
    QCOMPARE(root->childCount(), 2);
    QTreeWidgetItem* category = window.findNode("组别01");
    QCOMPARE(category->parent(), root);
    QCOMPARE(category->text(0), QString("玄幻"));
    QCOMPARE(category->childCount(), 2);

    QTreeWidgetItem* withUnread = window.findNode("栏目" + unread);
    QCOMPARE(withUnread->text(0), QString("未读(3)"));
    QVERIFY(withUnread->font(0).bold());
    QTreeWidgetItem* allRead = window.findNode("栏目" + read);
    QCOMPARE(allRead->text(0), QString("全读"));
    QVERIFY(!allRead->font(0).bold());
    QCOMPARE(window.findNode("栏目" + loose)->parent(), root);

    // Refilling after a change shows the new state.
    lib.db().exec("UPDATE book_novelcontent SET bIsRead='1' WHERE NovelID=?", {unread});
    window.fillTree();
    QCOMPARE(window.findNode("栏目" + unread)->text(0), QString("未读"));
    QVERIFY(!window.findNode("栏目" + unread)->font(0).bold());
}

void TestFrmBook::addNewRequest() {
    TestLibrary lib;
    FrmBook window(lib.context());
    QSignalSpy spy(&window, &FrmBook::addNovelRequested);
    window.requestAddNovel("http://www.a.com/book/1/");
    QCOMPARE(spy.size(), 1);
    QCOMPARE(window.pendingAddress(), QString("http://www.a.com/book/1/"));
}

QTEST_MAIN(TestFrmBook)
#include "tst_frmbook.moc"
