#include "tools/chapterpageedit.h"

#include "library/librarylists.h"
#include "library/pagework.h"
#include "storage/chapterstore.h"
#include "storage/database.h"
#include "storage/filechanges.h"
#include "storage/librarycontext.h"
#include "storage/textfile.h"
#include "text/html.h"

#include <QRegularExpression>

namespace {

// The declarations before the first element: "<!DOCTYPE …>" with the blanks and comments around it.
QString leadingDoctype(const QString& page) {
    static const QRegularExpression doctype(QStringLiteral("^\\s*(?:<!--[\\s\\S]*?-->\\s*)*<!doctype[^>]*>"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = doctype.match(page);
    return m.hasMatch() ? m.captured(0) : QString();
}

// Where the chapter text lies in the page's bytes. The markers are ASCII, and '<' is never part of a
// GBK, GB18030 or Big5 multi-byte character, so the first markers in the bytes are those of the text;
// UTF-16 pages are not searched.
struct ByteRange {
    qsizetype start = -1;
    qsizetype end = -1;
};
ByteRange contentBytes(const QByteArray& bytes, const QString& charset) {
    if (charset.startsWith(QLatin1String("utf-16")))
        return {};
    const QByteArray startMarker = kBookContentStart.toLatin1();
    const qsizetype start = bytes.indexOf(startMarker);
    if (start < 0)
        return {};
    const qsizetype end = bytes.indexOf(kBookContentEnd.toLatin1(), start + startMarker.size());
    return end < 0 ? ByteRange{} : ByteRange{start + startMarker.size(), end};
}

} // namespace

ChapterPageEdit::ChapterPageEdit(const Database& db, const LibraryFolder& folder, const QString& novelId,
                                 qint64 chapterId, const QString& charsetSetting)
    : m_db(db)
    , m_folder(folder)
    , m_novelId(novelId)
    , m_chapterId(chapterId)
    , m_charsetSetting(charsetSetting) {}

ChapterPageEdit::ChapterPageEdit(const LibraryContext& library, const QString& novelId, qint64 chapterId)
    : ChapterPageEdit(library.database(), library.folder(), novelId, chapterId,
                      library.settings().value(QStringLiteral("charset")).trimmed().toLower()) {}

QString ChapterPageEdit::path() const {
    return m_folder.chapterPage(m_novelId, m_chapterId);
}

QString ChapterPageEdit::open() {
    m_open = false;
    const std::optional<QByteArray> bytes = readFileBytes(path());
    if (!bytes)
        return tr("文件没有找到");
    m_bytes = *bytes;
    m_page = StoredChapterPage::decode(m_bytes, m_charsetSetting);
    const BookContentRange range = bookContentRange(m_page.text);
    m_hasMarkers = range.found();
    m_content = m_hasMarkers ? m_page.text.mid(range.start, range.length) : m_page.text;
    m_open = true;
    return QString();
}

QString ChapterPageEdit::pageWith(const QString& edited) const {
    if (m_hasMarkers)
        return spliceBookContent(m_page.text, edited);
    // A browser's outerHTML has no doctype; the page keeps the one it had.
    const QString doctype = leadingDoctype(m_page.text);
    if (!doctype.isEmpty() && leadingDoctype(edited).isEmpty())
        return doctype + (doctype.endsWith(u'\n') ? QString() : QStringLiteral("\n")) + edited;
    return edited;
}

int ChapterPageEdit::wordNums(const QString& content) {
    return int(content.trimmed().size());
}

QString ChapterPageEdit::save(const QString& edited) {
    const QString failed = tr("保存失败：");
    if (!m_open)
        return failed + tr("文件没有找到");
    // Text read from bytes that did not decode would go back garbled.
    if (!m_page.clean)
        return failed + tr("章节文件的编码无法识别");
    // A download or a rewrite of the novel would write over this page.
    const PageWorkClaim claim({m_novelId});
    if (!claim.error().isEmpty())
        return failed + claim.error();
    const std::optional<ChapterRow> row = LibraryLists::chapter(m_db, m_chapterId);
    if (!row || row->novelId != m_novelId)
        return failed + tr("章节不存在");

    // Only the chapter text is encoded anew: the bytes around it stay as they are, even characters
    // that the page's charset would now write as references.
    QByteArray bytes;
    const ByteRange range = m_hasMarkers ? contentBytes(m_bytes, m_page.charset) : ByteRange{};
    if (range.start >= 0) {
        QByteArray content = m_page.bytesAsRead(edited);
        if (m_page.hadByteOrderMark && content.startsWith("\xEF\xBB\xBF"))
            content.remove(0, 3);
        bytes = m_bytes.left(range.start) + content + m_bytes.mid(range.end);
    } else {
        bytes = m_page.bytesAsRead(pageWith(edited));
    }
    FileChanges files;
    QString reason;
    // The page first: when the row or the commit fails, rollBack() puts its old bytes back.
    const bool ok = m_db.transaction([&] {
        if (!files.write(path(), bytes, &reason))
            return false;
        if (!ChapterStore(m_db).setWordNums(m_chapterId, wordNums(edited))) {
            reason = tr("无法更新章节记录");
            return false;
        }
        return true;
    });
    if (!ok) {
        files.rollBack();
        return failed + (reason.isEmpty() ? tr("无法更新章节记录") : reason);
    }
    files.commit();
    // Later saves splice into what is now on disk.
    m_bytes = bytes;
    m_page = StoredChapterPage::decode(bytes, m_charsetSetting);
    const BookContentRange saved = bookContentRange(m_page.text);
    m_hasMarkers = saved.found();
    m_content = m_hasMarkers ? m_page.text.mid(saved.start, saved.length) : m_page.text;
    return QString();
}
