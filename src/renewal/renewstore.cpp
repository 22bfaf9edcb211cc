#include "renewal/renewstore.h"

#include "storage/database.h"
#include "storage/dbvalue.h"

#include <QHash>
#include <QSet>
#include <QSqlQuery>

namespace {

const QString kChapterColumns = QStringLiteral("SELECT id, NovelID, Title, ComeFrom, Volume, Displayorder, "
                                               "WordNums, Placeholder FROM book_novelcontent ");

// bIsEnd is Null for most novels: "<>'1'" alone would skip them.
const QString kStillRenewed = QStringLiteral("(bIsEnd IS NULL OR bIsEnd<>'1')");

} // namespace

QStringList RenewStore::novelsToRenew() const {
    QStringList ids;
    QSqlQuery q = m_db.query(QStringLiteral("SELECT NovelID FROM book_novel WHERE ") + kStillRenewed +
                             QStringLiteral(" AND (LB<>'' AND LB IS NOT NULL) ORDER BY LB, Displayorder"));
    while (q.next())
        ids << textOf(q.value(0));
    QSqlQuery rest = m_db.query(QStringLiteral("SELECT NovelID FROM book_novel WHERE ") + kStillRenewed +
                                QStringLiteral(" AND (LB='' OR LB IS NULL) ORDER BY Displayorder"));
    while (rest.next())
        ids << textOf(rest.value(0));
    return ids;
}

QStringList RenewStore::novelsOfCategory(const QString& code) const {
    QStringList ids;
    QSqlQuery q = m_db.query(QStringLiteral("SELECT NovelID FROM book_novel WHERE ") + kStillRenewed +
                                 QStringLiteral(" AND LB=? ORDER BY Displayorder"),
                             {code});
    while (q.next())
        ids << textOf(q.value(0));
    return ids;
}

QHash<QString, QString> RenewStore::listUrls() const {
    QHash<QString, QString> urls;
    QSqlQuery q = m_db.query(QStringLiteral("SELECT NovelID, ListUrl FROM book_novel"));
    while (q.next())
        urls.insert(textOf(q.value(0)), textOf(q.value(1)));
    return urls;
}

bool RenewStore::setEnded(const QStringList& novelIds, bool ended) const {
    return m_db.transaction([&] {
        for (const QString& id : novelIds)
            if (!m_db.exec(QStringLiteral("UPDATE book_novel SET bIsEnd=? WHERE NovelID=?"),
                           {ended ? QStringLiteral("1") : QStringLiteral("0"), id}))
                return false;
        return true;
    });
}

QList<StoredChapter> RenewStore::readChapters(const QString& sql, const QVariantList& params) const {
    QList<StoredChapter> rows;
    QSqlQuery q = m_db.query(kChapterColumns + sql, params);
    while (q.next()) {
        StoredChapter c;
        c.id = q.value(0).toLongLong();
        c.novelId = textOf(q.value(1));
        c.title = textOf(q.value(2));
        c.comeFrom = textOf(q.value(3));
        c.volume = textOf(q.value(4));
        c.displayorder = intOf(q.value(5));
        if (!q.value(6).isNull())
            c.wordNums = q.value(6).toInt();
        c.placeholder = q.value(7).toInt();
        rows.append(c);
    }
    return rows;
}

std::optional<StoredChapter> RenewStore::chapter(qint64 id) const {
    const QList<StoredChapter> rows = readChapters(QStringLiteral("WHERE id=?"), {id});
    if (rows.isEmpty())
        return std::nullopt;
    return rows.first();
}

QList<StoredChapter> RenewStore::chapters(const QString& novelId, const QList<qint64>& ids) const {
    const QSet<qint64> wanted(ids.cbegin(), ids.cend());
    QList<StoredChapter> rows;
    for (const StoredChapter& c : chapters(novelId))
        if (wanted.contains(c.id))
            rows.append(c);
    return rows;
}

QList<StoredChapter> RenewStore::chapters(const QString& novelId) const {
    return readChapters(QStringLiteral("WHERE NovelID=? ORDER BY Displayorder, id"), {novelId});
}

QList<StoredChapter> RenewStore::emptyChapters(const QString& novelId) const {
    return readChapters(
        QStringLiteral("WHERE NovelID=? AND (WordNums=0 OR WordNums IS NULL) ORDER BY Displayorder, id"),
        {novelId});
}

QList<StoredChapter> RenewStore::waitingChapters(const QString& novelId, qint64 upToId,
                                                 bool withFailed) const {
    // A row without an address (written by hand) has nothing to fetch.
    return readChapters(QStringLiteral("WHERE NovelID=? AND id<=? AND ComeFrom<>'' AND ComeFrom IS NOT NULL AND ") +
                            (withFailed ? QStringLiteral("(WordNums=0 OR WordNums IS NULL)")
                                        : QStringLiteral("WordNums IS NULL")) +
                            QStringLiteral(" ORDER BY Displayorder, id"),
                        {novelId, upToId});
}

qint64 RenewStore::maxChapterId() const {
    return m_db.scalar(QStringLiteral("SELECT max(id) FROM book_novelcontent"), {}, 0).toLongLong();
}

