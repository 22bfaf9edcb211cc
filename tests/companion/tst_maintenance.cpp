// Backup, restore and compaction on real library files: what a failure or a kill leaves behind matters
// more than the happy path.
#include "companion/databasecheck.h"
#include "companion/maintenancejobs.h"
#include "support/process.h"
#include "support/testlibrary.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <QThread>

#include <csignal>
#include <sys/resource.h>

namespace {

QString novelNames(const QString& dbPath) {
    return sqliteScalar(dbPath, "SELECT group_concat(NovelName, ',') FROM (SELECT NovelName FROM book_novel "
                                "ORDER BY NovelName)")
        .toString();
}

// Chapters with some text, so the database spans many pages.
void fill(TestLibrary& lib, const QString& novel, int chapters) {
    lib.db().transaction([&] {
        for (int i = 0; i < chapters; ++i)
            lib.db().exec("INSERT INTO book_novelcontent(NovelID, Title, ComeFrom) VALUES (?, ?, ?)",
                          {novel, QString("第%1章").arg(i), QString(400, QChar(u'字' + i % 50))});
        return true;
    });
}

template <typename J, typename... A> std::unique_ptr<J> run(A&&... args) {
    auto job = std::make_unique<J>(std::forward<A>(args)...);
    job->runHere();
    return job;
}

QStringList leftovers(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden).filter(QRegularExpression("\\.[A-Za-z0-9]{6}$"));
}

} // namespace

class TestMaintenance : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pathChecks_data();
    void pathChecks();
    void backupTakenWhileWriting();
    void failedBackupKeepsTheOldOne();
    void backupHoldsEveryCommit_data();
    void backupHoldsEveryCommit();
    void restore_data();
    void restore();
    void restoreRefused_data();
    void restoreRefused();
    void compaction();
    void compactionWithAReaderElsewhere();
    void killedHalfWay_data();
    void killedHalfWay();
    void checkDbFindsDamage();
};

void TestMaintenance::pathChecks_data() {
    QTest::addColumn<bool>("backup");
    QTest::addColumn<QString>("path"); // "@" stands for a temporary folder
    QTest::addColumn<QString>("message");
    QTest::newRow("backup, empty") << true << "  " << "请选择具体的文件路径";
    QTest::newRow("backup, not .mis") << true << "@/a.db" << "请设后缀名为\"mis\"的文件";
    QTest::newRow("backup, upper-case suffix") << true << "@/a.MIS" << "";
    QTest::newRow("backup, no such folder") << true << "@/none/a.mis" << "文件名有误，请重新设置或选择";
    QTest::newRow("backup, only a suffix") << true << "@/.mis" << "文件名有误，请重新设置或选择";
    QTest::newRow("restore, empty") << false << "" << "请选择具体的文件路径";
    QTest::newRow("restore, missing") << false << "@/gone.mis" << "无此文件，请重新选择";
    QTest::newRow("restore, a folder") << false << "@" << "无此文件，请重新选择";
}

void TestMaintenance::pathChecks() {
    QFETCH(bool, backup);
    QFETCH(QString, path);
    QFETCH(QString, message);
    QTemporaryDir dir;
    path.replace("@", dir.path());
    QCOMPARE(backup ? Maintenance::checkBackupPath(path) : Maintenance::checkRestorePath(path), message);
}

void TestMaintenance::backupTakenWhileWriting() {
    TestLibrary lib;
    const QString novel = lib.addNovel("甲");
    fill(lib, novel, 2000);
    const QString target = lib.path() + "/lib.mis";
    BackupJob job(lib.db(), target);
    job.start();
    int written = 0;
    while (job.isRunning()) {
        lib.addChapter(novel, QString("新%1").arg(written++));
        QCoreApplication::processEvents();
    }
    QVERIFY(job.wait(60000));
    QVERIFY2(job.succeeded(), qPrintable(job.message()));
    QCOMPARE(job.message(), "数据库已备份到" + target + "中！");
    QCOMPARE(DatabaseCheck::problems(target), QStringList());
    const int inBackup = sqliteScalar(target, "SELECT count(*) FROM book_novelcontent").toInt();
    QVERIFY(inBackup >= 2000 && inBackup <= 2000 + written);
    QCOMPARE(leftovers(lib.path()), QStringList());
}

