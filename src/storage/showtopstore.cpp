#include "storage/showtopstore.h"

#include "storage/database.h"
#include "storage/dbvalue.h"
#include "storage/schema.h"

#include <QSqlQuery>

namespace {

const QString kSelect = QStringLiteral("SELECT id, Name, url, displayorder FROM book_showtop ");

ShowTopLink linkOf(const QSqlQuery& q) {
    return {q.value(0).toLongLong(), textOf(q.value(1)), textOf(q.value(2)), intOf(q.value(3))};
}

} // namespace

bool ShowTopStore::ensure(const QList<ShowTopLink>& defaults) const {
    if (Schema::listTables(m_db).contains(QStringLiteral("book_showtop"), Qt::CaseInsensitive))
        return true;
    return m_db.transaction([&] {
        if (!Schema::ensureShowTopTable(m_db))
            return false;
        int order = 0;
        for (const ShowTopLink& link : defaults)
            if (!m_db.exec(QStringLiteral("INSERT INTO book_showtop (theType, displayorder, Name, url) "
                                          "VALUES (?,?,?,?)"),
                           {group(), ++order, link.name, link.url}))
                return false;
        return true;
    });
}

QList<ShowTopLink> ShowTopStore::list() const {
    QList<ShowTopLink> links;
    QSqlQuery q = m_db.query(kSelect + QStringLiteral("WHERE theType=? ORDER BY displayorder, id"), {group()});
    while (q.next())
        links << linkOf(q);
    return links;
}

std::optional<ShowTopLink> ShowTopStore::get(qint64 id) const {
    QSqlQuery q = m_db.query(kSelect + QStringLiteral("WHERE id=? AND theType=?"), {id, group()});
    if (!q.next())
        return std::nullopt;
    return linkOf(q);
}

QString ShowTopStore::check(const QString& name, const QString& url) {
    if (name.trimmed().isEmpty())
        return tr("网站名称不能为空");
    if (url.trimmed().isEmpty())
        return tr("链接地址不能为空");
    return {};
}

qint64 ShowTopStore::add(const QString& name, const QString& url) const {
    if (!check(name, url).isEmpty())
        return 0;
    qint64 id = 0;
    m_db.transaction([&] {
        const int order = intOf(m_db.scalar(
                              QStringLiteral("SELECT max(displayorder) FROM book_showtop WHERE theType=?"), {group()})) +
                          1;
        QSqlQuery q = m_db.query(QStringLiteral("INSERT INTO book_showtop (theType, displayorder, Name, url) "
                                                "VALUES (?,?,?,?)"),
                                 {group(), order, name.trimmed(), url.trimmed()});
        id = q.isActive() ? q.lastInsertId().toLongLong() : 0;
        return id > 0;
    });
    return id;
}

bool ShowTopStore::update(qint64 id, const QString& name, const QString& url) const {
    return check(name, url).isEmpty() && get(id) &&
           m_db.exec(QStringLiteral("UPDATE book_showtop SET Name=?, url=? WHERE id=?"),
                     {name.trimmed(), url.trimmed(), id});
}

bool ShowTopStore::remove(qint64 id) const {
    return get(id) && m_db.exec(QStringLiteral("DELETE FROM book_showtop WHERE id=?"), {id});
}

ShowTopStore::Swap ShowTopStore::swap(qint64 id, bool up) const {
    const QList<ShowTopLink> links = list();
    qsizetype i = 0;
    while (i < links.size() && links.at(i).id != id)
        ++i;
    const qsizetype j = up ? i - 1 : i + 1;
    if (i == links.size())
        return Swap::Failed;
    if (j < 0 || j >= links.size())
        return Swap::AtEnd;
    // Positions, not the stored values: two links with one order would otherwise stay where they are.
    const QString set = QStringLiteral("UPDATE book_showtop SET displayorder=? WHERE id=?");
    const bool ok = m_db.transaction([&] {
        for (qsizetype k = 0; k < links.size(); ++k) {
            const qsizetype from = k == i ? j : k == j ? i : k;
            if (!m_db.exec(set, {int(k) + 1, links.at(from).id}))
                return false;
        }
        return true;
    });
    return ok ? Swap::Moved : Swap::Failed;
}
