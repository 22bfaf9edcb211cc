#pragma once

#include <QMutex>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <functional>

// The library database (pim.db). Each thread gets its own connection to the same file, opened on
// first use with the same pragmas. A failed statement is reported through the error handler with the
// message the user sees ("数据库连接中断，请检查！" when the file is gone or unusable, otherwise the
// driver's text) and the caller carries on with an empty result.
class Database {
public:
    using ErrorHandler = std::function<void(const QString& message)>;

    explicit Database(const QString& path);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    QString path() const { return m_path; }

    // Opens (and creates when missing) the file on this thread, checks that it is a usable database,
    // creates the current schema where tables are missing and brings old tables up to date.
    bool open(QString* error = nullptr);

    // This thread's connection; opened on demand.
    QSqlDatabase connection() const;
    // Jobs call this before their thread ends.
    void releaseThreadConnection() const;
    // Copies what the write-ahead log holds into the database file, without waiting for readers or
    // writers (what they still need stays in the log); closing the last connection has that much
    // less to do.
    void checkpoint() const;

    void setErrorHandler(ErrorHandler handler);

    // A prepared statement with bound values, already executed. A QString binds as text (a null QString
    // as ""); only an invalid QVariant binds Null. On failure the error is reported and
    // the returned query is inactive, so next() is false.
    QSqlQuery query(const QString& sql, const QVariantList& params = {}) const;
    bool exec(const QString& sql, const QVariantList& params = {}) const;
    // One statement prepared once on this thread's connection and run for row after row as they
    // come. It must be gone before the thread releases its connection.
    class Statement {
    public:
        Statement(const Database& db, const QString& sql);
        bool isPrepared() const { return m_prepared; }
        // Binds and runs; a failure is reported and gives false.
        bool exec(const QVariantList& params);
        const QSqlQuery& query() const { return m_query; }

    private:
        const Database& m_db;
        QSqlQuery m_query;
        bool m_prepared = false;
    };

    // One statement prepared once and run for each row of values, in order; after each run, onRun
    // gets the executed query (for lastInsertId). Stops at the first failure, reported; false then.
    bool execEach(const QString& sql, const QList<QVariantList>& rows,
                  const std::function<void(const QSqlQuery&)>& onRun = {}) const;
    // The first column of the first row, or fallback when there is no row or the value is Null.
    QVariant scalar(const QString& sql, const QVariantList& params = {}, const QVariant& fallback = {}) const;

    // The message the user sees for a failed statement.
    static QString messageFor(const class QSqlError& error);

    // Runs work inside a transaction (a savepoint when one is already open on this thread): it
    // commits when work returns true and rolls back otherwise.
    bool transaction(const std::function<bool()>& work) const;

private:
    QString connectionName() const;
    void report(const QString& message) const;

    QString m_path;
    mutable QMutex m_mutex;
    mutable QSet<QString> m_connections;
    ErrorHandler m_errorHandler;
};
