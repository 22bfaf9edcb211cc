#include "library/categoryeditor.h"

#include "library/novelremoval.h"
#include "library/ordering.h"
#include "storage/categorystore.h"
#include "storage/dbvalue.h"
#include "storage/librarycontext.h"

#include <QSet>
#include <QSqlQuery>

#include <algorithm>

namespace {

// Parks a category while the others make room; never a real code, unlike "00".
const QString kParking = QStringLiteral("ZZ");

bool isCode(const QString& code) {
    return code.size() == 2 && code.at(0).isDigit() && code.at(1).isDigit() && code.at(0).unicode() < 128 &&
           code.at(1).unicode() < 128;
}

QString twoDigits(int n) {
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

// The novels without a category are those whose code names no category: the tree shows them so.
const QString kNoCategory =
    QStringLiteral("(LB IS NULL OR LB = '' OR LB NOT IN (SELECT DM FROM dic_noveltype))");

} // namespace

CategoryEditor::CategoryEditor(LibraryContext& library)
    : m_library(library) {}

bool CategoryEditor::categoryExists(const QString& code) const {
    return !code.isEmpty() &&
           m_library.database()
               .scalar(QStringLiteral("SELECT 1 FROM dic_noveltype WHERE DM = ? LIMIT 1"), {code})
               .isValid();
}

CategoryEditor::Result CategoryEditor::add(const QString& name) const {
    const CategoryStore::Result added = CategoryStore(m_library.database()).add(name);
    return {added.error, added.code, {}};
}

CategoryEditor::Result CategoryEditor::rename(const QString& code, const QString& name) const {
    if (!categoryExists(code))
        return {tr("没有这个分类：") + code, code, {}};
    const CategoryStore::Result renamed = CategoryStore(m_library.database()).rename(code, name);
    return {renamed.error, code, {}};
}

CategoryEditor::Result CategoryEditor::moveTo(const QString& code, const QString& rawTarget) const {
    const QString target = rawTarget.isEmpty() ? QStringLiteral("01") : rawTarget;
    if (!categoryExists(code))
        return {tr("没有这个分类：") + code, code, {}};
    if (!isCode(target))
        return {tr("分类编号无效：") + target, code, {}};
    if (target == code)
        return {{}, code, {}};

    const Database& db = m_library.database();
    QSet<int> used;
    for (const Category& c : CategoryStore(db).list())
        if (c.code != code && isCode(c.code))
            used.insert(c.code.toInt());

    // Each step gives a code the next one up (or down); the steps run so that no two categories ever
    // share a code.
    QList<std::pair<QString, QString>> steps{{code, kParking}};
    const int t = target.toInt();
    int free = t;
    while (free <= 99 && used.contains(free))
        ++free;
    QString placed;
    if (free <= 99) {
        for (int n = free - 1; n >= t; --n)
            steps.append({twoDigits(n), twoDigits(n + 1)});
        placed = target;
    } else {
        // The run reaches "99": the parked code is free below the target, so the codes below move down.
        free = t - 1;
        while (free >= 0 && used.contains(free))
            --free;
        if (free < 0)
            return {tr("分类移动失败"), code, {}};
        for (int n = free + 1; n <= t - 1; ++n)
            steps.append({twoDigits(n), twoDigits(n - 1)});
        placed = twoDigits(t - 1);
    }
    steps.append({kParking, placed});

    static const char* const tables[][2] = {
        {"dic_noveltype", "DM"}, {"book_novel", "LB"}, {"pri_mynovel", "LB"}};
    const bool ok = db.transaction([&] {
        for (const auto& [from, to] : steps)
            for (const auto& t : tables)
                if (!db.exec(QStringLiteral("UPDATE %1 SET %2 = ? WHERE %2 = ?")
                                 .arg(QLatin1String(t[0]), QLatin1String(t[1])),
                             {to, from}))
                    return false;
        return true;
    });
    if (!ok)
        return {tr("分类移动失败"), code, {}};
    return {{}, placed, {}};
}

bool CategoryEditor::hasDownloadingNovel(const QString& code) const {
    if (!m_downloading)
        return false;
    const QList<CategoryNovel> novels = novelsOf(code);
    return std::any_of(novels.begin(), novels.end(),
                       [this](const CategoryNovel& n) { return m_downloading(n.novelId); });
}

CategoryEditor::Result CategoryEditor::remove(const QString& code, bool deleteFiles) const {
    if (!categoryExists(code))
        return {tr("没有这个分类：") + code, code, {}};
    if (hasDownloadingNovel(code))
        return {tr("此分类下小说正在下载中，不能删除。"), code, {}};
    QStringList ids;
    for (const CategoryNovel& n : novelsOf(code))
        ids << n.novelId;
    const Database& db = m_library.database();
    // The bookcase entries go with the category whether or not the files stay.
    const bool ok = db.transaction([&] {
        return NovelRemoval::deleteRows(m_library, ids, true) &&
               db.exec(QStringLiteral("DELETE FROM dic_noveltype WHERE DM = ?"), {code});
    });
    if (!ok)
        return {tr("删除分类失败"), code, {}};
    NovelRemoval::forgetDeleted(m_library, ids, deleteFiles);
    return {{}, code, ids};
}

QString CategoryEditor::categoryOf(const QString& novelId) const {
    const QString code = textOf(m_library.database().scalar(
        QStringLiteral("SELECT LB FROM book_novel WHERE NovelID = ?"), {novelId}));
    return categoryExists(code) ? code : QString();
}

QList<CategoryNovel> CategoryEditor::novelsOf(const QString& code, const QString& exceptId,
                                              const QString& nameFilter) const {
    QString sql = QStringLiteral("SELECT NovelID, NovelName FROM book_novel WHERE NovelID <> ? AND ");
    QVariantList params{exceptId};
    if (code.isEmpty()) {
        sql += kNoCategory;
    } else {
        sql += QLatin1String("LB = ?");
        params << code;
    }
    if (!nameFilter.isEmpty()) {
        sql += QLatin1String(" AND NovelName LIKE ? ESCAPE '\\'");
        params << likeContaining(nameFilter);
    }
    QSqlQuery q = m_library.database().query(sql + QLatin1String(" ORDER BY Displayorder, NovelID"), params);
    QList<CategoryNovel> novels;
    while (q.next())
        novels.append({textOf(q.value(0)), textOf(q.value(1))});
    return novels;
}

CategoryEditor::Result CategoryEditor::moveNovel(const QString& novelId, const QString& code,
                                                 const QString& beforeId) const {
    const Database& db = m_library.database();
    const auto exists = [&db](const QString& id) {
        return !id.isEmpty() &&
               db.scalar(QStringLiteral("SELECT 1 FROM book_novel WHERE NovelID = ? LIMIT 1"), {id})
                   .isValid();
    };
    if (!exists(novelId))
        return {tr("没有这本小说：") + novelId, code, {}};
    if (!code.isEmpty() && !categoryExists(code))
        return {tr("没有这个分类：") + code, code, {}};
    const QString current = categoryOf(novelId);
    const QString bookcasePath = m_library.folder().novelListPage(novelId);

    if (beforeId.isEmpty()) {
        if (current == code)
            return {{}, code, {}};
        if (!Ordering::moveNovelToCategory(db, novelId, code, bookcasePath))
            return {tr("小说移动失败"), code, {}};
        return {{}, code, {novelId}};
    }
    if (beforeId == novelId)
        return {{}, code, {}};
    if (!exists(beforeId))
        return {tr("没有这本小说：") + beforeId, code, {}};

    QStringList ids;
    for (const CategoryNovel& n : novelsOf(code, novelId))
        ids << n.novelId;
    const qsizetype at = ids.indexOf(beforeId);
    if (at < 0)
        return {tr("插入位置的小说不在这个分类中"), code, {}};
    ids.insert(at, novelId);

    // The whole category is numbered again: novels sharing one order value would otherwise keep the
    // moved one from landing right before the chosen one.
    QList<QVariantList> orders;
    for (int i = 0; i < ids.size(); ++i)
        orders.append({i + 1, ids.at(i)});
    const QVariant lb = code.isEmpty() ? QVariant() : QVariant(code);
    const bool ok = db.transaction([&] {
        if (current != code &&
            (!db.exec(QStringLiteral("UPDATE book_novel SET LB = ? WHERE NovelID = ?"), {lb, novelId}) ||
             !db.exec(QStringLiteral("UPDATE pri_mynovel SET LB = ? WHERE WJLJ = ?"), {lb, bookcasePath})))
            return false;
        return db.execEach(QStringLiteral("UPDATE book_novel SET Displayorder = ? WHERE NovelID = ?"),
                           orders);
    });
    if (!ok)
        return {tr("小说移动失败"), code, {}};
    return {{}, code, {novelId}};
}
