#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>

class Database;
class LibraryFolder;
class Settings;

// Novels an earlier installation left as folders of pages under chm/ with a List.htm, but no row in
// the database. Importing gives each a novel row and one chapter row per page its list links to.
class OldDownloads {
    Q_DECLARE_TR_FUNCTIONS(OldDownloads)

public:
    struct Entry {
        QString folderName; // under chm/
        QString path;       // the folder
        QString name;       // the novel's name on its list page
    };

    // The folders of chm/ that hold a List.htm and belong to no novel of the library. Folders of
    // stored novels are left out: deleting one here would destroy a novel's pages.
    static QList<Entry> list(const Database& db, const LibraryFolder& folder);

    // The name between <CENTER> and </CENTER> of an old list page (our own pages: <h1>), tags removed.
    static QString novelNameOf(const QString& listPage);

    // Stores the novel and its chapters and moves the pages to their new names; the folder keeps its
    // name when that is a free NovelID. Returns the NovelID, or "" with the reason in error.
    static QString importNovel(const Database& db, const LibraryFolder& folder, const Settings& settings,
                               const Entry& entry, QString* error = nullptr);
    static bool remove(const Entry& entry);
};
