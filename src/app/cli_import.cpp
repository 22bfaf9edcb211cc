// Import commands: import chm|folder|files, unpack.
#include "app/cli.h"
#include "app/cli_signals.h"
#include "app/cli_prompter.h"

#include "addnovel/bookimportjobs.h"
#include "output/chmunpackjob.h"
#include "storage/categorystore.h"
#include "storage/librarycontext.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonObject>

namespace {

const QString kImportUsage = QStringLiteral(
    "用法: quiveral-cli import chm FILE [--category 分类] [--name 名称]\n"
    "      quiveral-cli import folder DIR [--category 分类] [--name 名称]\n"
    "      quiveral-cli import files NOVELID FILE...");

QString absolute(const QString& path) {
    return QDir::cleanPath(QDir::current().absoluteFilePath(path));
}

int runImport(CliContext& cli, const QStringList& args) {
    if (args.size() < 2)
        return cli.fail(kImportUsage, CliUsage);
    const QString kind = args.first();
    QString category;
    QString name;
    QStringList rest;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if ((a == QLatin1String("--category") || a == QLatin1String("--name")) && i + 1 < args.size() &&
            kind != QLatin1String("files"))
            (a == QLatin1String("--category") ? category : name) = args.at(++i);
        else if (a.startsWith(QLatin1String("--")))
            return cli.fail(kImportUsage, CliUsage);
        else
            rest << a;
    }
    const bool files = kind == QLatin1String("files");
    if ((kind != QLatin1String("chm") && kind != QLatin1String("folder") && !files) ||
        (files ? rest.size() < 2 : rest.size() != 1))
        return cli.fail(kImportUsage, CliUsage);

    LibraryContext* library = cli.openLibrary(true);
    if (!library)
        return CliFailed;
    QString categoryCode;
    if (!category.isEmpty()) {
        categoryCode = CategoryStore(library->database()).codeOf(category);
        if (categoryCode.isEmpty())
            return cli.fail(QStringLiteral("没有这个分类：") + category);
    }
    std::unique_ptr<ImportJob> job;
    if (kind == QLatin1String("chm")) {
        const QString path = absolute(rest.first());
        if (!QFileInfo(path).isFile())
            return cli.fail(QStringLiteral("无此文件"));
        job = std::make_unique<ChmImportJob>(*library, path, categoryCode, name);
    } else if (kind == QLatin1String("folder")) {
        const QString path = absolute(rest.first());
        if (!QFileInfo(path).isDir())
            return cli.fail(QStringLiteral("无此文件夹：") + rest.first());
        job = std::make_unique<FolderImportJob>(*library, path, categoryCode, name);
    } else {
        QStringList paths;
        for (qsizetype i = 1; i < rest.size(); ++i)
            paths << absolute(rest.at(i));
        job = std::make_unique<LocalFilesImportJob>(*library, rest.first(), paths);
    }
    CliPrompter prompter;
    job->setPrompter(&prompter);
    bool interrupted = false;
    if (!runJobPrintingStatus(cli, *job, &interrupted))
        return CliFailed;
    const BookImporter::Result& result = job->result();
    if (result.stopped)
        return cli.fail(QStringLiteral("导入已停止，没有留下任何内容"));
    if (!result.ok())
        return cli.fail(result.error);
    if (cli.json)
        cli.printJson(QJsonObject{{"novelId", result.novelId}, {"name", result.novelName}, {"chapters", result.chapters}});
    else
        cli.out << result.novelId << '\n';
    cli.out.flush();
    return CliOk;
}

int runUnpack(CliContext& cli, const QStringList& args) {
    if (args.size() != 2)
        return cli.fail(QStringLiteral("用法: quiveral-cli unpack FILE.chm DIR"), CliUsage);
    const QString chm = absolute(args.at(0));
    const QString folder = absolute(args.at(1));
    if (!QFileInfo(chm).isFile())
        return cli.fail(QStringLiteral("该chm文件不存在"));
    if (!QFileInfo(folder).isDir())
        return cli.fail(QStringLiteral("保存文件夹不存在，请重新输入"));
    ChmUnpackJob job(chm, folder);
    bool interrupted = false;
    if (!runJobPrintingStatus(cli, job, &interrupted))
        return CliFailed;
    if (!job.result().ok)
        return cli.fail(job.result().stopped ? QStringLiteral("已停止") : job.result().error);
    cli.out << QDir::toNativeSeparators(folder) << '\n';
    cli.out.flush();
    return CliOk;
}

const CliRegistry::Registration importCommand(CliCommand{
    QStringLiteral("import"), QStringLiteral("chm FILE | folder DIR [--category 分类] [--name 名称] | files NOVELID FILE..."),
    QStringLiteral("导入chm文件或文件夹为新小说，或把本地文件加为小说的章节；显示小说编号"), runImport});
const CliRegistry::Registration unpackCommand(CliCommand{
    QStringLiteral("unpack"), QStringLiteral("FILE.chm DIR"), QStringLiteral("反编译chm文件到文件夹"), runUnpack});

} // namespace
