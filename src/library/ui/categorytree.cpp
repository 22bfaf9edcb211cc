#include "library/ui/categorytree.h"
#include "widgets/icons.h"

#include "library/treekeys.h"
#include "storage/categorystore.h"
#include "storage/librarycontext.h"

#include <QCoreApplication>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

namespace CategoryTree {

void fill(QTreeWidget* tree, const LibraryContext& library, bool withRoot, const QString& exceptCode) {
    tree->clear();
    tree->setHeaderHidden(true);
    QTreeWidgetItem* parent = nullptr;
    if (withRoot) {
        parent = new QTreeWidgetItem(tree, {QCoreApplication::translate("CategoryTree", "小说列表")});
        parent->setData(0, Qt::UserRole, TreeKeys::kRoot);
        parent->setIcon(0, Icons::tree(QStringLiteral("library")));
    }
    for (const Category& c : CategoryStore(library.database()).list()) {
        if (c.code == exceptCode)
            continue;
        auto* node = parent ? new QTreeWidgetItem(parent, {c.name}) : new QTreeWidgetItem(tree, {c.name});
        node->setData(0, Qt::UserRole, TreeKeys::category(c.code));
        node->setIcon(0, Icons::tree(QStringLiteral("folder")));
    }
    tree->expandAll();
}

QString chosenKey(const QTreeWidget* tree) {
    const QTreeWidgetItem* item = tree->currentItem();
    return item && item->isSelected() ? item->data(0, Qt::UserRole).toString() : QString();
}

QString chosenCode(const QTreeWidget* tree) {
    return TreeKeys::idOf(chosenKey(tree), TreeKeys::kCategory);
}

bool choose(QTreeWidget* tree, const QString& key) {
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if ((*it)->data(0, Qt::UserRole).toString() == key) {
            tree->setCurrentItem(*it);
            (*it)->setSelected(true);
            return true;
        }
    return false;
}

} // namespace CategoryTree
