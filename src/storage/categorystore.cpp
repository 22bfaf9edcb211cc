#include "storage/categorystore.h"

#include "storage/database.h"
#include "storage/dbvalue.h"

#include <QSet>
#include <QSqlQuery>

namespace {

QString twoDigits(int n) {
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

} // namespace

QList<Category> CategoryStore::list() const {
    QList<Category> categories;
    QSqlQuery q = m_db.query(QStringLiteral("SELECT DM, MC FROM dic_noveltype ORDER BY DM"));
    while (q.next())
        categories.append({textOf(q.value(0)), textOf(q.value(1))});
    return categories;
}

QString CategoryStore::codeOf(const QString& name) const {
    return textOf(m_db.scalar(QStringLiteral("SELECT DM FROM dic_noveltype WHERE MC=?"), {name}));
}

QString CategoryStore::nameOf(const QString& code) const {
    return textOf(m_db.scalar(QStringLiteral("SELECT MC FROM dic_noveltype WHERE DM=?"), {code}));
}

QString CategoryStore::nextCode() const {
    const QVariant max = m_db.scalar(QStringLiteral("SELECT max(DM) FROM dic_noveltype"));
    const int next = max.isValid() ? max.toString().toInt() + 1 : 1;
    const QString code = next >= 100 ? QStringLiteral("00") : twoDigits(next);

    QSet<QString> used;
    for (const Category& c : list())
        used.insert(c.code);
    if (!used.contains(code))
        return code;
    // "00" after "99" would give two categories one code; take a free one.
    for (int n = 1; n <= 100; ++n) {
        const QString candidate = twoDigits(n % 100);
        if (!used.contains(candidate))
            return candidate;
    }
    return {};
}

QString CategoryStore::validateName(const QString& name, const QString& exceptCode) const {
    if (name.isEmpty())
        return tr("分类名称不能为空");
    const bool taken = m_db.scalar(QStringLiteral("SELECT 1 FROM dic_noveltype WHERE MC=? AND DM<>? LIMIT 1"),
                                   {name, exceptCode})
                           .isValid();
    if (taken)
        return tr("已有同名的分类名称，请重新输入");
    return {};
}

CategoryStore::Result CategoryStore::add(const QString& rawName) const {
    const QString name = rawName.trimmed();
    Result result;
    result.error = validateName(name, QString());
    if (!result.ok())
        return result;
    result.code = nextCode();
    if (result.code.isEmpty()) {
        result.error = tr("分类已满，不能再新增分类");
        return result;
    }
    if (!m_db.exec(QStringLiteral("INSERT INTO dic_noveltype (DM, MC) VALUES (?, ?)"), {result.code, name}))
        result.error = tr("新增分类失败");
    return result;
}

CategoryStore::Result CategoryStore::rename(const QString& code, const QString& rawName) const {
    const QString name = rawName.trimmed();
    Result result{code, validateName(name, code)};
    if (result.ok() && !m_db.exec(QStringLiteral("UPDATE dic_noveltype SET MC=? WHERE DM=?"), {name, code}))
        result.error = tr("编辑分类失败");
    return result;
}

bool CategoryStore::swapCodes(const QString& a, const QString& b) const {
    if (a == b)
        return true;
    static const QString kPark = QStringLiteral("ZZ");
    // "ZZ" parks the first code while the second takes its place; it is never a real code.
    const QStringList tables[] = {{QStringLiteral("dic_noveltype"), QStringLiteral("DM")},
                                  {QStringLiteral("book_novel"), QStringLiteral("LB")},
                                  {QStringLiteral("pri_mynovel"), QStringLiteral("LB")}};
    const QString moves[][2] = {{a, kPark}, {b, a}, {kPark, b}};
    return m_db.transaction([&] {
        for (const auto& move : moves)
            for (const QStringList& t : tables)
                if (!m_db.exec(QStringLiteral("UPDATE %1 SET %2=? WHERE %2=?").arg(t[0], t[1]),
                               {move[1], move[0]}))
                    return false;
        return true;
    });
}
