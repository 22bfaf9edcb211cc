#pragma once

#include <QString>
#include <QUrl>

// What pages shown in the reading view may load. Chapter pages come from novel sites; they get their
// own folder's pictures and style sheet, the shared chm/style.css, chm/head.js and bookmark picture,
// the background pictures, and pictures from the net (chapters whose pictures were not downloaded).
// Nothing else: no other local file, no script but the program's own head.js, no requests from
// scripts, no frames.
namespace ReadingAccess {

enum class Resource { MainFrame, SubFrame, Stylesheet, Script, Image, Font, Media, Request, Other };

bool allows(const QString& libraryPath, const QUrl& page, const QUrl& request, Resource kind);

} // namespace ReadingAccess
