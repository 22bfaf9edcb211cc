#include "tools/findreplacejob.h"

#include "library/chaptertitles.h"
#include "library/librarylists.h"
#include "library/pagework.h"
#include "storage/chapterstore.h"
#include "storage/database.h"
#include "storage/filechanges.h"
#include "storage/prompter.h"
#include "storage/storedchapterpage.h"
#include "storage/textfile.h"
#include "text/charset.h"
#include "text/html.h"
#include "text/regex.h"
#include "tools/findresultpage.h"
#include "tools/pageedits.h"
#include "tools/pictureocr.h"

#include <QFile>
#include <QScopeGuard>
#include <QStringEncoder>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>
#include <memory>

namespace {

using Kind = FindReplaceJob::Kind;
using Field = FindReplaceJob::Field;
using Operation = FindReplaceJob::Operation;

// Pictures this small are spacers and banners, not chapter text.
constexpr qint64 kSmallPictureBytes = 50000;

QString pattern(const FindReplaceJob::Request& r) {
    if (r.kind == Kind::Between)
        return escapeRegex(r.startText) + QStringLiteral("[\\s\\S]+?") + escapeRegex(r.endText);
    return r.pattern;
}

QString fieldValue(const ChapterRow& row, Field field) {
    switch (field) {
    case Field::Title:
        return row.title;
    case Field::Volume:
        return row.volume;
    case Field::ComeFrom:
        return row.comeFrom;
    case Field::Text:
        break;
    }
    return QString();
}

// The content between the markers edited; the page as it is without them or with no content.
QString editContent(const QString& page, const std::function<QString(const QString&)>& edit) {
    const BookContentRange range = bookContentRange(page);
    if (!range.found() || range.length == 0)
        return page;
    const QString content = page.mid(range.start, range.length);
    const QString edited = edit(content);
    return edited == content ? page : spliceBookContent(page, edited);
}

} // namespace

FindReplaceJob::FindReplaceJob(Database& db, const LibraryFolder& folder, const Settings& settings,
                               const Request& request, QObject* parent)
    : Job(parent)
    , m_db(db)
    , m_folder(folder)
    , m_settings(settings)
    , m_request(request) {}

FindReplaceJob::~FindReplaceJob() = default;

QString FindReplaceJob::inputError(const Request& r) {
    switch (r.kind) {
    case Kind::Plain:
        if (r.findText.isEmpty())
            return tr("请输入查找内容");
        break;
    case Kind::Between:
        if (r.startText.isEmpty())
            return tr("请输入开始内容");
        if (r.endText.isEmpty())
            return tr("请输入结束内容");
        break;
    case Kind::Regex: {
        if (r.pattern.isEmpty())
            return tr("请输入正则表达式");
        const QString error = regexPatternError(r.pattern);
        if (!error.isEmpty())
            return tr("正则表达式有误：") + error;
        break;
    }
    case Kind::Operation:
        break;
    }
    return QString();
}

QString FindReplaceJob::confirmation(const Request& r) {
    const bool operation = r.kind == Kind::Operation;
    if (!r.replace && !operation)
        return QString();
    if (operation && r.operation == Operation::Ocr)
        return r.allChapters ? tr("图片转文字处理只能单章处理方式，是否处理本章") : QString();
    const QString q = QStringLiteral("\"");
    QString text = tr("您是否确定将") + (r.allChapters ? tr("所有") : tr("选中"));
    switch (r.kind) {
    case Kind::Plain: {
        text += tr("章节");
        switch (r.field) {
        case Field::Title:
            text += tr("标题");
            break;
        case Field::Volume:
            text += tr("分卷名");
            break;
        case Field::ComeFrom:
            text += tr("下载地址");
            break;
        case Field::Text:
            break;
        }
        return text + tr("中的") + q + r.findText + q + tr("替换为") + q + r.replaceText + q;
    }
    case Kind::Between:
        return text + tr("章节中的") + q + r.startText + q + tr("与") + q + r.endText + q +
               tr("之间的内容替换为") + q + r.replaceText + q;
    case Kind::Regex:
        return text + tr("符合正则表达式的内容替换为") + q + r.replaceText + q;
    case Kind::Operation:
        break;
    }
    switch (r.operation) {
    case Operation::ClearContent:
        return text + tr("章节中的内容清空吗？");
    case Operation::DeletePictures:
        return text + tr("章节中的图片移除吗？");
    case Operation::CenterPictures:
        return text + tr("章节中的图片居中吗？");
    case Operation::ZoomPictures:
        return text + tr("章节中图片通过ctrl+鼠标滚轮进行缩放吗？");
    case Operation::DeleteSmallPictures:
        return text + tr("章节中已下载的<50k的图片移除吗？");
    case Operation::ToFullWidth:
        return text + tr("章节中的半角标点符号替换为全角标点符号吗?");
    case Operation::ToHalfWidth:
        return text + tr("章节中的全角标点符号替换为半角标点符号吗?");
    case Operation::Ocr:
    case Operation::None:
        break;
    }
    return QString();
}

