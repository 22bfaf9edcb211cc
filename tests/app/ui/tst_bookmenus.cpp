// The main window's menus and tool bars: the reading tool bar built from tbrWebKey, tool tips, shortcuts
// shown in the menus, novel lists, the last search, the help and where exports went.
#include "app/ui/frmbook.h"
#include "library/treekeys.h"
#include "library/ui/readingview.h"
#include "localsite/localsite.h"
#include "sites/sitelist.h"
#include "storage/novelstore.h"
#include "support/process.h"
#include "support/rows.h"
#include "support/testlibrary.h"
#include "support/testsite.h"
#include "support/uitest.h"
#include "widgets/openwithshell.h"

#include <QAction>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QShortcut>
#include <QTemporaryDir>
#include <QToolBar>
#include <QTreeWidget>
#include <QUrl>

namespace {

QString helpFolder() {
    return QStringLiteral(QUIVERAL_SOURCE_DATA_DIR "/help");
}

// Every action the menu bar reaches, through its submenus.
QList<QAction*> menuActions(const QList<QAction*>& actions) {
    QList<QAction*> all;
    for (QAction* action : actions) {
        all << action;
        if (QMenu* menu = action->menu<QMenu*>())
            all << menuActions(menu->actions());
    }
    return all;
}

QStringList buttonKeys(QToolBar* bar, bool enabled) {
    QStringList keys;
    for (QAction* a : bar->actions())
        if (!a->isSeparator() && a->isEnabled() == enabled)
            keys << a->objectName().mid(QStringLiteral("tbrWeb_").size());
    return keys;
}

const char* const kEveryWebKey =
    "Back,Forward,Refresh,Stop,Goto,AllScreen,Up,Down,Edit,Find,Delete,AddContent,NewContent,InsertContent,"
    "BatchContent,GetLocalFile,ContentProp,ContentReNew,ReNewContent,ReNewVolume,ReNewLackPic,ReNewOtherInfo,"
    "ReNewEmpty,ReNewPic,Equal,Bookmarks,Bookmark,BookmarkAdd,BookmarkEnter,ListHtm,ListPage,VolumeSet,"
    "VolumeGen,AllText,ContentSet,IEOpen,Sound,LastSearch,TotalView";

} // namespace

class TestBookMenus : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readingToolbarKeys_data();
    void readingToolbarKeys();
    void toolTipsWithoutMnemonics();
    void everyShortcutHasItsMenu();
    void novelListOutAndIn();
    void lastSearchOffersResultsAgain();
    void helpShownFromLibraryCopy();
    void helpPagesLinkEachOther_data();
    void helpPagesLinkEachOther();
    void helpNamesRealCommands();
    void writtenFileSaysWhereItWent();
};

void TestBookMenus::readingToolbarKeys_data() {
    columns<QString, bool, int, QStringList, int>("keys", "editor", "buttons", "greyed", "separators");
    // Keys whose command the program does not have yet stay on the bar, greyed.
    addRow("every key", QString(kEveryWebKey), false, 39, QStringList{}, 0);
    addRow("external editor", "Edit,Sound", true, 2, QStringList{}, 0);
    addRow("own editor", "Edit,Sound", false, 2, QStringList{}, 0);
    addRow("separators, a foreign key", "Back,NN1,Forward,NN2,Prior", false, 2, QStringList{}, 2);
}

