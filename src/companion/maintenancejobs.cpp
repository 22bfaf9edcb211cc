#include "companion/maintenancejobs.h"

#include "companion/databasecheck.h"
#include "companion/fileconnection.h"
#include "storage/database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QScopeGuard>
#include <QSet>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <QtConcurrent/QtConcurrentRun>

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Forces a file (or a folder's entries) to the disk: a backup that is only in the page cache is no
// backup after a power cut.
bool syncPath(const QString& path, bool folder = false) {
    const int fd = ::open(QFile::encodeName(path).constData(), folder ? O_RDONLY | O_DIRECTORY : O_RDWR);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

sqlite3* handleOf(const QSqlDatabase& db) {
    const QVariant v = db.driver()->handle();
    if (!v.isValid() || qstrcmp(v.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(v.constData());
}

int pageCount(sqlite3* db) {
    sqlite3_stmt* statement = nullptr;
    int pages = 0;
    if (sqlite3_prepare_v2(db, "PRAGMA page_count", -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW)
        pages = sqlite3_column_int(statement, 0);
    sqlite3_finalize(statement);
    return pages;
}

// Every page of from into to through SQLite's online backup, committed in one transaction. With
// mayCommit, every page but the last goes in first and the commit waits for its verdict: a false
// one rolls the whole copy back (a backup finished before it is done rolls back).
bool copyPages(sqlite3* to, sqlite3* from, QString* detail, const std::function<bool()>& mayCommit = {}) {
    if (!to || !from)
        return false;
    const int pages = mayCommit ? pageCount(from) : 0;
    sqlite3_backup* backup = sqlite3_backup_init(to, "main", from, "main");
    if (!backup) {
        *detail = QString::fromUtf8(sqlite3_errmsg(to));
        return false;
    }
    int stepped = SQLITE_OK;
    if (mayCommit) {
        if (pages > 1)
            stepped = sqlite3_backup_step(backup, pages - 1);
        if (stepped == SQLITE_OK && !mayCommit()) {
            sqlite3_backup_finish(backup);
            return false;
        }
    }
    if (stepped == SQLITE_OK)
        stepped = sqlite3_backup_step(backup, -1);
    const int finished = sqlite3_backup_finish(backup);
    if (stepped != SQLITE_DONE || finished != SQLITE_OK) {
        *detail = QString::fromUtf8(sqlite3_errmsg(to));
        return false;
    }
    return true;
}

bool execOn(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

QByteArray textOf(sqlite3* db, const char* sql) {
    sqlite3_stmt* statement = nullptr;
    QByteArray value;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW)
        value = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    sqlite3_finalize(statement);
    return value;
}

qint64 integerOf(sqlite3* db, const char* sql) {
    sqlite3_stmt* statement = nullptr;
    qint64 value = -1;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW)
        value = sqlite3_column_int64(statement, 0);
    sqlite3_finalize(statement);
    return value;
}

// The file's bytes by the kernel (no trip through this process where the file system allows).
bool copyBytes(const QString& from, const QString& to) {
    const int in = ::open(QFile::encodeName(from).constData(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(QFile::encodeName(to).constData(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    const auto close = qScopeGuard([in, out] {
        if (in >= 0)
            ::close(in);
        if (out >= 0)
            ::close(out);
    });
    if (in < 0 || out < 0)
        return false;
    bool kernel = true;
    char buffer[1 << 16];
    for (;;) {
        ssize_t n = kernel ? ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0) : ::read(in, buffer, sizeof buffer);
        if (n < 0 && kernel && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
            kernel = false;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n == 0;
        if (!kernel && ::write(out, buffer, size_t(n)) != n)
            return false;
    }
}

// A consistent copy of a library in WAL mode as a plain file copy, which is many times quicker than
// page by page. It holds when this connection's snapshot lies wholly in the database file: the log
// folded in completely and nothing committed elsewhere since. While the snapshot's read transaction
// lasts no checkpoint may then write into the file, so its bytes are the snapshot. False (nothing
// copied) whenever that cannot be made sure of; the caller then copies page by page.
bool copyFileAtRest(sqlite3* live, const QString& livePath, const QString& to) {
    if (!live || !sqlite3_get_autocommit(live) || textOf(live, "PRAGMA journal_mode") != "wal")
        return false;
    const qint64 before = integerOf(live, "PRAGMA data_version");
    int logged = -1;
    int folded = -2;
    if (sqlite3_wal_checkpoint_v2(live, "main", SQLITE_CHECKPOINT_PASSIVE, &logged, &folded) != SQLITE_OK ||
        logged != folded || !execOn(live, "BEGIN"))
        return false;
    // The read transaction starts here; an unchanged data version means no commit came in between.
    const bool atRest = before >= 0 && integerOf(live, "PRAGMA data_version") == before;
    const bool copied = atRest && copyBytes(livePath, to);
    execOn(live, "COMMIT");
    if (atRest && !copied)
        QFile::resize(to, 0); // the page copy starts from an empty file
    return copied;
}

int pageSize(const QSqlDatabase& db) {
    QSqlQuery q(db);
    return q.exec(QStringLiteral("PRAGMA page_size")) && q.next() ? q.value(0).toInt() : 0;
}

QSet<QString> columns(const QSqlDatabase& db, const QString& table) {
    QSet<QString> names;
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT lower(name) FROM pragma_table_info(?)"));
    q.addBindValue(table);
    if (q.exec())
        while (q.next())
            names.insert(q.value(0).toString());
    return names;
}

// Whether the backup can go into the live database page for page: the same page size, and every
// table and column the library has today.
bool fitsAsItIs(const QSqlDatabase& live, const QSqlDatabase& backup) {
    if (pageSize(live) != pageSize(backup))
        return false;
    QSqlQuery tables(live);
    if (!tables.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite%'")))
        return false;
    while (tables.next()) {
        const QString table = tables.value(0).toString();
        if (!columns(backup, table).contains(columns(live, table)))
            return false;
    }
    return true;
}

// wal_checkpoint(TRUNCATE) on the connection: false while a reader elsewhere keeps the log in use.
bool checkpointTruncate(const QSqlDatabase& db) {
    QSqlQuery q(db);
    return q.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")) && q.next() && q.value(0).toInt() == 0;
}

// Whether a file is a library database whose pages hold together: the structural check of every
// page (SQLite's quick_check), which keeps a restore beside its copy; the slower cross-check of each
// index against its rows stays with check-db.
bool soundLibraryFile(const QString& path) {
    if (!DatabaseCheck::hasSqliteHeader(path))
        return false;
    const FileConnection file(path, QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=10000"));
    if (!file.isOpen())
        return false;
    file.exec(QStringLiteral("PRAGMA mmap_size=%1").arg(qint64(1) << 32));
    if (file.scalar(QStringLiteral("PRAGMA quick_check")).toString() != QLatin1String("ok"))
        return false;
    for (const QString& table : DatabaseCheck::requiredTables()) {
        QSqlQuery q(file.db());
        q.prepare(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='table' AND lower(name)=?"));
        q.addBindValue(table);
        if (!q.exec() || !q.next())
            return false;
    }
    return true;
}

qint64 sizeOnDisk(const QString& path) {
    return QFileInfo(path).size() + QFileInfo(path + QStringLiteral("-wal")).size();
}

} // namespace

QString Maintenance::checkBackupPath(const QString& path) {
    if (path.trimmed().isEmpty())
        return tr("请选择具体的文件路径");
    const QFileInfo info(path);
    if (info.suffix().compare(QLatin1String("mis"), Qt::CaseInsensitive) != 0)
        return tr("请设后缀名为\"mis\"的文件");
    // Whether a file can be made there at all, asked of the folder itself.
    QTemporaryFile probe(info.absolutePath() + QStringLiteral("/.quiveral-XXXXXX"));
    if (info.isDir() || info.completeBaseName().isEmpty() || !probe.open())
        return tr("文件名有误，请重新设置或选择");
    return {};
}

QString Maintenance::checkRestorePath(const QString& path) {
    if (path.trimmed().isEmpty())
        return tr("请选择具体的文件路径");
    if (!QFileInfo(path).isFile())
        return tr("无此文件，请重新选择");
    return {};
}

QString Maintenance::compactReport(qint64 before, qint64 after) {
    const QLocale c(QLocale::English, QLocale::UnitedStates); // "##,##0"
    const QString ratio = before > 0 ? QString::number(100.0 * double(after) / double(before), 'f', 2)
                                     : QStringLiteral("100");
    return tr("压缩数据库成功！") + u'\n' + tr("压缩前大小：") + c.toString(before) + tr("字节") + u'\n'
           + tr("压缩后大小：") + c.toString(after) + tr("字节") + u'\n' + tr("压缩率：") + ratio + u'%';
}

BackupJob::BackupJob(const Database& db, QString target, QObject* parent)
    : MaintenanceJob(parent)
    , m_db(db)
    , m_target(std::move(target)) {}

BackupJob::~BackupJob() {
    stopAndWait();
}

void BackupJob::run() {
    const auto release = qScopeGuard([this] { m_db.releaseThreadConnection(); });
    const QString failed = tr("数据库备份出错！");
    setStatus(tr("正在备份数据库…"));
    const QFileInfo target(m_target);
    // Written beside the target, so the last step is a rename on one file system.
    QTemporaryFile part(target.absolutePath() + u'/' + u'.' + target.fileName() + QStringLiteral(".XXXXXX"));
    if (!part.open())
        return finish(false, failed + u'\n' + part.errorString());
    part.close();
    {
        // The file as it is when the library is at rest, else page by page in one step: either way one
        // read transaction on the library, so the copy is the library at one moment even while a
        // renewal writes. The copy needs no journal of its own: it only counts once it is whole,
        // synced, checked and renamed.
        const bool copied = copyFileAtRest(handleOf(m_db.connection()), m_db.path(), part.fileName());
        FileConnection copy(part.fileName());
        QString detail;
        if (!copied && (!copy.exec(QStringLiteral("PRAGMA journal_mode=OFF"), &detail) ||
                        !copy.exec(QStringLiteral("PRAGMA synchronous=OFF"), &detail) ||
                        !copyPages(handleOf(copy.db()), handleOf(m_db.connection()), &detail)))
            return finish(false, failed + u'\n' + detail);
        if (!copy.exec(QStringLiteral("PRAGMA journal_mode=DELETE"), &detail))
            return finish(false, failed + u'\n' + detail);
    }
    if (stopRequested())
        return finish(false, tr("已停止"));
    {
        // The copy goes to the disk while it is checked: both only read it.
        QFuture<bool> synced = QtConcurrent::run([path = part.fileName()] { return syncPath(path); });
        FileConnection copy(part.fileName(), QStringLiteral("QSQLITE_OPEN_READONLY"));
        copy.exec(QStringLiteral("PRAGMA mmap_size=%1").arg(qint64(1) << 32));
        const bool checked = copy.scalar(QStringLiteral("PRAGMA quick_check")).toString() == QLatin1String("ok");
        if (!synced.result() || !checked)
            return finish(false, failed);
    }
    if (std::rename(QFile::encodeName(part.fileName()).constData(), QFile::encodeName(m_target).constData()) != 0)
        return finish(false, failed);
    part.setAutoRemove(false);
    syncPath(target.absolutePath(), true);
    finish(true, tr("数据库已备份到") + QDir::toNativeSeparators(m_target) + tr("中！"));
}

RestoreJob::RestoreJob(const Database& db, QString source, QString tempDir, QObject* parent)
    : MaintenanceJob(parent)
    , m_db(db)
    , m_source(std::move(source))
    , m_tempDir(std::move(tempDir)) {}

RestoreJob::~RestoreJob() {
    stopAndWait();
}

void RestoreJob::run() {
    const auto release = qScopeGuard([this] { m_db.releaseThreadConnection(); });
    setStatus(tr("正在还原数据库…"));
    // The chosen file is only ever read. Its check runs beside the copy into the library, whose
    // commit waits for the verdict: a file that fails it leaves the library as it was.
    QFuture<bool> check = QtConcurrent::run([source = m_source] { return soundLibraryFile(source); });
    const auto sound = [&check] { return check.result(); };
    QString detail;
    bool direct = false;
    bool ok = false;
    if (DatabaseCheck::hasSqliteHeader(m_source)) {
        // A backup of this program's own shape goes in as it is; an older one is brought up to date
        // in a private copy first.
        const FileConnection source(m_source, QStringLiteral("QSQLITE_OPEN_READONLY"));
        const QSqlDatabase live = m_db.connection();
        direct = source.isOpen() && fitsAsItIs(live, source.db());
        if (direct)
            ok = copyPages(handleOf(live), handleOf(source.db()), &detail,
                           [&] { return sound() && !stopRequested(); });
    }
    if (!sound())
        return finish(false, tr("此备份文件格式不对，请重新选择"));
    if (stopRequested() && !ok)
        return finish(false, tr("已停止"));
    if (!direct)
        ok = restoreThroughCopy(&detail);
    if (!ok)
        return finish(false, tr("数据库还原出错！") + (detail.isEmpty() ? QString() : u'\n' + detail));
    finish(true, tr("数据库已还原！"));
}

bool RestoreJob::restoreThroughCopy(QString* detail) {
    QDir().mkpath(m_tempDir);
    QTemporaryFile copy(m_tempDir + QStringLiteral("/restore-XXXXXX.db"));
    if (!copy.open())
        return false;
    copy.close();
    QFile::remove(copy.fileName());
    if (!QFile::copy(m_source, copy.fileName()))
        return false;
    QFile::setPermissions(copy.fileName(), QFile::ReadOwner | QFile::WriteOwner);
    const auto cleanUp = qScopeGuard([&copy] {
        for (const char* suffix : {"-wal", "-shm", "-journal"})
            QFile::remove(copy.fileName() + QLatin1String(suffix));
    });
    return restore(copy.fileName(), detail);
}

bool RestoreJob::restore(const QString& copy, QString* detail) {
    {
        // An older library's backup gets today's tables and columns before it goes in.
        Database upgraded(copy);
        if (!upgraded.open(detail))
            return false;
    }
    const QSqlDatabase live = m_db.connection();
    sqlite3* to = handleOf(live);
    if (!to)
        return false;
    {
        // The online backup into a database in WAL mode needs equal page sizes; a page size changes
        // only outside WAL mode, by a VACUUM.
        FileConnection source(copy);
        const int livePage = pageSize(live);
        if (source.scalar(QStringLiteral("PRAGMA page_size")).toInt() != livePage) {
            if (!source.exec(QStringLiteral("PRAGMA journal_mode=DELETE"), detail)
                || !source.exec(QStringLiteral("PRAGMA page_size=%1").arg(livePage), detail)
                || !source.exec(QStringLiteral("VACUUM"), detail))
                return false;
        }
        // One write transaction on the live database: it is the old library or the new one, never a
        // mixture.
        return copyPages(to, handleOf(source.db()), detail);
    }
}

CompactJob::CompactJob(const Database& db, QObject* parent)
    : MaintenanceJob(parent)
    , m_db(db) {}

CompactJob::~CompactJob() {
    stopAndWait();
}

void CompactJob::run() {
    const auto release = qScopeGuard([this] { m_db.releaseThreadConnection(); });
    const QString busy = tr("请先关闭数据库后再进行压缩。");
    setStatus(tr("正在压缩数据库…"));
    const QSqlDatabase db = m_db.connection();
    // Not the library's ten seconds: a reader elsewhere is not about to finish. (This thread's
    // connection is released afterwards, so the setting goes with it.)
    QSqlQuery(db).exec(QStringLiteral("PRAGMA busy_timeout=2000"));
    // The log first, so both sizes are of the database file alone; a reader elsewhere keeps it.
    if (!checkpointTruncate(db))
        return finish(false, busy);
    m_before = sizeOnDisk(m_db.path());
    QSqlQuery vacuum(db);
    if (!vacuum.exec(QStringLiteral("VACUUM")))
        return finish(false, busy + u'\n' + vacuum.lastError().text());
    vacuum.finish();
    if (!checkpointTruncate(db))
        return finish(false, busy);
    m_after = sizeOnDisk(m_db.path());
    finish(true, Maintenance::compactReport(m_before, m_after));
}
