#include "library/librarytree.h"

#include "storage/database.h"
#include "storage/dbvalue.h"

#include <QHash>
#include <QSqlQuery>

QString TreeNovel::text() const {
    return unread > 0 ? name + u'(' + QString::number(unread) + u')' : name;
}

LibraryTree LibraryTree::load(const Database& db) {
    LibraryTree tree;
    QHash<QString, int> indexOfCode;
    QSqlQuery categories = db.query(QStringLiteral("SELECT DM, MC FROM dic_noveltype ORDER BY DM"));
    while (categories.next()) {
        indexOfCode.insert(textOf(categories.value(0)), int(tree.categories.size()));
        tree.categories.append({textOf(categories.value(0)), textOf(categories.value(1)), {}});
    }

    // The unread counts of all novels in one grouped pass over the chapters, then one pass over the
    // novels: cheaper than a count per novel when the library is large.
    QHash<QString, int> unread;
    QSqlQuery counts = db.query(QStringLiteral(
        "SELECT NovelID, count(*) FROM book_novelcontent WHERE bIsRead <> '1' GROUP BY NovelID"));
    while (counts.next())
        unread.insert(textOf(counts.value(0)), intOf(counts.value(1)));
    QSqlQuery novels = db.query(QStringLiteral(
        "SELECT NovelID, NovelName, bIsEnd, LB FROM book_novel ORDER BY Displayorder, NovelID"));
    while (novels.next()) {
        const QString id = textOf(novels.value(0));
        TreeNovel novel{id, textOf(novels.value(1)), textOf(novels.value(2)), unread.value(id)};
        const auto it = indexOfCode.constFind(textOf(novels.value(3)));
        // A novel whose category is gone stays visible with the novels without category.
        if (it == indexOfCode.constEnd())
            tree.uncategorised.append(novel);
        else
            tree.categories[*it].novels.append(novel);
    }
    return tree;
}

int LibraryTree::novelCount() const {
    int n = int(uncategorised.size());
    for (const TreeCategory& c : categories)
        n += int(c.novels.size());
    return n;
}
