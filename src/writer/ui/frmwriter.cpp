#include "writer/ui/frmwriter.h"

#include "output/listtable.h"
#include "storage/librarycontext.h"
#include "storage/libraryfolder.h"
#include "storage/novelstore.h"
#include "widgets/icons.h"
#include "widgets/memorypages.h"
#include "widgets/messages.h"
#include "writer/ui/frmaddwriter.h"
#include "writer/ui/writernotestree.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <iterator>

namespace {

const QString kRootKey = QStringLiteral("栏目");

// setHtml takes pages up to 2 MB; a longer note goes through the memory pages.
constexpr qsizetype kInlinePage = 1500 * 1024;

// Looked up once: a theme lookup per node would cost more than the node.
QIcon noteIcon(int type) {
    static const QIcon icons[] = {
        Icons::tree(QStringLiteral("folder")),
        QIcon::fromTheme(QStringLiteral("text-html"), Icons::tree(QStringLiteral("Book"))),
        QIcon::fromTheme(QStringLiteral("text-x-generic"), Icons::tree(QStringLiteral("Read"))),
        QIcon::fromTheme(QStringLiteral("image-x-generic"), Icons::tree(QStringLiteral("day"))),
    };
    return type > 0 && type < int(std::size(icons)) ? icons[type] : icons[0];
}

bool isAncestor(const QTreeWidgetItem* ancestor, const QTreeWidgetItem* item) {
    for (const QTreeWidgetItem* p = item; p; p = p->parent())
        if (p == ancestor)
            return true;
    return false;
}

} // namespace

FrmWriter::FrmWriter(LibraryContext& library, const QString& novelId, QWidget* parent)
    : QMainWindow(parent)
    , m_library(library)
    , m_novelId(novelId)
    , m_store(library.database())
    , m_chapters(library, novelId) {
    setObjectName(QStringLiteral("frmWriter"));
    setWindowTitle(tr("小说写作助手 - %1").arg(NovelStore(library.database()).novelName(novelId)));
    resize(1000, 700);
    createLayout();
    createActions();
    createMenus();
    createToolbars();
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));

    if (!m_store.ensureNovel(novelId))
        Messages::warning(this, tr("无法建立辅助数据"));
    fillNotes();
    fillNovel();
    m_sstab1->setCurrentIndex(0);
    m_tvwBar->setCurrentItem(m_notesRoot);
    showNote(m_notesRoot);
}

FrmWriter::~FrmWriter() {
    // The page goes before the profile it runs in.
    QWebEnginePage* page = m_web1->page();
    m_web1->setPage(nullptr);
    delete page;
}

// --- Layout, menus and tool bars ---

