#include "storage/novellist.h"

#include "storage/database.h"
#include "storage/novelstore.h"
#include "storage/recorddocument.h"

#include <QFile>
#include <QHash>

NovelList::Result NovelList::exportTo(const Database& db, const QString& path) {
    Result result;
    if (NovelStore(db).count() == 0) {
        result.message = tr("小说列表没有内容");
        return result;
    }
    QString error;
    // The list is read by other installations: the columns this library added for itself stay out
    // (an e-book identifier belongs to one library).
    const QStringList ownColumns{QStringLiteral("BookUuid"), QStringLiteral("bIsJoinPages")};
    if (!writeRecordFile(path, tableRecordsText(db, QStringLiteral("book_Novel"), false, ownColumns), &error)) {
        result.message = error;
        return result;
    }
    result.ok = true;
    result.message = tr("小说列表已导出到文件\"") + path + tr("\"中");
    return result;
}

NovelList::Result NovelList::importFrom(const Database& db, const QString& path) {
    Result result;
    if (!QFile::exists(path)) {
        result.message = tr("无此文件");
        return result;
    }
    const QList<Record> records = readMessageRecords(readRecordFile(path));
    NovelStore novels(db);
    result.ok = db.transaction([&] {
        for (const Record& record : records) {
            QHash<QString, QString> field;
            for (const RecordField& f : record)
                field.insert(f.first.trimmed(), f.second);
            NovelRecord novel;
            novel.novelName = unformatFieldValue(field.value(QStringLiteral("NovelName")));
            if (novel.novelName.isEmpty() || novels.nameExists(novel.novelName)) {
                ++result.skipped;
                continue;
            }
            novel.novelId = novels.nextNovelId();
            if (novel.novelId.isEmpty())
                return false;
            novel.author = unformatFieldValue(field.value(QStringLiteral("Author")));
            novel.bIsEnd = field.value(QStringLiteral("bIsEnd"));
            novel.listUrl = unformatFieldValue(field.value(QStringLiteral("ListUrl")));
            novel.listStart = unformatFieldValue(field.value(QStringLiteral("ListStart")));
            novel.listEnd = unformatFieldValue(field.value(QStringLiteral("ListEnd")));
            novel.contentStart = unformatFieldValue(field.value(QStringLiteral("ContentStart")));
            novel.contentEnd = unformatFieldValue(field.value(QStringLiteral("ContentEnd")));
            // Also the markers and information a list carries since they were added; without them a
            // moved novel would renew differently.
            novel.volumeStart = unformatFieldValue(field.value(QStringLiteral("VolumeStart")));
            novel.volumeEnd = unformatFieldValue(field.value(QStringLiteral("VolumeEnd")));
            novel.needDelStr = unformatFieldValue(field.value(QStringLiteral("NeedDelStr")));
            novel.brief = unformatFieldValue(field.value(QStringLiteral("Brief")));
            novel.bookImg = unformatFieldValue(field.value(QStringLiteral("BookImg")));
            if (!novels.insertNovel(novel))
                return false;
            ++result.imported;
        }
        return true;
    });
    if (!result.ok) {
        result.imported = 0;
        result.message = tr("导入小说列表失败");
        return result;
    }
    result.message = tr("小说列表已导入");
    return result;
}

QString NovelList::proposedName(const QDate& day) {
    return tr("小说列表文件-") + day.toString(QStringLiteral("yyyyMMdd")) + QLatin1String(".lst");
}
