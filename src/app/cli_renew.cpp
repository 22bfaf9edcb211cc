// renew and redownload: the download run of the main window on the command line. Status texts go to
// stderr, several times a second; Ctrl-C stops the run like "停止所有更新" (the chapters stored so far stay).
#include "app/cli.h"
#include "app/cli_prompter.h"
#include "app/cli_signals.h"

#include "renewal/downloadoptions.h"
#include "renewal/renewjob.h"
#include "sites/sitesigntable.h"
#include "storage/librarycontext.h"
#include "storage/novelstore.h"

#include <QEventLoop>
#include <QMutex>
#include <QTimer>

namespace {

// A fast run has thousands of status texts: they are gathered on the job's thread and written a few
// times a second, instead of waking this thread and writing to stderr once for each.
class StatusLines {
public:
    explicit StatusLines(QTextStream& err)
        : m_err(err) {}

    void add(const QString& text) {
        QMutexLocker lock(&m_mutex);
        m_pending += text;
        m_pending += u'\n';
    }

    void flush() {
        QMutexLocker lock(&m_mutex);
        if (m_pending.isEmpty())
            return;
        m_err << m_pending;
        m_err.flush();
        m_pending.clear();
    }

private:
    QTextStream& m_err;
    QMutex m_mutex;
    QString m_pending;
};

// Runs the request on the job's thread while this one prints its texts and waits for Ctrl-C.
int runRequest(CliContext& cli, LibraryContext& library, const RenewJob::Request& request, int answer = -1) {
    StatusLines lines(cli.err);
    CliPrompter prompter(answer);
    prompter.setBeforeWriting([&lines] { lines.flush(); });
    RenewJob job(library.database(), library.folder(), DownloadOptions::fromLibrary(library), request);
    SiteSignTable signs;
    signs.load(library.folder().file(QStringLiteral("sitesign.xml")));
    job.setSiteSigns(signs);
    job.setPrompter(&prompter);
    QObject::connect(
        &job, &Job::statusChanged, &job, [&lines](const QString& text) { lines.add(text); }, Qt::DirectConnection);
    bool interrupted = false;
    if (!onTerminationSignal(&job, [&] {
            interrupted = true;
            job.requestStop();
        }))
        return cli.fail(QStringLiteral("无法处理终止信号"));
    QEventLoop loop;
    QObject::connect(&job, &Job::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    QTimer writing;
    QObject::connect(&writing, &QTimer::timeout, &loop, [&lines] { lines.flush(); });
    writing.start(100);
    job.start();
    loop.exec();
    job.wait();
    lines.flush();

    const RenewJob::Result result = job.result();
    if (result.refused || result.stopped || interrupted)
        return CliFailed;
    // A run that went to its end succeeded even when pages failed: they are tried again next time,
    // as in the program. The count still tells whoever reads stderr.
    if (result.failedNovels > 0 || result.failedChapters > 0)
        cli.err << QStringLiteral("%1本小说的目录页、%2个章节未能取得")
                       .arg(result.failedNovels)
                       .arg(result.failedChapters)
                << Qt::endl;
    return CliOk;
}

bool novelsExist(CliContext& cli, const Database& db, const QStringList& ids) {
    for (const QString& id : ids) {
        if (NovelStore(db).loadNovel(id))
            continue;
        cli.fail(QStringLiteral("没有这本小说：") + id);
        return false;
    }
    return true;
}

int runRenew(CliContext& cli, const QStringList& args) {
    const QString usage = QStringLiteral("用法: quiveral-cli renew (--all | --category CODE | NOVELID...)");
    RenewJob::Request request;
    request.command = RenewJob::Command::RenewNovels;
    int kinds = 0;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QLatin1String("--all")) {
            request.command = RenewJob::Command::RenewAll;
            ++kinds;
        } else if (a == QLatin1String("--category") && i + 1 < args.size()) {
            request.command = RenewJob::Command::RenewCategory;
            request.category = args.at(++i);
            ++kinds;
        } else if (!a.startsWith(QLatin1String("--"))) {
            request.novelIds << a;
        } else {
            return cli.fail(usage, CliUsage);
        }
    }
    if (kinds > 1 || (kinds == 1) == !request.novelIds.isEmpty())
        return cli.fail(usage, CliUsage);
    LibraryContext* library = cli.openLibrary(true);
    if (!library)
        return CliFailed;
    if (!novelsExist(cli, library->database(), request.novelIds))
        return CliFailed;
    return runRequest(cli, *library, request);
}

int runRedownload(CliContext& cli, const QStringList& args) {
    const QString usage = QStringLiteral("用法: quiveral-cli redownload NOVELID (--selected ID,ID... | "
                                         "--empty | --lack-pic | --pic | --placeholders | --volumes | "
                                         "--info)");
    const QList<std::pair<QLatin1String, RenewJob::Command>> kinds = {
        {QLatin1String("--empty"), RenewJob::Command::RedownloadEmpty},
        {QLatin1String("--lack-pic"), RenewJob::Command::RedownloadLackPictures},
        {QLatin1String("--pic"), RenewJob::Command::RedownloadPictures},
        {QLatin1String("--placeholders"), RenewJob::Command::RedownloadPlaceholders},
        {QLatin1String("--volumes"), RenewJob::Command::VolumeNames},
        {QLatin1String("--info"), RenewJob::Command::Information},
    };
    RenewJob::Request request;
    int chosen = 0;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        bool known = false;
        for (const auto& [flag, command] : kinds) {
            if (a == flag) {
                request.command = command;
                known = true;
                ++chosen;
            }
        }
        if (known)
            continue;
        if (a == QLatin1String("--selected") && i + 1 < args.size()) {
            request.command = RenewJob::Command::RedownloadChapters;
            ++chosen;
            for (const QString& id : args.at(++i).split(u',', Qt::SkipEmptyParts)) {
                bool ok = false;
                request.chapterIds << id.trimmed().toLongLong(&ok);
                if (!ok)
                    return cli.fail(QStringLiteral("章节编号无效：") + id, CliUsage);
            }
            if (request.chapterIds.isEmpty())
                return cli.fail(usage, CliUsage);
        } else if (!a.startsWith(QLatin1String("--")) && request.novelIds.isEmpty()) {
            request.novelIds << a;
        } else {
            return cli.fail(usage, CliUsage);
        }
    }
    if (chosen != 1 || request.novelIds.isEmpty())
        return cli.fail(usage, CliUsage);
    LibraryContext* library = cli.openLibrary(true);
    if (!library)
        return CliFailed;
    if (!novelsExist(cli, library->database(), request.novelIds))
        return CliFailed;
    // The command itself is the "yes" to "此操作会覆盖当前设定好的分卷名…".
    return runRequest(cli, *library, request, request.command == RenewJob::Command::VolumeNames ? 0 : -1);
}

const CliRegistry::Registration registrations[] = {
    CliRegistry::Registration({QStringLiteral("renew"),
                               QStringLiteral("--all | --category CODE | NOVELID..."),
                               QStringLiteral("下载新章节（所有小说、一个分类或指定的小说）"), runRenew}),
    CliRegistry::Registration(
        {QStringLiteral("redownload"),
         QStringLiteral(
             "NOVELID (--selected IDS | --empty | --lack-pic | --pic | --placeholders | --volumes | "
             "--info)"),
         QStringLiteral("重新下载章节、分卷名称或作者等信息"), runRedownload}),
};

} // namespace
