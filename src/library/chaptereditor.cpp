#include "library/chaptereditor.h"

#include "library/chaptersplit.h"
#include "library/chaptertitles.h"
#include "output/exporttext.h"
#include "output/listpage.h"
#include "output/pagetemplates.h"
#include "renewal/novelfilewriter.h"
#include "sites/needdelurl.h"
#include "storage/chapterfiles.h"
#include "storage/chapterstore.h"
#include "storage/dbvalue.h"
#include "storage/filechanges.h"
#include "storage/librarycontext.h"
#include "storage/novelstore.h"
#include "storage/storedchapterpage.h"
#include "storage/textfile.h"
#include "text/html.h"
#include "text/markers.h"
#include "text/regex.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QSqlQuery>

#include <algorithm>

ChapterEditor::ChapterEditor(LibraryContext& library)
    : m_library(library) {}

// --- reading -------------------------------------------------------------------------------------

std::optional<ChapterEditor::Chapter> ChapterEditor::chapter(qint64 id) const {
    QSqlQuery q = m_library.database().query(
        QStringLiteral("SELECT id, NovelID, Title, Displayorder, Volume, ComeFrom FROM book_novelcontent "
                       "WHERE id=?"),
        {id});
    if (!q.next())
        return std::nullopt;
    Chapter c;
    c.id = q.value(0).toLongLong();
    c.novelId = q.value(1).toString();
    c.title = q.value(2).toString();
    c.order = q.value(3).toInt();
    c.volume = q.value(4).toString();
    c.comeFrom = q.value(5).toString();
    return c;
}

bool ChapterEditor::isDownloading(const QString& novelId) const {
    return m_downloading && m_downloading(novelId);
}

QList<ChapterEditor::Chapter> ChapterEditor::chapters(const QList<qint64>& ids, QString* error) const {
    QList<Chapter> found;
    QSet<qint64> seen;
    error->clear();
    for (const qint64 id : ids) {
        if (seen.contains(id))
            continue;
        seen.insert(id);
        const std::optional<Chapter> c = chapter(id);
        if (!c) {
            *error = tr("请选择具体项");
            return {};
        }
        found.append(*c);
    }
    if (found.isEmpty()) {
        *error = tr("请选择具体项");
        return {};
    }
    // Checked for all before anything changes: a command happens whole or not at all.
    for (const Chapter& c : std::as_const(found)) {
        if (isDownloading(c.novelId)) {
            *error = tr("当前章节正在下载，不能删除");
            return {};
        }
    }
    return found;
}

QString ChapterEditor::checkChapters(const QList<qint64>& ids) const {
    QString error;
    chapters(ids, &error);
    return error;
}

QString ChapterEditor::chapterText(const Chapter& c) const {
    const QString page = StoredChapterPage::read(m_library.folder().chapterPage(c.novelId, c.id),
                                                 m_library.settings().value(QStringLiteral("charset")))
                             .text;
    const QString between = getTextBetween(page, kBookContentStart, kBookContentEnd);
    return between.isEmpty() ? page : between;
}

QList<qint64> ChapterEditor::chapterIds(const QString& novelId) const {
    QSqlQuery q = m_library.database().query(
        QStringLiteral("SELECT id FROM book_novelcontent WHERE NovelID=? ORDER BY Displayorder, id"),
        {novelId});
    QList<qint64> ids;
    while (q.next())
        ids.append(q.value(0).toLongLong());
    return ids;
}

bool ChapterEditor::renumber(const QList<qint64>& ids, const QString& novelId) const {
    const Database& db = m_library.database();
    QHash<qint64, int> current;
    QSqlQuery q =
        db.query(QStringLiteral("SELECT id, Displayorder FROM book_novelcontent WHERE NovelID=?"), {novelId});
    while (q.next())
        current.insert(q.value(0).toLongLong(), q.value(1).toInt());
    QList<QVariantList> rows;
    for (int i = 0; i < ids.size(); ++i) {
        const auto it = current.constFind(ids.at(i));
        if (it == current.cend() || it.value() != i + 1)
            rows.append({i + 1, ids.at(i)});
    }
    return rows.isEmpty() ||
           db.execEach(QStringLiteral("UPDATE book_novelcontent SET Displayorder=? WHERE id=?"), rows);
}

