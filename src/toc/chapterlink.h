#pragma once

#include <QList>
#include <QString>

#include <algorithm>

// One candidate link of a table-of-contents page. A link found not to be a chapter keeps its place
// with an empty address, so the list stays in page order from the first step to the last.
struct ChapterLink {
    QString title;
    QString url; // absolute once resolved; empty: dropped
    QString volume;
    qsizetype position = -1; // where the link stands in the list text, for the volume headings

    bool isDropped() const { return url.isEmpty(); }
    bool operator==(const ChapterLink& other) const {
        return title == other.title && url == other.url && volume == other.volume;
    }
};

using ChapterLinks = QList<ChapterLink>;

inline qsizetype keptCount(const ChapterLinks& links) {
    return std::count_if(links.cbegin(), links.cend(), [](const ChapterLink& l) { return !l.isDropped(); });
}
