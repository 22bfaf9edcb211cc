#include "writer/writerstore.h"

#include "storage/database.h"
#include "storage/dbvalue.h"
#include "storage/schema.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QSqlQuery>

#include <iterator>

namespace {

const char* const kTypeNames[] = {"分类", "链接", "文本", "图片"};

// Everything below a note, the note itself first; UNION keeps a damaged loop of parents finite.
const QString kSubtree = QStringLiteral("WITH RECURSIVE sub(id) AS (SELECT id FROM book_Writer WHERE id=? "
                                        "UNION SELECT w.id FROM book_Writer w JOIN sub ON w.topid=sub.id) ");

const QString kColumns = QStringLiteral("id, NovelID, topid, displayorder, Title, iType, url, Remark");

WriterNote readNote(const QSqlQuery& q) {
    WriterNote n;
    n.id = q.value(0).toLongLong();
    n.novelId = textOf(q.value(1));
    n.topId = q.value(2).toLongLong();
    n.displayOrder = intOf(q.value(3));
    n.title = textOf(q.value(4));
    n.type = intOf(q.value(5));
    n.url = textOf(q.value(6));
    n.remark = textOf(q.value(7));
    return n;
}

} // namespace

QString WriterStore::typeName(int type) {
    return type >= 0 && type < int(std::size(kTypeNames)) ? QString::fromUtf8(kTypeNames[type]) : QString();
}

int WriterStore::typeOf(const QString& name) {
    for (int i = 0; i < int(std::size(kTypeNames)); ++i)
        if (name == QString::fromUtf8(kTypeNames[i]))
            return i;
    return -1;
}

bool WriterStore::ensureNovel(const QString& novelId) const {
    if (!Schema::ensureWriterTable(m_db))
        return false;
    // Checked and filled in one write transaction, so two programs opening the novel at once make one set.
    return m_db.transaction([&] {
        if (m_db.scalar(QStringLiteral("SELECT 1 FROM book_Writer WHERE NovelID=? LIMIT 1"), {novelId})
                .isValid())
            return true;
        const QStringList titles{tr("人物"), tr("图片"), tr("典故"), tr("事件")};
        QList<QVariantList> rows;
        for (int i = 0; i < titles.size(); ++i)
            rows.append({novelId, i + 1, titles.at(i)});
        return m_db.execEach(
            QStringLiteral("INSERT INTO book_Writer (NovelID, topid, displayorder, Title, iType, "
                           "url, Remark) VALUES (?, 0, ?, ?, 0, '', '')"),
            rows);
    });
}

QList<WriterNote> WriterStore::tree(const QString& novelId) const {
    // One plain read put in order here: a recursive query sorting on built keys costs more than the rows.
    QSqlQuery q = m_db.query(
        QStringLiteral("SELECT %1 FROM book_Writer WHERE NovelID=? ORDER BY displayorder, id").arg(kColumns),
        {novelId});
    QList<WriterNote> rows;
    QHash<qint64, QList<int>> children; // parent id (0: the top) -> rows in sibling order
    while (q.next()) {
        rows.append(readNote(q));
        children[rows.last().topId].append(int(rows.size()) - 1);
    }
    const auto childrenOf = [&](qint64 id) -> const QList<int>* {
        const auto it = children.constFind(id);
        return it == children.cend() ? nullptr : &it.value();
    };
    // Depth first from the top, each note once: a damaged loop of parents is never reached or ends.
    struct Frame {
        const QList<int>* rows;
        int next;
        int depth;
    };
    QList<WriterNote> notes;
    notes.reserve(rows.size());
    QList<bool> seen(rows.size(), false);
    QList<Frame> stack;
    if (const QList<int>* top = childrenOf(0))
        stack.append({top, 0, 0});
    while (!stack.isEmpty()) {
        Frame& frame = stack.last();
        if (frame.next >= frame.rows->size()) {
            stack.removeLast();
            continue;
        }
        const int row = frame.rows->at(frame.next++);
        const int depth = frame.depth;
        if (seen.at(row))
            continue;
        seen[row] = true;
        WriterNote note = rows.at(row);
        note.depth = depth;
        notes.append(note);
        if (const QList<int>* below = childrenOf(note.id))
            stack.append({below, 0, depth + 1});
    }
    return notes;
}

