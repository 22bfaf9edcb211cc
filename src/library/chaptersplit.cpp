#include "library/chaptersplit.h"

#include "text/html.h"
#include "text/regex.h"

namespace ChapterSplit {

Pieces byPattern(const QString& text, const QString& pattern) {
    Pieces result;
    const QList<RegexMatch> matches = regexMatches(text, pattern, &result.error);
    if (!result.error.isEmpty())
        return result;
    qsizetype from = 0;
    for (const RegexMatch& m : matches) {
        // An empty match would make pieces out of nothing.
        if (m.length == 0 || m.start < from)
            continue;
        result.pieces.append(text.mid(from, m.start - from));
        from = m.start;
        ++result.matches;
    }
    result.pieces.append(text.mid(from));
    return result;
}

namespace {

// Where the construct around pos (a tag, an entity, a surrogate pair) begins and ends; begin == pos
// when pos falls inside none of them.
std::pair<qsizetype, qsizetype> constructAround(const QString& text, qsizetype from, qsizetype pos) {
    if (pos <= from || pos >= text.size())
        return {pos, pos};
    // Inside a tag: a "<" after the last ">" before pos.
    const qsizetype lt = text.lastIndexOf(u'<', pos - 1);
    if (lt >= from && text.lastIndexOf(u'>', pos - 1) < lt) {
        const qsizetype gt = text.indexOf(u'>', pos);
        return {lt, gt < 0 ? text.size() : gt + 1};
    }
    // Inside an entity: "&" followed by name characters up to ";".
    const qsizetype amp = text.lastIndexOf(u'&', pos - 1);
    if (amp >= from && pos - amp <= 10) {
        qsizetype i = amp + 1;
        while (i < text.size() && i - amp <= 10 && (text.at(i).isLetterOrNumber() || text.at(i) == u'#') &&
               text.at(i).unicode() < 128)
            ++i;
        if (i < text.size() && text.at(i) == u';' && i >= pos)
            return {amp, i + 1};
    }
    if (text.at(pos).isLowSurrogate() && text.at(pos - 1).isHighSurrogate())
        return {pos - 1, pos + 1};
    return {pos, pos};
}

} // namespace

QStringList bySize(const QString& text, int size) {
    QStringList pieces;
    if (size <= 0)
        return pieces;
    qsizetype from = 0;
    while (from < text.size()) {
        qsizetype cut = std::min<qsizetype>(from + size, text.size());
        const auto [begin, end] = constructAround(text, from, cut);
        if (begin != cut)
            cut = begin > from ? begin : end;
        pieces.append(text.mid(from, cut - from));
        from = cut;
    }
    return pieces;
}

QString pieceTitle(const QString& piece) {
    // "&nbsp;" indents paragraphs: as a space it is trimmed away like any other.
    QString title = decodeHtmlEntities(regexRemove(QStringLiteral("<[\\s\\S]+?>"), piece));
    for (const QChar c : {u'\r', u'\n', u'\t', u'<', u'>'})
        title.remove(c);
    title = title.trimmed();
    const qsizetype spaces = title.indexOf(QLatin1String("    "), 3);
    if (spaces >= 0)
        title = title.left(spaces);
    const QString stops = QStringLiteral("<，：！。？…?!:~─");
    for (qsizetype i = 0; i < title.size(); ++i) {
        if (stops.contains(title.at(i))) {
            title = title.left(i);
            break;
        }
    }
    return title.trimmed();
}

} // namespace ChapterSplit
