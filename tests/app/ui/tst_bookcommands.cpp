// The main window's commands: what each needs chosen first, and the windows of adding novels, signs
// and sites they open.
#include "addnovel/ui/frmaddbatchcontent.h"
#include "addnovel/ui/frmaddnovel.h"
#include "addnovel/ui/frmgetdownnovel.h"
#include "app/ui/frmbook.h"
#include "library/treekeys.h"
#include "library/ui/frmurlreplace.h"
#include "sites/ui/frmsite.h"
#include "sites/ui/frmsitesign.h"
#include "storage/novelstore.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "support/uitest.h"

#include <QAction>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

class TestBookCommands : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void commandsNeedASelection_data();
    void commandsNeedASelection();
    void commandsOpenTheirWindows_data();
    void commandsOpenTheirWindows();
    void propertiesRenameTheNovel();
};

void TestBookCommands::commandsNeedASelection_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("message");
    const QString novel = QStringLiteral("请选择具体的小说");
    for (const char* c : {"mnuEdit", "mnuBatchContent", "mnuBatchSiteSign", "mnuChangeListUrl", "mnuDelete",
                          "mnuBatchBookReNew"})
        addRow(c, QString(c), novel);
    addRow("mnuReNew", "mnuReNew", "请在左边的导航栏中选择具体的小说名再进行更新");
    addRow("mnuReNewLB", "mnuReNewLB", "请选择具体分类");
    addRow("mnuLBUp", "mnuLBUp", "请选择具体分类");
}

// With the whole list chosen and no novel selected, each command says what it needs and does nothing.
void TestBookCommands::commandsNeedASelection() {
    QFETCH(QString, command);
    QFETCH(QString, message);
    TestLibrary lib;
    lib.addNovel("山河");
    MessageRecorder messages;
    FrmBook window(lib.context());
    QVERIFY(window.selectNode(QStringLiteral("BookList")));
    window.list()->clearSelection();
    window.findChild<QAction*>(command)->trigger();
    QCOMPARE(messages.shown, QStringList{message});
    QVERIFY(!window.findChild<QDialog*>());
    QVERIFY(!window.isBusy());
}

void TestBookCommands::commandsOpenTheirWindows_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("window");
    addRow("new", "mnuNew", "frmAddNovel");
    addRow("properties", "mnuEdit", "frmAddNovel");
    addRow("sites", "mnuSite", "frmSite");
    addRow("signs", "mnuSiteSignSet", "frmSiteSign");
    addRow("batch chapters", "mnuBatchContent", "frmAddBatchContent");
    addRow("old downloads", "mnuGetDownNovel", "frmGetDownNovel");
    addRow("list addresses", "mnuChangeListUrl", "frmUrlReplace");
}

void TestBookCommands::commandsOpenTheirWindows() {
    QFETCH(QString, command);
    QFETCH(QString, window);
    TestLibrary lib;
    const QString id = lib.addNovel("山河");
    MessageRecorder messages;
    FrmBook book(lib.context());
    QVERIFY(book.selectNode(TreeKeys::novel(id)));
    book.findChild<QAction*>(command)->trigger();
    QDialog* dialog = nullptr;
    QTRY_VERIFY((dialog = book.findChild<QDialog*>(window)) && dialog->isVisible());
    QVERIFY(messages.shown.isEmpty());
    dialog->reject();
}

void TestBookCommands::propertiesRenameTheNovel() {
    TestLibrary lib;
    const QString id = lib.addNovel("山河");
    QVERIFY(NovelStore(lib.db()).setListUrl(id, "D:\\old\\list.htm"));
    MessageRecorder messages;
    FrmBook book(lib.context());
    QVERIFY(book.selectNode(TreeKeys::novel(id)));
    child<QAction>(book, "mnuEdit")->trigger();
    QDialog* dialog = nullptr;
    QTRY_VERIFY((dialog = book.findChild<QDialog*>("frmAddNovel")) && dialog->isVisible());
    auto* name = dialog->findChild<QLineEdit*>("txtNovelName");
    QCOMPARE(name->text(), QString("山河"));
    name->setText("山河续");
    click(*dialog, "cmdOK");
    QTRY_VERIFY(!book.findChild<QDialog*>("frmAddNovel"));
    QCOMPARE(NovelStore(lib.db()).novelName(id), QString("山河续"));
    QCOMPARE(book.currentNovelId(), id);
    QVERIFY(messages.shown.isEmpty());
}

QUIVERAL_UI_TEST_MAIN(TestBookCommands)
#include "tst_bookcommands.moc"
