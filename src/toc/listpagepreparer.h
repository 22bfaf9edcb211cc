#pragma once

#include "toc/chapterlistoptions.h"
#include "toc/linkcollector.h"

#include <QHash>
#include <QString>
#include <QStringList>

class PageSource;

// Brings a table-of-contents page whose list is not plain links into that form, by the kinds asked
// for: a list written by a script file replaces the page (script files whose address holds "list"
// are tried first; the first that writes a list wins); scripts on the page that write links are
// replaced by what they write; elements that navigate by onclick become links; lists kept in script
// arrays become links and volume headings. Script files are fetched through the source.
class ListPagePreparer {
public:
    // Script files by address, fetched once for every preparation of one page ("" for a failed one).
    using ScriptCache = QHash<QString, QString>;

    ListPagePreparer(PageSource& source, const ChapterListOptions& options, const QString& listUrl,
                     const QString& pageCharset, ListKinds kinds, StopCheck stop = {});

    // Shares the script files fetched with other preparations of the same page.
    void setScriptCache(ScriptCache* cache) { m_cache = cache; }

    // The page as the later steps should see it. volumeStart/volumeEnd mark the volume headings
    // written for array lists.
    QString prepare(const QString& page, const QString& volumeStart, const QString& volumeEnd);

    // Code of the script files fetched for their functions (sites with script-call links).
    QString externalScripts() const { return m_externalScripts; }
    // Addresses of script files that could not be fetched; those steps were skipped.
    QStringList failedFetches() const { return m_failed; }
    bool stopped() const { return m_stopped; }

    // The src addresses of the page's script elements, in page order.
    static QStringList scriptSources(const QString& page);
    // The code of the page's inline script blocks, in page order.
    static QStringList inlineScripts(const QString& page);

private:
    QString fetchScript(const QString& address);
    QString scriptListPage(const QString& page);
    QString writeInlineScripts(const QString& page);
    QString linksFromOnclick(const QString& page);
    QString linksFromArrays(const QString& page, const QString& volumeStart, const QString& volumeEnd);

    PageSource& m_source;
    const ChapterListOptions& m_options;
    QString m_listUrl;
    QString m_pageCharset;
    ListKinds m_kinds;
    StopCheck m_stop;
    ScriptCache* m_cache = nullptr;
    QString m_externalScripts;
    QStringList m_failed;
    bool m_stopped = false;
};
