#include "renewal/chaptertext.h"

#include "renewal/chaptertags.h"

#include "text/html.h"
#include "text/markers.h"
#include "text/regex.h"
#include "text/url.h"

#include <QStringView>
#include <QUrl>

#include <algorithm>
#include <array>
#include <iterator>

namespace {

// The address of a src attribute, quoted or not: the value is capture 2, 3 or 4.
const QString kSrcAttribute = QStringLiteral("(src\\s*=\\s*)(?:\"([^\"]*)\"|'([^']*)'|([^\\s\"'>]+))");
const QString kBackgroundAttribute = QStringLiteral("(background\\s*=\\s*)\"([^\"]*)\"");

QString attributeValue(const RegexMatch& m) {
    for (int i = 2; i < m.captures.size(); ++i)
        if (!m.captures.at(i).isEmpty())
            return m.captures.at(i);
    return {};
}

// An address written into a double-quoted attribute: a quote in it must not end the value.
QString quotedAddress(const QString& address) {
    return u'"' + QString(address).replace(u'"', QLatin1String("&quot;")) + u'"';
}

// The "<img" tags of the text as a parser reads them, each with the attribute holding its picture:
// the first whose name ends in "src" ("data-src" of pages that load pictures late) and has a value.
struct PictureTag {
    qsizetype start = 0;
    qsizetype end = 0;
    std::optional<HtmlAttribute> source;
};
QList<PictureTag> pictureTags(const QString& text) {
    QList<PictureTag> tags;
    for (qsizetype at = text.indexOf(u'<'); at >= 0; at = text.indexOf(u'<', at + 1)) {
        const std::optional<HtmlTag> tag = readHtmlTag(text, at);
        if (!tag || !tag->closed || tag->endTag || tag->name != QLatin1String("img"))
            continue;
        PictureTag picture{tag->start, tag->end, std::nullopt};
        for (const HtmlAttribute& attribute : tag->attributes) {
            const QStringView name = QStringView(text).mid(attribute.start, attribute.nameLength);
            if (attribute.valueStart >= 0 && name.endsWith(QLatin1String("src"), Qt::CaseInsensitive)) {
                picture.source = attribute;
                break;
            }
        }
        tags.append(picture);
        at = tag->end - 1;
    }
    return tags;
}

} // namespace

bool containsIgnoringCase(const QString& text, QLatin1String literal) {
    return indexOfIgnoringCase(text, literal) >= 0;
}

QString cutChapterContent(const QString& page, const QString& start, const QString& end) {
    QString text;
    if (!start.isEmpty() && !end.isEmpty())
        text = getTextBetween(page, start, end);
    else if (!end.isEmpty())
        text = getTextBefore(page, end);
    else if (!start.isEmpty())
        text = getTextAfterLast(page, start);
    return text.isEmpty() ? page : text;
}

QString removeNeedDelStr(const QString& text, const QString& needDelStr) {
    QString out = text;
    for (const QString& entry : needDelStr.split(QStringLiteral("||"))) {
        if (entry.isEmpty())
            continue;
        if (entry.size() > 4 && entry.startsWith(QLatin1String("[[")) && entry.endsWith(QLatin1String("]]")))
            out = regexRemove(entry.mid(2, entry.size() - 4), out);
        else
            out = replaceAll(out, entry, {});
    }
    return out;
}

namespace {

// Patterns run only when the text holds their opening literal: most chapters have no pictures.
bool has(const QString& text, const char* literal) {
    return containsIgnoringCase(text, QLatin1String(literal));
}

// The parts of a page that are no chapter text, each found by its opening literal.
struct Block {
    QLatin1String opener;
    const char* pattern;
    QLatin1String replacement;
};
const Block kBlocks[] = {
    {QLatin1String("<html"), "<html[\\s\\S]+?</head>", {}},
    {QLatin1String("<head>"), "<head>[\\s\\S]+?</head>", {}},
    {QLatin1String("<html"), "<html[\\s\\S]+?<body", QLatin1String("<body")},
    {QLatin1String("<!--"), "<!--[\\s\\S]+?-->", {}},
    {QLatin1String("<script"), "<script[\\s\\S]+?</script>", {}},
    {QLatin1String("<noscript"), "<noscript[\\s\\S]+?</noscript>", {}},
    {QLatin1String("<style"), "<style[\\s\\S]+?</style>", {}},
    {QLatin1String("<option"), "<option[\\s\\S]+?</option>", {}},
    {QLatin1String("<iframe"), "<iframe[\\s\\S]+?</iframe>", {}},
    {QLatin1String("<embed"), "<embed[\\s\\S]+?</embed>", {}},
    {QLatin1String("<object"), "<object[\\s\\S]+?</object>", {}},
    {QLatin1String("<%"), "<%[\\s\\S]+?%>", {}},
};

// Which blocks' openers the text holds (bit i for kBlocks[i]): one pass over its "<" instead of a
// search of the whole chapter per opener. Most chapters hold none.
quint32 blockOpenersIn(QStringView text) {
    static const auto openers = [] {
        std::array<QLatin1String, std::size(kBlocks)> all;
        std::transform(std::begin(kBlocks), std::end(kBlocks), all.begin(),
                       [](const Block& b) { return b.opener; });
        return all;
    }();
    return tagOpenersIn(text, openers.data(), qsizetype(openers.size()));
}

} // namespace