void TestMaintenance::backupHoldsEveryCommit_data() {
    QTest::addColumn<bool>("pinned"); // a reader elsewhere keeps the last commits in the log
    QTest::newRow("log folded in") << false;
    QTest::newRow("log held by a reader") << true;
}

void TestMaintenance::backupHoldsEveryCommit() {
    QFETCH(bool, pinned);
    TestLibrary lib;
    const QString novel = lib.addNovel("甲");
    fill(lib, novel, 400);
    QSqlDatabase reader = QSqlDatabase::addDatabase("QSQLITE", "reader");
    reader.setDatabaseName(lib.context().folder().databasePath());
    QVERIFY(reader.open());
    QSqlQuery reading(reader);
    if (pinned)
        QVERIFY(reader.transaction() && reading.exec("SELECT id FROM book_novelcontent") && reading.next());
    fill(lib, novel, 100);
    const QString target = lib.path() + "/lib.mis";
    const auto job = run<BackupJob>(lib.db(), target);
    QVERIFY2(job->succeeded(), qPrintable(job->message()));
    QCOMPARE(sqliteScalar(target, "SELECT count(*) FROM book_novelcontent").toInt(), 500);
    QCOMPARE(DatabaseCheck::problems(target), QStringList());
    reading.finish();
    if (pinned)
        reader.rollback();
    reader.close();
    reader = QSqlDatabase();
    QSqlDatabase::removeDatabase("reader");
}

void TestMaintenance::failedBackupKeepsTheOldOne() {
    TestLibrary lib;
    fill(lib, lib.addNovel("甲"), 3000);
    const QString target = lib.path() + "/lib.mis";
    QVERIFY(writeFile(target, "the older backup"));
    // A full disk, as the kernel tells it to a process past its file size limit.
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 64 * 1024;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const auto job = run<BackupJob>(lib.db(), target);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    QVERIFY(!job->succeeded());
    QVERIFY2(job->message().startsWith("数据库备份出错！"), qPrintable(job->message()));
    QCOMPARE(fileBytes(target), QByteArray("the older backup"));
    QCOMPARE(leftovers(lib.path()), QStringList());
}

void TestMaintenance::restore_data() {
    QTest::addColumn<bool>("oldShape");
    QTest::newRow("a backup of this library") << false;
    QTest::newRow("an older library, brought up to date") << true;
}

void TestMaintenance::restore() {
    QFETCH(bool, oldShape);
    TestLibrary lib;
    lib.addNovel("甲");
    QTemporaryDir dir;
    const QString backup = dir.filePath("lib.mis");
    if (oldShape) {
        QCOMPARE(sqliteExec(backup, {"CREATE TABLE dic_noveltype (DM varchar(2), MC text)",
                                     "CREATE TABLE book_novel (NovelID varchar(6), NovelName text, ListUrl text)",
                                     "CREATE TABLE book_novelcontent (id INTEGER PRIMARY KEY AUTOINCREMENT, "
                                     "NovelID varchar(6), Title text, ComeFrom text, DownDate text, DownTime text, bIsRead text)",
                                     "INSERT INTO book_novel VALUES ('000001', '甲', 'http://a/')"}),
                 QStringList());
    } else {
        QVERIFY(run<BackupJob>(lib.db(), backup)->succeeded());
    }
    lib.addNovel("乙"); // after the backup: gone once it is restored
    const auto job = run<RestoreJob>(lib.db(), backup, lib.context().folder().tempDir());
    QVERIFY2(job->succeeded(), qPrintable(job->message()));
    QCOMPARE(job->message(), "数据库已还原！");
    QCOMPARE(novelNames(lib.context().folder().databasePath()), "甲");
    // The library's own connection sees the restored tables, upgraded.
    QVERIFY(lib.db().exec("UPDATE book_novelcontent SET Volume = '', WordNums = 0"));
    QCOMPARE(DatabaseCheck::problems(lib.context().folder().databasePath()), QStringList());
    QVERIFY(QDir(lib.context().folder().tempDir()).isEmpty());
    QVERIFY(QFile::exists(backup)); // the chosen file is only read
}

