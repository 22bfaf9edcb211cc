#pragma once

// Pages served from memory for extraction tests: added one by one, or every file of a fixture site
// under an invented host, with the Content-Type its rules file gives (as the loopback site would).

#include "fetch/pagesource.h"

#include <QHash>
#include <QStringList>

#include <functional>

class MemoryPageSource : public PageSource {
public:
    void addPage(const QString& url, const QByteArray& body,
                 const QString& contentType = QStringLiteral("text/html"));
    void addFailure(const QString& url);
    // "/dir/page.html" of the folder is base + "/dir/page.html"; "book.php@id=3" answers "book.php?id=3".
    bool loadSite(const QString& folder, const QString& base);

    FetchedPage fetch(const QString& url, const QString& referer = QString()) override;

    QStringList requested;             // every address asked for, in order
    std::function<void()> duringFetch; // runs inside each fetch (a test's stop button)

private:
    QHash<QString, FetchedPage> m_pages;
};
