#include "storage/url.h"

#include "storage/markers.h"

namespace {

// The parent of a path the way a file system sees it: separators before the last name go too, so
// "http://host" has the parent "http:".
QString parentPath(const QString& address) {
    qsizetype cut = address.size();
    while (cut > 0 && address.at(cut - 1) != u'/' && address.at(cut - 1) != u'\\')
        --cut;
    while (cut > 0 && (address.at(cut - 1) == u'/' || address.at(cut - 1) == u'\\'))
        --cut;
    return address.left(cut);
}

} // namespace

UrlBase splitUrlBase(const QString& address) {
    UrlBase base;
    if (address.endsWith(u'/')) {
        base.folder = address.left(address.size() - 1);
    } else {
        const QString last = address.mid(address.lastIndexOf(u'/') + 1);
        if (last.startsWith(u'?') || last.contains(u'.')) {
            const QString parent = parentPath(address);
            const bool bareHost = parent.compare(QLatin1String("http:"), Qt::CaseInsensitive) == 0 ||
                                  parent.compare(QLatin1String("https:"), Qt::CaseInsensitive) == 0;
            base.folder = bareHost ? address : parent;
        } else {
            base.folder = address;
        }
    }

    const QString scheme = address.startsWith(QLatin1String("https://"), Qt::CaseInsensitive)
                               ? QStringLiteral("https://")
                               : QStringLiteral("http://");
    base.siteRoot = scheme + getTextBetween(address, scheme, QStringLiteral("/"));
    if (!base.siteRoot.endsWith(u'/'))
        base.siteRoot += u'/';
    return base;
}
