#include "storage/bookcasestore.h"

#include "storage/database.h"
#include "storage/dbvalue.h"

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
