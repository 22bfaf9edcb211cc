#pragma once

#include "storage/novelrecord.h"

#include <QString>

#include <optional>

class Database;

// book_novel: keys, ordering and the novel record.
class NovelStore {
public:
    explicit NovelStore(const Database& db)
        : m_db(db) {}

    QString novelName(const QString& novelId) const;
    QString needDelUrl(const QString& novelId) const;
    bool nameExists(const QString& name, const QString& exceptNovelId = QString()) const;
    int count() const;

    // The next six-digit key ("000001" upward); "" once 999999 is taken.
    QString nextNovelId() const;
    // Maximum order + 1 (1 when none): within the category, or over all novels for an empty code.
    int nextNovelOrder(const QString& lb) const;
    // Maximum order + 1 within the category; an empty code means the novels without category.
    int nextNovelOrderInCategory(const QString& lb) const;

    // Appends the novel at the end of its category; empty optional fields are stored as Null.
    // Fills record.displayorder.
    bool insertNovel(NovelRecord& record) const;
    std::optional<NovelRecord> loadNovel(const QString& novelId) const;
    // Empty markers are stored as Null.
    bool updateNovelMarkers(const QString& novelId, const NovelMarkers& markers) const;

    bool renameNovel(const QString& novelId, const QString& name) const;
    // Only the values found are written: an empty one keeps what the novel has.
    bool updateNovelInformation(const QString& novelId, const QString& author, const QString& brief,
                                const QString& bookImg) const;
    // The filtered-link list; empty is stored as Null.
    bool setNeedDelUrl(const QString& novelId, const QString& entries) const;

    // The properties the novel dialog edits: name, author, finished flag, list address, markers,
    // category, brief and cover. Empty optional fields are stored as Null; the order is kept.
    bool updateNovelProperties(const NovelRecord& record) const;
    bool setListUrl(const QString& novelId, const QString& url) const;
    // Whether a novel of the library has that list address (ignoring case and surrounding spaces).
    bool listUrlExists(const QString& url) const;

private:
    const Database& m_db;
};