void TestBookMenus::readingToolbarKeys() {
    const auto [keys, editor, buttons, greyed, separators] =
        fetch<QString, bool, int, QStringList, int>("keys", "editor", "buttons", "greyed", "separators");
    TestLibrary lib;
    const QString id = lib.addNovel("书");
    lib.addChapter(id, "一");
    lib.context().settings().setValue("tbrWebKey", keys);
    lib.context().settings().setValue("bIsOtherEditor", editor ? "1" : "0");
    FrmBook window(lib.context());
    QVERIFY(window.selectNode(TreeKeys::novel(id)));
    // A chapter shown and chosen: every command of the bar that exists can run.
    window.list()->setCurrentItem(window.list()->topLevelItem(0));
    window.viewNovelContent();
    auto* bar = child<QToolBar>(window, "tbrWeb");
    QCOMPARE(buttonKeys(bar, false).size() + buttonKeys(bar, true).size(), buttons);
    const QList<QAction*> actions = bar->actions();
    QCOMPARE(std::count_if(actions.begin(), actions.end(), [](QAction* a) { return a->isSeparator(); }),
             separators);
    QStringList stillGreyed = buttonKeys(bar, false);
    stillGreyed.removeIf([](const QString& k) { return k == "LastSearch"; }); // nothing searched yet
    QCOMPARE(stillGreyed, greyed);
    for (QAction* button : actions)
        if (!button->isSeparator())
            QVERIFY2(!button->text().isEmpty(), qPrintable(button->objectName()));
}

void TestBookMenus::toolTipsWithoutMnemonics() {
    TestLibrary lib;
    lib.context().settings().setValue("tbrWebKey", kEveryWebKey);
    FrmBook window(lib.context());
    static const QRegularExpression mnemonic("&|\\([A-Z]\\)");
    for (const char* bar : {"Toolbar1", "tbrWeb"})
        for (QAction* a : child<QToolBar>(window, bar)->actions())
            if (!a->isSeparator())
                QVERIFY2(!a->toolTip().contains(mnemonic), qPrintable(a->toolTip()));
}

// A key that works anywhere in the window is named in a menu, where the user can find it.
void TestBookMenus::everyShortcutHasItsMenu() {
    TestLibrary lib;
    FrmBook window(lib.context());
    QList<QKeySequence> shown;
    for (QAction* a : menuActions(window.menuBar()->actions()))
        shown << a->shortcuts();
    QList<QKeySequence> working;
    for (QAction* a : window.findChildren<QAction*>())
        working << a->shortcuts();
    for (QShortcut* s : window.findChildren<QShortcut*>())
        working << s->keys();
    for (const QKeySequence& keys : working)
        QVERIFY2(shown.contains(keys), qPrintable(keys.toString()));
    for (const QKeySequence& keys :
         {QKeySequence(Qt::CTRL | Qt::Key_Left), QKeySequence(Qt::CTRL | Qt::Key_Right),
          QKeySequence(Qt::Key_F5), QKeySequence(Qt::Key_F11), QKeySequence(Qt::Key_F1)})
        QVERIFY2(shown.contains(keys), qPrintable(keys.toString()));
}

void TestBookMenus::novelListOutAndIn() {
    QTemporaryDir dir;
    const QString file = dir.filePath("小说.lst");
    QStringList proposed;
    Messages::setPickHandler([&](Messages::Pick, const QString&, const QString& filterOrName) {
        proposed << filterOrName;
        return file;
    });
    {
        TestLibrary empty;
        FrmBook window(empty.context());
        MessageRecorder messages;
        trigger(window, "mnuOut");
        QCOMPARE(messages.shown, QStringList{"小说列表没有内容"});
        QVERIFY(proposed.isEmpty()); // nothing to choose a file for
    }
    TestLibrary from;
    from.addNovel("山河");
    from.addNovel("O'Brien的书");
    {
        FrmBook window(from.context());
        MessageRecorder messages;
        trigger(window, "mnuOut");
        QCOMPARE(messages.shown, QStringList{QString("小说列表已导出到文件\"%1\"中").arg(file)});
        QCOMPARE(messages.kinds.value(0), Messages::Kind::Information);
        QVERIFY(proposed.value(0).endsWith(QDate::currentDate().toString("'小说列表文件-'yyyyMMdd'.lst'")));
    }
    TestLibrary to;
    to.addNovel("山河");
    FrmBook window(to.context());
    MessageRecorder messages;
    trigger(window, "mnuGet");
    Messages::setPickHandler({});
    QCOMPARE(messages.shown, QStringList{"小说列表已导入"});
    // The novel already there is skipped; the other appears in the tree at once.
    QCOMPARE(NovelStore(to.db()).count(), 2);
    QVERIFY(window.findNode(TreeKeys::novel("000002")));
    QCOMPARE(window.findNode(TreeKeys::novel("000002"))->text(0), QString("O'Brien的书"));
}

