#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>

// Whether a file is a library database this program can use: an SQLite file that passes SQLite's own
// integrity check and holds the tables no library is without. Serves restoring a backup (before the
// library is touched) and `check-db`.
class DatabaseCheck {
    Q_DECLARE_TR_FUNCTIONS(DatabaseCheck)

public:
    // The tables every library has, whatever its age.
    static QStringList requiredTables();

    // The problems found, empty when there are none. The file is opened read-only on a connection of
    // its own, so it may be the live database of a running program.
    static QStringList problems(const QString& path);

    // Whether the file starts as every SQLite database does (an old Access file does not).
    static bool hasSqliteHeader(const QString& path);
};
