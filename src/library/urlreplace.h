#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringList>

class Database;

// "目录页网址批量替换": one text replaced by another in the list addresses of chosen novels, or in the
// file paths of chosen bookcase entries. All rows change or none.
class UrlReplace {
    Q_DECLARE_TR_FUNCTIONS(UrlReplace)

public:
    // The number of rows whose value changed, or -1 when the database refused.
    static int replaceInListUrls(const Database& db, const QStringList& novelIds, const QString& find,
                                 const QString& replacement);
    // A change that would give two entries one path changes nothing: -1, and error (when given) is
    // "已有此文件路径的图书".
    static int replaceInBookcasePaths(const Database& db, const QList<qint64>& entryIds, const QString& find,
                                      const QString& replacement, QString* error = nullptr);
};
