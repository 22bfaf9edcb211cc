// The main window's commands on novels, categories and the chapter list.
#include "app/ui/frmbook.h"
#include "companion/ui/trayicon.h"
#include "widgets/icons.h"

#include "library/novelremoval.h"
#include "library/ordering.h"
#include "library/treekeys.h"
#include "library/ui/frmbookdel.h"
#include "library/ui/frmbookset.h"
#include "library/ui/frmcheck.h"
#include "library/ui/frmfindbook.h"
#include "library/ui/librarytreewidget.h"
#include "library/ui/readingview.h"
#include "storage/librarycontext.h"
#include "storage/novellist.h"
#include "storage/novelstore.h"
#include "storage/textfile.h"
#include "widgets/messages.h"
#include "widgets/openwithshell.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>

void FrmBook::mnuBookUp() {
    moveNovel(true);
}

void FrmBook::mnuBookDown() {
    moveNovel(false);
}

void FrmBook::moveNovel(bool up) {
    const QString id = currentNovelId();
    QTreeWidgetItem* node = m_tvwBar->currentItem();
    if (id.isEmpty() || !node || !node->parent())
        return;
    QTreeWidgetItem* parent = node->parent();
    const int at = parent->indexOfChild(node);
    const int other = up ? at - 1 : at + 1;
    QTreeWidgetItem* neighbour = parent->child(other);
    // Under the root the categories come first; a novel never changes places with one.
    if (!neighbour || !m_tvwBar->keyOf(neighbour).startsWith(TreeKeys::kNovel))
        return;
    if (!Ordering::moveNovel(m_library.database(), id,
                             up ? Ordering::Direction::Up : Ordering::Direction::Down))
        return;
    const QSignalBlocker block(m_tvwBar);
    parent->takeChild(at);
    parent->insertChild(other, node);
    m_tvwBar->setCurrentItem(node);
    m_tvwBar->scrollToItem(node);
}

void FrmBook::mnuBookOrderByTitle() {
    if (Ordering::orderNovels(m_library.database(), Ordering::NovelOrder::ByTitle))
        fillTree();
}

void FrmBook::mnuBookOrderByDate() {
    if (Ordering::orderNovels(m_library.database(), Ordering::NovelOrder::ByDateAdded))
        fillTree();
}

void FrmBook::mnuLBUp() {
    moveCategory(true);
}

void FrmBook::mnuLBDown() {
    moveCategory(false);
}

void FrmBook::moveCategory(bool up) {
    const QString code = TreeKeys::idOf(m_tvwBar->keyOf(m_tvwBar->currentItem()), TreeKeys::kCategory);
    if (code.isEmpty()) {
        Messages::warning(this, tr("请选择具体分类"));
        return;
    }
    const QString moved = Ordering::moveCategory(m_library.database(), code,
                                                 up ? Ordering::Direction::Up : Ordering::Direction::Down);
    if (moved.isEmpty())
        return;
    fillTree();
    selectNode(TreeKeys::category(moved));
}

void FrmBook::mnuOrderByTitle() {
    orderChapters(int(Ordering::ChapterOrder::ByTitle));
}

void FrmBook::mnuOrderByTime() {
    orderChapters(int(Ordering::ChapterOrder::ByTime));
}

void FrmBook::mnuOrderByUrl() {
    orderChapters(int(Ordering::ChapterOrder::ByAddress));
}

void FrmBook::orderChapters(int order) {
    const QString id = currentNovelId();
    if (id.isEmpty() || m_listView1->topLevelItemCount() == 0)
        return;
    if (!Ordering::orderChapters(m_library.database(), id, Ordering::ChapterOrder(order)))
        return;
    rewriteContentsPage(id);
    showChapterList(id);
    if (QTreeWidgetItem* shown = findListItem(TreeKeys::chapter(m_shownChapterId))) {
        m_listView1->setCurrentItem(shown);
        m_listView1->scrollToItem(shown);
    }
}

void FrmBook::mnuSelectAll() {
    m_listView1->selectAll();
}

void FrmBook::mnuSelectNotReaded() {
    m_listView1->clearSelection();
    for (QTreeWidgetItem* item : chapterItems())
        item->setSelected(!item->data(0, LibraryTreeWidget::kReadRole).toBool());
}

void FrmBook::mnuSelectReaded() {
    m_listView1->clearSelection();
    for (QTreeWidgetItem* item : chapterItems())
        item->setSelected(item->data(0, LibraryTreeWidget::kReadRole).toBool());
}

