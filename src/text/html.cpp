#include "text/html.h"

#include "text/charset.h"
#include "text/innertext.h"
#include "text/markers.h"
#include "text/regex.h"

#include <algorithm>

namespace {

// Image sources found by one pattern: the match without its last character and without the
// attribute name in front.
QString sourcesByPattern(const QString& fragment, const QString& pattern, const QString& prefix) {
    QString out;
    for (const QString& match : regexMatchValues(fragment, pattern)) {
        QString value = match.left(match.size() - 1);
        value.remove(prefix, Qt::CaseInsensitive);
        out += trimSpaces(value) + QLatin1String("||");
    }
    return out;
}

// A break after a sentence end, with up to two spaces between, starts a paragraph: the end stays,
// the spaces and the break make way for a paragraph break. One pass over the breaks does what a
// case-blind replace per end and gap did: no two of those patterns overlap, and no replacement
// forms another.
QString breakAfterSentenceEnds(const QString& text) {
    static const QString sentenceEnds = QStringLiteral("。？！’”…．.?!'\"~）─");
    static const QString paragraphBreak = QStringLiteral("\r\n\r\n　　");
    const QLatin1String br("<br>");
    QString out;
    qsizetype copied = 0;
    for (qsizetype at = text.indexOf(u'<'); at >= 0; at = text.indexOf(u'<', at + 1)) {
        if (!matchesIgnoringCaseAt(text, at, br))
            continue;
        qsizetype mark = at - 1;
        while (mark >= 0 && at - mark <= 2 && text.at(mark) == u' ')
            --mark;
        if (mark < 0 || !sentenceEnds.contains(text.at(mark)))
            continue;
        if (out.isNull())
            out.reserve(text.size() + 64);
        out += QStringView(text).mid(copied, mark + 1 - copied);
        out += paragraphBreak;
        copied = at + br.size();
    }
    if (copied == 0)
        return text;
    out += QStringView(text).mid(copied);
    return out;
}

} // namespace

QString htmlToPlainText(const QString& html) {
    QString text = html;
    for (const char* pattern : {"<option[\\s\\S]+?</option>", "<a [\\s\\S]+?</a>",
                                "<span class=\"newfont2\"[\\s\\S]+?</span>", "<script[\\s\\S]+?</script>"})
        text = regexRemove(QString::fromLatin1(pattern), text);
    return htmlInnerText(text).replace(QLatin1String("\r\n\r\n"), QLatin1String("\r\n"));
}

QString decodeHtmlEntities(const QString& text) {
    static const std::pair<const char*, const char*> entities[] = {
        {"&quot;", "\""},       {"&nbsp;", " "}, {"&lt;", "<"},          {"&gt;", ">"},
        {"<br>", "\r\n"},       {"&#91;", "["},  {"&#93;", "]"},         {"&amp;", "&"},
        {"&#13;&#10;", "\r\n"}, {"&#39;", "'"},  {"&#183;", "\xC2\xB7"},
    };
    QString out = text;
    for (const auto& [entity, value] : entities)
        out.replace(QLatin1String(entity), QString::fromUtf8(value));
    return out;
}

QString cleanWordHtml(const QString& html) {
    QString out =
        regexRemove(QStringLiteral("style=(['\\x22])[^'\\x22<>]*\\1|<span[^<>]*>|<\\/span>|<o:p>|<\\/o:p>|"
                                   "<\\?xml[^<>]*>"),
                    html);
    out =
        regexReplace(QStringLiteral("<TABLE[^<>]*>"), out,
                     QStringLiteral("<table width=\"95%\" align=center border=1 cellspacing=0 cellpadding=3 "
                                    "bordercolorlight=#000000 bordercolordark=#000000 "
                                    "style='border-collapse: collapse;word-break:break-all'>"));
    for (const char* fixed :
         {"<![if !supportEmptyParas]>", "<![if !supportLists]>", "<![endif]>",
          "<meta name=ProgId content=Word.Document>", "<meta name=Generator content=\"Microsoft Word 9\">",
          "<meta name=Originator content=\"Microsoft Word 9\">"})
        out.remove(QLatin1String(fixed));
    return out;
}