void FrmWriter::createLayout() {
    m_tvwBar = new WriterNotesTree(this);
    m_tvwBar->setObjectName(QStringLiteral("tvwBar"));
    m_tvwBar->setHeaderHidden(true);
    m_tvwBar->setContextMenuPolicy(Qt::CustomContextMenu);
    m_tvwBar->setCanDrop([this](QTreeWidgetItem* d, QTreeWidgetItem* t) { return canDropNote(d, t); });
    m_tvwNovel = new QTreeWidget(this);
    m_tvwNovel->setObjectName(QStringLiteral("tvwNovel"));
    m_tvwNovel->setHeaderHidden(true);
    m_tvwNovel->setUniformRowHeights(true);
    m_tvwNovel->setEditTriggers(QAbstractItemView::EditKeyPressed);
    m_tvwNovel->setContextMenuPolicy(Qt::CustomContextMenu);
    m_sstab1 = new QTabWidget(this);
    m_sstab1->setObjectName(QStringLiteral("SSTab1"));
    m_sstab1->addTab(m_tvwBar, tr("辅助"));
    m_sstab1->addTab(m_tvwNovel, tr("章节"));

    m_listView1 = new QTableWidget(0, 4, this);
    m_listView1->setObjectName(QStringLiteral("ListView1"));
    m_listView1->setHorizontalHeaderLabels({tr("标题"), tr("类型"), tr("链接"), tr("说明")});
    m_listView1->verticalHeader()->hide();
    m_listView1->horizontalHeader()->setStretchLastSection(true);
    m_listView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_listView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_listView1->setSelectionMode(QAbstractItemView::SingleSelection);

    m_lblRemark = new QLabel(tr("信息："), this);
    m_lblRemark->setObjectName(QStringLiteral("lblRemark"));
    m_tbrWeb = new QToolBar(this);
    m_tbrWeb->setObjectName(QStringLiteral("tbrWeb"));
    m_txtContent = new QPlainTextEdit(this);
    m_txtContent->setObjectName(QStringLiteral("txtContent"));
    m_txtContent->hide();

    // The author's own notes and the pages he links: a browser of its own, nothing kept on disk.
    m_profile = new QWebEngineProfile(this);
    m_profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    m_profile->setSpellCheckEnabled(false);
    m_pages = new MemoryPageHandler(m_library.folder().path(), this);
    m_profile->installUrlSchemeHandler(MemoryPages::schemeName(), m_pages);
    m_web1 = new QWebEngineView(this);
    m_web1->setObjectName(QStringLiteral("Web1"));
    auto* page = new QWebEnginePage(m_profile, m_web1);
    page->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    page->settings()->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    m_web1->setPage(page);

    auto* viewer = new QWidget(this);
    auto* viewerLayout = new QVBoxLayout(viewer);
    viewerLayout->setContentsMargins(0, 0, 0, 0);
    viewerLayout->setSpacing(2);
    viewerLayout->addWidget(m_lblRemark);
    viewerLayout->addWidget(m_tbrWeb);
    viewerLayout->addWidget(m_web1, 1);
    viewerLayout->addWidget(m_txtContent, 1);

    m_split2 = new QSplitter(Qt::Vertical, this);
    m_split2->setObjectName(QStringLiteral("split2"));
    m_split2->addWidget(m_listView1);
    m_split2->addWidget(viewer);
    m_split2->setStretchFactor(1, 3);
    m_split1 = new QSplitter(Qt::Horizontal, this);
    m_split1->setObjectName(QStringLiteral("split1"));
    m_split1->addWidget(m_sstab1);
    m_split1->addWidget(m_split2);
    m_split1->setStretchFactor(1, 3);
    m_split1->setSizes({260, 740});
    setCentralWidget(m_split1);

    connect(m_tvwBar, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { showNote(current); });
    connect(m_tvwBar, &WriterNotesTree::noteDropped, this, &FrmWriter::dropNote);
    connect(m_tvwNovel, &QTreeWidget::currentItemChanged, this, &FrmWriter::onNovelItemChanged);
    connect(m_tvwNovel, &QTreeWidget::itemChanged, this, &FrmWriter::onNovelItemEdited);
    connect(m_sstab1, &QTabWidget::currentChanged, this, &FrmWriter::onTabChanged);
    connect(m_listView1, &QTableWidget::cellDoubleClicked, this, [this](int row) {
        const QTableWidgetItem* cell = m_listView1->item(row, 0);
        if (QTreeWidgetItem* node = cell ? findNote(cell->data(Qt::UserRole).toLongLong()) : nullptr)
            m_tvwBar->setCurrentItem(node);
    });
    connect(m_tvwBar, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { m_mnuNote->popup(m_tvwBar->viewport()->mapToGlobal(at)); });
    connect(m_tvwNovel, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { m_mnuChapter->popup(m_tvwNovel->viewport()->mapToGlobal(at)); });
}

QAction* FrmWriter::action(const char* name, const QString& caption, void (FrmWriter::*slot)()) {
    auto* a = new QAction(caption, this);
    a->setObjectName(QLatin1String(name));
    connect(a, &QAction::triggered, this, slot);
    addAction(a);
    return a;
}

