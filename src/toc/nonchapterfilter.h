#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

// Tells chapter links from everything else a table-of-contents page links to: navigation, file
// downloads, comments, accounts, index pages, and what the user's global filters name.
class NonChapterFilter {
public:
    // filterTitles and filterUrls: the texts of filter1.txt and filter2.txt ("||" between entries,
    // "[[pattern]]" for a regular expression). siteAddressWords: address parts of particular sites
    // (the ExcludeUrlStr setting, same format; an entry drops every address containing it).
    // folderChapters: chapter addresses of this site end in "/".
    NonChapterFilter(const QString& filterTitles = QString(), const QString& filterUrls = QString(),
                     const QString& siteAddressWords = QString(), bool folderChapters = false);

    // True when the link (absolute address) is not a chapter.
    bool isNonChapter(const QString& title, const QString& url) const;

    // Downloads, media and other files that are never chapter pages.
    static bool hasFileExtension(const QString& url);
    // The last part of the address names an index page of a site or forum.
    static bool isIndexPage(const QString& url);

private:
    struct Entries {
        QSet<QString> plain; // lower-cased
        QStringList patterns;
        QStringList words; // lower-cased, for "contains"
    };
    static Entries parseEntries(const QString& text);
    static bool matchesPattern(const QStringList& patterns, const QString& text);

    Entries m_titles;
    Entries m_urls;
    Entries m_siteWords;
    bool m_folderChapters = false;
};
