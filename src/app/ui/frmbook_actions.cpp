// The main window's menus, context menus and tool bars.
#include "app/ui/frmbook.h"
#include "companion/readingtoolbarkeys.h"
#include "companion/ui/readaloudview.h"
#include "companion/ui/musicplayer.h"
#include "widgets/icons.h"

#include "library/ui/librarytreewidget.h"
#include "library/ui/readingview.h"
#include "storage/librarycontext.h"

#include <QAction>
#include <QActionGroup>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>

namespace {

// A caption as a tool tip shows it: without its keyboard mnemonic ("阅读设置(&R)" → "阅读设置").
QString withoutMnemonic(QString text) {
    static const QRegularExpression mnemonic(QStringLiteral("\\(&[^)]\\)"));
    return text.remove(mnemonic).remove(u'&');
}

} // namespace

QAction* FrmBook::addCommand(const QString& name, const QString& text, void (FrmBook::*slot)()) {
    auto* action = new QAction(text, this);
    action->setObjectName(name);
    action->setToolTip(withoutMnemonic(text));
    if (slot)
        connect(action, &QAction::triggered, this, slot);
    m_commands.insert(name, action);
    return action;
}

QAction* FrmBook::addToggle(const QString& name, const QString& text, const QString& key) {
    QAction* action = addCommand(name, text, nullptr);
    action->setCheckable(true);
    connect(action, &QAction::triggered, this, [this, key](bool on) {
        toggleView(key, on);
        m_library.settings().writeIniValue(Settings::kMain, key,
                                           on ? QStringLiteral("1") : QStringLiteral("0"));
    });
    return action;
}

QAction* FrmBook::command(const QString& name) const {
    return m_commands.value(name);
}

