#include "bookcase/ui/frmbookcase.h"

#include "bookcase/bookcasecheckjob.h"
#include "bookcase/ui/bookcasetreewidget.h"
#include "bookcase/ui/frmbookcasebatchadd.h"
#include "bookcase/ui/frmbookcasedel.h"
#include "bookcase/ui/frmbookcaseedit.h"
#include "storage/bookcasestore.h"
#include "storage/categorystore.h"
#include "storage/librarycontext.h"
#include "widgets/icons.h"
#include "widgets/messages.h"
#include "widgets/openwithshell.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QSet>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

const QString kRootKey = QStringLiteral("BookCase");
const QString kCategoryPrefix = QStringLiteral("组别");
constexpr int kPathColumn = 3;
constexpr int kColumns = 4;

QIcon folderIcon(bool open) {
    static const QIcon closed = Icons::tree(QStringLiteral("folder"));
    // No open folder among the program's pictures: the desktop's, else the closed one.
    static const QIcon opened = QIcon::fromTheme(QStringLiteral("folder-open"), closed);
    return open ? opened : closed;
}

} // namespace

FrmBookCase::FrmBookCase(LibraryContext& library, QWidget* parent)
    : QMainWindow(parent)
    , m_library(library)
    , m_bookcase(library) {
    setObjectName(QStringLiteral("frmBookCase"));
    setWindowTitle(tr("我的书柜"));
    setWindowIcon(Icons::tool(QStringLiteral("BookCase")));

    m_tvwBar = new BookcaseTreeWidget(BookcaseTreeWidget::Kind::Categories, this);
    m_tvwBar->setObjectName(QStringLiteral("tvwBar"));
    m_tvwBar->setHeaderHidden(true);

    m_listView1 = new BookcaseTreeWidget(BookcaseTreeWidget::Kind::Books, this);
    m_listView1->setObjectName(QStringLiteral("ListView1"));
    m_listView1->setColumnCount(kColumns);
    m_listView1->setHeaderLabels({tr("图书名称"), tr("作者"), tr("分类"), tr("存放路径")});
    m_listView1->header()->setSectionsClickable(true);
    m_listView1->setColumnWidth(0, 180);
    m_listView1->setColumnWidth(1, 90);
    m_listView1->setColumnWidth(2, 90);
    m_listView1->setContextMenuPolicy(Qt::CustomContextMenu);

    m_findBar = new QWidget(this);
    auto* lblFind = new QLabel(tr("按书名查找："), m_findBar);
    lblFind->setObjectName(QStringLiteral("lblFind"));
    m_txtFind = new QLineEdit(m_findBar);
    m_txtFind->setObjectName(QStringLiteral("txtFind"));
    m_txtFind->setClearButtonEnabled(true);
    lblFind->setBuddy(m_txtFind);
    auto* findRow = new QHBoxLayout(m_findBar);
    findRow->setContentsMargins(0, 0, 0, 0);
    findRow->addWidget(lblFind);
    findRow->addWidget(m_txtFind, 1);
    m_findBar->hide();

    auto* right = new QWidget(this);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->setSpacing(2);
    rightLayout->addWidget(m_findBar);
    rightLayout->addWidget(m_listView1, 1);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("splitter"));
    splitter->addWidget(m_tvwBar);
    splitter->addWidget(right);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({180, 580});
    setCentralWidget(splitter);

    auto* statusBar1 = new QStatusBar(this);
    statusBar1->setObjectName(QStringLiteral("StatusBar1"));
    m_status = new QLabel(statusBar1);
    m_status->setObjectName(QStringLiteral("lblStatus"));
    statusBar1->addWidget(m_status, 1);
    m_progress = new QProgressBar(statusBar1);
    m_progress->setMaximumWidth(200);
    m_progress->hide();
    statusBar1->addPermanentWidget(m_progress);
    setStatusBar(statusBar1);

    createActions();
    createMenus();
    createToolbar();

    connect(m_tvwBar, &QTreeWidget::currentItemChanged, this, &FrmBookCase::nodeChanged);
    connect(m_tvwBar, &BookcaseTreeWidget::booksDropped, this, &FrmBookCase::booksDropped);
    connect(m_listView1, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) { openWithShell(item->text(kPathColumn), this); });
    connect(m_listView1->header(), &QHeaderView::sectionClicked, this, &FrmBookCase::sortBy);
    connect(m_listView1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { m_mnuBook->popup(m_listView1->viewport()->mapToGlobal(at)); });
    connect(m_txtFind, &QLineEdit::textChanged, this, &FrmBookCase::listBooks);
    // Keys act on the view that has the focus, never on the find field.
    new QShortcut(QKeySequence::Delete, m_listView1, this, &FrmBookCase::deleteBooks, Qt::WidgetShortcut);
    new QShortcut(Qt::Key_F2, m_listView1, this, &FrmBookCase::editBook, Qt::WidgetShortcut);
    new QShortcut(QKeySequence::Delete, m_tvwBar, this, &FrmBookCase::deleteCommand, Qt::WidgetShortcut);
    new QShortcut(Qt::Key_F2, m_tvwBar, this, &FrmBookCase::editCategory, Qt::WidgetShortcut);

    resize(780, 500);
    buildTree(kRootKey);
}