void ChapterEditor::writeListPages(const QStringList& novelIds) const {
    QSet<QString> done;
    for (const QString& id : novelIds) {
        if (done.contains(id))
            continue;
        done.insert(id);
        writeListPage(m_library.database(), m_library.folder(), m_library.settings(), id);
    }
}

// --- titles --------------------------------------------------------------------------------------

QString ChapterEditor::proposeTitle(const QString& novelId) const {
    const Database& db = m_library.database();
    if (ChapterStore(db).count(novelId) == 0)
        return tr("第一章");
    const QString last =
        db.scalar(
              QStringLiteral("SELECT Title FROM book_novelcontent WHERE NovelID=? AND substr(Title,1,1)=? "
                             "ORDER BY id DESC LIMIT 1"),
              {novelId, QStringLiteral("第")})
            .toString();
    return ChapterTitles::nextNumbered(last);
}

QString ChapterEditor::defaultTitle(const QString& novelId) const {
    QSqlQuery q = m_library.database().query(
        QStringLiteral("SELECT Title FROM book_novelcontent WHERE NovelID=? AND substr(Title,1,3)=?"),
        {novelId, QStringLiteral("新章节")});
    QStringList titles;
    while (q.next())
        titles << q.value(0).toString();
    return ChapterTitles::nextDefault(titles);
}

// --- adding and editing --------------------------------------------------------------------------

ChapterEditor::Result ChapterEditor::add(const QString& novelId, const QString& title, const QString& url,
                                         qint64 beforeId, const QString& volume) {
    Result r;
    const QString t = title.trimmed();
    const QString u = url.trimmed();
    if (t.isEmpty() && u.isEmpty()) {
        r.error = tr("请输入章节标题或者章节网址");
        return r;
    }
    const Database& db = m_library.database();
    if (intOf(db.scalar(QStringLiteral("SELECT count(*) FROM book_novel WHERE NovelID=?"), {novelId})) == 0) {
        r.error = tr("请选择具体小说");
        return r;
    }
    if (isDownloading(novelId)) {
        r.error = tr("当前章节正在下载，不能删除");
        return r;
    }
    std::optional<Chapter> before;
    if (beforeId != 0) {
        before = chapter(beforeId);
        if (!before || before->novelId != novelId) {
            r.error = tr("请选择具体项");
            return r;
        }
    }
    ChapterRecord record;
    record.novelId = novelId;
    record.title = t.isEmpty() ? defaultTitle(novelId) : t;
    record.comeFrom = u;
    record.volume = volume;
    record.wordNums = 0;
    qint64 id = -1;
    const bool ok = db.transaction([&] {
        if (before) {
            if (!db.exec(QStringLiteral("UPDATE book_novelcontent SET Displayorder=Displayorder+1 "
                                        "WHERE NovelID=? AND Displayorder>=?"),
                         {novelId, before->order}))
                return false;
            record.displayorder = before->order;
        } else {
            record.displayorder = ChapterStore(db).nextChapterOrder(novelId);
        }
        id = ChapterStore(db).insertChapter(record);
        return id > 0;
    });
    if (!ok) {
        r.error = tr("新增章节失败");
        return r;
    }
    r.ids = {id};
    r.novelIds = {novelId};
    writeListPages(r.novelIds);
    return r;
}