void FrmBook::createActions() {
    // Library
    addCommand(QStringLiteral("mnuBookFind"), tr("查找小说"), &FrmBook::mnuBookFind);
    addCommand(QStringLiteral("mnuTotalView"), tr("小说总览"), &FrmBook::mnuTotalView);
    addCommand(QStringLiteral("mnuNovelFolder"), tr("打开小说存放文件夹"), &FrmBook::mnuNovelFolder);
    addCommand(QStringLiteral("mnuBookUp"), tr("小说向上移动"), &FrmBook::mnuBookUp);
    addCommand(QStringLiteral("mnuBookDown"), tr("小说向下移动"), &FrmBook::mnuBookDown);
    addCommand(QStringLiteral("mnuBookOrderByTitle"), tr("按小说名称"), &FrmBook::mnuBookOrderByTitle);
    addCommand(QStringLiteral("mnuBookOrderByDate"), tr("按加入时间"), &FrmBook::mnuBookOrderByDate);
    addCommand(QStringLiteral("mnuLBUp"), tr("分类向上移动"), &FrmBook::mnuLBUp);
    addCommand(QStringLiteral("mnuLBDown"), tr("分类向下移动"), &FrmBook::mnuLBDown);
    addCommand(QStringLiteral("mnuLBAdd"), tr("新增分类"), &FrmBook::mnuLBAdd);
    addCommand(QStringLiteral("mnuLBEdit"), tr("编辑分类"), &FrmBook::mnuLBEdit);
    addCommand(QStringLiteral("mnuLBMoveTo"), tr("分类移至"), &FrmBook::mnuLBMoveTo);
    addCommand(QStringLiteral("mnuMoveNovel"), tr("小说移动"), &FrmBook::mnuMoveNovel);
    addCommand(QStringLiteral("mnuMoveToType"), tr("小说移至"), &FrmBook::mnuMoveToType);
    addCommand(QStringLiteral("mnuDelete"), tr("删除(&D)"), &FrmBook::mnuDelete)
        ->setShortcut(QKeySequence::Delete);
    addCommand(QStringLiteral("mnuExit"), tr("退出(&X)"), &FrmBook::mnuExit);
    addCommand(QStringLiteral("mnuBatchDelete"), tr("批量删除"), &FrmBook::mnuBatchDelete);
    addCommand(QStringLiteral("mnuBatchNotReNew"), tr("设为不再更新"), &FrmBook::mnuBatchNotReNew);
    addCommand(QStringLiteral("mnuBatchReNew"), tr("设为继续更新"), &FrmBook::mnuBatchReNew);
    addCommand(QStringLiteral("mnuOut"), tr("导出小说列表(&O)"), &FrmBook::mnuOut);
    addCommand(QStringLiteral("mnuGet"), tr("导入小说列表(&G)"), &FrmBook::mnuGet);
    addCommand(QStringLiteral("mnuBackUp"), tr("备份/还原"), &FrmBook::mnuBackUp);

    createDownloadActions();
    createAddNovelActions();
    createChapterActions();
    createConversionActions();
    createImportActions();
    createFindActions();
    // Reading aloud the reading view in use; mnuStop ends it as well.
    auto* reader = new ReadAloudView(addCommand(QStringLiteral("mnuSound"), tr("朗读"), nullptr),
                                     [this]() -> QWebEngineView* { return activeView(); },
                                     m_library.settings(), this);
    connect(command(QStringLiteral("mnuStop")), &QAction::triggered, reader, &ReadAloudView::stop);

    // E-books and pages
    addCommand(QStringLiteral("mnuBook"), tr("制作成电子书(chm格式)"), &FrmBook::mnuBook);
    addCommand(QStringLiteral("mnuEpub"), tr("制作成电子书(epub格式)"), &FrmBook::mnuEpub);
    addCommand(QStringLiteral("mnuBookTxt"), tr("制作成电子书(txt格式)"), &FrmBook::mnuBookTxt);
    addCommand(QStringLiteral("mnuBookDoc"), tr("制作成Word文档(doc格式)"), &FrmBook::mnuBookDoc);
    addCommand(QStringLiteral("mnuBookText2"), tr("转换各章节为单独的txt文件"), &FrmBook::mnuBookText2);
    addCommand(QStringLiteral("mnuVolText2"), tr("转换各分卷为单独的txt文件"), &FrmBook::mnuVolText2);
    addCommand(QStringLiteral("mnuChmCover"), tr("自定义电子书封面"), &FrmBook::mnuChmCover);
    addCommand(QStringLiteral("mnuChmSet"), tr("电子书面板设置"), &FrmBook::mnuChmSet);
    addCommand(QStringLiteral("mnuVolumeText"), tr("生成分卷阅读页"), &FrmBook::mnuVolumeText);
    addCommand(QStringLiteral("mnuListAgain"), tr("重新生成目录页"), &FrmBook::mnuListAgain);
    addCommand(QStringLiteral("mnuAllText"), tr("全文阅读"), &FrmBook::mnuAllText);
    addCommand(QStringLiteral("extListFileGen"), tr("重新生成目录页"), &FrmBook::extListFileGen);
    addCommand(QStringLiteral("extVolumeFileGen"), tr("生成分卷阅读页"), &FrmBook::extVolumeFileGen);
    addCommand(QStringLiteral("extBooks"), tr("制作电子书合集"), &FrmBook::extBooks);
    addCommand(QStringLiteral("mnuStopVolume"), tr("停止分卷页的生成"), nullptr)->setVisible(false);
    addCommand(QStringLiteral("mnuModel"), tr("自定义显示样式模板"), &FrmBook::mnuModel);

    // View
    addToggle(QStringLiteral("mnuToolbar"), tr("工具条(&T)"), QStringLiteral("bIsVisibleToolBar"));
    addToggle(QStringLiteral("mnuStatusBar"), tr("状态栏(&S)"), QStringLiteral("bIsVisibleStatusBar"));
    addToggle(QStringLiteral("mnuNav"), tr("导航栏(&N)"), QStringLiteral("bIsVisibleNav"));
    addToggle(QStringLiteral("mnuCellLine"), tr("网格线(&C)"), QStringLiteral("bIsVisibleCellLine"));
    auto* skins = new QActionGroup(this);
    for (int skin : {1, 2}) {
        QAction* a = addCommand(QStringLiteral("mnuSkin%1").arg(skin),
                                skin == 1 ? tr("现代风格") : tr("简约风格"), nullptr);
        a->setCheckable(true);
        skins->addAction(a);
        connect(a, &QAction::triggered, this, [this, skin] { setSkin(skin); });
    }
    addCommand(QStringLiteral("mnuTitleWidth"), tr("保存标题栏宽度设置"), &FrmBook::mnuTitleWidth);
    addCommand(QStringLiteral("mnuToolbarDefine"), tr("自定义工具栏"), &FrmBook::mnuToolbarDefine);

    // Chapters
    addCommand(QStringLiteral("extLogRead"), tr("标记为已读(&R)"), &FrmBook::extLogRead);
    addCommand(QStringLiteral("extLogNotRead"), tr("标记为未读(&U)"), &FrmBook::extLogNotRead);
    addCommand(QStringLiteral("extLogAllRead"), tr("全部标记为已读(&T)"), &FrmBook::extLogAllRead);
    addCommand(QStringLiteral("extLogAllNotRead"), tr("全部标记为未读(&F)"), &FrmBook::extLogAllNotRead);
    addCommand(QStringLiteral("mnuSelectAll"), tr("选择全部"), &FrmBook::mnuSelectAll);
    addCommand(QStringLiteral("mnuSelectNotReaded"), tr("选择所有未读章节"), &FrmBook::mnuSelectNotReaded);
    addCommand(QStringLiteral("mnuSelectReaded"), tr("选择所有已读章节"), &FrmBook::mnuSelectReaded);
    addCommand(QStringLiteral("mnuSelectOther"), tr("反选"), &FrmBook::mnuSelectOther);
    addCommand(QStringLiteral("mnuSelSingleLine"), tr("隔行选择"), &FrmBook::mnuSelSingleLine);
    addCommand(QStringLiteral("mnuSelectNotRead"), tr("跳至未读章节"), &FrmBook::mnuSelectNotRead);
    addCommand(QStringLiteral("mnuSelectFirst"), tr("跳至第一章"), &FrmBook::mnuSelectFirst)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Home));
    addCommand(QStringLiteral("mnuSelectLast"), tr("跳至最后一章"), &FrmBook::mnuSelectLast)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_End));
    addCommand(QStringLiteral("mnuOrderByTitle"), tr("按章节标题"), &FrmBook::mnuOrderByTitle);
    addCommand(QStringLiteral("mnuOrderByTime"), tr("按下载时间"), &FrmBook::mnuOrderByTime);
    addCommand(QStringLiteral("mnuOrderByUrl"), tr("按下载地址"), &FrmBook::mnuOrderByUrl);
    addCommand(QStringLiteral("extIEOpen"), tr("在外部浏览器中打开(&O)"), &FrmBook::extIEOpen);

    // Reading
    addCommand(QStringLiteral("mnuBookmark"), tr("添加书签"), &FrmBook::mnuBookmark);
    addCommand(QStringLiteral("mnuBookmarkEnter"), tr("跳至本书书签"), &FrmBook::mnuBookmarkEnter);
    addCommand(QStringLiteral("mnuBookmarkList"), tr("书签列表"), &FrmBook::mnuBookmarkList);
    addCommand(QStringLiteral("mnuBookmarkManage"), tr("书签整理"), &FrmBook::mnuBookmarkManage);
    QAction* full = addCommand(QStringLiteral("mnuAllScreen"), tr("全屏/还原"), &FrmBook::mnuAllScreen);
    full->setCheckable(true);
    full->setShortcut(QKeySequence(Qt::Key_F11));
    addCommand(QStringLiteral("mnuDownToday"), tr("今日下载"), &FrmBook::mnuDownToday);
    addCommand(QStringLiteral("mnuDownYesterday"), tr("昨日下载"), &FrmBook::mnuDownYesterday);
    addCommand(QStringLiteral("mnuDownBefDay"), tr("前日下载"), &FrmBook::mnuDownBefDay);
    addCommand(QStringLiteral("mnuDown100"), tr("最近100章"), &FrmBook::mnuDown100);
    addCommand(QStringLiteral("mnuDown200"), tr("最近200章"), &FrmBook::mnuDown200);
    addCommand(QStringLiteral("mnuDown500"), tr("最近500章"), &FrmBook::mnuDown500);
    addCommand(QStringLiteral("mnuDown1000"), tr("最近1000章"), &FrmBook::mnuDown1000);
    addCommand(QStringLiteral("mnuDownWait"), tr("待下载章节"), &FrmBook::mnuDownWait);
    addCommand(QStringLiteral("mnuDownError"), tr("下载失败章节"), &FrmBook::mnuDownError);

    // Settings and help
    addCommand(QStringLiteral("mnuProp"), tr("参数设置(&P)"), &FrmBook::mnuProp);
    addCommand(QStringLiteral("mnuContentSet"), tr("阅读设置(&R)"), &FrmBook::mnuContentSet);
    addCommand(QStringLiteral("mnuCheck"), tr("常见问题检测"), &FrmBook::mnuCheck);
    addCommand(QStringLiteral("mnuHelp"), tr("帮助"), &FrmBook::mnuHelp)
        ->setShortcut(QKeySequence::HelpContents);
    addCommand(QStringLiteral("mnuAbout"), tr("关于(&A)"), &FrmBook::mnuAbout);
    addCommand(QStringLiteral("mnuDayTip"), tr("每日一贴(&D)"), &FrmBook::mnuDayTip);
    addCommand(QStringLiteral("mnuMyBooks"), tr("我的书柜(&C)"), &FrmBook::mnuMyBooks);
    addCommand(QStringLiteral("mnuBatchAddBook"), tr("批量新增"), &FrmBook::mnuBatchAddBook);
    addCommand(QStringLiteral("mnuWriter"), tr("小说写作助手"), &FrmBook::mnuWriter);
    addCommand(QStringLiteral("mnuNovelArray"), tr("小说排行榜"), &FrmBook::mnuNovelArray);

    // Reading tool bar commands without a menu of their own
    auto web = [this](const QString& name, const QString& text, auto fn) {
        QAction* a = addCommand(name, text, nullptr);
        connect(a, &QAction::triggered, this, fn);
    };
    web(QStringLiteral("webBack"), tr("后退"), [this] { activeView()->back(); });
    web(QStringLiteral("webForward"), tr("前进"), [this] { activeView()->forward(); });
    web(QStringLiteral("webRefresh"), tr("刷新"), [this] { activeView()->reload(); });
    web(QStringLiteral("webStop"), tr("停止"), [this] { activeView()->stop(); });
    web(QStringLiteral("webUp"), tr("上一章"), [this] { showPreviousChapter(); });
    web(QStringLiteral("webDown"), tr("下一章"), [this] { showNextChapter(); });
    web(QStringLiteral("webEdit"), tr("编辑章节内容"), [this] { editChapter(); });
}

