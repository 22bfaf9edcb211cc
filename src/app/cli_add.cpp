// add: a novel enters the library the way the novel dialog stores it. No chapter is downloaded yet;
// "renew" does that.
#include "app/cli.h"

#include "addnovel/noveladdjob.h"
#include "sites/sitesign.h"
#include "sites/sitesigntable.h"
#include "storage/librarycontext.h"

#include <QJsonObject>

namespace {

int runAdd(CliContext& cli, const QStringList& args) {
    const QString usage =
        QStringLiteral("用法: quiveral-cli add --url URL [--name NAME] [--category NAME] [--read-info]");
    NovelAddJob::Request request;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QLatin1String("--read-info")) {
            request.readInformation = true;
            continue;
        }
        if (i + 1 >= args.size())
            return cli.fail(usage, CliUsage);
        if (a == QLatin1String("--url"))
            request.listUrl = args.at(++i);
        else if (a == QLatin1String("--name"))
            request.name = args.at(++i);
        else if (a == QLatin1String("--category"))
            request.categoryName = args.at(++i);
        else
            return cli.fail(usage, CliUsage);
    }
    if (request.listUrl.trimmed().isEmpty())
        return cli.fail(usage, CliUsage);

    LibraryContext* library = cli.openLibrary(true);
    if (!library)
        return CliFailed;
    // The novel dialog's checks, in its order, then the storing.
    NovelAddJob job(library->database(), library->folder(), library->settings(), request);
    job.runHere();
    const NovelAddJob::Result result = job.result();
    if (!result.ok())
        return cli.fail(result.error);
    SiteSignTable signs;
    signs.load(library->folder().file(QStringLiteral("sitesign.xml")));
    if (signs.find(getSiteRoot(request.listUrl)) < 0)
        cli.err << QStringLiteral("尚未对该网站的正文标志进行设定") << Qt::endl;
    if (cli.json)
        cli.printJson(QJsonObject{
            {"novelId", result.novelId}, {"name", result.name}, {"listUrl", request.listUrl.trimmed()}});
    else
        cli.out << result.novelId << Qt::endl;
    return CliOk;
}

const CliRegistry::Registration registration(
    {QStringLiteral("add"), QStringLiteral("--url URL [--name NAME] [--category NAME] [--read-info]"),
     QStringLiteral("新增小说（目录页网址），显示其编号；--read-info 同时读取作者、简介和封面"), runAdd});

} // namespace