QList<StoredChapter> RenewStore::placeholderChapters(const QString& novelId, int maxTries) const {
    return readChapters(QStringLiteral("WHERE NovelID=? AND Placeholder BETWEEN 1 AND ? AND WordNums>0 AND "
                                       "ComeFrom<>'' AND ComeFrom IS NOT NULL ORDER BY Displayorder, id"),
                        {novelId, maxTries});
}

QList<StoredChapter> RenewStore::allPlaceholderChapters(const QString& novelId) const {
    return readChapters(
        QStringLiteral("WHERE NovelID=? AND Placeholder>0 AND ComeFrom<>'' AND ComeFrom IS NOT "
                       "NULL ORDER BY Displayorder, id"),
        {novelId});
}

bool RenewStore::countPlaceholderTries(const QList<StoredChapter>& chapters) const {
    return m_db.transaction([&] {
        for (const StoredChapter& c : chapters)
            if (!m_db.exec(QStringLiteral("UPDATE book_novelcontent SET Placeholder=Placeholder+1 WHERE id=? "
                                          "AND Placeholder>0"),
                           {c.id}))
                return false;
        return true;
    });
}

QString RenewStore::joinPages(const QString& novelId) const {
    return textOf(
        m_db.scalar(QStringLiteral("SELECT bIsJoinPages FROM book_novel WHERE NovelID=?"), {novelId}));
}

bool RenewStore::setJoinPages(const QString& novelId, const QString& value) const {
    return m_db.exec(QStringLiteral("UPDATE book_novel SET bIsJoinPages=? WHERE NovelID=?"),
                     {value.isEmpty() ? QVariant() : QVariant(value), novelId});
}

qint64 RenewStore::newestStoredChapterId(const QString& novelId) const {
    return m_db
        .scalar(
            QStringLiteral("SELECT max(id) FROM book_novelcontent WHERE NovelID=? AND WordNums IS NOT NULL"),
            {novelId}, 0)
        .toLongLong();
}

std::optional<int> RenewStore::orderBySource(const QString& novelId, const QString& comeFrom) const {
    const QVariant order = m_db.scalar(QStringLiteral("SELECT Displayorder FROM book_novelcontent WHERE "
                                                      "NovelID=? AND lower(ComeFrom)=lower(?) LIMIT 1"),
                                       {novelId, comeFrom});
    if (!order.isValid())
        return std::nullopt;
    return order.toInt();
}

qint64 RenewStore::insertWaitingChapter(ChapterRecord record, std::optional<int> afterOrder) const {
    qint64 id = -1;
    record.wordNums.reset();
    m_db.transaction([&] {
        if (afterOrder) {
            if (!m_db.exec(QStringLiteral("UPDATE book_novelcontent SET Displayorder=Displayorder+1 "
                                          "WHERE NovelID=? AND Displayorder>?"),
                           {record.novelId, *afterOrder}))
                return false;
            record.displayorder = *afterOrder + 1;
        } else {
            record.displayorder = ChapterStore(m_db).nextChapterOrder(record.novelId);
        }
        id = ChapterStore(m_db).insertChapter(record);
        return id > 0;
    });
    return id;
}

QList<qint64> RenewStore::insertWaitingChapters(const QList<ChapterRecord>& records,
                                                const QHash<QString, int>& sitePositions) const {
    QList<qint64> ids;
    const bool ok = m_db.transaction([&] {
        QList<ChapterRecord> waiting = records;
        for (ChapterRecord& record : waiting)
            record.wordNums.reset();
        ids = ChapterStore(m_db).insertChapters(waiting);
        if (ids.size() != waiting.size())
            return false;
        if (sitePositions.isEmpty() || records.isEmpty())
            return true;
        QList<QPair<qint64, int>> moves;
        QSqlQuery q = m_db.query(QStringLiteral("SELECT id, ComeFrom FROM book_novelcontent WHERE NovelID=? "
                                                "AND ComeFrom<>'' AND ComeFrom IS NOT NULL"),
                                 {records.first().novelId});
        while (q.next()) {
            const auto it = sitePositions.constFind(textOf(q.value(1)).toLower());
            if (it != sitePositions.cend())
                moves.append({q.value(0).toLongLong(), it.value()});
        }
        q.finish();
        for (const auto& [id, order] : moves)
            if (!m_db.exec(QStringLiteral("UPDATE book_novelcontent SET Displayorder=? WHERE id=?"),
                           {order, id}))
                return false;
        return true;
    });
    return ok ? ids : QList<qint64>();
}

bool RenewStore::finishChapter(qint64 id, int wordNums, bool stub) const {
    return m_db.exec(finishChapterSql(), finishChapterValues(id, wordNums, stub));
}

QString RenewStore::finishChapterSql() {
    // A stub stored again keeps the tries it has used up.
    return QStringLiteral(
        "UPDATE book_novelcontent SET DownDate=?, DownTime=?, WordNums=?, Placeholder=CASE WHEN "
        "Placeholder<0 THEN Placeholder WHEN ?=1 THEN max(coalesce(Placeholder,0),1) ELSE 0 "
        "END WHERE id=?");
}

QVariantList RenewStore::finishChapterValues(qint64 id, int wordNums, bool stub) {
    const ChapterStore::Stamp now = ChapterStore::now();
    return {now.date, now.time, wordNums, stub ? 1 : 0, id};
}
