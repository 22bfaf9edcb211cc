#include "companion/fileconnection.h"

#include <QAtomicInt>
#include <QSqlError>
#include <QSqlQuery>

FileConnection::FileConnection(const QString& path, const QString& options) {
    static QAtomicInt serial;
    m_name = QStringLiteral("file-%1").arg(serial.fetchAndAddRelaxed(1));
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    db.setDatabaseName(path);
    db.setConnectOptions(options);
    db.open();
}

FileConnection::~FileConnection() {
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
}

QString FileConnection::openError() const {
    return db().lastError().text();
}

bool FileConnection::exec(const QString& sql, QString* error) const {
    QSqlQuery q(db());
    if (q.exec(sql))
        return true;
    if (error)
        *error = q.lastError().text();
    return false;
}

QVariant FileConnection::scalar(const QString& sql) const {
    QSqlQuery q(db());
    return q.exec(sql) && q.next() ? q.value(0) : QVariant();
}