ChapterEditor::Result ChapterEditor::editProperties(qint64 id, const QString& title, const QString& url) {
    Result r;
    const QString t = title.trimmed();
    if (t.isEmpty()) {
        r.error = tr("章节标题不能为空");
        return r;
    }
    const QList<Chapter> found = chapters({id}, &r.error);
    if (!r.ok())
        return r;
    const Chapter& c = found.first();
    const QString path = m_library.folder().chapterPage(c.novelId, c.id);
    const QString charset = m_library.settings().value(QStringLiteral("charset"));
    const QString page = StoredChapterPage::read(path, charset).text;
    const QString retitled = ChapterTitles::splicePageTitle(page, t);
    const NovelFileWriter writer(m_library.folder(), m_library.settings());
    const Database& db = m_library.database();
    FileChanges files;
    QString fileError;
    const ChapterStore::Stamp stamp = ChapterStore::now();
    const bool ok = db.transaction([&] {
        if (retitled != page && !files.write(path, writer.pageBytes(retitled, t), &fileError))
            return false;
        return db.exec(
            QStringLiteral("UPDATE book_novelcontent SET Title=?, ComeFrom=?, DownDate=?, DownTime=? "
                           "WHERE id=?"),
            {t, url.trimmed(), stamp.date, stamp.time, id});
    });
    if (!ok) {
        files.rollBack();
        r.error = fileError.isEmpty() ? tr("编辑章节失败") : fileError;
        return r;
    }
    files.commit();
    r.ids = {id};
    r.novelIds = {c.novelId};
    writeListPages(r.novelIds);
    return r;
}

// --- deleting and merging ------------------------------------------------------------------------

ChapterEditor::Result ChapterEditor::remove(const QList<qint64>& ids, bool rememberAddresses) {
    Result r;
    const QList<Chapter> found = chapters(ids, &r.error);
    if (!r.ok())
        return r;
    QList<qint64> deleted;
    QStringList novels;
    QHash<QString, QString> added; // NeedDelUrl entries per novel
    for (const Chapter& c : found) {
        deleted << c.id;
        if (!novels.contains(c.novelId))
            novels << c.novelId;
        if (rememberAddresses && !c.comeFrom.isEmpty())
            added[c.novelId] += NeedDelUrl::entryText(c.comeFrom, c.title);
    }
    const Database& db = m_library.database();
    const bool ok = db.transaction([&] {
        if (!ChapterStore(db).deleteChapters(deleted))
            return false;
        const NovelStore store(db);
        for (auto it = added.cbegin(); it != added.cend(); ++it) {
            QString list = store.needDelUrl(it.key());
            if (!list.isEmpty() && !list.endsWith(QLatin1String("||")))
                list += QLatin1String("||");
            if (!store.setNeedDelUrl(it.key(), list + it.value()))
                return false;
        }
        return true;
    });
    if (!ok) {
        r.error = tr("删除章节失败");
        return r;
    }
    QHash<QString, QList<qint64>> byNovel;
    for (const Chapter& c : found)
        byNovel[c.novelId] << c.id;
    // One listing of each novel's folder for all its pictures.
    for (auto it = byNovel.cbegin(); it != byNovel.cend(); ++it)
        ChapterFiles::remove(m_library.folder(), it.key(), it.value());
    r.ids = deleted;
    r.novelIds = novels;
    writeListPages(novels);
    return r;
}

namespace {

// A chapter page for a text: the text goes into the current chapter template even when it is a whole
// page itself (merged pages without content markers).
QByteArray chapterPageBytes(const LibraryContext& library, const NovelFileWriter& writer, const QString& text,
                            const QString& title) {
    if (!NovelFileWriter::isWholePage(text))
        return writer.pageBytes(text, title);
    const QString pageTemplate = PageTemplates::readChapterTemplate(
        library.folder(), library.settings().value(QStringLiteral("ArticleStyle")));
    return writer.pageBytes(NovelFileWriter::fillChapterTemplate(pageTemplate, title, text), title);
}

} // namespace

ChapterEditor::Result ChapterEditor::merge(const QList<qint64>& ids) {
    Result r;
    if (QSet<qint64>(ids.begin(), ids.end()).size() < 2) {
        r.error = tr("至少选中两个章节进行合并。");
        return r;
    }
    const QList<Chapter> found = chapters(ids, &r.error);
    if (!r.ok())
        return r;
    const Chapter& first = found.first();
    if (std::any_of(found.begin(), found.end(),
                    [&](const Chapter& c) { return c.novelId != first.novelId; })) {
        r.error = tr("请选择具体项");
        return r;
    }
    QString text;
    QList<qint64> others;
    for (const Chapter& c : found) {
        text += chapterText(c);
        if (c.id != first.id)
            others << c.id;
    }
    const NovelFileWriter writer(m_library.folder(), m_library.settings());
    const QByteArray page = chapterPageBytes(m_library, writer, text, first.title);
    const QString firstPath = m_library.folder().chapterPage(first.novelId, first.id);
    const Database& db = m_library.database();
    FileChanges files;
    QString fileError;
    // The merged page is on disk before the commit; the other pages go only after it.
    const bool ok = db.transaction([&] {
        return files.write(firstPath, page, &fileError) &&
               ChapterStore(db).setWordNums(first.id, int(text.size())) &&
               ChapterStore(db).deleteChapters(others);
    });
    if (!ok) {
        files.rollBack();
        r.error = fileError.isEmpty() ? tr("合并章节失败") : fileError;
        return r;
    }
    // Their pictures stay: the merged page shows them.
    for (const qint64 id : std::as_const(others))
        QFile::remove(m_library.folder().chapterPage(first.novelId, id));
    files.commit();
    r.ids = {first.id};
    r.novelIds = {first.novelId};
    writeListPages(r.novelIds);
    return r;
}

