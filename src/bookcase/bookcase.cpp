#include "bookcase/bookcase.h"

#include "library/categoryeditor.h"
#include "library/ordering.h"
#include "storage/categorystore.h"
#include "storage/librarycontext.h"
#include "storage/novelstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>

namespace {

enum class Trashing { Trashed, Removed, Failed };

// The trash when there is one, else the file is deleted outright. Qt gives up on the home trash when
// its data folder is missing, and in that case (6.4) "trashes" into a "files" folder relative to the
// working folder and still says it succeeded: the folder is made first, and a file that did not land
// in a trash folder is deleted where it went.
Trashing moveToTrash(const QString& path) {
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    QFile file(path);
    if (file.moveToTrash()) {
        const QString landed = QFileInfo(file.fileName()).absolutePath();
        if (landed.endsWith(QLatin1String("/Trash/files")) || landed.contains(QLatin1String("/.Trash")))
            return Trashing::Trashed;
        // Its ".trashinfo" went to an "info" folder beside the stray "files".
        QFile::remove(QFileInfo(landed).absolutePath() + QLatin1String("/info/") +
                      QFileInfo(file.fileName()).fileName() + QLatin1String(".trashinfo"));
        return QFile::remove(file.fileName()) ? Trashing::Removed : Trashing::Failed;
    }
    return QFile::remove(path) ? Trashing::Removed : Trashing::Failed;
}

} // namespace

Bookcase::Bookcase(LibraryContext& library)
    : m_library(library) {}

QString Bookcase::nameFromFile(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.indexOf(u'.');
    return dot < 0 ? name : name.left(dot);
}

QString Bookcase::statusText(const QString& nodeText, int count) {
    return tr("%1：%2本").arg(nodeText).arg(count);
}

QString Bookcase::checkMessage(int missing) {
    if (missing == 0)
        return tr("图书和存放路径完全一致");
    return tr("有%1本图书和存放路径不相一致，已用红色标注出，是否删除这些图书").arg(missing);
}

BookcaseEntry Bookcase::trimmed(BookcaseEntry entry) {
    entry.mc = entry.mc.trimmed();
    entry.lb = entry.lb.trimmed();
    entry.zz = entry.zz.trimmed();
    entry.wjlj = entry.wjlj.trimmed();
    entry.sm = entry.sm.trimmed();
    return entry;
}

QString Bookcase::categoryProblem(const QString& code) const {
    if (code.isEmpty())
        return {};
    const QList<Category> categories = CategoryStore(m_library.database()).list();
    for (const Category& c : categories)
        if (c.code == code)
            return {};
    return tr("没有这个分类：") + code;
}

QString Bookcase::check(const BookcaseEntry& given) const {
    const BookcaseEntry entry = trimmed(given);
    if (entry.mc.isEmpty())
        return tr("请在书名处输入内容");
    if (entry.wjlj.isEmpty())
        return tr("请在文件路径处输入内容");
    const BookcaseStore store(m_library.database());
    if (store.hasPath(entry.wjlj, entry.id))
        return tr("已有此文件路径的图书");
    // A book whose category the library deleted under it can still be edited as it is.
    if (entry.id > 0) {
        const std::optional<BookcaseEntry> stored = store.get(entry.id);
        if (stored && stored->lb == entry.lb)
            return {};
    }
    return categoryProblem(entry.lb);
}

Bookcase::Result Bookcase::add(const BookcaseEntry& given) const {
    BookcaseEntry entry = trimmed(given);
    entry.id = 0;
    if (const QString problem = check(entry); !problem.isEmpty())
        return {problem, {}, {}};
    const qint64 id = BookcaseStore(m_library.database()).insert(entry);
    if (id <= 0)
        return {tr("无法保存更改"), {}, {}};
    return {{}, {id}, {}};
}

Bookcase::Result Bookcase::edit(const BookcaseEntry& given) const {
    const BookcaseEntry entry = trimmed(given);
    const BookcaseStore store(m_library.database());
    if (entry.id <= 0 || !store.get(entry.id))
        return {tr("没有这本图书：") + QString::number(entry.id), {}, {}};
    if (const QString problem = check(entry); !problem.isEmpty())
        return {problem, {}, {}};
    if (!store.update(entry))
        return {tr("无法保存更改"), {}, {}};
    return {{}, {entry.id}, {}};
}

