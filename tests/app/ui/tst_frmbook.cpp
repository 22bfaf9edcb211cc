// The main window: tree, list, reordering, moving, deleting, read marks, keys, layout settings.
#include "app/ui/frmbook.h"
#include "bookcase/ui/frmbookcase.h"
#include "library/treekeys.h"
#include "library/ui/librarytreewidget.h"
#include "library/ui/readingview.h"
#include "storage/categorystore.h"
#include "storage/textfile.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "support/uitest.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStatusBar>
#include <QStringEncoder>
#include <QTreeWidget>

namespace {

QTreeWidget* listOf(FrmBook& w) {
    return w.findChild<QTreeWidget*>("ListView1");
}

QString statusOf(FrmBook& w) {
    return child<QLabel>(w, "lblStatus")->text();
}

void clickItem(QTreeWidget* list, QTreeWidgetItem* item) {
    list->scrollToItem(item);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

QStringList listTitles(FrmBook& w) {
    QStringList titles;
    for (int i = 0; i < listOf(w)->topLevelItemCount(); ++i)
        titles << listOf(w)->topLevelItem(i)->text(1);
    return titles;
}

QString ini(TestLibrary& lib, const QString& key) {
    return lib.context().settings().readIniValue("Main", key);
}

} // namespace

class TestFrmBook : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void emptyLibraryShowsRootAndCategories();
    void unreadCountBoldUntilRead();
    void bookDownSwapsOrdersAndNodes();
    void orderByAddress();
    void chapterEnds_data();
    void chapterEnds();
    void downloadDayLists();
    void dragNovelOntoCategory();
    void deleteNovel();
    void categoryMoves();
    void selectionCommands();
    void batchEndFlags();
    void layoutSettingsPersist();
    void reopensLastChapter();
    void downloadDisablesConflictingCommands();
    void findCommand_data();
    void findCommand();
    void findResultsAndChanges();
    void bookcaseAndWriterWindows();
    void bossKeyHidesEveryWindow();
};

void TestFrmBook::emptyLibraryShowsRootAndCategories() {
    TestLibrary lib;
    CategoryStore(lib.db()).add("玄幻");
    CategoryStore(lib.db()).add("都市");
    FrmBook window(lib.context());
    QTreeWidget* tree = window.findChild<QTreeWidget*>("tvwBar");
    QTreeWidgetItem* root = tree->topLevelItem(0);
    QCOMPARE(root->text(0), QString("小说列表"));
    QCOMPARE(root->data(0, LibraryTreeWidget::kKeyRole).toString(), QString("BookList"));
    QCOMPARE(root->childCount(), 2);
    QCOMPARE(root->child(0)->text(0), QString("玄幻"));
    QCOMPARE(root->child(1)->data(0, LibraryTreeWidget::kKeyRole).toString(), QString("组别02"));
    QCOMPARE(tree->currentItem(), root);
    // The download days follow the novel list.
    QCOMPARE(tree->topLevelItemCount(), 4);
    QCOMPARE(tree->topLevelItem(1)->data(0, LibraryTreeWidget::kKeyRole).toString(), QString("日期1"));
    QCOMPARE(window.listMode(), FrmBook::ListMode::Novels);
    QCOMPARE(listOf(window)->headerItem()->text(1), QString("小说名称"));
    QCOMPARE(statusOf(window), QString("小说列表：0"));
}

void TestFrmBook::unreadCountBoldUntilRead() {
    TestLibrary lib;
    const QString id = lib.addNovel("山河");
    lib.addChapter(id, "第一章", true);
    for (int i = 2; i <= 4; ++i)
        lib.addChapter(id, QString("第%1章").arg(i));
    FrmBook window(lib.context());
    window.show();
    QTreeWidgetItem* node = window.findNode("栏目" + id);
    QCOMPARE(node->text(0), QString("山河(3)"));
    QVERIFY(node->font(0).bold());

    QVERIFY(window.selectNode("栏目" + id));
    QCOMPARE(window.listMode(), FrmBook::ListMode::Chapters);
    QCOMPARE(statusOf(window), QString("4篇章节,3篇未读"));
    QTreeWidget* list = listOf(window);
    QCOMPARE(list->headerItem()->text(1), QString("标题"));
    for (int i = 1; i <= 3; ++i) {
        clickItem(list, list->topLevelItem(i));
        QCOMPARE(window.shownChapterId(), qint64(i + 1));
        QVERIFY(list->topLevelItem(i)->data(0, LibraryTreeWidget::kReadRole).toBool());
        QCOMPARE(statusOf(window), QString("4篇章节,%1篇未读").arg(2 - i + 1));
    }
    QCOMPARE(node->text(0), QString("山河"));
    QVERIFY(!node->font(0).bold());
    QCOMPARE(
        sqliteScalar(lib.db().path(), "SELECT count(*) FROM book_novelcontent WHERE bIsRead='1'").toInt(), 4);
    QVERIFY(window.windowTitle().startsWith("《山河》"));

    // Marking them unread again brings the count back.
    trigger(window, "extLogAllNotRead");
    QCOMPARE(node->text(0), QString("山河(4)"));
    QVERIFY(node->font(0).bold());
}

