// add: a novel enters the library the way the novel dialog stores it. Nothing is downloaded yet;
// "renew" does that.
#include "app/cli.h"

#include "addnovel/addnovelrules.h"
#include "addnovel/noveladder.h"
#include "fetch/pagedecoder.h"
#include "fetch/pagefetcher.h"
#include "sites/sitesign.h"
#include "sites/sitesigntable.h"
#include "storage/librarycontext.h"

#include <QJsonObject>

namespace {

int runAdd(CliContext& cli, const QStringList& args) {
    const QString usage = QStringLiteral("用法: quiveral-cli add --url URL [--name NAME] [--category NAME]");
    QString url;
    QString name;
    QString category;
    bool named = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (i + 1 >= args.size())
            return cli.fail(usage, CliUsage);
        if (a == QLatin1String("--url"))
            url = args.at(++i);
        else if (a == QLatin1String("--name")) {
            name = args.at(++i);
            named = true;
        } else if (a == QLatin1String("--category"))
            category = args.at(++i);
        else
            return cli.fail(usage, CliUsage);
    }
    if (url.trimmed().isEmpty())
        return cli.fail(usage, CliUsage);

    LibraryContext* library = cli.openLibrary(true);
    if (!library)
        return CliFailed;
    SiteSignTable signs;
    signs.load(library->folder().file(QStringLiteral("sitesign.xml")));
    NovelAdder adder(library->database(), library->folder(), &signs);

    // The novel dialog's checks, in its order.
    const QString tempFolder = library->folder().tempDir();
    if (named) {
        const QString problem = AddNovelRules::checkName(library->database(), name, true, tempFolder);
        if (!problem.isEmpty())
            return cli.fail(problem);
    }
    FetchOptions fetchOptions = FetchOptions::fromSettings(library->settings());
    fetchOptions.timeoutRetries = 0;
    PageFetcher fetcher(fetchOptions);
    QByteArray page;
    QString contentType;
    const QString urlProblem = AddNovelRules::checkListUrl(fetcher, url, &page, &contentType);
    if (!urlProblem.isEmpty())
        return cli.fail(urlProblem);
    if (!named) {
        PageDecoder decoder(library->settings().value(QStringLiteral("charset")));
        decoder.takeContentType(contentType);
        name = AddNovelRules::nameFromPage(decoder.decode(page));
        if (name.isEmpty())
            name = AddNovelRules::defaultName();
        const QString problem = AddNovelRules::checkName(library->database(), name, true, tempFolder);
        if (!problem.isEmpty())
            return cli.fail(problem);
    }

    NovelAdder::NewNovel novel;
    novel.name = name;
    novel.listUrl = url;
    novel.categoryName = category;
    const NovelAdder::Result result = adder.storeNewNovel(novel);
    if (!result.ok())
        return cli.fail(result.error);
    if (signs.find(getSiteRoot(url)) < 0)
        cli.err << QStringLiteral("尚未对该网站的正文标志进行设定") << Qt::endl;
    if (cli.json)
        cli.printJson(
            QJsonObject{{"novelId", result.novelId}, {"name", name.trimmed()}, {"listUrl", url.trimmed()}});
    else
        cli.out << result.novelId << Qt::endl;
    return CliOk;
}

const CliRegistry::Registration registration({QStringLiteral("add"),
                                              QStringLiteral("--url URL [--name NAME] [--category NAME]"),
                                              QStringLiteral("新增小说（目录页网址），显示其编号"), runAdd});

} // namespace
