// The main window's download runs: renewal and re-download commands run the engine as a job; the
// window follows its events (status, progress, the download list page, new chapters, announcements).
#include "app/ui/frmbook.h"
#include "companion/ui/bossguard.h"

#include "library/desktopnotification.h"
#include "library/librarylists.h"
#include "library/readmarks.h"
#include "library/treekeys.h"
#include "library/ui/frmmessage.h"
#include "library/ui/librarytreewidget.h"
#include "library/ui/readingview.h"
#include "renewal/downloadlistpage.h"
#include "renewal/downloadoptions.h"
#include "renewal/renewjob.h"
#include "renewal/renewscheduler.h"
#include "sites/sitesigntable.h"
#include "storage/librarycontext.h"
#include "storage/textfile.h"
#include "text/charset.h"
#include "widgets/messages.h"

#include <QAction>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QTimer>
#include <QTreeWidgetItem>
#include <QWebEnginePage>
#include <QWebEngineScript>

void FrmBook::createDownloadActions() {
    addCommand(QStringLiteral("mnuNew"), tr("新增小说"), &FrmBook::mnuNew);
    addCommand(QStringLiteral("mnuReNew"), tr("更新小说"), &FrmBook::mnuReNew)->setShortcut(Qt::Key_F5);
    addCommand(QStringLiteral("mnuAllReNew"), tr("更新所有小说"), &FrmBook::mnuAllReNew);
    addCommand(QStringLiteral("mnuStop"), tr("停止所有更新"), &FrmBook::mnuStop);
    addCommand(QStringLiteral("mnuReNewLB"), tr("更新本分类小说"), &FrmBook::mnuReNewLB);
    addCommand(QStringLiteral("mnuBatchBookReNew"), tr("批量更新"), &FrmBook::mnuBatchBookReNew);
    addCommand(QStringLiteral("mnuVolumeBatchReNew"), tr("批量下载分卷名"), &FrmBook::mnuVolumeBatchReNew);
    addCommand(QStringLiteral("mnuOtherInfoBatchReNew"), tr("批量下载作者等信息"),
               &FrmBook::mnuOtherInfoBatchReNew);
    addCommand(QStringLiteral("extContentReNew"), tr("章节内容"), &FrmBook::extContentReNew);
    addCommand(QStringLiteral("mnuReNewEmpty"), tr("空白章节"), &FrmBook::mnuReNewEmpty);
    addCommand(QStringLiteral("mnuLackPicReNew"), tr("缺图章节"), &FrmBook::mnuLackPicReNew);
    addCommand(QStringLiteral("mnuPic2TxtReNew"), tr("图片章节"), &FrmBook::mnuPic2TxtReNew);
    addCommand(QStringLiteral("mnuVolumeReNew"), tr("分卷名称"), &FrmBook::mnuVolumeReNew);
    addCommand(QStringLiteral("mnuOtherInfoReNew"), tr("作者等信息"), &FrmBook::mnuOtherInfoReNew);
    addCommand(QStringLiteral("mnuDownList"), tr("当前下载列表"), &FrmBook::mnuDownList);
    addCommand(QStringLiteral("mnuEqual"), tr("同步书目"), &FrmBook::mnuEqual);

    m_scheduler = new RenewScheduler(this);
    m_scheduler->setObjectName(QStringLiteral("tmrAutoRenew"));
    m_scheduler->setBusyCheck([this] { return m_busy || RenewJob::isBusy(); });
    connect(m_scheduler, &RenewScheduler::renewAllDue, this, [this] {
        RenewJob::Request request;
        request.command = RenewJob::Command::RenewAll;
        startRenew(request);
    });
    m_refreshTimer = new QTimer(this);
    m_refreshTimer->setSingleShot(true);
    // Chapters may arrive many a second; the list and tree follow at most a few times a second.
    m_refreshTimer->setInterval(150);
    connect(m_refreshTimer, &QTimer::timeout, this, &FrmBook::refreshChangedNovels);
    connect(m_web1, &QWebEngineView::loadFinished, this, [this](bool) {
        if (m_web1->url().isLocalFile() && m_web1->url().toLocalFile() == downloadListPath())
            applyDownloadStates();
    });
}

QMenu* FrmBook::createRedownloadMenu(QWidget* parent) {
    auto* menu = new QMenu(tr("重新下载"), parent);
    menu->setObjectName(QStringLiteral("mnuReDown"));
    for (const char* name : {"extContentReNew", "mnuReNewEmpty", "mnuLackPicReNew", "mnuPic2TxtReNew",
                             "mnuVolumeReNew", "mnuOtherInfoReNew"})
        menu->addAction(command(QLatin1String(name)));
    return menu;
}

