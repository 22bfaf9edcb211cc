#include "sites/sitesearch.h"

#include "text/html.h"
#include "text/markers.h"
#include "text/regex.h"
#include "text/url.h"

namespace {

const QString kPlaceholder = QStringLiteral("[[Name]]");
const QString kIdPlaceholder = QStringLiteral("[[id]]");

// These would end or split the query.
QString escapeQueryAscii(const QString& text) {
    QString out;
    for (const QChar c : text) {
        if (c == u'&' || c == u'#' || c == u'+' || c == u'%' || c == u'=' || c == u'?' || c == u' ' ||
            c == u'"')
            out += u'%' + QString::number(c.unicode(), 16).toUpper().rightJustified(2, u'0');
        else
            out += c;
    }
    return out;
}

QString cleanedUpdate(const QString& fragment) {
    QString text = cleanTitleText(fragment);
    text.remove(QStringLiteral("target=_blank"), Qt::CaseInsensitive);
    return text.trimmed();
}

QString markerPattern(const QString& start, const QString& end) {
    return escapeRegex(start) + QLatin1String("[\\s\\S]+?") + escapeRegex(end);
}

} // namespace

QString buildSearchUrl(const NovelSite& site, const QString& name, bool byAuthor) {
    const QString address = site[byAuthor ? NovelSite::AuthorSearchUrl : NovelSite::SearchUrl].trimmed();
    if (address.isEmpty())
        return {};
    const QString trimmed = name.trimmed();
    const bool utf8 =
        site[NovelSite::NameCode].trimmed().compare(QLatin1String("utf-8"), Qt::CaseInsensitive) == 0;
    // urlEncodeUtf8 leaves ASCII alone, so the query's own characters are escaped first;
    // urlEncodeAnsi escapes every byte.
    const QString encoded = utf8 ? urlEncodeUtf8(escapeQueryAscii(trimmed)) : urlEncodeAnsi(trimmed);
    QString url = address;
    url.replace(kPlaceholder, encoded, Qt::CaseInsensitive);
    return url;
}

QString hrefValue(const QString& fragment) {
    const qsizetype at = fragment.indexOf(QLatin1String("href="), 0, Qt::CaseInsensitive);
    QString value = at < 0 ? fragment : fragment.mid(at + 5);
    value = value.trimmed();
    if (at >= 0) {
        if (!value.isEmpty() && (value.at(0) == u'"' || value.at(0) == u'\'')) {
            const qsizetype close = value.indexOf(value.at(0), 1);
            value = close < 0 ? value.mid(1) : value.mid(1, close - 1);
        } else {
            qsizetype stop = value.size();
            for (const QChar c : {QChar(u' '), QChar(u'>'), QChar(u'\t'), QChar(u'\r'), QChar(u'\n')}) {
                const qsizetype i = value.indexOf(c);
                if (i >= 0 && i < stop)
                    stop = i;
            }
            value = value.left(stop);
        }
    }
    value.remove(u'"');
    value.remove(u'\'');
    return value.trimmed();
}

QString searchResultAddress(const QString& link, const NovelSite& site) {
    QString url = link.trimmed();
    if (url.isEmpty())
        return {};
    if (!url.startsWith(QLatin1String("http:"), Qt::CaseInsensitive) &&
        !url.startsWith(QLatin1String("https:"), Qt::CaseInsensitive)) {
        QString root = site[NovelSite::Url].trimmed();
        if (!root.endsWith(u'/'))
            root += u'/';
        if (url.startsWith(u'/')) {
            // From the host, even when the site's address has a folder.
            const qsizetype hostEnd = root.indexOf(u'/', root.indexOf(QLatin1String("//")) + 2);
            url = root.left(hostEnd) + url;
        } else {
            url = root + url;
        }
    }
    const QString find = site[NovelSite::FindStr];
    const QString replace = site[NovelSite::ReplaceStr];
    if (find.isEmpty() || replace.isEmpty())
        return url;
    if (!find.contains(kIdPlaceholder, Qt::CaseInsensitive))
        return url.replace(find, replace, Qt::CaseInsensitive);
    // The book number is what stands where the find text has "[[id]]".
    const qsizetype at = find.indexOf(kIdPlaceholder, 0, Qt::CaseInsensitive);
    const QString pattern = escapeRegex(find.left(at)) + QLatin1String("([0-9A-Za-z_-]+)") +
                            escapeRegex(find.mid(at + kIdPlaceholder.size()));
    const QList<RegexMatch> matches = regexMatches(url, pattern);
    if (matches.isEmpty())
        return url;
    const RegexMatch& m = matches.first();
    QString target = replace;
    target.replace(kIdPlaceholder, m.captures.value(1), Qt::CaseInsensitive);
    return url.left(m.start) + target + url.mid(m.start + m.length);
}

QList<SiteSearchResult> readSearchResults(const QString& rawPage, const NovelSite& site) {
    QString page = regexRemove(QStringLiteral("<title[\\s\\S]+?</title>"), rawPage);
    page = regexRemove(QStringLiteral("<meta[\\s\\S]+?<body>"), page);
    const QString siteName = site[NovelSite::Name];
    QList<SiteSearchResult> results;

    const QString oneMark = site[NovelSite::OneResultMark];
    if (!oneMark.isEmpty() && page.contains(oneMark, Qt::CaseInsensitive)) {
        SiteSearchResult one;
        one.url = searchResultAddress(
            hrefValue(getTextBetweenLast(page, site[NovelSite::OneLinkStart], site[NovelSite::OneLinkEnd])),
            site);
        one.title = cleanTitleText(
                        getTextBetween(page, site[NovelSite::OneTitleStart], site[NovelSite::OneTitleEnd])) +
                    u'-' + siteName;
        one.latest = cleanedUpdate(
            getTextBetween(page, site[NovelSite::OneLatestStart], site[NovelSite::OneLatestEnd]));
        if (!one.url.isEmpty())
            results.append(one);
        return results;
    }

    QString region = page;
    if (!site[NovelSite::ResultStart].isEmpty() || !site[NovelSite::ResultEnd].isEmpty()) {
        region = getTextBetween(page, site[NovelSite::ResultStart], site[NovelSite::ResultEnd]);
        if (region.isEmpty())
            return results;
    }
    if (site[NovelSite::TitleStart].isEmpty())
        return results;
    const QString titleEnd =
        site[NovelSite::TitleEnd].isEmpty() ? QStringLiteral("</a>") : site[NovelSite::TitleEnd];
    const QStringList titles = regexMatchValues(region, markerPattern(site[NovelSite::TitleStart], titleEnd));
    // Without link markers the link is the one inside the title.
    const bool linkInTitle = site[NovelSite::LinkStart].isEmpty() && site[NovelSite::LinkEnd].isEmpty();
    const QStringList links =
        linkInTitle
            ? titles
            : regexMatchValues(region, markerPattern(site[NovelSite::LinkStart], site[NovelSite::LinkEnd]));
    const bool withLatest = !site[NovelSite::LatestStart].isEmpty() || !site[NovelSite::LatestEnd].isEmpty();
    const QStringList latest =
        withLatest ? regexMatchValues(region,
                                      markerPattern(site[NovelSite::LatestStart], site[NovelSite::LatestEnd]))
                   : QStringList();
    for (int i = 0; i < titles.size(); ++i) {
        SiteSearchResult result;
        result.url = searchResultAddress(hrefValue(links.value(i)), site);
        if (result.url.isEmpty())
            continue;
        result.title = cleanTitleText(titles.at(i)) + u'-' + siteName;
        result.latest = cleanedUpdate(latest.value(i));
        results.append(result);
    }
    return results;
}
