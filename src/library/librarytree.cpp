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

    // One pass over the novels, unread counts from the (NovelID, Displayorder) index.
    QSqlQuery novels = db.query(QStringLiteral(
        "SELECT n.NovelID, n.NovelName, n.bIsEnd, n.LB, "
        "(SELECT count(*) FROM book_novelcontent c WHERE c.NovelID = n.NovelID AND c.bIsRead <> '1') "
        "FROM book_novel n ORDER BY n.Displayorder, n.NovelID"));
    while (novels.next()) {
        TreeNovel novel{textOf(novels.value(0)), textOf(novels.value(1)), textOf(novels.value(2)),
                        intOf(novels.value(4))};
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
