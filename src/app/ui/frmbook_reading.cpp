// The main window's reading view: chapters, links inside pages, keys, read marks, bookmarks, full
// screen and the pages the window builds (download log, overview).
#include "app/ui/frmbook.h"

#include "library/bookmarkbook.h"
#include "library/displaysettings.h"
#include "library/readinglinks.h"
#include "library/readingpages.h"
#include "library/readmarks.h"
#include "library/treekeys.h"
#include "library/ui/frmbookmark.h"
#include "library/ui/frmcontentset.h"
#include "library/ui/frmview.h"
#include "library/ui/librarytreewidget.h"
#include "library/ui/readingpage.h"
#include "library/ui/readingview.h"
#include "storage/librarycontext.h"
#include "storage/novelstore.h"
#include "tools/ui/frmhtmledit.h"
#include "widgets/messages.h"
#include "widgets/openwithshell.h"

#include <QAction>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QProcess>
#include <QStatusBar>
#include <QToolBar>

namespace {

// Where the selection begins, counted in characters of the body's text, with the selected words and
// the page title.
const char* const kSelectionScript = R"JS(
(function () {
  var sel = window.getSelection();
  var text = sel ? sel.toString() : "";
  var offset = -1;
  if (sel && sel.rangeCount > 0 && document.body && text.length > 0) {
    var range = sel.getRangeAt(0);
    var hidden = function (n) {
      for (var p = n.parentNode; p; p = p.parentNode)
        if (p.nodeName === "SCRIPT" || p.nodeName === "STYLE") return true;
      return false;
    };
    var walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT, null);
    var node;
    offset = 0;
    while ((node = walker.nextNode())) {
      if (node === range.startContainer) { offset += range.startOffset; break; }
      if (range.comparePoint(node, 0) >= 0) break;
      if (!hidden(node)) offset += node.length;
    }
  }
  return { text: text, title: document.title, offset: offset };
})()
)JS";

} // namespace

ReadingView* FrmBook::activeView() const {
    return m_frmView && m_frmView->isVisible() ? m_frmView->view() : m_web1;
}

void FrmBook::showPage(const QString& path, const QString& anchor, bool forReading) {
    QUrl url = QUrl::fromLocalFile(path);
    if (forReading)
        url.setQuery(QStringLiteral("op=read"));
    if (!anchor.isEmpty())
        url.setFragment(anchor);
    activeView()->navigate(url);
}

void FrmBook::viewNovelContent(int mode, const QString& anchor) {
    if (m_listMode != ListMode::Chapters || m_listView1->topLevelItemCount() == 0)
        return;
    QTreeWidgetItem* item = m_listView1->currentItem();
    if (!item || !item->isSelected()) {
        const QList<QTreeWidgetItem*> selected = m_listView1->selectedItems();
        if (selected.isEmpty())
            return;
        item = selected.first();
    }
    const QString novelId = item->data(0, LibraryTreeWidget::kNovelRole).toString();
    const qint64 id = TreeKeys::idOf(m_listView1->keyOf(item), TreeKeys::kChapter).toLongLong();
    if (novelId.isEmpty() || id <= 0)
        return;
    if (mode == 1) {
        openWithShell(item->text(3), this);
        return;
    }
    setShownChapter(novelId, id, item);
    const QString path = m_library.folder().chapterPage(novelId, id);
    // A chapter without text is no chapter read: it is offered for download again instead.
    const bool failed = item->data(0, LibraryTreeWidget::kFailedRole).toBool() ||
                        (QFileInfo::exists(path) && ReadingPages::chapterPageMissingOrEmpty(path));
    ReadingPages::ensureChapterPage(path);
    showPage(path, anchor, true);
    if (failed) {
        if (!item->text(3).isEmpty())
            offerRedownload(novelId, id);
        return;
    }
    if (!item->data(0, LibraryTreeWidget::kReadRole).toBool() &&
        ReadMarks::setRead(m_library.database(), {id}, true)) {
        setItemRead(item, true);
        setChangeTreeViewText();
    }
}

