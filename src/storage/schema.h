#pragma once

#include <QStringList>

class Database;

// The tables of pim.db and their upgrade. A table is created with its full current shape when it is
// missing; tables made by earlier versions get the columns they lack, the presence of each column
// being the version.
namespace Schema {

bool ensure(const Database& db);
// Brings old tables up to the current columns. Returns the names of the columns it added.
QStringList upgrade(const Database& db);
// The user tables, without the database's own bookkeeping tables.
QStringList listTables(const Database& db);
bool hasTable(const Database& db, const QString& name);
QStringList columnsOf(const Database& db, const QString& table);

// Tables created by their own windows on first use.
bool ensureShowTopTable(const Database& db);
bool ensureWriterTable(const Database& db);

} // namespace Schema
