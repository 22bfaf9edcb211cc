#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QVariant>

// A connection of its own to an SQLite file other than the library's (or to it, read-only), closed
// with the object: backups, restore candidates, checks.
class FileConnection {
public:
    explicit FileConnection(const QString& path, const QString& options = {});
    ~FileConnection();
    FileConnection(const FileConnection&) = delete;
    FileConnection& operator=(const FileConnection&) = delete;

    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }
    bool isOpen() const { return db().isOpen(); }
    // The open's failure, when it failed.
    QString openError() const;
    bool exec(const QString& sql, QString* error = nullptr) const;
    QVariant scalar(const QString& sql) const;

private:
    QString m_name;
};
