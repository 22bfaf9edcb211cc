#pragma once

#include "fetch/pagesourcefactory.h"
#include "sites/sitelist.h"
#include "storage/job.h"

// Works out the search rules of a site the user adds: its home page, a test search and the page that
// answers it, on the job's thread. A search address the user typed is used as it is.
class SiteDiscoveryJob : public Job {
    Q_OBJECT

public:
    SiteDiscoveryJob(PageSourceFactory makeSource, const NovelSite& site,
                     const QString& displayCharset = QStringLiteral("gb2312"), QObject* parent = nullptr);

    // Valid after finished(): the site with its rules, or the message why none were found.
    const NovelSite& site() const { return m_site; }
    QString error() const { return m_error; }
    bool ok() const { return m_error.isEmpty() && !stopRequested(); }

protected:
    void run() override;

private:
    QString fetchText(PageSource& source, const QString& url, QString* charset = nullptr);

    PageSourceFactory m_makeSource;
    NovelSite m_site;
    QString m_displayCharset;
    QString m_error;
};