void TestBookMenus::lastSearchOffersResultsAgain() {
    TestSite site("soushu");
    QVERIFY(site.start());
    // Only the site written here is searched.
    QTemporaryDir data;
    QVERIFY(QDir().mkpath(data.filePath("model")));
    const QByteArray shipped = qgetenv("QUIVERAL_DATA_DIR");
    qputenv("QUIVERAL_DATA_DIR", data.path().toLocal8Bit());
    const auto restore = qScopeGuard([&] {
        if (shipped.isEmpty())
            qunsetenv("QUIVERAL_DATA_DIR");
        else
            qputenv("QUIVERAL_DATA_DIR", shipped);
    });
    TestLibrary lib;
    QVERIFY(saveUserSites(lib.path() + "/book.dat",
                          {soushuSearchSite(site, "/modules/article/search.php?searchkey=[[Name]]")}));
    lib.context().settings().setValue("bIsSearchSelSite", "1");
    lib.context().settings().setValue("DownSiteStr", "1,");
    MessageRecorder messages;
    FrmBook window(lib.context());
    QVERIFY(!child<QAction>(window, "mnuLastSearch")->isEnabled());

    trigger(window, "mnuNew");
    QDialog* dialog = nullptr;
    QTRY_VERIFY((dialog = window.findChild<QDialog*>("frmAddNovel")) && dialog->isVisible());
    child<QLineEdit>(*dialog, "txtNovelName")->setText("演示");
    bool offered = false;
    whenDialogOpens("frmUrlSelect", [&](QDialog* select) {
        offered = true;
        select->reject();
    });
    child<QAction>(*dialog, "MoreSite")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(offered, 20000);
    dialog->reject();
    QTRY_VERIFY(!window.findChild<QDialog*>("frmAddNovel"));

    // The window keeps them: choosing one opens a new novel with its address and name.
    whenDialogOpens("frmUrlSelect", [](QDialog* select) {
        auto* list = child<QTreeWidget>(*select, "lstUrl");
        QCOMPARE(list->topLevelItemCount(), 3);
        list->setCurrentItem(list->topLevelItem(1));
        click(*select, "cmdOK");
    });
    trigger(window, "mnuLastSearch");
    QTRY_VERIFY((dialog = window.findChild<QDialog*>("frmAddNovel")) && dialog->isVisible());
    QCOMPARE(child<QLineEdit>(*dialog, "txtListUrl")->text(), QString("http://other.test/book/202.html"));
    QCOMPARE(child<QLineEdit>(*dialog, "txtNovelName")->text(), QString("演示外传"));
    QCOMPARE(site.site()->requestCount("/modules/article/search.php"), 1);
    QVERIFY2(messages.shown.isEmpty(), qPrintable(messages.shown.join('\n')));
    dialog->reject();
}

void TestBookMenus::helpShownFromLibraryCopy() {
    TestLibrary lib;
    // A copy an older program left is brought up to date.
    QVERIFY(writeFile(lib.path() + "/help/index.htm", "<title>旧帮助</title>"));
    QVERIFY(writeFile(lib.path() + "/help/common/内容编辑.htm", "<title>旧帮助</title>"));
    FrmBook window(lib.context());
    window.show();
    trigger(window, "mnuHelp");
    QVERIFY(shows(window.web(), "/help/index.htm"));
    QCOMPARE(js(window.web(), "document.title").toString(), QString("Quiveral 帮助"));
    QVERIFY(window.web()->url().toLocalFile().startsWith(lib.path()));
    QCOMPARE(fileBytes(lib.path() + "/help/index.htm"), fileBytes(helpFolder() + "/index.htm"));
    QCOMPARE(fileBytes(lib.path() + "/help/common/内容编辑.htm"), fileBytes(helpFolder() + "/common/内容编辑.htm"));
    // Its links lead on inside the reading view.
    js(window.web(), "location.href = 'cli.htm'");
    QVERIFY(shows(window.web(), "/help/cli.htm"));
}

