#include "download/chaptertext.h"

#include "storage/html.h"
#include "storage/markers.h"
#include "storage/regex.h"
#include "storage/url.h"

#include <QUrl>
#include <QVarLengthArray>

#include <algorithm>

namespace {

// Replaces every match of the pattern by what the function makes of it.
QString replaceMatches(const QString& text, const QString& pattern,
                       const std::function<QString(const RegexMatch&)>& make) {
    const QList<RegexMatch> matches = regexMatches(text, pattern);
    if (matches.isEmpty())
        return text;
    QString out;
    out.reserve(text.size());
    qsizetype from = 0;
    for (const RegexMatch& m : matches) {
        out += QStringView(text).mid(from, m.start - from);
        out += make(m);
        from = m.start + m.length;
    }
    out += QStringView(text).mid(from);
    return out;
}

const QString kImgTag = QStringLiteral("<img[\\s\\S]+?>");
// The address of a src attribute, quoted or not: the value is capture 2, 3 or 4.
const QString kSrcAttribute = QStringLiteral("(src\\s*=\\s*)(?:\"([^\"]*)\"|'([^']*)'|([^\\s\"'>]+))");
const QString kBackgroundAttribute = QStringLiteral("(background\\s*=\\s*)\"([^\"]*)\"");

QString attributeValue(const RegexMatch& m) {
    for (int i = 2; i < m.captures.size(); ++i)
        if (!m.captures.at(i).isEmpty())
            return m.captures.at(i);
    return {};
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
            out.remove(entry);
    }
    return out;
}

namespace {

// Each pattern runs only when the text holds its opening literal: most chapters have few of these
// blocks, and every pass is a scan of the whole chapter.
bool has(const QString& text, const char* literal) {
    return containsIgnoringCase(text, QLatin1String(literal));
}

QString removeBlock(const QString& text, const char* opener, const char* pattern) {
    return has(text, opener) ? regexRemove(QString::fromLatin1(pattern), text) : text;
}

// Exact replacements made in one pass over the text, left to right; at each place the first pair
// that matches wins. The same as replacing pair after pair when no replacement can form or break a
// later pair's text, which holds for the sets below.
QString replaceInOnePass(const QString& text, std::initializer_list<std::pair<QLatin1String, QLatin1String>> pairs) {
    // Where each distinct first character occurs next: the text is searched with the fast
    // single-character search instead of being compared character by character.
    struct First {
        QChar c;
        qsizetype next;
    };
    const QStringView view(text);
    QVarLengthArray<First, 8> firsts;
    for (const auto& pair : pairs) {
        const QChar c = pair.first.front();
        if (std::none_of(firsts.begin(), firsts.end(), [c](const First& f) { return f.c == c; }))
            firsts.append({c, view.indexOf(c)});
    }
    QString out;
    qsizetype copied = 0;
    qsizetype from = 0;
    for (;;) {
        qsizetype at = -1;
        for (First& f : firsts) {
            if (f.next >= 0 && f.next < from)
                f.next = view.indexOf(f.c, from);
            if (f.next >= 0 && (at < 0 || f.next < at))
                at = f.next;
        }
        if (at < 0)
            break;
        from = at + 1;
        for (const auto& [find, replacement] : pairs) {
            if (!view.mid(at).startsWith(find))
                continue;
            if (out.isNull())
                out.reserve(text.size() + 64);
            out += view.mid(copied, at - copied);
            out += replacement;
            copied = from = at + find.size();
            break;
        }
    }
    if (copied == 0)
        return text;
    out += view.mid(copied);
    return out;
}

} // namespace