void FrmBook::createMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("menuBar"));

    m_mnuNovel = bar->addMenu(tr("小说(&N)"));
    m_mnuNovel->setObjectName(QStringLiteral("mnuNovel"));
    m_mnuNovel->addAction(command(QStringLiteral("mnuNew")));
    m_mnuNovel->addAction(command(QStringLiteral("mnuEdit")));
    m_mnuNovel->addAction(command(QStringLiteral("mnuBatchContent")));
    m_mnuNovel->addAction(command(QStringLiteral("mnuGetDownNovel")));
    m_mnuNovel->addAction(command(QStringLiteral("mnuOut")));
    m_mnuNovel->addAction(command(QStringLiteral("mnuGet")));
    QMenu* imports = m_mnuNovel->addMenu(tr("导入电子书与本地文件"));
    imports->setObjectName(QStringLiteral("mnuImport"));
    for (const char* name : {"mnuGetchm", "mnuGetFolder", "mnuGetLocalFile", "mnuChm2Htm"})
        imports->addAction(command(QLatin1String(name)));
    m_mnuNovel->addAction(command(QStringLiteral("mnuBackUp")));
    m_mnuNovel->addSeparator();
    for (const char* name : {"mnuReNew", "mnuAllReNew", "mnuReNewLB", "mnuStop"})
        m_mnuNovel->addAction(command(QLatin1String(name)));
    m_mnuNovel->addSeparator();
    m_mnuNovel->addAction(command(QStringLiteral("mnuWriter")));
    m_mnuNovel->addAction(command(QStringLiteral("mnuMyBooks")));
    m_mnuNovel->addAction(command(QStringLiteral("mnuBookFind")));
    m_mnuNovel->addAction(command(QStringLiteral("mnuTotalView")));
    m_mnuNovel->addAction(command(QStringLiteral("mnuNovelFolder")));
    m_mnuNovel->addSeparator();
    QMenu* books = m_mnuNovel->addMenu(tr("制作电子书"));
    books->setObjectName(QStringLiteral("mnuBookMore"));
    for (const char* name : {"mnuBook", "mnuEpub", "mnuBookTxt", "mnuBookDoc", "mnuBookText2", "mnuVolText2"})
        books->addAction(command(QLatin1String(name)));
    books->addSeparator();
    books->addAction(command(QStringLiteral("mnuChmCover")));
    books->addAction(command(QStringLiteral("mnuChmSet")));
    m_mnuNovel->addSeparator();
    m_mnuNovel->addAction(command(QStringLiteral("mnuBookUp")));
    m_mnuNovel->addAction(command(QStringLiteral("mnuBookDown")));
    m_mnuNovel->addAction(command(QStringLiteral("mnuMoveNovel")));
    m_mnuNovel->addAction(command(QStringLiteral("mnuMoveToType")));
    QMenu* order = m_mnuNovel->addMenu(tr("小说排序"));
    order->setObjectName(QStringLiteral("mnuBookOrder"));
    order->addAction(command(QStringLiteral("mnuBookOrderByTitle")));
    order->addAction(command(QStringLiteral("mnuBookOrderByDate")));
    QMenu* category = m_mnuNovel->addMenu(tr("分类"));
    category->setObjectName(QStringLiteral("mnuLB"));
    for (const char* name : {"mnuLBAdd", "mnuLBEdit", "mnuLBMoveTo"})
        category->addAction(command(QLatin1String(name)));
    category->addSeparator();
    category->addAction(command(QStringLiteral("mnuLBUp")));
    category->addAction(command(QStringLiteral("mnuLBDown")));
    m_mnuNovel->addSeparator();
    m_mnuNovel->addAction(command(QStringLiteral("mnuDelete")));
    m_mnuNovel->addSeparator();
    m_mnuNovel->addAction(command(QStringLiteral("mnuExit")));

    m_extmnuTitle = bar->addMenu(tr("章节(&T)"));
    m_extmnuTitle->setObjectName(QStringLiteral("extmnuTitle"));
    for (const char* name : {"extLogRead", "extLogNotRead", "extLogAllRead", "extLogAllNotRead"})
        m_extmnuTitle->addAction(command(QLatin1String(name)));
    m_extmnuTitle->addSeparator();
    QMenu* select = m_extmnuTitle->addMenu(tr("选择"));
    select->setObjectName(QStringLiteral("mnuSelect"));
    for (const char* name :
         {"mnuSelectAll", "mnuSelectNotReaded", "mnuSelectReaded", "mnuSelectOther", "mnuSelSingleLine"})
        select->addAction(command(QLatin1String(name)));
    for (const char* name : {"webUp", "webDown", "mnuSelectNotRead", "mnuSelectFirst", "mnuSelectLast"})
        m_extmnuTitle->addAction(command(QLatin1String(name)));
    QMenu* chapters = m_extmnuTitle->addMenu(tr("章节排序"));
    chapters->setObjectName(QStringLiteral("mnuOrder"));
    for (const char* name : {"mnuOrderByTitle", "mnuOrderByTime", "mnuOrderByUrl"})
        chapters->addAction(command(QLatin1String(name)));
    addChapterCommands(m_extmnuTitle);
    m_extmnuTitle->addAction(command(QStringLiteral("mnuFind")));
    addConversionCommands(m_extmnuTitle);
    m_extmnuTitle->addSeparator();
    m_extmnuTitle->addMenu(createRedownloadMenu(m_extmnuTitle));
    m_extmnuTitle->addAction(command(QStringLiteral("mnuEqual")));
    m_extmnuTitle->addSeparator();
    for (const char* name : {"mnuListAgain", "mnuVolumeText", "mnuAllText"})
        m_extmnuTitle->addAction(command(QLatin1String(name)));
    m_extmnuTitle->addSeparator();
    m_extmnuTitle->addAction(command(QStringLiteral("mnuBookmark")));
    m_extmnuTitle->addAction(command(QStringLiteral("extIEOpen")));

    QMenu* view = bar->addMenu(tr("查看(&V)"));
    view->setObjectName(QStringLiteral("mnuView"));
    for (const char* name : {"mnuToolbar", "mnuStatusBar", "mnuNav", "mnuCellLine"})
        view->addAction(command(QLatin1String(name)));
    QMenu* skin = view->addMenu(tr("界面风格"));
    skin->setObjectName(QStringLiteral("mnuSkin"));
    skin->addAction(command(QStringLiteral("mnuSkin1")));
    skin->addAction(command(QStringLiteral("mnuSkin2")));
    view->addAction(command(QStringLiteral("mnuToolbarDefine")));
    view->addAction(command(QStringLiteral("mnuTitleWidth")));
    view->addSeparator();
    QMenu* log = view->addMenu(tr("下载日志"));
    log->setObjectName(QStringLiteral("mnuDownLog"));
    log->addAction(command(QStringLiteral("mnuDownList")));
    log->addSeparator();
    for (const char* name : {"mnuDownToday", "mnuDownYesterday", "mnuDownBefDay"})
        log->addAction(command(QLatin1String(name)));
    log->addSeparator();
    for (const char* name : {"mnuDown100", "mnuDown200", "mnuDown500", "mnuDown1000"})
        log->addAction(command(QLatin1String(name)));
    log->addSeparator();
    log->addAction(command(QStringLiteral("mnuDownWait")));
    log->addAction(command(QStringLiteral("mnuDownError")));
    view->addAction(command(QStringLiteral("mnuLastSearch")));
    view->addAction(command(QStringLiteral("mnuNovelArray")));
    QMenu* marks = view->addMenu(tr("书签"));
    marks->setObjectName(QStringLiteral("mnuBookmarks"));
    for (const char* name : {"mnuBookmark", "mnuBookmarkEnter", "mnuBookmarkList", "mnuBookmarkManage"})
        marks->addAction(command(QLatin1String(name)));
    view->addAction(command(QStringLiteral("mnuAllScreen")));

    QMenu* tools = bar->addMenu(tr("设置(&S)"));
    tools->setObjectName(QStringLiteral("mnuSet"));
    tools->addAction(command(QStringLiteral("mnuProp")));
    tools->addAction(command(QStringLiteral("mnuContentSet")));
    tools->addAction(command(QStringLiteral("mnuSite")));
    tools->addAction(command(QStringLiteral("mnuSiteSignSet")));
    tools->addAction(command(QStringLiteral("mnuModel")));
    tools->addAction(command(QStringLiteral("mnuChmSet")));

    bar->addMenu(m_musicPlayer->menu());
    QMenu* help = bar->addMenu(tr("帮助(&H)"));
    help->setObjectName(QStringLiteral("mnuHelpMenu"));
    help->addAction(command(QStringLiteral("mnuHelp")));
    help->addAction(command(QStringLiteral("mnuCheck")));
    help->addAction(command(QStringLiteral("mnuDayTip")));
    help->addSeparator();
    help->addAction(command(QStringLiteral("mnuAbout")));

    m_extBookBatch = new QMenu(tr("批量(B)"), this);
    m_extBookBatch->setObjectName(QStringLiteral("extBookBatch"));
    for (const char* name : {"mnuBatchBookReNew", "mnuVolumeBatchReNew", "mnuOtherInfoBatchReNew"})
        m_extBookBatch->addAction(command(QLatin1String(name)));
    m_extBookBatch->addSeparator();
    m_extBookBatch->addAction(command(QStringLiteral("mnuBatchNotReNew")));
    m_extBookBatch->addAction(command(QStringLiteral("mnuBatchReNew")));
    m_extBookBatch->addSeparator();
    m_extBookBatch->addAction(command(QStringLiteral("mnuBatchSiteSign")));
    m_extBookBatch->addAction(command(QStringLiteral("mnuChangeListUrl")));
    m_extBookBatch->addAction(command(QStringLiteral("mnuBatchAddBook")));
    m_extBookBatch->addSeparator();
    for (const char* name :
         {"extListFileGen", "extVolumeFileGen", "extBooks", "extContentSetGood", "mnuStopVolume"})
        m_extBookBatch->addAction(command(QLatin1String(name)));
    m_extBookBatch->addSeparator();
    m_extBookBatch->addAction(command(QStringLiteral("mnuBatchDelete")));
}

