#include "toc/chapterlistoptions.h"

#include "storage/librarycontext.h"
#include "storage/settings.h"
#include "text/regex.h"

ChapterListOptions ChapterListOptions::fromSettings(const Settings& settings, const QString& filterTitles,
                                                    const QString& filterUrls) {
    ChapterListOptions o;
    o.manualSelect = settings.isOn(QStringLiteral("bIsManualSelect"));
    o.judgePicExt = settings.isOn(QStringLiteral("bIsJudgePicExt"));
    o.displayCharset = settings.value(QStringLiteral("charset"));
    if (o.displayCharset.isEmpty())
        o.displayCharset = QStringLiteral("gb2312");
    o.filterTitles = filterTitles;
    o.filterUrls = filterUrls;
    o.scriptListSites = settings.value(QStringLiteral("ScriptListSites"));
    o.scriptCallSites = settings.value(QStringLiteral("ScriptCallSites"));
    o.urlFunctionSites = settings.value(QStringLiteral("UrlFunctionSites"));
    o.arrayListSites = settings.value(QStringLiteral("ArrayListSites"));
    o.forumSites = settings.value(QStringLiteral("ForumSites"));
    o.folderUrlSites = settings.value(QStringLiteral("FolderUrlSites"));
    o.excludeUrlStr = settings.value(QStringLiteral("ExcludeUrlStr"));
    return o;
}

ChapterListOptions ChapterListOptions::fromLibrary(const LibraryContext& library) {
    return fromSettings(library.settings(), library.filterTitles(), library.filterUrls());
}

ListKinds ChapterListOptions::kindsFor(const QString& listUrl) const {
    const QList<QPair<const QString*, ListKind>> lists = {
        {&scriptListSites, ListKind::ScriptList},
        {&scriptCallSites, ListKind::ScriptCall},
        {&urlFunctionSites, ListKind::UrlFunction},
        {&arrayListSites, ListKind::ArrayList},
        {&forumSites, ListKind::Forum},
        {&folderUrlSites, ListKind::FolderUrl},
    };
    ListKinds kinds;
    for (const auto& [sites, kind] : lists)
        if (siteMatches(*sites, listUrl))
            kinds |= kind;
    return kinds;
}

bool ChapterListOptions::siteMatches(const QString& entries, const QString& address) {
    if (address.isEmpty())
        return false;
    for (const QString& raw : entries.split(QLatin1String("||"))) {
        const QString entry = raw.trimmed();
        if (entry.isEmpty())
            continue;
        if (entry.startsWith(QLatin1String("[[")) && entry.endsWith(QLatin1String("]]")) &&
            entry.size() > 4) {
            if (!regexMatches(address, entry.mid(2, entry.size() - 4)).isEmpty())
                return true;
        } else if (address.contains(entry, Qt::CaseInsensitive)) {
            return true;
        }
    }
    return false;
}
