#include "text/regex.h"

#include "text/markers.h"

#include <QElapsedTimer>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

// Backtracking steps one search may take: a scan of some tens of millions of characters, or well
// under a second of runaway backtracking. Memory for the non-JIT matcher is capped too (KiB).
constexpr int kMatchLimit = 50'000'000;
constexpr int kHeapLimitKiB = 64 * 1024;
// A pattern can stay under the step limit at each search and still crawl through a long text; past
// this much time the whole call gives up. Generous and growing with the text, so that a slow or
// busy machine never turns an honest match on a long page into a failure.
constexpr qint64 kTimeBudgetMs = 10000;
constexpr qint64 kCharsPerExtraMs = 128;

const QString kRunaway = QStringLiteral("正则表达式匹配超出限度，已放弃匹配");

struct Compiled {
    QRegularExpression re;
    // The pattern is wrapped as ".*?\K(?:pattern)" and run anchored, so one step limit covers the
    // whole way to the next match instead of each start position on its own.
    bool anchoredScan = false;
    // ASCII text every match starts with; the scan jumps to it instead of stepping there.
    QByteArray prefix;
    int captureCount = 0;
    QString error;
};

// "\u4E2D" → "\x{4E2D}"; origins maps each character of the result back to the pattern for error
// positions.
QString translateDialect(const QString& pattern, QList<qsizetype>& origins) {
    QString out;
    out.reserve(pattern.size() + 8);
    origins.clear();
    auto isHex = [](QChar c) { return c.isDigit() || (c.toLower() >= u'a' && c.toLower() <= u'f'); };
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        if (pattern.at(i) != u'\\' || i + 1 >= pattern.size()) {
            out += pattern.at(i);
            origins.append(i);
            continue;
        }
        if (pattern.at(i + 1) == u'u' && i + 5 < pattern.size() && isHex(pattern.at(i + 2)) &&
            isHex(pattern.at(i + 3)) && isHex(pattern.at(i + 4)) && isHex(pattern.at(i + 5))) {
            const QString escape = QStringLiteral("\\x{") + pattern.mid(i + 2, 4) + u'}';
            out += escape;
            for (qsizetype k = 0; k < escape.size(); ++k)
                origins.append(i);
            i += 5;
            continue;
        }
        out += pattern.at(i);
        out += pattern.at(i + 1);
        origins.append(i);
        origins.append(i + 1);
        ++i;
    }
    return out;
}

// Constructs whose meaning changes inside the scan wrapper; such patterns run unwrapped.
bool needsDirectMatching(const QString& pattern) {
    static const QRegularExpression extendedMode(QStringLiteral("\\(\\?\\^?[a-zA-Z-]*x"));
    return pattern.contains(QLatin1String("(*")) || pattern.contains(QLatin1String("\\G")) ||
           pattern.contains(QLatin1String("(?R")) || pattern.contains(QLatin1String("(?0")) ||
           pattern.contains(QLatin1String("<0>")) || pattern.contains(QLatin1String("'0'")) ||
           pattern.contains(extendedMode);
}

bool hasTopLevelAlternative(const QString& pattern) {
    int depth = 0;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c == u'\\') {
            ++i;
        } else if (c == u'[') {
            // A class ends at the first "]" that is not its first character or escaped.
            qsizetype k = i + 1;
            if (k < pattern.size() && pattern.at(k) == u'^')
                ++k;
            if (k < pattern.size() && pattern.at(k) == u']')
                ++k;
            while (k < pattern.size() && pattern.at(k) != u']')
                k += pattern.at(k) == u'\\' ? 2 : 1;
            i = k;
        } else if (c == u'(') {
            ++depth;
        } else if (c == u')') {
            depth = qMax(0, depth - 1);
        } else if (c == u'|' && depth == 0) {
            return true;
        }
    }
    return false;
}

// The literal ASCII characters a match must start with, "" when that is not certain.
QByteArray literalPrefix(const QString& pattern) {
    if (pattern.contains(QLatin1String("\\Q")) || hasTopLevelAlternative(pattern))
        return {}; // an alternative may start otherwise
    static const QString special = QStringLiteral("\\^$.|?*+()[]{}#");
    QByteArray prefix;
    for (const QChar c : pattern) {
        if (c.unicode() > 0x7F || special.contains(c) || c.isSpace())
            break;
        prefix += char(c.unicode());
    }
    // A quantifier after the literal applies to its last character.
    const qsizetype next = prefix.size();
    if (next < pattern.size() && QStringLiteral("?*{").contains(pattern.at(next)))
        prefix.chop(1);
    return prefix;
}


