#pragma once

#include "renewal/downloadoptions.h"
#include "sites/sitesigntable.h"
#include "storage/job.h"
#include "storage/libraryfolder.h"
#include "toc/syncplan.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class Database;

// A download run on a worker thread: renewal of all novels, of a category or of chosen novels, the
// re-download of chapters, the re-reading of volume names or novel information, and the
// synchronisation of a novel's chapters with its table of contents. One run at a time in the
// program: a second one is refused with "当前正在下载中，请在停止下载后再进行该项操作".
// requestStop() is the "停止所有更新" command: chapters stored so far stay.
//
// The windows follow it through the signals (queued to their thread) and read the chapters from the
// database; the command line prints the status texts.
class RenewJob : public Job {
    Q_OBJECT

public:
    enum class Command {
        RenewAll,               // mnuAllReNew: every novel still renewed, in the library's order
        RenewCategory,          // mnuReNewLB: the novels of a category still renewed
        RenewNovels,            // mnuReNew, mnuBatchBookReNew: the novels named
        RedownloadChapters,     // extContentReNew: the chapters named
        RedownloadEmpty,        // mnuReNewEmpty "空白章节"
        RedownloadLackPictures, // mnuLackPicReNew "缺图章节"
        RedownloadPictures,     // mnuPic2TxtReNew "图片章节"
        RedownloadPlaceholders, // the stubs marked "（待更新）", the ones given up on too
        VolumeNames,            // mnuVolumeReNew, mnuVolumeBatchReNew "分卷名称"
        Information,            // mnuOtherInfoReNew, mnuOtherInfoBatchReNew "作者等信息"
        Synchronise,            // mnuEqual "同步书目": the chapters brought in line with the site's list
    };

    struct Request {
        Command command = Command::RenewAll;
        QString category;         // RenewCategory
        QStringList novelIds;     // the novels; the re-download commands take the first
        QList<qint64> chapterIds; // RedownloadChapters
        // Read author, brief and cover along with the renewal (a novel just added with "读取其他信息").
        bool readInformation = false;
        bool noDownload = false; // Synchronise: the list only, new chapters wait for the next renewal
        bool dryRun = false;     // Synchronise: the plan only, nothing asked or changed
    };

    struct Result {
        bool refused = false; // another run was going on, or the question was answered no
        bool stopped = false;
        int newChapters = 0;    // chapters that got their text
        int failedNovels = 0;   // tables of contents that could not be read
        int failedChapters = 0; // chapters not fetched, not stored, or stored without text
        bool shutdownRequested = false;
        QString shutdownError;
        SyncPlan plan;          // Synchronise: what the site's list asked for
        int deleted = -1;       // Synchronise: chapters deleted; -1 when the plan was not applied
        QList<qint64> inserted; // Synchronise: the new chapters
    };

    RenewJob(Database& db, const LibraryFolder& folder, const DownloadOptions& options,
             const Request& request, QObject* parent = nullptr);
    ~RenewJob() override;

    // For the novel information; without them no information is read.
    void setSiteSigns(const SiteSignTable& signs) { m_signs = signs; }
    // What "shut the computer down after renewing all" calls (default: PowerOff::requestPowerOff).
    using PowerOffHandler = std::function<bool(QString* error)>;
    void setPowerOffHandler(PowerOffHandler handler) { m_powerOff = std::move(handler); }

    // Read after finished().
    Result result() const { return m_result; }

    // True while a run is going on anywhere in the program.
    static bool isBusy();
    // True while a run works on that novel's chapters: they are not to be edited meanwhile.
    static bool isWorkingOn(const QString& novelId);
    static QString busyText();

Q_SIGNALS:
    // A chapter row got its text; the chapter list gains or updates it from the database.
    void chapterStored(const QString& novelId, qint64 chapterId);
    // Chapters of the novel were added, moved or renamed: chapter list and tree counts are stale.
    void countsChanged(const QString& novelId);
    void novelRenamed(const QString& novelId, const QString& name);
    // The download list page starts over (DownloadListPage::page), then its state cells change.
    void downloadListStarted(const QString& bookName, const QStringList& titles);
    void downloadStateChanged(int row, const QString& state);
    // bIsNewMessageView: the text of the new-chapter message window.
    void newChapterAnnounced(const QString& novelId, qint64 chapterId, const QString& text);

protected:
    void run() override;

private:
    class Events;
    void runCommand(class NovelRenewer& renewer);
    void renewList(NovelRenewer& renewer, const QStringList& novelIds, bool all);
    void redownload(NovelRenewer& renewer);
    void reread(NovelRenewer& renewer);
    void synchronise(NovelRenewer& renewer);

    Database& m_db;
    LibraryFolder m_folder;
    DownloadOptions m_options;
    Request m_request;
    SiteSignTable m_signs;
    PowerOffHandler m_powerOff;
    Result m_result;
};
