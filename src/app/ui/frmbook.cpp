#include "app/ui/frmbook.h"
#include "companion/ui/bossguard.h"
#include "companion/ui/musicplayer.h"
#include "companion/ui/trayicon.h"
#include "writer/ui/frmwriter.h"
#include "widgets/icons.h"

#include "library/displaysettings.h"
#include "library/treekeys.h"
#include "widgets/desktopprompter.h"
#include "library/ui/frmview.h"
#include "library/ui/librarytreewidget.h"
#include "library/ui/readingpage.h"
#include "library/ui/readingview.h"
#include "renewal/chapterchooser.h"
#include "renewal/ui/frmcontentsel.h"
#include "sites/ui/frmneeddelurl.h"
#include "storage/job.h"
#include "storage/librarycontext.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QSplitter>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

FrmBook::FrmBook(LibraryContext& library, QWidget* parent)
    : QMainWindow(parent)
    , m_library(library) {
    setObjectName(QStringLiteral("frmBook"));
    setWindowTitle(QStringLiteral("Quiveral"));
    QIcon icon = Icons::tree(QStringLiteral("quiveral"));
    icon.addFile(QStringLiteral(":/icons/tree/quiveral@128.png"));
    setWindowIcon(icon);
    resize(1180, 760);
    m_prompter = new DesktopPrompter(this);
    // The renewal's choice of new chapters is asked with a window of its own, which opens the novel's
    // filtered links over it.
    DesktopPrompter::setQuestionWindow(
        ChapterChooserPrompt::questionText(), [this](const Prompter::Question& question, QWidget* parent) {
            return FrmContentSel::answer(question, parent, [this](const QString& novelId, QWidget* over) {
                auto* window = new FrmNeedDelUrl(m_library, novelId, over);
                window->setAttribute(Qt::WA_DeleteOnClose);
                window->open();
            });
        });

    m_musicPlayer = new MusicPlayer(m_library, this);
    createLayout();
    createActions();
    createReadingShortcuts();
    createMenus();
    createToolbars();
    applyLayoutSettings();

    // A fresh library has no shared style sheet and script yet; chapter pages need them.
    const QString chm = m_library.folder().chmDir();
    if (!QFileInfo::exists(chm + QLatin1String("/style.css")) ||
        !QFileInfo::exists(chm + QLatin1String("/head.js")))
        DisplaySettings::applyDisplaySettings(m_library.folder(), m_library.settings());
    m_web1->navigate(QUrl(QStringLiteral("about:blank")));

    setListMode(ListMode::Chapters);
    fillTree();
    settbrWeb();
    setRunning(false);
    reopenLastChapter();
    createTrayIcon();
    m_bossGuard =
        new BossGuard([this] { return m_library.settings().value(QStringLiteral("BossKey")); }, this);
    startRenewalTimer();
}

FrmBook::~FrmBook() {
    m_closing = true;
    // The views still report while they go, when this window is no longer one.
    disconnect(m_web1, nullptr, this, nullptr);
    m_prompter->close();
    for (const QPointer<Job>& job : m_jobs)
        if (job)
            job->requestStop();
    for (const QPointer<Job>& job : m_jobs)
        if (job)
            job->wait();
}

QTreeWidget* FrmBook::tree() const {
    return m_tvwBar;
}

QTreeWidget* FrmBook::list() const {
    return m_listView1;
}