void TestFrmBook::bookDownSwapsOrdersAndNodes() {
    TestLibrary lib;
    CategoryStore(lib.db()).add("分类");
    const QString first = lib.addNovel("甲", "01", 1);
    lib.addNovel("乙", "01", 2);
    FrmBook window(lib.context());
    QVERIFY(window.selectNode("栏目" + first));
    QTreeWidgetItem* category = window.findNode("组别01");
    // Twice: at the end it stays.
    for (int i = 0; i < 2; ++i) {
        trigger(window, "mnuBookDown");
        QCOMPARE(category->child(0)->text(0), QString("乙"));
        QCOMPARE(category->child(1)->text(0), QString("甲"));
    }
    QCOMPARE(
        sqliteScalar(lib.db().path(), "SELECT NovelName FROM book_novel ORDER BY Displayorder").toString(),
        QString("乙"));
    QCOMPARE(window.currentNovelId(), first);
    trigger(window, "mnuBookUp");
    QCOMPARE(category->child(0)->text(0), QString("甲"));
}

void TestFrmBook::orderByAddress() {
    TestLibrary lib;
    const QString id = lib.addNovel("书");
    for (const char* page : {"10", "9", "11", "100"})
        lib.addChapter(id, QString("第%1页").arg(page), true, QString("http://a.test/b/%1.html").arg(page));
    FrmBook window(lib.context());
    QVERIFY(window.selectNode("栏目" + id));
    MessageRecorder messages;
    // Clicking the column header asks first; "No" changes nothing.
    messages.answers = {false};
    listOf(window)->header()->sectionClicked(3);
    QCOMPARE(messages.last(), QString("您是否确定将小说章节按下载地址重新排序?"));
    QCOMPARE(listTitles(window), (QStringList{"第10页", "第9页", "第11页", "第100页"}));
    trigger(window, "mnuOrderByUrl");
    QCOMPARE(listTitles(window), (QStringList{"第9页", "第10页", "第11页", "第100页"}));
    trigger(window, "mnuOrderByTitle");
    QCOMPARE(listTitles(window), (QStringList{"第100页", "第10页", "第11页", "第9页"}));
}

void TestFrmBook::chapterEnds_data() {
    // keys: pressed in the list, one after the other
    columns<int, QString, int, QString>("start", "keys", "after", "message");
    addRow("right on the last", 2, "Right", 2, "当前章是最后一章");
    addRow("left on the first", 0, "Left", 0, "当前章是第一章");
    addRow("right moves on", 0, "Right", 1, "");
    addRow("left moves back", 2, "Left", 1, "");
    addRow("ctrl right moves on once", 0, "Ctrl+Right", 1, "");
    addRow("ctrl left moves back once", 2, "Ctrl+Left", 1, "");
    addRow("enter opens the chapter it is on", 0, "Down, Return", 1, "");
}

void TestFrmBook::chapterEnds() {
    const auto [start, keys, after, message] =
        fetch<int, QString, int, QString>("start", "keys", "after", "message");
    TestLibrary lib;
    const QString id = lib.addNovel("书");
    for (int i = 1; i <= 3; ++i)
        lib.addChapter(id, QString("第%1章").arg(i));
    FrmBook window(lib.context());
    window.show();
    // The window's shortcuts answer only in the active window.
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QVERIFY(window.selectNode("栏目" + id));
    QTreeWidget* list = listOf(window);
    clickItem(list, list->topLevelItem(start));
    MessageRecorder messages;
    list->setFocus();
    const QKeySequence sequence(keys);
    for (int i = 0; i < sequence.count(); ++i)
        QTest::keyClick(list, sequence[i].key(), sequence[i].keyboardModifiers());
    QCOMPARE(messages.last(), message);
    QCOMPARE(list->indexOfTopLevelItem(list->currentItem()), after);
    QCOMPARE(window.shownChapterId(), qint64(after + 1));
}

