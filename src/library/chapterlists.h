#pragma once

#include "library/librarylists.h"

#include <QList>
#include <QString>

#include <optional>

class Database;

// What the chapter dialogs read: one chapter, and a novel's chapters found by title.
namespace ChapterLists {

std::optional<ChapterRow> chapter(const Database& db, qint64 id);
// The novel's chapters in order whose title contains the text as literal text ("%" and "_" are no
// wildcards); an empty text lists them all.
QList<ChapterRow> chaptersTitled(const Database& db, const QString& novelId, const QString& text);

} // namespace ChapterLists