void FrmBook::createLayout() {
    m_picSplitter = new QSplitter(Qt::Horizontal, this);
    m_picSplitter->setObjectName(QStringLiteral("picSplitter"));
    m_picSplitter->setChildrenCollapsible(false);

    m_leftPane = new QWidget(m_picSplitter);
    auto* left = new QVBoxLayout(m_leftPane);
    left->setContentsMargins(0, 0, 0, 0);
    left->setSpacing(2);
    m_picSearchBar = new QWidget(m_leftPane);
    m_picSearchBar->setObjectName(QStringLiteral("picSearchBar"));
    auto* search = new QVBoxLayout(m_picSearchBar);
    search->setContentsMargins(2, 2, 2, 0);
    m_txtSearch = new QLineEdit(m_picSearchBar);
    m_txtSearch->setObjectName(QStringLiteral("txtSearch"));
    m_txtSearch->setPlaceholderText(tr("快速查找小说"));
    m_txtSearch->setClearButtonEnabled(true);
    search->addWidget(m_txtSearch);
    left->addWidget(m_picSearchBar);

    m_tvwBar = new LibraryTreeWidget(m_leftPane);
    m_tvwBar->setObjectName(QStringLiteral("tvwBar"));
    m_tvwBar->setHeaderHidden(true);
    m_tvwBar->setDropTarget(true);
    m_tvwBar->setContextMenuPolicy(Qt::CustomContextMenu);
    m_tvwBar->setIconSize(QSize(16, 16));
    left->addWidget(m_tvwBar);

    m_picVSplit = new QSplitter(Qt::Vertical, m_picSplitter);
    m_picVSplit->setObjectName(QStringLiteral("picVSplit"));
    m_picVSplit->setChildrenCollapsible(false);
    m_listView1 = new LibraryTreeWidget(m_picVSplit);
    m_listView1->setObjectName(QStringLiteral("ListView1"));
    m_listView1->setRootIsDecorated(false);
    m_listView1->setUniformRowHeights(true);
    m_listView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_listView1->setContextMenuPolicy(Qt::CustomContextMenu);
    m_listView1->setAllColumnsShowFocus(true);
    m_listView1->header()->setSectionsClickable(true);
    m_listView1->header()->setStretchLastSection(false);
    m_listView1->setFillColumn(1);
    m_listView1->installEventFilter(this);

    m_fraWeb = new QWidget(m_picVSplit);
    m_fraWeb->setObjectName(QStringLiteral("fraWeb"));
    auto* web = new QVBoxLayout(m_fraWeb);
    web->setContentsMargins(0, 0, 0, 0);
    web->setSpacing(0);
    m_tbrWeb = new QToolBar(m_fraWeb);
    m_tbrWeb->setObjectName(QStringLiteral("tbrWeb"));
    m_tbrWeb->setIconSize(QSize(20, 20));
    m_tbrWeb->setToolButtonStyle(Qt::ToolButtonIconOnly);
    web->addWidget(m_tbrWeb);
    m_web1 = new ReadingView(m_library.folder().path(), m_fraWeb);
    m_web1->setObjectName(QStringLiteral("Web1"));
    web->addWidget(m_web1, 1);

    m_picSplitter->setStretchFactor(0, 0);
    m_picSplitter->setStretchFactor(1, 1);
    m_picVSplit->setStretchFactor(0, 0);
    m_picVSplit->setStretchFactor(1, 1);
    m_picSplitter->setSizes({260, 920});
    m_picVSplit->setSizes({250, 510});
    m_picSplitter->installEventFilter(this);
    m_picVSplit->installEventFilter(this);
    setCentralWidget(m_picSplitter);

    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    m_lblStatus = new QLabel(this);
    m_lblStatus->setObjectName(QStringLiteral("lblStatus"));
    m_lblStatus->setToolTip(tr("双击此处进入下载地址"));
    m_lblStatus->installEventFilter(this);
    statusBar()->addWidget(m_lblStatus, 1);
    m_progressBar1 = new QProgressBar(this);
    m_progressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    m_progressBar1->setMaximumWidth(220);
    m_progressBar1->setTextVisible(true);
    m_progressBar1->hide();
    statusBar()->addPermanentWidget(m_progressBar1);
    statusBar()->addPermanentWidget(m_musicPlayer->label());

    connect(m_tvwBar, &QTreeWidget::currentItemChanged, this, &FrmBook::onCurrentNodeChanged);
    connect(m_tvwBar, &QTreeWidget::customContextMenuRequested, this, &FrmBook::onTreeContextMenu);
    connect(m_tvwBar, &LibraryTreeWidget::novelsDropped, this, &FrmBook::moveNovelsTo);
    connect(m_listView1, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { onListItemClicked(item); });
    connect(m_tvwBar, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* node) {
        if (m_tvwBar->keyOf(node).startsWith(TreeKeys::kNovel))
            mnuReNew();
    });
    connect(m_listView1, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { onListItemDoubleClicked(item); });
    connect(m_listView1, &QTreeWidget::customContextMenuRequested, this, &FrmBook::onListContextMenu);
    connect(m_listView1, &QTreeWidget::itemSelectionChanged, this, &FrmBook::enableButton);
    connect(m_listView1->header(), &QHeaderView::sectionClicked, this, &FrmBook::onHeaderClicked);
    connect(m_txtSearch, &QLineEdit::textChanged, this, [this](const QString& text) {
        // Novels whose name holds the text stay visible, with their categories.
        for (QTreeWidgetItemIterator it(m_tvwBar); *it; ++it) {
            const QString key = m_tvwBar->keyOf(*it);
            if (key.startsWith(TreeKeys::kNovel))
                (*it)->setHidden(!text.isEmpty() && !(*it)->text(0).contains(text, Qt::CaseInsensitive));
        }
    });
    m_web1->readingPage()->setLinkHandler([this](const QUrl& url, QWebEnginePage::NavigationType type) {
        return handleLink(url, type == QWebEnginePage::NavigationTypeLinkClicked);
    });
    m_web1->setKeyHandler([this](QKeyEvent* event) { return handleReadingKey(event->key()); });
}

