#include "renewal/chaptertags.h"

#include "renewal/chaptertext.h"
#include "text/regex.h"

#include <QStringView>
#include <QVarLengthArray>

#include <algorithm>
#include <initializer_list>
#include <utility>

namespace {

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

// What the regular expressions call "\s".
bool isSpace(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

bool isLetter(char16_t c, char16_t lower) {
    return (c | 0x20) == lower;
}

// "<br>", "<br/>" or "<br" and a space up to the ">", in any case.
bool isBreakTag(QStringView tag) {
    if (tag.size() < 4 || !isLetter(tag[1].unicode(), u'b') || !isLetter(tag[2].unicode(), u'r'))
        return false;
    return tag.size() == 4 || (tag.size() == 5 && tag[3] == u'/') || isSpace(tag[3].unicode());
}

// "<p>" or "<p" and a space up to the ">", in any case.
bool isParagraphTag(QStringView tag) {
    if (!isLetter(tag[1].unicode(), u'p'))
        return false;
    return tag.size() == 3 || isSpace(tag[2].unicode());
}

bool startsWithAt(QStringView text, qsizetype at, QLatin1String literal) {
    return text.mid(at).startsWith(literal);
}

} // namespace

QString keepTextTagsStepByStep(const QString& html) {
    QString text = html;
    // The tags that stay are written as text for a moment, so that removing all tags spares them.
    text = replaceInOnePass(text, {{QLatin1String("&lt;"), QLatin1String("[[lt;")},
                                   {QLatin1String("&gt;"), QLatin1String("[[gt;")},
                                   {QLatin1String("<<"), QLatin1String("&lt;&lt;")},
                                   {QLatin1String(">>"), QLatin1String("&gt;&gt;")}});
    if (containsIgnoringCase(text, QLatin1String("<img ")))
        text = regexReplaceEach(QStringLiteral("<img [\\s\\S]+?>"), text, [](const RegexMatch& m) -> QString {
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
    if (containsIgnoringCase(text, QLatin1String("<p")))
        text = regexReplace(QStringLiteral("<p(?:\\s[^<>]*)?>"), text, QStringLiteral("&lt;p&gt;"));
    if (containsIgnoringCase(text, QLatin1String("<br")))
        text = regexReplace(QStringLiteral("<br(?:\\s[^<>]*|/)?>"), text, QStringLiteral("&lt;br&gt;"));

    if (text.contains(u'<'))
        text = regexRemove(QStringLiteral("<[\\s\\S]+?>"), text);

    text = replaceInOnePass(text, {{QLatin1String("&lt;"), QLatin1String("<")},
                                   {QLatin1String("&gt;"), QLatin1String(">")},
                                   {QLatin1String("[[gt;"), QLatin1String("&gt;")},
                                   {QLatin1String("[[lt;"), QLatin1String("&lt;")}});
    if (containsIgnoringCase(text, QLatin1String("<td")))
        text = regexRemove(QStringLiteral("<td[\\s\\S]+?>"), text);
    return text;
}

std::optional<QString> keepTextTagsInOnePass(QStringView text) {
    // The texts the step-by-step way turns back into "&lt;" and "&gt;" at its end: where removing a
    // tag joins two pieces into one of them, the result would differ.
    static const QLatin1String kEscapes[] = {QLatin1String("&lt;"), QLatin1String("&gt;"),
                                             QLatin1String("[[lt;"), QLatin1String("[[gt;")};
    QString out;
    out.reserve(text.size());
    QVarLengthArray<qsizetype, 64> joins; // where in out a tag was dropped between two pieces
    const qsizetype n = text.size();
    qsizetype copied = 0;
    qsizetype tagStart = -1;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'<') {
            // Doubled brackets are kept as text; a "<" inside a tag ends it elsewhere.
            if (tagStart >= 0 || (i + 1 < n && text[i + 1] == u'<'))
                return std::nullopt;
            out += text.mid(copied, i - copied);
            tagStart = i;
        } else if (c == u'>') {
            if (i + 1 < n && text[i + 1] == u'>')
                return std::nullopt;
            // A tag takes at least one character before its ">".
            if (tagStart < 0 || i < tagStart + 2)
                continue;
            const QStringView tag = text.mid(tagStart, i - tagStart + 1);
            if (tag.size() > 4 && tag.first(5).compare(QLatin1String("<img "), Qt::CaseInsensitive) == 0)
                return std::nullopt;
            if (tag == QLatin1String("<pre>") || tag == QLatin1String("<PRE>"))
                out += QLatin1String("<PRE>");
            else if (tag == QLatin1String("<P>"))
                out += QLatin1String("<P>");
            else if (isParagraphTag(tag))
                out += QLatin1String("<p>");
            else if (isBreakTag(tag))
                out += QLatin1String("<br>");
            else
                joins.append(out.size());
            copied = i + 1;
            tagStart = -1;
        } else if (c == u'[') {
            if (startsWithAt(text, i, kEscapes[2]) || startsWithAt(text, i, kEscapes[3]))
                return std::nullopt;
        } else if (QChar::isSurrogate(c)) {
            // Lone halves become U+FFFD on the regular expressions' way.
            if (QChar::isLowSurrogate(c) || i + 1 >= n || !QChar::isLowSurrogate(text[i + 1].unicode()))
                return std::nullopt;
            ++i;
        }
    }
    if (tagStart >= 0) // an unclosed "<" may still close on the way step by step
        return std::nullopt;
    out += text.mid(copied);
    for (const qsizetype join : joins) {
        for (const QLatin1String escape : kEscapes) {
            const qsizetype from = std::max<qsizetype>(0, join - escape.size() + 1);
            const qsizetype at = QStringView(out).mid(from, join - from + escape.size()).indexOf(escape);
            if (at >= 0 && from + at < join && from + at + escape.size() > join)
                return std::nullopt;
        }
    }
    return out;
}

QString keepTextTags(const QString& text) {
    if (std::optional<QString> quick = keepTextTagsInOnePass(text))
        return *std::move(quick);
    return keepTextTagsStepByStep(text);
}