QString limits() {
    return QStringLiteral("(*LIMIT_MATCH=%1)(*LIMIT_HEAP=%2)(*ANYCRLF)").arg(kMatchLimit).arg(kHeapLimitKiB);
}

std::shared_ptr<const Compiled> compileUncached(const QString& pattern) {
    auto compiled = std::make_shared<Compiled>();
    QList<qsizetype> origins;
    const QString translated = translateDialect(pattern, origins);
    const auto options = QRegularExpression::CaseInsensitiveOption;

    const QRegularExpression plain(translated, options);
    if (!plain.isValid()) {
        const qsizetype at = plain.patternErrorOffset();
        const qsizetype position = at >= 0 && at < origins.size() ? origins.at(at) : pattern.size();
        compiled->error =
            QStringLiteral("正则表达式有误：%1（第 %2 个字符）").arg(plain.errorString()).arg(position + 1);
        return compiled;
    }
    compiled->captureCount = plain.captureCount();

    if (!needsDirectMatching(translated)) {
        QRegularExpression wrapped(
            limits() + QStringLiteral("(?s:.*?)\\K(?:") + translated + QStringLiteral("\\E)"), options);
        if (wrapped.isValid() && wrapped.captureCount() == compiled->captureCount) {
            compiled->re = wrapped;
            compiled->anchoredScan = true;
            compiled->prefix = literalPrefix(translated);
            return compiled;
        }
    }
    QRegularExpression direct(limits() + translated, options);
    if (!direct.isValid()) {
        compiled->error = QStringLiteral("正则表达式有误：%1").arg(direct.errorString());
        return compiled;
    }
    compiled->re = direct;
    return compiled;
}

std::shared_ptr<const Compiled> compile(const QString& pattern) {
    // Callers run the same few patterns over many chapters.
    thread_local QHash<QString, std::shared_ptr<const Compiled>> cache;
    const auto found = cache.constFind(pattern);
    if (found != cache.constEnd())
        return found.value();
    if (cache.size() >= 256)
        cache.clear();
    auto compiled = compileUncached(pattern);
    cache.insert(pattern, compiled);
    return compiled;
}

// PCRE2 refuses text with unpaired surrogates; they stand for no character anyway.
QString withoutLoneSurrogates(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!c.isSurrogate())
            continue;
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;
            continue;
        }
        QString copy = text;
        for (qsizetype k = i; k < copy.size(); ++k) {
            const QChar d = copy.at(k);
            if (d.isHighSurrogate() && k + 1 < copy.size() && copy.at(k + 1).isLowSurrogate())
                ++k;
            else if (d.isSurrogate())
                copy[k] = QChar::ReplacementCharacter;
        }
        return copy;
    }
    return text;
}

void setError(QString* error, const QString& message) {
    if (error)
        *error = message;
}

// Calls found for every match, left to right. After an empty match the search goes on one
// character further, as the script engine does. False, with the error set, when the pattern is bad
// or runs away; found has then seen nothing or only some matches, which the callers drop.
bool scan(const Compiled& compiled, const QString& text,
          const std::function<void(const QRegularExpressionMatch&)>& found, QString* error) {
    if (!compiled.error.isEmpty()) {
        setError(error, compiled.error);
        return false;
    }
    QRegularExpression::MatchOptions options = QRegularExpression::DontCheckSubjectStringMatchOption;
    if (compiled.anchoredScan)
        options |= QRegularExpression::AnchorAtOffsetMatchOption;
    QElapsedTimer clock;
    clock.start();
    qsizetype offset = 0;
    while (offset <= text.size()) {
        if (!compiled.prefix.isEmpty()) {
            offset = indexOfIgnoringCase(text, QLatin1String(compiled.prefix), offset);
            if (offset < 0)
                break;
        }
        const QRegularExpressionMatch m =
            compiled.re.match(text, offset, QRegularExpression::NormalMatch, options);
        if (!m.isValid()) {
            setError(error, kRunaway);
            return false;
        }
        if (!m.hasMatch())
            break;
        found(m);
        const qsizetype end = m.capturedEnd(0);
        if (m.capturedLength(0) > 0 && end > offset) {
            offset = end;
        } else {
            offset = std::max(end, offset);
            if (offset < text.size() && text.at(offset).isHighSurrogate())
                ++offset;
            ++offset;
        }
        if (clock.elapsed() > kTimeBudgetMs + text.size() / kCharsPerExtraMs) {
            setError(error, kRunaway);
            return false;
        }
    }
    setError(error, QString());
    return true;
}

