#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The files one database transaction writes and removes. Written files keep their old bytes so that a
// rollback of the rows puts the files back too; removals wait until the rows are gone for good.
class FileChanges {
public:
    // Writes atomically, making the folder when needed.
    bool write(const QString& path, const QByteArray& bytes, QString* error);
    bool copy(const QString& from, const QString& to, QString* error);
    void removeAfterCommit(const QString& path) { m_removals.append(path); }

    // The transaction failed: the old bytes go back, new files go.
    void rollBack();
    // The transaction holds: the removals happen.
    void commit();

private:
    struct Old {
        QString path;
        bool existed = false;
        QByteArray bytes;
    };
    QList<Old> m_written;
    QStringList m_removals;
};
