// The main window's tree of categories and novels and its list of novels or chapters.
#include "app/ui/frmbook.h"
#include "widgets/icons.h"

#include "library/librarylists.h"
#include "library/librarytree.h"
#include "library/ordering.h"
#include "library/treekeys.h"
#include "library/ui/librarytreewidget.h"
#include "library/ui/readingview.h"
#include "storage/chapterstore.h"
#include "storage/librarycontext.h"
#include "widgets/messages.h"

#include <QDate>
#include <QHash>
#include <QHeaderView>
#include <QLoggingCategory>
#include <QMenu>

Q_LOGGING_CATEGORY(lcStartup, "quiveral.startup", QtWarningMsg)

namespace {

constexpr int kKeyRole = LibraryTreeWidget::kKeyRole;
constexpr int kNameRole = LibraryTreeWidget::kNameRole;
constexpr int kEndRole = LibraryTreeWidget::kEndRole;
constexpr int kReadRole = LibraryTreeWidget::kReadRole;
constexpr int kNovelRole = LibraryTreeWidget::kNovelRole;

// Column widths are kept in the units of the settings file (1/15 pixel).
int toPixels(int units) {
    return std::max(12, units / 15);
}

QString wordText(const std::optional<int>& words) {
    return words ? QString::number(*words) : QString();
}

// A chapter row of the list. One without text (failed, empty or still waiting) says so, so that it
// never passes for a good one.
QTreeWidgetItem* chapterItem(const ChapterRow& r, const QString& title) {
    const bool failed = !r.wordNums || *r.wordNums <= 0;
    const QString shown = !failed
                              ? (r.placeholder ? title + QObject::tr("（待更新）") : title)
                              : title + (r.wordNums ? QObject::tr(" (下载失败)") : QObject::tr(" (未下载)"));
    auto* item =
        new QTreeWidgetItem({QString(), shown, r.downloadedAt(), r.comeFrom, r.volume, wordText(r.wordNums)});
    item->setData(0, kKeyRole, TreeKeys::chapter(r.id));
    item->setData(0, kNovelRole, r.novelId);
    item->setData(0, LibraryTreeWidget::kFailedRole, failed);
    item->setData(1, Qt::UserRole, r.title);
    if (failed)
        for (int column = 1; column < item->columnCount(); ++column)
            item->setForeground(column, r.wordNums ? QColor(0xb0, 0x30, 0x30) : QColor(Qt::gray));
    else if (r.placeholder)
        for (int column = 1; column < item->columnCount(); ++column)
            item->setForeground(column, QColor(Qt::gray));
    return item;
}

} // namespace

void FrmBook::refreshChapterItem(qint64 chapterId) {
    QTreeWidgetItem* item = findListItem(TreeKeys::chapter(chapterId));
    const std::optional<ChapterRow> row = LibraryLists::chapter(m_library.database(), chapterId);
    if (!item || !row)
        return;
    // The row as the list would make it now, its title kept (recent lists name the novel in it).
    QString title = item->text(1);
    for (const QString& mark : {QObject::tr(" (下载失败)"), QObject::tr(" (未下载)")})
        if (item->data(0, LibraryTreeWidget::kFailedRole).toBool() && title.endsWith(mark))
            title.chop(mark.size());
    if (title.endsWith(QObject::tr("（待更新）")))
        title.chop(QObject::tr("（待更新）").size());
    const std::unique_ptr<QTreeWidgetItem> fresh(chapterItem(*row, title));
    for (int column = 1; column < item->columnCount(); ++column) {
        item->setText(column, fresh->text(column));
        item->setForeground(column, fresh->foreground(column));
    }
    item->setData(0, LibraryTreeWidget::kFailedRole, fresh->data(0, LibraryTreeWidget::kFailedRole));
}