FrmBookCase::~FrmBookCase() {
    stopCheck();
}

QAction* FrmBookCase::action(const char* name) const {
    return findChild<QAction*>(QLatin1String(name), Qt::FindDirectChildrenOnly);
}

void FrmBookCase::createActions() {
    const auto make = [this](const char* name, const QString& text, void (FrmBookCase::*slot)()) {
        auto* a = new QAction(text, this);
        a->setObjectName(QLatin1String(name));
        if (slot)
            connect(a, &QAction::triggered, this, slot);
        return a;
    };
    make("mnuAdd", tr("新增分类(&A)"), nullptr);
    make("mnuEdit", tr("编辑分类(&E)"), &FrmBookCase::editCategory);
    make("mnuDelete", tr("删除(&D)"), &FrmBookCase::deleteCommand);
    make("mnuBookRead", tr("阅读图书(&R)"), &FrmBookCase::openBook);
    make("mnuAddBook", tr("新增图书(&A)"), &FrmBookCase::addBook);
    make("mnuBatchAddBook", tr("批量新增(&B)"), &FrmBookCase::batchAdd);
    make("mnuBookEdit", tr("图书属性(&P)"), &FrmBookCase::editBook);
    make("mnuBatchFilePath", tr("批量更改文件路径"), &FrmBookCase::replacePaths);
    make("mnuBookFind", tr("查找图书(&F)"), nullptr);
    make("mnuBookCheck", tr("检测图书是否存在"), &FrmBookCase::checkBooks);
    make("mnuBookDel", tr("删除(&D)"), &FrmBookCase::deleteBooks);
    make("mnuExit", tr("退出(&X)"), nullptr);
    connect(action("mnuAdd"), &QAction::triggered, this, &FrmBookCase::addCategoryRequested);
    action("mnuBookFind")->setCheckable(true);
    connect(action("mnuBookFind"), &QAction::toggled, this, &FrmBookCase::showFindBar);
    connect(action("mnuExit"), &QAction::triggered, this, &QWidget::close);
}

void FrmBookCase::createMenus() {
    QMenu* file = menuBar()->addMenu(tr("分类(&F)"));
    file->setObjectName(QStringLiteral("mnuFile"));
    for (const char* name : {"mnuAdd", "mnuEdit", "mnuDelete"})
        file->addAction(action(name));
    file->addSeparator();
    file->addAction(action("mnuExit"));

    m_mnuBook = menuBar()->addMenu(tr("图书(&B)"));
    m_mnuBook->setObjectName(QStringLiteral("mnuBook"));
    for (const char* name : {"mnuBookRead", "", "mnuAddBook", "mnuBatchAddBook", "mnuBookEdit",
                             "mnuBatchFilePath", "", "mnuBookFind", "mnuBookCheck", "", "mnuBookDel"}) {
        if (*name)
            m_mnuBook->addAction(action(name));
        else
            m_mnuBook->addSeparator();
    }
}

