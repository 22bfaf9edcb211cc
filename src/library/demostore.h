#pragma once

#include <QString>

class Database;

// The demo novel's row, found by name, and the move of its addresses to another loopback port.
class DemoStore {
public:
    explicit DemoStore(const Database& db)
        : m_db(db) {}

    // NovelID and ListUrl of the novel of that name; empty when there is none.
    QString novelIdByName(const QString& name) const;
    QString listUrl(const QString& novelId) const;
    // Replaces the oldBase at the start of the list address and of the chapter addresses, in one go.
    bool moveAddresses(const QString& novelId, const QString& oldBase, const QString& newBase) const;

private:
    const Database& m_db;
};
