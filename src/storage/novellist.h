#pragma once

#include <QCoreApplication>
#include <QDate>
#include <QString>

class Database;

// Novel lists (".lst"): the book_Novel table as a record document, for moving novels between
// libraries.
class NovelList {
    Q_DECLARE_TR_FUNCTIONS(NovelList)

public:
    struct Result {
        bool ok = false;
        QString message; // what the user is told, success or not
        int imported = 0;
        int skipped = 0; // names already in the library
    };

    static Result exportTo(const Database& db, const QString& path);
    // Every novel gets a new NovelID; novels whose name exists already are skipped. All or nothing.
    static Result importFrom(const Database& db, const QString& path);

    static QString proposedName(const QDate& day = QDate::currentDate());
};
