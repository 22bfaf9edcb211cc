#include "storage/schema.h"

#include "storage/database.h"

#include <QSqlQuery>

namespace Schema {

namespace {

const char* const kCreateTables[] = {
    "CREATE TABLE IF NOT EXISTS dic_noveltype (DM varchar(2) PRIMARY KEY, MC text)",
    "CREATE TABLE IF NOT EXISTS book_novel (NovelID varchar(6) PRIMARY KEY, NovelName text, Author text, "
    "bIsEnd text, ListUrl text, ListStart text, ListEnd text, VolumeStart varchar(250), "
    "VolumeEnd varchar(250), ContentStart text, ContentEnd text, NeedDelStr varchar(250), NeedDelUrl text, "
    "Displayorder int, LB varchar(2), Brief text, BookImg varchar(250))",
    "CREATE TABLE IF NOT EXISTS book_novelcontent (id INTEGER PRIMARY KEY AUTOINCREMENT, NovelID varchar(6), "
    "Title text, Displayorder int, Volume varchar(250), ComeFrom text, DownDate text, DownTime text, "
    "bIsRead text, WordNums int)",
    "CREATE TABLE IF NOT EXISTS pri_mynovel (id INTEGER PRIMARY KEY AUTOINCREMENT, MC text, LB varchar(2), "
    "ZZ text, WJLJ text, SM text)",
};

const char* const kCreateIndexes[] = {
    "CREATE INDEX IF NOT EXISTS ix_content_order ON book_novelcontent(NovelID, Displayorder)",
    "CREATE INDEX IF NOT EXISTS ix_content_source ON book_novelcontent(NovelID, ComeFrom)",
    "CREATE INDEX IF NOT EXISTS ix_content_date ON book_novelcontent(DownDate)",
    "CREATE INDEX IF NOT EXISTS ix_novel_order ON book_novel(LB, Displayorder)",
    "CREATE INDEX IF NOT EXISTS ix_bookcase_path ON pri_mynovel(WJLJ)",
};

struct Addition {
    const char* table;
    const char* column;
    const char* statement;
};

// In the order they were introduced; renumbering follows the two order columns.
const Addition kChapterAdditions[] = {
    {"book_NovelContent", "displayorder", "alter table book_NovelContent add column displayorder int"},
    {"book_NovelContent", "Volume", "alter table book_NovelContent add column Volume varchar(250)"},
    {"book_NovelContent", "WordNums", "alter table book_NovelContent add column WordNums int"},
    {"book_NovelContent", "Placeholder", "alter table book_NovelContent add column Placeholder int"},
};
const Addition kNovelAdditions[] = {
    {"book_Novel", "NeedDelStr", "alter table book_Novel add column NeedDelStr varchar(250)"},
    {"book_Novel", "LB", "alter table book_Novel add column LB varchar(2)"},
    {"book_Novel", "Displayorder", "alter table book_Novel add column Displayorder int"},
    {"book_Novel", "VolumeStart", "alter table book_Novel add column VolumeStart varchar(250)"},
    {"book_Novel", "VolumeEnd", "alter table book_Novel add column VolumeEnd varchar(250)"},
    {"book_Novel", "NeedDelUrl", "alter table book_Novel add column NeedDelUrl text"},
    {"book_Novel", "Brief", "alter table book_Novel add column Brief text"},
    {"book_Novel", "BookImg", "alter table book_Novel add column BookImg varchar(250)"},
    // The e-book identifier, kept so that readers know a new export as the same book.
    {"book_Novel", "BookUuid", "alter table book_Novel add column BookUuid varchar(45)"},
    {"book_Novel", "bIsJoinPages", "alter table book_Novel add column bIsJoinPages text"},
};

// Chapters of each novel numbered 1..n in id order, the count starting again for every novel.
const char kNumberChapters[] =
    "UPDATE book_NovelContent SET Displayorder = r.n FROM "
    "(SELECT id, ROW_NUMBER() OVER (PARTITION BY NovelID ORDER BY id) AS n FROM book_NovelContent "
    " WHERE NovelID IN (SELECT NovelID FROM book_novel)) AS r WHERE book_NovelContent.id = r.id";
// Novels numbered 1..n in key order across the whole table.
const char kNumberNovels[] =
    "UPDATE book_Novel SET Displayorder = r.n FROM "
    "(SELECT NovelID, ROW_NUMBER() OVER (ORDER BY NovelID) AS n FROM book_Novel) AS r "
    "WHERE book_Novel.NovelID = r.NovelID";

bool hasColumn(const QStringList& columns, const char* column) {
    return columns.contains(QString::fromLatin1(column).toLower());
}

void applyAdditions(const Database& db, const char* table, const Addition* begin, const Addition* end,
                    QStringList& added) {
    const QStringList columns = columnsOf(db, QString::fromLatin1(table));
    for (const Addition* a = begin; a != end; ++a) {
        if (hasColumn(columns, a->column))
            continue;
        // An ALTER that fails is reported and start-up goes on with what there is.
        if (!db.exec(QString::fromLatin1(a->statement)))
            continue;
        added << QString::fromLatin1(a->column);
        const QString column = QString::fromLatin1(a->column);
        if (column == QLatin1String("displayorder"))
            db.exec(QString::fromLatin1(kNumberChapters));
        else if (column == QLatin1String("Displayorder"))
            db.exec(QString::fromLatin1(kNumberNovels));
    }
}

} // namespace

QStringList columnsOf(const Database& db, const QString& table) {
    QStringList columns;
    QSqlQuery q = db.query(QStringLiteral("SELECT name FROM pragma_table_info(?)"), {table});
    while (q.next())
        columns << q.value(0).toString().toLower();
    return columns;
}

QStringList upgrade(const Database& db) {
    QStringList added;
    db.transaction([&] {
        applyAdditions(db, "book_NovelContent", std::begin(kChapterAdditions), std::end(kChapterAdditions),
                       added);
        applyAdditions(db, "book_Novel", std::begin(kNovelAdditions), std::end(kNovelAdditions), added);
        return true;
    });
    return added;
}

bool ensure(const Database& db) {
    for (const char* sql : kCreateTables)
        if (!db.exec(QString::fromLatin1(sql)))
            return false;
    upgrade(db);
    for (const char* sql : kCreateIndexes)
        db.exec(QString::fromLatin1(sql));
    return true;
}

QStringList listTables(const Database& db) {
    QStringList tables;
    QSqlQuery q = db.query(
        QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite\\_%' "
                       "ESCAPE '\\' ORDER BY name"));
    while (q.next()) {
        const QString name = q.value(0).toString();
        if (name.compare(QLatin1String("dtproperties"), Qt::CaseInsensitive) != 0)
            tables << name;
    }
    return tables;
}

bool hasTable(const Database& db, const QString& name) {
    for (const QString& table : listTables(db))
        if (table.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

bool ensureShowTopTable(const Database& db) {
    return db.exec(
        QStringLiteral("CREATE TABLE IF NOT EXISTS book_showtop (id INTEGER PRIMARY KEY AUTOINCREMENT, "
                       "theType varchar(4) NOT NULL, displayorder int NOT NULL, Name varchar(255) NOT NULL, "
                       "url varchar(255) NOT NULL)"));
}

bool ensureWriterTable(const Database& db) {
    return db.exec(
        QStringLiteral("CREATE TABLE IF NOT EXISTS book_Writer (id INTEGER PRIMARY KEY AUTOINCREMENT, "
                       "NovelID varchar(6) NOT NULL, topid int NULL, displayorder int NOT NULL, Title "
                       "varchar(250) NOT NULL, "
                       "iType int NOT NULL, url varchar(250) NULL, Remark text NULL)"));
}

} // namespace Schema
