#include "library/ui/frmbook.h"

#include "library/librarytree.h"
#include "library/treekeys.h"
#include "storage/librarycontext.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTreeWidget>

namespace {

constexpr int kKeyRole = Qt::UserRole;

QTreeWidgetItem* novelItem(const TreeNovel& novel, const QIcon& icon) {
    auto* item = new QTreeWidgetItem({novel.text()});
    item->setData(0, kKeyRole, TreeKeys::novel(novel.novelId));
    item->setIcon(0, icon);
    if (novel.unread > 0) {
        QFont font = item->font(0);
        font.setBold(true);
        item->setFont(0, font);
    }
    return item;
}

} // namespace

FrmBook::FrmBook(LibraryContext& library, QWidget* parent)
    : QMainWindow(parent)
    , m_library(library) {
    setObjectName(QStringLiteral("frmBook"));
    setWindowTitle(QStringLiteral("Quiveral"));
    resize(1000, 680);

    auto* splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("picSplitter"));
    m_tvwBar = new QTreeWidget(splitter);
    m_tvwBar->setObjectName(QStringLiteral("tvwBar"));
    m_tvwBar->setHeaderHidden(true);
    m_listView1 = new QTreeWidget(splitter);
    m_listView1->setObjectName(QStringLiteral("ListView1"));
    m_listView1->setRootIsDecorated(false);
    m_listView1->setHeaderLabels(
        {QString(), tr("小说名称"), tr("分类"), tr("目录页网址"), tr("作者"), tr("是否不再更新")});
    splitter->setStretchFactor(1, 3);
    setCentralWidget(splitter);

    m_status = new QLabel(this);
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->addWidget(m_status, 1);

    fillTree();
}

void FrmBook::fillTree() {
    const LibraryTree data = LibraryTree::load(m_library.database());
    const QIcon folderIcon = style()->standardIcon(QStyle::SP_DirIcon);
    const QIcon bookIcon = style()->standardIcon(QStyle::SP_FileIcon);

    m_tvwBar->clear();
    auto* root = new QTreeWidgetItem(m_tvwBar, {tr("小说列表")});
    root->setData(0, kKeyRole, TreeKeys::kRoot);
    root->setIcon(0, style()->standardIcon(QStyle::SP_DriveHDIcon));
    for (const TreeCategory& category : data.categories) {
        auto* node = new QTreeWidgetItem(root, {category.name});
        node->setData(0, kKeyRole, TreeKeys::category(category.code));
        node->setIcon(0, folderIcon);
        for (const TreeNovel& novel : category.novels)
            node->addChild(novelItem(novel, bookIcon));
    }
    for (const TreeNovel& novel : data.uncategorised)
        root->addChild(novelItem(novel, bookIcon));
    root->setExpanded(true);
    m_tvwBar->setCurrentItem(root);
    m_status->setText(tr("小说列表") + tr("：") + QString::number(data.novelCount()));
}

QTreeWidgetItem* FrmBook::findNode(const QString& key) const {
    for (QTreeWidgetItemIterator it(m_tvwBar); *it; ++it)
        if ((*it)->data(0, kKeyRole).toString() == key)
            return *it;
    return nullptr;
}

void FrmBook::requestAddNovel(const QString& address) {
    m_pendingAddress = address;
    m_status->setText(tr("新增小说：") + address);
    Q_EMIT addNovelRequested(address);
}