void FrmBook::startRenewalTimer() {
    m_scheduler->setIntervalTime(m_library.settings().value(QStringLiteral("IntervalTime")));
    m_scheduler->start();
}

bool FrmBook::refuseWhileDownloading(const QString& text) {
    if (!m_busy && !RenewJob::isBusy())
        return false;
    Messages::warning(this, text.isEmpty() ? RenewJob::busyText() : text);
    return true;
}

bool FrmBook::startRenew(const RenewJob::Request& request) {
    if (refuseWhileDownloading(request.command == RenewJob::Command::VolumeNames
                                   ? tr("当前正在下载中，请在停止下载后再下载分卷名")
                                   : QString()))
        return false;
    auto* job = new RenewJob(m_library.database(), m_library.folder(),
                             DownloadOptions::fromLibrary(m_library), request);
    SiteSignTable signs;
    signs.load(m_library.folder().file(QStringLiteral("sitesign.xml")));
    job->setSiteSigns(signs);
    connect(job, &RenewJob::chapterStored, this, [this](const QString& novelId, qint64 chapterId) {
        // The chapter on screen came again (it was offered for download): it is read now.
        if (chapterId == m_shownChapterId && novelId == m_shownNovelId) {
            ReadMarks::setRead(m_library.database(), {chapterId}, true);
            activeView()->reload();
        }
        markChanged(novelId);
    });
    connect(job, &RenewJob::countsChanged, this, &FrmBook::markChanged);
    connect(job, &RenewJob::novelRenamed, this, [this](const QString& novelId, const QString& name) {
        if (QTreeWidgetItem* node = findNode(TreeKeys::novel(novelId)))
            node->setData(0, LibraryTreeWidget::kNameRole, name);
        markChanged(novelId);
    });
    connect(job, &RenewJob::downloadListStarted, this, &FrmBook::showDownloadListPage);
    connect(job, &RenewJob::downloadStateChanged, this, &FrmBook::setDownloadState);
    connect(job, &RenewJob::newChapterAnnounced, this, &FrmBook::announceChapter);
    m_renewJob = job;
    setRunning(true);
    runJob(job, [this, request](Job* done) {
        m_renewJob = nullptr;
        setRunning(false);
        refreshChangedNovels();
        // The chapters a synchronisation added are the ones chosen afterwards.
        const QList<qint64> inserted = static_cast<RenewJob*>(done)->result().inserted;
        if (request.command == RenewJob::Command::Synchronise && !inserted.isEmpty() &&
            currentNovelId() == request.novelIds.value(0)) {
            m_listView1->clearSelection();
            for (const qint64 id : inserted)
                if (QTreeWidgetItem* item = findListItem(TreeKeys::chapter(id)))
                    item->setSelected(true);
            if (QTreeWidgetItem* first = findListItem(TreeKeys::chapter(inserted.first())))
                m_listView1->scrollToItem(first);
        }
    });
    return true;
}

void FrmBook::setRunning(bool running) {
    // "AllReNew" while idle, "Stop" while a run goes on.
    command(QStringLiteral("mnuAllReNew"))->setVisible(!running);
    command(QStringLiteral("mnuStop"))->setVisible(running || runsStoppableJob());
    setBusy(running);
}

void FrmBook::mnuNew() {
    openAddNovel(QString());
}

void FrmBook::openAddNovel(const QString& address) {
    openNovelDialog(QString(), address);
}

void FrmBook::mnuReNew() {
    const QString id = currentNovelId();
    if (id.isEmpty()) {
        Messages::warning(this, tr("请在左边的导航栏中选择具体的小说名再进行更新"));
        return;
    }
    RenewJob::Request request;
    request.command = RenewJob::Command::RenewNovels;
    request.novelIds = {id};
    startRenew(request);
}

void FrmBook::mnuAllReNew() {
    RenewJob::Request request;
    request.command = RenewJob::Command::RenewAll;
    startRenew(request);
}

void FrmBook::mnuReNewLB() {
    if (refuseWhileDownloading())
        return;
    const QString code = TreeKeys::idOf(m_tvwBar->keyOf(m_tvwBar->currentItem()), TreeKeys::kCategory);
    if (code.isEmpty()) {
        Messages::warning(this, tr("请选择具体分类"));
        return;
    }
    RenewJob::Request request;
    request.command = RenewJob::Command::RenewCategory;
    request.category = code;
    startRenew(request);
}

