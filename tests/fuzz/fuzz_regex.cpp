// The regular-expression layer with any pattern, text and replacement: an error or a result, never a
// crash or a hang; and what compiles behaves like a search.
#include "fuzzinput.h"

#include "text/regex.h"

#include <QRegularExpression>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QList<QString> t = fuzzTexts(data, size, 3);
    const QString& pattern = t.at(0);
    const QString& text = t.at(1);
    const QString& replacement = t.at(2);

    QString error;
    // Where the dialect and the line rules cannot differ, the first match is the plain engine's: the
    // layer's shortcuts (jumping to a literal start) must never skip one.
    const bool plainDialect = !pattern.contains(u'\\') && !pattern.contains(u'.') && !pattern.contains(u'$') &&
                              !pattern.contains(u'^') && !pattern.contains(u'#') &&
                              !text.contains(u'\r') && !text.contains(u'\n') && text.isValidUtf16() &&
                              pattern.isValidUtf16();
    if (plainDialect) {
        const QRegularExpression plain(pattern, QRegularExpression::CaseInsensitiveOption);
        const QList<RegexMatch> found = regexMatches(text, pattern, &error);
        if (plain.isValid() && error.isEmpty()) {
            const QRegularExpressionMatch m = plain.match(text);
            fuzzCheck(m.hasMatch() == !found.isEmpty());
            if (m.hasMatch())
                fuzzCheck(found.first().start == m.capturedStart() && found.first().length == m.capturedLength());
        }
    }
    const QString same = regexReplace(pattern, text, QStringLiteral("$&"), &error);
    if (error.isEmpty()) {
        // Lone surrogates are the one thing the layer changes.
        fuzzCheck(same == text || same.size() == text.size());
        qsizetype last = 0;
        for (const RegexMatch& m : regexMatches(text, pattern, &error)) {
            fuzzCheck(m.start >= last && m.start + m.length <= text.size());
            last = m.start + m.length;
        }
    } else {
        fuzzCheck(same == text);
    }
    regexReplace(pattern, text, replacement);
    regexMatchList(text, pattern);
    regexMatchValues(text, escapeRegex(pattern));
    return 0;
}
