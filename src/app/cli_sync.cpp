// sync: "同步书目" on the command line. The plan is printed first; only --yes lets it change the library
// (the questions of the program are then answered yes). Ctrl-C stops the download that follows; what is
// done stays.
#include "app/cli.h"
#include "app/cli_prompter.h"
#include "app/cli_signals.h"

#include "renewal/downloadoptions.h"
#include "renewal/renewjob.h"
#include "sites/sitesigntable.h"
#include "storage/librarycontext.h"
#include "storage/novelstore.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonObject>

namespace {

const QString kUsage = QStringLiteral("用法: quiveral-cli sync NOVELID [--dry-run] [--no-download] [--yes]");

void printPlan(CliContext& cli, const SyncPlan& plan) {
    if (cli.json) {
        QJsonArray deletions;
        for (const SyncPlan::Deletion& d : plan.deletions)
            deletions.append(QJsonObject{{QStringLiteral("id"), d.id}, {QStringLiteral("title"), d.title}});
        QJsonArray retitles;
        for (const SyncPlan::Retitle& r : plan.retitles)
            retitles.append(QJsonObject{{QStringLiteral("id"), r.id},
                                        {QStringLiteral("oldTitle"), r.oldTitle},
                                        {QStringLiteral("title"), r.title},
                                        {QStringLiteral("order"), r.displayorder}});
        QJsonArray inserts;
        for (const ChapterRecord& c : plan.inserts)
            inserts.append(QJsonObject{{QStringLiteral("order"), c.displayorder},
                                       {QStringLiteral("title"), c.title},
                                       {QStringLiteral("url"), c.comeFrom},
                                       {QStringLiteral("volume"), c.volume}});
        cli.printJson(QJsonObject{{QStringLiteral("deletions"), deletions},
                                  {QStringLiteral("retitles"), retitles},
                                  {QStringLiteral("renumbered"), int(plan.renumbered.size())},
                                  {QStringLiteral("inserts"), inserts}});
        return;
    }
    for (const SyncPlan::Deletion& d : plan.deletions)
        cli.out << QStringLiteral("删除\t%1\t%2").arg(d.id).arg(d.title) << Qt::endl;
    for (const SyncPlan::Retitle& r : plan.retitles)
        cli.out << QStringLiteral("改名\t%1\t%2\t%3").arg(r.id).arg(r.oldTitle, r.title) << Qt::endl;
    for (const ChapterRecord& c : plan.inserts)
        cli.out << QStringLiteral("新增\t%1\t%2\t%3").arg(c.displayorder).arg(c.title, c.comeFrom)
                << Qt::endl;
    cli.out << QStringLiteral("删除%1章，改名%2章，重新排序%3章，新增%4章")
                   .arg(plan.deletions.size())
                   .arg(plan.retitles.size())
                   .arg(plan.renumbered.size())
                   .arg(plan.inserts.size())
            << Qt::endl;
}

int runSync(CliContext& cli, const QStringList& args) {
    RenewJob::Request request;
    request.command = RenewJob::Command::Synchronise;
    bool yes = false;
    bool dryRun = false;
    for (const QString& a : args) {
        if (a == QLatin1String("--dry-run"))
            dryRun = true;
        else if (a == QLatin1String("--no-download"))
            request.noDownload = true;
        else if (a == QLatin1String("--yes"))
            yes = true;
        else if (!a.startsWith(QLatin1String("--")) && request.novelIds.isEmpty())
            request.novelIds << a;
        else
            return cli.fail(kUsage, CliUsage);
    }
    if (request.novelIds.isEmpty())
        return cli.fail(kUsage, CliUsage);
    // Without --yes the plan is only shown.
    request.dryRun = dryRun || !yes;
    LibraryContext* library = cli.openLibrary(true);
    if (!library)
        return CliFailed;
    if (!NovelStore(library->database()).loadNovel(request.novelIds.first()))
        return cli.fail(QStringLiteral("没有这本小说：") + request.novelIds.first());

    CliPrompter prompter(yes ? 0 : -1);
    prompter.setBeforeWriting([&cli] { cli.out.flush(); });
    RenewJob job(library->database(), library->folder(), DownloadOptions::fromLibrary(*library), request);
    SiteSignTable signs;
    signs.load(library->folder().file(QStringLiteral("sitesign.xml")));
    job.setSiteSigns(signs);
    job.setPrompter(&prompter);
    bool interrupted = false;
    if (!runJobPrintingStatus(cli, job, &interrupted))
        return CliFailed;

    const RenewJob::Result result = job.result();
    if (result.refused || result.failedNovels > 0)
        return CliFailed;
    printPlan(cli, result.plan);
    if (result.stopped || interrupted)
        return CliFailed;
    if (!yes && !dryRun)
        return cli.fail(QStringLiteral("未做任何更改：加上 --yes 才会按此同步"));
    if (result.failedChapters > 0)
        cli.err << QStringLiteral("%1个章节未能取得").arg(result.failedChapters) << Qt::endl;
    return CliOk;
}

const CliRegistry::Registration
    registration({QStringLiteral("sync"), QStringLiteral("NOVELID [--dry-run] [--no-download] [--yes]"),
                  QStringLiteral("按目录页同步章节（删除、改名、重新排序、新增）"), runSync});

} // namespace