void FrmWriter::createActions() {
    action("mnuNewVolume", tr("新增分卷"), &FrmWriter::mnuNewVolume);
    action("mnuNewContent", tr("新增章节"), &FrmWriter::mnuNewContent)->setShortcut(QKeySequence::New);
    action("mnuRename", tr("重命名"), &FrmWriter::mnuRename);
    action("mnuSave", tr("保存章节"), &FrmWriter::mnuSave)->setShortcut(QKeySequence::Save);
    action("mnuContentUp", tr("上移章节"), &FrmWriter::mnuContentUp);
    action("mnuContentDown", tr("下移章节"), &FrmWriter::mnuContentDown);
    action("mnuDelContent", tr("删除"), &FrmWriter::mnuDelContent);
    action("mnuNew", tr("新增辅助"), &FrmWriter::mnuNew)->setShortcut(Qt::CTRL | Qt::SHIFT | Qt::Key_N);
    action("mnuEdit", tr("辅助属性(&E)"), &FrmWriter::mnuEdit);
    action("mnuUp", tr("上移"), &FrmWriter::mnuUp);
    action("mnuDown", tr("下移"), &FrmWriter::mnuDown);
    action("mnuDelete", tr("删除辅助(&D)"), &FrmWriter::mnuDelete);
    action("mnuExit", tr("退出(&X)"), &FrmWriter::mnuExit);
    const auto toggle = [this](const char* name, const QString& caption,
                               const std::function<void(bool)>& show) {
        auto* a = new QAction(caption, this);
        a->setObjectName(QLatin1String(name));
        a->setCheckable(true);
        a->setChecked(true);
        connect(a, &QAction::toggled, this, show);
        addAction(a);
    };
    toggle("mnuToolBar", tr("工具条(&T)"), [this](bool on) { m_toolbar1->setVisible(on); });
    toggle("mnuStatusBar", tr("状态栏(&S)"), [this](bool on) { statusBar()->setVisible(on); });
    toggle("mnuNav", tr("导航栏(&N)"), [this](bool on) { m_sstab1->setVisible(on); });
    toggle("mnuCellLine", tr("网格线(&C)"), [this](bool on) { m_listView1->setShowGrid(on); });
}

void FrmWriter::createMenus() {
    const auto find = [this](const char* name) { return findChild<QAction*>(QLatin1String(name)); };
    const auto fill = [&](QMenu* menu, std::initializer_list<const char*> names) {
        for (const char* name : names) {
            if (name)
                menu->addAction(find(name));
            else
                menu->addSeparator();
        }
    };
    QMenu* file = menuBar()->addMenu(tr("文件(&F)"));
    file->setObjectName(QStringLiteral("mnuFile"));
    fill(file, {"mnuSave", nullptr, "mnuExit"});
    m_mnuChapter = menuBar()->addMenu(tr("章节(&C)"));
    m_mnuChapter->setObjectName(QStringLiteral("mnuChapter"));
    fill(m_mnuChapter, {"mnuNewVolume", "mnuNewContent", "mnuRename", "mnuSave", nullptr, "mnuContentUp",
                        "mnuContentDown", nullptr, "mnuDelContent"});
    m_mnuNote = menuBar()->addMenu(tr("辅助(&A)"));
    m_mnuNote->setObjectName(QStringLiteral("mnuNote"));
    fill(m_mnuNote, {"mnuNew", "mnuEdit", nullptr, "mnuUp", "mnuDown", nullptr, "mnuDelete"});
    QMenu* view = menuBar()->addMenu(tr("查看(&V)"));
    view->setObjectName(QStringLiteral("mnuView"));
    fill(view, {"mnuToolBar", "mnuStatusBar", "mnuNav", "mnuCellLine"});
}

