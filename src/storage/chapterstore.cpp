#include "storage/chapterstore.h"

#include "storage/database.h"
#include "storage/dbvalue.h"

#include <QDateTime>
#include <QSqlQuery>

int ChapterStore::count(const QString& novelId) const {
    if (novelId.isEmpty())
        return intOf(m_db.scalar(QStringLiteral("SELECT count(*) FROM book_novelcontent")));
    return intOf(
        m_db.scalar(QStringLiteral("SELECT count(*) FROM book_novelcontent WHERE NovelID=?"), {novelId}));
}

int ChapterStore::nextChapterOrder(const QString& novelId) const {
    return maxChapterOrder(novelId) + 1;
}

int ChapterStore::maxChapterOrder(const QString& novelId) const {
    return intOf(m_db.scalar(
        QStringLiteral("SELECT max(Displayorder) FROM book_novelcontent WHERE NovelID=?"), {novelId}));
}

int ChapterStore::maxVolumeOrder(const QString& volume) const {
    return intOf(m_db.scalar(QStringLiteral("SELECT max(Displayorder) FROM book_novelcontent WHERE Volume=?"),
                             {volume}));
}

int ChapterStore::chapterOrderBySource(const QString& comeFrom, const QString& novelId) const {
    return intOf(m_db.scalar(
        QStringLiteral("SELECT Displayorder FROM book_novelcontent WHERE ComeFrom=? AND NovelID=? LIMIT 1"),
        {comeFrom, novelId}));
}

int ChapterStore::chapterOrder(qint64 id) const {
    return intOf(m_db.scalar(QStringLiteral("SELECT Displayorder FROM book_novelcontent WHERE id=?"), {id}));
}

namespace {

const QString kInsertChapter = QStringLiteral(
    "INSERT INTO book_novelcontent (NovelID, Title, Displayorder, ComeFrom, DownDate, DownTime, "
    "bIsRead, Volume, WordNums) VALUES (?,?,?,?,?,?,'0',?,?)");

QVariantList insertValues(const ChapterRecord& r, const QString& date, const QString& time) {
    return {r.novelId, r.title, r.displayorder,        r.comeFrom,
            date,      time,    nullIfEmpty(r.volume), r.wordNums ? QVariant(*r.wordNums) : QVariant()};
}

} // namespace

qint64 ChapterStore::insertChapter(const ChapterRecord& r) const {
    const QList<qint64> ids = insertChapters({r});
    return ids.isEmpty() ? -1 : ids.first();
}

QList<qint64> ChapterStore::insertChapters(const QList<ChapterRecord>& records) const {
    const Stamp stamp = now();
    QList<QVariantList> rows;
    rows.reserve(records.size());
    for (const ChapterRecord& r : records)
        rows.append(insertValues(r, stamp.date, stamp.time));
    QList<qint64> ids;
    ids.reserve(records.size());
    if (!m_db.execEach(kInsertChapter, rows,
                       [&ids](const QSqlQuery& q) { ids.append(q.lastInsertId().toLongLong()); }))
        return {};
    return ids;
}

ChapterStore::Stamp ChapterStore::now() {
    thread_local qint64 second = -1;
    thread_local Stamp stamp;
    const qint64 current = QDateTime::currentSecsSinceEpoch();
    if (current != second) {
        const QDateTime local = QDateTime::fromSecsSinceEpoch(current);
        stamp = {local.toString(QStringLiteral("yyyy-MM-dd")), local.toString(QStringLiteral("HH:mm:ss"))};
        second = current;
    }
    return stamp;
}

bool ChapterStore::deleteChapters(const QList<qint64>& ids) const {
    QList<QVariantList> rows;
    rows.reserve(ids.size());
    for (const qint64 id : ids)
        rows.append(QVariantList{id});
    return m_db.execEach(QStringLiteral("DELETE FROM book_novelcontent WHERE id=?"), rows);
}

QStringList ChapterStore::chapterSources(const QString& novelId) const {
    QStringList sources;
    QSqlQuery q = m_db.query(
        QStringLiteral("SELECT ComeFrom FROM book_novelcontent WHERE NovelID=? ORDER BY Displayorder"),
        {novelId});
    while (q.next())
        sources.append(textOf(q.value(0)));
    return sources;
}

bool ChapterStore::updateVolumesBySource(const QString& novelId,
                                         const QList<QPair<QString, QString>>& sourceVolumes) const {
    return m_db.transaction([&] {
        for (const auto& [source, volume] : sourceVolumes)
            if (!m_db.exec(
                    QStringLiteral("UPDATE book_novelcontent SET Volume=? WHERE ComeFrom=? AND NovelID=?"),
                    {nullIfEmpty(volume), source, novelId}))
                return false;
        return true;
    });
}

bool ChapterStore::setWordNums(qint64 id, int wordNums) const {
    return m_db.exec(QStringLiteral("UPDATE book_novelcontent SET WordNums=?, Placeholder=-1 WHERE id=?"),
                     {wordNums, id});
}

bool ChapterStore::setChapterText(qint64 id, TextColumn column, const QString& value) const {
    switch (column) {
    case TextColumn::Title:
        return m_db.exec(QStringLiteral("UPDATE book_novelcontent SET Title=? WHERE id=?"), {value, id});
    case TextColumn::Volume:
        return m_db.exec(QStringLiteral("UPDATE book_novelcontent SET Volume=? WHERE id=?"),
                         {nullIfEmpty(value), id});
    case TextColumn::ComeFrom:
        return m_db.exec(QStringLiteral("UPDATE book_novelcontent SET ComeFrom=? WHERE id=?"), {value, id});
    }
    return false;
}
