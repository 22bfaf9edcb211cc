#pragma once

#include "tools/textfinder.h"

#include <QString>

#include <functional>

// The view of the page editor that its find dialog works on: the source text, or the design view,
// whose page answers later. Every answer comes through the callback.
class EditorFindTarget {
public:
    virtual ~EditorFindTarget() = default;

    // Selects the next occurrence after the selection (from the top of the text when fromTop).
    virtual void findNext(const QString& needle, const TextFinder::Options& options, bool fromTop,
                          std::function<void(bool found)> done) = 0;
    // Whether the text holds the search text anywhere.
    virtual void contains(const QString& needle, const TextFinder::Options& options,
                          std::function<void(bool found)> done) = 0;
    // Replaces the selection when it is the search text.
    virtual void replaceSelection(const QString& needle, const QString& replacement,
                                  const TextFinder::Options& options,
                                  std::function<void(bool replaced)> done) = 0;
    // Replaces every occurrence; the number replaced.
    virtual void replaceAll(const QString& needle, const QString& replacement,
                            const TextFinder::Options& options, std::function<void(int count)> done) = 0;
};
