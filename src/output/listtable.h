#pragma once

#include "output/outputchapter.h"

#include <QString>

// The chapter table shared by the contents page List.htm, the e-book's ListChm.htm and the volume
// pages: a heading row per volume run and n chapter cells per row.

// Text for a page: "<" and ">" escaped, line breaks as "<br>", spaces as "&nbsp;".
QString htmlEscapeText(const QString& value);

// The heading of a run: its volume, or "正文" for chapters without one.
QString volumeHeading(const VolumeRun& run);

// perLine below 1 counts as the default 2. With volumeLinks, headings link their volume page.
QString buildListTable(const QList<OutputChapter>& chapters, int perLine, bool volumeLinks);