// --- splitting -----------------------------------------------------------------------------------

ChapterEditor::Split ChapterEditor::planSplitByPattern(qint64 id, const QString& pattern) const {
    Split s;
    s.chapterId = id;
    if (pattern.isEmpty()) {
        s.error = tr("拆分字符不能为空");
        return s;
    }
    const std::optional<Chapter> c = chapter(id);
    if (!c) {
        s.error = tr("请选择具体项");
        return s;
    }
    const ChapterSplit::Pieces cut = ChapterSplit::byPattern(chapterText(*c), pattern);
    if (!cut.error.isEmpty()) {
        s.error = cut.error;
        return s;
    }
    if (cut.matches == 0) {
        s.error = tr("没有符合条件的章节");
        return s;
    }
    s.parts = cut.matches + 1;
    for (const QString& piece : cut.pieces) {
        if (piece.isEmpty())
            continue;
        s.pieces << piece;
        const QString made = ChapterSplit::pieceTitle(piece);
        s.titles << (made.isEmpty() ? c->title + u'-' + QString::number(s.pieces.size()) : made);
    }
    return s;
}

ChapterEditor::Split ChapterEditor::planSplitBySize(qint64 id, const QString& size) const {
    Split s;
    s.chapterId = id;
    bool number = false;
    const int n = size.trimmed().toInt(&number);
    if (!number) {
        s.error = tr("字数必须为数字");
        return s;
    }
    if (n < 50) {
        s.error = tr("字数不能小于50");
        return s;
    }
    const std::optional<Chapter> c = chapter(id);
    if (!c) {
        s.error = tr("请选择具体项");
        return s;
    }
    const QString text = chapterText(*c);
    if (n > text.size()) {
        s.error = tr("字数大于章节总字数");
        return s;
    }
    s.pieces = ChapterSplit::bySize(text, n);
    s.parts = int(s.pieces.size());
    for (int i = 0; i < s.pieces.size(); ++i)
        s.titles << c->title + u'-' + QString::number(i + 1);
    return s;
}

ChapterEditor::Result ChapterEditor::split(const Split& plan) {
    Result r;
    if (!plan.ok()) {
        r.error = plan.error;
        return r;
    }
    const QList<Chapter> found = chapters({plan.chapterId}, &r.error);
    if (!r.ok())
        return r;
    if (plan.pieces.isEmpty() || plan.titles.size() != plan.pieces.size()) {
        r.error = tr("没有符合条件的章节");
        return r;
    }
    const Chapter& c = found.first();
    QList<ChapterRecord> records;
    for (int i = 0; i < plan.pieces.size(); ++i) {
        ChapterRecord record;
        record.novelId = c.novelId;
        record.title = plan.titles.at(i);
        record.comeFrom = c.comeFrom;
        record.volume = c.volume;
        record.displayorder = c.order + 1 + i;
        record.wordNums = int(plan.pieces.at(i).size());
        records << record;
    }
    const NovelFileWriter writer(m_library.folder(), m_library.settings());
    const Database& db = m_library.database();
    FileChanges files;
    QString fileError;
    QList<qint64> made;
    const bool ok = db.transaction([&] {
        if (!db.exec(QStringLiteral("UPDATE book_novelcontent SET Displayorder=Displayorder+? "
                                    "WHERE NovelID=? AND Displayorder>?"),
                     {int(records.size()), c.novelId, c.order}))
            return false;
        made = ChapterStore(db).insertChapters(records);
        if (made.size() != records.size())
            return false;
        for (int i = 0; i < made.size(); ++i) {
            if (!files.write(m_library.folder().chapterPage(c.novelId, made.at(i)),
                             chapterPageBytes(m_library, writer, plan.pieces.at(i), plan.titles.at(i)),
                             &fileError))
                return false;
        }
        return true;
    });
    if (!ok) {
        files.rollBack();
        r.error = fileError.isEmpty() ? tr("拆分章节失败") : fileError;
        return r;
    }
    files.commit();
    r.ids = made;
    r.novelIds = {c.novelId};
    writeListPages(r.novelIds);
    return r;
}