void TestMaintenance::restoreRefused_data() {
    QTest::addColumn<QByteArray>("bytes"); // "backup:N" is the first N bytes of a real backup
    QTest::newRow("text") << QByteArray("这不是数据库\n");
    QTest::newRow("old Access file") << QByteArray("\x00\x01\x00\x00Standard Jet DB\x00", 20);
    QTest::newRow("SQLite of another program") << QByteArray("foreign");
    QTest::newRow("truncated backup") << QByteArray("backup:8192");
    // Refused only by the check running beside the copy: the copy must not be committed first.
    QTest::newRow("backup with a damaged page") << QByteArray("damaged:20");
}

void TestMaintenance::restoreRefused() {
    QFETCH(QByteArray, bytes);
    TestLibrary lib;
    fill(lib, lib.addNovel("甲"), 300);
    QTemporaryDir dir;
    const QString file = dir.filePath("x.mis");
    if (bytes == "foreign") {
        QCOMPARE(sqliteExec(file, {"CREATE TABLE notes (t text)", "INSERT INTO notes VALUES ('x')"}), QStringList());
    } else if (bytes.startsWith("backup:")) {
        QVERIFY(run<BackupJob>(lib.db(), file)->succeeded());
        QVERIFY(writeFile(file, fileBytes(file).left(bytes.mid(7).toInt())));
    } else if (bytes.startsWith("damaged:")) {
        QVERIFY(run<BackupJob>(lib.db(), file)->succeeded());
        QByteArray backup = fileBytes(file);
        backup.replace(bytes.mid(8).toInt() * 4096, 2000, QByteArray(2000, '\xA5'));
        QVERIFY(writeFile(file, backup));
    } else {
        QVERIFY(writeFile(file, bytes));
    }
    lib.addNovel("乙");
    const QString live = lib.context().folder().databasePath();
    const auto job = run<RestoreJob>(lib.db(), file, lib.context().folder().tempDir());
    QVERIFY(!job->succeeded());
    QCOMPARE(job->message(), "此备份文件格式不对，请重新选择");
    QCOMPARE(novelNames(live), "乙,甲");
    QCOMPARE(sqliteScalar(live, "SELECT count(*) FROM book_novelcontent").toInt(), 300);
    QVERIFY(QDir(lib.context().folder().tempDir()).isEmpty());
}

void TestMaintenance::compaction() {
    TestLibrary lib;
    const QString novel = lib.addNovel("甲");
    fill(lib, novel, 3000);
    QVERIFY(lib.db().exec("DELETE FROM book_novelcontent WHERE id % 10 <> 0"));
    const auto job = run<CompactJob>(lib.db());
    QVERIFY2(job->succeeded(), qPrintable(job->message()));
    QVERIFY(job->sizeAfter() > 0 && job->sizeAfter() < job->sizeBefore() / 2);
    QCOMPARE(QFileInfo(lib.context().folder().databasePath()).size(), job->sizeAfter());
    QCOMPARE(lib.db().scalar("SELECT count(*) FROM book_novelcontent").toInt(), 300);
    QCOMPARE(Maintenance::compactReport(1234567, 617283),
             "压缩数据库成功！\n压缩前大小：1,234,567字节\n压缩后大小：617,283字节\n压缩率：50.00%");
}

