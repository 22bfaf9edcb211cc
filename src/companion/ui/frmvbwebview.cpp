#include "companion/ui/frmvbwebview.h"

#include "companion/ui/frmaddwebview.h"
#include "storage/librarycontext.h"
#include "storage/showtopstore.h"
#include "widgets/icons.h"
#include "widgets/messages.h"

#include <QAction>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeWidget>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QWebEngineView>

namespace {

constexpr int kIdRole = Qt::UserRole;

// A page that asks before every navigation of its main frame, and shows nothing of what a page says
// in script dialogs or of certificates it cannot trust.
class NavigationPage : public QWebEnginePage {
public:
    using Check = std::function<bool(const QUrl&)>; // true: let it through
    NavigationPage(QWebEngineProfile* profile, Check check, std::function<QWebEnginePage*()> popup,
                   QObject* parent)
        : QWebEnginePage(profile, parent)
        , m_check(std::move(check))
        , m_popup(std::move(popup)) {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) override {
        return !isMainFrame || m_check(url);
    }
    QWebEnginePage* createWindow(WebWindowType) override { return m_popup(); }
    void javaScriptAlert(const QUrl&, const QString&) override {}
    bool javaScriptConfirm(const QUrl&, const QString&) override { return false; }
    bool javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) override { return false; }

private:
    Check m_check;
    std::function<QWebEnginePage*()> m_popup;
};

// A link opening a new window: its address is checked like any other, then shown in this window's
// browser; the page itself goes at once.
class PopupCatcher : public QWebEnginePage {
public:
    PopupCatcher(QWebEngineProfile* profile, std::function<void(const QUrl&)> take, QObject* parent)
        : QWebEnginePage(profile, parent)
        , m_take(std::move(take)) {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame) override {
        if (isMainFrame && !m_done) {
            m_done = true;
            m_take(url);
            deleteLater();
        }
        return false;
    }

private:
    std::function<void(const QUrl&)> m_take;
    bool m_done = false;
};

} // namespace

FrmVBWebView::FrmVBWebView(LibraryContext& library, QWidget* parent)
    : QMainWindow(parent)
    , m_library(library)
    , m_patterns(NovelPagePatterns::load(library.folder().file(NovelPagePatterns::fileName()))) {
    setObjectName(QStringLiteral("frmVBWebView"));
    setWindowTitle(tr("小说排行榜"));
    // A profile of its own, kept in the library: the sites' log-ins and cookies stay between visits.
    m_profile = new QWebEngineProfile(QStringLiteral("ranking"), this);
    m_profile->setPersistentStoragePath(library.folder().file(QStringLiteral("webview")));
    m_profile->setCachePath(library.folder().file(QStringLiteral("webview/cache")));
    connect(m_profile, &QWebEngineProfile::downloadRequested, this,
            [](QWebEngineDownloadRequest* download) { download->cancel(); });

    m_web = new QWebEngineView(this);
    m_web->setObjectName(QStringLiteral("Web1"));
    const auto check = [this](const QUrl& url) {
        const QString contents = m_patterns.contentsAddress(url.toString());
        if (contents.isEmpty())
            return true;
        offer(url, contents);
        return false;
    };
    const auto popup = [this]() -> QWebEnginePage* {
        return new PopupCatcher(m_profile, [this](const QUrl& url) {
            const QString contents = m_patterns.contentsAddress(url.toString());
            if (contents.isEmpty())
                m_web->load(url);
            else
                offer(url, contents);
        }, this);
    };
    m_web->setPage(new NavigationPage(m_profile, check, popup, m_web));

    m_tvwBar = new QTreeWidget(this);
    m_tvwBar->setObjectName(QStringLiteral("tvwBar"));
    m_tvwBar->setHeaderHidden(true);
    connect(m_tvwBar, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) { openLink(item); });
    connect(m_tvwBar, &QTreeWidget::currentItemChanged, this, &FrmVBWebView::enableButtons);
    auto* splitter = new QSplitter(this);
    splitter->addWidget(m_tvwBar);
    splitter->addWidget(m_web);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({200, 700});
    setCentralWidget(splitter);

    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("ProgressBar1"));
    m_progressBar->setMaximumWidth(160);
    m_progressBar->hide();
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->addPermanentWidget(m_progressBar);
    connect(m_web, &QWebEngineView::loadProgress, this, [this](int value) {
        m_progressBar->setVisible(value < 100);
        m_progressBar->setValue(value);
    });
    connect(m_web, &QWebEngineView::loadFinished, m_progressBar, &QWidget::hide);
    connect(m_web->page(), &QWebEnginePage::linkHovered, statusBar(),
            [this](const QString& url) { statusBar()->showMessage(url); });

    createActions();
    ShowTopStore(library.database()).ensure(NovelPagePatterns::defaultLinks());
    fillTree();
    resize(1000, 680);
}

FrmVBWebView::~FrmVBWebView() {
    // The page goes before its profile.
    delete m_web;
}

