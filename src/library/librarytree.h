#pragma once

#include <QList>
#include <QString>

class Database;

struct TreeNovel {
    QString novelId;
    QString name;
    QString bIsEnd;
    int unread = 0;

    // The name, with "(unread)" when there are unread chapters (the node is then shown bold).
    QString text() const;
};

struct TreeCategory {
    QString code;
    QString name;
    QList<TreeNovel> novels;
};

// What the library tree shows: categories in code order with their novels in display order, then
// the novels without category.
struct LibraryTree {
    QList<TreeCategory> categories;
    QList<TreeNovel> uncategorised;

    static LibraryTree load(const Database& db);
    int novelCount() const;
};
