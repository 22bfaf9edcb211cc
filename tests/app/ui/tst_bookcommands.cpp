// The main window's commands that open the windows of adding novels, signs and sites.
#include "addnovel/ui/frmaddbatchcontent.h"
#include "addnovel/ui/frmaddnovel.h"
#include "addnovel/ui/frmgetdownnovel.h"
#include "sites/ui/frmsite.h"
#include "sites/ui/frmsitesign.h"
#include "library/ui/frmurlreplace.h"
#include "library/treekeys.h"
#include "app/ui/frmbook.h"
#include "support/uitest.h"
#include "storage/novelstore.h"
#include "support/testlibrary.h"

#include <QAction>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

class TestBookCommands : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void commandsNeedANovel_data();
    void commandsNeedANovel();
    void commandsOpenTheirWindows_data();
    void commandsOpenTheirWindows();
    void propertiesRenameTheNovel();
};

void TestBookCommands::commandsNeedANovel_data() {
    QTest::addColumn<QString>("command");
    for (const char* c : {"mnuEdit", "mnuBatchContent", "mnuBatchSiteSign", "mnuChangeListUrl"})
        QTest::newRow(c) << QString(c);
}

void TestBookCommands::commandsNeedANovel() {
    QFETCH(QString, command);
    TestLibrary lib;
    lib.addNovel("山河");
    MessageRecorder messages;
    FrmBook window(lib.context());
    window.findChild<QAction*>(command)->trigger();
    QCOMPARE(messages.shown, QStringList{"请选择具体的小说"});
    QVERIFY(!window.findChild<QDialog*>());
}

void TestBookCommands::commandsOpenTheirWindows_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("window");
    QTest::newRow("new") << "mnuNew"
                         << "frmAddNovel";
    QTest::newRow("properties") << "mnuEdit"
                                << "frmAddNovel";
    QTest::newRow("sites") << "mnuSite"
                           << "frmSite";
    QTest::newRow("signs") << "mnuSiteSignSet"
                           << "frmSiteSign";
    QTest::newRow("batch chapters") << "mnuBatchContent"
                                    << "frmAddBatchContent";
    QTest::newRow("old downloads") << "mnuGetDownNovel"
                                   << "frmGetDownNovel";
    QTest::newRow("list addresses") << "mnuChangeListUrl"
                                    << "frmUrlReplace";
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
    book.findChild<QAction*>("mnuEdit")->trigger();
    QDialog* dialog = nullptr;
    QTRY_VERIFY((dialog = book.findChild<QDialog*>("frmAddNovel")) && dialog->isVisible());
    auto* name = dialog->findChild<QLineEdit*>("txtNovelName");
    QCOMPARE(name->text(), QString("山河"));
    name->setText("山河续");
    clickButton(dialog, "cmdOK");
    QTRY_VERIFY(!book.findChild<QDialog*>("frmAddNovel"));
    QCOMPARE(NovelStore(lib.db()).novelName(id), QString("山河续"));
    QCOMPARE(book.currentNovelId(), id);
    QVERIFY(messages.shown.isEmpty());
}

QUIVERAL_UI_TEST_MAIN(TestBookCommands)
#include "tst_bookcommands.moc"
