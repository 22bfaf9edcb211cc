#include "renewal/renewjob.h"

#include "fetch/pagefetcher.h"
#include "renewal/chapterchooser.h"
#include "renewal/chaptersync.h"
#include "renewal/downloadcontext.h"
#include "renewal/novelrenewer.h"
#include "renewal/poweroff.h"
#include "renewal/renewstore.h"
#include "storage/database.h"
#include "storage/novelstore.h"
#include "storage/prompter.h"

#include <QMutex>
#include <QScopeGuard>

#include <atomic>

namespace {

std::atomic<bool> g_busy{false};

QMutex g_workingMutex;
QString g_workingOn; // one run at a time, on one novel at a time

// The novel a run works on for as long as this lives.
class WorkingOn {
public:
    explicit WorkingOn(const QString& novelId) { set(novelId); }
    ~WorkingOn() { set(QString()); }
    WorkingOn(const WorkingOn&) = delete;
    WorkingOn& operator=(const WorkingOn&) = delete;

private:
    static void set(const QString& novelId) {
        const QMutexLocker lock(&g_workingMutex);
        g_workingOn = novelId;
    }
};

} // namespace

// Turns the engine's events into the job's signals.
class RenewJob::Events : public DownloadEvents {
public:
    explicit Events(RenewJob& job)
        : m_job(job) {}
    void status(const QString& text) override { Q_EMIT m_job.statusChanged(text); }
    void progress(int value, int maximum) override { Q_EMIT m_job.progressChanged(value, maximum); }
    void chapterStored(const QString& novelId, qint64 chapterId) override {
        Q_EMIT m_job.chapterStored(novelId, chapterId);
    }
    void countsChanged(const QString& novelId) override { Q_EMIT m_job.countsChanged(novelId); }
    void novelRenamed(const QString& novelId, const QString& name) override {
        Q_EMIT m_job.novelRenamed(novelId, name);
    }
    void downloadListStarted(const QString& bookName, const QStringList& titles) override {
        Q_EMIT m_job.downloadListStarted(bookName, titles);
    }
    void downloadStateChanged(int row, const QString& state) override {
        Q_EMIT m_job.downloadStateChanged(row, state);
    }
    void newChapterAnnounced(const QString& novelId, qint64 chapterId, const QString& text) override {
        Q_EMIT m_job.newChapterAnnounced(novelId, chapterId, text);
    }

private:
    RenewJob& m_job;
};

RenewJob::RenewJob(Database& db, const LibraryFolder& folder, const DownloadOptions& options,
                   const Request& request, QObject* parent)
    : Job(parent)
    , m_db(db)
    , m_folder(folder)
    , m_options(options)
    , m_request(request)
    , m_powerOff([](QString* error) { return PowerOff::requestPowerOff(error); }) {}

RenewJob::~RenewJob() {
    stopAndWait();
}

bool RenewJob::isBusy() {
    return g_busy.load();
}

bool RenewJob::isWorkingOn(const QString& novelId) {
    const QMutexLocker lock(&g_workingMutex);
    return !novelId.isEmpty() && g_workingOn == novelId;
}

QString RenewJob::busyText() {
    return tr("当前正在下载中，请在停止下载后再进行该项操作");
}

void RenewJob::run() {
    m_result = Result();
    bool expected = false;
    if (!g_busy.compare_exchange_strong(expected, true)) {
        m_result.refused = true;
        prompter().warning(m_request.command == Command::VolumeNames
                               ? tr("当前正在下载中，请在停止下载后再下载分卷名")
                               : busyText());
        return;
    }
    const auto release = qScopeGuard([this] {
        m_db.releaseThreadConnection();
        g_busy.store(false);
    });

    PageFetcher fetcher(m_options.fetch, [this] { return stopRequested(); });
    Events events(*this);
    DownloadContext context(m_db, m_folder, m_options, fetcher, events, [this] { return stopRequested(); });
    NovelRenewer renewer(context);
    if (!m_signs.isUnavailable())
        renewer.setSiteSigns(&m_signs);
    if (m_options.list.manualSelect)
        renewer.setChooser(ChapterChooserPrompt::chooser(prompter()));
    runCommand(renewer);
    m_result.stopped = m_result.stopped || stopRequested();
}

void RenewJob::runCommand(NovelRenewer& renewer) {
    const RenewStore store(m_db);
    switch (m_request.command) {
    case Command::RenewAll:
        renewList(renewer, store.novelsToRenew(), true);
        break;
    case Command::RenewCategory:
        renewList(renewer, store.novelsOfCategory(m_request.category), false);
        break;
    case Command::RenewNovels:
        renewList(renewer, m_request.novelIds, false);
        break;
    case Command::RedownloadChapters:
    case Command::RedownloadEmpty:
    case Command::RedownloadLackPictures:
    case Command::RedownloadPictures:
    case Command::RedownloadPlaceholders:
        redownload(renewer);
        break;
    case Command::VolumeNames:
    case Command::Information:
        reread(renewer);
        break;
    case Command::Synchronise:
        synchronise(renewer);
        break;
    }
}

