#include "storage/bookcasestore.h"

#include "storage/database.h"
#include "storage/dbvalue.h"

#include <QSqlQuery>

bool BookcaseStore::registerEntry(const QString& name, const QString& lb, const QString& author,
                                  const QString& path) const {
    return m_db.transaction([&] {
        const bool present =
            m_db.scalar(QStringLiteral("SELECT 1 FROM pri_mynovel WHERE WJLJ=? LIMIT 1"), {path}).isValid();
        if (present)
            return m_db.exec(QStringLiteral("UPDATE pri_mynovel SET MC=?, ZZ=? WHERE WJLJ=?"),
                             {name, author, path});
        return m_db.exec(QStringLiteral("INSERT INTO pri_mynovel (MC, LB, ZZ, WJLJ) VALUES (?,?,?,?)"),
                         {name, nullIfEmpty(lb), author, path});
    });
}

int BookcaseStore::count() const {
    return intOf(m_db.scalar(QStringLiteral("SELECT count(*) FROM pri_mynovel")));
}

bool BookcaseStore::setAuthorByPath(const QString& path, const QString& author) const {
    return m_db.exec(QStringLiteral("UPDATE pri_mynovel SET ZZ=? WHERE WJLJ=?"), {author, path});
}

QString BookcaseStore::pathOf(qint64 id) const {
    return textOf(m_db.scalar(QStringLiteral("SELECT WJLJ FROM pri_mynovel WHERE ID=?"), {id}));
}

bool BookcaseStore::setPath(qint64 id, const QString& path) const {
    return m_db.exec(QStringLiteral("UPDATE pri_mynovel SET WJLJ=? WHERE ID=?"), {path, id});
}

namespace {

const QString kSelectEntries = QStringLiteral("SELECT a.id, a.MC, a.LB, b.MC, a.ZZ, a.WJLJ, a.SM FROM "
                                              "pri_mynovel a LEFT JOIN dic_noveltype b ON a.LB = b.DM");

BookcaseEntry entryOf(const QSqlQuery& q) {
    return {q.value(0).toLongLong(), textOf(q.value(1)), textOf(q.value(2)), textOf(q.value(3)),
            textOf(q.value(4)),      textOf(q.value(5)), textOf(q.value(6))};
}

} // namespace

QList<BookcaseEntry> BookcaseStore::list(const QString& code, const QString& nameFilter) const {
    QString sql = kSelectEntries + QLatin1String(" WHERE 1=1");
    QVariantList params;
    if (!code.isEmpty()) {
        sql += QLatin1String(" AND a.LB = ?");
        params << code;
    }
    if (!nameFilter.isEmpty()) {
        sql += QLatin1String(" AND a.MC LIKE ? ESCAPE '\\'");
        params << likeContaining(nameFilter);
    }
    sql += QLatin1String(" ORDER BY a.id");
    QList<BookcaseEntry> entries;
    QSqlQuery q = m_db.query(sql, params);
    while (q.next())
        entries.append(entryOf(q));
    return entries;
}

std::optional<BookcaseEntry> BookcaseStore::get(qint64 id) const {
    QSqlQuery q = m_db.query(kSelectEntries + QLatin1String(" WHERE a.id = ?"), {id});
    if (!q.next())
        return std::nullopt;
    return entryOf(q);
}

bool BookcaseStore::hasPath(const QString& path, qint64 exceptId) const {
    return m_db
        .scalar(QStringLiteral("SELECT 1 FROM pri_mynovel WHERE WJLJ = ? AND id <> ? LIMIT 1"),
                {path, exceptId})
        .isValid();
}

qint64 BookcaseStore::insert(const BookcaseEntry& entry) const {
    Database::Statement insert(
        m_db, QStringLiteral("INSERT INTO pri_mynovel (MC, LB, ZZ, WJLJ, SM) VALUES (?,?,?,?,?)"));
    if (!insert.isPrepared() ||
        !insert.exec({entry.mc, nullIfEmpty(entry.lb), entry.zz, entry.wjlj, entry.sm}))
        return 0;
    return insert.query().lastInsertId().toLongLong();
}

bool BookcaseStore::update(const BookcaseEntry& entry) const {
    return m_db.exec(
        QStringLiteral("UPDATE pri_mynovel SET MC = ?, LB = ?, ZZ = ?, WJLJ = ?, SM = ? WHERE id = ?"),
        {entry.mc, nullIfEmpty(entry.lb), entry.zz, entry.wjlj, entry.sm, entry.id});
}

bool BookcaseStore::remove(const QList<qint64>& ids) const {
    return m_db.transaction([&] {
        for (const qint64 id : ids)
            if (!m_db.exec(QStringLiteral("DELETE FROM pri_mynovel WHERE id = ?"), {id}))
                return false;
        return true;
    });
}

bool BookcaseStore::move(const QList<qint64>& ids, const QString& code) const {
    return m_db.transaction([&] {
        for (const qint64 id : ids)
            if (!m_db.exec(QStringLiteral("UPDATE pri_mynovel SET LB = ? WHERE id = ?"),
                           {nullIfEmpty(code), id}))
                return false;
        return true;
    });
}

bool BookcaseStore::removeCategory(const QString& code) const {
    return m_db.exec(QStringLiteral("DELETE FROM pri_mynovel WHERE LB = ?"), {code});
}