void TestMaintenance::compactionWithAReaderElsewhere() {
    TestLibrary lib;
    const QString novel = lib.addNovel("甲");
    fill(lib, novel, 500);
    QSqlDatabase reader = QSqlDatabase::addDatabase("QSQLITE", "reader");
    {
        reader.setDatabaseName(lib.context().folder().databasePath());
        QVERIFY(reader.open());
        QSqlQuery reading(reader);
        QVERIFY(reader.transaction());
        QVERIFY(reading.exec("SELECT id FROM book_novelcontent") && reading.next());
        lib.addChapter(novel, "读者之后写入"); // the log now holds what the reader must not see
        const auto job = run<CompactJob>(lib.db());
        QVERIFY(!job->succeeded());
        QVERIFY2(job->message().startsWith("请先关闭数据库后再进行压缩。"), qPrintable(job->message()));
        reading.finish();
        reader.rollback();
        reader.close();
    }
    reader = QSqlDatabase();
    QSqlDatabase::removeDatabase("reader");
    QCOMPARE(lib.db().scalar("SELECT count(*) FROM book_novelcontent").toInt(), 501);
}

void TestMaintenance::killedHalfWay_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("afterMs");
    for (const int ms : {30, 120, 400})
        for (const char* command : {"restore", "compact"})
            QTest::addRow("%s, killed after %d ms", command, ms) << QString(command) << ms;
}

void TestMaintenance::killedHalfWay() {
    QFETCH(QString, command);
    QFETCH(int, afterMs);
    TestLibrary lib;
    const QString novel = lib.addNovel("甲");
    fill(lib, novel, 20000);
    QTemporaryDir dir;
    const QString backup = dir.filePath("lib.mis");
    QVERIFY(run<BackupJob>(lib.db(), backup)->succeeded());
    // The library now differs from the backup, and has free pages to compact away.
    QVERIFY(lib.db().exec("DELETE FROM book_novelcontent WHERE id % 3 = 0"));
    const int before = lib.db().scalar("SELECT count(*) FROM book_novelcontent").toInt();
    lib.db().checkpoint();
    QProcess cli;
    cli.start(QUIVERAL_CLI_PATH, QStringList{"--library", lib.path(), command}
                                     + (command == "restore" ? QStringList{backup} : QStringList()));
    QVERIFY(cli.waitForStarted());
    QThread::msleep(afterMs);
    ::kill(pid_t(cli.processId()), SIGKILL);
    QVERIFY(cli.waitForFinished());
    const QString live = lib.context().folder().databasePath();
    QCOMPARE(DatabaseCheck::problems(live), QStringList());
    const int after = sqliteScalar(live, "SELECT count(*) FROM book_novelcontent").toInt();
    QVERIFY2(after == before || (command == "restore" && after == 20000), qPrintable(QString::number(after)));
}

void TestMaintenance::checkDbFindsDamage() {
    TestLibrary lib;
    fill(lib, lib.addNovel("甲"), 3000);
    const ProcessResult good = runCli({"--library", lib.path(), "check-db"});
    QCOMPARE(good.exitCode, 0);
    lib.db().checkpoint();
    QByteArray bytes = fileBytes(lib.context().folder().databasePath());
    QVERIFY(bytes.size() > 40 * 4096);
    // A page in the middle of the chapters' table overwritten, as a bad sector would.
    bytes.replace(20 * 4096 + 100, 2000, QByteArray(2000, '\xA5'));
    QTemporaryDir damaged;
    QVERIFY(writeFile(damaged.filePath("pim.db"), bytes));
    const ProcessResult bad = runCli({"--library", damaged.path(), "--json", "check-db"});
    QCOMPARE(bad.exitCode, 1);
    QVERIFY2(bad.out.contains("\"ok\": false"), qPrintable(bad.out));
}

QTEST_GUILESS_MAIN(TestMaintenance)
#include "tst_maintenance.moc"
