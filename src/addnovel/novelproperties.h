#pragma once

#include "storage/novelrecord.h"

#include <QCoreApplication>
#include <QString>

class Database;
class LibraryFolder;

// The properties of a stored novel as the novel dialog changes them: the row and the novel's bookcase
// entry together, so that a rename shows in both or in neither.
class NovelProperties {
    Q_DECLARE_TR_FUNCTIONS(NovelProperties)

public:
    // The category is given by name ("" for none); an unknown name is an error.
    static QString store(const Database& db, const LibraryFolder& folder, NovelRecord record,
                         const QString& categoryName);

    // Copies a cover picture into the novel's folder under a name made of the time ("YYYYMMDDHHMMSS" and
    // the picture's extension, a counter added while that name is taken). The new file name, or "".
    static QString copyCover(const LibraryFolder& folder, const QString& novelId, const QString& picture);
};
