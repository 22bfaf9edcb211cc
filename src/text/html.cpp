#include "text/html.h"

#include "text/charset.h"
#include "text/innertext.h"
#include "text/markers.h"
#include "text/regex.h"

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

QString getStyledPageContent(const QString& html) {
    if (!html.contains(kStyledPageComment))
        return QStringLiteral("-1");
    const QString content = getTextBetweenStrict(html, kBookContentStart, kBookContentEnd);
    if (content.isEmpty())
        return QStringLiteral("-1");
    return formatParagraphs(content);
}
