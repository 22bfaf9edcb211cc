#include "toc/linkcollector.h"

#include "toc/linkresolver.h"
#include "toc/nonchapterfilter.h"
#include "toc/scriptreader.h"
#include "text/innertext.h"
#include "text/markers.h"
#include "text/regex.h"

#include <algorithm>
#include <optional>

namespace {

constexpr qsizetype kMaxTitle = 250;

const QString kLinkPattern = QStringLiteral("<a [\\s\\S]+?</a>");
const QString kSeparator = QStringLiteral("\r\n<br>");

// The address a "#" link stands for, from its onclick script; "" when it has none.
QString scriptLinkAddress(const QString& onclick) {
    if (onclick.isEmpty())
        return {};
    if (onclick.contains(QLatin1String("window.open"), Qt::CaseInsensitive)) {
        const QString from =
            onclick.mid(onclick.indexOf(QLatin1String("window.open"), 0, Qt::CaseInsensitive));
        const std::optional<ScriptCall> call = parseScriptCall(from.section(u')', 0, 0) + u')');
        // The first argument is the address; the others name the window and its features.
        return call && !call->args.isEmpty() ? call->args.first().trimmed() : QString();
    }
    const qsizetype close = onclick.indexOf(u')');
    if (close < 0)
        return {};
    QString call = onclick.left(close + 1);
    call.remove(u' ');
    if (call.startsWith(u'"') || call.startsWith(u'\''))
        call = call.mid(1);
    return call;
}

// The chapter link of an HTML link; duplicates are judged on the final address: every "#" link
// would otherwise count as the same one and only the first script link would survive.
ChapterLink chapterLinkOf(const HtmlLink& link, QSet<QString>& seen) {
    ChapterLink out;
    out.title = link.text.left(kMaxTitle).trimmed();
    QString address = link.href;
    address.remove(QLatin1String("about:blank"));
    address.remove(QLatin1String("about:"));
    address = address.trimmed();
    if (address.startsWith(u'#'))
        address = scriptLinkAddress(link.onclick);
    if (!address.isEmpty()) {
        if (seen.contains(address))
            address.clear();
        else
            seen.insert(address);
    }
    out.url = address;
    return out;
}

// getLinks over a fragment whose pieces start at the given UTF-8 offsets and stand at the given
// places of the list text.
ChapterLinks linksOf(const QString& fragment, const QList<qsizetype>& pieceOffsets,
                     const QList<qsizetype>& piecePositions, const StopCheck& stop) {
    ChapterLinks links;
    const QList<HtmlLink> found = htmlLinks(fragment);
    links.reserve(found.size());
    QSet<QString> seen;
    for (const HtmlLink& link : found) {
        if (stop && stop())
            return {};
        ChapterLink out = chapterLinkOf(link, seen);
        if (!pieceOffsets.isEmpty()) {
            const auto it = std::upper_bound(pieceOffsets.cbegin(), pieceOffsets.cend(), link.sourceOffset);
            const qsizetype piece = std::max<qsizetype>(0, (it - pieceOffsets.cbegin()) - 1);
            out.position = piecePositions.at(piece);
        }
        links.append(out);
    }
    return links;
}

// The links when every piece is a plain link (nearly every list): no parser needed.
std::optional<ChapterLinks> plainLinksOf(const QStringList& pieces, const QList<qsizetype>& positions) {
    QList<HtmlLink> found;
    found.reserve(pieces.size());
    for (const QString& piece : pieces) {
        std::optional<HtmlLink> link = plainHtmlLink(piece);
        if (!link)
            return std::nullopt;
        found.append(std::move(*link));
    }
    ChapterLinks links;
    links.reserve(found.size());
    QSet<QString> seen;
    for (qsizetype i = 0; i < found.size(); ++i) {
        links.append(chapterLinkOf(found.at(i), seen));
        links.last().position = positions.at(i);
    }
    return links;
}

qsizetype utf8Length(QStringView text) {
    qsizetype length = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80)
            length += 1;
        else if (c < 0x800)
            length += 2;
        else if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode())) {
            length += 4;
            ++i;
        } else {
            length += QChar::isSurrogate(c) ? 1 : 3; // a lone surrogate becomes '?'
        }
    }
    return length;
}

QString cleanLinkMatch(const QString& match) {
    QString link = match;
    if (indexOfIgnoringCase(link, QLatin1String("<img")) >= 0)
        link = regexRemove(QStringLiteral("<img[\\s\\S]+?>"), link);
    if (indexOfIgnoringCase(link, QLatin1String("<a name")) >= 0)
        link = regexReplace(QStringLiteral("<a name[\\s\\S]+?<a"), link, QStringLiteral("<a"));
    if (indexOfIgnoringCase(link, QLatin1String("<a href=\"#")) >= 0)
        link = regexRemove(QStringLiteral("<a href=\"#[\\s\\S]+?</a>"), link);
    return link;
}

} // namespace

ChapterLinks getLinks(const QString& fragment, const StopCheck& stop) {
    return linksOf(fragment, {}, {}, stop);
}

ChapterLinks collectLinks(const QString& listText, const StopCheck& stop) {
    const QList<RegexMatch> matches = regexMatches(listText, kLinkPattern);
    QStringList pieces;
    QList<qsizetype> positions;
    pieces.reserve(matches.size());
    positions.reserve(matches.size());
    for (const RegexMatch& m : matches) {
        pieces.append(cleanLinkMatch(m.captures.at(0)));
        positions.append(m.start);
    }
    if (std::optional<ChapterLinks> plain = plainLinksOf(pieces, positions))
        return stop && stop() ? ChapterLinks() : *plain;
    QString fragment;
    QList<qsizetype> offsets;
    offsets.reserve(pieces.size());
    qsizetype utf8Size = 0;
    for (const QString& piece : pieces) {
        offsets.append(utf8Size);
        fragment += piece;
        fragment += kSeparator;
        utf8Size += utf8Length(piece) + kSeparator.size();
    }
    return linksOf(fragment, offsets, positions, stop);
}

ChapterLinks getLinks2(const QString& pageHtml, const QString& pageUrl, const QSet<QString>& storedLower,
                       const StopCheck& stop) {
    ChapterLinks links = collectLinks(pageHtml, stop);
    ScriptReader scripts;
    for (const QString& block : regexMatchValues(pageHtml, QStringLiteral("<script[\\s\\S]+?</script>")))
        scripts.addDefinitions(scriptBlockCode(block));
    LinkResolver resolver(pageUrl);
    resolver.setBase(LinkResolver::findBase(pageHtml));
    resolver.setScripts(&scripts, false);
    for (ChapterLink& link : links) {
        if (stop && stop())
            return {};
        link.position = -1;
        link.url = resolver.resolve(link.url);
        if (link.url.isEmpty() || storedLower.contains(link.url.toLower()) ||
            NonChapterFilter::hasFileExtension(link.url))
            link.url.clear();
        link.title.remove(QLatin1String("\r\n"));
        link.title = link.title.trimmed();
    }
    return links;
}