void FrmBook::createToolbars() {
    m_toolbar1 = addToolBar(tr("工具条"));
    m_toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    m_toolbar1->setIconSize(QSize(24, 24));
    m_toolbar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolbar1->setMovable(false);

    auto button = [this](const QString& key, const QString& text, QAction* action) {
        action->setProperty("toolKey", key);
        action->setIconText(text);
        m_toolbar1->addAction(action);
        if (QWidget* w = m_toolbar1->widgetForAction(action))
            w->setObjectName(QStringLiteral("Toolbar1_") + key);
    };
    button(QStringLiteral("New"), tr("新增"), command(QStringLiteral("mnuNew")));
    button(QStringLiteral("Edit"), tr("属性"), command(QStringLiteral("mnuEdit")));
    button(QStringLiteral("AllReNew"), tr("全部更新"), command(QStringLiteral("mnuAllReNew")));
    button(QStringLiteral("Stop"), tr("停止"), command(QStringLiteral("mnuStop")));
    m_toolbar1->addSeparator();
    QAction* book = command(QStringLiteral("mnuBook"));
    button(QStringLiteral("Book"), tr("电子书"), book);
    auto* bookMenu = new QMenu(this);
    bookMenu->setObjectName(QStringLiteral("Toolbar1_BookMenu"));
    // "ChmStyle" and "TxtStyle" of the drop-down.
    bookMenu->addAction(command(QStringLiteral("mnuChmSet")));
    bookMenu->addAction(command(QStringLiteral("mnuChmCover")));
    bookMenu->addAction(command(QStringLiteral("mnuBookTxt")));
    if (auto* tool = qobject_cast<QToolButton*>(m_toolbar1->widgetForAction(book))) {
        tool->setMenu(bookMenu);
        tool->setPopupMode(QToolButton::MenuButtonPopup);
    }
    button(QStringLiteral("BookCase"), tr("书柜"), command(QStringLiteral("mnuMyBooks")));
    button(QStringLiteral("Delete"), tr("删除"), command(QStringLiteral("mnuDelete")));
    m_toolbar1->addSeparator();
    button(QStringLiteral("Find"), tr("查找"), command(QStringLiteral("mnuBookFind")));
    m_toolbar1->addSeparator();
    // "Prop" drops down the other settings.
    QAction* prop = command(QStringLiteral("mnuProp"));
    button(QStringLiteral("Prop"), tr("设置"), prop);
    auto* propMenu = new QMenu(this);
    propMenu->addAction(command(QStringLiteral("mnuContentSet")));
    propMenu->addAction(command(QStringLiteral("mnuSite")));
    propMenu->addAction(command(QStringLiteral("mnuSiteSignSet")));
    if (auto* tool = qobject_cast<QToolButton*>(m_toolbar1->widgetForAction(prop))) {
        tool->setMenu(propMenu);
        tool->setPopupMode(QToolButton::MenuButtonPopup);
    }
    button(QStringLiteral("Exit"), tr("退出"), command(QStringLiteral("mnuExit")));
    command(QStringLiteral("mnuContentSet"))->setProperty("toolKey", QStringLiteral("ContentSet"));
    command(QStringLiteral("mnuSite"))->setProperty("toolKey", QStringLiteral("Site"));
    command(QStringLiteral("mnuSiteSignSet"))->setProperty("toolKey", QStringLiteral("SiteSignSet"));
}