QString cleanChapterHtml(const QString& html) {
    QString text = html;
    // A page this program wrote: only its chapter text counts.
    if (hasStyledPageComment(text))
        text = getTextBetween(text, kBookContentStart, kBookContentEnd);

    // One block removed may join the pieces of another: the openers are looked for again then.
    quint32 present = blockOpenersIn(text);
    for (size_t i = 0; i < std::size(kBlocks); ++i) {
        if (!(present & (1u << i)))
            continue;
        const qsizetype before = text.size();
        text = regexReplace(QString::fromLatin1(kBlocks[i].pattern), text, kBlocks[i].replacement);
        if (text.size() != before)
            present = blockOpenersIn(text);
    }
    text = keepTextTags(text);
    // Removed one after the other: removing one may join the pieces of another.
    if (text.contains(u'[') || text.contains(QChar(0x3010)))
        for (const char* navigation : {"[返回]", "【上一页】", "【 目录 】", "【下一页】"})
            text.remove(QString::fromUtf8(navigation));
    // Last: "<<…>>" kept as text and the removals above can still form a tag.
    static const QStringList keptTags = {QStringLiteral("img"), QStringLiteral("p"), QStringLiteral("br"),
                                         QStringLiteral("pre")};
    return stripActiveContent(text, keptTags);
}

QString absoluteAddress(const QString& address, const QString& pageUrl) {
    const QString a = address.trimmed();
    if (a.isEmpty() || a.startsWith(QLatin1String("http"), Qt::CaseInsensitive))
        return a;
    if (a.startsWith(QLatin1String("//")))
        return QStringLiteral("http:") + a;
    const UrlBase base = splitUrlBase(pageUrl);
    if (a.startsWith(u'/') || a.startsWith(u'\\'))
        return base.siteRoot + a.mid(1).replace(u'\\', u'/');
    // "www.site.com/a.jpg"; a file name alone ("logo.com.gif") is relative.
    const QString host = a.section(u'/', 0, 0);
    if (a.contains(u'/') && !host.contains(u'?'))
        for (const char* top : {".org", ".cn", ".com", ".net"})
            if (host.contains(QLatin1String(top), Qt::CaseInsensitive))
                return QStringLiteral("http://") + a;
    // "../" and "./" are resolved here; a server refuses a path that climbs.
    const QUrl page(pageUrl.trimmed(), QUrl::TolerantMode);
    const QUrl resolved = page.resolved(QUrl(a, QUrl::TolerantMode));
    if (!resolved.isValid() || resolved.isRelative())
        return base.folder + u'/' + a;
    return resolved.toString();
}

QStringList pictureSources(const QString& text, bool background) {
    QStringList sources;
    if (!has(text, background ? "background" : "<img"))
        return sources;
    if (background) {
        for (const RegexMatch& m : regexMatches(text, kBackgroundAttribute))
            sources << m.captures.value(2);
        return sources;
    }
    for (const PictureTag& tag : pictureTags(text))
        if (tag.source)
            sources << text.mid(tag.source->valueStart, tag.source->valueEnd - tag.source->valueStart);
    return sources;
}

bool mayHoldPictures(const QString& text) {
    return has(text, "<img") || has(text, "background");
}

QString replacePictureSources(const QString& text, bool background,
                              const std::function<QString(const QString&)>& map) {
    if (!has(text, background ? "background" : "<img"))
        return text;
    if (background)
        return regexReplaceEach(kBackgroundAttribute, text, [&map](const RegexMatch& m) -> QString {
            const QString value = attributeValue(m);
            const QString mapped = value.isEmpty() ? QString() : map(value);
            return mapped.isEmpty() ? m.captures.at(0) : m.captures.at(1) + quotedAddress(mapped);
        });
    QString out;
    qsizetype copied = 0;
    for (const PictureTag& tag : pictureTags(text)) {
        if (!tag.source)
            continue;
        const HtmlAttribute& source = *tag.source;
        const QString value = text.mid(source.valueStart, source.valueEnd - source.valueStart);
        const QString mapped = value.isEmpty() ? QString() : map(value);
        if (mapped.isEmpty())
            continue;
        // The value with its quotes, if it has them.
        const qsizetype from = source.end > source.valueEnd ? source.valueStart - 1 : source.valueStart;
        out += QStringView(text).mid(copied, from - copied);
        out += quotedAddress(mapped);
        copied = source.end;
    }
    if (copied == 0)
        return text;
    out += QStringView(text).mid(copied);
    return out;
}

QString centerPictures(const QString& text) {
    if (!has(text, "<img"))
        return text;
    QString out;
    qsizetype copied = 0;
    for (const PictureTag& tag : pictureTags(text)) {
        out += QStringView(text).mid(copied, tag.start - copied);
        out += QLatin1String("<center>") + QStringView(text).mid(tag.start, tag.end - tag.start) +
               QLatin1String("</center>");
        copied = tag.end;
    }
    out += QStringView(text).mid(copied);
    return out;
}

QString absoluteScriptAndStyleReferences(const QString& text, const QString& pageUrl,
                                         QStringList* styleSheets) {
    if (!has(text, "<script") && !has(text, ".css"))
        return text;
    QString out = regexReplaceEach(
        QStringLiteral("<script src=[\\s\\S]+?>"), text, [&](const RegexMatch& tag) -> QString {
            return regexReplaceEach(kSrcAttribute, tag.captures.at(0), [&](const RegexMatch& m) -> QString {
                return m.captures.at(1) + u'"' + absoluteAddress(attributeValue(m), pageUrl) + u'"';
            });
        });
    const QString href =
        QStringLiteral("(href\\s*=\\s*)(?:\"([^\"]*\\.css)\"|'([^']*\\.css)'|([^\\s\"'>]+\\.css))");
    return regexReplaceEach(href, out, [&](const RegexMatch& m) -> QString {
        const QString address = absoluteAddress(attributeValue(m), pageUrl);
        if (styleSheets)
            styleSheets->append(address);
        return m.captures.at(1) + u'"' + address + u'"';
    });
}
