#include "storage/markers.h"

namespace {

QString between(const QString& text, qsizetype startPos, const QString& start, const QString& end,
                bool strict) {
    if (startPos < 0)
        return {};
    const qsizetype from = startPos + start.size();
    const qsizetype endPos = text.indexOf(end, from, Qt::CaseInsensitive);
    if (endPos < 0)
        return strict ? QString() : trimSpaces(text.mid(from));
    return text.mid(from, endPos - from);
}

} // namespace

QString trimSpaces(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == u' ')
        ++begin;
    while (end > begin && text.at(end - 1) == u' ')
        --end;
    return text.mid(begin, end - begin);
}

QString getTextBetween(const QString& text, const QString& start, const QString& end) {
    if (text.isEmpty())
        return {};
    return between(text, text.indexOf(start, 0, Qt::CaseInsensitive), start, end, false);
}

QString getTextBetweenStrict(const QString& text, const QString& start, const QString& end) {
    if (text.isEmpty())
        return {};
    return between(text, text.indexOf(start, 0, Qt::CaseInsensitive), start, end, true);
}

QString getTextBetweenLast(const QString& text, const QString& start, const QString& end) {
    if (text.isEmpty())
        return {};
    return between(text, text.lastIndexOf(start, -1, Qt::CaseInsensitive), start, end, false);
}

QString getTextAfterLast(const QString& text, const QString& marker) {
    const qsizetype pos = text.lastIndexOf(marker, -1, Qt::CaseInsensitive);
    return pos < 0 || text.isEmpty() ? QString() : text.mid(pos + marker.size());
}

QString getTextBefore(const QString& text, const QString& marker) {
    const qsizetype pos = text.indexOf(marker, 0, Qt::CaseInsensitive);
    return pos < 0 || text.isEmpty() ? QString() : text.left(pos);
}

qsizetype indexOfIgnoringCase(QStringView text, QLatin1String literal, qsizetype from) {
    if (literal.isEmpty())
        return from <= text.size() ? from : -1;
    const QChar first(literal.front());
    if (first.isLetter())
        return text.indexOf(literal, from, Qt::CaseInsensitive);
    // Finding a character exactly is much faster than comparing every position without case.
    for (qsizetype at = text.indexOf(first, from); at >= 0 && at + literal.size() <= text.size();
         at = text.indexOf(first, at + 1))
        if (text.mid(at, literal.size()).compare(literal, Qt::CaseInsensitive) == 0)
            return at;
    return -1;
}
