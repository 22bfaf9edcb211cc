#pragma once

#include "storage/libraryfolder.h"
#include "storage/novelrecord.h"

#include <QCoreApplication>
#include <QString>

#include <optional>

class Database;
class PageSource;
class SiteSignTable;

// A novel entering the library: the checks of the novel dialog and the storing steps (new NovelID,
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

    // Steps 1 to 3 of the dialog's check of a name: empty, "#" or "%" or not usable as a file name,
    // taken by another novel. "" when the name is fine.
    QString checkName(const QString& name, bool isNew = true, const QString& exceptNovelId = QString()) const;
    // Step 4: a local path (second character ":") passes; any other address must answer a GET. The
    // page's bytes and Content-Type are handed back for reading its title. "" when the address is fine.
    static QString checkListUrl(PageSource& source, const QString& url, QByteArray* page = nullptr,
                                QString* contentType = nullptr);

    // Stores a checked novel. The category must exist when named.
    Result storeNewNovel(const NewNovel& novel) const;

    // The title-to-name rule: "-->", "---" and the separators "/|_、·－" and space split the title; a
    // leading site name is skipped; ">" removed.
    static QString nameFromTitle(const QString& title);
    // The name the page's <title> gives, "" without one.
    static QString nameFromPage(const QString& page);
    // The name of an unnamed novel.
    static QString defaultName() { return tr("新小说"); }

private:
    const Database& m_db;
    LibraryFolder m_folder;
    const SiteSignTable* m_signs;
};