void FrmWriter::createToolbars() {
    const auto button = [](QToolBar* bar, const char* prefix, const char* key, const QString& caption,
                           const QIcon& icon, const std::function<void()>& work) {
        QAction* a = bar->addAction(icon, caption);
        a->setObjectName(QLatin1String(prefix) + QLatin1String(key));
        a->setProperty("toolKey", QLatin1String(key));
        QObject::connect(a, &QAction::triggered, bar, work);
    };
    const auto run = [this](const char* name) {
        QAction* a = findChild<QAction*>(QLatin1String(name));
        return [a] { a->trigger(); };
    };
    m_toolbar1 = addToolBar(tr("工具条"));
    m_toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    m_toolbar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button(m_toolbar1, "Toolbar1_", "New", tr("新增章节"), Icons::tool(QStringLiteral("New")),
           run("mnuNewContent"));
    button(m_toolbar1, "Toolbar1_", "Save", tr("保存章节"), QIcon::fromTheme(QStringLiteral("document-save")),
           run("mnuSave"));
    m_toolbar1->addSeparator();
    button(m_toolbar1, "Toolbar1_", "Add", tr("新增辅助"),
           QIcon::fromTheme(QStringLiteral("list-add"), Icons::tool(QStringLiteral("New"))), run("mnuNew"));
    button(m_toolbar1, "Toolbar1_", "Edit", tr("辅助属性"), Icons::tool(QStringLiteral("Edit")),
           run("mnuEdit"));
    button(m_toolbar1, "Toolbar1_", "Delete", tr("删除"), Icons::tool(QStringLiteral("Delete")),
           [this] { toolDelete(); });
    m_toolbar1->addSeparator();
    button(m_toolbar1, "Toolbar1_", "Exit", tr("退出"), Icons::tool(QStringLiteral("Exit")), run("mnuExit"));

    const auto web = [this](QWebEnginePage::WebAction a) {
        return [this, a] { m_web1->triggerPageAction(a); };
    };
    button(m_tbrWeb, "tbrWeb_", "Back", tr("后退"), Icons::tool(QStringLiteral("Back")),
           web(QWebEnginePage::Back));
    button(m_tbrWeb, "tbrWeb_", "Forward", tr("前进"), Icons::tool(QStringLiteral("Forward")),
           web(QWebEnginePage::Forward));
    button(m_tbrWeb, "tbrWeb_", "Refresh", tr("刷新"), Icons::tool(QStringLiteral("Refresh")),
           web(QWebEnginePage::Reload));
    button(m_tbrWeb, "tbrWeb_", "Stop", tr("停止"), Icons::tool(QStringLiteral("Stop")),
           web(QWebEnginePage::Stop));
    m_tbrWeb->addSeparator();
    button(m_tbrWeb, "tbrWeb_", "Up", tr("上一项"), Icons::tool(QStringLiteral("Up")),
           [this] { stepNote(false); });
    button(m_tbrWeb, "tbrWeb_", "Down", tr("下一项"), Icons::tool(QStringLiteral("Down")),
           [this] { stepNote(true); });
    button(m_tbrWeb, "tbrWeb_", "Prop", tr("属性"), Icons::tool(QStringLiteral("Prop")), run("mnuEdit"));
}

void FrmWriter::onTabChanged(int index) {
    if (index == 0)
        showNote(m_tvwBar->currentItem());
    else if (m_chapterId != 0 && m_tvwNovel->currentItem() == findChapter(m_chapterId))
        showEditor(true);
}

void FrmWriter::toolDelete() {
    if (m_sstab1->currentIndex() == 1)
        mnuDelContent();
    else
        mnuDelete();
}

void FrmWriter::closeEvent(QCloseEvent* event) {
    if (confirmLeave())
        event->accept();
    else
        event->ignore();
}

// --- Notes ---

qint64 FrmWriter::idOf(const QTreeWidgetItem* item) {
    return item ? item->data(0, KeyRole).toString().mid(2).toLongLong() : 0;
}

void FrmWriter::reloadNotes() {
    const qint64 id = selectedNoteId();
    fillNotes();
    QTreeWidgetItem* item = findNote(id);
    m_tvwBar->setCurrentItem(item ? item : m_notesRoot);
}

QTreeWidgetItem* FrmWriter::noteItem(const WriterNote& note) const {
    auto* item = new QTreeWidgetItem(QStringList{note.title});
    item->setData(0, KeyRole, QString(WriterStore::typeName(note.type) + QString::number(note.id)));
    item->setIcon(0, noteIcon(note.type));
    return item;
}

void FrmWriter::fillNotes() {
    m_tvwBar->clear();
    m_notes.clear();
    m_notesRoot = new QTreeWidgetItem(QStringList{kRootKey});
    m_notesRoot->setData(0, KeyRole, kRootKey);
    m_notesRoot->setIcon(0, Icons::tree(QStringLiteral("library")));
    // The rows come parent first, depth by depth: the last node of each depth is the next parent.
    QList<QTreeWidgetItem*> levels{m_notesRoot};
    const QList<WriterNote> notes = m_store.tree(m_novelId);
    m_notes.reserve(notes.size());
    for (const WriterNote& note : notes) {
        if (note.depth + 1 > levels.size())
            continue; // cannot happen with the tree's order; a damaged row is left out
        QTreeWidgetItem* item = noteItem(note);
        levels.at(note.depth)->addChild(item);
        levels.resize(note.depth + 1);
        levels.append(item);
        m_notes.insert(note.id, note);
    }
    m_tvwBar->addTopLevelItem(m_notesRoot);
    m_notesRoot->setExpanded(true);
}