// --- order ---------------------------------------------------------------------------------------

bool ChapterEditor::moveOne(qint64 id, Direction direction) {
    QString error;
    const QList<Chapter> found = chapters({id}, &error);
    if (!error.isEmpty())
        return false;
    const QString novelId = found.first().novelId;
    QList<qint64> ids = chapterIds(novelId);
    const qsizetype at = ids.indexOf(id);
    const qsizetype other = direction == Direction::Up ? at - 1 : at + 1;
    if (at < 0 || other < 0 || other >= ids.size())
        return false;
    // Numbering the whole list makes the move visible even where two chapters share an order value.
    ids.swapItemsAt(at, other);
    const Database& db = m_library.database();
    if (!db.transaction([&] { return renumber(ids, novelId); }))
        return false;
    writeListPages({novelId});
    return true;
}

ChapterEditor::Result ChapterEditor::move(const QList<qint64>& ids, qint64 beforeId,
                                          const QString& targetNovelId, bool copy) {
    Result r;
    const QList<Chapter> moved = chapters(ids, &r.error);
    if (!r.ok())
        return r;
    const Database& db = m_library.database();
    QString target;
    if (beforeId != 0) {
        const std::optional<Chapter> before = chapter(beforeId);
        if (before)
            target = before->novelId;
    } else if (!targetNovelId.isEmpty() &&
               intOf(db.scalar(QStringLiteral("SELECT count(*) FROM book_novel WHERE NovelID=?"),
                               {targetNovelId})) > 0) {
        target = targetNovelId;
    }
    if (target.isEmpty()) {
        r.error = tr("您没有选择具体项");
        return r;
    }
    if (isDownloading(target)) {
        r.error = tr("当前章节正在下载，不能删除");
        return r;
    }

    QSet<qint64> movedIds;
    for (const Chapter& c : moved)
        movedIds.insert(c.id);
    const QList<qint64> listed = chapterIds(target);
    // Where the chapters go: before the chosen one, or before the first one after it that stays.
    qint64 anchor = 0;
    if (beforeId != 0) {
        for (qsizetype i = listed.indexOf(beforeId); i >= 0 && i < listed.size(); ++i) {
            if (copy || !movedIds.contains(listed.at(i))) {
                anchor = listed.at(i);
                break;
            }
        }
    }
    QList<qint64> order;
    for (const qint64 id : listed)
        if (copy || !movedIds.contains(id))
            order << id;

    const LibraryFolder& folder = m_library.folder();
    const QString charset = m_library.settings().value(QStringLiteral("charset"));
    const NovelFileWriter writer(folder, m_library.settings());
    FileChanges files;
    QString fileError;
    // The chapter's page and pictures as chapter newId of the target; the pictures are renamed for it
    // and the page shows them under their new names.
    const auto carryFiles = [&](const Chapter& c, qint64 newId) {
        const QString from = folder.novelDir(c.novelId) + u'/';
        const QString to = folder.novelDir(target) + u'/';
        const QString oldPrefix = c.novelId + u'_' + QString::number(c.id);
        const QString newPrefix = target + u'_' + QString::number(newId);
        QList<std::pair<QString, QString>> renamed;
        for (const QString& name : ChapterFiles::pictureNames(folder, c.novelId, c.id)) {
            const QString newName = newPrefix + name.mid(oldPrefix.size());
            if (!files.copy(from + name, to + newName, &fileError))
                return false;
            renamed.append({name, newName});
            if (!copy)
                files.removeAfterCommit(from + name);
        }
        const QString oldPage = folder.chapterPage(c.novelId, c.id);
        if (!QFile::exists(oldPage))
            return true;
        const QString newPage = folder.chapterPage(target, newId);
        bool written = false;
        if (renamed.isEmpty()) {
            written = files.copy(oldPage, newPage, &fileError);
        } else {
            QString page = StoredChapterPage::read(oldPage, charset).text;
            for (const auto& [oldName, newName] : renamed)
                page.replace(oldName, newName);
            written = files.write(newPage, writer.pageBytes(page, c.title), &fileError);
        }
        if (written && !copy)
            files.removeAfterCommit(oldPage);
        return written;
    };

    QList<qint64> result;
    const bool ok = db.transaction([&] {
        QList<qint64> placed;
        if (copy) {
            QList<ChapterRecord> records;
            for (const Chapter& c : moved) {
                ChapterRecord record;
                record.novelId = target;
                record.title = c.title;
                record.comeFrom = c.comeFrom;
                record.wordNums = intOf(
                    db.scalar(QStringLiteral("SELECT WordNums FROM book_novelcontent WHERE id=?"), {c.id}));
                records << record;
            }
            placed = ChapterStore(db).insertChapters(records);
            if (placed.size() != moved.size())
                return false;
            for (int i = 0; i < moved.size(); ++i)
                if (!carryFiles(moved.at(i), placed.at(i)))
                    return false;
        } else {
            for (const Chapter& c : moved) {
                placed << c.id;
                if (c.novelId == target)
                    continue;
                if (!db.exec(QStringLiteral("UPDATE book_novelcontent SET NovelID=? WHERE id=?"),
                             {target, c.id}) ||
                    !carryFiles(c, c.id))
                    return false;
            }
        }
        QList<qint64> finalOrder = order;
        qsizetype at = anchor != 0 ? finalOrder.indexOf(anchor) : finalOrder.size();
        if (at < 0)
            at = finalOrder.size();
        for (const qint64 id : std::as_const(placed))
            finalOrder.insert(at++, id);
        result = placed;
        return renumber(finalOrder, target);
    });
    if (!ok) {
        files.rollBack();
        r.error = fileError.isEmpty() ? tr("章节移动失败") : fileError;
        return r;
    }
    files.commit();
    r.ids = result;
    for (const Chapter& c : moved)
        if (!r.novelIds.contains(c.novelId))
            r.novelIds << c.novelId;
    if (!r.novelIds.contains(target))
        r.novelIds << target;
    writeListPages(r.novelIds);
    return r;
}

