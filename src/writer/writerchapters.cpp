#include "writer/writerchapters.h"

#include "library/chaptereditor.h"
#include "library/librarylists.h"
#include "library/pagework.h"
#include "output/listpage.h"
#include "output/listtable.h"
#include "renewal/novelfilewriter.h"
#include "storage/chapterstore.h"
#include "storage/filechanges.h"
#include "storage/librarycontext.h"
#include "text/innertext.h"
#include "tools/chapterpageedit.h"

#include <QRegularExpression>
#include <QSqlQuery>

namespace {

// One past the largest number that follows prefix in any of the values.
int nextNumber(const QStringList& values, const QString& prefix) {
    int largest = 0;
    for (const QString& value : values) {
        if (!value.startsWith(prefix))
            continue;
        bool ok = false;
        const int n = value.mid(prefix.size()).toInt(&ok);
        if (ok && n > largest)
            largest = n;
    }
    return largest + 1;
}

QStringList volumeNames(const Database& db, const QString& novelId) {
    QStringList values;
    QSqlQuery q =
        db.query(QStringLiteral("SELECT DISTINCT Volume FROM book_novelcontent WHERE NovelID=?"), {novelId});
    while (q.next())
        values << q.value(0).toString();
    return values;
}

} // namespace

WriterChapters::WriterChapters(LibraryContext& library, const QString& novelId)
    : m_library(library)
    , m_novelId(novelId) {}

QList<WriterChapters::Entry> WriterChapters::outline() const {
    QList<Entry> entries;
    QSqlQuery q = m_library.database().query(
        QStringLiteral("SELECT id, Title, COALESCE(Volume, '') FROM book_novelcontent WHERE NovelID=? "
                       "ORDER BY Displayorder, id"),
        {m_novelId});
    while (q.next())
        entries.append({q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toString()});
    return entries;
}

QString WriterChapters::mainVolumeName() {
    return tr("正文");
}

QString WriterChapters::text(qint64 chapterId) const {
    ChapterPageEdit page(m_library, m_novelId, chapterId);
    if (!page.open().isEmpty())
        return QString();
    // Plain text as typed: a save writes blanks as &nbsp; and lines as <br>, which come back so.
    QString text = htmlInnerText(page.content());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QChar(0xA0), u' ');
    return text;
}

bool WriterChapters::hasRichContent(qint64 chapterId) const {
    ChapterPageEdit page(m_library, m_novelId, chapterId);
    static const QRegularExpression rich(QStringLiteral("<(img|table|a)\\b"),
                                         QRegularExpression::CaseInsensitiveOption);
    return page.open().isEmpty() && page.content().contains(rich);
}

QString WriterChapters::save(qint64 chapterId, const QString& text) const {
    const QString failed = tr("保存失败：");
    const Database& db = m_library.database();
    const std::optional<ChapterRow> row = LibraryLists::chapter(db, chapterId);
    if (!row || row->novelId != m_novelId)
        return tr("请选择具体的章节");
    const PageWorkClaim claim({m_novelId});
    if (!claim.error().isEmpty())
        return failed + claim.error();
    const NovelFileWriter writer(m_library.folder(), m_library.settings());
    const QByteArray bytes = writer.pageBytes(htmlEscapeText(text), row->title);
    FileChanges files;
    QString reason;
    const bool ok = db.transaction([&] {
        if (!files.write(m_library.folder().chapterPage(m_novelId, chapterId), bytes, &reason))
            return false;
        if (!ChapterStore(db).setWordNums(chapterId, int(text.size()))) {
            reason = tr("无法更新章节记录");
            return false;
        }
        return true;
    });
    if (!ok) {
        files.rollBack();
        return failed + reason;
    }
    files.commit();
    rewriteListPage();
    return QString();
}

QString WriterChapters::newVolumeName() const {
    const QString prefix = tr("新分卷");
    return prefix + QString::number(nextNumber(volumeNames(m_library.database(), m_novelId), prefix));
}

qint64 WriterChapters::addVolume(QString* error) const {
    ChapterEditor editor(m_library);
    const ChapterEditor::Result r =
        editor.add(m_novelId, editor.defaultTitle(m_novelId), QString(), 0, newVolumeName());
    if (!r.ok()) {
        *error = r.error;
        return 0;
    }
    return r.ids.value(0);
}

qint64 WriterChapters::addChapter(qint64 afterId, const QString& volume, QString* error) const {
    // The novel in order: the new chapter goes before the first chapter past its place.
    const QList<Entry> chapters = outline();
    QString inVolume = volume == mainVolumeName() ? QString() : volume;
    int place = -1;
    if (afterId > 0) {
        for (int i = 0; i < chapters.size(); ++i)
            if (chapters.at(i).id == afterId) {
                place = i;
                inVolume = chapters.at(i).volume;
            }
        if (place < 0) {
            *error = tr("请选择具体的章节");
            return 0;
        }
    } else if (!volume.isEmpty()) {
        for (int i = 0; i < chapters.size(); ++i)
            if (chapters.at(i).volume == inVolume)
                place = i;
    } else {
        place = int(chapters.size()) - 1;
    }
    qint64 beforeId = 0;
    if (place >= 0 && place + 1 < chapters.size())
        beforeId = chapters.at(place + 1).id;
    ChapterEditor editor(m_library);
    const ChapterEditor::Result r =
        editor.add(m_novelId, editor.defaultTitle(m_novelId), QString(), beforeId, inVolume);
    if (!r.ok()) {
        *error = r.error;
        return 0;
    }
    return r.ids.value(0);
}

QString WriterChapters::renameVolume(const QString& oldName, const QString& newName) const {
    const QString name = newName.trimmed();
    if (name.isEmpty())
        return tr("分卷名称不能为空");
    const Database& db = m_library.database();
    // The chapters without a volume are shown as "正文": Null and "" are both theirs.
    const bool main = oldName == mainVolumeName();
    const bool ok = db.transaction([&] {
        return main ? db.exec(QStringLiteral("UPDATE book_novelcontent SET Volume=? WHERE NovelID=? AND "
                                             "(Volume IS NULL OR Volume='')"),
                              {name, m_novelId})
                    : db.exec(QStringLiteral(
                                  "UPDATE book_novelcontent SET Volume=? WHERE NovelID=? AND Volume=?"),
                              {name, m_novelId, oldName});
    });
    if (!ok)
        return tr("设定分卷名失败");
    rewriteListPage();
    return QString();
}

void WriterChapters::rewriteListPage() const {
    writeListPage(m_library.database(), m_library.folder(), m_library.settings(), m_novelId);
}
