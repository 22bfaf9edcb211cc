#include "library/urlreplace.h"

#include "storage/bookcasestore.h"
#include "storage/database.h"
#include "storage/novelstore.h"

int UrlReplace::replaceInListUrls(const Database& db, const QStringList& novelIds, const QString& find,
                                  const QString& replacement) {
    if (find.isEmpty())
        return 0;
    int changed = 0;
    const NovelStore novels(db);
    const bool ok = db.transaction([&] {
        for (const QString& id : novelIds) {
            const std::optional<NovelRecord> novel = novels.loadNovel(id);
            if (!novel || !novel->listUrl.contains(find))
                continue;
            if (!novels.setListUrl(id, QString(novel->listUrl).replace(find, replacement)))
                return false;
            ++changed;
        }
        return true;
    });
    return ok ? changed : -1;
}

int UrlReplace::replaceInBookcasePaths(const Database& db, const QList<qint64>& entryIds, const QString& find,
                                       const QString& replacement, QString* error) {
    if (find.isEmpty())
        return 0;
    QList<qint64> changed;
    const BookcaseStore bookcase(db);
    bool collision = false;
    const bool ok = db.transaction([&] {
        for (const qint64 id : entryIds) {
            const QString path = bookcase.pathOf(id);
            const QString replaced = QString(path).replace(find, replacement);
            if (replaced == path || changed.contains(id))
                continue;
            if (!bookcase.setPath(id, replaced))
                return false;
            changed << id;
        }
        // Checked once all paths are new: a path that another chosen entry gives up is free by then.
        for (const qint64 id : changed)
            if (bookcase.hasPath(bookcase.pathOf(id), id)) {
                collision = true;
                return false;
            }
        return true;
    });
    if (collision && error)
        *error = tr("已有此文件路径的图书");
    return ok ? int(changed.size()) : -1;
}
