// The main window's chapter commands: adding, editing, deleting, merging, splitting, moving chapters
// and naming their volumes. Every change is one call of the chapter editor; the window then shows
// the list and the counts again from the database.
#include "app/ui/frmbook.h"

#include "library/chaptereditor.h"
#include "library/librarylists.h"
#include "library/treekeys.h"
#include "library/ui/frmaddcontent.h"
#include "library/ui/frmcontentapart.h"
#include "library/ui/frmmovecontent.h"
#include "library/ui/librarytreewidget.h"
#include "library/ui/readingview.h"
#include "storage/librarycontext.h"
#include "widgets/frmvolumeset.h"
#include "widgets/messages.h"

#include <QAction>
#include <QMenu>

#include <algorithm>

void FrmBook::createChapterActions() {
    addCommand(QStringLiteral("extNewContent"), tr("新增章节"), &FrmBook::extNewContent);
    addCommand(QStringLiteral("extInsertContent"), tr("插入章节"), &FrmBook::extInsertContent);
    addCommand(QStringLiteral("extContentProp"), tr("编辑章节属性"), &FrmBook::extContentProp);
    addCommand(QStringLiteral("extContentEdit"), tr("编辑章节内容"), &FrmBook::extContentEdit);
    addCommand(QStringLiteral("extTitleDel"), tr("删除(&D)"), &FrmBook::extTitleDel);
    addCommand(QStringLiteral("mnuContentTogether"), tr("合并章节"), &FrmBook::mnuContentTogether);
    addCommand(QStringLiteral("mnuContentApart"), tr("拆分章节"), &FrmBook::mnuContentApart);
    addCommand(QStringLiteral("mnuUp"), tr("章节向上移动"), &FrmBook::mnuUp);
    addCommand(QStringLiteral("mnuDown"), tr("章节向下移动"), &FrmBook::mnuDown);
    addCommand(QStringLiteral("mnuContentMove"), tr("章节移至"), &FrmBook::mnuContentMove);
    addCommand(QStringLiteral("mnuVolumeSet"), tr("设定分卷名"), &FrmBook::mnuVolumeSet);
}

void FrmBook::addChapterCommands(QMenu* menu) {
    menu->addSeparator();
    for (const char* name :
         {"extNewContent", "extInsertContent", "extContentProp", "extContentEdit", "extTitleDel"})
        menu->addAction(command(QLatin1String(name)));
    menu->addSeparator();
    for (const char* name :
         {"mnuContentTogether", "mnuContentApart", "mnuUp", "mnuDown", "mnuContentMove", "mnuVolumeSet"})
        menu->addAction(command(QLatin1String(name)));
}

ChapterEditor FrmBook::chapterEditor() {
    ChapterEditor editor(m_library);
    editor.setDownloadingNovel([](const QString& id) { return RenewJob::isWorkingOn(id); });
    return editor;
}

QList<qint64> FrmBook::selectedChapterIds() const {
    QList<qint64> ids;
    if (m_listMode != ListMode::Chapters)
        return ids;
    // In list order, whatever order they were picked in.
    for (int i = 0; i < m_listView1->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = m_listView1->topLevelItem(i);
        if (item->isSelected())
            ids << TreeKeys::idOf(m_listView1->keyOf(item), TreeKeys::kChapter).toLongLong();
    }
    ids.removeAll(0);
    return ids;
}

qint64 FrmBook::currentChapterId() const {
    if (m_listMode != ListMode::Chapters)
        return 0;
    QTreeWidgetItem* item = m_listView1->currentItem();
    if (!item || !item->isSelected()) {
        const QList<qint64> ids = selectedChapterIds();
        return ids.isEmpty() ? 0 : ids.first();
    }
    return TreeKeys::idOf(m_listView1->keyOf(item), TreeKeys::kChapter).toLongLong();
}

QList<qint64> FrmBook::chaptersToChange(int least, const QString& tooFew) {
    if (currentNovelId().isEmpty())
        return {};
    const QList<qint64> ids = selectedChapterIds();
    if (ids.size() < least) {
        Messages::warning(this, tooFew);
        return {};
    }
    return refuseChapters(ids) ? QList<qint64>() : ids;
}

