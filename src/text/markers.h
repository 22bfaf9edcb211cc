#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <array>

// Cutting text between markers. Markers are found ignoring letter case; what comes back keeps the
// case of the text.

// After the first start marker up to the first end marker after it; "" without the start marker;
// everything after the start marker, trimmed of spaces, without the end marker.
QString getTextBetween(const QString& text, const QString& start, const QString& end);
// As getTextBetween, but "" when the end marker is missing.
QString getTextBetweenStrict(const QString& text, const QString& start, const QString& end);
// As getTextBetween, starting at the last occurrence of the start marker.
QString getTextBetweenLast(const QString& text, const QString& start, const QString& end);
// After the last occurrence of the marker, or "".
QString getTextAfterLast(const QString& text, const QString& marker);
// Before the first occurrence of the marker, or "".
QString getTextBefore(const QString& text, const QString& marker);

// Where the needle occurs in the text from `from` (>= 0) on, as QString::indexOf with
// Qt::CaseInsensitive finds it; -1 when nowhere. Fast for needles of ASCII and Chinese characters,
// which markers mostly are.
qsizetype indexOfIgnoringCase(QStringView text, QStringView needle, qsizetype from = 0);
qsizetype indexOfIgnoringCase(QStringView text, QLatin1String needle, qsizetype from = 0);
// Whether the needle (ASCII) occurs in the text at `at`, in the sense of indexOfIgnoringCase.
bool matchesIgnoringCaseAt(QStringView text, qsizetype at, QLatin1String needle);
// Every occurrence of the needle (not empty) replaced, left to right, as QString::replace does. Found
// by the needle's first character, which the fast single-character search finds: quicker than Qt's
// general search on Chinese text. The text itself when the needle is not in it.
QString replaceAll(const QString& text, QStringView needle, QStringView by);
// The same, the needle (ASCII) found in the sense of indexOfIgnoringCase: Qt's case-blind replace
// folds every character of the text.
QString replaceIgnoringCase(const QString& text, QLatin1String needle, QStringView by);
// Which of the tag openers (each "<" and at least one character of ASCII) the text holds, each in
// the sense of matchesIgnoringCaseAt: bit i for openers[i], at most 32 of them. One pass over the
// text's "<", which mostly open tags none of them begins (a chapter's line breaks); firstOnly stops
// at the first one found.
quint32 tagOpenersIn(QStringView text, const QLatin1String* openers, qsizetype count, bool firstOnly = false);

// Several needles looked for at once, each in the sense of indexOfIgnoringCase: one pass over the
// text for needles of ASCII and Chinese characters, one search per needle for the others.
class NeedlesIgnoringCase {
public:
    explicit NeedlesIgnoringCase(const QStringList& needles);
    bool foundIn(QStringView text) const;

private:
    QList<QString> m_folded;        // in the fast form: folded, first character anywhere
    QList<QString> m_others;        // searched one by one
    std::array<quint64, 2> m_ascii{}; // first characters below 128 of m_folded
    bool m_empty = false;           // an empty needle is found in any text
};

// Trims the space character only (tabs and line breaks stay), as the marker rules ask.
QString trimSpaces(const QString& text);
