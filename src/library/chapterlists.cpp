#include "library/chapterlists.h"

#include "storage/database.h"
#include "storage/dbvalue.h"

#include <QSqlQuery>

namespace {

const QString kSelect = QStringLiteral(
    "SELECT id, NovelID, Title, Displayorder, Volume, ComeFrom, DownDate, DownTime, WordNums, bIsRead "
    "FROM book_novelcontent ");

QList<ChapterRow> rowsOf(QSqlQuery q) {
    QList<ChapterRow> rows;
    while (q.next()) {
        ChapterRow r;
        r.id = q.value(0).toLongLong();
        r.novelId = textOf(q.value(1));
        r.title = textOf(q.value(2));
        r.displayorder = intOf(q.value(3));
        r.volume = textOf(q.value(4));
        r.comeFrom = textOf(q.value(5));
        r.downDate = textOf(q.value(6));
        r.downTime = textOf(q.value(7));
        if (!q.value(8).isNull())
            r.wordNums = q.value(8).toInt();
        r.read = textOf(q.value(9)) == QLatin1String("1");
        rows.append(r);
    }
    return rows;
}

QString likePattern(QString text) {
    text.replace(u'\\', QLatin1String("\\\\"));
    text.replace(u'%', QLatin1String("\\%"));
    text.replace(u'_', QLatin1String("\\_"));
    return u'%' + text + u'%';
}

} // namespace

namespace ChapterLists {

std::optional<ChapterRow> chapter(const Database& db, qint64 id) {
    const QList<ChapterRow> rows = rowsOf(db.query(kSelect + QStringLiteral("WHERE id = ?"), {id}));
    if (rows.isEmpty())
        return std::nullopt;
    return rows.first();
}

QList<ChapterRow> chaptersTitled(const Database& db, const QString& novelId, const QString& text) {
    if (text.isEmpty())
        return rowsOf(
            db.query(kSelect + QStringLiteral("WHERE NovelID = ? ORDER BY Displayorder, id"), {novelId}));
    return rowsOf(db.query(kSelect + QStringLiteral("WHERE NovelID = ? AND Title LIKE ? ESCAPE '\\' "
                                                    "ORDER BY Displayorder, id"),
                           {novelId, likePattern(text)}));
}

} // namespace ChapterLists