void RenewJob::renewList(NovelRenewer& renewer, const QStringList& novelIds, bool all) {
    renewer.fetchListsAhead(novelIds);
    for (int i = 0; i < novelIds.size() && !stopRequested(); ++i) {
        const WorkingOn working(novelIds.at(i));
        const NovelRenewer::Outcome outcome = renewer.renewNovel(novelIds.at(i), m_request.readInformation);
        m_result.newChapters += outcome.stored;
        m_result.failedChapters += outcome.failedChapters;
        m_result.failedNovels += outcome.failed ? 1 : 0;
        m_result.stopped = m_result.stopped || outcome.stopped;
        if (m_result.stopped)
            break;
    }
    renewer.dropListsAhead();
    m_result.stopped = m_result.stopped || stopRequested();
    if (!all)
        return;
    if (m_result.stopped) {
        setStatus(tr("停止更新"));
    } else {
        QString text =
            m_result.newChapters > 0 ? tr("共有%1个新章节").arg(m_result.newChapters) : tr("没有新章节");
        if (m_result.failedChapters > 0)
            text += tr("，%1个章节下载失败").arg(m_result.failedChapters);
        setStatus(text);
    }
    if (m_options.autoShutdown && !m_result.stopped && m_powerOff) {
        m_result.shutdownRequested = true;
        m_powerOff(&m_result.shutdownError);
    }
}

void RenewJob::redownload(NovelRenewer& renewer) {
    const QString novelId = m_request.novelIds.value(0);
    const std::optional<NovelRecord> novel = NovelStore(m_db).loadNovel(novelId);
    if (!novel)
        return;
    const WorkingOn working(novelId);
    const RenewStore store(m_db);
    QList<StoredChapter> chapters;
    QString none;
    switch (m_request.command) {
    case Command::RedownloadChapters:
        chapters = store.chapters(novelId, m_request.chapterIds);
        break;
    case Command::RedownloadEmpty:
        chapters = store.emptyChapters(novelId);
        none = tr("没有空白章节");
        break;
    case Command::RedownloadLackPictures:
        chapters = renewer.chaptersWithPictures(novelId, true);
        none = tr("没有缺图章节");
        break;
    case Command::RedownloadPlaceholders:
        chapters = store.allPlaceholderChapters(novelId);
        none = tr("没有待更新的章节");
        break;
    default:
        chapters = renewer.chaptersWithPictures(novelId, false);
        none = tr("没有图片章节");
        break;
    }
    if (chapters.isEmpty()) {
        if (!none.isEmpty())
            prompter().information(none);
        return;
    }
    const NovelRenewer::Outcome outcome = renewer.redownloadChapters(*novel, chapters);
    m_result.newChapters += outcome.stored;
    m_result.failedChapters += outcome.failedChapters;
    m_result.stopped = outcome.stopped;
    if (outcome.stored > 0)
        Q_EMIT countsChanged(novelId);
}

void RenewJob::reread(NovelRenewer& renewer) {
    const bool volumes = m_request.command == Command::VolumeNames;
    if (volumes && !prompter().confirm(tr("此操作会覆盖当前设定好的分卷名，您确定重新下载分卷名吗？"))) {
        m_result.refused = true;
        return;
    }
    for (const QString& novelId : std::as_const(m_request.novelIds)) {
        if (stopRequested())
            break;
        const WorkingOn working(novelId);
        NovelRenewer::Outcome outcome;
        renewer.rereadList(
            novelId, volumes ? ChapterListMode::VolumeNames : ChapterListMode::NovelInformation, &outcome);
        m_result.failedNovels += outcome.failed ? 1 : 0;
        m_result.stopped = m_result.stopped || outcome.stopped;
    }
}

void RenewJob::synchronise(NovelRenewer& renewer) {
    const QString novelId = m_request.novelIds.value(0);
    const WorkingOn working(novelId);
    ChapterSync sync(renewer.context(), renewer, prompter());
    ChapterSync::Options options;
    options.download = !m_request.noDownload;
    options.dryRun = m_request.dryRun;
    const ChapterSync::Result result = sync.run(novelId, options);
    m_result.plan = result.plan;
    m_result.deleted = result.deleted;
    m_result.inserted = result.inserted;
    m_result.newChapters += result.download.stored;
    m_result.failedChapters += result.download.failedChapters;
    switch (result.outcome) {
    case ChapterSync::Result::Outcome::Refused:
        m_result.refused = true;
        break;
    case ChapterSync::Result::Outcome::NoChapters:
    case ChapterSync::Result::Outcome::Failed:
        m_result.failedNovels = 1;
        break;
    case ChapterSync::Result::Outcome::Stopped:
        m_result.stopped = true;
        break;
    case ChapterSync::Result::Outcome::Done:
        if (!m_request.dryRun)
            prompter().information(ChapterSync::doneText());
        break;
    }
}