void FrmBookCase::createToolbar() {
    m_toolbar1 = addToolBar(tr("工具条"));
    m_toolbar1->setObjectName(QStringLiteral("Toolbar1"));
    m_toolbar1->setIconSize(QSize(24, 24));
    m_toolbar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_toolbar1->setMovable(false);
    const auto button = [this](const char* key, const char* actionName, const QIcon& icon,
                               const QString& text) {
        QAction* a = action(actionName);
        a->setIcon(icon);
        a->setIconText(text);
        m_toolbar1->addAction(a);
        if (QWidget* w = m_toolbar1->widgetForAction(a))
            w->setObjectName(QLatin1String(key));
    };
    button("Add", "mnuAdd", Icons::tool(QStringLiteral("New")), tr("新增分类"));
    button("Edit", "mnuEdit", Icons::tool(QStringLiteral("Edit")), tr("编辑分类"));
    button("Delete", "mnuDelete", Icons::tool(QStringLiteral("Delete")), tr("删除"));
    m_toolbar1->addSeparator();
    button("ReadBook", "mnuBookRead", Icons::tree(QStringLiteral("BookOpen")), tr("阅读"));
    button("AddBook", "mnuAddBook", Icons::tool(QStringLiteral("Book")), tr("新增图书"));
    button("EditBook", "mnuBookEdit", Icons::tool(QStringLiteral("Prop")), tr("图书属性"));
    button("FindBook", "mnuBookFind", Icons::tool(QStringLiteral("Find")), tr("查找"));
    m_toolbar1->addSeparator();
    button("Exit", "mnuExit", Icons::tool(QStringLiteral("Exit")), tr("退出"));
}

// Tree and list

void FrmBookCase::buildTree(const QString& selectKey) {
    {
        const QSignalBlocker blocker(m_tvwBar);
        m_tvwBar->clear();
        auto* root = new QTreeWidgetItem(m_tvwBar, {tr("全部")});
        root->setData(0, BookcaseTreeWidget::kKeyRole, kRootKey);
        root->setIcon(0, folderIcon(false));
        for (const Category& c : CategoryStore(m_library.database()).list()) {
            auto* node = new QTreeWidgetItem(root, {c.name});
            node->setData(0, BookcaseTreeWidget::kKeyRole, QString(kCategoryPrefix + c.code));
            node->setIcon(0, folderIcon(false));
        }
        root->setExpanded(true);
        QTreeWidgetItem* node = m_tvwBar->itemOfKey(selectKey);
        if (!node)
            node = root;
        m_tvwBar->setCurrentItem(node);
        node->setIcon(0, folderIcon(true));
    }
    listBooks();
}

void FrmBookCase::nodeChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous) {
    if (previous)
        previous->setIcon(0, folderIcon(false));
    if (current)
        current->setIcon(0, folderIcon(true));
    listBooks();
}

QTreeWidgetItem* FrmBookCase::currentNode() const {
    return m_tvwBar->currentItem();
}

QString FrmBookCase::selectedCode() const {
    const QString key = BookcaseTreeWidget::keyOf(currentNode());
    return key.startsWith(kCategoryPrefix) ? key.mid(kCategoryPrefix.size()) : QString();
}