void FrmBook::applyLayoutSettings() {
    const Settings& s = m_library.settings();
    const int left = s.intValue(QStringLiteral("Left1"), 0);
    const int top = s.intValue(QStringLiteral("Right1"), 0);
    if (left > 0 && top > 0) {
        m_picSplitter->setSizes({left, std::max(200, width() - left)});
        m_picVSplit->setSizes({top, std::max(200, height() - top)});
    }
    toggleView(QStringLiteral("bIsVisibleToolBar"), s.isOn(QStringLiteral("bIsVisibleToolBar")));
    toggleView(QStringLiteral("bIsVisibleStatusBar"), s.isOn(QStringLiteral("bIsVisibleStatusBar")));
    toggleView(QStringLiteral("bIsVisibleNav"), s.isOn(QStringLiteral("bIsVisibleNav")));
    toggleView(QStringLiteral("bIsVisibleCellLine"), s.isOn(QStringLiteral("bIsVisibleCellLine")));
    applySkin();
}

void FrmBook::reopenLastChapter() {
    const Settings& s = m_library.settings();
    const QString novelId = s.value(QStringLiteral("LastNovelID"));
    if (!s.isOn(QStringLiteral("bIsStartLastArticle")) || novelId.isEmpty())
        return;
    if (!selectNode(TreeKeys::novel(novelId)))
        return;
    bool numeric = false;
    const qint64 id = s.value(QStringLiteral("LastArticleID")).toLongLong(&numeric);
    if (!numeric)
        return;
    if (QTreeWidgetItem* item = findListItem(TreeKeys::chapter(id))) {
        m_listView1->clearSelection();
        m_listView1->setCurrentItem(item);
        item->setSelected(true);
        m_listView1->scrollToItem(item);
        viewNovelContent();
    }
}

void FrmBook::saveWindowState() {
    Settings& s = m_library.settings();
    if (s.isOn(QStringLiteral("bIsStartLastArticle"))) {
        s.setValue(QStringLiteral("LastNovelID"), m_shownNovelId);
        s.setValue(QStringLiteral("LastArticleID"),
                   m_shownChapterId > 0 ? QString::number(m_shownChapterId) : QString());
        s.writeIniValue(Settings::kMain, QStringLiteral("LastNovelID"),
                        s.value(QStringLiteral("LastNovelID")));
        s.writeIniValue(Settings::kMain, QStringLiteral("LastArticleID"),
                        s.value(QStringLiteral("LastArticleID")));
    }
    // In the reading layout the panes are hidden; their last real sizes stay stored.
    if (!m_readingLayout) {
        const QList<int> across = m_picSplitter->sizes();
        const QList<int> down = m_picVSplit->sizes();
        if (across.value(0) > 0 && down.value(0) > 0) {
            s.writeIniValue(Settings::kMain, QStringLiteral("Left1"), QString::number(across.value(0)));
            s.writeIniValue(Settings::kMain, QStringLiteral("Right1"), QString::number(down.value(0)));
        }
    }
}