void FrmBook::showPreviousChapter() {
    if (m_listMode != ListMode::Chapters || m_listView1->topLevelItemCount() == 0)
        return;
    const int at = m_listView1->indexOfTopLevelItem(m_listView1->currentItem());
    if (at <= 0) {
        Messages::information(activeView(), tr("当前章是第一章"));
        return;
    }
    jumpTo(m_listView1->topLevelItem(at - 1));
}

void FrmBook::showNextChapter() {
    if (m_listMode != ListMode::Chapters || m_listView1->topLevelItemCount() == 0)
        return;
    const int at = m_listView1->indexOfTopLevelItem(m_listView1->currentItem());
    if (at >= m_listView1->topLevelItemCount() - 1) {
        if (m_frmView)
            m_frmView->stopAutoTurn();
        Messages::information(activeView(), tr("当前章是最后一章"));
        return;
    }
    jumpTo(m_listView1->topLevelItem(at + 1));
}

void FrmBook::setShownChapter(const QString& novelId, qint64 chapterId, QTreeWidgetItem* item) {
    m_shownNovelId = novelId;
    m_shownChapterId = chapterId;
    QString title =
        QStringLiteral("《") + NovelStore(m_library.database()).novelName(novelId) + QStringLiteral("》");
    if (item) {
        const QString volume = item->text(4).trimmed();
        title += (volume.isEmpty() ? QString() : volume + u' ') + item->data(1, Qt::UserRole).toString();
    }
    setWindowTitle(title);
    command(QStringLiteral("mnuBookmark"))->setEnabled(true);
}

bool FrmBook::isReading() const {
    if (activeView() != m_web1)
        return true;
    const QUrl url = m_web1->url();
    return !url.isEmpty() && url.toString() != QLatin1String("about:blank") &&
           !(url.isLocalFile() && url.toLocalFile() == downloadListPath());
}

void FrmBook::followShownPage(const QUrl& url) {
    QUrl file = url;
    file.setQuery(QString());
    file.setFragment(QString());
    const ReadingLink page = ReadingLink::classify(file, m_library.folder().chmDir());
    if (page.kind != ReadingLink::Kind::Chapter) {
        // The contents page and the novel's other pages keep their novel (it is reopened at the next
        // start); any other page shows no novel.
        const QFileInfo folder(QFileInfo(file.toLocalFile()).absolutePath());
        const bool novelPage = file.isLocalFile() && QDir::cleanPath(folder.absolutePath()) ==
                                                         QDir::cleanPath(m_library.folder().chmDir());
        m_shownNovelId = novelPage ? folder.fileName() : QString();
        m_shownChapterId = 0;
        setWindowTitle(QStringLiteral("Quiveral"));
        // Bookmarks go into chapters and the pages made of them.
        command(QStringLiteral("mnuBookmark"))
            ->setEnabled(page.kind == ReadingLink::Kind::FullText || page.kind == ReadingLink::Kind::Volume);
        return;
    }
    // Back, forward or a link of the page: the list and the tree go where the view went.
    QTreeWidgetItem* item = findListItem(TreeKeys::chapter(page.chapterId));
    if (!item && page.novelId != currentNovelId()) {
        // Shown first, so that choosing its novel keeps it on screen.
        m_shownNovelId = page.novelId;
        m_shownChapterId = page.chapterId;
        if (selectNode(TreeKeys::novel(page.novelId)))
            item = findListItem(TreeKeys::chapter(page.chapterId));
    }
    if (item && m_listView1->currentItem() != item) {
        m_listView1->clearSelection();
        m_listView1->setCurrentItem(item);
        item->setSelected(true);
        m_listView1->scrollToItem(item);
    }
    setShownChapter(page.novelId, page.chapterId, item);
}

void FrmBook::followSelectedNode() {
    if (m_readingLayout)
        return;
    if (m_shownChapterId > 0) {
        if (QTreeWidgetItem* item = findListItem(TreeKeys::chapter(m_shownChapterId))) {
            m_listView1->setCurrentItem(item);
            item->setSelected(true);
            m_listView1->scrollToItem(item);
            return;
        }
    } else if (m_shownNovelId.isEmpty() || m_shownNovelId == currentNovelId()) {
        return;
    }
    const QUrl blank(QStringLiteral("about:blank"));
    m_web1->navigate(blank);
    followShownPage(blank);
}

