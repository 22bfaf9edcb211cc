#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringList>

// Looking a novel up with a general web search engine: the query, the reading of its result page
// and the choice of the results that look like a novel's contents page.
class WebSearch {
    Q_DECLARE_TR_FUNCTIONS(WebSearch)

public:
    struct Result {
        QString title;
        QString url;
        bool operator==(const Result& o) const { return title == o.title && url == o.url; }
    };

    // The words that mark a page as some other kind of directory.
    static const QStringList& exclusionWords();

    // The query text: "name" 目录 (- | _ | 小说) for a name, "author" 小说 目录 for an author.
    static QString queryText(const QString& text, bool byAuthor);
    // The engine's address with "[[Name]]" replaced by the query in GBK escapes (appended when the
    // address has no placeholder). "" without an engine.
    static QString searchAddress(const QString& engineUrl, const QString& text, bool byAuthor);

    // The title, or "" when it names some other directory (an exclusion word that the novel's name
    // does not hold itself) or does not look like a novel page (no "-", "_" or "小说").
    static QString getValidBookTitle(const QString& title, const QString& novelName);

    // The results of any engine's page: every link to another site than the engine's (engineUrl,
    // the address the page was fetched from) whose text holds the name, once per address, without
    // the excluded hosts ("||"-separated, their subdomains too) and without titles
    // getValidBookTitle refuses. The engine's own links (pages, caches, redirects) are never results.
    static QList<Result> readResults(const QString& page, const QString& novelName,
                                     const QString& excludedHosts, const QString& engineUrl);
};
