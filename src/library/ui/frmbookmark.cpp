#include "library/ui/frmbookmark.h"

#include "library/bookmarkbook.h"
#include "widgets/messages.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

FrmBookmark::FrmBookmark(const QString& libraryPath, QWidget* parent)
    : QDialog(parent)
    , m_libraryPath(libraryPath) {
    setObjectName(QStringLiteral("frmBookmark"));
    setWindowTitle(tr("书签整理"));
    resize(720, 420);
    auto* layout = new QVBoxLayout(this);
    m_lstBookmark = new QTreeWidget(this);
    m_lstBookmark->setObjectName(QStringLiteral("lstBookmark"));
    m_lstBookmark->setRootIsDecorated(false);
    m_lstBookmark->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_lstBookmark->setHeaderLabels({tr("书签名称"), tr("文件路径"), tr("编号")});
    m_lstBookmark->header()->resizeSection(0, 300);
    m_lstBookmark->header()->resizeSection(1, 300);
    layout->addWidget(m_lstBookmark);
    auto* buttons = new QHBoxLayout;
    auto* remove = new QPushButton(tr("移除"), this);
    remove->setObjectName(QStringLiteral("cmdRemove"));
    buttons->addWidget(remove);
    buttons->addStretch();
    auto* ok = new QPushButton(tr("保存"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    auto* cancel = new QPushButton(tr("取消"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(remove, &QPushButton::clicked, this, &FrmBookmark::removeSelected);
    connect(ok, &QPushButton::clicked, this, &FrmBookmark::save);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    m_kept = BookmarkBook(m_libraryPath).list();
    fill();
}

void FrmBookmark::fill() {
    m_lstBookmark->clear();
    for (int i = 0; i < m_kept.size(); ++i) {
        const Bookmark& b = m_kept.at(i);
        auto* item = new QTreeWidgetItem(m_lstBookmark, {b.name, b.fullAddress, b.strPos});
        item->setData(0, Qt::UserRole, i);
    }
}

void FrmBookmark::removeSelected() {
    const QList<QTreeWidgetItem*> selected = m_lstBookmark->selectedItems();
    if (selected.isEmpty()) {
        Messages::warning(this, tr("请点选具体项进行移除"));
        return;
    }
    QList<int> rows;
    for (const QTreeWidgetItem* item : selected)
        rows << item->data(0, Qt::UserRole).toInt();
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    for (int row : rows)
        m_removed << m_kept.takeAt(row);
    fill();
}

void FrmBookmark::save() {
    if (!BookmarkBook(m_libraryPath).save(m_kept, m_removed))
        Messages::warning(this, tr("书签无法全部保存"));
    accept();
}
