#include "text/markers.h"

#include <QVarLengthArray>

namespace {

QString between(const QString& text, qsizetype startPos, const QString& start, const QString& end,
                bool strict) {
    if (startPos < 0)
        return {};
    const qsizetype from = startPos + start.size();
    const qsizetype endPos = indexOfIgnoringCase(text, end, from);
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
    return between(text, indexOfIgnoringCase(text, start), start, end, false);
}

QString getTextBetweenStrict(const QString& text, const QString& start, const QString& end) {
    if (text.isEmpty())
        return {};
    return between(text, indexOfIgnoringCase(text, start), start, end, true);
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
    const qsizetype pos = indexOfIgnoringCase(text, marker);
    return pos < 0 || text.isEmpty() ? QString() : text.left(pos);
}

namespace {

constexpr char16_t kNoMatch = 0xffff;

// Han characters, kana, CJK punctuation: no case, and nothing folds into them.
inline bool isCaselessCjk(char16_t c) {
    return (c >= 0x2e80 && c <= 0x9fff) || (c >= 0xf900 && c <= 0xfaff);
}

// What a text character folds to under simple case folding, as far as a needle of ASCII and caseless
// CJK characters can tell; kNoMatch for the rest. Besides ASCII only the Kelvin sign and the long s
// fold into ASCII.
inline char16_t folded(char16_t c) {
    if (c < 0x80)
        return c >= u'A' && c <= u'Z' ? char16_t(c | 0x20) : c;
    if (isCaselessCjk(c))
        return c;
    if (c == 0x212a)
        return u'k';
    if (c == 0x017f)
        return u's';
    return kNoMatch;
}

inline bool isAsciiLetter(char16_t c) {
    return (c | 0x20) >= u'a' && (c | 0x20) <= u'z';
}

// needle: already folded.
inline bool matchesAt(const char16_t* text, const char16_t* needle, qsizetype size) {
    for (qsizetype i = 0; i < size; ++i)
        if (folded(text[i]) != needle[i])
            return false;
    return true;
}

template <typename Needle>
qsizetype findIgnoringCase(QStringView text, Needle needle, qsizetype from) {
    const qsizetype n = needle.size();
    if (from < 0 || from > text.size())
        return -1;
    if (n == 0)
        return from;
    QVarLengthArray<char16_t, 64> folding(n);
    qsizetype anchor = -1; // the first character without case: found by the fast exact search
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = QChar(needle.at(i)).unicode();
        if (c >= 0x80 && !isCaselessCjk(c))
            return text.indexOf(needle, from, Qt::CaseInsensitive);
        folding[i] = folded(c);
        if (anchor < 0 && !isAsciiLetter(c))
            anchor = i;
    }
    const char16_t* data = text.utf16();
    const qsizetype last = text.size() - n; // the last place a match can start
    if (anchor >= 0) {
        const QChar exact(folding[anchor]);
        for (qsizetype at = text.indexOf(exact, from + anchor); at >= 0 && at - anchor <= last;
             at = text.indexOf(exact, at + 1))
            if (matchesAt(data + at - anchor, folding.constData(), n))
                return at - anchor;
        return -1;
    }
    const char16_t first = folding[0];
    if (first == u'k' || first == u's') { // also hiding behind the Kelvin sign and the long s
        for (qsizetype at = from; at <= last; ++at)
            if (folded(data[at]) == first && matchesAt(data + at, folding.constData(), n))
                return at;
        return -1;
    }
    // Letters only: the first letter in either case, each found by the fast exact search.
    const QChar lower(first);
    const QChar upper(first ^ 0x20);
    qsizetype nextLower = text.indexOf(lower, from);
    qsizetype nextUpper = text.indexOf(upper, from);
    for (;;) {
        const qsizetype at = nextLower < 0 ? nextUpper : nextUpper < 0 ? nextLower : qMin(nextLower, nextUpper);
        if (at < 0 || at > last)
            return -1;
        if (matchesAt(data + at, folding.constData(), n))
            return at;
        if (at == nextLower)
            nextLower = text.indexOf(lower, at + 1);
        else
            nextUpper = text.indexOf(upper, at + 1);
    }
}

} // namespace

qsizetype indexOfIgnoringCase(QStringView text, QStringView needle, qsizetype from) {
    return findIgnoringCase(text, needle, from);
}

