#pragma once

#include <QString>

class Database;
class LibraryFolder;
class Settings;

// The novel's contents page chm/<NovelID>/List.htm, written from the list template of the current
// display style. Downloads, imports and edits call writeListPage after they change a novel.

struct ListPageValues {
    QString table;  // buildListTable
    QString theDir; // prefix from the novel folder to the shared chm folder
    QString bookName;
    QString author;
    QString brief;   // already formatted for the page
    QString bookImg; // already an <img> tag, or ""
};

// Replaces [[Content]], [[theDir]], [[BookName]], [[author]], [[brief]] and [[BookImg]]; the names,
// author and folder are escaped here, the table, brief and picture are put in as they are.
QString fillListTemplate(const QString& pageTemplate, const ListPageValues& values);

// "../": pages in a novel folder reach style.css and head.js one level up.
QString listPageDir();

// Rewrites List.htm of the novel; false with a message in error when the novel does not exist or the
// page cannot be written.
bool writeListPage(const Database& db, const LibraryFolder& folder, const Settings& settings,
                   const QString& novelId, QString* error = nullptr);
