#include "library/demostore.h"

#include "storage/database.h"

QString DemoStore::novelIdByName(const QString& name) const {
    return m_db
        .scalar(QStringLiteral("SELECT NovelID FROM book_novel WHERE NovelName = ? ORDER BY NovelID LIMIT 1"),
                {name})
        .toString();
}

QString DemoStore::listUrl(const QString& novelId) const {
    return m_db.scalar(QStringLiteral("SELECT ListUrl FROM book_novel WHERE NovelID = ?"), {novelId})
        .toString();
}

bool DemoStore::moveAddresses(const QString& novelId, const QString& oldBase, const QString& newBase) const {
    const qsizetype rest = oldBase.size() + 1;
    return m_db.transaction([&] {
        return m_db.exec(QStringLiteral("UPDATE book_novel SET ListUrl = ? || substr(ListUrl, ?) "
                                        "WHERE NovelID = ? AND substr(ListUrl, 1, ?) = ?"),
                         {newBase, rest, novelId, oldBase.size(), oldBase}) &&
               m_db.exec(QStringLiteral("UPDATE book_novelcontent SET ComeFrom = ? || substr(ComeFrom, ?) "
                                        "WHERE NovelID = ? AND substr(ComeFrom, 1, ?) = ?"),
                         {newBase, rest, novelId, oldBase.size(), oldBase});
    });
}
