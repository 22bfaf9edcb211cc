#pragma once

#include "toc/chapterlink.h"

#include <QSet>
#include <QString>

#include <functional>

using StopCheck = std::function<bool()>;

// The links of an HTML fragment in document order: the title is the link's inner text (at most 250
// characters, trimmed), the address its href as written. A "#" link that opens a window takes the
// window's address, one with another onclick call takes the call; a second link to an address
// already seen keeps its place with an empty address. Empty when the fragment has no link or the
// stop check fires.
ChapterLinks getLinks(const QString& fragment, const StopCheck& stop = {});

// The links of the list part of a page: every "<a …</a>" of it, cleaned of pictures, stray named
// anchors and in-page links, through getLinks; each link knows where it stands in listText.
ChapterLinks collectLinks(const QString& listText, const StopCheck& stop = {});

// The links inside a chapter page, for following them one level deeper: absolute against the page,
// without the addresses already stored for the novel (lower-cased in storedLower), without file
// downloads, and without script calls the page does not explain.
ChapterLinks getLinks2(const QString& pageHtml, const QString& pageUrl, const QSet<QString>& storedLower,
                       const StopCheck& stop = {});