void FrmBookCase::listBooks() {
    // A check of the books listed before means nothing for these.
    stopCheck();
    const QString filter = action("mnuBookFind")->isChecked() ? m_txtFind->text() : QString();
    const QList<BookcaseEntry> entries = BookcaseStore(m_library.database()).list(selectedCode(), filter);
    m_listView1->setUpdatesEnabled(false);
    m_listView1->clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(entries.size());
    for (const BookcaseEntry& e : entries)
        items << BookcaseTreeWidget::bookItem(e.id, {e.mc, e.zz, e.lbTitle, e.wjlj});
    m_listView1->addTopLevelItems(items);
    if (m_sortColumn >= 0)
        m_listView1->sortItems(m_sortColumn, m_sortOrder);
    m_listView1->setUpdatesEnabled(true);
    showStatus();
}

void FrmBookCase::showStatus() {
    const QTreeWidgetItem* node = currentNode();
    m_status->setText(
        Bookcase::statusText(node ? node->text(0) : tr("全部"), m_listView1->topLevelItemCount()));
}

void FrmBookCase::reload() {
    const QString key = BookcaseTreeWidget::keyOf(currentNode());
    const QList<qint64> selected = m_listView1->selectedIds();
    const qint64 current = BookcaseTreeWidget::idOf(m_listView1->currentItem());
    buildTree(key.isEmpty() ? kRootKey : key);
    selectBooks(selected);
    if (current) {
        for (int i = 0; i < m_listView1->topLevelItemCount(); ++i) {
            QTreeWidgetItem* item = m_listView1->topLevelItem(i);
            if (BookcaseTreeWidget::idOf(item) == current) {
                m_listView1->setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
                break;
            }
        }
    }
}

void FrmBookCase::selectBooks(const QList<qint64>& ids) {
    const QSet<qint64> wanted(ids.begin(), ids.end());
    m_listView1->clearSelection();
    QTreeWidgetItem* first = nullptr;
    for (int i = 0; i < m_listView1->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_listView1->topLevelItem(i);
        if (!wanted.contains(BookcaseTreeWidget::idOf(item)))
            continue;
        item->setSelected(true);
        if (!first)
            first = item;
    }
    if (first) {
        m_listView1->setCurrentItem(first, 0, QItemSelectionModel::NoUpdate);
        m_listView1->scrollToItem(first);
    }
}

void FrmBookCase::sortBy(int column) {
    m_sortOrder = column == m_sortColumn && m_sortOrder == Qt::AscendingOrder ? Qt::DescendingOrder
                                                                              : Qt::AscendingOrder;
    m_sortColumn = column;
    m_listView1->sortItems(column, m_sortOrder);
    m_listView1->header()->setSortIndicatorShown(true);
    m_listView1->header()->setSortIndicator(column, m_sortOrder);
}

// Categories

void FrmBookCase::editCategory() {
    const QString code = selectedCode();
    if (code.isEmpty()) {
        Messages::warning(this, tr("请选择具体的分类"));
        return;
    }
    Q_EMIT editCategoryRequested(code);
}

void FrmBookCase::deleteCommand() {
    if (!m_listView1->selectedIds().isEmpty()) {
        deleteBooks();
        return;
    }
    const QString code = selectedCode();
    if (code.isEmpty()) {
        Messages::warning(this, tr("请选择具体的图书"));
        return;
    }
    deleteCategory(code, currentNode()->text(0));
}

void FrmBookCase::deleteCategory(const QString& code, const QString& name) {
    FrmBookCaseDel dialog(this, name);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const Bookcase::Result result = m_bookcase.removeCategory(code, dialog.deleteFiles());
    if (!result.ok()) {
        Messages::warning(this, result.error);
        return;
    }
    buildTree(kRootKey);
    if (QTreeWidgetItem* first = m_listView1->topLevelItem(0))
        m_listView1->setCurrentItem(first);
    Q_EMIT categoriesChanged();
    showFiles(result.files);
}

// Books