WriterNote WriterStore::note(qint64 id) const {
    QSqlQuery q = m_db.query(QStringLiteral("SELECT %1 FROM book_Writer WHERE id=?").arg(kColumns), {id});
    return q.next() ? readNote(q) : WriterNote{};
}

qint64 WriterStore::parentFor(qint64 selectedId) const {
    const WriterNote selected = note(selectedId);
    if (selected.id == 0)
        return 0;
    return selected.type == WriterNote::Category ? selected.id : selected.topId;
}

QString WriterStore::validate(const WriterNote& note) {
    if (note.title.trimmed().isEmpty())
        return tr("名称不能为空");
    if ((note.type == WriterNote::Link || note.type == WriterNote::Picture) && note.url.trimmed().isEmpty())
        return tr("地址不能为空");
    return {};
}

int WriterStore::nextOrder(const QString& novelId, qint64 parent) const {
    return m_db
        .scalar(QStringLiteral("SELECT ifnull(max(displayorder), 0) + 1 FROM book_Writer "
                               "WHERE NovelID=? AND ifnull(topid, 0)=?"),
                {novelId, parent}, 1)
        .toInt();
}

QString WriterStore::checkParent(const QString& novelId, qint64 parent) const {
    if (parent == 0)
        return {};
    const WriterNote p = note(parent);
    if (p.id == 0 || p.novelId != novelId || p.type != WriterNote::Category)
        return tr("只能放在这本小说的分类下");
    return {};
}

WriterStore::Result WriterStore::insertNote(const WriterNote& n) const {
    Result result;
    if (typeName(n.type).isEmpty())
        result.error = tr("类型无效");
    else
        result.error = validate(n);
    if (result.error.isEmpty())
        result.error = checkParent(n.novelId, n.topId);
    if (!result.ok())
        return result;
    const bool done = m_db.transaction([&] {
        QSqlQuery q = m_db.query(
            QStringLiteral(
                "INSERT INTO book_Writer (NovelID, topid, displayorder, Title, iType, url, Remark) "
                "VALUES (?, ?, ?, ?, ?, ?, ?)"),
            {n.novelId, n.topId, nextOrder(n.novelId, n.topId), n.title, n.type, n.url, n.remark});
        result.id = q.isActive() ? q.lastInsertId().toLongLong() : 0;
        return result.id > 0;
    });
    if (!done) {
        result.id = 0;
        result.error = tr("保存辅助失败");
    }
    return result;
}

WriterStore::Result WriterStore::updateNote(qint64 id, const QString& title, const QString& url,
                                            const QString& remark) const {
    Result result;
    WriterNote n = note(id);
    if (n.id == 0) {
        result.error = tr("请选择具体的辅助");
        return result;
    }
    n.title = title;
    n.url = url;
    n.remark = remark;
    result.error = validate(n);
    if (!result.ok())
        return result;
    result.id = id;
    if (!m_db.exec(QStringLiteral("UPDATE book_Writer SET Title=?, url=?, Remark=? WHERE id=?"),
                   {title, url, remark, id}))
        result.error = tr("保存辅助失败");
    return result;
}

QList<qint64> WriterStore::deleteSubtree(qint64 id) const {
    QList<qint64> ids;
    const bool done = m_db.transaction([&] {
        QSqlQuery q = m_db.query(kSubtree + QStringLiteral("SELECT id FROM sub"), {id});
        while (q.next())
            ids.append(q.value(0).toLongLong());
        return !ids.isEmpty() &&
               m_db.exec(kSubtree + QStringLiteral("DELETE FROM book_Writer WHERE id IN sub"), {id});
    });
    return done ? ids : QList<qint64>();
}

