#include "output/outputstore.h"

#include "storage/database.h"
#include "storage/dbvalue.h"

#include <QSqlQuery>
#include <QUuid>

QList<OutputChapter> OutputStore::chapters(const QString& novelId, bool unreadOnly) const {
    // Unread is anything but "1", as the tree counts it.
    QSqlQuery q = m_db.query(
        unreadOnly ? QStringLiteral("SELECT id, title, Volume FROM book_novelcontent WHERE NovelID=? AND "
                                    "(bIsRead IS NULL OR bIsRead<>'1') ORDER BY Displayorder, id")
                   : QStringLiteral("SELECT id, title, Volume FROM book_novelcontent WHERE NovelID=? "
                                    "ORDER BY Displayorder, id"),
        {novelId});
    QList<OutputChapter> list;
    while (q.next())
        list.append(OutputChapter{q.value(0).toLongLong(), textOf(q.value(1)), textOf(q.value(2))});
    return list;
}

QString OutputStore::bookUuid(const QString& novelId) const {
    const QString stored =
        textOf(m_db.scalar(QStringLiteral("SELECT BookUuid FROM book_novel WHERE NovelID=?"), {novelId}));
    if (stored.startsWith(QLatin1String("urn:uuid:")))
        return stored;
    const QString made = QLatin1String("urn:uuid:") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    return m_db.exec(QStringLiteral("UPDATE book_novel SET BookUuid=? WHERE NovelID=?"), {made, novelId})
               ? made
               : QString();
}

QList<OutputStore::NovelFigures> OutputStore::novelFigures(const QString& lb) const {
    static const QString columns =
        QStringLiteral("SELECT n.NovelID, n.NovelName, n.Author, n.bIsEnd, "
                       "(SELECT count(*) FROM book_novelcontent c WHERE c.NovelID=n.NovelID), "
                       "(SELECT sum(WordNums) FROM book_novelcontent c WHERE c.NovelID=n.NovelID) "
                       "FROM book_novel n ");
    QSqlQuery q =
        lb.isEmpty()
            ? m_db.query(columns + QStringLiteral("WHERE n.LB='' OR n.LB IS NULL ORDER BY n.Displayorder"))
            : m_db.query(columns + QStringLiteral("WHERE n.LB=? ORDER BY n.Displayorder"), {lb});
    QList<NovelFigures> list;
    while (q.next())
        list.append(NovelFigures{textOf(q.value(0)), textOf(q.value(1)), textOf(q.value(2)),
                                 textOf(q.value(3)) == QLatin1String("1"), intOf(q.value(4)),
                                 q.value(5).toLongLong()});
    return list;
}
