#pragma once

#include <QStringList>

class LibraryContext;

// Deleting novels: their chapter rows and novel row in one transaction, their bookmarks, and with
// deleteFiles also their folder and bookcase entry.
namespace NovelRemoval {

bool deleteNovel(LibraryContext& library, const QString& novelId, bool deleteFiles);
// Returns the novels actually deleted.
QStringList deleteNovels(LibraryContext& library, const QStringList& novelIds, bool deleteFiles);

// For a caller that deletes more in the same transaction: the rows of the novels (chapters, novel,
// and with bookcaseToo the bookcase entry), nothing else. Runs inside the caller's transaction.
bool deleteRows(const LibraryContext& library, const QStringList& novelIds, bool bookcaseToo);
// What goes once those rows are committed: the bookmarks, and with deleteFiles the folders.
void forgetDeleted(LibraryContext& library, const QStringList& novelIds, bool deleteFiles);

} // namespace NovelRemoval
