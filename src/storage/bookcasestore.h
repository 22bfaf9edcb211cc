#pragma once

#include <QList>
#include <QString>

#include <optional>

class Database;

// One book of the bookcase; Null columns read as "".
struct BookcaseEntry {
    qint64 id = 0;
    QString mc;      // book name
    QString lb;      // category code, "" for none
    QString lbTitle; // the category's name, read through the join and never written
    QString zz;      // author
    QString wjlj;    // the file's full path
    QString sm;      // note
};

// pri_mynovel: the bookcase window's books, and the entries the library keeps for every novel with
// generated pages (their path is the novel's contents page).
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

    // The entries by id: all of them, or those of one category (code not empty), and of those the ones
    // whose name contains nameFilter ("%", "_" and "'" taken as themselves).
    QList<BookcaseEntry> list(const QString& code = QString(), const QString& nameFilter = QString()) const;
    std::optional<BookcaseEntry> get(qint64 id) const;
    // Whether an entry other than exceptId has that path.
    bool hasPath(const QString& path, qint64 exceptId = 0) const;

    // The new entry's id, 0 when the database refused. An empty category is stored as Null.
    qint64 insert(const BookcaseEntry& entry) const;
    bool update(const BookcaseEntry& entry) const;
    // All of them or none.
    bool remove(const QList<qint64>& ids) const;
    bool move(const QList<qint64>& ids, const QString& code) const;
    // Every entry of the category.
    bool removeCategory(const QString& code) const;

private:
    const Database& m_db;
};
