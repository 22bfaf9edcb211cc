#include "sites/novelsearchjob.h"

#include "fetch/pagedecoder.h"
#include "fetch/pagesource.h"
#include "sites/websearch.h"
#include "storage/prompter.h"

#include <QSet>

NovelSearchJob::NovelSearchJob(PageSourceFactory makeSource, const Request& request, QObject* parent)
    : Job(parent)
    , m_makeSource(std::move(makeSource))
    , m_request(request) {
    m_request.text = m_request.text.trimmed();
}

QString NovelSearchJob::failureText(const QString& text, bool byAuthor) {
    return byAuthor ? tr("搜索\"") + text + tr("\"的小说失败，请查看网络连接")
                    : tr("搜索小说\"") + text + tr("\"失败，请查看网络连接");
}

void NovelSearchJob::run() {
    if (!m_request.web && m_request.sites.isEmpty()) {
        m_outcome = Outcome::NoSites;
        setStatus(noSitesText());
        return;
    }
    const std::unique_ptr<PageSource> source = m_makeSource([this] { return stopRequested(); });
    setStatus(searchingText());
    if (m_request.web)
        searchWeb(*source);
    else
        searchSites(*source);
    if (stopRequested())
        m_outcome = Outcome::Stopped;
}

QString NovelSearchJob::fetchText(PageSource& source, const QString& url) {
    const FetchedPage page = source.fetch(url);
    if (!page.ok() || page.body.isEmpty() || stopRequested())
        return {};
    PageDecoder decoder(m_request.displayCharset);
    decoder.takeContentType(page.contentType);
    const QString text = decoder.decode(page.body);
    // An empty but fetched page is a page without results, not a failure.
    return text.isNull() ? QStringLiteral("") : text;
}

void NovelSearchJob::searchWeb(PageSource& source) {
    const QString address = WebSearch::searchAddress(m_request.engineUrl, m_request.text, m_request.byAuthor);
    const QString page = address.isEmpty() ? QString() : fetchText(source, address);
    if (stopRequested())
        return;
    if (page.isNull()) {
        m_outcome = Outcome::Failed;
        return;
    }
    for (const WebSearch::Result& r :
         WebSearch::readResults(page, m_request.text, m_request.excludedHosts, address))
        m_results.append({r.title, r.url, QString()});
}

void NovelSearchJob::searchSites(PageSource& source) {
    QSet<QString> seen;
    const int total = int(m_request.sites.size());
    for (int i = 0; i < total && !stopRequested(); ++i) {
        const NovelSite& site = m_request.sites.at(i);
        setProgress(i, total);
        const QString address = buildSearchUrl(site, m_request.text, m_request.byAuthor);
        if (address.isEmpty())
            continue;
        setStatus(tr("正在搜索") + site[NovelSite::Name] + QStringLiteral("..."));
        const QString page = fetchText(source, address);
        if (stopRequested())
            break;
        ++m_sitesSearched;
        if (page.isNull()) {
            prompter().warning(failureText(m_request.text, m_request.byAuthor));
            continue;
        }
        int found = 0;
        for (const SiteSearchResult& r : readSearchResults(page, site)) {
            if (seen.contains(r.url.toLower()))
                continue;
            seen.insert(r.url.toLower());
            m_results.append(r);
            ++found;
        }
        if (found > 0 && m_request.endOnFirstResults)
            break;
        if (i + 1 < total)
            setStatus(site[NovelSite::Name] + nextSiteText());
    }
    setProgress(total, total);
    if (!stopRequested())
        setStatus(doneText());
}
