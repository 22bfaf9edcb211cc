// The collection e-book: several novels compiled into one book.
#include "app/cli.h"
#include "app/cli_args.h"

#include "output/chmcollectionjob.h"
#include "storage/librarycontext.h"
#include "storage/prompter.h"

#include <QDir>
#include <QJsonObject>

namespace {

const QString kUsage = QStringLiteral(
    "用法: quiveral-cli collection NOVELID... [--name 名称] [--cover 图片] [--no-index] [--out PATH]");

int runCollection(CliContext& cli, const QStringList& arguments) {
    QStringList args = arguments;
    QString name = QStringLiteral("合集");
    QString cover;
    QString out;
    bool hasName = false;
    bool hasCover = false;
    bool hasOut = false;
    const bool noIndex = takeFlag(args, QStringLiteral("--no-index"));
    if (!takeOption(args, QStringLiteral("--name"), &name, &hasName) ||
        !takeOption(args, QStringLiteral("--cover"), &cover, &hasCover) ||
        !takeOption(args, QStringLiteral("--out"), &out, &hasOut) || hasOption(args) || args.isEmpty())
        return cli.fail(kUsage, CliUsage);

    LibraryContext* library = cli.openLibrary(true);
    if (!library)
        return CliFailed;
    const auto absolute = [](const QString& path) {
        return path.isEmpty() ? path : QDir::cleanPath(QDir::current().absoluteFilePath(path));
    };
    // Naming a picture here is the answer to the copy question.
    ChmCollectionJob job(library->database(), library->folder(), library->settings(), args, name);
    job.setCoverFirst(!noIndex);
    job.setCoverPicture(absolute(cover));
    job.setTargetPath(absolute(out));
    ScriptedPrompter prompter;
    job.setPrompter(&prompter);
    job.runHere();
    const ChmCollectionJob::Result result = job.result();
    if (!result.ok)
        return cli.fail(result.error);
    if (cli.json)
        cli.printJson(QJsonObject{{"file", result.chmPath}});
    else
        cli.out << QDir::toNativeSeparators(result.chmPath) << '\n';
    cli.out.flush();
    return CliOk;
}

const CliRegistry::Registration collectionCommand(CliCommand{
    QStringLiteral("collection"),
    QStringLiteral("NOVELID... [--name 名称] [--cover 图片] [--no-index] [--out PATH]"),
    QStringLiteral("把几部小说制作成一个电子书合集(chm)，显示其路径"), runCollection});

} // namespace
