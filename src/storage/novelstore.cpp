#include "storage/novelstore.h"

#include "storage/database.h"
#include "storage/dbvalue.h"
#include "text/url.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace {

constexpr int kLastNovelNumber = 999999;

} // namespace

QString NovelStore::novelName(const QString& novelId) const {
    return textOf(m_db.scalar(QStringLiteral("SELECT NovelName FROM book_novel WHERE NovelID=?"), {novelId}));
}

QString NovelStore::needDelUrl(const QString& novelId) const {
    return textOf(
        m_db.scalar(QStringLiteral("SELECT NeedDelUrl FROM book_novel WHERE NovelID=?"), {novelId}));
}

bool NovelStore::nameExists(const QString& name, const QString& exceptNovelId) const {
    return m_db
        .scalar(QStringLiteral("SELECT 1 FROM book_novel WHERE NovelName=? AND NovelID<>? LIMIT 1"),
                {name, exceptNovelId})
        .isValid();
}

int NovelStore::count() const {
    return intOf(m_db.scalar(QStringLiteral("SELECT count(*) FROM book_novel")));
}

QString NovelStore::nextNovelId() const {
    // Keys are six digits, so the textual maximum is the numeric one.
    const QString maxId = textOf(m_db.scalar(QStringLiteral("SELECT max(NovelID) FROM book_novel")));
    bool ok = false;
    const int current = maxId.trimmed().toInt(&ok);
    const int next = (ok ? current : 0) + 1;
    if (next > kLastNovelNumber)
        return {};
    return QStringLiteral("%1").arg(next, 6, 10, QLatin1Char('0'));
}

int NovelStore::nextNovelOrder(const QString& lb) const {
    const QVariant max =
        lb.isEmpty()
            ? m_db.scalar(QStringLiteral("SELECT max(Displayorder) FROM book_novel"))
            : m_db.scalar(QStringLiteral("SELECT max(Displayorder) FROM book_novel WHERE LB=?"), {lb});
    return max.isValid() ? max.toInt() + 1 : 1;
}

int NovelStore::nextNovelOrderInCategory(const QString& lb) const {
    const QVariant max =
        lb.isEmpty()
            ? m_db.scalar(
                  QStringLiteral("SELECT max(Displayorder) FROM book_novel WHERE LB='' OR LB IS NULL"))
            : m_db.scalar(QStringLiteral("SELECT max(Displayorder) FROM book_novel WHERE LB=?"), {lb});
    return max.isValid() ? max.toInt() + 1 : 1;
}

bool NovelStore::insertNovel(NovelRecord& record) const {
    record.displayorder = nextNovelOrder(record.lb);
    return m_db.exec(
        QStringLiteral(
            "INSERT INTO book_novel (NovelID, NovelName, Author, bIsEnd, ListUrl, ListStart, ListEnd, "
            "VolumeStart, VolumeEnd, ContentStart, ContentEnd, NeedDelStr, Displayorder, LB, Brief, "
            "BookImg) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"),
        {record.novelId, record.novelName, nullIfEmpty(record.author), nullIfEmpty(record.bIsEnd),
         record.listUrl, nullIfEmpty(record.listStart), nullIfEmpty(record.listEnd),
         nullIfEmpty(record.volumeStart), nullIfEmpty(record.volumeEnd), nullIfEmpty(record.contentStart),
         nullIfEmpty(record.contentEnd), nullIfEmpty(record.needDelStr), record.displayorder,
         nullIfEmpty(record.lb), nullIfEmpty(record.brief), nullIfEmpty(record.bookImg)});
}

