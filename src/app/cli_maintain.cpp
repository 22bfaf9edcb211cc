// backup, restore, compact, check-db: the library database's upkeep. A backup and a check run beside
// the desktop program; restoring and compacting need the library to themselves.
#include "app/cli.h"
#include "app/cli_args.h"

#include "companion/databasecheck.h"
#include "companion/maintenancejobs.h"
#include "storage/librarycontext.h"
#include "storage/libraryfolder.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

namespace {

int finishJob(CliContext& cli, MaintenanceJob& job) {
    job.runHere();
    if (!job.succeeded())
        return cli.fail(job.message());
    cli.out << job.message() << Qt::endl;
    return CliOk;
}

int runBackup(CliContext& cli, QStringList args) {
    const bool overwrite = takeFlag(args, QStringLiteral("--overwrite"));
    if (args.size() != 1 || hasOption(args))
        return cli.fail(QStringLiteral("用法: quiveral-cli backup PATH.mis [--overwrite]"), CliUsage);
    const QString target = QFileInfo(args.first()).absoluteFilePath();
    if (const QString problem = Maintenance::checkBackupPath(target); !problem.isEmpty())
        return cli.fail(problem);
    if (QFileInfo::exists(target) && !overwrite)
        return cli.fail(QStringLiteral("文件已存在（加 --overwrite 覆盖）：") + target);
    LibraryContext* library = cli.openLibrary(false);
    if (!library)
        return CliFailed;
    BackupJob job(library->database(), target);
    return finishJob(cli, job);
}

int runRestore(CliContext& cli, const QStringList& args) {
    if (args.size() != 1 || hasOption(args))
        return cli.fail(QStringLiteral("用法: quiveral-cli restore PATH.mis"), CliUsage);
    const QString source = QFileInfo(args.first()).absoluteFilePath();
    if (const QString problem = Maintenance::checkRestorePath(source); !problem.isEmpty())
        return cli.fail(problem);
    LibraryContext* library = cli.openLibrary(true);
    if (!library)
        return CliFailed;
    RestoreJob job(library->database(), source, library->folder().tempDir());
    return finishJob(cli, job);
}

int runCompact(CliContext& cli, const QStringList& args) {
    if (!args.isEmpty())
        return cli.fail(QStringLiteral("用法: quiveral-cli compact"), CliUsage);
    LibraryContext* library = cli.openLibrary(true);
    if (!library)
        return CliFailed;
    CompactJob job(library->database());
    return finishJob(cli, job);
}

int runCheckDb(CliContext& cli, const QStringList& args) {
    if (!args.isEmpty())
        return cli.fail(QStringLiteral("用法: quiveral-cli check-db"), CliUsage);
    // The file itself, not the library opened: opening would repair missing tables and fail on a damaged
    // file before the damage could be told.
    const QString path = LibraryFolder(cli.libraryFolder).databasePath();
    const QStringList problems = DatabaseCheck::problems(path);
    if (cli.json) {
        cli.printJson(QJsonObject{{"database", path},
                                  {"ok", problems.isEmpty()},
                                  {"problems", QJsonArray::fromStringList(problems)}});
    } else if (problems.isEmpty()) {
        cli.out << "数据库完好：" << path << Qt::endl;
    } else {
        for (const QString& p : problems)
            cli.out << p << '\n';
        cli.out.flush();
    }
    return problems.isEmpty() ? CliOk : CliFailed;
}

const CliRegistry::Registration backup{
    {"backup", "PATH.mis [--overwrite]", "备份数据库（仅数据库，章节页面在 chm/ 中）", runBackup}};
const CliRegistry::Registration restore{{"restore", "PATH.mis", "还原数据库", runRestore}};
const CliRegistry::Registration compact{{"compact", "", "压缩数据库", runCompact}};
const CliRegistry::Registration checkDb{{"check-db", "", "检查数据库是否完好", runCheckDb}};

} // namespace