bool FrmBook::handleListKey(int key) {
    if (m_listMode != ListMode::Chapters)
        return false;
    // Enter opens the chapter it is pressed on.
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        viewNovelContent();
        return true;
    }
    return (key == Qt::Key_Left || key == Qt::Key_Right) && handleReadingKey(key);
}

void FrmBook::createReadingShortcuts() {
    // Held by the window itself, so that they work with the menus and tool bars hidden too.
    QAction* previous = command(QStringLiteral("webUp"));
    QAction* next = command(QStringLiteral("webDown"));
    previous->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Left));
    next->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Right));
    addAction(previous);
    addAction(next);
    command(QStringLiteral("mnuBookmark"))->setEnabled(false);
    connect(m_web1, &QWebEngineView::urlChanged, this, &FrmBook::followShownPage);
}

bool FrmBook::handleReadingKey(int key) {
    if (key == Qt::Key_Escape && m_readingLayout) {
        setReadingLayout(false);
        return true;
    }
    if (currentNovelId().isEmpty() || m_listMode != ListMode::Chapters ||
        m_listView1->topLevelItemCount() == 0)
        return false;
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        showContentsPage();
        return true;
    case Qt::Key_Left:
        showPreviousChapter();
        return true;
    case Qt::Key_Right:
        showNextChapter();
        return true;
    default:
        return false;
    }
}

bool FrmBook::handleLink(const QUrl& url, bool clicked) {
    const ReadingLink link = ReadingLink::classify(url, m_library.folder().chmDir());
    switch (link.kind) {
    case ReadingLink::Kind::BookmarkManager:
        mnuBookmarkManage();
        return true;
    case ReadingLink::Kind::Navigate: {
        // Web pages open in the desktop's browser: the reading view shows only the library's pages.
        const QString scheme = url.scheme().toLower();
        if (clicked && (scheme == QLatin1String("http") || scheme == QLatin1String("https"))) {
            openWithShell(url.toString(), this);
            return true;
        }
        return false;
    }
    default:
        break;
    }

    if (link.novelId != currentNovelId()) {
        if (!selectNode(TreeKeys::novel(link.novelId)))
            return true;
        // Prior and Next count from the chapter shown.
        if (QTreeWidgetItem* shown = findListItem(TreeKeys::chapter(m_shownChapterId))) {
            m_listView1->setCurrentItem(shown);
            shown->setSelected(true);
        }
    }
    switch (link.kind) {
    case ReadingLink::Kind::Chapter:
        selectChapter(link.novelId, link.chapterId, link.anchor);
        break;
    case ReadingLink::Kind::FullText:
        showFullText(link.novelId);
        break;
    case ReadingLink::Kind::Prior:
        showPreviousChapter();
        break;
    case ReadingLink::Kind::Next:
        showNextChapter();
        break;
    case ReadingLink::Kind::Volume:
        showVolumePage(link.novelId, link.fileName);
        break;
    default:
        break;
    }
    return true;
}

void FrmBook::selectChapter(const QString& novelId, qint64 chapterId, const QString& anchor) {
    QTreeWidgetItem* item = findListItem(TreeKeys::chapter(chapterId));
    if (!item) {
        // A page of the folder that is no longer listed: shown as it is.
        showPage(m_library.folder().chapterPage(novelId, chapterId), anchor, true);
        return;
    }
    m_listView1->clearSelection();
    m_listView1->setCurrentItem(item);
    item->setSelected(true);
    m_listView1->scrollToItem(item);
    viewNovelContent(0, anchor);
}

void FrmBook::showVolumePage(const QString& novelId, const QString& fileName) {
    const QString path = m_library.folder().novelDir(novelId) + u'/' + fileName;
    if (QFileInfo::exists(path))
        showPage(path, QString(), true);
    else if (Messages::okCancel(this, tr("分卷阅读页尚未生成，是否现在生成？")))
        makeVolumePages({novelId}, path);
}