Bookcase::Result Bookcase::addBatch(const QList<BatchRow>& rows, const QString& code) const {
    if (rows.isEmpty())
        return {tr("没有新增的图书。"), {}, {}};
    for (const BatchRow& row : rows)
        if (row.name.trimmed().isEmpty())
            return {tr("图书名称不能为空。"), {}, {}};
    for (const BatchRow& row : rows)
        if (const QString problem = categoryProblem(row.code.value_or(code)); !problem.isEmpty())
            return {problem, {}, {}};

    const Database& db = m_library.database();
    const BookcaseStore store(db);
    QList<qint64> added;
    const bool ok = db.transaction([&] {
        for (const BatchRow& row : rows) {
            BookcaseEntry entry;
            entry.mc = row.name;
            entry.lb = row.code.value_or(code);
            entry.wjlj = row.path;
            entry = trimmed(entry);
            // Rows inserted earlier in this batch are entries by now, so a repeated file is skipped too.
            if (entry.wjlj.isEmpty() || store.hasPath(entry.wjlj))
                continue;
            const qint64 id = store.insert(entry);
            if (id <= 0)
                return false;
            added << id;
        }
        return true;
    });
    if (!ok)
        return {tr("无法保存更改"), {}, {}};
    return {{}, added, {}};
}

bool Bookcase::isNovelPage(const QString& path) const {
    const QString clean = QDir::cleanPath(path);
    const QString novelId = QFileInfo(clean).dir().dirName();
    return clean == QDir::cleanPath(m_library.folder().novelListPage(novelId)) &&
           NovelStore(m_library.database()).loadNovel(novelId).has_value();
}

Bookcase::Files Bookcase::disposeFiles(const QStringList& paths) const {
    Files files;
    for (const QString& path : paths) {
        if (path.isEmpty())
            continue;
        if (isNovelPage(path)) {
            files.kept << path;
            continue;
        }
        const QFileInfo info(path);
        if (!info.exists() && !info.isSymLink())
            continue;
        switch (moveToTrash(path)) {
        case Trashing::Trashed:
            files.trashed << path;
            break;
        case Trashing::Removed:
            files.removed << path;
            break;
        case Trashing::Failed:
            files.failed << path;
            break;
        }
    }
    return files;
}

Bookcase::Result Bookcase::remove(const QList<qint64>& ids, bool deleteFiles) const {
    const BookcaseStore store(m_library.database());
    QStringList paths;
    QList<qint64> present;
    for (const qint64 id : ids) {
        const std::optional<BookcaseEntry> entry = store.get(id);
        if (!entry)
            return {tr("没有这本图书：") + QString::number(id), {}, {}};
        if (present.contains(id))
            continue;
        present << id;
        paths << entry->wjlj;
    }
    if (!store.remove(present))
        return {tr("无法保存更改"), {}, {}};
    // Files go only once the rows are gone for good.
    return {{}, present, deleteFiles ? disposeFiles(paths) : Files()};
}

Bookcase::Result Bookcase::removeCategory(const QString& code, bool deleteFiles) const {
    if (code.isEmpty() || !categoryProblem(code).isEmpty())
        return {tr("没有这个分类：") + code, {}, {}};
    const Database& db = m_library.database();
    const QList<BookcaseEntry> entries = BookcaseStore(db).list(code);
    const QList<CategoryNovel> novels = CategoryEditor(m_library).novelsOf(code);
    // The entries of the category's novels follow them; the others go.
    QSet<QString> following;
    for (const CategoryNovel& novel : novels)
        following.insert(QDir::cleanPath(m_library.folder().novelListPage(novel.novelId)));
    Result result;
    QStringList paths;
    for (const BookcaseEntry& entry : entries)
        if (!following.contains(QDir::cleanPath(entry.wjlj))) {
            result.ids << entry.id;
            paths << entry.wjlj;
        }

    const bool ok = db.transaction([&] {
        // In display order, so that they keep their order at the end of the novels without a category.
        for (const CategoryNovel& novel : novels)
            if (!Ordering::moveNovelToCategory(db, novel.novelId, QString(),
                                               m_library.folder().novelListPage(novel.novelId)))
                return false;
        return BookcaseStore(db).removeCategory(code) &&
               db.exec(QStringLiteral("DELETE FROM dic_noveltype WHERE DM = ?"), {code});
    });
    if (!ok)
        return {tr("删除分类失败"), {}, {}};
    if (deleteFiles)
        result.files = disposeFiles(paths);
    return result;
}

Bookcase::Result Bookcase::move(const QList<qint64>& ids, const QString& code) const {
    if (code.isEmpty())
        return {tr("请拖到相应的分类处"), {}, {}};
    if (const QString problem = categoryProblem(code); !problem.isEmpty())
        return {problem, {}, {}};
    const BookcaseStore store(m_library.database());
    for (const qint64 id : ids)
        if (!store.get(id))
            return {tr("没有这本图书：") + QString::number(id), {}, {}};
    if (!store.move(ids, code))
        return {tr("无法保存更改"), {}, {}};
    return {{}, ids, {}};
}