QString extractImageSources(const QString& fragment) {
    // Any letter case, like the patterns below: an empty source spoils the quoted patterns.
    if (fragment.contains(QLatin1String("src=\"\""), Qt::CaseInsensitive))
        return {};
    QString out = sourcesByPattern(fragment, QStringLiteral("src=\".+?\""), QStringLiteral("src=\""));
    out += sourcesByPattern(fragment, QStringLiteral("src='.+?'"), QStringLiteral("src='"));
    if (out.isEmpty())
        out = sourcesByPattern(fragment, QStringLiteral("src=.+? "), QStringLiteral("src="));
    if (out.isEmpty())
        out = sourcesByPattern(fragment, QStringLiteral("src=.+>"), QStringLiteral("src="));
    return out;
}

QString extractImageSourcesByPattern(const QString& html, const QString& pattern) {
    QString out;
    for (const QString& part : regexMatchValues(html, pattern))
        out += extractImageSources(part);
    return out;
}

QString cleanTitleText(const QString& fragment) {
    QString text = regexRemove(QStringLiteral("<[\\s\\S]+?>"), fragment);
    const qsizetype gt = text.indexOf(u'>');
    if (gt >= 0)
        text = text.mid(gt + 1);
    text.remove(QStringLiteral("当前章节"));
    text = decodeHtmlEntities(text);
    for (const QChar c : {QChar(u'<'), QChar(u'>'), QChar(u'《'), QChar(u'》')})
        text.remove(c);
    text = trimSpaces(text);
    for (const QChar c : {QChar(u'\r'), QChar(u'\n'), QChar(u'\t')})
        text.remove(c);
    for (const QString& label : {QStringLiteral("书名："), QStringLiteral("最新章节："),
                                 QStringLiteral("更新时间"), QStringLiteral("最新更新：")})
        text.remove(label);
    return trimSpaces(text);
}

QString curlyQuotes(const QString& text) {
    return regexReplace(QStringLiteral("(\")(.+?)(\")"), text, QStringLiteral("“$2”"));
}

QString extractQuotedValue(const QString& fragment, bool keepEquals) {
    QString value = fragment;
    const QString quote = value.contains(u'"')    ? QStringLiteral("\"")
                          : value.contains(u'\'') ? QStringLiteral("'")
                                                  : QString();
    if (!quote.isEmpty())
        value = getTextBetween(value, quote, quote);
    value.remove(u'"');
    value.remove(u'>');
    value.remove(u'\'');
    value.remove(QLatin1String("\r\n"));
    if (!keepEquals)
        value.remove(u'=');
    return trimSpaces(value);
}

QString formatParagraphs(const QString& text) {
    const QString br = QStringLiteral("<br>");
    QString out = text;

    // One after the other: removing one may join the pieces of the next.
    static const QString a3a0 = charFromCodePageValue(0xA3A0);
    for (const QStringView gone :
         {QStringView(u"&nbsp;"), QStringView(u"　　"), QStringView(u"    "), QStringView(a3a0)})
        if (!gone.isEmpty())
            out = replaceAll(out, gone, {});
    out.remove(u'\t');

    out = replaceAll(out, u"\r\n", br);
    out.replace(u'\n', br);
    out.replace(u'\r', br);
    for (const char16_t* tag : {u"<p>", u"<P>", u"</P>", u"</p>"})
        out = replaceAll(out, tag, br);

    // Each pass halves a run of breaks; five leave one of up to 32.
    for (int i = 0; i < 5; ++i) {
        const qsizetype before = out.size();
        out = replaceIgnoringCase(out, QLatin1String("<br><br>"), br);
        if (out.size() == before)
            break;
    }
    out = breakAfterSentenceEnds(out);

    for (const char16_t* tag : {u"<br>", u"<BR>", u"<Br>"})
        out = replaceAll(out, tag, {});
    out = replaceAll(out, u"\r\n\r\n", u"<br><br>");

    if (out.size() > 1) {
        qsizetype lead = 0;
        while (lead < out.size() && out.at(lead) == u' ')
            ++lead;
        out.remove(0, lead);
    }
    return QStringLiteral("　　") + out;
}