QString FindReplaceJob::displayCharset() const {
    return m_settings.value(QStringLiteral("charset")).trimmed().toLower();
}

void FindReplaceJob::run() {
    m_result = Result();
    const auto release = qScopeGuard([this] { m_db.releaseThreadConnection(); });

    m_result.error = inputError(m_request);
    if (!m_result.error.isEmpty())
        return;
    const bool operation = m_request.kind == Kind::Operation;
    if (operation && m_request.operation == Operation::None) {
        m_result.error = tr("请选择操作");
        return;
    }

    QList<ChapterRow> chapters;
    if (m_request.chapterIds.isEmpty()) {
        chapters = LibraryLists::chapters(m_db, m_request.novelId);
    } else {
        for (const qint64 id : std::as_const(m_request.chapterIds)) {
            const std::optional<ChapterRow> row = LibraryLists::chapter(m_db, id);
            if (row && row->novelId == m_request.novelId)
                chapters.append(*row);
        }
    }
    if (chapters.isEmpty()) {
        m_result.error = tr("当前小说没有章节");
        return;
    }

    if (!m_request.replace && !operation) {
        search(chapters);
        return;
    }

    // A download or a conversion working on the novel would write over the pages changed here.
    const PageWorkClaim claim({m_request.novelId});
    if (!claim.error().isEmpty()) {
        m_result.error = claim.error();
        return;
    }

    const QString question = confirmation(m_request);
    if (!question.isEmpty() && !prompter().confirm(question)) {
        m_result.declined = true;
        return;
    }
    if (m_request.operation != Operation::Ocr || !operation) {
        replace(chapters, nullptr);
        return;
    }

    // Recognition: the one chapter, its downloaded pictures first (no engine is loaded for none).
    chapters = {chapters.first()};
    const ChapterRow& chapter = chapters.first();
    const StoredChapterPage page =
        StoredChapterPage::read(m_folder.chapterPage(m_request.novelId, chapter.id), displayCharset());
    bool anyPicture = false;
    for (const PageEdits::PictureFile& file : PageEdits::chapterPictures(
             page.text, m_folder.novelDir(m_request.novelId), m_request.novelId, chapter.id))
        anyPicture = anyPicture || file.size > 0;
    if (!anyPicture) {
        m_result.error = tr("本章没有相应的图片或者没有下载到本地");
        return;
    }
    PictureOcr ocr(PictureOcr::languageFor(displayCharset()));
    if (!ocr.error().isEmpty()) {
        m_result.error = ocr.error();
        return;
    }
    replace(chapters, &ocr);
}

void FindReplaceJob::search(const QList<ChapterRow>& chapters) {
    const Request& r = m_request;
    const QString regex = pattern(r);
    // A plain search is exact, so a page whose bytes hold the text in none of the charsets pages come
    // in holds no hit, and is not decoded at all.
    QList<QByteArray> needles;
    if (r.kind == Kind::Plain && r.field == Field::Text) {
        needles = {r.findText.toUtf8(), encodeText(r.findText, "GB18030")};
        QStringEncoder big5("Big5", QStringEncoder::Flag::Stateless);
        const QByteArray bytes = big5.encode(r.findText);
        if (!big5.hasError())
            needles.append(bytes);
    }
    const QString charset = displayCharset();
    QStringList entries;
    const int total = int(chapters.size());
    // Batches small enough for the stop and the progress to follow closely.
    constexpr int kBatch = 64;
    for (int from = 0; from < total; from += kBatch) {
        if (stopRequested()) {
            m_result.stopped = true;
            return;
        }
        const QList<ChapterRow> batch = chapters.mid(from, kBatch);
        setStatus(tr("正在处理：") + batch.first().title);
        setProgress(from, total);
        const QList<Found> found = QtConcurrent::blockingMapped(batch, [&](const ChapterRow& chapter) {
            return searchChapter(chapter, regex, needles, charset);
        });
        for (const Found& f : found) {
            switch (f.state) {
            case Found::State::Hit:
                entries.append(f.entry);
                m_result.hits.append(f.hit);
                break;
            case Found::State::Missing:
                ++m_result.missing;
                break;
            case Found::State::Undecodable:
                ++m_result.undecodable;
                break;
            case Found::State::None:
                break;
            }
        }
    }
    setProgress(total, total);

    const QString path = m_folder.novelDir(r.novelId) + QLatin1String("/find.htm");
    const QString html =
        FindResultPage::html(entries, m_settings.value(QStringLiteral("BgColor")), displayCharset());
    QString error;
    if (!writeBytesAtomically(path, FindResultPage::bytes(html, displayCharset()), &error)) {
        ++m_result.failed;
        qWarning("%s", qPrintable(error));
        return;
    }
    m_result.resultPage = path;
    Q_EMIT resultPageWritten(path);
}