void FrmBook::mnuSelectOther() {
    for (QTreeWidgetItem* item : chapterItems())
        item->setSelected(!item->isSelected());
}

void FrmBook::mnuSelSingleLine() {
    const QList<QTreeWidgetItem*> items = chapterItems();
    for (int i = 0; i < items.size(); ++i)
        items.at(i)->setSelected(i % 2 == 0);
}

void FrmBook::mnuSelectNotRead() {
    const QList<QTreeWidgetItem*> items = chapterItems();
    if (items.isEmpty())
        return;
    for (QTreeWidgetItem* item : items)
        if (!item->data(0, LibraryTreeWidget::kReadRole).toBool()) {
            jumpTo(item);
            return;
        }
    Messages::information(this, tr("没有未读章节"));
}

void FrmBook::mnuSelectFirst() {
    const QList<QTreeWidgetItem*> items = chapterItems();
    if (!items.isEmpty())
        jumpTo(items.first());
}

void FrmBook::mnuSelectLast() {
    const QList<QTreeWidgetItem*> items = chapterItems();
    if (!items.isEmpty())
        jumpTo(items.last());
}

void FrmBook::jumpTo(QTreeWidgetItem* item) {
    m_listView1->clearSelection();
    m_listView1->setCurrentItem(item);
    item->setSelected(true);
    m_listView1->scrollToItem(item);
    viewNovelContent();
}

void FrmBook::mnuDelete() {
    // Del acts on what has the focus: chapters chosen in the list are never the whole novel.
    const DeleteTarget target = deleteTarget();
    if (target == DeleteTarget::Chapters) {
        extTitleDel();
        return;
    }
    if (target == DeleteTarget::ListedNovels) {
        mnuBatchDelete();
        return;
    }
    if (target == DeleteTarget::Category) {
        deleteCategory();
        return;
    }
    const QString id = currentNovelId();
    if (target != DeleteTarget::Novel || id.isEmpty()) {
        Messages::warning(this, tr("请选择具体的小说"));
        return;
    }
    if (m_busy) {
        Messages::warning(this, tr("本小说正在下载中，不能删除。"));
        return;
    }
    deleteNovels({id});
}

void FrmBook::mnuBatchDelete() {
    const QStringList ids = selectedNovelIds();
    if (ids.isEmpty()) {
        Messages::warning(this, tr("请选择具体的小说"));
        return;
    }
    if (m_busy) {
        Messages::warning(this, tr("本小说正在下载中，不能删除。"));
        return;
    }
    deleteNovels(ids);
}

void FrmBook::deleteNovels(const QStringList& novelIds) {
    FrmBookDel dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QStringList deleted = NovelRemoval::deleteNovels(m_library, novelIds, dialog.deleteFiles());
    if (deleted.contains(m_shownNovelId)) {
        m_shownNovelId.clear();
        m_shownChapterId = 0;
        m_web1->navigate(QUrl(QStringLiteral("about:blank")));
    }
    // The parent of a deleted novel node is shown again; a list of novels is shown anew.
    QTreeWidgetItem* current = m_tvwBar->currentItem();
    QString show = m_tvwBar->keyOf(current);
    if (current && deleted.contains(TreeKeys::idOf(show, TreeKeys::kNovel)) && current->parent())
        show = m_tvwBar->keyOf(current->parent());
    for (const QString& id : deleted)
        if (QTreeWidgetItem* node = findNode(TreeKeys::novel(id))) {
            if (node == m_tvwBar->currentItem()) {
                const QSignalBlocker block(m_tvwBar);
                m_tvwBar->setCurrentItem(nullptr);
            }
            if (m_openNovelKey == TreeKeys::novel(id))
                m_openNovelKey.clear();
            delete node;
        }
    if (QTreeWidgetItem* node = findNode(show)) {
        const QSignalBlocker block(m_tvwBar);
        m_tvwBar->setCurrentItem(node);
        nodeClick(node);
    }
}

void FrmBook::mnuBatchNotReNew() {
    const QStringList ids = selectedNovelIds();
    if (ids.isEmpty() || !LibraryLists::setEnded(m_library.database(), ids, true))
        return;
    for (QTreeWidgetItem* item : m_listView1->selectedItems()) {
        item->setData(0, LibraryTreeWidget::kEndRole, QStringLiteral("1"));
        item->setText(5, tr("是"));
        item->setIcon(0, Icons::tree(QStringLiteral("Book2")));
    }
    for (const QString& id : ids)
        if (QTreeWidgetItem* node = findNode(TreeKeys::novel(id))) {
            node->setData(0, LibraryTreeWidget::kEndRole, QStringLiteral("1"));
            node->setIcon(0, Icons::tree(QStringLiteral("Book2")));
        }
}