BookContentRange bookContentRange(const QString& page) {
    const qsizetype start = page.indexOf(kBookContentStart);
    if (start < 0)
        return {};
    const qsizetype inner = start + kBookContentStart.size();
    const qsizetype end = page.indexOf(kBookContentEnd, inner);
    if (end < 0)
        return {};
    return {inner, end - inner};
}

QString spliceBookContent(const QString& page, const QString& content) {
    const BookContentRange range = bookContentRange(page);
    if (!range.found())
        return page;
    QString out = page;
    return out.replace(range.start, range.length, content);
}

namespace {

bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// The end of a character reference ("&amp;", "&#12290;", "&#x3002;") starting at text[at], or -1.
qsizetype characterReferenceEnd(QStringView text, qsizetype at) {
    qsizetype i = at + 1;
    const auto isHex = [](QChar c) {
        return isAsciiDigit(c) || (c.toLower() >= u'a' && c.toLower() <= u'f');
    };
    if (i < text.size() && text.at(i) == u'#') {
        ++i;
        const bool hex = i < text.size() && (text.at(i) == u'x' || text.at(i) == u'X');
        if (hex)
            ++i;
        const qsizetype digits = i;
        while (i < text.size() && (hex ? isHex(text.at(i)) : isAsciiDigit(text.at(i))))
            ++i;
        if (i == digits)
            return -1;
    } else {
        const qsizetype name = i;
        while (i < text.size() && text.at(i).unicode() < 128 && text.at(i).isLetterOrNumber())
            ++i;
        if (i == name || !text.at(name).isLetter())
            return -1;
    }
    return i < text.size() && text.at(i) == u';' ? i + 1 : -1;
}

// The end of the markup starting at text[at] (a "<" or "&"), or -1 when it is text.
qsizetype markupEnd(QStringView text, qsizetype at) {
    if (text.at(at) == u'&')
        return characterReferenceEnd(text, at);
    if (text.mid(at).startsWith(QLatin1String("<!--"))) {
        const qsizetype close = text.indexOf(QLatin1String("-->"), at + 4);
        return close < 0 ? text.size() : close + 3;
    }
    if (text.size() > at + 1 && (text.at(at + 1) == u'!' || text.at(at + 1) == u'?')) {
        const qsizetype close = text.indexOf(u'>', at);
        return close < 0 ? text.size() : close + 1;
    }
    if (const std::optional<HtmlTag> tag = readHtmlTag(text, at))
        return tag->end;
    return -1;
}

} // namespace

QString mapTextOutsideMarkup(const QString& html, const std::function<QString(const QString&)>& map) {
    QString out;
    out.reserve(html.size());
    qsizetype from = 0;
    for (qsizetype at = 0; at < html.size(); ++at) {
        const QChar c = html.at(at);
        if (c != u'<' && c != u'&')
            continue;
        const qsizetype end = markupEnd(html, at);
        if (end < 0)
            continue;
        if (at > from)
            out += map(html.mid(from, at - from));
        out += QStringView(html).mid(at, end - at);
        from = end;
        at = end - 1;
    }
    if (html.size() > from)
        out += map(html.mid(from));
    return out;
}

bool hasStyledPageComment(const QString& html) {
    return html.contains(kStyledPageComment) || html.contains(QLatin1String("<!--Quiveral&#26679;")) ||
           html.contains(QStringLiteral("<!--Quiveral樣式-->"));
}

QString getStyledPageContent(const QString& html) {
    if (!hasStyledPageComment(html))
        return QStringLiteral("-1");
    const QString content = getTextBetweenStrict(html, kBookContentStart, kBookContentEnd);
    if (content.isEmpty())
        return QStringLiteral("-1");
    return formatParagraphs(content);
}

