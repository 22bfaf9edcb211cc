#pragma once

#include <QString>

class Database;

// Reordering novels, categories and chapters. Every change is one transaction.
namespace Ordering {

enum class Direction { Up, Down };

// The novel exchanges its place with its neighbour among the novels of the same category (or of no
// category). False when there is no neighbour that way.
bool moveNovel(const Database& db, const QString& novelId, Direction direction);

enum class NovelOrder { ByTitle, ByDateAdded };
// Renumbers the novels 1..n in every category (and those without one).
bool orderNovels(const Database& db, NovelOrder order);

// The category exchanges its code with the previous or next category's code. Returns the code the
// category has afterwards, or "" when it has no neighbour that way.
QString moveCategory(const Database& db, const QString& code, Direction direction);

// Puts the novel at the end of the category (an empty code: no category); its bookcase entry
// (known by bookcasePath) follows.
bool moveNovelToCategory(const Database& db, const QString& novelId, const QString& code,
                         const QString& bookcasePath);

enum class ChapterOrder { ByTitle, ByTime, ByAddress };
// Renumbers the novel's chapters 1..n in that order (stable for equal keys).
bool orderChapters(const Database& db, const QString& novelId, ChapterOrder order);
// The sort key of a chapter address: the page number (after the last "=", or between the last "/" and
// the following ".") in twelve digits, so that 9 comes before 10; other addresses sort as they are.
QString addressSortKey(const QString& address);

} // namespace Ordering
