#include "support/testlibrary.h"

#include "storage/bookcasestore.h"
#include "storage/categorystore.h"
#include "storage/chapterstore.h"
#include "storage/novelstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

TestLibrary::TestLibrary() {
    if (!m_dir.isValid())
        qFatal("test library: no temporary folder");
    m_context = std::make_unique<LibraryContext>(m_dir.path());
    m_context->database().setErrorHandler([this](const QString& message) { m_errors << message; });
    QString error;
    m_ok = m_context->open(&error);
    if (!m_ok) // every test needs its library: no test can go on without one
        qFatal("test library: %s", qPrintable(error));
}

QString TestLibrary::addNovel(const QString& name, const QString& lb, int displayorder) {
    NovelStore novels(db());
    NovelRecord record;
    record.novelId = novels.nextNovelId();
    record.novelName = name;
    record.listUrl = QStringLiteral("http://example.test/book/%1/").arg(record.novelId);
    record.lb = lb;
    novels.insertNovel(record);
    if (displayorder > 0)
        db().exec(QStringLiteral("UPDATE book_novel SET Displayorder=? WHERE NovelID=?"),
                  {displayorder, record.novelId});
    return record.novelId;
}

qint64 TestLibrary::addChapter(const QString& novelId, const QString& title, bool read,
                               const QString& comeFrom) {
    ChapterStore chapters(db());
    ChapterRecord record;
    record.novelId = novelId;
    record.title = title;
    record.comeFrom = comeFrom;
    record.displayorder = chapters.nextChapterOrder(novelId);
    record.wordNums = 100;
    const qint64 id = chapters.insertChapter(record);
    if (read)
        db().exec(QStringLiteral("UPDATE book_novelcontent SET bIsRead='1' WHERE id=?"), {id});
    return id;
}

QHash<QString, qint64> TestLibrary::addChapters(const QString& novelId, const QStringList& titleAndVolume) {
    QHash<QString, qint64> ids;
    int order = 0;
    for (const QString& c : titleAndVolume) {
        const QString title = c.section(u'/', 0, 0);
        const qint64 id = addChapter(novelId, title);
        ids.insert(title, id);
        db().exec("UPDATE book_novelcontent SET Displayorder=?, Volume=? WHERE id=?",
                  {++order, c.contains(u'/') ? QVariant(c.section(u'/', 1)) : QVariant(), id});
    }
    return ids;
}

QList<qint64> TestLibrary::addBooks(const QStringList& rows) {
    CategoryStore(db()).add("甲");
    CategoryStore(db()).add("乙");
    QList<qint64> ids;
    for (const QString& row : rows)
        ids << BookcaseStore(db()).insert(
            {0, row.section(u'|', 0, 0), row.section(u'|', 1, 1), {}, {}, row.section(u'|', 2), {}});
    return ids;
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).absolutePath()) && file.open(QIODevice::WriteOnly) &&
           file.write(bytes) == bytes.size();
}

namespace {

template <typename Fn> auto withConnection(const QString& path, Fn fn) {
    const QString name = QUuid::createUuid().toString();
    decltype(fn(std::declval<QSqlDatabase&>())) result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (db.open())
            result = fn(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return result;
}

} // namespace

QStringList sqliteExec(const QString& path, const QStringList& statements) {
    return withConnection(path, [&](QSqlDatabase& db) {
        QStringList errors;
        for (const QString& sql : statements) {
            QSqlQuery q(db);
            if (!q.exec(sql))
                errors << sql + QLatin1String(": ") + q.lastError().text();
        }
        return errors;
    });
}

QVariant sqliteScalar(const QString& path, const QString& sql) {
    return withConnection(path, [&](QSqlDatabase& db) {
        QSqlQuery q(db);
        return q.exec(sql) && q.next() ? q.value(0) : QVariant();
    });
}