void FrmBook::showFullText(const QString& novelId) {
    const QString path = m_library.folder().novelDir(novelId) + QLatin1String("/all.htm");
    if (QFileInfo::exists(path))
        showPage(path, QString(), true);
    else
        makeFullText(novelId);
}

void FrmBook::showContentsPage() {
    const QString id = currentNovelId();
    if (!id.isEmpty())
        showPage(m_library.folder().novelListPage(id));
}

void FrmBook::extLogRead() {
    QList<qint64> ids;
    const QList<QTreeWidgetItem*> items = m_listView1->selectedItems();
    for (const QTreeWidgetItem* item : items)
        ids << TreeKeys::idOf(m_listView1->keyOf(item), TreeKeys::kChapter).toLongLong();
    if (m_listMode != ListMode::Chapters || ids.isEmpty() ||
        !ReadMarks::setRead(m_library.database(), ids, true))
        return;
    for (QTreeWidgetItem* item : items)
        setItemRead(item, true);
    setChangeTreeViewText();
}

void FrmBook::extLogNotRead() {
    QList<qint64> ids;
    const QList<QTreeWidgetItem*> items = m_listView1->selectedItems();
    for (const QTreeWidgetItem* item : items)
        ids << TreeKeys::idOf(m_listView1->keyOf(item), TreeKeys::kChapter).toLongLong();
    if (m_listMode != ListMode::Chapters || ids.isEmpty() ||
        !ReadMarks::setRead(m_library.database(), ids, false))
        return;
    for (QTreeWidgetItem* item : items)
        setItemRead(item, false);
    setChangeTreeViewText();
}

void FrmBook::extLogAllRead() {
    markAll(true);
}

void FrmBook::extLogAllNotRead() {
    markAll(false);
}

void FrmBook::markAll(bool read) {
    const QString id = currentNovelId();
    if (id.isEmpty() || !ReadMarks::setAllRead(m_library.database(), id, read))
        return;
    for (QTreeWidgetItem* item : chapterItems())
        setItemRead(item, read);
    setChangeTreeViewText();
}

void FrmBook::applyDisplaySettings() {
    QString error;
    if (!DisplaySettings::applyDisplaySettings(m_library.folder(), m_library.settings(), &error))
        Messages::warning(this, error);
    m_web1->reload();
    if (m_frmView)
        m_frmView->view()->reload();
}

void FrmBook::mnuContentSet() {
    FrmContentSet dialog(m_library, activeView() == m_web1 ? static_cast<QWidget*>(this) : m_frmView.data());
    if (dialog.exec() == QDialog::Accepted)
        applyDisplaySettings();
}

void FrmBook::mnuBookmark() {
    addBookmark(activeView(), activeView() != m_web1);
}

void FrmBook::addBookmark(ReadingView* view, bool inViewer) {
    const QUrl url = view->url();
    const ReadingLink page =
        ReadingLink::classify(QUrl::fromLocalFile(url.toLocalFile()), m_library.folder().chmDir());
    if (!url.isLocalFile() || page.novelId.isEmpty())
        return;
    const QString path = url.toLocalFile();
    const QString novelId = page.novelId;
    QPointer<ReadingView> guard(view);
    view->page()->runJavaScript(
        QString::fromUtf8(kSelectionScript), [this, guard, path, novelId, inViewer](const QVariant& v) {
            if (!guard)
                return;
            const QVariantMap result = v.toMap();
            const QString title = result.value(QStringLiteral("title")).toString();
            if (!BookmarkBook::acceptsPage(title))
                return;
            BookmarkBook::Request request;
            request.pagePath = path;
            request.selected = result.value(QStringLiteral("text")).toString();
            request.textOffset = result.value(QStringLiteral("offset")).toInt();
            request.novelId = novelId;
            request.novelName = NovelStore(m_library.database()).novelName(novelId);
            request.chapterTitle = title;
            request.oneBookmark = m_library.settings().isOn(QStringLiteral("bIsOneBookMark"));
            BookmarkBook book(m_library.folder().path());
            const BookmarkBook::Result added = book.add(request);
            if (!added.error.isEmpty()) {
                Messages::warning(guard, added.error);
                return;
            }
            QUrl at = QUrl::fromLocalFile(path);
            at.setQuery(QStringLiteral("op=read"));
            at.setFragment(added.anchor);
            guard->navigate(at);
            Messages::information(guard, inViewer ? tr("书签添加成功。") : tr("书签已加入。"));
        });
}