void FrmBook::fillTree() {
    const LibraryTree data = LibraryTree::load(m_library.database());
    const QSignalBlocker block(m_tvwBar);
    m_tvwBar->clear();
    m_openNovelKey.clear();

    auto* root = new QTreeWidgetItem(m_tvwBar, {tr("小说列表")});
    root->setData(0, kKeyRole, TreeKeys::kRoot);
    root->setIcon(0, Icons::tree(QStringLiteral("library")));
    const auto addNovel = [this](QTreeWidgetItem* parent, const TreeNovel& novel) {
        auto* node = new QTreeWidgetItem(parent);
        node->setData(0, kKeyRole, TreeKeys::novel(novel.novelId));
        updateNovelNode(node, novel.name, novel.unread, novel.bIsEnd);
    };
    for (const TreeCategory& category : data.categories) {
        auto* node = new QTreeWidgetItem(root, {category.name});
        node->setData(0, kKeyRole, TreeKeys::category(category.code));
        node->setIcon(0, Icons::tree(QStringLiteral("folder")));
        for (const TreeNovel& novel : category.novels)
            addNovel(node, novel);
    }
    for (const TreeNovel& novel : data.uncategorised)
        addNovel(root, novel);
    const QStringList days{tr("今天"), tr("昨天"), tr("前天")};
    for (int i = 0; i < days.size(); ++i) {
        auto* day = new QTreeWidgetItem(m_tvwBar, {days.at(i)});
        day->setData(0, kKeyRole, QString(TreeKeys::kDay + QString::number(i + 1)));
        day->setIcon(0, Icons::tree(QStringLiteral("day")));
    }
    root->setExpanded(true);
    m_tvwBar->setCurrentItem(root);
    nodeClick(root);
    qCInfo(lcStartup, "tree filled: %d novels", data.novelCount());
    Q_EMIT treeFilled();
}

QTreeWidgetItem* FrmBook::findNode(const QString& key) const {
    for (QTreeWidgetItemIterator it(m_tvwBar); *it; ++it)
        if ((*it)->data(0, kKeyRole).toString() == key)
            return *it;
    return nullptr;
}

QTreeWidgetItem* FrmBook::findListItem(const QString& key) const {
    for (int i = 0; i < m_listView1->topLevelItemCount(); ++i)
        if (m_listView1->topLevelItem(i)->data(0, kKeyRole).toString() == key)
            return m_listView1->topLevelItem(i);
    return nullptr;
}

bool FrmBook::selectNode(const QString& key) {
    QTreeWidgetItem* node = findNode(key);
    if (!node)
        return false;
    if (m_tvwBar->currentItem() == node)
        return true;
    m_tvwBar->setCurrentItem(node); // runs nodeClick
    m_tvwBar->scrollToItem(node);
    return true;
}

QString FrmBook::currentNovelId() const {
    return TreeKeys::idOf(m_tvwBar->keyOf(m_tvwBar->currentItem()), TreeKeys::kNovel);
}

QList<QTreeWidgetItem*> FrmBook::chapterItems() const {
    QList<QTreeWidgetItem*> items;
    if (m_listMode != ListMode::Chapters)
        return items;
    for (int i = 0; i < m_listView1->topLevelItemCount(); ++i)
        items << m_listView1->topLevelItem(i);
    return items;
}

void FrmBook::onCurrentNodeChanged(QTreeWidgetItem* current, QTreeWidgetItem*) {
    nodeClick(current);
}

void FrmBook::nodeClick(QTreeWidgetItem* node) {
    if (!node)
        return;
    if (QTreeWidgetItem* open = findNode(m_openNovelKey)) {
        m_openNovelKey.clear();
        open->setIcon(0, Icons::tree(open->data(0, kEndRole).toString() == QLatin1String("1")
                                      ? QStringLiteral("Book2")
                                      : QStringLiteral("Book")));
    }
    const QString key = m_tvwBar->keyOf(node);
    if (key == TreeKeys::kRoot) {
        showNovelList(QString(), node->text(0));
    } else if (key.startsWith(TreeKeys::kCategory)) {
        showNovelList(TreeKeys::idOf(key, TreeKeys::kCategory), node->text(0));
    } else if (key.startsWith(TreeKeys::kNovel)) {
        m_openNovelKey = key;
        node->setIcon(0, Icons::tree(QStringLiteral("BookOpen")));
        showChapterList(TreeKeys::idOf(key, TreeKeys::kNovel));
    } else if (key.startsWith(TreeKeys::kDay)) {
        showDayList(TreeKeys::idOf(key, TreeKeys::kDay).toInt(), node->text(0));
    }
    followSelectedNode();
    enableButton();
}