void TestBookMenus::helpPagesLinkEachOther_data() {
    QTest::addColumn<QString>("page");
    for (const QString& name : QDir(helpFolder()).entryList({"*.htm"}))
        QTest::newRow(qPrintable(name)) << name;
}

// Every page has a title and is reached from the contents page; its links lead to pages that exist.
void TestBookMenus::helpPagesLinkEachOther() {
    QFETCH(QString, page);
    const QString text = QString::fromUtf8(fileBytes(helpFolder() + u'/' + page));
    QVERIFY(text.contains(QRegularExpression("<title>[^<]+</title>")));
    QVERIFY(text.contains("charset=\"utf-8\""));
    const QString contents = QString::fromUtf8(fileBytes(helpFolder() + "/index.htm"));
    if (page != "index.htm")
        QVERIFY2(contents.contains("href=\"" + page + "\""), qPrintable(page));
    static const QRegularExpression link("href=\"([^\"#]+)");
    for (auto m = link.globalMatch(text); m.hasNext();) {
        const QString target = m.next().captured(1);
        QVERIFY2(QFileInfo::exists(helpFolder() + u'/' + target), qPrintable(target));
    }
}

// The help's command-line page names only commands the program has.
void TestBookMenus::helpNamesRealCommands() {
    const ProcessResult usage = runCli({"--help"});
    QCOMPARE(usage.exitCode, 0);
    const QString page = QString::fromUtf8(fileBytes(helpFolder() + "/cli.htm"));
    static const QRegularExpression named("quiveral-cli ([a-z-]+)");
    QStringList commands;
    for (auto m = named.globalMatch(page); m.hasNext();)
        commands << m.next().captured(1);
    QVERIFY(commands.size() >= 8);
    for (const QString& command : commands)
        QVERIFY2(command == "--help" || usage.out.contains(QRegularExpression(
                                            "\\n  " + QRegularExpression::escape(command) + " ")),
                 qPrintable(command));
}

void TestBookMenus::writtenFileSaysWhereItWent() {
    TestLibrary lib;
    const QString id = lib.addNovel("山河");
    lib.addChapter(id, "一");
    QList<QUrl> opened;
    setShellOpener([&](const QUrl& url) {
        opened << url;
        return QFileInfo(url.toLocalFile()).isDir(); // no program for text files on this desktop
    });
    const auto restore = qScopeGuard([] { setShellOpener({}); });
    MessageRecorder messages;
    FrmBook window(lib.context());
    QVERIFY(window.selectNode(TreeKeys::novel(id)));
    trigger(window, "mnuBookTxt");
    const QString file = lib.context().folder().chmDir() + "/山河.txt";
    QTRY_COMPARE_WITH_TIMEOUT(child<QLabel>(window, "lblStatus")->text(),
                              "小说已制作到" + QDir::toNativeSeparators(file), 20000);
    QTRY_COMPARE(opened.size(), 2);
    QCOMPARE(messages.shown, QStringList{"没有相应的文件连接，文件在“" + QDir::toNativeSeparators(file) +
                                         "”。是否打开所在的文件夹？"});
    QCOMPARE(opened,
             (QList<QUrl>{QUrl::fromLocalFile(file), QUrl::fromLocalFile(QFileInfo(file).absolutePath())}));
}

QUIVERAL_UI_TEST_MAIN(TestBookMenus)
#include "tst_bookmenus.moc"