void TestFrmBook::downloadDayLists() {
    TestLibrary lib;
    const QString a = lib.addNovel("甲");
    const QString b = lib.addNovel("乙");
    lib.addChapter(a, "今天的");
    const qint64 old = lib.addChapter(b, "前天的");
    lib.db().exec("UPDATE book_novelcontent SET DownDate=? WHERE id=?",
                  {QDate::currentDate().addDays(-2).toString("yyyy-MM-dd"), old});
    FrmBook window(lib.context());
    window.show();
    QVERIFY(window.selectNode("日期1"));
    QCOMPARE(listTitles(window), QStringList{"《甲》今天的"});
    QVERIFY(window.selectNode("日期3"));
    QCOMPARE(listTitles(window), QStringList{"《乙》前天的"});
    QCOMPARE(statusOf(window), QString("前天：1篇章节,1篇未读"));
    // Reading it there lowers its novel's count in the tree.
    clickItem(listOf(window), listOf(window)->topLevelItem(0));
    QCOMPARE(window.shownNovelId(), b);
    QCOMPARE(window.findNode("栏目" + b)->text(0), QString("乙"));
    QVERIFY(window.windowTitle().endsWith("前天的"));
}

void TestFrmBook::dragNovelOntoCategory() {
    TestLibrary lib;
    CategoryStore(lib.db()).add("玄幻");
    const QString id = lib.addNovel("游侠");
    FrmBook window(lib.context());
    window.show();
    QTreeWidget* tree = window.tree();
    MessageRecorder messages;
    const auto drop = [&](QTreeWidgetItem* target) {
        QMimeData mime;
        mime.setData(LibraryTreeWidget::kMimeType, id.toUtf8());
        const QPoint at = tree->visualItemRect(target).center();
        QDragEnterEvent enter(at, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(tree->viewport(), &enter);
        QDragMoveEvent move(at, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(tree->viewport(), &move);
        QDropEvent event(at, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(tree->viewport(), &event);
    };
    drop(window.findNode("BookList"));
    QTRY_COMPARE(messages.last(), QString("请拖到相应的分类处"));
    QCOMPARE(window.findNode("栏目" + id)->parent(), window.findNode("BookList"));

    drop(window.findNode("组别01"));
    QTRY_COMPARE(window.findNode("栏目" + id)->parent(), window.findNode("组别01"));
    QCOMPARE(sqliteScalar(lib.db().path(), "SELECT LB FROM book_novel").toString(), QString("01"));
}

void TestFrmBook::deleteNovel() {
    TestLibrary lib;
    CategoryStore(lib.db()).add("玄幻");
    const QString id = lib.addNovel("将删", "01");
    const QString kept = lib.addNovel("保留", "01");
    lib.addChapter(id, "一");
    QDir().mkpath(lib.context().folder().novelDir(id));
    FrmBook window(lib.context());
    MessageRecorder messages;
    QVERIFY(window.selectNode("栏目" + id));
    // "取消" keeps everything.
    whenDialogOpens("frmBookDel", [](QDialog* d) { click(*d, "cmdCancel"); });
    trigger(window, "mnuDelete");
    QVERIFY(window.findNode("栏目" + id));

    whenDialogOpens("frmBookDel", [](QDialog* d) {
        QCOMPARE(d->windowTitle(), QString("删除小说"));
        child<QCheckBox>(*d, "chkbIsDel")->setChecked(true);
        click(*d, "cmdOK");
    });
    trigger(window, "mnuDelete");
    QVERIFY(!window.findNode("栏目" + id));
    QVERIFY(window.findNode("栏目" + kept));
    QCOMPARE(window.tree()->currentItem(), window.findNode("组别01"));
    QCOMPARE(listTitles(window), QStringList{"保留"});
    QCOMPARE(sqliteScalar(lib.db().path(), "SELECT count(*) FROM book_novelcontent").toInt(), 0);
    QVERIFY(!QFileInfo::exists(lib.context().folder().novelDir(id)));
}

void TestFrmBook::categoryMoves() {
    TestLibrary lib;
    CategoryStore(lib.db()).add("一");
    CategoryStore(lib.db()).add("二");
    FrmBook window(lib.context());
    QVERIFY(window.selectNode("组别01"));
    trigger(window, "mnuLBDown");
    QCOMPARE(window.findNode("组别01")->text(0), QString("二"));
    QCOMPARE(window.findNode("组别02")->text(0), QString("一"));
    QCOMPARE(window.tree()->currentItem(), window.findNode("组别02"));
}

void TestFrmBook::selectionCommands() {
    TestLibrary lib;
    const QString id = lib.addNovel("书");
    for (int i = 1; i <= 5; ++i)
        lib.addChapter(id, QString::number(i), i % 2 == 0);
    FrmBook window(lib.context());
    window.show();
    QVERIFY(window.selectNode("栏目" + id));
    const auto selected = [&] {
        QStringList titles;
        for (int i = 0; i < listOf(window)->topLevelItemCount(); ++i)
            if (listOf(window)->topLevelItem(i)->isSelected())
                titles << listOf(window)->topLevelItem(i)->text(1);
        return titles;
    };
    trigger(window, "mnuSelectNotReaded");
    QCOMPARE(selected(), (QStringList{"1", "3", "5"}));
    trigger(window, "mnuSelectOther");
    QCOMPARE(selected(), (QStringList{"2", "4"}));
    trigger(window, "mnuSelSingleLine");
    QCOMPARE(selected(), (QStringList{"1", "3", "5"}));
    trigger(window, "extLogRead");
    trigger(window, "mnuSelectReaded");
    QCOMPARE(selected().size(), 5);
    MessageRecorder messages;
    trigger(window, "mnuSelectNotRead");
    QCOMPARE(messages.last(), QString("没有未读章节"));
    trigger(window, "mnuSelectLast");
    QCOMPARE(selected(), QStringList{"5"});
    QCOMPARE(window.shownChapterId(), qint64(5));
}

void TestFrmBook::batchEndFlags() {
    TestLibrary lib;
    const QString a = lib.addNovel("甲");
    lib.addNovel("乙");
    FrmBook window(lib.context());
    QTreeWidget* list = listOf(window);
    list->topLevelItem(0)->setSelected(true);
    const auto ended = [&] {
        return sqliteScalar(lib.db().path(), "SELECT bIsEnd FROM book_novel WHERE NovelID='" + a + "'");
    };
    trigger(window, "mnuBatchNotReNew");
    QCOMPARE(ended().toString(), QString("1"));
    QCOMPARE(list->topLevelItem(0)->text(5), QString("是"));
    QCOMPARE(window.findNode("栏目" + a)->data(0, LibraryTreeWidget::kEndRole).toString(), QString("1"));
    trigger(window, "mnuBatchReNew");
    QCOMPARE(ended().toString(), QString("0"));
}

void TestFrmBook::layoutSettingsPersist() {
    TestLibrary lib;
    lib.addChapter(lib.addNovel("书"), "一");
    {
        FrmBook window(lib.context());
        window.show();
        trigger(window, "mnuCellLine");
        QCOMPARE(ini(lib, "bIsVisibleCellLine"), QString("0"));
        trigger(window, "mnuNav");
        QVERIFY(!child<QWidget>(window, "picSearchBar")->isVisible());
        trigger(window, "mnuSkin2");
        QCOMPARE(ini(lib, "Skin"), QString("2"));
        child<QSplitter>(window, "picSplitter")->setSizes({300, 700});
        child<QSplitter>(window, "picVSplit")->setSizes({200, 400});
        QVERIFY(window.selectNode("栏目000001"));
        listOf(window)->header()->resizeSection(1, 150);
        MessageRecorder messages;
        trigger(window, "mnuTitleWidth");
        QCOMPARE(messages.last(), QString("保存完成"));
        window.close();
    }
    QCOMPARE(ini(lib, "Left1"), QString("300"));
    QCOMPARE(ini(lib, "Right1"), QString("200"));
    QCOMPARE(ini(lib, "TitleWidth1"), QString("2250"));
    FrmBook again(lib.context());
    again.show();
    // Laid out at its size, which has room for them.
    QVERIFY(QTest::qWaitForWindowExposed(&again));
    QCOMPARE(child<QSplitter>(again, "picSplitter")->sizes().value(0), 300);
    QCOMPARE(child<QSplitter>(again, "picVSplit")->sizes().value(0), 200);
    QVERIFY(!child<QAction>(again, "mnuNav")->isChecked());
    QVERIFY(child<QAction>(again, "mnuSkin2")->isChecked());
    QVERIFY(again.selectNode("栏目000001"));
    // The titles keep their own width under the room they take to fill the list.
    QCOMPARE(qobject_cast<LibraryTreeWidget*>(listOf(again))->ownWidth(1), 150);
    QVERIFY(listOf(again)->header()->sectionSize(1) >= 150);
}

void TestFrmBook::reopensLastChapter() {
    TestLibrary lib;
    const QString id = lib.addNovel("书");
    lib.addChapter(id, "一");
    const qint64 second = lib.addChapter(id, "二");
    {
        FrmBook window(lib.context());
        window.show();
        QVERIFY(window.selectNode("栏目" + id));
        clickItem(listOf(window), listOf(window)->topLevelItem(1));
        window.close();
    }
    QCOMPARE(ini(lib, "LastNovelID"), id);
    QCOMPARE(ini(lib, "LastArticleID"), QString::number(second));
    FrmBook again(lib.context());
    QCOMPARE(again.currentNovelId(), id);
    QCOMPARE(again.shownChapterId(), second);
    QCOMPARE(listOf(again)->currentItem()->text(1), QString("二"));
}

void TestFrmBook::downloadDisablesConflictingCommands() {
    TestLibrary lib;
    const QString id = lib.addNovel("山河");
    lib.addChapter(id, "一");
    FrmBook window(lib.context());
    QVERIFY(window.selectNode(TreeKeys::novel(id)));
    const QStringList conflicting{"mnuReNew",   "mnuAllReNew", "mnuBook",  "mnuBookTxt",
                                  "mnuBookDoc", "mnuDelete",   "mnuBackUp"};
    for (bool busy : {false, true, false}) {
        window.setBusy(busy);
        for (const QString& name : conflicting)
            QVERIFY2(window.findChild<QAction*>(name)->isEnabled() != busy, qPrintable(name));
    }
}

void TestFrmBook::findCommand_data() {
    columns<int, QStringList, bool>("chapters", "messages", "opens");
    addRow("empty list", 0, QStringList{"无章节内容。"}, false);
    addRow("chapters", 2, QStringList{}, true);
}

void TestFrmBook::findCommand() {
    const auto [chapters, messages, opens] = fetch<int, QStringList, bool>("chapters", "messages", "opens");
    TestLibrary lib;
    const QString id = lib.addNovel("山河");
    for (int i = 0; i < chapters; ++i)
        lib.addChapter(id, QString::number(i));
    FrmBook window(lib.context());
    window.show();
    QVERIFY(window.selectNode(TreeKeys::novel(id)));
    // Where the chapter commands are.
    QVERIFY(child<QMenu>(window, "extmnuTitle")->actions().contains(window.findChild<QAction*>("mnuFind")));
    MessageRecorder recorder;
    trigger(window, "mnuFind");
    QCOMPARE(recorder.shown, messages);
    if (!messages.isEmpty())
        QCOMPARE(recorder.kinds.first(), Messages::Kind::Information);
    // Asked again, the open window comes forward instead of a second one.
    if (opens)
        trigger(window, "mnuFind");
    const QList<QWidget*> found = window.findChildren<QWidget*>("frmFindContent");
    QCOMPARE(found.size(), opens ? 1 : 0);
    if (opens)
        QVERIFY(found.first()->isVisible());
}

void TestFrmBook::findResultsAndChanges() {
    TestLibrary lib;
    const QString id = lib.addNovel("山河");
    const qint64 first = lib.addChapter(id, "第一章 月光");
    const qint64 second = lib.addChapter(id, "第二章 日出");
    const QString tmpl = readTextFile(lib.path() + "/model/vbArticle1.htm");
    for (qint64 chapter : {first, second})
        writeFile(
            lib.context().folder().chapterPage(id, chapter),
            QStringEncoder("GB18030").encode(QString(tmpl).replace("[[Content]]", "<p>山间月光如水</p>")));
    FrmBook window(lib.context());
    window.show();
    QVERIFY(window.selectNode(TreeKeys::novel(id)));
    trigger(window, "mnuFind");
    auto* find = child<QWidget>(window, "frmFindContent");
    child<QLineEdit>(*find, "txtFindText")->setText("月光");
    child<QCheckBox>(*find, "chkAll")->setChecked(true);
    MessageRecorder recorder;
    click(*find, "cmdFind");
    // The results in the reading view; a hit's link opens its chapter.
    QVERIFY(shows(window.web(), "/" + id + "/find.htm"));
    js(window.web(), QString("document.querySelector('a[href*=\"%1.htm\"]').click()").arg(second));
    QTRY_COMPARE(window.shownChapterId(), second);

    // A changed title reaches the list.
    click(*find, "chkTitle");
    child<QLineEdit>(*find, "txtReplaceText")->setText("星光");
    click(*find, "cmdReplace");
    QTRY_COMPARE(listTitles(window), (QStringList{"第一章 星光", "第二章 日出"}));
    QCOMPARE(recorder.shown, QStringList{"您是否确定将所有章节标题中的\"月光\"替换为\"星光\""});
}

// The bookcase and the writing assistant open once each (a writer per novel), and what they change in
// the library shows in the main window.
void TestFrmBook::bookcaseAndWriterWindows() {
    TestLibrary lib;
    const QString code = CategoryStore(lib.db()).add("玄幻").code;
    const QString id = lib.addNovel("山河");
    FrmBook window(lib.context());
    MessageRecorder messages;
    trigger(window, "mnuWriter");
    QCOMPARE(messages.shown, QStringList{"请在左边的导航栏中选择具体的小说名"});
    QVERIFY(window.selectNode(TreeKeys::novel(id)));
    trigger(window, "mnuWriter");
    trigger(window, "mnuWriter");
    QCOMPARE(window.findChildren<QWidget*>("frmWriter").size(), 1);
    // A volume the assistant adds counts in the main tree at once.
    trigger(*window.findChild<QWidget*>("frmWriter"), "mnuNewVolume");
    QTRY_COMPARE(window.findChild<QTreeWidget*>("tvwBar")->currentItem()->text(0), QString("山河(1)"));
    // Closing the program asks about the assistant's unsaved text; Cancel keeps both open.
    QWidget* writer = window.findChild<QWidget*>("frmWriter");
    window.show();
    child<QPlainTextEdit>(*writer, "txtContent")->insertPlainText("未保存的正文"); // as typed
    messages.buttons << QMessageBox::Cancel;
    QVERIFY(!window.close());
    QVERIFY(window.isVisible() && writer->isVisible());
    QCOMPARE(messages.shown.last(), QString("本章内容已修改，是否保存？"));

    trigger(window, "mnuMyBooks");
    trigger(window, "mnuMyBooks");
    const QList<QWidget*> bookcases = window.findChildren<QWidget*>("frmBookCase");
    QCOMPARE(bookcases.size(), 1);
    QVERIFY(window.selectNode(TreeKeys::category(code)));
    // A category the bookcase deletes leaves the library's tree too.
    QVERIFY(Bookcase(lib.context()).removeCategory(code, false).ok());
    Q_EMIT static_cast<FrmBookCase*>(bookcases.first())->categoriesChanged();
    QVERIFY(!window.selectNode(TreeKeys::category(code)));
    QCOMPARE(window.findChild<QTreeWidget*>("tvwBar")->currentItem()->text(0), QString("小说列表"));
}

// The boss key in the real main window's chapter list hides it and the full-screen viewer; bringing
// the program back (as starting it again does) shows both.
void TestFrmBook::bossKeyHidesEveryWindow() {
    TestLibrary lib;
    lib.context().settings().writeIniValue("Main", "BossKey", "{");
    FrmBook window(lib.context());
    window.show();
    QWidget viewer;
    viewer.setObjectName("frmView");
    viewer.show();
    listOf(window)->setFocus();
    QTest::keyClick(listOf(window), Qt::Key_F11);
    QVERIFY(window.isVisible());
    QTest::keyClick(listOf(window), Qt::Key_F12);
    QVERIFY(!window.isVisible() && !viewer.isVisible());
    window.bringToFront();
    QVERIFY(window.isVisible() && viewer.isVisible());
}

QUIVERAL_UI_TEST_MAIN(TestFrmBook)
#include "tst_frmbook.moc"

