#pragma once

#include "renewal/novelrenewer.h"
#include "toc/syncplan.h"

#include <QCoreApplication>
#include <QString>

struct DownloadContext;
class Prompter;

// "同步书目": a stored novel brought in line with its table of contents in one pass. The site's whole
// list is read, the plan (SyncPlan) confirmed, and applied in one transaction: the novel is never
// left half synchronised. The chapters inserted or retitled are fetched afterwards, each committed on
// its own, so a stop keeps what came. Runs on the download run's thread.
class ChapterSync {
    Q_DECLARE_TR_FUNCTIONS(ChapterSync)

public:
    ChapterSync(DownloadContext& context, NovelRenewer& renewer, Prompter& prompter);

    struct Options {
        bool download = true; // fetch the inserted and retitled chapters afterwards
        bool dryRun = false;  // work the plan out, ask nothing, change nothing
    };
    struct Result {
        enum class Outcome { Done, Refused, NoChapters, Stopped, Failed };
        Outcome outcome = Outcome::Failed;
        SyncPlan plan;
        bool deletionRefused = false;
        int deleted = -1; // -1: the plan was not applied
        QList<qint64> inserted;
        NovelRenewer::Outcome download;
    };

    Result run(const QString& novelId, const Options& options);

    static QString questionText();
    static QString deletionText() { return tr("您是否确定删除选中的章节吗?"); }
    static QString noChaptersText() { return tr("该目录页没有章节。"); }
    static QString doneText() { return tr("同步书目完成"); }

private:
    // The rows changed in one transaction; the deleted ones' files go after the commit.
    bool apply(const QString& novelId, const SyncPlan& plan, const QList<qint64>& deleting,
               QList<qint64>* inserted);

    DownloadContext& m_context;
    NovelRenewer& m_renewer;
    Prompter& m_prompter;
};