void FrmBook::createTrayIcon() {
    m_tray = new TrayIcon(this, [this] { close(); });
    m_tray->setEnabled(m_library.settings().isOn(QStringLiteral("bIsNotify")));
}

void FrmBook::closeEvent(QCloseEvent* event) {
    // A writing assistant with unsaved text asks first; its Cancel keeps the program open.
    for (const QPointer<FrmWriter>& writer : std::as_const(m_writers)) {
        if (writer && !writer->close()) {
            event->ignore();
            return;
        }
    }
    saveWindowState();
    m_closing = true;
    if (m_tray)
        m_tray->setEnabled(false);
    if (m_frmView)
        m_frmView->close();
    QMainWindow::closeEvent(event);
}

void FrmBook::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_activated)
        return;
    m_activated = true;
    if (m_library.settings().isOn(QStringLiteral("bIsAutoMin")))
        QTimer::singleShot(0, this, &QWidget::showMinimized);
    if (m_library.settings().isOn(QStringLiteral("bIsAutoAllReNew")))
        QTimer::singleShot(0, this, &FrmBook::mnuAllReNew);
}

void FrmBook::keepRoomToRead(QSplitter* splitter) {
    // The reading view takes what the window gains; in a small window the tree and the list give way
    // too, down to 30 % of the width and 40 % of the height.
    const bool across = splitter == m_picSplitter;
    const int total = across ? splitter->width() : splitter->height();
    const int most = total * (across ? 3 : 4) / 10;
    const QList<int> sizes = splitter->sizes();
    if (sizes.size() == 2 && sizes.at(0) > most)
        splitter->setSizes({most, total - most - splitter->handleWidth()});
}

bool FrmBook::eventFilter(QObject* watched, QEvent* event) {
    // Once the splitter has laid out its panes for the new size.
    if (event->type() == QEvent::Resize && (watched == m_picSplitter || watched == m_picVSplit)) {
        QPointer<QSplitter> splitter = static_cast<QSplitter*>(watched);
        QTimer::singleShot(0, this, [this, splitter] {
            if (splitter)
                keepRoomToRead(splitter);
        });
    }
    if (watched == m_listView1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (handleListKey(key))
            return true;
    }
    if (watched == m_frmView && event->type() == QEvent::Hide && m_frmView->view()->url() != m_web1->url())
        m_web1->navigate(m_frmView->view()->url());
    if (watched == m_lblStatus && event->type() == QEvent::MouseButtonDblClick) {
        openListUrl();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void FrmBook::setStatusText(const QString& text) {
    m_lblStatus->setText(text);
}

void FrmBook::setBusy(bool busy) {
    m_busy = busy;
    enableButton();
}

void FrmBook::runJob(Job* job, const std::function<void(Job*)>& done) {
    job->setParent(this);
    job->setPrompter(m_prompter);
    m_jobs << job;
    connect(job, &Job::statusChanged, this, &FrmBook::setStatusText);
    connect(job, &Job::progressChanged, this, [this](int value, int maximum) {
        m_progressBar1->setMaximum(std::max(1, maximum));
        m_progressBar1->setValue(value);
        m_progressBar1->show();
    });
    connect(job, &Job::finished, this, [this, job, done] {
        job->wait();
        m_jobs.removeAll(job);
        m_progressBar1->hide();
        if (!m_closing)
            done(job);
        job->deleteLater();
    });
    job->start();
}

void FrmBook::requestAddNovel(const QString& address) {
    m_pendingAddress = address;
    Q_EMIT addNovelRequested(address);
    bringToFront();
    openAddNovel(address);
}