qsizetype indexOfIgnoringCase(QStringView text, QLatin1String needle, qsizetype from) {
    return findIgnoringCase(text, needle, from);
}

bool matchesIgnoringCaseAt(QStringView text, qsizetype at, QLatin1String needle) {
    if (at < 0 || at > text.size() - needle.size())
        return false;
    for (qsizetype i = 0; i < needle.size(); ++i) {
        const char16_t c = char16_t(uchar(needle.at(i).toLatin1()));
        if (folded(text[at + i].unicode()) != (c >= u'A' && c <= u'Z' ? char16_t(c | 0x20) : c))
            return false;
    }
    return true;
}

QString replaceAll(const QString& text, QStringView needle, QStringView by) {
    Q_ASSERT(!needle.isEmpty());
    const QStringView view(text);
    QString out;
    qsizetype copied = 0;
    for (qsizetype at = view.indexOf(needle.front()); at >= 0; at = view.indexOf(needle.front(), at)) {
        if (!view.mid(at).startsWith(needle)) {
            ++at;
            continue;
        }
        if (out.isNull())
            out.reserve(text.size() + by.size() - needle.size());
        out += view.mid(copied, at - copied);
        out += by;
        at += needle.size();
        copied = at;
    }
    if (copied == 0)
        return text;
    out += view.mid(copied);
    return out;
}

QString replaceIgnoringCase(const QString& text, QLatin1String needle, QStringView by) {
    Q_ASSERT(!needle.isEmpty());
    qsizetype at = findIgnoringCase(text, needle, 0);
    if (at < 0)
        return text;
    QString out;
    out.reserve(text.size());
    qsizetype copied = 0;
    for (; at >= 0; at = findIgnoringCase(text, needle, copied)) {
        out += QStringView(text).mid(copied, at - copied);
        out += by;
        copied = at + needle.size();
    }
    out += QStringView(text).mid(copied);
    return out;
}

quint32 tagOpenersIn(QStringView text, const QLatin1String* openers, qsizetype count, bool firstOnly) {
    Q_ASSERT(count <= 32);
    quint32 found = 0;
    for (qsizetype at = text.indexOf(u'<'); at >= 0 && at + 1 < text.size();
         at = text.indexOf(u'<', at + 1)) {
        const char16_t next = folded(text[at + 1].unicode());
        for (qsizetype i = 0; i < count; ++i) {
            const char16_t second = char16_t(uchar(openers[i].at(1).toLatin1()));
            if (next != (second >= u'A' && second <= u'Z' ? char16_t(second | 0x20) : second) ||
                !matchesIgnoringCaseAt(text, at, openers[i]))
                continue;
            found |= 1u << i;
            if (firstOnly)
                return found;
        }
    }
    return found;
}

NeedlesIgnoringCase::NeedlesIgnoringCase(const QStringList& needles) {
    for (const QString& needle : needles) {
        if (needle.isEmpty()) {
            m_empty = true;
            continue;
        }
        QString folding(needle.size(), Qt::Uninitialized);
        bool fast = true;
        for (qsizetype i = 0; i < needle.size() && fast; ++i) {
            const char16_t c = needle.at(i).unicode();
            fast = c < 0x80 || isCaselessCjk(c);
            folding[i] = QChar(folded(c));
        }
        if (!fast) {
            m_others.append(needle);
            continue;
        }
        const char16_t first = folding.at(0).unicode();
        if (first < 0x80)
            m_ascii[first >> 6] |= quint64(1) << (first & 63);
        m_folded.append(folding);
    }
}

bool NeedlesIgnoringCase::foundIn(QStringView text) const {
    if (m_empty)
        return true;
    const char16_t* data = text.utf16();
    const qsizetype n = text.size();
    for (qsizetype at = 0; at < n && !m_folded.isEmpty(); ++at) {
        const char16_t c = folded(data[at]);
        if (c == kNoMatch || (c < 0x80 && !(m_ascii[c >> 6] & (quint64(1) << (c & 63)))))
            continue;
        for (const QString& needle : m_folded) {
            if (needle.at(0).unicode() == c && needle.size() <= n - at &&
                matchesAt(data + at, reinterpret_cast<const char16_t*>(needle.utf16()), needle.size()))
                return true;
        }
    }
    for (const QString& needle : m_others)
        if (indexOfIgnoringCase(text, needle) >= 0)
            return true;
    return false;
}