QTreeWidgetItem* FrmWriter::findNote(qint64 id) const {
    if (id == 0)
        return m_notesRoot;
    for (QTreeWidgetItemIterator it(m_tvwBar); *it; ++it)
        if (idOf((*it)) == id)
            return *it;
    return nullptr;
}

qint64 FrmWriter::selectedNoteId() const {
    const QTreeWidgetItem* item = m_tvwBar->currentItem();
    return item ? idOf(item) : 0;
}

void FrmWriter::showPage(const QString& body) {
    const QString html = QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"></head><body>") +
                         body + QStringLiteral("</body></html>");
    const QString folder = m_library.folder().novelDir(m_novelId);
    // Relative pictures resolve in the novel folder, as in its e-book.
    if (html.size() < kInlinePage) {
        m_web1->setHtml(html, QUrl::fromLocalFile(folder + u'/'));
        return;
    }
    const QUrl url = MemoryPages::urlOf(m_library.folder().path(), folder + QStringLiteral("/writer.htm"),
                                        QStringLiteral("n=%1").arg(++m_pageNumber));
    m_pages->setPage(url, html);
    m_web1->load(url);
}

void FrmWriter::listNotes(QTreeWidgetItem* parent, qint64 current) {
    m_listView1->setRowCount(0);
    if (!parent)
        return;
    m_listView1->setRowCount(parent->childCount());
    for (int row = 0; row < parent->childCount(); ++row) {
        const qint64 id = idOf(parent->child(row));
        const WriterNote note = m_notes.value(id);
        QString remark = note.remark.left(200);
        remark.replace(u'\r', u' ').replace(u'\n', u' ');
        const QStringList cells{note.title, WriterStore::typeName(note.type), note.url, remark};
        for (int column = 0; column < cells.size(); ++column) {
            auto* cell = new QTableWidgetItem(cells.at(column));
            if (column == 0) {
                cell->setIcon(noteIcon(note.type));
                cell->setData(Qt::UserRole, id);
            }
            m_listView1->setItem(row, column, cell);
        }
        if (id == current)
            m_listView1->selectRow(row);
    }
}

void FrmWriter::showNote(QTreeWidgetItem* item) {
    if (!item || m_sstab1->currentIndex() != 0)
        return;
    showEditor(false);
    if (item == m_notesRoot) {
        m_lblRemark->setText(tr("信息："));
        listNotes(m_notesRoot, 0);
        showPage(QString());
        return;
    }
    const WriterNote note = m_notes.value(idOf(item));
    m_lblRemark->setText(tr("信息：") + note.title);
    statusBar()->showMessage(note.title);
    if (note.type == WriterNote::Category)
        listNotes(item, 0);
    else
        listNotes(item->parent(), note.id);
    const QString folder = m_library.folder().novelDir(m_novelId);
    switch (note.type) {
    case WriterNote::Link:
        if (note.url.trimmed().isEmpty())
            showPage(QString());
        else
            m_web1->load(QUrl::fromUserInput(note.url.trimmed(), folder));
        break;
    case WriterNote::Picture: {
        // A picture on this computer goes by its file address, so "#" or "?" in its name stay a name.
        QString source = note.url;
        const QFileInfo file(QFileInfo(note.url).isAbsolute() ? note.url : folder + u'/' + note.url);
        if (!note.url.isEmpty() && !note.url.contains(QLatin1String("://")) && file.isFile())
            source = QUrl::fromLocalFile(file.absoluteFilePath()).toString(QUrl::FullyEncoded);
        showPage(QStringLiteral("<center>") + htmlEscapeText(note.remark) +
                 QStringLiteral("<br><img src=\"") + source.toHtmlEscaped() + QStringLiteral("\"></center>"));
        break;
    }
    default:
        showPage(htmlEscapeText(note.remark));
        break;
    }
}