namespace {

// What the tokenizer of an HTML parser takes for white space (a CR reaches it as a LF).
bool isTagSpace(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\f' || c == u'\r';
}

bool isAsciiLetter(QChar c) {
    return (c.unicode() | 0x20) >= u'a' && (c.unicode() | 0x20) <= u'z';
}

QString asciiLower(QStringView text) {
    QString out = text.toString();
    for (QChar& c : out)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() | 0x20);
    return out;
}

int digitValue(QChar c, int base) {
    const char16_t u = c.unicode();
    const int digit = u >= u'0' && u <= u'9'                     ? u - u'0'
                      : (u | 0x20) >= u'a' && (u | 0x20) <= u'f' ? (u | 0x20) - u'a' + 10
                                                                 : -1;
    return digit < base ? digit : -1;
}

// An attribute value as a script address would be read: entities decoded (numeric ones, with or
// without ";", and the named ones for a colon, tab and line feed, the only names that spell part
// of an address), white space and control characters dropped, letters in lower case.
QString normalizedValue(QStringView value) {
    static const std::pair<QLatin1String, char16_t> named[] = {{QLatin1String("&colon;"), u':'},
                                                               {QLatin1String("&tab;"), u'\t'},
                                                               {QLatin1String("&newline;"), u'\n'}};
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        char32_t c = value[i].unicode();
        if (c == u'&' && value.mid(i + 1).startsWith(u'#')) {
            const bool hex = i + 2 < value.size() && (value[i + 2].unicode() | 0x20) == u'x';
            const int base = hex ? 16 : 10;
            qsizetype j = i + (hex ? 3 : 2);
            const qsizetype digits = j;
            char32_t number = 0;
            for (; j < value.size() && digitValue(value[j], base) >= 0; ++j)
                number = qMin<char32_t>(number * base + digitValue(value[j], base), 0x110000);
            if (j > digits) {
                c = number < 0x110000 ? number : char32_t(QChar::ReplacementCharacter);
                i = j < value.size() && value[j] == u';' ? j : j - 1;
            }
        } else if (c == u'&') {
            for (const auto& [name, ch] : named) {
                if (value.mid(i).startsWith(name, Qt::CaseInsensitive)) {
                    c = ch;
                    i += name.size() - 1;
                    break;
                }
            }
        }
        if (c <= 0x20)
            continue;
        if (c >= u'A' && c <= u'Z')
            c |= 0x20;
        out += QString::fromUcs4(&c, 1);
    }
    return out;
}

// An event handler, a script address ("javascript:", "vbscript:" …) or a style that runs code in old
// browsers and help viewers.
bool isActiveAttribute(QStringView text, const HtmlAttribute& attribute) {
    const QStringView name = text.mid(attribute.start, attribute.nameLength);
    if (name.startsWith(QLatin1String("on"), Qt::CaseInsensitive))
        return true;
    if (attribute.valueStart < 0)
        return false;
    const QString value =
        normalizedValue(text.mid(attribute.valueStart, attribute.valueEnd - attribute.valueStart));
    if (value.contains(QLatin1String("script:")))
        return true;
    if (name.compare(QLatin1String("style"), Qt::CaseInsensitive) != 0)
        return false;
    for (const char* code : {"expression", "behavior", "binding", "\\", "/*"})
        if (value.contains(QLatin1String(code)))
            return true;
    return false;
}

} // namespace

