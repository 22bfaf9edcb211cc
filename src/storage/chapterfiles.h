#pragma once

#include "storage/libraryfolder.h"

#include <QList>
#include <QString>
#include <QStringList>

// The files of one stored chapter: its page chm/<NovelID>/<id>.htm and its pictures, named
// <NovelID>_<id>_<n>.<ext> (background pictures <NovelID>_<id>b_<n>.<ext>).
namespace ChapterFiles {

// The names (no folder) of the chapter's picture files in the novel's folder.
QStringList pictureNames(const LibraryFolder& folder, const QString& novelId, qint64 chapterId);
// Deletes the chapter's page and pictures; what is already gone is no failure.
void remove(const LibraryFolder& folder, const QString& novelId, qint64 chapterId);
// The same for many chapters of one novel, its folder listed once: a listing per chapter is most of the
// time a deletion takes in a folder of thousands of pages.
void remove(const LibraryFolder& folder, const QString& novelId, const QList<qint64>& chapterIds);

} // namespace ChapterFiles
