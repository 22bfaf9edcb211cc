#pragma once

#include "toc/linkcollector.h"
#include "sites/sitesign.h"

#include <QString>

class LinkResolver;
class PageSource;

// What a site tells about a novel: author, brief and cover picture.
struct NovelInformation {
    QString author;
    QString brief;     // paragraphs "　　…<br>", one per line
    QString coverFile; // file name in the novel's folder ("cover.jpg"), "" when none was saved
    bool found() const { return !author.isEmpty() || !brief.isEmpty() || !coverFile.isEmpty(); }
};

// Reads the novel information with the information markers of the site's sign, from the brief page
// the list page links to or from the list page itself. A marker written "#" counts as not set.
class NovelInfoReader {
public:
    NovelInfoReader(PageSource& source, const SiteSign& sign, const QString& displayCharset, bool judgePicExt,
                    StopCheck stop = {});

    // coverFolder: where the cover goes; "" to leave the cover alone.
    NovelInformation read(const QString& listPage, const LinkResolver& resolver, const QString& coverFolder);

    bool stopped() const { return m_stopped; }

    // The cleaning rules, for the pages that were read.
    static QString authorFrom(const QString& page, const QString& start, const QString& end);
    static QString briefFrom(const QString& page, const QString& start, const QString& end);

private:
    QString marker(SiteSign::Field field) const;
    // The brief page and its address, or the list page and "" without one.
    QString readBriefPage(const QString& listPage, const LinkResolver& resolver, QString& address);
    QString saveCover(const QString& page, const LinkResolver& resolver, const QString& folder);
    bool checkStop();

    PageSource& m_source;
    SiteSign m_sign;
    QString m_displayCharset;
    bool m_judgePicExt = false;
    StopCheck m_stop;
    bool m_stopped = false;
};
