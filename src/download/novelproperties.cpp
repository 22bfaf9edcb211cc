#include "download/novelproperties.h"

#include "download/sitesigntable.h"

#include "storage/bookcasestore.h"
#include "storage/categorystore.h"
#include "storage/database.h"
#include "storage/libraryfolder.h"
#include "storage/novelstore.h"
#include "storage/textfile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

QString NovelProperties::store(const Database& db, const LibraryFolder& folder, NovelRecord record,
                               const QString& categoryName) {
    record.lb.clear();
    if (!categoryName.isEmpty()) {
        record.lb = CategoryStore(db).codeOf(categoryName);
        if (record.lb.isEmpty())
            return tr("没有这个分类：%1").arg(categoryName);
    }
    record.novelName = record.novelName.trimmed();
    record.listUrl = record.listUrl.trimmed();
    const bool stored = db.transaction([&] {
        return NovelStore(db).updateNovelProperties(record) &&
               BookcaseStore(db).registerEntry(record.novelName, record.lb, record.author,
                                               folder.novelListPage(record.novelId));
    });
    return stored ? QString() : tr("无法保存小说");
}

QString NovelProperties::storeNew(const Database& db, const LibraryFolder& folder, NovelRecord& record,
                                  const QString& categoryName, const QString& siteSignPath) {
    record.lb.clear();
    if (!categoryName.isEmpty()) {
        record.lb = CategoryStore(db).codeOf(categoryName);
        if (record.lb.isEmpty())
            return tr("没有这个分类：%1").arg(categoryName);
    }
    record.novelName = record.novelName.trimmed();
    record.listUrl = record.listUrl.trimmed();
    const bool noMarkers = record.listStart.isEmpty() && record.listEnd.isEmpty() &&
                           record.volumeStart.isEmpty() && record.volumeEnd.isEmpty() &&
                           record.contentStart.isEmpty() && record.contentEnd.isEmpty() &&
                           record.needDelStr.isEmpty();
    if (noMarkers) {
        SiteSignTable signs;
        signs.load(siteSignPath);
        const int index = signs.find(getSiteRoot(record.listUrl));
        if (index >= 0) {
            const NovelMarkers m = signs.signs().at(index).markers();
            record.listStart = m.listStart;
            record.listEnd = m.listEnd;
            record.volumeStart = m.volumeStart;
            record.volumeEnd = m.volumeEnd;
            record.contentStart = m.contentStart;
            record.contentEnd = m.contentEnd;
            record.needDelStr = m.needDelStr;
        }
    }
    QString error;
    const bool stored = db.transaction([&] {
        const NovelStore novels(db);
        record.novelId = novels.nextNovelId();
        if (record.novelId.isEmpty() || !novels.insertNovel(record))
            return false;
        // The folder and its empty list page before the commit: a novel never lacks them.
        const QString listPage = folder.novelListPage(record.novelId);
        if (!QFileInfo::exists(listPage) && !writeTextFile(listPage, QString(), "GB18030", &error))
            return false;
        return BookcaseStore(db).registerEntry(record.novelName, record.lb, record.author, listPage);
    });
    if (stored)
        return {};
    if (!error.isEmpty())
        return error;
    return record.novelId.isEmpty() ? tr("小说编号已用完") : tr("无法保存小说");
}

QString NovelProperties::copyCover(const LibraryFolder& folder, const QString& novelId,
                                   const QString& picture) {
    const QFileInfo source(picture);
    if (!source.isFile())
        return {};
    const QString dir = folder.novelDir(novelId);
    if (!QDir().mkpath(dir))
        return {};
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddHHmmss"));
    const QString suffix = source.suffix().isEmpty() ? QString() : u'.' + source.suffix().toLower();
    // Two covers chosen within one second must not overwrite each other.
    QString name = stamp + suffix;
    for (int n = 1; QFileInfo::exists(dir + u'/' + name); ++n)
        name = stamp + u'-' + QString::number(n) + suffix;
    return QFile::copy(picture, dir + u'/' + name) ? name : QString();
}
