#pragma once

#include "library/librarylists.h"
#include "storage/recordlists.h"

#include <QList>
#include <QString>

class LibraryFolder;

// The pages the window builds and shows in the reading view: the download log, the bookmark list
// and the result of a novel search. Each is a template of model/ with its rows in [[Content]],
// written into the library folder.
namespace ReadingPages {

// A local path as the address a page links to.
QString fileUrl(const QString& path, const QString& anchor = QString());

QString recentDownRows(const QList<ChapterRow>& rows, const LibraryFolder& folder);
QString bookmarkRows(const QList<Bookmark>& bookmarks);
QString bookListRows(const QList<NovelRow>& novels, const LibraryFolder& folder);

// Reads model/<templateName>, puts the rows in and writes <library>/<fileName>. Returns the path
// written, or "" with the reason in error.
QString writePage(const LibraryFolder& folder, const QString& templateName, const QString& rows,
                  const QString& fileName, QString* error = nullptr);

QString writeRecentDown(const LibraryFolder& folder, const QList<ChapterRow>& rows, QString* error = nullptr);
QString writeBookmarkList(const LibraryFolder& folder, const QList<Bookmark>& bookmarks,
                          QString* error = nullptr);
QString writeBookList(const LibraryFolder& folder, const QList<NovelRow>& novels, QString* error = nullptr);

// A page of the library read in the charset its head names (gb2312 when none); charset receives it.
// False when the file cannot be read.
bool readPageText(const QString& path, QString& text, QString* charset = nullptr);

// A listed chapter whose page is gone gets an empty page, so the view never shows an error for it.
bool ensureChapterPage(const QString& path);

// Whether a chapter page holds no chapter: no file, or neither text nor picture between its content
// markers (in its body when it has none).
bool chapterPageMissingOrEmpty(const QString& path);

} // namespace ReadingPages
