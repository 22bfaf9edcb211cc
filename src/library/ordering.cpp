#include "library/ordering.h"

#include "library/librarylists.h"
#include "storage/categorystore.h"
#include "storage/database.h"
#include "storage/dbvalue.h"
#include "storage/novelstore.h"

#include <QSqlQuery>

#include <algorithm>

namespace Ordering {

namespace {

// The novels of the category the given novel is in, by display order.
QStringList siblingsOf(const Database& db, const QString& novelId) {
    const QVariant lb = db.scalar(QStringLiteral("SELECT LB FROM book_novel WHERE NovelID = ?"), {novelId});
    const QString code = textOf(lb);
    QSqlQuery q = code.isEmpty()
                      ? db.query(QStringLiteral("SELECT NovelID FROM book_novel WHERE LB = '' OR LB IS NULL "
                                                "ORDER BY Displayorder, NovelID"))
                      : db.query(QStringLiteral("SELECT NovelID FROM book_novel WHERE LB = ? "
                                                "ORDER BY Displayorder, NovelID"),
                                 {code});
    QStringList ids;
    while (q.next())
        ids << q.value(0).toString();
    return ids;
}

bool numberNovels(const Database& db, const QStringList& ids) {
    for (int i = 0; i < ids.size(); ++i)
        if (!db.exec(QStringLiteral("UPDATE book_novel SET Displayorder = ? WHERE NovelID = ?"),
                     {i + 1, ids.at(i)}))
            return false;
    return true;
}

} // namespace

bool moveNovel(const Database& db, const QString& novelId, Direction direction) {
    QStringList ids = siblingsOf(db, novelId);
    const qsizetype at = ids.indexOf(novelId);
    const qsizetype other = direction == Direction::Up ? at - 1 : at + 1;
    if (at < 0 || other < 0 || other >= ids.size())
        return false;
    // Renumbering the group makes the swap visible even where two novels shared one order value.
    ids.swapItemsAt(at, other);
    return db.transaction([&] { return numberNovels(db, ids); });
}

bool orderNovels(const Database& db, NovelOrder order) {
    const QString by =
        order == NovelOrder::ByTitle ? QStringLiteral("NovelName, NovelID") : QStringLiteral("NovelID");
    return db.transaction([&] {
        QStringList groups{QString()};
        QSqlQuery codes = db.query(QStringLiteral("SELECT DM FROM dic_noveltype ORDER BY DM"));
        while (codes.next())
            groups << codes.value(0).toString();
        for (const QString& code : groups) {
            QSqlQuery q = code.isEmpty()
                              ? db.query(QStringLiteral("SELECT NovelID FROM book_novel WHERE LB = '' OR "
                                                        "LB IS NULL ORDER BY ") +
                                         by)
                              : db.query(QStringLiteral("SELECT NovelID FROM book_novel WHERE LB = ? "
                                                        "ORDER BY ") +
                                             by,
                                         {code});
            QStringList ids;
            while (q.next())
                ids << q.value(0).toString();
            if (!numberNovels(db, ids))
                return false;
        }
        return true;
    });
}

QString moveCategory(const Database& db, const QString& code, Direction direction) {
    const QVariant neighbour =
        direction == Direction::Up
            ? db.scalar(QStringLiteral("SELECT max(DM) FROM dic_noveltype WHERE DM < ?"), {code})
            : db.scalar(QStringLiteral("SELECT min(DM) FROM dic_noveltype WHERE DM > ?"), {code});
    if (!neighbour.isValid())
        return {};
    const QString other = neighbour.toString();
    const bool ok = CategoryStore(db).swapCodes(code, other);
    return ok ? other : QString();
}

bool moveNovelToCategory(const Database& db, const QString& novelId, const QString& code,
                         const QString& bookcasePath) {
    NovelStore novels(db);
    const QVariant lb = code.isEmpty() ? QVariant() : QVariant(code);
    return db.transaction([&] {
        const int order = novels.nextNovelOrderInCategory(code);
        return db.exec(QStringLiteral("UPDATE book_novel SET LB = ?, Displayorder = ? WHERE NovelID = ?"),
                       {lb, order, novelId}) &&
               db.exec(QStringLiteral("UPDATE pri_mynovel SET LB = ? WHERE WJLJ = ?"), {lb, bookcasePath});
    });
}

QString addressSortKey(const QString& address) {
    QString part;
    if (address.contains(u'=')) {
        part = address.mid(address.lastIndexOf(u'=') + 1);
    } else {
        const QString last = address.mid(address.lastIndexOf(u'/') + 1);
        part = last.left(last.indexOf(u'.') < 0 ? last.size() : last.indexOf(u'.'));
    }
    bool numeric = !part.isEmpty();
    for (const QChar c : part)
        numeric = numeric && c.isDigit() && c.unicode() < 128;
    if (numeric && part.size() <= 12)
        return part.rightJustified(12, u'0');
    return address;
}

bool orderChapters(const Database& db, const QString& novelId, ChapterOrder order) {
    QList<ChapterRow> rows = LibraryLists::chapters(db, novelId);
    auto key = [order](const ChapterRow& r) -> QString {
        switch (order) {
        case ChapterOrder::ByTitle:
            return r.title;
        case ChapterOrder::ByTime:
            return r.downDate + u' ' + r.downTime;
        case ChapterOrder::ByAddress:
            return addressSortKey(r.comeFrom);
        }
        return QString();
    };
    std::stable_sort(rows.begin(), rows.end(), [&](const ChapterRow& a, const ChapterRow& b) {
        return key(a).compare(key(b), Qt::CaseInsensitive) < 0;
    });
    return db.transaction([&] {
        for (int i = 0; i < rows.size(); ++i)
            if (!db.exec(QStringLiteral("UPDATE book_novelcontent SET Displayorder = ? WHERE id = ?"),
                         {i + 1, rows.at(i).id}))
                return false;
        return true;
    });
}

} // namespace Ordering