WriterStore::Swap WriterStore::swapWithSibling(qint64 id, bool up) const {
    bool atEnd = false;
    const bool moved = m_db.transaction([&] {
        const WriterNote n = note(id);
        if (n.id == 0)
            return false;
        QList<qint64> ids;
        QList<int> orders;
        QSqlQuery q =
            m_db.query(QStringLiteral("SELECT id, displayorder FROM book_Writer WHERE NovelID=? AND "
                                      "ifnull(topid, 0)=? ORDER BY displayorder, id"),
                       {n.novelId, n.topId});
        while (q.next()) {
            ids.append(q.value(0).toLongLong());
            orders.append(intOf(q.value(1)));
        }
        const qsizetype i = ids.indexOf(id);
        const qsizetype j = up ? i - 1 : i + 1;
        if (i < 0 || j < 0 || j >= ids.size()) {
            atEnd = true;
            return false;
        }
        const QString set = QStringLiteral("UPDATE book_Writer SET displayorder=? WHERE id=?");
        bool ok = true;
        if (QSet<int>(orders.begin(), orders.end()).size() == orders.size()) {
            ok = m_db.exec(set, {orders.at(j), ids.at(i)}) && m_db.exec(set, {orders.at(i), ids.at(j)});
        } else {
            // Equal orders would make exchanging them a no-op: number the siblings afresh instead.
            ids.swapItemsAt(i, j);
            QList<QVariantList> rows;
            for (int k = 0; k < ids.size(); ++k)
                rows.append({k + 1, ids.at(k)});
            ok = m_db.execEach(set, rows);
        }
        return ok;
    });
    if (atEnd)
        return Swap::AtEnd;
    return moved ? Swap::Moved : Swap::Failed;
}

WriterStore::Result WriterStore::moveTo(qint64 id, qint64 newParent) const {
    Result result;
    const WriterNote n = note(id);
    if (n.id == 0) {
        result.error = tr("请选择具体的辅助");
        return result;
    }
    const bool inside =
        m_db.scalar(kSubtree + QStringLiteral("SELECT 1 FROM sub WHERE id=?"), {id, newParent}).isValid();
    if (inside) {
        result.error = tr("不能移到它自己或它下面的分类中");
        return result;
    }
    result.error = checkParent(n.novelId, newParent);
    if (!result.ok())
        return result;
    result.id = id;
    const bool done = m_db.transaction([&] {
        return m_db.exec(QStringLiteral("UPDATE book_Writer SET topid=?, displayorder=? WHERE id=?"),
                         {newParent, nextOrder(n.novelId, newParent), id});
    });
    if (!done)
        result.error = tr("移动辅助失败");
    return result;
}

QString WriterStore::pictureFileName(const QString& folder, const QDateTime& when,
                                     const QString& sourceName) {
    const QString name = QFileInfo(sourceName).fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    QString extension = dot < 0 ? QString() : name.mid(dot + 1);
    if (extension.isEmpty())
        extension = QStringLiteral("jpg");
    const QString stamp = when.toString(QStringLiteral("yyyyMMddHHmmss"));
    const QDir dir(folder);
    // A stem already used by any picture counts as taken, whatever its extension.
    QString stem = stamp;
    for (int n = 1; !dir.entryList({stem + QStringLiteral(".*"), stem}, QDir::Files).isEmpty(); ++n)
        stem = stamp + u'_' + QString::number(n);
    return stem + u'.' + extension;
}

QString WriterStore::copyPicture(const QString& source, const QString& folder, const QDateTime& when,
                                 QString* error) {
    if (!QFileInfo(source).isFile()) {
        *error = tr("找不到图片文件：%1").arg(source);
        return {};
    }
    if (!QDir().mkpath(folder)) {
        *error = tr("无法建立文件夹：%1").arg(folder);
        return {};
    }
    const QString target = folder + u'/' + pictureFileName(folder, when, source);
    if (!QFile::copy(source, target)) {
        *error = tr("复制图片失败：%1").arg(target);
        return {};
    }
    return target;
}