void FrmBook::setListMode(ListMode mode) {
    if (mode == m_listMode)
        return;
    m_listMode = mode;
    m_listView1->clear();
    QHeaderView* header = m_listView1->header();
    if (mode == ListMode::Novels) {
        m_listView1->setHeaderLabels(
            {QString(), tr("小说名称"), tr("分类"), tr("目录页网址"), tr("作者"), tr("是否不再更新")});
        const int widths[] = {20, 200, 90, 300, 100, 90};
        for (int i = 0; i < 6; ++i)
            header->resizeSection(i, widths[i]);
    } else {
        m_listView1->setHeaderLabels(
            {QString(), tr("标题"), tr("下载时间"), tr("下载地址"), tr("分卷名"), tr("字数")});
        header->resizeSection(0, toPixels(300));
        for (int i = 1; i <= 5; ++i)
            header->resizeSection(
                i, toPixels(m_library.settings().intValue(QStringLiteral("TitleWidth%1").arg(i), 2000)));
    }
}

void FrmBook::showNovelList(const QString& categoryCode, const QString& nodeText) {
    setListMode(ListMode::Novels);
    m_listView1->clear();
    const QList<NovelRow> rows = LibraryLists::novels(m_library.database(), categoryCode);
    QList<QTreeWidgetItem*> items;
    items.reserve(rows.size());
    for (const NovelRow& r : rows) {
        auto* item = new QTreeWidgetItem({QString(), r.name, r.categoryName, r.listUrl, r.author,
                                          r.bIsEnd == QLatin1String("1") ? tr("是") : tr("否")});
        item->setData(0, kKeyRole, TreeKeys::novel(r.novelId));
        item->setData(0, kEndRole, r.bIsEnd);
        item->setIcon(
            0, Icons::tree(r.bIsEnd == QLatin1String("1") ? QStringLiteral("Book2") : QStringLiteral("Book")));
        items << item;
    }
    m_listView1->addTopLevelItems(items);
    setStatusText(nodeText + tr("：") + QString::number(rows.size()));
    if (!m_readingLayout)
        m_web1->navigate(QUrl(QStringLiteral("about:blank")));
}

void FrmBook::showChapterList(const QString& novelId) {
    setListMode(ListMode::Chapters);
    m_listView1->clear();
    const QList<ChapterRow> rows = LibraryLists::chapters(m_library.database(), novelId);
    QList<QTreeWidgetItem*> items;
    items.reserve(rows.size());
    for (const ChapterRow& r : rows) {
        QTreeWidgetItem* item = chapterItem(r, r.title);
        setItemRead(item, r.read);
        items << item;
    }
    m_listView1->addTopLevelItems(items);
    showChapterCounts(novelId);
}

void FrmBook::showDayList(int day, const QString& nodeText) {
    setListMode(ListMode::Chapters);
    m_listView1->clear();
    const QList<ChapterRow> rows =
        LibraryLists::downloadedOn(m_library.database(), QDate::currentDate().addDays(1 - day));
    QList<QTreeWidgetItem*> items;
    int unread = 0;
    for (const ChapterRow& r : rows) {
        QTreeWidgetItem* item =
            chapterItem(r, QStringLiteral("《") + r.novelName + QStringLiteral("》") + r.title);
        setItemRead(item, r.read);
        unread += r.read ? 0 : 1;
        items << item;
    }
    m_listView1->addTopLevelItems(items);
    setStatusText(nodeText + tr("：") + QString::number(rows.size()) + tr("篇章节,") +
                  QString::number(unread) + tr("篇未读"));
}

void FrmBook::setItemRead(QTreeWidgetItem* item, bool read) {
    item->setData(0, kReadRole, read);
    item->setIcon(0, Icons::tree(read ? QStringLiteral("Read") : QStringLiteral("NotRead")));
}

void FrmBook::updateNovelNode(QTreeWidgetItem* node, const QString& name, int unread, const QString& bIsEnd) {
    node->setData(0, kNameRole, name);
    node->setData(0, kEndRole, bIsEnd);
    node->setText(0, unread > 0 ? name + u'(' + QString::number(unread) + u')' : name);
    QFont font = node->font(0);
    font.setBold(unread > 0);
    node->setFont(0, font);
    const QString key = m_tvwBar->keyOf(node);
    node->setIcon(0, Icons::tree(key == m_openNovelKey          ? QStringLiteral("BookOpen")
                              : bIsEnd == QLatin1String("1") ? QStringLiteral("Book2")
                                                             : QStringLiteral("Book")));
}

void FrmBook::showChapterCounts(const QString& novelId) {
    const int total = ChapterStore(m_library.database()).count(novelId);
    const int unread = LibraryLists::unreadCount(m_library.database(), novelId);
    setStatusText(QString::number(total) + tr("篇章节,") + QString::number(unread) + tr("篇未读"));
}

