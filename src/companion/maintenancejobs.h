#pragma once

#include "storage/job.h"

#include <QCoreApplication>
#include <QString>

class Database;

// The library database's upkeep: a backup copy (".mis", the database alone: chapter pages stay in
// chm/), restoring one into the live library, and compaction. Each leaves the library whole when it
// fails or is killed half-way: a backup is written beside its target and renamed over it, a restore
// goes in through SQLite's online backup in one transaction, a compaction is one VACUUM.
class Maintenance {
    Q_DECLARE_TR_FUNCTIONS(Maintenance)

public:
    // The checks of a path before a task: "" when it may be used, else the message. A backup's
    // existing file is not a fault here: the caller asks overwriteQuestion() first.
    static QString checkBackupPath(const QString& path);
    static QString checkRestorePath(const QString& path);
    static QString overwriteQuestion() { return tr("文件已存在，是否覆盖?"); }
    // "压缩数据库成功！" with the sizes before and after ("##,##0" bytes) and the ratio.
    static QString compactReport(qint64 before, qint64 after);
};

// Common to the three: the message for the user, and whether it went well.
class MaintenanceJob : public Job {
    Q_OBJECT

public:
    using Job::Job;
    bool succeeded() const { return m_succeeded; }
    QString message() const { return m_message; }

protected:
    void finish(bool ok, const QString& message) {
        m_succeeded = ok;
        m_message = message;
    }

private:
    bool m_succeeded = false;
    QString m_message;
};

// A consistent snapshot of the live database (a file copy while the log is folded in and nothing
// commits, else SQLite's online backup in one step; fine while a renewal writes), synced and checked
// before it replaces the target; a failure leaves an older backup untouched.
class BackupJob : public MaintenanceJob {
    Q_OBJECT

public:
    BackupJob(const Database& db, QString target, QObject* parent = nullptr);
    ~BackupJob() override;

protected:
    void run() override;

private:
    const Database& m_db;
    const QString m_target;
};

// Refuses a file that is no library database or whose pages do not hold together: the check runs
// beside the copy into the library, which stays uncommitted until it passes. Otherwise the file goes
// into the live database whole, or not at all: as it is when it has the library's current shape, else
// through a private copy in tempDir brought up to date first. The caller holds the library for itself and rebuilds what it shows afterwards.
class RestoreJob : public MaintenanceJob {
    Q_OBJECT

public:
    RestoreJob(const Database& db, QString source, QString tempDir, QObject* parent = nullptr);
    ~RestoreJob() override;

protected:
    void run() override;

private:
    bool restoreThroughCopy(QString* detail);
    bool restore(const QString& copy, QString* detail);

    const Database& m_db;
    const QString m_source;
    const QString m_tempDir;
};

// Rewrites the database without its free pages. It cannot finish while another program reads the
// library ("请先关闭数据库后再进行压缩。"); nothing is lost then.
class CompactJob : public MaintenanceJob {
    Q_OBJECT

public:
    explicit CompactJob(const Database& db, QObject* parent = nullptr);
    ~CompactJob() override;

    qint64 sizeBefore() const { return m_before; }
    qint64 sizeAfter() const { return m_after; }

protected:
    void run() override;

private:
    const Database& m_db;
    qint64 m_before = 0;
    qint64 m_after = 0;
};
