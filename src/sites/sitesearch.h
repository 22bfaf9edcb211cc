#pragma once

#include "sites/sitelist.h"

#include <QList>
#include <QString>

// One novel found on a site's search page.
struct SiteSearchResult {
    QString title;  // the book's title + "-" + the site's name
    QString url;    // its table-of-contents page
    QString latest; // the latest update the site shows
    bool operator==(const SiteSearchResult& o) const {
        return title == o.title && url == o.url && latest == o.latest;
    }
};

// The site's search address for a name (or an author): "[[Name]]" replaced by the trimmed name, as
// UTF-8 escapes for "utf-8" sites and as GBK escapes for the others. "" when the site has no search
// address of that kind.
QString buildSearchUrl(const NovelSite& site, const QString& name, bool byAuthor);

// The results of a search page: the novel's own page when the site jumped straight to it (the
// single-result mark is on the page), otherwise every title, link and update of the result region.
QList<SiteSearchResult> readSearchResults(const QString& page, const NovelSite& site);

// The value of href= in a fragment, without quotes; the fragment itself, unquoted, without one.
QString hrefValue(const QString& fragment);
// A result link made absolute against the site root and turned into the contents address by the
// site's find/replace pair.
QString searchResultAddress(const QString& link, const NovelSite& site);
