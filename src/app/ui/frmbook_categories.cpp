// The main window's category commands and moving novels between categories.
#include "app/ui/frmbook.h"
#include "widgets/icons.h"

#include "library/categoryeditor.h"
#include "library/treekeys.h"
#include "library/ui/frmaddtype.h"
#include "library/ui/frmdeltype.h"
#include "library/ui/frmtypemove.h"
#include "library/ui/frmtypemoveto.h"
#include "library/ui/frmtypeselect.h"
#include "library/ui/librarytreewidget.h"
#include "library/ui/readingview.h"
#include "storage/librarycontext.h"
#include "widgets/messages.h"

#include <QIcon>

QString FrmBook::currentCategoryCode() const {
    return TreeKeys::idOf(m_tvwBar->keyOf(m_tvwBar->currentItem()), TreeKeys::kCategory);
}

void FrmBook::mnuLBAdd() {
    CategoryEditor editor(m_library);
    FrmAddType dialog(editor, QString(), QString(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    QTreeWidgetItem* root = findNode(TreeKeys::kRoot);
    if (!root)
        return;
    // Categories come first under the root, in the order of their codes; the new node goes among them
    // without disturbing what the user has opened or chosen.
    const QString key = TreeKeys::category(dialog.code());
    int at = 0;
    while (at < root->childCount()) {
        const QString other = m_tvwBar->keyOf(root->child(at));
        if (!other.startsWith(TreeKeys::kCategory) || other > key)
            break;
        ++at;
    }
    auto* node = new QTreeWidgetItem({dialog.name()});
    node->setData(0, LibraryTreeWidget::kKeyRole, key);
    node->setIcon(0, Icons::tree(QStringLiteral("folder")));
    root->insertChild(at, node);
}

void FrmBook::mnuLBEdit() {
    const QString code = currentCategoryCode();
    if (code.isEmpty()) {
        Messages::warning(this, tr("请选择具体分类"));
        return;
    }
    CategoryEditor editor(m_library);
    QTreeWidgetItem* node = m_tvwBar->currentItem();
    FrmAddType dialog(editor, code, node->text(0), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    node->setText(0, dialog.name());
    nodeClick(node); // the list names the category too
}

void FrmBook::mnuLBMoveTo() {
    const QString code = currentCategoryCode();
    if (code.isEmpty()) {
        Messages::warning(this, tr("请选择具体分类"));
        return;
    }
    CategoryEditor editor(m_library);
    FrmTypeMoveTo dialog(editor, m_library, code, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    fillTree();
    selectNode(TreeKeys::category(dialog.code()));
}

void FrmBook::mnuMoveNovel() {
    const QString id = currentNovelId();
    if (id.isEmpty()) {
        Messages::warning(this, tr("请选择具体小说"));
        return;
    }
    CategoryEditor editor(m_library);
    FrmTypeMove dialog(editor, m_library, id, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    fillTree();
    selectNode(TreeKeys::novel(id));
}

void FrmBook::mnuMoveToType() {
    const QString id = currentNovelId();
    QTreeWidgetItem* node = m_tvwBar->currentItem();
    if (id.isEmpty() || !node->parent()) {
        Messages::warning(this, tr("请选择具体小说"));
        return;
    }
    FrmTypeSelect dialog(m_library, m_tvwBar->keyOf(node->parent()), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    QTreeWidgetItem* target = findNode(dialog.chosenKey());
    const CategoryEditor::Result result =
        CategoryEditor(m_library).moveNovel(id, TreeKeys::idOf(dialog.chosenKey(), TreeKeys::kCategory));
    if (!result.ok()) {
        Messages::warning(this, result.error);
        return;
    }
    if (result.novelIds.isEmpty() || !target)
        return; // its own category
    // The node goes to the end of its new category, as the novel did; it stays the chosen one.
    const QSignalBlocker block(m_tvwBar);
    node->parent()->removeChild(node);
    target->addChild(node);
    m_tvwBar->setCurrentItem(node);
    m_tvwBar->scrollToItem(node);
}

void FrmBook::deleteCategory() {
    const QString code = currentCategoryCode();
    QTreeWidgetItem* node = m_tvwBar->currentItem();
    if (code.isEmpty() || !node)
        return;
    CategoryEditor editor(m_library);
    // A run may reach any novel of the library.
    editor.setDownloadingNovel([this](const QString&) { return m_busy; });
    if (editor.hasDownloadingNovel(code)) {
        Messages::warning(this, tr("此分类下小说正在下载中，不能删除。"));
        return;
    }
    FrmDelType dialog(node->text(0), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const CategoryEditor::Result result = editor.remove(code, dialog.deleteFiles());
    if (!result.ok()) {
        Messages::warning(this, result.error);
        return;
    }
    if (result.novelIds.contains(m_shownNovelId)) {
        m_shownNovelId.clear();
        m_shownChapterId = 0;
        m_web1->navigate(QUrl(QStringLiteral("about:blank")));
    }
    if (result.novelIds.contains(TreeKeys::idOf(m_openNovelKey, TreeKeys::kNovel)))
        m_openNovelKey.clear();
    {
        const QSignalBlocker block(m_tvwBar);
        m_tvwBar->setCurrentItem(nullptr);
        delete node;
    }
    selectNode(TreeKeys::kRoot);
}
