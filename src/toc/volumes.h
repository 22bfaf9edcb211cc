#pragma once

#include "toc/chapterlink.h"

#include <QList>
#include <QString>

// Volume headings of a chapter list.

// The index of the last heading before the position; -1 before the first one.
int findVolumeIndex(qsizetype position, const QList<qsizetype>& headingPositions);

// The clean name of one heading match: markers cut off, tags and entities gone, trimmed.
QString getVolumeTitle(const QString& match, const QString& startMarker, const QString& endMarker);

// The markers of this run: the novel's, or when it has no start marker the first of the fallback
// markers the list text holds. An empty end marker counts as "<". Empty start: the list has no volumes.
QPair<QString, QString> volumeMarkers(const QString& listText, const QString& volumeStart,
                                      const QString& volumeEnd);

// Gives every link the name of the heading before it in the list text ("" before the first heading
// and when there are none). A link without a position is looked for by its title after the link
// before it.
void assignVolumes(const QString& listText, ChapterLinks& links, const QString& volumeStart,
                   const QString& volumeEnd);
