#include "library/readmarks.h"

#include "storage/database.h"

namespace ReadMarks {

bool setRead(const Database& db, const QList<qint64>& chapterIds, bool read) {
    const QString mark = read ? QStringLiteral("1") : QStringLiteral("0");
    return db.transaction([&] {
        for (const qint64 id : chapterIds)
            if (!db.exec(QStringLiteral("UPDATE book_novelcontent SET bIsRead = ? WHERE id = ?"), {mark, id}))
                return false;
        return true;
    });
}

bool setAllRead(const Database& db, const QString& novelId, bool read) {
    return db.exec(QStringLiteral("UPDATE book_novelcontent SET bIsRead = ? WHERE NovelID = ?"),
                   {read ? QStringLiteral("1") : QStringLiteral("0"), novelId});
}

} // namespace ReadMarks