void FrmBookCase::deleteBooks() {
    const QList<qint64> ids = m_listView1->selectedIds();
    if (ids.isEmpty()) {
        Messages::warning(this, tr("请选择具体的图书"));
        return;
    }
    FrmBookCaseDel dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const Bookcase::Result result = m_bookcase.remove(ids, dialog.deleteFiles());
    if (!result.ok()) {
        // Most likely a book deleted meanwhile elsewhere: show what is there now.
        Messages::warning(this, result.error);
        reload();
        return;
    }
    const QSet<qint64> gone(result.ids.begin(), result.ids.end());
    for (int i = m_listView1->topLevelItemCount() - 1; i >= 0; --i)
        if (gone.contains(BookcaseTreeWidget::idOf(m_listView1->topLevelItem(i))))
            delete m_listView1->takeTopLevelItem(i);
    if (QTreeWidgetItem* first = m_listView1->topLevelItem(0))
        m_listView1->setCurrentItem(first);
    showStatus();
    showFiles(result.files);
}

void FrmBookCase::showFiles(const Bookcase::Files& files) {
    QStringList lines;
    if (!files.failed.isEmpty())
        lines << tr("以下文件未能删除：") << files.failed;
    if (!files.kept.isEmpty())
        lines << tr("以下是书库中小说的目录页，文件已保留：") << files.kept;
    if (lines.isEmpty())
        return;
    if (files.failed.isEmpty())
        Messages::information(this, lines.join(u'\n'));
    else
        Messages::warning(this, lines.join(u'\n'));
}

QTreeWidgetItem* FrmBookCase::chosenBook() {
    QTreeWidgetItem* item = m_listView1->currentItem();
    if (!item || !item->isSelected()) {
        const QList<QTreeWidgetItem*> selected = m_listView1->selectedItems();
        item = selected.isEmpty() ? nullptr : selected.first();
    }
    if (!item)
        Messages::warning(this, tr("请选择具体的图书"));
    return item;
}

void FrmBookCase::openBook() {
    QTreeWidgetItem* item = chosenBook();
    if (!item)
        return;
    openWithShell(item->text(kPathColumn), this);
}

void FrmBookCase::addBook() {
    FrmBookCaseEdit dialog(m_library, selectedCode(), this);
    const int result = dialog.exec();
    if (result == FrmBookCaseEdit::BatchAdd) {
        batchAdd();
        return;
    }
    if (result != QDialog::Accepted)
        return;
    reload();
    selectBooks({dialog.id()});
}

void FrmBookCase::batchAdd() {
    FrmBookCaseBatchAdd dialog(m_library, selectedCode(), this);
    connect(&dialog, &FrmBookCaseBatchAdd::added, this, [this](const QList<qint64>& ids) {
        reload();
        selectBooks(ids);
    });
    dialog.exec();
}

void FrmBookCase::editBook() {
    QTreeWidgetItem* item = chosenBook();
    if (!item)
        return;
    FrmBookCaseEdit dialog(m_library, BookcaseTreeWidget::idOf(item), this);
    if (dialog.exec() == QDialog::Accepted)
        reload();
}

void FrmBookCase::replacePaths() {
    const QList<qint64> ids = m_listView1->selectedIds();
    if (ids.isEmpty()) {
        Messages::warning(this, tr("请选择具体的图书"));
        return;
    }
    Q_EMIT pathReplaceRequested(ids);
}

void FrmBookCase::showFindBar(bool shown) {
    m_findBar->setVisible(shown);
    if (shown) {
        m_txtFind->setFocus();
        return;
    }
    const bool filtered = !m_txtFind->text().isEmpty();
    {
        const QSignalBlocker blocker(m_txtFind);
        m_txtFind->clear();
    }
    if (filtered)
        listBooks();
}