// --- volumes -------------------------------------------------------------------------------------

ChapterEditor::Result ChapterEditor::setVolume(const QList<qint64>& ids, const QString& volume) {
    Result r;
    const QString name = volume.trimmed();
    if (name.isEmpty()) {
        r.error = tr("分卷名称不能为空");
        return r;
    }
    const QList<Chapter> found = chapters(ids, &r.error);
    if (!r.ok())
        return r;
    QList<QVariantList> rows;
    for (const Chapter& c : found) {
        rows.append({name, c.id});
        r.ids << c.id;
        if (!r.novelIds.contains(c.novelId))
            r.novelIds << c.novelId;
    }
    const Database& db = m_library.database();
    if (!db.transaction([&] {
            return db.execEach(QStringLiteral("UPDATE book_novelcontent SET Volume=? WHERE id=?"), rows);
        })) {
        r.ids.clear();
        r.novelIds.clear();
        r.error = tr("设定分卷名失败");
        return r;
    }
    writeListPages(r.novelIds);
    return r;
}

QString ChapterEditor::lastVolume(const QString& novelId) const {
    // Volume<>'' alone: an empty volume is no volume, and Null compares as unknown.
    return m_library.database()
        .scalar(QStringLiteral("SELECT Volume FROM book_novelcontent WHERE NovelID=? AND Volume<>'' "
                               "ORDER BY Displayorder DESC, id DESC LIMIT 1"),
                {novelId})
        .toString();
}