std::optional<HtmlTag> readHtmlTag(QStringView text, qsizetype at) {
    const qsizetype n = text.size();
    if (at < 0 || at >= n || text[at] != u'<')
        return std::nullopt;
    HtmlTag tag;
    tag.start = at;
    qsizetype i = at + 1;
    if (i < n && text[i] == u'/') {
        tag.endTag = true;
        ++i;
    }
    if (i >= n || !isAsciiLetter(text[i]))
        return std::nullopt;
    const qsizetype nameStart = i;
    while (i < n && !isTagSpace(text[i]) && text[i] != u'/' && text[i] != u'>')
        ++i;
    tag.name = asciiLower(text.mid(nameStart, i - nameStart));
    for (;;) {
        while (i < n && (isTagSpace(text[i]) || text[i] == u'/'))
            ++i;
        if (i >= n)
            break;
        if (text[i] == u'>') {
            tag.closed = true;
            ++i;
            break;
        }
        HtmlAttribute attribute;
        attribute.start = i++; // a first "=" belongs to the name
        while (i < n && !isTagSpace(text[i]) && text[i] != u'/' && text[i] != u'>' && text[i] != u'=')
            ++i;
        attribute.nameLength = i - attribute.start;
        attribute.end = i;
        qsizetype j = i;
        while (j < n && isTagSpace(text[j]))
            ++j;
        if (j < n && text[j] == u'=') {
            ++j;
            while (j < n && isTagSpace(text[j]))
                ++j;
            if (j < n && (text[j] == u'"' || text[j] == u'\'')) {
                const qsizetype close = text.indexOf(text[j], j + 1);
                attribute.valueStart = j + 1;
                attribute.valueEnd = close < 0 ? n : close;
                attribute.end = close < 0 ? n : close + 1;
            } else {
                attribute.valueStart = j;
                while (j < n && !isTagSpace(text[j]) && text[j] != u'>')
                    ++j;
                attribute.valueEnd = attribute.end = j;
            }
            i = attribute.end;
        } else {
            i = j;
        }
        tag.attributes.append(attribute);
    }
    tag.end = i;
    return tag;
}

QString stripActiveContent(const QString& html, const QStringList& keptTags) {
    QString out;
    qsizetype copied = 0;
    auto copyUpTo = [&](qsizetype at) {
        if (out.isNull())
            out.reserve(html.size() + 16);
        out += QStringView(html).mid(copied, at - copied);
    };
    auto kept = [&keptTags](QStringView name) {
        return std::any_of(keptTags.begin(), keptTags.end(),
                           [name](const QString& t) { return name.compare(t, Qt::CaseInsensitive) == 0; });
    };
    qsizetype at = html.indexOf(u'<');
    while (at >= 0) {
        // Most tags of a chapter are bare line breaks and paragraphs.
        qsizetype letters = at + 1;
        while (letters < html.size() && isAsciiLetter(html.at(letters)))
            ++letters;
        if (letters > at + 1 && letters < html.size() && html.at(letters) == u'>' &&
            kept(QStringView(html).sliced(at + 1, letters - at - 1))) {
            at = html.indexOf(u'<', letters);
            continue;
        }
        const std::optional<HtmlTag> tag = readHtmlTag(html, at);
        if (tag && tag->closed && kept(tag->name)) {
            for (const HtmlAttribute& attribute : tag->attributes) {
                if (!isActiveAttribute(html, attribute))
                    continue;
                qsizetype next = attribute.end;
                while (isTagSpace(html.at(next)))
                    ++next;
                if (html.at(next) == u'=') {
                    // That "=" starts a name here; without the attribute it would give the one
                    // before a value. A "/" keeps it a name.
                    copyUpTo(attribute.start);
                    out += u'/';
                } else {
                    // The space before goes too where the space or ">" after keeps the neighbours apart.
                    qsizetype from = attribute.start;
                    if (next > attribute.end || html.at(next) == u'>')
                        while (from > copied && isTagSpace(html.at(from - 1)))
                            --from;
                    copyUpTo(from);
                }
                copied = attribute.end;
            }
            at = html.indexOf(u'<', tag->end);
            continue;
        }
        const QChar next = at + 1 < html.size() ? html.at(at + 1) : QChar();
        if (tag || next == u'/' || next == u'!' || next == u'?') {
            // Text from here on, as a parser then reads it: a "<" further on may still open a tag.
            copyUpTo(at);
            out += QLatin1String("&lt;");
            copied = at + 1;
        }
        at = html.indexOf(u'<', at + 1);
    }
    if (out.isNull())
        return html;
    out += QStringView(html).mid(copied);
    return out;
}
