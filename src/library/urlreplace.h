#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class Database;

// "目录页网址批量替换": one text replaced by another in the list addresses of chosen novels, or in the
// file paths of chosen bookcase entries. All rows change or none.
class UrlReplace {
public:
    // The number of rows whose value changed, or -1 when the database refused.
    static int replaceInListUrls(const Database& db, const QStringList& novelIds, const QString& find,
                                 const QString& replacement);
    static int replaceInBookcasePaths(const Database& db, const QList<qint64>& entryIds, const QString& find,
                                      const QString& replacement);
};