void FrmBook::showResult(const ChapterEditor::Result& result, const QString& novel,
                         const QList<qint64>& select) {
    if (!result.ok()) {
        Messages::warning(this, result.error);
        return;
    }
    showChangedChapters(result.novelIds.isEmpty() ? QStringList{novel} : result.novelIds, select);
}

bool FrmBook::refuseChapters(const QList<qint64>& ids) {
    // Said before any question or dialog, not after the user has answered it.
    const QString refused = chapterEditor().checkChapters(ids);
    if (!refused.isEmpty())
        Messages::warning(this, refused);
    return !refused.isEmpty();
}

void FrmBook::showChangedChapters(const QStringList& novelIds, const QList<qint64>& select) {
    const QString novel = currentNovelId();
    for (const QString& id : novelIds) {
        QTreeWidgetItem* node = id == novel ? nullptr : findNode(TreeKeys::novel(id));
        if (node)
            updateNovelNode(node, node->data(0, LibraryTreeWidget::kNameRole).toString(),
                            LibraryLists::unreadCount(m_library.database(), id),
                            node->data(0, LibraryTreeWidget::kEndRole).toString());
    }
    if (!novel.isEmpty()) {
        showChapterList(novel);
        bool first = true;
        for (qint64 id : select) {
            QTreeWidgetItem* item = findListItem(TreeKeys::chapter(id));
            if (!item)
                continue;
            if (first)
                m_listView1->setCurrentItem(item);
            item->setSelected(true);
            if (first)
                m_listView1->scrollToItem(item);
            first = false;
        }
    }
    setChangeTreeViewText();
    // A page shown from a chapter that is gone (or has gone to another novel) goes with it.
    if (m_shownChapterId > 0 && novelIds.contains(m_shownNovelId)) {
        const std::optional<ChapterRow> shown = LibraryLists::chapter(m_library.database(), m_shownChapterId);
        if (!shown || shown->novelId != m_shownNovelId) {
            const QUrl blank(QStringLiteral("about:blank"));
            m_web1->navigate(blank);
            followShownPage(blank);
        } else if (select.contains(m_shownChapterId)) {
            m_web1->reload();
        }
    }
    enableButton();
}

void FrmBook::extNewContent() {
    openAddContent(0, 0);
}

void FrmBook::extInsertContent() {
    const qint64 id = currentChapterId();
    if (!currentNovelId().isEmpty() && id <= 0) {
        Messages::warning(this, tr("请选择具体项"));
        return;
    }
    openAddContent(1, id);
}

void FrmBook::extContentProp() {
    const qint64 id = currentChapterId();
    if (!currentNovelId().isEmpty() && id <= 0) {
        Messages::warning(this, tr("请选择具体项"));
        return;
    }
    openAddContent(2, id);
}