void FrmBook::mnuBatchReNew() {
    const QStringList ids = selectedNovelIds();
    if (ids.isEmpty() || !LibraryLists::setEnded(m_library.database(), ids, false))
        return;
    for (QTreeWidgetItem* item : m_listView1->selectedItems()) {
        item->setData(0, LibraryTreeWidget::kEndRole, QStringLiteral("0"));
        item->setText(5, tr("否"));
        item->setIcon(0, Icons::tree(QStringLiteral("Book")));
    }
    for (const QString& id : ids)
        if (QTreeWidgetItem* node = findNode(TreeKeys::novel(id))) {
            node->setData(0, LibraryTreeWidget::kEndRole, QStringLiteral("0"));
            node->setIcon(0, Icons::tree(QStringLiteral("Book")));
        }
}

void FrmBook::mnuBookFind() {
    FrmFindBook dialog(m_library, this);
    if (dialog.exec() == QDialog::Accepted && !dialog.pagePath().isEmpty())
        showPage(dialog.pagePath());
}

void FrmBook::mnuNovelFolder() {
    const QString id = currentNovelId();
    if (id.isEmpty()) {
        Messages::warning(this, tr("请选择具体小说"));
        return;
    }
    const QString folder = m_library.folder().novelDir(id);
    QDir().mkpath(folder); // a novel without chapters has no folder yet
    openWithShell(folder, this);
}

void FrmBook::mnuTitleWidth() {
    if (m_listMode != ListMode::Chapters)
        return;
    for (int i = 1; i <= 5; ++i)
        m_library.settings().writeIniValue(Settings::kMain, QStringLiteral("TitleWidth%1").arg(i),
                                           QString::number(m_listView1->ownWidth(i) * 15));
    Messages::information(this, tr("保存完成"));
}

void FrmBook::mnuProp() {
    FrmBookSet dialog(m_library, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    settbrWeb();
    startRenewalTimer();
    m_tray->setEnabled(m_library.settings().isOn(QStringLiteral("bIsNotify")));
}

void FrmBook::mnuAbout() {
    Messages::information(this, tr("Quiveral %1\n网络小说下载阅读").arg(QStringLiteral(QUIVERAL_VERSION)));
}

void FrmBook::mnuCheck() {
    auto* window = new FrmCheck(m_library, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->open();
}

void FrmBook::mnuExit() {
    close();
}

void FrmBook::mnuOut() {
    if (NovelStore(m_library.database()).count() == 0) {
        Messages::warning(this, tr("小说列表没有内容"));
        return;
    }
    const QString path =
        Messages::saveFileName(this, tr("导出小说列表"), QDir::home().filePath(NovelList::proposedName()),
                               tr("小说列表文件(*.lst)"));
    if (path.isEmpty())
        return;
    const NovelList::Result result = NovelList::exportTo(m_library.database(), path);
    if (result.ok)
        Messages::information(this, result.message);
    else
        Messages::warning(this, result.message);
}

void FrmBook::mnuGet() {
    const QString path =
        Messages::openFileName(this, tr("导入小说列表"), QDir::homePath(), tr("小说列表文件(*.lst)"));
    if (path.isEmpty())
        return;
    const NovelList::Result result = NovelList::importFrom(m_library.database(), path);
    if (!result.ok) {
        Messages::warning(this, result.message);
        return;
    }
    fillTree();
    Messages::information(this, result.message);
}

void FrmBook::mnuHelp() {
    // The reading view shows only the library's pages: the help is read from the library's copy, which
    // the shipped pages bring up to date (a newer program may ship newer help).
    const QString help = m_library.folder().file(QStringLiteral("help"));
    const QString shipped = LibraryFolder::shippedDataDir();
    const auto bytesOf = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    if (!shipped.isEmpty()) {
        const QDir pages(shipped + QStringLiteral("/help"));
        QDirIterator it(pages.path(), {QStringLiteral("*.htm")}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QByteArray page = bytesOf(it.next());
            const QString copy = help + u'/' + pages.relativeFilePath(it.filePath());
            if (page != bytesOf(copy))
                writeBytesAtomically(copy, page);
        }
    }
    const QString index = help + QStringLiteral("/index.htm");
    if (!QFileInfo::exists(index)) {
        Messages::warning(this, tr("找不到帮助文件：") + index);
        return;
    }
    showPage(index);
}
