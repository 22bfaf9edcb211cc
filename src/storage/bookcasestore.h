#pragma once

#include <QString>

class Database;

// pri_mynovel as the library uses it: every novel with generated pages has an entry whose path is
// its contents page.
class BookcaseStore {
public:
    explicit BookcaseStore(const Database& db)
        : m_db(db) {}

    // Adds the entry for that path, or renames it and sets its author when it exists already.
    // An empty category is stored as Null.
    bool registerEntry(const QString& name, const QString& lb, const QString& author,
                       const QString& path) const;
    int count() const;
    // The author of the entry whose file is that path.
    bool setAuthorByPath(const QString& path, const QString& author) const;
    // The file path of entry ID ("" when there is none), and a new one for it.
    QString pathOf(qint64 id) const;
    bool setPath(qint64 id, const QString& path) const;

private:
    const Database& m_db;
};
