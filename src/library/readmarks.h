#pragma once

#include <QList>
#include <QString>

class Database;

// Read marks of chapters ("1" read, "0" unread).
namespace ReadMarks {

bool setRead(const Database& db, const QList<qint64>& chapterIds, bool read);
bool setAllRead(const Database& db, const QString& novelId, bool read);

} // namespace ReadMarks