void FrmWriter::stepNote(bool down) {
    QTreeWidgetItem* item = m_tvwBar->currentItem();
    QTreeWidgetItem* next =
        item ? (down ? m_tvwBar->itemBelow(item) : m_tvwBar->itemAbove(item)) : m_notesRoot;
    if (!next)
        return;
    m_sstab1->setCurrentIndex(0);
    m_tvwBar->setCurrentItem(next);
}

void FrmWriter::mnuNew() {
    const qint64 parent = m_store.parentFor(selectedNoteId());
    FrmAddWriter dialog(m_library, m_novelId, parent, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const WriterNote note = m_store.note(dialog.noteId());
    m_notes.insert(note.id, note);
    QTreeWidgetItem* parentItem = findNote(parent);
    if (!parentItem) {
        fillNotes();
    } else {
        parentItem->addChild(noteItem(note));
        parentItem->setExpanded(true);
    }
    m_sstab1->setCurrentIndex(0);
    m_tvwBar->setCurrentItem(findNote(note.id));
}

void FrmWriter::mnuEdit() {
    const qint64 id = selectedNoteId();
    if (id == 0) {
        Messages::warning(this, tr("请选择具体的辅助"));
        return;
    }
    FrmAddWriter dialog(m_library, m_store.note(id), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const WriterNote note = m_store.note(id);
    m_notes.insert(id, note);
    QTreeWidgetItem* item = findNote(id);
    item->setText(0, note.title);
    m_sstab1->setCurrentIndex(0);
    showNote(item);
}

void FrmWriter::mnuDelete() {
    QTreeWidgetItem* item = m_tvwBar->currentItem();
    const qint64 id = selectedNoteId();
    if (!item || id == 0) {
        Messages::warning(this, tr("请选择具体的辅助"));
        return;
    }
    const bool category = m_notes.value(id).type == WriterNote::Category;
    if (!Messages::question(this,
                            category ? tr("是否将此分类及其下的所有项都删除？") : tr("是否将此项删除？")))
        return;
    const QList<qint64> deleted = m_store.deleteSubtree(id);
    if (deleted.isEmpty())
        return;
    for (qint64 gone : deleted)
        m_notes.remove(gone);
    QTreeWidgetItem* parent = item->parent();
    delete item;
    m_tvwBar->setCurrentItem(parent);
    showNote(parent);
}

void FrmWriter::moveNote(bool up) {
    QTreeWidgetItem* item = m_tvwBar->currentItem();
    const qint64 id = selectedNoteId();
    if (!item || id == 0) {
        Messages::warning(this, tr("请选择具体的辅助"));
        return;
    }
    if (m_store.swapWithSibling(id, up) != WriterStore::Swap::Moved)
        return;
    QTreeWidgetItem* parent = item->parent();
    const int at = parent->indexOfChild(item);
    const int to = up ? at - 1 : at + 1;
    if (to < 0 || to >= parent->childCount()) {
        fillNotes(); // the tree was not what the database holds
        m_tvwBar->setCurrentItem(findNote(id));
        return;
    }
    const bool expanded = item->isExpanded();
    parent->takeChild(at);
    parent->insertChild(to, item);
    item->setExpanded(expanded);
    m_tvwBar->setCurrentItem(item);
    listNotes(parent, id);
}

bool FrmWriter::canDropNote(QTreeWidgetItem* dragged, QTreeWidgetItem* target) const {
    if (!dragged || !target || dragged == m_notesRoot || isAncestor(dragged, target))
        return false;
    return target == m_notesRoot || m_notes.value(idOf(target)).type == WriterNote::Category;
}

void FrmWriter::dropNote(QTreeWidgetItem* dragged, QTreeWidgetItem* target) {
    const qint64 id = idOf(dragged);
    const qint64 parent = idOf(target);
    const WriterStore::Result r = m_store.moveTo(id, parent);
    if (!r.ok()) {
        Messages::warning(this, r.error);
        return;
    }
    m_notes[id].topId = parent;
    const bool expanded = dragged->isExpanded();
    dragged->parent()->removeChild(dragged);
    target->addChild(dragged);
    target->setExpanded(true);
    dragged->setExpanded(expanded);
    m_tvwBar->setCurrentItem(dragged);
    showNote(dragged);
}
