#include "storage/database.h"

#include "storage/schema.h"

#include <QFileInfo>
#include <QMutexLocker>
#include <QSqlError>
#include <QThread>
#include <unordered_map>

namespace {

// SQLite result codes that mean the file itself is gone or unusable.
bool isConnectionLost(const QSqlError& error) {
    if (error.type() == QSqlError::ConnectionError)
        return true;
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok) & 0xFF;
    if (!ok)
        return false;
    enum { IoErr = 10, Corrupt = 11, CantOpen = 14, NotADb = 26 };
    return code == IoErr || code == Corrupt || code == CantOpen || code == NotADb;
}

// A text value is text even when empty; only an invalid QVariant means Null.
void bindValues(QSqlQuery& q, const QVariantList& params) {
    for (qsizetype i = 0; i < params.size(); ++i) {
        const QVariant& value = params.at(i);
        if (value.typeId() == QMetaType::QString && value.toString().isNull())
            q.bindValue(int(i), QStringLiteral(""));
        else
            q.bindValue(int(i), value);
    }
}

// Open transactions per database on this thread; nested ones become savepoints.
thread_local std::unordered_map<const void*, int> t_transactionDepth; // stable references

} // namespace

Database::Database(const QString& path)
    : m_path(path) {}

Database::~Database() {
    QSet<QString> names;
    {
        QMutexLocker lock(&m_mutex);
        names = m_connections;
        m_connections.clear();
    }
    for (const QString& name : names) {
        {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            if (db.isOpen())
                db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
}

QString Database::connectionName() const {
    return QStringLiteral("quiveral-%1-%2")
        .arg(quintptr(this), 0, 16)
        .arg(quintptr(QThread::currentThread()), 0, 16);
}

QSqlDatabase Database::connection() const {
    const QString name = connectionName();
    if (QSqlDatabase::contains(name))
        return QSqlDatabase::database(name, true);

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(m_path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
    {
        QMutexLocker lock(&m_mutex);
        m_connections.insert(name);
    }
    if (db.open()) {
        QSqlQuery pragma(db);
        pragma.exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        pragma.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
        pragma.exec(QStringLiteral("PRAGMA foreign_keys=OFF"));
    }
    return db;
}

void Database::releaseThreadConnection() const {
    const QString name = connectionName();
    {
        QMutexLocker lock(&m_mutex);
        if (!m_connections.remove(name))
            return;
    }
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

void Database::checkpoint() const {
    exec(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)"));
}

bool Database::open(QString* error) {
    const QFileInfo info(m_path);
    if (info.exists() && !info.isFile()) {
        if (error)
            *error = QStringLiteral("%1 不是文件").arg(m_path);
        return false;
    }
    QSqlDatabase db = connection();
    if (!db.isOpen()) {
        if (error)
            *error = db.lastError().text();
        return false;
    }
    // Opening is lazy in SQLite: only a read tells whether the file is a database at all.
    QSqlQuery probe(db);
    if (!probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
        if (error)
            *error = probe.lastError().text();
        return false;
    }
    probe.finish();
    if (!Schema::ensure(*this)) {
        if (error)
            *error = QStringLiteral("无法建立数据表");
        return false;
    }
    return true;
}

void Database::setErrorHandler(ErrorHandler handler) {
    m_errorHandler = std::move(handler);
}

QString Database::messageFor(const QSqlError& error) {
    if (isConnectionLost(error))
        return QStringLiteral("数据库连接中断，请检查！");
    const QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    return text;
}

void Database::report(const QString& message) const {
    if (m_errorHandler)
        m_errorHandler(message);
    else
        qWarning("database: %s", qPrintable(message));
}

QSqlQuery Database::query(const QString& sql, const QVariantList& params) const {
    QSqlDatabase db = connection();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!db.isOpen()) {
        report(messageFor(db.lastError()));
        return q;
    }
    bool ok = q.prepare(sql);
    if (ok) {
        bindValues(q, params);
        ok = q.exec();
    }
    if (!ok) {
        report(messageFor(q.lastError()));
        q.finish();
    }
    return q;
}

bool Database::exec(const QString& sql, const QVariantList& params) const {
    QSqlQuery q = query(sql, params);
    return q.isActive();
}

Database::Statement::Statement(const Database& db, const QString& sql)
    : m_db(db) {
    const QSqlDatabase connection = db.connection();
    m_query = QSqlQuery(connection);
    m_query.setForwardOnly(true);
    if (!connection.isOpen())
        m_db.report(messageFor(connection.lastError()));
    else if (!(m_prepared = m_query.prepare(sql)))
        m_db.report(messageFor(m_query.lastError()));
}

bool Database::Statement::exec(const QVariantList& params) {
    if (!m_prepared)
        return false;
    bindValues(m_query, params);
    if (m_query.exec())
        return true;
    m_db.report(messageFor(m_query.lastError()));
    return false;
}

bool Database::execEach(const QString& sql, const QList<QVariantList>& rows,
                        const std::function<void(const QSqlQuery&)>& onRun) const {
    if (rows.isEmpty())
        return true;
    Statement statement(*this, sql);
    for (const QVariantList& params : rows) {
        if (!statement.exec(params))
            return false;
        if (onRun)
            onRun(statement.query());
    }
    return true;
}

QVariant Database::scalar(const QString& sql, const QVariantList& params, const QVariant& fallback) const {
    QSqlQuery q = query(sql, params);
    if (q.next() && !q.value(0).isNull())
        return q.value(0);
    return fallback;
}

bool Database::transaction(const std::function<bool()>& work) const {
    int& depthRef = t_transactionDepth[this];
    const int depth = depthRef;
    const QString savepoint = QStringLiteral("sp%1").arg(depth);
    const bool begun =
        depth == 0 ? exec(QStringLiteral("BEGIN IMMEDIATE")) : exec(QStringLiteral("SAVEPOINT ") + savepoint);
    if (!begun)
        return false;
    ++depthRef;
    bool ok = false;
    try {
        ok = work();
    } catch (...) {
        depthRef = depth;
        depth == 0 ? exec(QStringLiteral("ROLLBACK")) : exec(QStringLiteral("ROLLBACK TO ") + savepoint);
        throw;
    }
    depthRef = depth;
    if (depth == 0) {
        if (ok && exec(QStringLiteral("COMMIT")))
            return true;
        exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    if (ok)
        return exec(QStringLiteral("RELEASE ") + savepoint);
    exec(QStringLiteral("ROLLBACK TO ") + savepoint);
    exec(QStringLiteral("RELEASE ") + savepoint);
    return false;
}
