#include "library/librarylists.h"

#include "storage/database.h"
#include "storage/dbvalue.h"

#include <QSqlQuery>

namespace {

const QString kChapterColumns = QStringLiteral(
    "a.id, a.NovelID, b.NovelName, a.Title, a.Displayorder, a.Volume, a.ComeFrom, a.DownDate, a.DownTime, "
    "a.WordNums, a.bIsRead, a.Placeholder FROM book_novelcontent a LEFT JOIN book_novel b ON a.NovelID = "
    "b.NovelID ");

QList<ChapterRow> chapterRows(QSqlQuery q) {
    QList<ChapterRow> rows;
    while (q.next()) {
        ChapterRow r;
        r.id = q.value(0).toLongLong();
        r.novelId = textOf(q.value(1));
        r.novelName = textOf(q.value(2));
        r.title = textOf(q.value(3));
        r.displayorder = intOf(q.value(4));
        r.volume = textOf(q.value(5));
        r.comeFrom = textOf(q.value(6));
        r.downDate = textOf(q.value(7));
        r.downTime = textOf(q.value(8));
        if (!q.value(9).isNull())
            r.wordNums = q.value(9).toInt();
        r.read = textOf(q.value(10)) == QLatin1String("1");
        r.placeholder = q.value(11).toInt() > 0;
        rows.append(r);
    }
    return rows;
}

} // namespace

QString ChapterRow::downloadedAt() const {
    return downDate + u' ' + downTime.left(5);
}

namespace LibraryLists {

QList<NovelRow> novels(const Database& db, const QString& categoryCode) {
    const QString select =
        QStringLiteral("SELECT a.NovelID, a.NovelName, b.MC, a.ListUrl, a.Author, a.bIsEnd "
                       "FROM book_novel a LEFT JOIN dic_noveltype b ON a.LB = b.DM ");
    QSqlQuery q = categoryCode.isEmpty()
                      ? db.query(select + QStringLiteral("ORDER BY b.DM, a.Displayorder, a.NovelID"))
                      : db.query(select + QStringLiteral("WHERE a.LB = ? ORDER BY a.Displayorder, a.NovelID"),
                                 {categoryCode});
    QList<NovelRow> rows;
    while (q.next())
        rows.append({textOf(q.value(0)), textOf(q.value(1)), textOf(q.value(2)), textOf(q.value(3)),
                     textOf(q.value(4)), textOf(q.value(5))});
    return rows;
}

QList<ChapterRow> chapters(const Database& db, const QString& novelId, const QString& titled) {
    if (titled.isEmpty())
        return chapterRows(db.query(QStringLiteral("SELECT ") + kChapterColumns +
                                        QStringLiteral("WHERE a.NovelID = ? ORDER BY a.Displayorder, a.id"),
                                    {novelId}));
    return chapterRows(db.query(QStringLiteral("SELECT ") + kChapterColumns +
                                    QStringLiteral("WHERE a.NovelID = ? AND a.Title LIKE ? ESCAPE '\\' "
                                                   "ORDER BY a.Displayorder, a.id"),
                                {novelId, likeContaining(titled)}));
}

std::optional<ChapterRow> chapter(const Database& db, qint64 id) {
    const QList<ChapterRow> rows = chapterRows(
        db.query(QStringLiteral("SELECT ") + kChapterColumns + QStringLiteral("WHERE a.id = ?"), {id}));
    return rows.isEmpty() ? std::nullopt : std::optional<ChapterRow>(rows.first());
}

QList<NovelRow> findNovels(const Database& db, const QString& name, const QString& listUrl) {
    QString sql = QStringLiteral("SELECT a.NovelID, a.NovelName, b.MC, a.ListUrl, a.Author, a.bIsEnd "
                                 "FROM book_novel a LEFT JOIN dic_noveltype b ON a.LB = b.DM WHERE 1=1");
    QVariantList params;
    if (!name.isEmpty()) {
        sql += QLatin1String(" AND a.NovelName LIKE ? ESCAPE '\\'");
        params << likeContaining(name);
    }
    if (!listUrl.isEmpty()) {
        sql += QLatin1String(" AND a.ListUrl LIKE ? ESCAPE '\\'");
        params << likeContaining(listUrl);
    }
    QSqlQuery q = db.query(sql + QLatin1String(" ORDER BY b.DM, a.Displayorder, a.NovelID"), params);
    QList<NovelRow> rows;
    while (q.next())
        rows.append({textOf(q.value(0)), textOf(q.value(1)), textOf(q.value(2)), textOf(q.value(3)),
                     textOf(q.value(4)), textOf(q.value(5))});
    return rows;
}

QList<ChapterRow> downloadedOn(const Database& db, const QDate& day) {
    return chapterRows(
        db.query(QStringLiteral("SELECT ") + kChapterColumns +
                     QStringLiteral("WHERE a.DownDate = ? ORDER BY a.DownTime DESC, a.id DESC"),
                 {day.toString(QStringLiteral("yyyy-MM-dd"))}));
}

QList<ChapterRow> recent(const Database& db, Recent kind, int count, const QDate& day) {
    const QString stored = QStringLiteral("(a.WordNums IS NOT NULL AND a.WordNums <> 0)");
    switch (kind) {
    case Recent::Latest:
        return chapterRows(
            db.query(QStringLiteral("SELECT ") + kChapterColumns +
                         QStringLiteral("WHERE a.DownDate IS NOT NULL AND a.DownTime IS NOT NULL AND ") +
                         stored + QStringLiteral(" ORDER BY a.id DESC LIMIT ?"),
                     {count}));
    case Recent::Day:
        return chapterRows(db.query(QStringLiteral("SELECT ") + kChapterColumns +
                                        QStringLiteral("WHERE a.DownDate = ? AND ") + stored +
                                        QStringLiteral(" ORDER BY a.id DESC"),
                                    {day.toString(QStringLiteral("yyyy-MM-dd"))}));
    case Recent::Waiting:
        return chapterRows(db.query(QStringLiteral("SELECT ") + kChapterColumns +
                                        QStringLiteral("WHERE a.WordNums IS NULL ORDER BY a.id DESC LIMIT ?"),
                                    {count}));
    case Recent::Failed:
        return chapterRows(db.query(QStringLiteral("SELECT ") + kChapterColumns +
                                        QStringLiteral("WHERE a.WordNums = 0 ORDER BY a.id DESC LIMIT ?"),
                                    {count}));
    }
    return {};
}

int unreadCount(const Database& db, const QString& novelId) {
    return intOf(db.scalar(
        QStringLiteral("SELECT count(*) FROM book_novelcontent WHERE NovelID = ? AND bIsRead <> '1'"),
        {novelId}));
}

bool setEnded(const Database& db, const QStringList& novelIds, bool ended) {
    return db.transaction([&] {
        for (const QString& id : novelIds)
            if (!db.exec(QStringLiteral("UPDATE book_novel SET bIsEnd = ? WHERE NovelID = ?"),
                         {ended ? QStringLiteral("1") : QStringLiteral("0"), id}))
                return false;
        return true;
    });
}

} // namespace LibraryLists