void FrmBook::renewSelectedNovels(int command) {
    const auto kind = RenewJob::Command(command);
    if (refuseWhileDownloading(kind == RenewJob::Command::VolumeNames
                                   ? tr("当前正在下载中，请在停止下载后再下载分卷名")
                                   : QString()))
        return;
    const QStringList ids = selectedNovelIds();
    if (ids.isEmpty()) {
        Messages::warning(this, tr("请选择具体的小说"));
        return;
    }
    RenewJob::Request request;
    request.command = kind;
    request.novelIds = ids;
    startRenew(request);
}

void FrmBook::mnuBatchBookReNew() {
    renewSelectedNovels(int(RenewJob::Command::RenewNovels));
}

void FrmBook::mnuVolumeBatchReNew() {
    renewSelectedNovels(int(RenewJob::Command::VolumeNames));
}

void FrmBook::mnuOtherInfoBatchReNew() {
    renewSelectedNovels(int(RenewJob::Command::Information));
}

void FrmBook::mnuStop() {
    if (m_renewJob)
        m_renewJob->requestStop();
}

void FrmBook::redownload(int command) {
    const auto kind = RenewJob::Command(command);
    if (refuseWhileDownloading(kind == RenewJob::Command::VolumeNames
                                   ? tr("当前正在下载中，请在停止下载后再下载分卷名")
                                   : QString()))
        return;
    const QString id = novelForCommand();
    if (id.isEmpty())
        return;
    RenewJob::Request request;
    request.command = kind;
    request.novelIds = {id};
    if (kind == RenewJob::Command::RedownloadChapters) {
        for (QTreeWidgetItem* item : m_listView1->selectedItems())
            if (const qint64 chapter =
                    TreeKeys::idOf(m_listView1->keyOf(item), TreeKeys::kChapter).toLongLong())
                request.chapterIds << chapter;
        if (request.chapterIds.isEmpty())
            return;
    }
    startRenew(request);
}

void FrmBook::offerRedownload(const QString& novelId, qint64 chapterId) {
    // While a run goes on the chapter may be on its way.
    if (m_busy || RenewJob::isBusy() ||
        !Messages::question(this, tr("该章节下载失败或没有内容，是否重新下载？")))
        return;
    RenewJob::Request request;
    request.command = RenewJob::Command::RedownloadChapters;
    request.novelIds = {novelId};
    request.chapterIds = {chapterId};
    startRenew(request);
}

void FrmBook::extContentReNew() {
    redownload(int(RenewJob::Command::RedownloadChapters));
}

void FrmBook::mnuReNewEmpty() {
    redownload(int(RenewJob::Command::RedownloadEmpty));
}

void FrmBook::mnuLackPicReNew() {
    redownload(int(RenewJob::Command::RedownloadLackPictures));
}

void FrmBook::mnuPic2TxtReNew() {
    redownload(int(RenewJob::Command::RedownloadPictures));
}

void FrmBook::mnuVolumeReNew() {
    redownload(int(RenewJob::Command::VolumeNames));
}

void FrmBook::mnuOtherInfoReNew() {
    redownload(int(RenewJob::Command::Information));
}

void FrmBook::mnuEqual() {
    const QString id = currentNovelId();
    if (id.isEmpty())
        return;
    if (refuseWhileDownloading(tr("当前正在下载中，请在停止下载后再进行同步处理")))
        return;
    // The run asks "同步处理如下…" and the deletion itself; the list follows its countsChanged.
    RenewJob::Request request;
    request.command = RenewJob::Command::Synchronise;
    request.novelIds = {id};
    startRenew(request);
}

// The download list page.

QString FrmBook::downloadListPath() const {
    return m_library.folder().tempDir() + QStringLiteral("/download.htm");
}

void FrmBook::showDownloadListPage(const QString& bookName, const QStringList& titles) {
    m_downloadStates = QStringList(titles.size(), QString());
    const QString page = DownloadListPage::page(m_library.folder(), bookName, titles);
    // It takes the reading view only when nothing is being read there.
    if (writeBytesAtomically(downloadListPath(), encodeHtmlForCharset(page, QStringLiteral("gb2312"))) &&
        !isReading())
        mnuDownList();
}

void FrmBook::mnuDownList() {
    if (!QFileInfo::exists(downloadListPath()))
        return;
    showPage(downloadListPath());
}

void FrmBook::setDownloadState(int row, const QString& state) {
    if (row < 0 || row >= m_downloadStates.size())
        return;
    m_downloadStates[row] = state;
    if (m_web1->url().isLocalFile() && m_web1->url().toLocalFile() == downloadListPath())
        m_web1->page()->runJavaScript(downloadStateScript({row}), QWebEngineScript::ApplicationWorld);
}

