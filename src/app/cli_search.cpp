// search: looks a novel up by name (or author) on the search pages of the novel sites, as the novel
// dialog's "更多网站" does, and lists what the sites answered. Changes nothing in the library.
#include "app/cli.h"

#include "sites/novelsearchjob.h"
#include "sites/searchsites.h"
#include "storage/prompter.h"
#include "storage/settings.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

namespace {

const QString kUsage = QStringLiteral("用法: quiveral-cli search NAME [--author] [--all-sites]");

// Site failures are told as they happen, the rest of the search goes on.
class StderrPrompter : public ScriptedPrompter {
public:
    explicit StderrPrompter(QTextStream& err)
        : m_err(err) {}
    void message(Icon icon, const QString& text) override {
        ScriptedPrompter::message(icon, text);
        m_err << text << '\n';
        m_err.flush();
    }

private:
    QTextStream& m_err;
};

QString lineField(QString text) {
    for (const QChar c : {u'\t', u'\r', u'\n'})
        text.replace(c, u' ');
    return text;
}

int runSearch(CliContext& cli, const QStringList& args) {
    QString name;
    bool byAuthor = false;
    bool allSites = false;
    for (const QString& a : args) {
        if (a == QLatin1String("--author"))
            byAuthor = true;
        else if (a == QLatin1String("--all-sites"))
            allSites = true;
        else if (!a.startsWith(QLatin1String("--")) && name.isEmpty())
            name = a;
        else
            return cli.fail(kUsage, CliUsage);
    }
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty() || trimmed == QLatin1String("\"\"") || trimmed == QStringLiteral("“”"))
        return cli.fail(byAuthor ? QStringLiteral("作者姓名不能为空") : QStringLiteral("名称不能为空"),
                        CliUsage);

    // The library's settings and sites when it exists; a look-up does not create one.
    Settings settings(cli.libraryFolder);
    if (QFileInfo::exists(settings.iniPath()))
        settings.loadSettings();
    SearchSites sites;
    sites.load(cli.libraryFolder, settings.value(QStringLiteral("DownSiteStr")));

    NovelSearchJob::Request request;
    request.text = trimmed;
    request.byAuthor = byAuthor;
    request.sites = sites.sitesToSearch(!allSites);
    request.endOnFirstResults = settings.isOn(QStringLiteral("bIsEndSearchOnce"));

    FetchOptions options = FetchOptions::fromSettings(settings);
    options.timeoutRetries = 0;
    request.displayCharset = options.displayCharset;
    StderrPrompter prompter(cli.err);
    NovelSearchJob job(networkSourceFactory(options), request);
    job.setPrompter(&prompter);
    job.runHere();
    if (job.outcome() == NovelSearchJob::Outcome::NoSites)
        return cli.fail(NovelSearchJob::noSitesText());

    QJsonArray rows;
    for (const SiteSearchResult& r : job.results()) {
        if (cli.json)
            rows.append(QJsonObject{{"title", r.title}, {"url", r.url}, {"latest", r.latest}});
        else
            cli.out << lineField(r.title) << '\t' << r.url << '\t' << lineField(r.latest) << '\n';
    }
    if (cli.json)
        cli.printJson(rows);
    cli.out.flush();
    if (job.results().isEmpty()) {
        cli.err << (byAuthor ? QStringLiteral("搜索不到该作者的小说") : QStringLiteral("搜索不到该小说"))
                << '\n';
        cli.err.flush();
    }
    return CliOk;
}

const CliRegistry::Registration registration(
    {QStringLiteral("search"), QStringLiteral("NAME [--author] [--all-sites]"),
     QStringLiteral("在选定（或全部）小说网站上搜索小说，每行：标题-网站名、目录页网址、最新更新"),
     runSearch});

} // namespace
