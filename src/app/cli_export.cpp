// E-book and export commands: export, report.
#include "app/cli.h"

#include "output/chmbuildjob.h"
#include "output/epubbuildjob.h"
#include "output/libraryreportjob.h"
#include "output/outputfolder.h"
#include "output/textexportjob.h"
#include "output/volumepagesjob.h"
#include "output/volumetextjob.h"
#include "storage/librarycontext.h"
#include "storage/novelstore.h"
#include "storage/prompter.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>

namespace {

const QString kExportUsage = QStringLiteral("用法: quiveral-cli export NOVELID --format "
                                            "chm|epub|txt|doc|txt-chapters|txt-volumes|volume-pages|all-html "
                                            "[--out PATH]");

int printResult(CliContext& cli, const QStringList& paths) {
    if (cli.json) {
        cli.printJson(QJsonObject{{"files", QJsonArray::fromStringList(paths)}});
        return CliOk;
    }
    for (const QString& path : paths)
        cli.out << QDir::toNativeSeparators(path) << '\n';
    cli.out.flush();
    return CliOk;
}

int runExport(CliContext& cli, const QStringList& args) {
    QString novelId;
    QString format;
    QString out;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if ((a == QLatin1String("--format") || a == QLatin1String("--out")) && i + 1 < args.size())
            (a == QLatin1String("--format") ? format : out) = args.at(++i);
        else if (a.startsWith(QLatin1String("--format=")))
            format = a.mid(9);
        else if (a.startsWith(QLatin1String("--out=")))
            out = a.mid(6);
        else if (novelId.isEmpty() && !a.startsWith(QLatin1String("--")))
            novelId = a;
        else
            return cli.fail(kExportUsage, CliUsage);
    }
    static const QStringList formats = {"chm",          "epub",        "txt",          "doc",
                                        "txt-chapters", "txt-volumes", "volume-pages", "all-html"};
    if (novelId.isEmpty() || !formats.contains(format) ||
        (!out.isEmpty() && (format == QLatin1String("volume-pages") || format == QLatin1String("all-html"))))
        return cli.fail(kExportUsage, CliUsage);

    LibraryContext* library = cli.openLibrary(true);
    if (!library)
        return CliFailed;
    Database& db = library->database();
    const LibraryFolder& folder = library->folder();
    const Settings& settings = library->settings();
    const QString name = NovelStore(db).novelName(novelId);
    if (name.isEmpty())
        return cli.fail(QStringLiteral("没有找到小说 %1").arg(novelId));
    if (!out.isEmpty())
        out = QDir::cleanPath(QDir::current().absoluteFilePath(out));

    // Questions get "否" (nothing is opened from here), except that an existing full-text page is
    // made again: the command asks for it.
    ScriptedPrompter prompter;
    if (format == QLatin1String("all-html"))
        prompter.defaultButton = 0;

    if (format == QLatin1String("chm")) {
        ChmBuildJob job(db, folder, settings, novelId);
        job.setPrompter(&prompter);
        job.setTargetPath(out);
        job.runHere();
        const ChmBuildJob::Result result = job.result();
        return result.ok ? printResult(cli, {result.chmPath}) : cli.fail(result.error);
    }
    if (format == QLatin1String("epub")) {
        EpubBuildJob job(db, folder, settings, novelId);
        job.setPrompter(&prompter);
        job.setTargetPath(out);
        job.runHere();
        const EpubBuildJob::Result result = job.result();
        return result.ok ? printResult(cli, {result.bookPath}) : cli.fail(result.error);
    }
    if (format == QLatin1String("txt-volumes")) {
        const QString target = out.isEmpty() ? OutputFolder(folder, settings).fileFor(name, QString()) : out;
        VolumeTextJob job(db, folder, settings, novelId, target);
        job.setPrompter(&prompter);
        job.runHere();
        const VolumeTextJob::Result result = job.result();
        return result.ok ? printResult(cli, result.files) : cli.fail(result.error);
    }
    if (format == QLatin1String("volume-pages")) {
        VolumePagesJob job(db, folder, settings, {novelId});
        job.setPrompter(&prompter);
        job.runHere();
        const VolumePagesJob::Result result = job.result();
        return result.ok ? printResult(cli, result.files) : cli.fail(result.error);
    }

    TextExportJob::Mode mode = TextExportJob::Mode::Text;
    QString chapterFolder;
    if (format == QLatin1String("doc")) {
        mode = TextExportJob::Mode::Document;
    } else if (format == QLatin1String("txt-chapters")) {
        mode = TextExportJob::Mode::ChapterFiles;
        chapterFolder = out.isEmpty() ? OutputFolder(folder, settings).fileFor(name, QString()) : out;
    } else if (format == QLatin1String("all-html")) {
        mode = TextExportJob::Mode::FullTextPage;
    }
    TextExportJob job(db, folder, settings, novelId, mode, chapterFolder);
    job.setPrompter(&prompter);
    if (mode == TextExportJob::Mode::Text || mode == TextExportJob::Mode::Document)
        job.setTargetPath(out);
    job.runHere();
    const TextExportJob::Result result = job.result();
    if (!result.ok)
        return cli.fail(result.error);
    return printResult(cli, result.files.isEmpty() ? QStringList{result.path} : result.files);
}

int runReport(CliContext& cli, const QStringList& args) {
    if (!args.isEmpty())
        return cli.fail(QStringLiteral("用法: quiveral-cli report"), CliUsage);
    LibraryContext* library = cli.openLibrary(false);
    if (!library)
        return CliFailed;
    LibraryReportJob job(library->database(), library->folder());
    ScriptedPrompter prompter;
    job.setPrompter(&prompter);
    job.runHere();
    const LibraryReportJob::Result result = job.result();
    return result.ok ? printResult(cli, {result.path}) : cli.fail(result.error);
}

const CliRegistry::Registration exportCommand(CliCommand{
    QStringLiteral("export"), QStringLiteral("NOVELID --format 格式 [--out PATH]"),
    QStringLiteral("输出小说，格式: chm epub txt doc txt-chapters txt-volumes volume-pages all-html"),
    runExport});
const CliRegistry::Registration reportCommand(CliCommand{
    QStringLiteral("report"), QString(), QStringLiteral("生成小说总览页，显示其路径"), runReport});

} // namespace