void FrmBook::mnuBookmarkEnter() {
    const QString id = currentNovelId();
    if (id.isEmpty())
        return;
    const std::optional<Bookmark> mark = BookmarkBook(m_library.folder().path()).firstOfNovel(id);
    if (!mark) {
        Messages::information(this, tr("本书尚未设书签"));
        return;
    }
    QUrl url = QUrl::fromLocalFile(mark->fullAddress);
    url.setFragment(mark->strPos);
    if (!handleLink(url, false))
        activeView()->navigate(url);
}

void FrmBook::mnuBookmarkList() {
    QString error;
    const QString path = ReadingPages::writeBookmarkList(
        m_library.folder(), BookmarkBook(m_library.folder().path()).list(), &error);
    if (path.isEmpty())
        Messages::warning(this, error);
    else
        showPage(path);
}

void FrmBook::mnuBookmarkManage() {
    FrmBookmark dialog(m_library.folder().path(), this);
    dialog.exec();
}

void FrmBook::mnuAllScreen() {
    if (currentNovelId().isEmpty() || m_listMode != ListMode::Chapters ||
        m_listView1->topLevelItemCount() == 0) {
        command(QStringLiteral("mnuAllScreen"))->setChecked(m_readingLayout);
        return;
    }
    if (m_library.settings().isOn(QStringLiteral("bIsEntireScreen"))) {
        command(QStringLiteral("mnuAllScreen"))->setChecked(m_readingLayout);
        openViewer();
        return;
    }
    setReadingLayout(!m_readingLayout);
}

void FrmBook::setReadingLayout(bool on) {
    m_readingLayout = on;
    const Settings& s = m_library.settings();
    // Focus first: hiding a focused pane tabs into the page, onto its first link, and the page
    // scrolls down to it.
    m_web1->setFocus();
    m_leftPane->setVisible(!on);
    m_listView1->setVisible(!on);
    m_tbrWeb->setVisible(!on);
    m_toolbar1->setVisible(!on && s.isOn(QStringLiteral("bIsVisibleToolBar")));
    statusBar()->setVisible(!on && s.isOn(QStringLiteral("bIsVisibleStatusBar")));
    command(QStringLiteral("mnuAllScreen"))->setChecked(on);
    if (on)
        showFullScreen();
    else
        showNormal();
    m_web1->setFocus();
}

void FrmBook::openViewer() {
    if (!m_frmView) {
        m_frmView = new FrmView(m_library.folder().path(), this);
        // Closing it goes back to the main window's view, which then shows where the reader got to.
        m_frmView->installEventFilter(this);
        connect(m_frmView, &FrmView::previousRequested, this, &FrmBook::showPreviousChapter);
        connect(m_frmView, &FrmView::nextRequested, this, &FrmBook::showNextChapter);
        connect(m_frmView, &FrmView::contentsRequested, this, &FrmBook::showContentsPage);
        connect(m_frmView, &FrmView::contentSetRequested, this, &FrmBook::mnuContentSet);
        connect(m_frmView, &FrmView::bookmarkRequested, this,
                [this] { addBookmark(m_frmView->view(), true); });
        m_frmView->view()->readingPage()->setLinkHandler(
            [this](const QUrl& url, QWebEnginePage::NavigationType type) {
                return handleLink(url, type == QWebEnginePage::NavigationTypeLinkClicked);
            });
        m_frmView->view()->setKeyHandler([this](QKeyEvent* event) {
            if (event->key() == Qt::Key_Escape) {
                m_frmView->close();
                return true;
            }
            return handleReadingKey(event->key());
        });
    }
    m_frmView->showFullScreen();
    m_frmView->activateWindow();
    viewNovelContent();
}

