#include "tools/textfinder.h"

namespace {

bool isCjk(char32_t c) {
    switch (QChar::script(c)) {
    case QChar::Script_Han:
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
    case QChar::Script_Hangul:
    case QChar::Script_Bopomofo:
        return true;
    default:
        return false;
    }
}

// A character that joins its neighbours into one word.
bool joins(char32_t c) {
    if (c == U'_')
        return true;
    return QChar::isLetterOrNumber(c) && !isCjk(c);
}

char32_t codePointBefore(const QString& text, qsizetype pos) {
    if (pos <= 0)
        return 0;
    const QChar low = text.at(pos - 1);
    if (low.isLowSurrogate() && pos >= 2 && text.at(pos - 2).isHighSurrogate())
        return QChar::surrogateToUcs4(text.at(pos - 2), low);
    return low.unicode();
}

char32_t codePointAt(const QString& text, qsizetype pos) {
    if (pos >= text.size())
        return 0;
    const QChar high = text.at(pos);
    if (high.isHighSurrogate() && pos + 1 < text.size() && text.at(pos + 1).isLowSurrogate())
        return QChar::surrogateToUcs4(high, text.at(pos + 1));
    return high.unicode();
}

bool boundaryAt(const QString& text, qsizetype pos) {
    return !(joins(codePointBefore(text, pos)) && joins(codePointAt(text, pos)));
}

} // namespace

namespace TextFinder {

qsizetype find(const QString& text, const QString& needle, qsizetype from, const Options& options) {
    if (needle.isEmpty())
        return -1;
    const Qt::CaseSensitivity cs = options.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    for (qsizetype pos = text.indexOf(needle, qMax<qsizetype>(from, 0), cs); pos >= 0;
         pos = text.indexOf(needle, pos + 1, cs)) {
        if (!options.wholeWord || (boundaryAt(text, pos) && boundaryAt(text, pos + needle.size())))
            return pos;
    }
    return -1;
}

Match findNext(const QString& text, const QString& needle, qsizetype from, const Options& options,
               bool wrap) {
    Match match;
    match.position = find(text, needle, from, options);
    if (match.position < 0 && wrap && from > 0) {
        match.position = find(text, needle, 0, options);
        match.wrapped = match.position >= 0;
    }
    return match;
}

bool isMatch(const QString& selected, const QString& needle, const Options& options) {
    if (needle.isEmpty())
        return false;
    return selected.compare(needle, options.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive) == 0;
}

bool replaceSelection(QString& text, qsizetype start, qsizetype length, const QString& needle,
                      const QString& replacement, const Options& options) {
    if (start < 0 || length < 0 || start + length > text.size())
        return false;
    if (!isMatch(text.mid(start, length), needle, options))
        return false;
    text.replace(start, length, replacement);
    return true;
}

int replaceAll(QString& text, const QString& needle, const QString& replacement, const Options& options) {
    int replaced = 0;
    for (qsizetype pos = find(text, needle, 0, options); pos >= 0;
         pos = find(text, needle, pos + replacement.size(), options)) {
        text.replace(pos, needle.size(), replacement);
        ++replaced;
    }
    return replaced;
}

} // namespace TextFinder
