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
                                       const QString& replacement) {
    if (find.isEmpty())
        return 0;
    int changed = 0;
    const BookcaseStore bookcase(db);
    const bool ok = db.transaction([&] {
        for (const qint64 id : entryIds) {
            const QString path = bookcase.pathOf(id);
            if (!path.contains(find))
                continue;
            if (!bookcase.setPath(id, QString(path).replace(find, replacement)))
                return false;
            ++changed;
        }
        return true;
    });
    return ok ? changed : -1;
}