void FrmBook::applyDownloadStates() {
    QList<int> rows;
    for (int i = 0; i < m_downloadStates.size(); ++i)
        if (!m_downloadStates.at(i).isEmpty())
            rows << i;
    if (!rows.isEmpty())
        m_web1->page()->runJavaScript(downloadStateScript(rows), QWebEngineScript::ApplicationWorld);
}

QString FrmBook::downloadStateScript(const QList<int>& rows) const {
    // The states are the engine's own HTML; ids and texts travel as JSON, never spliced into code.
    QJsonArray ids;
    QJsonArray states;
    for (int row : rows) {
        ids.append(DownloadListPage::cellId(row));
        states.append(m_downloadStates.at(row));
    }
    return QStringLiteral(
               "(function(ids, states){for (var i = 0; i < ids.length; ++i) {"
               "var c = document.getElementById(ids[i]); if (c) c.innerHTML = states[i];}})(%1, %2);")
        .arg(QString::fromUtf8(QJsonDocument(ids).toJson(QJsonDocument::Compact)),
             QString::fromUtf8(QJsonDocument(states).toJson(QJsonDocument::Compact)));
}

// New chapters in the list and the tree.

void FrmBook::markChanged(const QString& novelId) {
    if (!m_changedNovels.contains(novelId))
        m_changedNovels << novelId;
    if (!m_refreshTimer->isActive())
        m_refreshTimer->start();
}

void FrmBook::refreshChangedNovels() {
    const QStringList novels = std::exchange(m_changedNovels, {});
    const QString shown = currentNovelId();
    for (const QString& id : novels) {
        if (QTreeWidgetItem* node = findNode(TreeKeys::novel(id)))
            updateNovelNode(node, node->data(0, LibraryTreeWidget::kNameRole).toString(),
                            LibraryLists::unreadCount(m_library.database(), id),
                            node->data(0, LibraryTreeWidget::kEndRole).toString());
        if (id == shown && m_listMode == ListMode::Chapters)
            reloadChapterList(id);
    }
}

void FrmBook::reloadChapterList(const QString& novelId) {
    // The reader keeps the chapter and the place in the list while new rows arrive.
    const QString current = m_listView1->keyOf(m_listView1->currentItem());
    QStringList selected;
    for (QTreeWidgetItem* item : m_listView1->selectedItems())
        selected << m_listView1->keyOf(item);
    const int scroll = m_listView1->verticalScrollBar()->value();
    const QString status = m_lblStatus->text();
    {
        const QSignalBlocker block(m_listView1);
        showChapterList(novelId);
        for (const QString& key : selected)
            if (QTreeWidgetItem* item = findListItem(key))
                item->setSelected(true);
        if (QTreeWidgetItem* item = findListItem(current))
            m_listView1->setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
    }
    m_listView1->verticalScrollBar()->setValue(scroll);
    // The run's status texts, its last one included, stay in the status bar.
    setStatusText(status);
    enableButton();
}

void FrmBook::announceChapter(const QString& novelId, qint64 chapterId, const QString& text) {
    if (m_frmMessage)
        return;
    // The desktop's own notification too, unless there is no desktop (tests, headless runs).
    const QString platform = QGuiApplication::platformName();
    if (platform != QLatin1String("offscreen") && platform != QLatin1String("minimal"))
        DesktopNotification::send(tr("消息"), text);
    auto* message = new FrmMessage(novelId, chapterId, text, this);
    message->setAttribute(Qt::WA_DeleteOnClose);
    connect(message, &FrmMessage::chapterRequested, this, [this](const QString& novel, qint64 chapter) {
        bringToFront();
        if (selectNode(TreeKeys::novel(novel)))
            if (QTreeWidgetItem* item = findListItem(TreeKeys::chapter(chapter))) {
                m_listView1->clearSelection();
                m_listView1->setCurrentItem(item);
                item->setSelected(true);
                m_listView1->scrollToItem(item);
                viewNovelContent();
                return;
            }
        showPage(m_library.folder().chapterPage(novel, chapter), QString(), true);
    });
    connect(message, &FrmMessage::recentRequested, this, [this] {
        bringToFront();
        viewRecentDown(LibraryLists::Recent::Latest, 100);
    });
    m_frmMessage = message;
    message->show();
}

void FrmBook::bringToFront() {
    if (m_bossGuard && m_bossGuard->isHiding()) {
        m_bossGuard->restoreAll();
        return;
    }
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}