void FrmVBWebView::createActions() {
    auto* toolbar = addToolBar(tr("工具条"));
    toolbar->setObjectName(QStringLiteral("Toolbar1"));
    toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    const auto add = [&](const QString& key, const QString& name, const QString& text, auto fn) {
        auto* a = new QAction(Icons::tool(key), text, this);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, fn);
        m_actions.insert(key, a);
        toolbar->addAction(a);
        return a;
    };
    add(QStringLiteral("Back"), QStringLiteral("Back"), tr("后退"), [this] { m_web->back(); });
    add(QStringLiteral("Forward"), QStringLiteral("Forward"), tr("前进"), [this] { m_web->forward(); });
    add(QStringLiteral("Refresh"), QStringLiteral("Refresh"), tr("刷新"), [this] { m_web->reload(); });
    add(QStringLiteral("Home"), QStringLiteral("Home"), tr("首页"), [this] {
        if (m_tvwBar->topLevelItem(0) && m_tvwBar->topLevelItem(0)->childCount() > 0)
            openLink(m_tvwBar->topLevelItem(0)->child(0));
    });
    add(QStringLiteral("Stop"), QStringLiteral("Stop"), tr("停止"), [this] { m_web->stop(); });
    QAction* hide = add(QStringLiteral("HideView"), QStringLiteral("HideView"), tr("隐藏导航"),
                        [this] { m_tvwBar->setVisible(!m_tvwBar->isVisible()); });
    hide->setCheckable(true);
    toolbar->addSeparator();
    QMenu* file = menuBar()->addMenu(tr("文件(&F)"));
    file->setObjectName(QStringLiteral("mnuFile"));
    file->addAction(add(QStringLiteral("Add"), QStringLiteral("mnuAdd"), tr("新增(&A)"), &FrmVBWebView::addLink));
    file->addAction(add(QStringLiteral("Edit"), QStringLiteral("mnuEdit"), tr("编辑(&E)"), &FrmVBWebView::editLink));
    file->addAction(add(QStringLiteral("Delete"), QStringLiteral("Delete"), tr("删除"), &FrmVBWebView::deleteLink));
    file->addAction(add(QStringLiteral("Up"), QStringLiteral("mnuUp"), tr("上移"), [this] { moveLink(true); }));
    file->addAction(add(QStringLiteral("Down"), QStringLiteral("mnuDown"), tr("下移"), [this] { moveLink(false); }));
    toolbar->addSeparator();
    add(QStringLiteral("Exit"), QStringLiteral("Exit"), tr("退出"), &QWidget::close);
    // Buttons are found by their keys (objectNames of the actions are the menus').
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it)
        if (QWidget* w = toolbar->widgetForAction(it.value()))
            w->setObjectName(QStringLiteral("Toolbar1_") + it.key());
}

void FrmVBWebView::fillTree(qint64 select) {
    m_tvwBar->clear();
    auto* root = new QTreeWidgetItem(m_tvwBar, {tr("小说排行榜")});
    root->setIcon(0, Icons::tree(QStringLiteral("library")));
    QTreeWidgetItem* chosen = root;
    for (const ShowTopLink& link : ShowTopStore(m_library.database()).list()) {
        auto* node = new QTreeWidgetItem(root, {link.name});
        node->setData(0, kIdRole, link.id);
        node->setData(0, Qt::UserRole + 1, QStringLiteral("类别%1").arg(link.id));
        node->setToolTip(0, link.url);
        if (link.id == select)
            chosen = node;
    }
    root->setExpanded(true);
    m_tvwBar->setCurrentItem(chosen);
    enableButtons();
}

qint64 FrmVBWebView::selectedLink() const {
    const QTreeWidgetItem* item = m_tvwBar->currentItem();
    return item ? item->data(0, kIdRole).toLongLong() : 0;
}

void FrmVBWebView::enableButtons() {
    const bool link = selectedLink() > 0;
    for (const char* key : {"Edit", "Delete", "Up", "Down"})
        m_actions.value(QLatin1String(key))->setEnabled(link);
}

void FrmVBWebView::openLink(QTreeWidgetItem* item) {
    const qint64 id = item ? item->data(0, kIdRole).toLongLong() : 0;
    if (const std::optional<ShowTopLink> link = ShowTopStore(m_library.database()).get(id))
        m_web->load(QUrl::fromUserInput(link->url));
}

void FrmVBWebView::offer(const QUrl& target, const QString& contents) {
    // The address goes into the script as a JSON string, never spliced into its text.
    const QString arg = QString::fromUtf8(QJsonDocument(QJsonArray{target.toString()}).toJson(QJsonDocument::Compact));
    const QString script = QStringLiteral(
        "(function(t){var a=document.getElementsByTagName('a');"
        "for(var i=0;i<a.length;i++){if(a[i].href&&a[i].href.indexOf(t)>=0)return a[i].innerText.trim();}"
        "return '';})(%1[0])").arg(arg);
    m_web->page()->runJavaScript(script, [this, contents](const QVariant& name) {
        Q_EMIT novelOffered(name.toString(), contents);
    });
}

void FrmVBWebView::addLink() {
    FrmAddWebView dialog(QString(), QString(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    fillTree(ShowTopStore(m_library.database()).add(dialog.name(), dialog.url()));
}

void FrmVBWebView::editLink() {
    const ShowTopStore store(m_library.database());
    const std::optional<ShowTopLink> link = store.get(selectedLink());
    if (!link)
        return;
    FrmAddWebView dialog(link->name, link->url, this);
    if (dialog.exec() == QDialog::Accepted && store.update(link->id, dialog.name(), dialog.url()))
        fillTree(link->id);
}

void FrmVBWebView::deleteLink() {
    const ShowTopStore store(m_library.database());
    const std::optional<ShowTopLink> link = store.get(selectedLink());
    if (!link || !Messages::question(this, tr("您是否确定删除\"%1\"的链接?").arg(link->name)))
        return;
    if (store.remove(link->id))
        fillTree();
}

void FrmVBWebView::moveLink(bool up) {
    const qint64 id = selectedLink();
    if (ShowTopStore(m_library.database()).swap(id, up) == ShowTopStore::Swap::Moved)
        fillTree(id);
}