std::optional<NovelRecord> NovelStore::loadNovel(const QString& novelId) const {
    QSqlQuery q = m_db.query(QStringLiteral("SELECT NovelID, NovelName, Author, bIsEnd, ListUrl, ListStart, "
                                            "ListEnd, VolumeStart, VolumeEnd, ContentStart, ContentEnd, "
                                            "NeedDelStr, LB, Brief, BookImg, Displayorder "
                                            "FROM book_novel WHERE NovelID=?"),
                             {novelId});
    if (!q.next())
        return std::nullopt;
    NovelRecord r;
    QString* fields[] = {&r.novelId,    &r.novelName,  &r.author,      &r.bIsEnd,    &r.listUrl,
                         &r.listStart,  &r.listEnd,    &r.volumeStart, &r.volumeEnd, &r.contentStart,
                         &r.contentEnd, &r.needDelStr, &r.lb,          &r.brief,     &r.bookImg};
    for (int i = 0; i < int(std::size(fields)); ++i)
        *fields[i] = textOf(q.value(i));
    r.displayorder = intOf(q.value(15));
    const UrlBase base = splitUrlBase(r.listUrl);
    r.listFolder = base.folder;
    r.siteRoot = base.siteRoot;
    return r;
}

bool NovelStore::updateNovelMarkers(const QString& novelId, const NovelMarkers& m) const {
    return m_db.exec(
        QStringLiteral("UPDATE book_novel SET ListStart=?, ListEnd=?, VolumeStart=?, VolumeEnd=?, "
                       "ContentStart=?, ContentEnd=?, NeedDelStr=? WHERE NovelID=?"),
        {nullIfEmpty(m.listStart), nullIfEmpty(m.listEnd), nullIfEmpty(m.volumeStart),
         nullIfEmpty(m.volumeEnd), nullIfEmpty(m.contentStart), nullIfEmpty(m.contentEnd),
         nullIfEmpty(m.needDelStr), novelId});
}

bool NovelStore::renameNovel(const QString& novelId, const QString& name) const {
    return m_db.exec(QStringLiteral("UPDATE book_novel SET NovelName=? WHERE NovelID=?"), {name, novelId});
}

bool NovelStore::updateNovelInformation(const QString& novelId, const QString& author, const QString& brief,
                                        const QString& bookImg) const {
    return m_db.exec(QStringLiteral("UPDATE book_novel SET Author=COALESCE(?, Author), "
                                    "Brief=COALESCE(?, Brief), BookImg=COALESCE(?, BookImg) WHERE NovelID=?"),
                     {nullIfEmpty(author), nullIfEmpty(brief), nullIfEmpty(bookImg), novelId});
}

bool NovelStore::setNeedDelUrl(const QString& novelId, const QString& entries) const {
    return m_db.exec(QStringLiteral("UPDATE book_novel SET NeedDelUrl=? WHERE NovelID=?"),
                     {nullIfEmpty(entries), novelId});
}

bool NovelStore::updateNovelProperties(const NovelRecord& r) const {
    return m_db.exec(
        QStringLiteral(
            "UPDATE book_novel SET NovelName=?, Author=?, bIsEnd=?, ListUrl=?, ListStart=?, ListEnd=?, "
            "VolumeStart=?, VolumeEnd=?, ContentStart=?, ContentEnd=?, NeedDelStr=?, LB=?, Brief=?, "
            "BookImg=? WHERE NovelID=?"),
        {r.novelName, nullIfEmpty(r.author), nullIfEmpty(r.bIsEnd), r.listUrl, nullIfEmpty(r.listStart),
         nullIfEmpty(r.listEnd), nullIfEmpty(r.volumeStart), nullIfEmpty(r.volumeEnd),
         nullIfEmpty(r.contentStart), nullIfEmpty(r.contentEnd), nullIfEmpty(r.needDelStr), nullIfEmpty(r.lb),
         nullIfEmpty(r.brief), nullIfEmpty(r.bookImg), r.novelId});
}

bool NovelStore::setListUrl(const QString& novelId, const QString& url) const {
    return m_db.exec(QStringLiteral("UPDATE book_novel SET ListUrl=? WHERE NovelID=?"), {url, novelId});
}

bool NovelStore::listUrlExists(const QString& url) const {
    return m_db.scalar(QStringLiteral("SELECT COUNT(*) FROM book_novel WHERE lower(trim(ListUrl))=lower(?)"),
                       {url.trimmed()}, 0)
               .toInt() > 0;
}
