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
#include "storage/categorystore.h"
#include "storage/novelstore.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "support/uitest.h"

#include <QAction>
#include <QDir>
#include <QTemporaryDir>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

class TestBookCommands : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void commandsFollowTheSelection_data();
    void commandsFollowTheSelection();
    void commandsOpenTheirWindows_data();
    void commandsOpenTheirWindows();
    void propertiesRenameTheNovel();
    void importsFromTheMenus();
};

void TestBookCommands::commandsFollowTheSelection_data() {
    // chooseFirst: the first row of the list chosen too
    columns<QString, bool, bool, QStringList>("node", "chooseFirst", "busy", "enabled");
    const QStringList always{"mnuOut", "mnuGet"};
    const QStringList novel =
        always + QStringList{"mnuEdit",          "mnuReNew",         "mnuDelete", "mnuBatchContent",
                             "mnuBatchSiteSign", "mnuChangeListUrl", "mnuBook",   "mnuSelectAll"};
    addRow("library", "BookList", false, false, always);
    addRow("novels chosen", "BookList", true, false,
           always + QStringList{"mnuDelete", "mnuBatchDelete", "mnuBatchSiteSign", "mnuChangeListUrl",
                                "mnuBatchBookReNew", "extBooks"});
    addRow("category", "组别01", false, false, always + QStringList{"mnuReNewLB", "mnuLBUp", "mnuDelete"});
    addRow("novel", "栏目000001", false, false, novel);
    addRow("chapter chosen", "栏目000001", true, false, novel + QStringList{"extContentReNew", "extLogRead"});
    addRow("download day", "日期1", false, false, always + QStringList{"mnuSelectAll"});
    addRow("novel while downloading", "栏目000001", false, true,
           always + QStringList{"mnuEdit", "mnuBatchContent", "mnuBatchSiteSign", "mnuChangeListUrl",
                                "mnuSelectAll"});
}

// Commands that need something chosen are greyed until it is, instead of asking for it after the click.
void TestBookCommands::commandsFollowTheSelection() {
    auto [node, chooseFirst, busy, enabled] =
        fetch<QString, bool, bool, QStringList>("node", "chooseFirst", "busy", "enabled");
    TestLibrary lib;
    CategoryStore(lib.db()).add("玄幻");
    lib.addChapter(lib.addNovel("山河", "01"), "一");
    FrmBook window(lib.context());
    QVERIFY(window.selectNode(node));
    if (chooseFirst)
        window.list()->topLevelItem(0)->setSelected(true);
    window.setBusy(busy);
    QStringList found;
    for (const char* name :
         {"mnuEdit", "mnuReNew", "mnuReNewLB", "mnuLBUp", "mnuDelete", "mnuBatchDelete", "mnuBatchContent",
          "mnuBatchSiteSign", "mnuChangeListUrl", "mnuBatchBookReNew", "mnuBook", "extContentReNew",
          "extLogRead", "mnuSelectAll", "mnuLastSearch", "mnuOut", "mnuGet", "extBooks"})
        if (child<QAction>(window, name)->isEnabled())
            found << name;
    found.sort();
    enabled.sort();
    QCOMPARE(found.join(u','), enabled.join(u','));
}

void TestBookCommands::commandsOpenTheirWindows_data() {
    columns<QString, QString>("command", "window");
    addRow("new", "mnuNew", "frmAddNovel");
    addRow("sites", "mnuSite", "frmSite");
    addRow("signs", "mnuSiteSignSet", "frmSiteSign");
    addRow("batch chapters", "mnuBatchContent", "frmAddBatchContent");
    addRow("old downloads", "mnuGetDownNovel", "frmGetDownNovel");
    addRow("list addresses", "mnuChangeListUrl", "frmUrlReplace");
    addRow("unpack", "mnuChm2Htm", "frmChm2Htm");
}

void TestBookCommands::commandsOpenTheirWindows() {
    const auto [command, window] = fetch<QString, QString>("command", "window");
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

// A folder becomes a novel in the selected novel's category, shown and selected; chosen files then
// become its last chapters, and its node counts them.
void TestBookCommands::importsFromTheMenus() {
    TestLibrary lib;
    const QString id = lib.addNovel("山河", "01");
    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(dir.filePath("新书")));
    for (const QString& name : {QStringLiteral("一.txt"), QStringLiteral("二.txt"), QStringLiteral("三.txt")}) {
        QFile file(dir.filePath("新书/" + name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(name.toUtf8());
    }
    QStringList picks{dir.filePath("新书"), dir.filePath("新书/三.txt")};
    Messages::setPickHandler([&](Messages::Pick, const QString&, const QString&) { return picks.takeFirst(); });
    MessageRecorder messages;
    FrmBook book(lib.context());
    QVERIFY(book.selectNode(TreeKeys::novel(id)));
    child<QAction>(book, "mnuGetFolder")->trigger();
    QTRY_VERIFY(book.currentNovelId() != id && !book.currentNovelId().isEmpty());
    const QString imported = book.currentNovelId();
    const std::optional<NovelRecord> novel = NovelStore(lib.db()).loadNovel(imported);
    QCOMPARE(novel->novelName, QString("新书"));
    QCOMPARE(novel->lb, QString("01"));
    QCOMPARE(book.list()->topLevelItemCount(), 3);
    child<QAction>(book, "mnuGetLocalFile")->trigger();
    QTRY_COMPARE(book.list()->topLevelItemCount(), 4);
    QCOMPARE(book.list()->topLevelItem(3)->text(1), QString("三"));
    Messages::setPickHandler({});
    QVERIFY2(messages.shown.isEmpty(), qPrintable(messages.shown.join(u'|')));
}

QUIVERAL_UI_TEST_MAIN(TestBookCommands)
#include "tst_bookcommands.moc"