FindReplaceJob::Found FindReplaceJob::searchChapter(const ChapterRow& chapter, const QString& regex,
                                                    const QList<QByteArray>& needles,
                                                    const QString& charset) const {
    const Request& r = m_request;
    Found found;
    found.hit = Hit{chapter.id, chapter.title, {}};
    if (r.kind == Kind::Plain && r.field != Field::Text) {
        const QString value = fieldValue(chapter, r.field);
        if (!value.contains(r.findText))
            return found;
        found.hit.lines = {value};
        found.entry = r.field == Field::Title ? FindResultPage::titleEntry(chapter.id, chapter.title)
                      : r.field == Field::Volume
                          ? FindResultPage::volumeEntry(chapter.id, chapter.title, value)
                          : FindResultPage::comeFromEntry(chapter.id, chapter.title, value);
        found.state = Found::State::Hit;
        return found;
    }

    const std::optional<QByteArray> read = readFileBytes(m_folder.chapterPage(r.novelId, chapter.id));
    if (!read) {
        found.state = Found::State::Missing;
        return found;
    }
    const QByteArray& bytes = *read;
    const bool utf16 = bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
    if (!needles.isEmpty() && !utf16 &&
        std::none_of(needles.begin(), needles.end(), [&](const QByteArray& n) { return bytes.contains(n); }))
        return found;
    const StoredChapterPage page = StoredChapterPage::decode(bytes, charset);
    if (!page.clean) {
        found.state = Found::State::Undecodable;
        return found;
    }
    if (r.kind == Kind::Plain) {
        const QList<FindResultPage::TextLine> lines = FindResultPage::textLines(page.text, r.findText);
        if (lines.isEmpty())
            return found;
        for (const FindResultPage::TextLine& line : lines)
            found.hit.lines.append(FindResultPage::lineLabel(line));
        found.entry = FindResultPage::textEntry(chapter.id, chapter.title, lines, r.findText);
    } else {
        found.hit.lines = regexMatchValues(page.text, regex);
        if (found.hit.lines.isEmpty())
            return found;
        const bool between = r.kind == Kind::Between;
        found.entry =
            FindResultPage::matchesEntry(chapter.id, chapter.title, found.hit.lines,
                                         between ? r.startText : QString(), between ? r.endText : QString());
    }
    found.state = Found::State::Hit;
    return found;
}

void FindReplaceJob::replace(const QList<ChapterRow>& chapters, PictureOcr* ocr) {
    const Request& r = m_request;
    const bool rowOnly = r.kind == Kind::Plain && (r.field == Field::Volume || r.field == Field::ComeFrom);
    const int total = int(chapters.size());
    for (int k = 0; k < total; ++k) {
        if (stopRequested()) {
            m_result.stopped = true;
            return;
        }
        const ChapterRow& chapter = chapters.at(k);
        setStatus(tr("正在处理：") + chapter.title);
        setProgress(k, total);

        Change change;
        if (r.kind == Kind::Plain && r.field != Field::Text) {
            const QString value = fieldValue(chapter, r.field);
            if (!value.contains(r.findText))
                continue;
            change.rowValue = QString(value).replace(r.findText, r.replaceText);
            change.rowChanged = change.rowValue != value;
        }
        StoredChapterPage page;
        if (!rowOnly && (r.field != Field::Title || change.rowChanged || r.kind != Kind::Plain)) {
            page = StoredChapterPage::read(m_folder.chapterPage(r.novelId, chapter.id), displayCharset());
            if (!page.exists) {
                ++m_result.missing;
            } else if (!page.clean) {
                // Text read from bytes that did not decode would be written back garbled.
                ++m_result.undecodable;
            } else {
                change.pageText = editedPage(chapter, page.text, ocr, change);
                change.pageChanged = change.pageText != page.text;
            }
        }
        if (!change.rowChanged && !change.pageChanged)
            continue;
        if (!commit(chapter, page, change)) {
            ++m_result.failed;
            continue;
        }
        ++m_result.changed;
        Q_EMIT chapterChanged(r.novelId, chapter.id);
    }
    setProgress(total, total);
}

