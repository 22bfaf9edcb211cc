#include "tools/findresultpage.h"

#include "text/charset.h"
#include "text/html.h"

namespace {

const QString kCrLf = QStringLiteral("\r\n");

bool isBig5(const QString& charsetSetting) {
    return codecForCharset(charsetSetting) == "Big5";
}

QString link(qint64 chapterId, const QString& innerHtml) {
    return QLatin1String("<a href=\"") + QString::number(chapterId) + QLatin1String(".htm\">") + innerHtml +
           QLatin1String("</a><br>");
}

} // namespace

namespace FindResultPage {

QList<TextLine> textLines(const QString& page, const QString& find) {
    QList<TextLine> lines;
    if (find.isEmpty() || !page.contains(find))
        return lines;
    const QString plain = htmlToPlainText(page);
    // No line holds a line break.
    if (find.contains(u'\r') || find.contains(u'\n') || !plain.contains(find))
        return lines;
    // Lines end at CR LF, CR or LF; the text is looked for in the whole and the lines counted up to
    // each hit, which is quicker than a search per line.
    const auto isBreak = [](QChar c) { return c == u'\r' || c == u'\n'; };
    int number = 0;
    qsizetype lineStart = 0;
    qsizetype at = plain.indexOf(find);
    while (at >= 0) {
        for (qsizetype i = lineStart; i < at; ++i) {
            if (!isBreak(plain.at(i)))
                continue;
            if (plain.at(i) == u'\r' && i + 1 < plain.size() && plain.at(i + 1) == u'\n')
                ++i;
            ++number;
            lineStart = i + 1;
        }
        qsizetype end = at;
        while (end < plain.size() && !isBreak(plain.at(end)))
            ++end;
        lines.append({number, plain.mid(lineStart, end - lineStart)});
        at = plain.indexOf(find, end);
        lineStart = end; // the break at the end is counted with the next hit
    }
    return lines;
}

QString lineLabel(const TextLine& line) {
    return QStringLiteral("行 ") + QString::number(line.number) + QLatin1String(" - ") + line.text;
}

QString highlighted(const QString& text, const QStringList& marks) {
    QString out;
    qsizetype from = 0;
    while (from < text.size()) {
        qsizetype best = -1;
        qsizetype bestLength = 0;
        for (const QString& mark : marks) {
            if (mark.isEmpty())
                continue;
            const qsizetype at = text.indexOf(mark, from);
            if (at >= 0 && (best < 0 || at < best || (at == best && mark.size() > bestLength))) {
                best = at;
                bestLength = mark.size();
            }
        }
        if (best < 0)
            break;
        out += text.mid(from, best - from).toHtmlEscaped();
        out += QLatin1String("<font color=red>") + text.mid(best, bestLength).toHtmlEscaped() +
               QLatin1String("</font>");
        from = best + bestLength;
    }
    out += text.mid(from).toHtmlEscaped();
    return out;
}

QString titleEntry(qint64 chapterId, const QString& title) {
    return link(chapterId, title.toHtmlEscaped()) + kCrLf;
}

QString volumeEntry(qint64 chapterId, const QString& title, const QString& volume) {
    return link(chapterId, title.toHtmlEscaped() + u' ' + volume.toHtmlEscaped()) + kCrLf;
}

QString comeFromEntry(qint64 chapterId, const QString& title, const QString& address) {
    return link(chapterId, title.toHtmlEscaped() + u'(' + address.toHtmlEscaped() + u')') + kCrLf;
}

QString textEntry(qint64 chapterId, const QString& title, const QList<TextLine>& lines, const QString& find) {
    QString out = titleEntry(chapterId, title);
    for (const TextLine& line : lines) {
        out += QStringLiteral("行 ") + QString::number(line.number) + QLatin1String(" - ") +
               highlighted(line.text, {find}) + QLatin1String("<br>") + kCrLf;
    }
    return out;
}

QString matchesEntry(qint64 chapterId, const QString& title, const QStringList& matches, const QString& start,
                     const QString& end) {
    QStringList shown;
    shown.reserve(matches.size());
    for (const QString& match : matches)
        shown.append(highlighted(match, {start, end}));
    return link(chapterId, title.toHtmlEscaped()) + QLatin1String("------") + kCrLf +
           shown.join(QLatin1String("<br><br>------")) + QLatin1String("<br><br>") + kCrLf;
}

QString html(const QStringList& entries, const QString& bgColor, const QString& charsetSetting) {
    const QString color = bgColor.trimmed().isEmpty() ? QStringLiteral("#E7F4FE") : bgColor.trimmed();
    QString out = QLatin1String("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=") +
                  (isBig5(charsetSetting) ? QLatin1String("big5") : QLatin1String("gb2312")) +
                  QLatin1String("\">");
    out += QStringLiteral("<title>搜索结果</title><style type=\"text/css\"><!--body{  font-size: 10.5pt; "
                          "line-height: 17pt;Font-FAMILY: 宋体}--></style><body bgcolor=\"") +
           color.toHtmlEscaped() + QLatin1String("\">");
    if (entries.isEmpty())
        return out + QStringLiteral("搜索完毕，没有结果可显示。");
    out += QStringLiteral("搜索结果:") + kCrLf;
    for (const QString& entry : entries)
        out += entry;
    return out;
}

QByteArray bytes(const QString& html, const QString& charsetSetting) {
    return encodeHtmlForCharset(html,
                                isBig5(charsetSetting) ? QStringLiteral("big5") : QStringLiteral("gb2312"));
}

} // namespace FindResultPage
