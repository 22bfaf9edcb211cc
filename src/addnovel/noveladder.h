#pragma once

#include "storage/libraryfolder.h"
#include "storage/novelrecord.h"

#include <QCoreApplication>
#include <QString>

#include <optional>

class Database;
class SiteSignTable;

// A novel entering the library (checked by AddNovelRules): the storing steps (new NovelID,
// the site sign's markers, the folder with an empty List.htm, the bookcase entry). The add-novel
// window and the command line share it.
class NovelAdder {
    Q_DECLARE_TR_FUNCTIONS(NovelAdder)

public:
    struct NewNovel {
        QString name;
        QString listUrl;
        QString categoryName; // "" for none
        QString author;
        QString brief;
        QString bookImg;
        // A picture copied into the novel's folder under its own name, which then is the BookImg.
        QString coverFile;
        QString bIsEnd = QStringLiteral("0");
        std::optional<NovelMarkers> markers; // none: those of the site sign of the address's site
    };

    struct Result {
        enum class Field { None, Name, ListUrl, Category };
        QString novelId;
        QString error; // the message for the user; empty on success
        Field field = Field::None;
        bool ok() const { return error.isEmpty(); }
    };

    NovelAdder(const Database& db, const LibraryFolder& folder, const SiteSignTable* signs = nullptr);

    // Stores a checked novel. The category must exist when named.
    Result storeNewNovel(const NewNovel& novel) const;

private:
    const Database& m_db;
    LibraryFolder m_folder;
    const SiteSignTable* m_signs;
};
