#pragma once

#include "fetch/pagesourcefactory.h"
#include "sites/sitelist.h"
#include "sites/sitesearch.h"
#include "storage/job.h"

#include <QList>
#include <QString>

// Looking a novel up by name or author, on the job's thread: with the general web search engine, or
// site by site on the search pages of the novel sites. A site that cannot be reached is reported
// through the prompter and skipped.
class NovelSearchJob : public Job {
    Q_OBJECT

public:
    struct Request {
        QString text; // the name or the author
        bool byAuthor = false;
        // Web search: the engine's address and the hosts whose results are dropped.
        bool web = false;
        QString engineUrl;
        QString excludedHosts;
        // Site search: the sites in order, and whether the first site with results ends it.
        QList<NovelSite> sites;
        bool endOnFirstResults = false;
        QString displayCharset = QStringLiteral("gb2312");
    };

    NovelSearchJob(PageSourceFactory makeSource, const Request& request, QObject* parent = nullptr);

    enum class Outcome {
        Searched, // results() holds what was found, maybe nothing
        Failed,   // the web search page could not be fetched (failureText())
        NoSites,  // a site search without a site to ask: nothing was fetched (noSitesText())
        Stopped,
    };

    // Valid after finished(). For the web search, latest is empty.
    Outcome outcome() const { return m_outcome; }
    const QList<SiteSearchResult>& results() const { return m_results; }
    bool failed() const { return m_outcome == Outcome::Failed; }
    int sitesSearched() const { return m_sitesSearched; }

    // "搜索小说"name"失败，请查看网络连接" or, by author, "搜索"name"的小说失败，请查看网络连接".
    static QString failureText(const QString& text, bool byAuthor);
    static QString noSitesText() { return tr("请先在小说网站设置中选择或新增网站"); }
    static QString searchingText() { return tr("正在搜索相应小说网站,请稍候..."); }
    static QString nextSiteText() { return tr(",进行下一个搜索中..."); }
    static QString doneText() { return tr("已搜索完"); }

protected:
    void run() override;

private:
    void searchWeb(PageSource& source);
    void searchSites(PageSource& source);
    // The decoded page, or a null string when it could not be fetched (or the job was stopped).
    QString fetchText(PageSource& source, const QString& url);

    PageSourceFactory m_makeSource;
    Request m_request;
    QList<SiteSearchResult> m_results;
    Outcome m_outcome = Outcome::Searched;
    int m_sitesSearched = 0;
};
