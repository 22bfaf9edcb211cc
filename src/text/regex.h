#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Regular expressions the way site signs, filter lists and the search window write them: always
// case-insensitive and global; non-greedy quantifiers, back-references, "[\s\S]", "\x22" and
// "\u4E2D"; "." stops at CR and LF. Replacement texts use "$1".."$99", "$&" (the match) and "$$".
//
// Patterns come from users, so every function takes an optional error out-parameter: a pattern that
// does not compile, or one that backtracks without end, sets it (cleared on success) and gives no
// match at all — the text comes back unchanged, the lists empty. Nothing here hangs or crashes.

struct RegexMatch {
    qsizetype start = 0;
    qsizetype length = 0;
    QStringList captures; // captures[0] is the whole match; a group that took no part is empty
};

// Empty when the pattern compiles, else a message naming the problem.
QString regexPatternError(const QString& pattern);

// Every match, in order.
QList<RegexMatch> regexMatches(const QString& text, const QString& pattern, QString* error = nullptr);
// The value of every match, in order.
QStringList regexMatchValues(const QString& text, const QString& pattern, QString* error = nullptr);
// The value of every match, each followed by "||"; "" when nothing matches.
QString regexMatchList(const QString& text, const QString& pattern, QString* error = nullptr);
// Every match replaced by the replacement text.
QString regexReplace(const QString& pattern, const QString& text, const QString& replacement,
                     QString* error = nullptr);
// Every match replaced by what make returns for it.
QString regexReplaceEach(const QString& pattern, const QString& text,
                         const std::function<QString(const RegexMatch&)>& make, QString* error = nullptr);
// Every match removed.
QString regexRemove(const QString& pattern, const QString& text, QString* error = nullptr);

// A pattern that matches the text literally: every character of "\()[]?^$*+{}|." gets a backslash.
QString escapeRegex(const QString& text);
