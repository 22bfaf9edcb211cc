#include "companion/databasecheck.h"

#include "companion/fileconnection.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>

QStringList DatabaseCheck::requiredTables() {
    return {QStringLiteral("book_novel"), QStringLiteral("book_novelcontent"), QStringLiteral("dic_noveltype")};
}

bool DatabaseCheck::hasSqliteHeader(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(16) == QByteArray("SQLite format 3\0", 16);
}

QStringList DatabaseCheck::problems(const QString& path) {
    if (!QFile::exists(path))
        return {tr("无此文件：") + path};
    if (!hasSqliteHeader(path))
        return {tr("不是 SQLite 数据库文件")};
    const FileConnection file(path, QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=10000"));
    if (!file.isOpen())
        return {file.openError()};
    QStringList found;
    QSqlQuery q(file.db());
    if (!q.exec(QStringLiteral("PRAGMA integrity_check"))) {
        found << q.lastError().text();
    } else {
        while (q.next())
            if (q.value(0).toString() != QLatin1String("ok"))
                found << q.value(0).toString();
    }
    QStringList tables;
    if (q.exec(QStringLiteral("SELECT lower(name) FROM sqlite_master WHERE type='table'")))
        while (q.next())
            tables << q.value(0).toString();
    for (const QString& table : requiredTables())
        if (!tables.contains(table))
            found << tr("缺少数据表：") + table;
    return found;
}
