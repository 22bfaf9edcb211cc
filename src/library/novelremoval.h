#pragma once

#include <QStringList>

class LibraryContext;

// Deleting novels: their chapter rows and novel row in one transaction, their bookmarks, and with
// deleteFiles also their folder and bookcase entry.
namespace NovelRemoval {

bool deleteNovel(LibraryContext& library, const QString& novelId, bool deleteFiles);
// Returns the novels actually deleted.
QStringList deleteNovels(LibraryContext& library, const QStringList& novelIds, bool deleteFiles);

} // namespace NovelRemoval