void FrmBook::openAddContent(int mode, qint64 chapterId) {
    const QString novel = currentNovelId();
    if (novel.isEmpty())
        return;
    ChapterEditor editor = chapterEditor();
    FrmAddContent dialog(m_library, editor, FrmAddContent::Mode(mode), novel, chapterId, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const ChapterEditor::Result& result = dialog.result();
    showChangedChapters(result.novelIds.isEmpty() ? QStringList{novel} : result.novelIds, result.ids);
}

void FrmBook::extTitleDel() {
    const QString novel = currentNovelId();
    const QList<qint64> ids = chaptersToChange(1, tr("请选择具体项"));
    if (ids.isEmpty())
        return;
    if (!Messages::okCancel(this, tr("您是否确定删除选中的章节吗?")))
        return;
    const int at = m_listView1->indexOfTopLevelItem(findListItem(TreeKeys::chapter(ids.first())));
    const ChapterEditor::Result result =
        chapterEditor().remove(ids, m_library.settings().isOn(QStringLiteral("bIsDeleteUrl")));
    if (!result.ok()) {
        Messages::warning(this, result.error);
        return;
    }
    showChangedChapters(result.novelIds.isEmpty() ? QStringList{novel} : result.novelIds, {});
    // The chapter that took the place of the first deleted one is next in line.
    const int count = m_listView1->topLevelItemCount();
    if (count > 0 && at >= 0)
        m_listView1->setCurrentItem(m_listView1->topLevelItem(std::min(at, count - 1)));
    else if (count == 0) {
        const QUrl blank(QStringLiteral("about:blank"));
        m_web1->navigate(blank);
        followShownPage(blank);
    }
}

void FrmBook::mnuContentTogether() {
    const QString novel = currentNovelId();
    const QList<qint64> ids = chaptersToChange(2, tr("至少选中两个章节进行合并。"));
    if (ids.isEmpty())
        return;
    if (!Messages::okCancel(this, tr("您是否确定合并选中的章节吗?")))
        return;
    showResult(chapterEditor().merge(ids), novel, {ids.first()});
}

void FrmBook::mnuContentApart() {
    const QString novel = currentNovelId();
    if (novel.isEmpty())
        return;
    const qint64 id = currentChapterId();
    if (id <= 0) {
        Messages::warning(this, tr("请选择具体项"));
        return;
    }
    if (refuseChapters({id}))
        return;
    ChapterEditor editor = chapterEditor();
    FrmContentApart dialog(editor, id, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const ChapterEditor::Result& result = dialog.result();
    showChangedChapters(result.novelIds.isEmpty() ? QStringList{novel} : result.novelIds, {id});
}

void FrmBook::mnuUp() {
    moveChapterOne(true);
}

void FrmBook::mnuDown() {
    moveChapterOne(false);
}

void FrmBook::moveChapterOne(bool up) {
    const qint64 id = currentChapterId();
    if (currentNovelId().isEmpty() || id <= 0)
        return;
    QTreeWidgetItem* item = findListItem(TreeKeys::chapter(id));
    const int at = m_listView1->indexOfTopLevelItem(item);
    const int other = up ? at - 1 : at + 1;
    if (!item || other < 0 || other >= m_listView1->topLevelItemCount())
        return;
    if (!chapterEditor().moveOne(id, up ? ChapterEditor::Direction::Up : ChapterEditor::Direction::Down))
        return;
    // The two rows change places in the list too; no need to read it all again.
    {
        const QSignalBlocker block(m_listView1);
        m_listView1->takeTopLevelItem(at);
        m_listView1->insertTopLevelItem(other, item);
    }
    m_listView1->clearSelection();
    m_listView1->setCurrentItem(item);
    item->setSelected(true);
    m_listView1->scrollToItem(item);
}

void FrmBook::mnuContentMove() {
    const QString novel = currentNovelId();
    const QList<qint64> ids = chaptersToChange(1, tr("请选择具体项"));
    if (ids.isEmpty())
        return;
    ChapterEditor editor = chapterEditor();
    FrmMoveContent dialog(m_library, editor, novel, ids, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const ChapterEditor::Result& result = dialog.result();
    QStringList novels = result.novelIds;
    if (!novels.contains(novel))
        novels << novel;
    showChangedChapters(novels, result.ids);
}

void FrmBook::mnuVolumeSet() {
    const QString novel = currentNovelId();
    const QList<qint64> ids = chaptersToChange(1, tr("请选择具体项"));
    if (ids.isEmpty())
        return;
    QStringList known;
    for (const QTreeWidgetItem* item : chapterItems()) {
        const QString volume = item->text(4).trimmed();
        if (!volume.isEmpty() && !known.contains(volume))
            known << volume;
    }
    ChapterEditor editor = chapterEditor();
    const QString current = findListItem(TreeKeys::chapter(ids.first()))->text(4).trimmed();
    FrmVolumeSet dialog(
        known, current, [&editor, novel] { return editor.lastVolume(novel); }, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    showResult(editor.setVolume(ids, dialog.volume()), novel, ids);
}