QString cleanChapterHtml(const QString& html) {
    QString text = html;
    // A page this program wrote: only its chapter text counts.
    if (text.contains(kStyledPageComment))
        text = getTextBetween(text, kBookContentStart, kBookContentEnd);

    text = removeBlock(text, "<html", "<html[\\s\\S]+?</head>");
    text = removeBlock(text, "<head>", "<head>[\\s\\S]+?</head>");
    if (has(text, "<html"))
        text = regexReplace(QStringLiteral("<html[\\s\\S]+?<body"), text, QStringLiteral("<body"));
    const std::pair<const char*, const char*> blocks[] = {
        {"<!--", "<!--[\\s\\S]+?-->"},
        {"<script", "<script[\\s\\S]+?</script>"},
        {"<noscript", "<noscript[\\s\\S]+?</noscript>"},
        {"<style", "<style[\\s\\S]+?</style>"},
        {"<option", "<option[\\s\\S]+?</option>"},
        {"<iframe", "<iframe[\\s\\S]+?</iframe>"},
        {"<embed", "<embed[\\s\\S]+?</embed>"},
        {"<object", "<object[\\s\\S]+?</object>"},
        {"<%", "<%[\\s\\S]+?%>"},
    };
    for (const auto& [opener, pattern] : blocks)
        text = removeBlock(text, opener, pattern);

    // The tags that stay are written as text for a moment, so that removing all tags spares them.
    text = replaceInOnePass(text, {{QLatin1String("&lt;"), QLatin1String("[[lt;")},
                                   {QLatin1String("&gt;"), QLatin1String("[[gt;")},
                                   {QLatin1String("<<"), QLatin1String("&lt;&lt;")},
                                   {QLatin1String(">>"), QLatin1String("&gt;&gt;")}});
    if (has(text, "<img "))
        text = replaceMatches(text, QStringLiteral("<img [\\s\\S]+?>"), [](const RegexMatch& m) -> QString {
            QString tag = m.captures.at(0).mid(1, m.length - 2);
            tag.replace(QLatin1String("\r\n"), QLatin1String(" "));
            tag.replace(u'\r', u' ');
            tag.replace(u'\n', u' ');
            return QLatin1String("&lt;") + tag + QLatin1String("&gt;");
        });
    text = replaceInOnePass(text, {{QLatin1String("<pre>"), QLatin1String("&lt;PRE&gt;")},
                                   {QLatin1String("<PRE>"), QLatin1String("&lt;PRE&gt;")},
                                   {QLatin1String("<p>"), QLatin1String("&lt;p&gt;")},
                                   {QLatin1String("<P>"), QLatin1String("&lt;P&gt;")}});
    // Only up to the tag's own ">": "<Br>" must not swallow the text up to the next tag.
    if (has(text, "<p"))
        text = regexReplace(QStringLiteral("<p(?:\\s[^<>]*)?>"), text, QStringLiteral("&lt;p&gt;"));
    if (has(text, "<br"))
        text = regexReplace(QStringLiteral("<br(?:\\s[^<>]*|/)?>"), text, QStringLiteral("&lt;br&gt;"));

    if (text.contains(u'<'))
        text = regexRemove(QStringLiteral("<[\\s\\S]+?>"), text);

    text = replaceInOnePass(text, {{QLatin1String("&lt;"), QLatin1String("<")},
                                   {QLatin1String("&gt;"), QLatin1String(">")},
                                   {QLatin1String("[[gt;"), QLatin1String("&gt;")},
                                   {QLatin1String("[[lt;"), QLatin1String("&lt;")}});
    if (has(text, "<td"))
        text = regexRemove(QStringLiteral("<td[\\s\\S]+?>"), text);
    // Removed one after the other: removing one may join the pieces of another.
    if (text.contains(u'[') || text.contains(QChar(0x3010)))
        for (const char* navigation : {"[返回]", "【上一页】", "【 目录 】", "【下一页】"})
            text.remove(QString::fromUtf8(navigation));
    return text;
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
    for (const QString& tag : regexMatchValues(text, kImgTag)) {
        const QList<RegexMatch> src = regexMatches(tag, kSrcAttribute);
        if (!src.isEmpty())
            sources << attributeValue(src.first());
    }
    return sources;
}

QString replacePictureSources(const QString& text, bool background,
                              const std::function<QString(const QString&)>& map) {
    if (!has(text, background ? "background" : "<img"))
        return text;
    auto rewrite = [&map](const RegexMatch& m) -> QString {
        const QString value = attributeValue(m);
        const QString mapped = value.isEmpty() ? QString() : map(value);
        if (mapped.isEmpty())
            return m.captures.at(0);
        return m.captures.at(1) + u'"' + mapped + u'"';
    };
    if (background)
        return replaceMatches(text, kBackgroundAttribute, rewrite);
    return replaceMatches(text, kImgTag, [&](const RegexMatch& tag) -> QString {
        bool first = true;
        // The first src of the tag is its picture.
        return replaceMatches(tag.captures.at(0), kSrcAttribute, [&](const RegexMatch& m) -> QString {
            if (!first)
                return m.captures.at(0);
            first = false;
            return rewrite(m);
        });
    });
}

QString centerPictures(const QString& text) {
    if (!has(text, "<img"))
        return text;
    return regexReplace(kImgTag, text, QStringLiteral("<center>$&</center>"));
}

QString absoluteScriptAndStyleReferences(const QString& text, const QString& pageUrl,
                                         QStringList* styleSheets) {
    if (!has(text, "<script") && !has(text, ".css"))
        return text;
    QString out = replaceMatches(
        text, QStringLiteral("<script src=[\\s\\S]+?>"), [&](const RegexMatch& tag) -> QString {
            return replaceMatches(tag.captures.at(0), kSrcAttribute, [&](const RegexMatch& m) -> QString {
                return m.captures.at(1) + u'"' + absoluteAddress(attributeValue(m), pageUrl) + u'"';
            });
        });
    const QString href =
        QStringLiteral("(href\\s*=\\s*)(?:\"([^\"]*\\.css)\"|'([^']*\\.css)'|([^\\s\"'>]+\\.css))");
    return replaceMatches(out, href, [&](const RegexMatch& m) -> QString {
        const QString address = absoluteAddress(attributeValue(m), pageUrl);
        if (styleSheets)
            styleSheets->append(address);
        return m.captures.at(1) + u'"' + address + u'"';
    });
}