void FrmBook::setChangeTreeViewText() {
    const QString selected = currentNovelId();
    // The novels of the chapters in the list: one in novel view, several in a download day.
    QStringList novels;
    if (!selected.isEmpty())
        novels << selected;
    for (const QTreeWidgetItem* item : chapterItems()) {
        const QString id = item->data(0, kNovelRole).toString();
        if (!id.isEmpty() && !novels.contains(id))
            novels << id;
    }
    for (const QString& id : novels) {
        QTreeWidgetItem* node = findNode(TreeKeys::novel(id));
        if (!node)
            continue;
        const int unread = LibraryLists::unreadCount(m_library.database(), id);
        updateNovelNode(node, node->data(0, kNameRole).toString(), unread,
                        node->data(0, kEndRole).toString());
    }
    if (!selected.isEmpty())
        showChapterCounts(selected);
}

void FrmBook::enableButton() {
    const QString key = m_tvwBar->keyOf(m_tvwBar->currentItem());
    const bool novel = key.startsWith(TreeKeys::kNovel);
    const bool category = key.startsWith(TreeKeys::kCategory);
    const bool chapters = m_listMode == ListMode::Chapters && m_listView1->topLevelItemCount() > 0;
    const bool chosen = chapters && !m_listView1->selectedItems().isEmpty();
    const bool novels = m_listMode == ListMode::Novels && !m_listView1->selectedItems().isEmpty();

    const auto set = [this](const char* name, bool on) {
        if (QAction* a = command(QLatin1String(name)))
            a->setEnabled(on && !m_runningCommands.contains(a->objectName()));
    };
    for (const char* name :
         {"mnuEdit", "mnuBatchContent", "mnuNovelFolder", "mnuBookUp", "mnuBookDown", "extLogAllRead",
          "extLogAllNotRead", "mnuOrderByTitle", "mnuOrderByTime", "mnuOrderByUrl", "mnuBookmarkEnter"})
        set(name, novel);
    for (const char* name : {"mnuLBUp", "mnuLBDown", "mnuReNewLB", "mnuLBEdit", "mnuLBMoveTo"})
        set(name, category);
    set("mnuLBAdd", true);
    set("mnuMoveNovel", novel);
    set("mnuMoveToType", novel);
    // The novels chosen in the list, or the novel of the tree.
    set("mnuBatchSiteSign", novels || novel);
    set("mnuChangeListUrl", novels || novel);
    set("mnuLastSearch", !m_lastSearch.isEmpty());
    for (const char* name : {"mnuSelectAll", "mnuSelectNotReaded", "mnuSelectReaded", "mnuSelectOther",
                             "mnuSelSingleLine", "mnuSelectNotRead", "mnuSelectFirst", "mnuSelectLast"})
        set(name, chapters);
    for (const char* name : {"extLogRead", "extLogNotRead", "extIEOpen", "extInsertContent", "extContentProp",
                             "extContentEdit", "extTitleDel", "mnuContentTogether", "mnuContentApart",
                             "mnuUp", "mnuDown", "mnuContentMove", "mnuVolumeSet"})
        set(name, chosen);
    set("extNewContent", novel);
    // Synchronising says itself that a run is going on.
    set("mnuEqual", novel);
    // Deleting conflicts with a running download.
    // A category whose novels are downloading says so when asked to go.
    // Chapters of a novel other than the one downloading can go meanwhile.
    set("mnuDelete", ((novel || novels) && !m_busy) || category || chosen);
    set("mnuBatchDelete", novels && !m_busy);
    set("mnuBatchNotReNew", novels);
    set("mnuBatchReNew", novels);
    set("webUp", novel && chapters);
    set("webDown", novel && chapters);
    // E-book output reads the chapters a download writes.
    for (const char* name :
         {"mnuBook", "mnuEpub", "mnuBookTxt", "mnuBookDoc", "mnuBookText2", "mnuVolText2", "mnuChmCover"})
        set(name, novel && !m_busy);
    for (const char* name : {"mnuListAgain", "mnuVolumeText", "mnuAllText"})
        set(name, novel);
    set("extListFileGen", novels);
    set("extVolumeFileGen", novels);
    set("extBooks", novels && !m_busy);
    set("mnuTotalView", true);
    // Renewal: one run at a time; the commands that check for a run say so themselves.
    set("mnuReNew", novel && !m_busy);
    set("mnuAllReNew", !m_busy);
    // Restoring replaces what a download writes into.
    set("mnuBackUp", !m_busy && !runsStoppableJob());
    set("mnuStop", m_busy || runsStoppableJob());
    for (const char* name : {"mnuBatchBookReNew", "mnuVolumeBatchReNew", "mnuOtherInfoBatchReNew"})
        set(name, novels);
    set("extContentReNew", novel && chosen);
    for (const char* name :
         {"mnuReNewEmpty", "mnuLackPicReNew", "mnuPic2TxtReNew", "mnuVolumeReNew", "mnuOtherInfoReNew"})
        set(name, novel);
    set("mnuTitleWidth", m_listMode == ListMode::Chapters);
    // Page conversions: one run of each command at a time.
    for (const char* name :
         {"mnuSetGood", "mnubig5", "mnuGB2312", "mnubig5charset", "mnugb2312charset", "mnuAutoTypeset"})
        set(name, novel && chosen);
    set("mnuAllSetGood", novel && chapters);
    set("extContentSetGood", novels);
}

