#include "library/chapterconversionjob.h"

#include "library/librarylists.h"
#include "library/pagework.h"
#include "renewal/chaptertext.h"
#include "renewal/novelfilewriter.h"
#include "storage/database.h"
#include "storage/novelstore.h"
#include "storage/prompter.h"
#include "storage/storedchapterpage.h"
#include "storage/textfile.h"
#include "text/charset.h"
#include "text/chinese.h"
#include "text/html.h"

#include <QFile>
#include <QRegularExpression>
#include <QScopeGuard>

namespace {

struct Entry {
    QString novelId;
    qint64 id = 0;
    QString title;
};

// The script of the text a reader sees: tags (a picture's file name, a link), comments (the style
// comment the program finds its pages by) and entities stay byte for byte.
QString convertScript(const QString& page, bool toTraditional, ScriptConversion how) {
    return mapTextOutsideMarkup(
        page, [&](const QString& text) { return convertChineseScript(text, toTraditional, how); });
}

// The page names the charset it is about to be written in; one without a declaration gets one, or a
// reader would take Big5 bytes for GBK.
QString declareCharset(const QString& page, const QString& charset) {
    static const QRegularExpression declared(
        QStringLiteral("(<meta\\b[^>]*?charset\\s*=\\s*[\"']?)([A-Za-z0-9_-]+)"),
        QRegularExpression::CaseInsensitiveOption);
    if (page.contains(declared)) {
        QString out = page;
        return out.replace(declared, QStringLiteral("\\1") + charset);
    }
    static const QRegularExpression head(QStringLiteral("<head\\b[^>]*>"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = head.match(page);
    if (!m.hasMatch())
        return page;
    QString out = page;
    out.insert(m.capturedEnd(),
               QStringLiteral("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=") + charset +
                   QStringLiteral("\">"));
    return out;
}

QString percentText(qsizetype done, qsizetype total) {
    return QString::number(total > 0 ? double(done) * 100.0 / double(total) : 0.0, 'f', 2) + u'%';
}

} // namespace

ChapterConversionJob::ChapterConversionJob(Database& db, const LibraryFolder& folder,
                                           const Settings& settings, const Request& request, QObject* parent)
    : Job(parent)
    , m_db(db)
    , m_folder(folder)
    , m_settings(settings)
    , m_request(request) {}

ChapterConversionJob::~ChapterConversionJob() = default;

void ChapterConversionJob::run() {
    m_result = Result();
    const auto release = qScopeGuard([this] { m_db.releaseThreadConnection(); });

    QList<Entry> entries;
    if (!m_request.chapterIds.isEmpty()) {
        for (const qint64 id : std::as_const(m_request.chapterIds)) {
            const std::optional<ChapterRow> row = LibraryLists::chapter(m_db, id);
            if (row && (m_request.novelIds.isEmpty() || m_request.novelIds.contains(row->novelId)))
                entries.append({row->novelId, id, row->title});
        }
        setStatus(tr("开始转换章节内容..."));
    } else {
        for (const QString& novelId : std::as_const(m_request.novelIds))
            for (const ChapterRow& row : LibraryLists::chapters(m_db, novelId))
                entries.append({novelId, row.id, row.title});
        if (m_request.keepStyledPages)
            setStatus(tr("正在转换章节内容..."));
    }

    QStringList novels;
    for (const Entry& entry : std::as_const(entries))
        if (!novels.contains(entry.novelId))
            novels << entry.novelId;
    const PageWorkClaim claim(novels);
    if (!claim.error().isEmpty()) {
        m_result.error = claim.error();
        setStatus(m_result.error);
        prompter().warning(m_result.error);
        return;
    }

    const NovelFileWriter writer(m_folder, m_settings);
    const bool wholeNovels = m_request.chapterIds.isEmpty();
    const qsizetype total = entries.size();
    qsizetype novelIndex = -1;
    QString currentNovel;
    for (qsizetype k = 0; k < total; ++k) {
        if (stopRequested()) {
            m_result.stopped = true;
            return;
        }
        const Entry& entry = entries.at(k);
        if (!wholeNovels) {
            setStatus(tr("正在处理，总转换进度：") + percentText(k, total));
        } else if (entry.novelId != currentNovel) {
            currentNovel = entry.novelId;
            ++novelIndex;
            if (!m_request.keepStyledPages) {
                const std::optional<NovelRecord> novel = NovelStore(m_db).loadNovel(entry.novelId);
                setStatus(tr("开始转换小说") + (novel ? novel->novelName : entry.novelId) +
                          tr("中，总转换进度:") +
                          percentText(m_request.novelIds.indexOf(entry.novelId), m_request.novelIds.size()));
            }
        }
        setProgress(int(k), int(total));
        convertChapter(writer, entry.novelId, entry.id, entry.title);
    }
    setProgress(int(total), int(total));
    QString done = tr("转换完成");
    if (m_result.missing > 0)
        done += tr("，%1个章节文件不存在").arg(m_result.missing);
    setStatus(done);
}

void ChapterConversionJob::convertChapter(const NovelFileWriter& writer, const QString& novelId,
                                          qint64 chapterId, const QString& title) {
    const QString path = m_folder.chapterPage(novelId, chapterId);
    const std::optional<QByteArray> read = readFileBytes(path);
    if (!read) {
        ++m_result.missing;
        return;
    }
    const QByteArray& before = *read;
    const QString displayCharset = m_settings.value(QStringLiteral("charset")).trimmed().toLower();
    const StoredChapterPage page = StoredChapterPage::decode(before, displayCharset);
    // Text read from bytes that did not decode would be written back garbled.
    if (!page.clean) {
        ++m_result.undecodable;
        return;
    }
    if (m_request.keepStyledPages &&
        page.text.contains(m_folder.path() + QLatin1String("/css/style.css"), Qt::CaseInsensitive))
        return;

    const bool displayBig5 = codecForCharset(displayCharset) == "Big5";
    const QString display = displayCharset.isEmpty() ? QStringLiteral("gb2312") : displayCharset;
    QString text;
    // "" lets the writer choose the display charset, and turn the page traditional for Big5.
    QString charset;
    switch (m_request.mode) {
    case Mode::Style:
        text = cleanChapterHtml(page.text);
        break;
    case Mode::Typeset: {
        const QString content = getStyledPageContent(page.text);
        if (content == QLatin1String("-1"))
            return;
        text = declareCharset(spliceBookContent(page.text, content), display);
        break;
    }
    case Mode::Traditional:
    case Mode::Simplified: {
        const bool toTraditional = m_request.mode == Mode::Traditional;
        text =
            convertScript(page.text, toTraditional,
                          displayBig5 ? ScriptConversion::CharactersForBig5 : ScriptConversion::Characters);
        if (text == page.text)
            return;
        // Named, so that a Big5 library does not turn a page just made simplified back again.
        charset = display;
        text = declareCharset(text, charset);
        break;
    }
    case Mode::Big5:
        charset = QStringLiteral("big5");
        text = declareCharset(convertScript(page.text, true, ScriptConversion::CharactersForBig5), charset);
        break;
    case Mode::Gb2312:
        charset = QStringLiteral("gb2312");
        text = declareCharset(convertScript(page.text, false, ScriptConversion::Characters), charset);
        break;
    }

    const QByteArray after = writer.pageBytes(text, title, charset);
    if (after == before)
        return;
    QString error;
    if (!writeBytesAtomically(path, after, &error)) {
        ++m_result.failed;
        qWarning("%s", qPrintable(error));
        return;
    }
    ++m_result.converted;
    Q_EMIT chapterConverted(novelId, chapterId);
}