void FrmBookCase::booksDropped(const QList<qint64>& ids, const QString& targetKey) {
    if (targetKey.isEmpty() || ids.isEmpty())
        return; // not on a node
    const QString code =
        targetKey.startsWith(kCategoryPrefix) ? targetKey.mid(kCategoryPrefix.size()) : QString();
    const Bookcase::Result result = m_bookcase.move(ids, code);
    if (!result.ok()) {
        Messages::warning(this, result.error);
        return;
    }
    const QTreeWidgetItem* target = m_tvwBar->itemOfKey(targetKey);
    const QString name = target ? target->text(0) : QString();
    const QString listed = selectedCode();
    const QSet<qint64> moved(ids.begin(), ids.end());
    for (int i = m_listView1->topLevelItemCount() - 1; i >= 0; --i) {
        QTreeWidgetItem* item = m_listView1->topLevelItem(i);
        if (!moved.contains(BookcaseTreeWidget::idOf(item)))
            continue;
        if (!listed.isEmpty() && listed != code)
            delete m_listView1->takeTopLevelItem(i);
        else
            item->setText(2, name);
    }
    showStatus();
}

// The file check

void FrmBookCase::checkBooks() {
    stopCheck();
    QList<BookcaseEntry> entries;
    entries.reserve(m_listView1->topLevelItemCount());
    for (int i = 0; i < m_listView1->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_listView1->topLevelItem(i);
        for (int c = 0; c < kColumns; ++c)
            item->setData(c, Qt::ForegroundRole, QVariant());
        BookcaseEntry entry;
        entry.id = BookcaseTreeWidget::idOf(item);
        entry.wjlj = item->text(kPathColumn);
        entries << entry;
    }
    auto* job = new BookcaseCheckJob(entries, this);
    m_check = job;
    // Reports of a check stopped meanwhile may still be on their way: only the running one counts.
    connect(job, &Job::progressChanged, this, [this, job](int value, int maximum) {
        if (job != m_check)
            return;
        m_progress->setRange(0, std::max(1, maximum));
        m_progress->setValue(value);
        m_status->setText(tr("正在检测图书是否存在：%1/%2").arg(value).arg(maximum));
    });
    connect(
        job, &Job::finished, this,
        [this, job] {
            if (job == m_check)
                checkFinished();
        },
        Qt::QueuedConnection);
    m_progress->setRange(0, std::max(1, int(entries.size())));
    m_progress->setValue(0);
    m_progress->show();
    job->start();
}

void FrmBookCase::checkFinished() {
    BookcaseCheckJob* job = std::exchange(m_check, nullptr);
    job->wait();
    const QList<qint64> missing = job->missing();
    const bool completed = job->completed();
    job->deleteLater();
    m_progress->hide();
    showStatus();
    if (!completed)
        return;

    const QSet<qint64> gone(missing.begin(), missing.end());
    const QBrush red(QColor(255, 0, 0));
    QList<qint64> redIds;
    for (int i = 0; i < m_listView1->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_listView1->topLevelItem(i);
        if (!gone.contains(BookcaseTreeWidget::idOf(item)))
            continue;
        for (int c = 0; c < kColumns; ++c)
            item->setForeground(c, red);
        redIds << BookcaseTreeWidget::idOf(item);
    }
    if (redIds.isEmpty()) {
        Messages::information(this, Bookcase::checkMessage(0));
        return;
    }
    if (!Messages::question(this, Bookcase::checkMessage(int(redIds.size()))))
        return;
    selectBooks(redIds);
    deleteBooks();
}

void FrmBookCase::stopCheck() {
    if (!m_check)
        return;
    BookcaseCheckJob* job = std::exchange(m_check, nullptr);
    job->disconnect(this);
    job->requestStop();
    // It ends at its next book, which on a slow drive may take a while: it finishes on its own, owned
    // by the program so that it is waited for at the end at the latest.
    job->setParent(QCoreApplication::instance());
    connect(job, &Job::finished, job, &QObject::deleteLater);
    if (!job->isRunning())
        job->deleteLater();
    m_progress->hide();
}

void FrmBookCase::closeEvent(QCloseEvent* event) {
    stopCheck();
    QMainWindow::closeEvent(event);
}
