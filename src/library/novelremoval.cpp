#include "library/novelremoval.h"

#include "storage/librarycontext.h"
#include "storage/recordlists.h"

#include <QDir>

namespace NovelRemoval {

namespace {

bool deleteRows(LibraryContext& library, const QString& novelId, bool deleteFiles) {
    const Database& db = library.database();
    return db.transaction([&] {
        return db.exec(QStringLiteral("DELETE FROM book_novelcontent WHERE NovelID = ?"), {novelId}) &&
               db.exec(QStringLiteral("DELETE FROM book_novel WHERE NovelID = ?"), {novelId}) &&
               (!deleteFiles || db.exec(QStringLiteral("DELETE FROM pri_mynovel WHERE WJLJ = ?"),
                                        {library.folder().novelListPage(novelId)}));
    });
}

} // namespace

QStringList deleteNovels(LibraryContext& library, const QStringList& novelIds, bool deleteFiles) {
    QStringList deleted;
    for (const QString& id : novelIds) {
        if (id.isEmpty() || !deleteRows(library, id, deleteFiles))
            continue;
        deleted << id;
        // Files go only after the rows are gone for good.
        if (deleteFiles)
            QDir(library.folder().novelDir(id)).removeRecursively();
    }
    if (deleted.isEmpty())
        return deleted;
    QList<Bookmark> bookmarks;
    if (loadBookmarks(library.folder().path(), bookmarks)) {
        const qsizetype before = bookmarks.size();
        bookmarks.removeIf([&](const Bookmark& b) {
            return std::any_of(deleted.begin(), deleted.end(),
                               [&](const QString& id) { return b.fullAddress.contains(u'/' + id + u'/'); });
        });
        if (bookmarks.size() != before)
            saveBookmarks(library.folder().path(), bookmarks);
    }
    return deleted;
}

bool deleteNovel(LibraryContext& library, const QString& novelId, bool deleteFiles) {
    return !deleteNovels(library, {novelId}, deleteFiles).isEmpty();
}

} // namespace NovelRemoval
