#include "sites/sitediscoveryjob.h"

#include "fetch/pagedecoder.h"
#include "fetch/pagesource.h"
#include "sites/sitediscovery.h"
#include "sites/sitesearch.h"

SiteDiscoveryJob::SiteDiscoveryJob(PageSourceFactory makeSource, const NovelSite& site,
                                   const QString& displayCharset, QObject* parent)
    : Job(parent)
    , m_makeSource(std::move(makeSource))
    , m_site(site)
    , m_displayCharset(displayCharset) {}

QString SiteDiscoveryJob::fetchText(PageSource& source, const QString& url, QString* charset) {
    const FetchedPage page = source.fetch(url);
    if (!page.ok())
        return {};
    PageDecoder decoder(m_displayCharset);
    decoder.takeContentType(page.contentType);
    const QString text = decoder.decode(page.body);
    if (charset)
        *charset = decoder.pageCharset();
    return text.isNull() ? QStringLiteral("") : text;
}

void SiteDiscoveryJob::run() {
    const std::unique_ptr<PageSource> source = m_makeSource([this] { return stopRequested(); });
    QString root = m_site[NovelSite::Url].trimmed();
    if (!root.endsWith(u'/'))
        root += u'/';
    m_site[NovelSite::Url] = root;
    setStatus(tr("正在处理搜索中，请稍候..."));

    QString charset;
    const QString home = fetchText(*source, root, &charset);
    if (stopRequested())
        return;
    if (home.isNull()) {
        m_error = tr("请查看网络连接或该网站连接不上");
        return;
    }
    if (m_site[NovelSite::NameCode].trimmed().isEmpty() &&
        charset.compare(QLatin1String("utf-8"), Qt::CaseInsensitive) == 0)
        m_site[NovelSite::NameCode] = QStringLiteral("utf-8");
    bool common = false;
    if (m_site[NovelSite::SearchUrl].trimmed().isEmpty()) {
        m_site[NovelSite::SearchUrl] = SiteDiscovery::searchAddressFromHome(home, root);
        if (m_site[NovelSite::SearchUrl].isEmpty()) {
            m_site[NovelSite::SearchUrl] = root + SiteDiscovery::commonSearchPath();
            common = true;
        }
    }

    const QString answer = fetchText(*source, buildSearchUrl(m_site, SiteDiscovery::testName(), false));
    if (stopRequested())
        return;
    if (answer.isNull()) {
        m_error = common ? tr("检查能否搜索失败，请查看网络连接或者目前尚未能支持对该网站的搜索")
                         : tr("目前尚未能支持对该网站的搜索或网络连接失败");
        return;
    }
    if (SiteDiscovery::isResultPage(answer) && SiteDiscovery::readResultTable(answer, m_site))
        return;
    if (SiteDiscovery::readNovelPage(answer, m_site))
        return;
    m_error = tr("目前尚未能支持对该网站的搜索");
}