void FrmBook::onListItemClicked(QTreeWidgetItem* item) {
    if (m_listMode == ListMode::Chapters && item)
        viewNovelContent();
}

void FrmBook::onListItemDoubleClicked(QTreeWidgetItem* item) {
    if (!item)
        return;
    if (m_listMode == ListMode::Novels)
        selectNode(m_listView1->keyOf(item));
    else if (!m_busy && !currentNovelId().isEmpty())
        extContentReNew();
}

void FrmBook::onHeaderClicked(int column) {
    if (m_listMode != ListMode::Chapters || currentNovelId().isEmpty() || column < 1 || column > 3)
        return;
    const QString caption = m_listView1->headerItem()->text(column);
    if (!Messages::question(this, tr("您是否确定将小说章节按") + caption + tr("重新排序?")))
        return;
    orderChapters(column == 1   ? int(Ordering::ChapterOrder::ByTitle)
                  : column == 2 ? int(Ordering::ChapterOrder::ByTime)
                                : int(Ordering::ChapterOrder::ByAddress));
}

void FrmBook::onTreeContextMenu(const QPoint& pos) {
    if (QTreeWidgetItem* item = m_tvwBar->itemAt(pos))
        m_tvwBar->setCurrentItem(item);
    m_mnuNovel->popup(m_tvwBar->viewport()->mapToGlobal(pos));
}

void FrmBook::onListContextMenu(const QPoint& pos) {
    if (m_listMode == ListMode::Novels)
        m_extBookBatch->popup(m_listView1->viewport()->mapToGlobal(pos));
    else
        m_extmnuTitle->popup(m_listView1->viewport()->mapToGlobal(pos));
}

FrmBook::DeleteTarget FrmBook::deleteTarget() const {
    QWidget* focus = focusWidget();
    const auto within = [focus](QWidget* pane) {
        return focus && (focus == pane || pane->isAncestorOf(focus));
    };
    // The reading view shows a chapter: never the whole novel.
    if (within(m_listView1) || within(m_web1)) {
        if (within(m_listView1) && m_listMode == ListMode::Novels)
            return m_listView1->selectedItems().isEmpty() ? DeleteTarget::None : DeleteTarget::ListedNovels;
        return DeleteTarget::Chapters;
    }
    const QString key = m_tvwBar->keyOf(m_tvwBar->currentItem());
    if (key.startsWith(TreeKeys::kCategory))
        return DeleteTarget::Category;
    return key.startsWith(TreeKeys::kNovel) ? DeleteTarget::Novel : DeleteTarget::None;
}

QStringList FrmBook::selectedNovelIds() const {
    return m_listMode == ListMode::Novels ? m_listView1->selectedNovelIds() : QStringList();
}

void FrmBook::moveNovelsTo(const QStringList& novelIds, const QString& targetKey) {
    const QString code = TreeKeys::idOf(targetKey, TreeKeys::kCategory);
    if (code.isEmpty()) {
        Messages::warning(this, tr("请拖到相应的分类处"));
        return;
    }
    const QString selected = m_tvwBar->keyOf(m_tvwBar->currentItem());
    for (const QString& id : novelIds)
        Ordering::moveNovelToCategory(m_library.database(), id, code, m_library.folder().novelListPage(id));
    fillTree();
    selectNode(selected);
}