void FrmBook::settbrWeb() {
    m_tbrWeb->clear();
    for (const QString& key : ReadingToolbarKeys::parse(m_library.settings().value(QStringLiteral("tbrWebKey")))) {
        if (ReadingToolbarKeys::isSeparator(key)) {
            m_tbrWeb->addSeparator();
            continue;
        }
        const ReadingToolbarKeys::Button* b = ReadingToolbarKeys::find(key);
        if (!b)
            continue; // a key of another program's tool bar
        QAction* const action = command(QLatin1String(b->command));
        auto* button = new QAction(m_tbrWeb);
        button->setObjectName(QStringLiteral("tbrWeb_") + key);
        button->setProperty("toolKey", QLatin1String(b->icon));
        m_tbrWeb->addAction(button);
        if (!action) {
            // The key stays in the setting; the button waits for its command.
            button->setText(ReadingToolbarKeys::caption(*b));
            button->setEnabled(false);
            continue;
        }
        button->setText(action->toolTip());
        button->setCheckable(action->isCheckable());
        connect(button, &QAction::triggered, action, &QAction::trigger);
        const auto follow = [button, action] {
            button->setEnabled(action->isEnabled());
            button->setChecked(action->isChecked());
        };
        connect(action, &QAction::changed, button, follow);
        follow();
    }
    applySkin();
}