void FrmBook::viewRecentDown(LibraryLists::Recent kind, int count, const QDate& day) {
    setStatusText(tr("正在取日志内容，请稍候..."));
    const QList<ChapterRow> rows = LibraryLists::recent(m_library.database(), kind, count, day);
    QString error;
    const QString path = ReadingPages::writeRecentDown(m_library.folder(), rows, &error);
    setStatusText(QString());
    if (path.isEmpty())
        Messages::warning(this, error);
    else
        showPage(path);
}

void FrmBook::mnuDownToday() {
    viewRecentDown(LibraryLists::Recent::Day, 0, QDate::currentDate());
}

void FrmBook::mnuDownYesterday() {
    viewRecentDown(LibraryLists::Recent::Day, 0, QDate::currentDate().addDays(-1));
}

void FrmBook::mnuDownBefDay() {
    viewRecentDown(LibraryLists::Recent::Day, 0, QDate::currentDate().addDays(-2));
}

void FrmBook::mnuDown100() {
    viewRecentDown(LibraryLists::Recent::Latest, 100);
}

void FrmBook::mnuDown200() {
    viewRecentDown(LibraryLists::Recent::Latest, 200);
}

void FrmBook::mnuDown500() {
    viewRecentDown(LibraryLists::Recent::Latest, 500);
}

void FrmBook::mnuDown1000() {
    viewRecentDown(LibraryLists::Recent::Latest, 1000);
}

void FrmBook::mnuDownWait() {
    viewRecentDown(LibraryLists::Recent::Waiting, 1000);
}

void FrmBook::mnuDownError() {
    viewRecentDown(LibraryLists::Recent::Failed, 1000);
}

void FrmBook::extIEOpen() {
    QTreeWidgetItem* item = m_listView1->currentItem();
    if (m_listMode != ListMode::Chapters || !item)
        return;
    const QString novelId = item->data(0, LibraryTreeWidget::kNovelRole).toString();
    const qint64 id = TreeKeys::idOf(m_listView1->keyOf(item), TreeKeys::kChapter).toLongLong();
    openWithShell(m_library.folder().chapterPage(novelId, id), this);
}

void FrmBook::editChapter() {
    // The reading tool bar edits the chapter being read; without one, the chosen chapter.
    if (!m_shownNovelId.isEmpty() && m_shownChapterId > 0)
        editChapterPage(m_shownNovelId, m_shownChapterId);
    else
        extContentEdit();
}

void FrmBook::extContentEdit() {
    const qint64 id = currentChapterId();
    if (currentNovelId().isEmpty() || id <= 0) {
        Messages::warning(this, tr("请选择具体项"));
        return;
    }
    editChapterPage(currentNovelId(), id);
}

void FrmBook::editChapterPage(const QString& novelId, qint64 chapterId) {
    const Settings& s = m_library.settings();
    const QString path = m_library.folder().chapterPage(novelId, chapterId);
    if (!QFileInfo::exists(path)) {
        Messages::warning(this, tr("文件没有找到"));
        return;
    }
    if (s.isOn(QStringLiteral("bIsOtherEditor"))) {
        if (!QProcess::startDetached(s.value(QStringLiteral("OtherEditor")), {path}))
            Messages::warning(this, tr("无法启动外部编辑器：") + s.value(QStringLiteral("OtherEditor")));
        return;
    }
    FrmHtmlEdit editor(m_library, novelId, chapterId, this);
    if (const QString error = editor.openPage(); !error.isEmpty()) {
        Messages::warning(this, error);
        return;
    }
    if (editor.exec() != QDialog::Accepted)
        return;
    refreshChapterItem(chapterId);
    const bool shown =
        m_web1->url().isLocalFile() && QDir::cleanPath(m_web1->url().toLocalFile()) == QDir::cleanPath(path);
    if (shown)
        reloadConvertedChapter(novelId, chapterId);
    else
        selectChapter(novelId, chapterId, QString());
}

void FrmBook::openListUrl() {
    const QString id = currentNovelId();
    if (id.isEmpty())
        return;
    const std::optional<NovelRecord> novel = NovelStore(m_library.database()).loadNovel(id);
    if (novel && !novel->listUrl.isEmpty())
        openWithShell(novel->listUrl, this);
}