QString FindReplaceJob::editedPage(const ChapterRow& chapter, const QString& page, PictureOcr* ocr,
                                   Change& change) {
    const Request& r = m_request;
    switch (r.kind) {
    case Kind::Plain:
        if (r.field == Field::Title)
            return change.rowChanged ? ChapterTitles::splicePageTitle(page, change.rowValue) : page;
        if (bookContentRange(page).found())
            return editContent(page, [&r](const QString& content) {
                return content.contains(r.findText) ? QString(content).replace(r.findText, r.replaceText)
                                                    : content;
            });
        return page.contains(r.findText) ? QString(page).replace(r.findText, r.replaceText) : page;
    case Kind::Between:
    case Kind::Regex: {
        const QString regex = pattern(r);
        return editContent(page, [&](const QString& content) {
            QString error;
            const QString out = regexReplace(regex, content, r.replaceText, &error);
            return error.isEmpty() ? out : content;
        });
    }
    case Kind::Operation:
        break;
    }

    switch (r.operation) {
    case Operation::ClearContent:
        return editContent(page, [](const QString&) { return QString(); });
    case Operation::DeletePictures:
        return editContent(page, PageEdits::removePictures);
    case Operation::CenterPictures:
        return editContent(page, PageEdits::centerPictures);
    case Operation::ZoomPictures:
        return PageEdits::zoomPictures(page);
    case Operation::ToFullWidth:
        return editContent(page, PageEdits::toFullWidth);
    case Operation::ToHalfWidth:
        return editContent(page, PageEdits::toHalfWidth);
    case Operation::DeleteSmallPictures: {
        QMap<QString, QString> removed;
        for (const PageEdits::PictureFile& file :
             PageEdits::chapterPictures(page, m_folder.novelDir(r.novelId), r.novelId, chapter.id)) {
            if (file.size < kSmallPictureBytes) {
                removed.insert(file.name, QString());
                change.removeAfterCommit.append(file.path);
            }
        }
        return removed.isEmpty() ? page : PageEdits::replacePictureTags(page, removed);
    }
    case Operation::Ocr: {
        if (!ocr)
            return page;
        QMap<QString, QString> texts;
        for (const PageEdits::PictureFile& file :
             PageEdits::chapterPictures(page, m_folder.novelDir(r.novelId), r.novelId, chapter.id)) {
            if (file.size <= 0)
                continue;
            if (stopRequested())
                break;
            QString error;
            const QString text = ocr->recognise(file.path, &error);
            if (!error.isEmpty()) {
                qWarning("%s", qPrintable(error));
                continue;
            }
            texts.insert(file.name, PageEdits::ocrTextHtml(text));
        }
        return texts.isEmpty() ? page : PageEdits::replacePictureTags(page, texts);
    }
    case Operation::None:
        break;
    }
    return page;
}

bool FindReplaceJob::commit(const ChapterRow& chapter, const StoredChapterPage& page, const Change& change) {
    const Request& r = m_request;
    FileChanges files;
    const bool ok = m_db.transaction([&] {
        if (change.rowChanged) {
            const ChapterStore::TextColumn column = r.field == Field::Title ? ChapterStore::TextColumn::Title
                                                    : r.field == Field::Volume
                                                        ? ChapterStore::TextColumn::Volume
                                                        : ChapterStore::TextColumn::ComeFrom;
            if (!ChapterStore(m_db).setChapterText(chapter.id, column, change.rowValue))
                return false;
        }
        if (change.pageChanged) {
            QString error;
            if (!files.write(m_folder.chapterPage(r.novelId, chapter.id), page.bytesAsRead(change.pageText),
                             &error)) {
                qWarning("%s", qPrintable(error));
                return false;
            }
            for (const QString& path : change.removeAfterCommit)
                files.removeAfterCommit(path);
        }
        return true;
    });
    if (!ok) {
        files.rollBack();
        return false;
    }
    files.commit();
    return true;
}