QIcon FrmBook::toolIcon(const QString& key) const {
    return Icons::tool(key, m_library.settings().value(QStringLiteral("Skin")) == QLatin1String("2"));
}

void FrmBook::applySkin() {
    const bool second = m_library.settings().value(QStringLiteral("Skin")) == QLatin1String("2");
    command(QStringLiteral("mnuSkin1"))->setChecked(!second);
    command(QStringLiteral("mnuSkin2"))->setChecked(second);
    for (QAction* action : m_commands)
        if (action->property("toolKey").isValid())
            action->setIcon(toolIcon(action->property("toolKey").toString()));
    if (m_tbrWeb)
        for (QAction* action : m_tbrWeb->actions())
            if (action->property("toolKey").isValid())
                action->setIcon(toolIcon(action->property("toolKey").toString()));
}

void FrmBook::setSkin(int skin) {
    m_library.settings().writeIniValue(Settings::kMain, QStringLiteral("Skin"), QString::number(skin));
    applySkin();
}

void FrmBook::toggleView(const QString& key, bool on) {
    if (key == QLatin1String("bIsVisibleToolBar")) {
        command(QStringLiteral("mnuToolbar"))->setChecked(on);
        if (m_toolbar1)
            m_toolbar1->setVisible(on && !m_readingLayout);
    } else if (key == QLatin1String("bIsVisibleStatusBar")) {
        command(QStringLiteral("mnuStatusBar"))->setChecked(on);
        statusBar()->setVisible(on && !m_readingLayout);
    } else if (key == QLatin1String("bIsVisibleNav")) {
        command(QStringLiteral("mnuNav"))->setChecked(on);
        m_picSearchBar->setVisible(on);
    } else if (key == QLatin1String("bIsVisibleCellLine")) {
        command(QStringLiteral("mnuCellLine"))->setChecked(on);
        m_listView1->setStyleSheet(
            on ? QStringLiteral("QTreeView::item { border-right: 1px solid #e1e4e8; "
                                "border-bottom: 1px solid #e1e4e8; }"
                                "QTreeView::item:selected { background: #cfe3f8; color: #000; }")
               : QString());
    }
}