// A replacement text cut into literal pieces and group references (-1: literal).
struct Piece {
    int group = -1;
    QString literal;
};

QList<Piece> parseReplacement(const QString& replacement, int captureCount) {
    QList<Piece> pieces;
    QString literal;
    auto flush = [&]() {
        if (!literal.isEmpty())
            pieces.append({-1, literal});
        literal.clear();
    };
    for (qsizetype i = 0; i < replacement.size(); ++i) {
        const QChar c = replacement.at(i);
        if (c != u'$' || i + 1 >= replacement.size()) {
            literal += c;
            continue;
        }
        const QChar next = replacement.at(i + 1);
        if (next == u'$') {
            literal += u'$';
            ++i;
        } else if (next == u'&') {
            flush();
            pieces.append({0, QString()});
            ++i;
        } else if (next.isDigit() && next != u'0') {
            int group = next.digitValue();
            int used = 1;
            if (i + 2 < replacement.size() && replacement.at(i + 2).isDigit()) {
                const int two = group * 10 + replacement.at(i + 2).digitValue();
                if (two <= captureCount) {
                    group = two;
                    used = 2;
                }
            }
            if (group > captureCount) {
                literal += c;
                continue;
            }
            flush();
            pieces.append({group, QString()});
            i += used;
        } else {
            literal += c;
        }
    }
    flush();
    return pieces;
}

} // namespace

QString regexPatternError(const QString& pattern) {
    return compile(pattern)->error;
}

QList<RegexMatch> regexMatches(const QString& text, const QString& pattern, QString* error) {
    const auto compiled = compile(pattern);
    const QString subject = withoutLoneSurrogates(text);
    QList<RegexMatch> matches;
    const bool ok = scan(
        *compiled, subject,
        [&](const QRegularExpressionMatch& m) {
            RegexMatch match;
            match.start = m.capturedStart(0);
            match.length = m.capturedLength(0);
            for (int g = 0; g <= compiled->captureCount; ++g)
                match.captures.append(m.captured(g));
            matches.append(match);
        },
        error);
    return ok ? matches : QList<RegexMatch>();
}

QStringList regexMatchValues(const QString& text, const QString& pattern, QString* error) {
    const auto compiled = compile(pattern);
    QStringList values;
    const bool ok = scan(
        *compiled, withoutLoneSurrogates(text),
        [&](const QRegularExpressionMatch& m) { values.append(m.captured(0)); }, error);
    return ok ? values : QStringList();
}

QString regexMatchList(const QString& text, const QString& pattern, QString* error) {
    QString list;
    for (const QString& value : regexMatchValues(text, pattern, error))
        list += value + QLatin1String("||");
    return list;
}

QString regexReplaceEach(const QString& pattern, const QString& text,
                         const std::function<QString(const RegexMatch&)>& make, QString* error) {
    const QList<RegexMatch> matches = regexMatches(text, pattern, error);
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

QString regexReplace(const QString& pattern, const QString& text, const QString& replacement,
                     QString* error) {
    const auto compiled = compile(pattern);
    if (!compiled->error.isEmpty()) {
        setError(error, compiled->error);
        return text;
    }
    const QString subject = withoutLoneSurrogates(text);
    const QList<Piece> pieces = parseReplacement(replacement, compiled->captureCount);
    QString out;
    out.reserve(subject.size());
    qsizetype copied = 0;
    const bool ok = scan(
        *compiled, subject,
        [&](const QRegularExpressionMatch& m) {
            out += QStringView(subject).mid(copied, m.capturedStart(0) - copied);
            for (const Piece& piece : pieces)
                out += piece.group < 0 ? piece.literal : m.captured(piece.group);
            copied = m.capturedEnd(0);
        },
        error);
    if (!ok)
        return text;
    out += QStringView(subject).mid(copied);
    return out;
}

QString regexRemove(const QString& pattern, const QString& text, QString* error) {
    return regexReplace(pattern, text, QString(), error);
}

QString escapeRegex(const QString& text) {
    static const QString special = QStringLiteral("\\()[]?^$*+{}|.");
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        if (special.contains(c))
            out += u'\\';
        out += c;
    }
    return out;
}
