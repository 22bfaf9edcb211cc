#include "addnovel/novelproperties.h"

#include "storage/bookcasestore.h"
#include "storage/categorystore.h"
#include "storage/database.h"
#include "storage/libraryfolder.h"
#include "storage/novelstore.h"

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
