// toc: the chapters a table-of-contents page gives with a site's markers, for checking a site sign
// before a novel is added. Reads the library (settings, filters, site signs, a novel's markers) and
// changes nothing in it.
#include "app/cli.h"

#include "toc/chapterlistjob.h"
#include "fetch/pagefetcher.h"
#include "sites/sitesigntable.h"
#include "storage/librarycontext.h"
#include "storage/novelstore.h"
#include "storage/settings.h"
#include "storage/textfile.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

namespace {

const QString kUsage = QStringLiteral(
    "用法: quiveral-cli toc URL [--novel NOVELID | --sign-from-site | --list-start S --list-end E "
    "--volume-start S --volume-end E]");

struct TocArguments {
    QString url;
    QString novelId;
    bool signFromSite = false;
    NovelRecord markers; // the markers given one by one
    bool anyMarker = false;
};

bool parseArguments(const QStringList& args, TocArguments& parsed) {
    const QList<std::pair<QLatin1String, QString NovelRecord::*>> markerOptions = {
        {QLatin1String("--list-start"), &NovelRecord::listStart},
        {QLatin1String("--list-end"), &NovelRecord::listEnd},
        {QLatin1String("--volume-start"), &NovelRecord::volumeStart},
        {QLatin1String("--volume-end"), &NovelRecord::volumeEnd},
    };
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        const bool hasValue = i + 1 < args.size();
        bool marker = false;
        for (const auto& [name, field] : markerOptions) {
            if (a == name) {
                if (!hasValue)
                    return false;
                parsed.markers.*field = args.at(++i);
                parsed.anyMarker = marker = true;
            }
        }
        if (marker)
            continue;
        if (a == QLatin1String("--novel") && hasValue)
            parsed.novelId = args.at(++i);
        else if (a == QLatin1String("--sign-from-site"))
            parsed.signFromSite = true;
        else if (!a.startsWith(QLatin1String("--")) && parsed.url.isEmpty())
            parsed.url = a;
        else
            return false;
    }
    const int sources = int(!parsed.novelId.isEmpty()) + int(parsed.signFromSite) + int(parsed.anyMarker);
    return !parsed.url.isEmpty() && sources <= 1;
}

// A field of a TSV line: tabs and line breaks would break the columns.
QString tsvField(QString text) {
    for (const QChar c : {u'\t', u'\r', u'\n'})
        text.replace(c, u' ');
    return text;
}

int runToc(CliContext& cli, const QStringList& args) {
    TocArguments parsed;
    if (!parseArguments(args, parsed))
        return cli.fail(kUsage, CliUsage);
    if (getSiteRoot(parsed.url).isEmpty())
        return cli.fail(QStringLiteral("无效的目录页网址"));

    // Settings, filters and signs as the library has them; a library that does not exist yet is not
    // created for a look at a page.
    const QString folder = cli.libraryFolder;
    Settings settings(folder);
    if (QFileInfo::exists(settings.iniPath()))
        settings.loadSettings();
    ChapterListRequest request;
    request.listUrl = parsed.url;
    request.mode = ChapterListMode::Synchronisation;
    request.novel = parsed.markers;
    if (!parsed.novelId.isEmpty()) {
        LibraryContext* library = cli.openLibrary(false);
        if (!library)
            return CliFailed;
        const std::optional<NovelRecord> novel = NovelStore(library->database()).loadNovel(parsed.novelId);
        if (!novel)
            return cli.fail(QStringLiteral("没有这本小说：") + parsed.novelId);
        request.novel = *novel;
    } else if (parsed.signFromSite) {
        SiteSignTable signs;
        signs.load(folder + QLatin1String("/sitesign.xml"));
        const int index = signs.find(getSiteRoot(parsed.url));
        if (index < 0)
            return cli.fail(QStringLiteral("尚未对该网站的正文标志进行设定"));
        const NovelMarkers markers = signs.signs().at(index).markers();
        request.novel.listStart = markers.listStart;
        request.novel.listEnd = markers.listEnd;
        request.novel.volumeStart = markers.volumeStart;
        request.novel.volumeEnd = markers.volumeEnd;
    }
    const ChapterListOptions options =
        ChapterListOptions::fromSettings(settings, readTextFile(folder + QLatin1String("/filter1.txt")),
                                         readTextFile(folder + QLatin1String("/filter2.txt")));

    // One wait of NovelConnTimeOut and no second try: a page that hangs ends in that time.
    FetchOptions fetchOptions = FetchOptions::fromSettings(settings);
    fetchOptions.timeoutRetries = 0;
    ChapterListJob job(
        [fetchOptions](std::function<bool()> stop) {
            return std::unique_ptr<PageSource>(std::make_unique<PageFetcher>(fetchOptions, std::move(stop)));
        },
        options, request);
    job.runHere();
    if (job.fetchFailed())
        return cli.fail(QStringLiteral("无法取得目录页：") + job.error());

    const ChapterListResult result = job.result();
    switch (result.outcome) {
    case ChapterListResult::Outcome::NoLinks:
        return cli.fail(ChapterListReader::noLinksText());
    case ChapterListResult::Outcome::NoChapters:
        return cli.fail(ChapterListReader::noChaptersText());
    case ChapterListResult::Outcome::Chapters:
        break;
    default:
        return cli.fail(QStringLiteral("已停止"));
    }

    QJsonArray rows;
    int position = 0;
    for (const ChapterLink& link : result.links) {
        if (link.isDropped())
            continue;
        ++position;
        if (cli.json)
            rows.append(QJsonObject{
                {"position", position}, {"volume", link.volume}, {"title", link.title}, {"url", link.url}});
        else
            cli.out << position << '\t' << tsvField(link.volume) << '\t' << tsvField(link.title) << '\t'
                    << link.url << '\n';
    }
    if (cli.json)
        cli.printJson(rows);
    cli.out.flush();
    return CliOk;
}

const CliRegistry::Registration registration(
    {QStringLiteral("toc"),
     QStringLiteral("URL [--novel NOVELID | --sign-from-site | --list-start S --list-end E --volume-start S "
                    "--volume-end E]"),
     QStringLiteral("按正文标志取出目录页的章节（序号、分卷、标题、网址），不改动书库"), runToc});

} // namespace
