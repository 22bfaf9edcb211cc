#pragma once

#include <QString>

// Find and replace over the editor's source text. Positions are QString indexes.
namespace TextFinder {

struct Options {
    bool matchCase = false;
    // Letters, digits and "_" make up words; each CJK character is a word by itself, so a CJK
    // character always stands on a word boundary.
    bool wholeWord = false;
};

// The first occurrence starting at or after from, -1 when there is none (or needle is empty).
qsizetype find(const QString& text, const QString& needle, qsizetype from, const Options& options);

struct Match {
    qsizetype position = -1;
    bool wrapped = false; // found only by starting again from the top
};
// find from "from"; when nothing is left below and wrap is set, again from the top.
Match findNext(const QString& text, const QString& needle, qsizetype from, const Options& options, bool wrap);

// Whether the selected text is the search text (case folded unless matchCase).
bool isMatch(const QString& selected, const QString& needle, const Options& options);

// Replaces text[start, start + length) when it is the search text; the caller then searches on from
// start + replacement.size().
bool replaceSelection(QString& text, qsizetype start, qsizetype length, const QString& needle,
                      const QString& replacement, const Options& options);

// Every occurrence, left to right, never inside text a replacement brought in; the number replaced.
int replaceAll(QString& text, const QString& needle, const QString& replacement, const Options& options);

} // namespace TextFinder
