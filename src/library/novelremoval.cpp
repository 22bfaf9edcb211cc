#include "library/novelremoval.h"

#include "storage/librarycontext.h"
#include "storage/recordlists.h"
#include "storage/schema.h"

#include <QDir>

namespace NovelRemoval {

bool deleteRows(const LibraryContext& library, const QStringList& novelIds, bool bookcaseToo) {
    const Database& db = library.database();
    // The writing assistant's notes go with their novel; the table exists once the assistant was used.
    const bool notes = Schema::hasTable(db, QStringLiteral("book_Writer"));
    return db.transaction([&] {
        for (const QString& novelId : novelIds)
            if ((notes && !db.exec(QStringLiteral("DELETE FROM book_Writer WHERE NovelID = ?"), {novelId})) ||
                !db.exec(QStringLiteral("DELETE FROM book_novelcontent WHERE NovelID = ?"), {novelId}) ||
                !db.exec(QStringLiteral("DELETE FROM book_novel WHERE NovelID = ?"), {novelId}) ||
                (bookcaseToo && !db.exec(QStringLiteral("DELETE FROM pri_mynovel WHERE WJLJ = ?"),
                                         {library.folder().novelListPage(novelId)})))
                return false;
        return true;
    });
}

void forgetDeleted(LibraryContext& library, const QStringList& novelIds, bool deleteFiles) {
    if (novelIds.isEmpty())
        return;
    if (deleteFiles)
        for (const QString& id : novelIds)
            QDir(library.folder().novelDir(id)).removeRecursively();
    QList<Bookmark> bookmarks;
    if (loadBookmarks(library.folder().path(), bookmarks)) {
        const qsizetype before = bookmarks.size();
        bookmarks.removeIf([&](const Bookmark& b) {
            return std::any_of(novelIds.begin(), novelIds.end(),
                               [&](const QString& id) { return b.fullAddress.contains(u'/' + id + u'/'); });
        });
        if (bookmarks.size() != before)
            saveBookmarks(library.folder().path(), bookmarks);
    }
}

QStringList deleteNovels(LibraryContext& library, const QStringList& novelIds, bool deleteFiles) {
    QStringList deleted;
    for (const QString& id : novelIds)
        if (!id.isEmpty() && deleteRows(library, {id}, deleteFiles))
            deleted << id;
    // Files go only after the rows are gone for good.
    forgetDeleted(library, deleted, deleteFiles);
    return deleted;
}

bool deleteNovel(LibraryContext& library, const QString& novelId, bool deleteFiles) {
    return !deleteNovels(library, {novelId}, deleteFiles).isEmpty();
}

} // namespace NovelRemoval
