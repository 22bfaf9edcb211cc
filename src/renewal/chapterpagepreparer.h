#pragma once

#include "toc/linkcollector.h"

#include <QString>
#include <QStringList>

class PageDecoder;
class PageSource;
class Settings;

// Chapter pages of sites that do not carry their text plainly, made plain before the text is cut
// out. Each kind is switched on for the sites its setting names ("||" between entries, an entry
// matching when the chapter address contains it, "[[…]]" for a regular expression):
// - ContentRefreshSites: the page only refreshes to another ("meta http-equiv=refresh"); that one is
//   fetched instead;
// - ContentScriptSites: the text is written by a script or text file of the page (".js", ".txt",
//   ".hl" in "<script src="); what the file writes takes the place of its script element;
// - ContentUrlRepairSites: addresses are written "//host/…", "http:/host/…" or "http:\\host\…".
// Files are fetched through the source and decoded in the page's charset.
class ChapterPagePreparer {
public:
    struct Sites {
        QString scriptSites;
        QString refreshSites;
        QString urlRepairSites;
        static Sites fromSettings(const Settings& settings);
        bool any() const {
            return !scriptSites.isEmpty() || !refreshSites.isEmpty() || !urlRepairSites.isEmpty();
        }
    };

    ChapterPagePreparer(PageSource& source, PageDecoder& decoder, const Sites& sites, StopCheck stop = {});

    // The page to cut the text from; pageUrl becomes the address of the page actually read.
    QString prepare(const QString& page, QString& pageUrl);

    bool stopped() const { return m_stopped; }
    QStringList failedFetches() const { return m_failed; }

    static QString repairAddresses(const QString& page);
    // The address a refreshing page leads to, as written; "" when it does not refresh.
    static QString refreshTarget(const QString& page);

private:
    QString fetchText(const QString& address, const QString& referer);
    QString writeScriptFiles(const QString& page, const QString& pageUrl);

    PageSource& m_source;
    PageDecoder& m_decoder;
    Sites m_sites;
    StopCheck m_stop;
    bool m_stopped = false;
    QStringList m_failed;
};
