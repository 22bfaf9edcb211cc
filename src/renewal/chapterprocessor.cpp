#include "renewal/chapterprocessor.h"

#include "fetch/pagedecoder.h"
#include "fetch/pagefetcher.h"
#include "renewal/chapterpagepreparer.h"
#include "renewal/chapterpages.h"
#include "renewal/chapterpictures.h"
#include "renewal/chaptertext.h"
#include "renewal/downloadcontext.h"
#include "renewal/renewstore.h"
#include "storage/chapterstore.h"
#include "storage/files.h"
#include "storage/textfile.h"
#include "text/html.h"
#include "text/unicodetext.h"

#include <QDir>
#include <QFileInfo>

ChapterProcessor::ChapterProcessor(DownloadContext& context, const NovelRecord& novel)
    : m_context(context)
    , m_novel(novel)
    , m_novelFolder(context.folder.novelDir(novel.novelId)) {
    const QString own = RenewStore(context.db).joinPages(novel.novelId);
    m_joinPages = own.isEmpty() ? context.options.joinPages : own == QLatin1String("1");
    if (m_joinPages)
        m_notPages = storedSources();
}

void ChapterProcessor::setListedChapters(const ChapterLinks& listed) {
    if (!m_joinPages)
        return;
    for (const ChapterLink& link : listed)
        if (!link.isDropped())
            m_notPages.insert(link.url.toLower());
}

void ChapterProcessor::findNextPage(ChapterDraft& draft, const QString& page) const {
    if (m_joinPages)
        draft.nextPage =
            ChapterPages::nextPageUrl(page, draft.url, draft.url, 1, m_notPages, {draft.url.toLower()});
}

ChapterProcessor::Joined ChapterProcessor::joinPages(ChapterDraft& draft, const QString& title,
                                                     const QString& pageCharset) {
    const DownloadOptions& options = m_context.options;
    QSet<QString> seen{draft.url.toLower()};
    QString lastPage;
    while (!draft.nextPage.isEmpty()) {
        const QString url = draft.nextPage;
        draft.nextPage.clear();
        seen.insert(url.toLower());
        m_context.events.status(tr("正在下载章节\"%1\"的第%2页...").arg(title).arg(draft.pages + 1));
        const FetchedPage answer = m_context.fetcher.fetchChapter(url);
        if (answer.stopped() || m_context.stopped())
            return Joined::Stopped;
        if (!answer.ok() || answer.body.isEmpty())
            return Joined::Failed;
        PageDecoder decoder(options.charset);
        decoder.setPageCharset(pageCharset);
        decoder.takeContentType(answer.contentType);
        const QString page = decoder.decode(answer.body);
        const ChapterDraft more = draftChapter(page, url, m_novel, options);
        ++draft.pages;
        draft.text += QStringLiteral("<br />\n") + more.text;
        lastPage = more.text;
        draft.nextPage = ChapterPages::nextPageUrl(page, url, draft.url, draft.pages, m_notPages, seen);
    }
    if (draft.pages > 1) {
        draft.stub = options.stubs.isStub(draft.text, lastPage);
        m_context.events.status(tr("章节\"%1\"已合并（共%2页）").arg(title).arg(draft.pages));
    }
    return Joined::Whole;
}

bool ChapterProcessor::guardsText(const StoredChapter& chapter, const DownloadOptions& options) {
    const int words = chapter.wordNums.value_or(0);
    return words > 0 && (chapter.placeholder > 0 || words >= options.stubs.minChars());
}

ChapterOutcome ChapterProcessor::keptOutcome(const ChapterItem& item) {
    ChapterOutcome kept;
    kept.kind = ChapterOutcome::Kind::Kept;
    kept.chapterId = item.chapterId;
    return kept;
}

void ChapterProcessor::setSiteList(const ChapterLinks& listed) {
    m_previousInList.clear();
    QString previous;
    for (const ChapterLink& link : listed) {
        if (link.isDropped())
            continue;
        const QString url = link.url.toLower();
        if (!previous.isEmpty() && !m_previousInList.contains(url))
            m_previousInList.insert(url, previous);
        previous = url;
    }
}

QString ChapterProcessor::announcementText(const QString& novelName, const QString& title) {
    return tr("《%1》出新章节\"%2\"了，点此看看。").arg(novelName, title);
}

bool ChapterProcessor::isPictureAnswer(const FetchedPage& answer, const QString& url) {
    if (ChapterPictures::isPictureContentType(answer.contentType))
        return true;
    return ChapterPictures::isPictureAddress(url) && !getImageType(answer.body).isEmpty();
}

QSet<QString>& ChapterProcessor::storedSources() {
    if (!m_storedLoaded) {
        for (const QString& source : ChapterStore(m_context.db).chapterSources(m_novel.novelId))
            m_storedSources.insert(source.toLower());
        // Chapter pages link back to the contents page, which is never a chapter itself.
        m_storedSources.insert(m_novel.listUrl.trimmed().toLower());
        m_storedLoaded = true;
    }
    return m_storedSources;
}

qint64 ChapterProcessor::rowFor(const ChapterItem& item) {
    if (item.chapterId > 0)
        return item.chapterId;
    std::optional<int> after;
    const RenewStore store(m_context.db);
    if (m_context.options.autoDisplayorder) {
        const QString previous = m_previousInList.value(item.url.toLower());
        if (!previous.isEmpty())
            after = store.orderBySource(m_novel.novelId, previous);
    }
    ChapterRecord record;
    record.novelId = m_novel.novelId;
    record.title = item.title.left(250);
    record.comeFrom = item.url;
    record.volume = item.volume;
    const qint64 id = store.insertWaitingChapter(record, after);
    if (id > 0) {
        if (m_storedLoaded)
            m_storedSources.insert(item.url.toLower());
        if (after)
            m_context.events.countsChanged(m_novel.novelId);
    }
    return id;
}

void ChapterProcessor::saveStyleSheet(const QString& address, const QString& referer) {
    // One style sheet per novel and run; every chapter of a site links the same one.
    if (m_styleSheetSaved)
        return;
    m_styleSheetSaved = true;
    const FetchedPage answer = m_context.fetcher.fetch(address, referer);
    if (answer.ok())
        saveBytesToFile(answer.body, QDir(m_novelFolder).filePath(QStringLiteral("css.css")));
}

bool ChapterProcessor::draftsAnywhere() const {
    return !m_context.options.sites.any() && m_context.options.linkDepth != 2;
}

ChapterDraft ChapterProcessor::draftChapter(const QString& page, const QString& url, const NovelRecord& novel,
                                            const DownloadOptions& options) {
    ChapterDraft draft;
    draft.url = url;
    QString text = cutChapterContent(page, novel.contentStart, novel.contentEnd);
    text = normalizeUnicodeText(text, options.charset);
    text = removeNeedDelStr(text, novel.needDelStr);
    text = normalizeUnicodeText(text, options.charset);
    if (options.setGood)
        text = cleanChapterHtml(text);
    draft.text = absoluteScriptAndStyleReferences(text, url, &draft.styleSheets);
    draft.stub = options.stubs.isStub(draft.text);
    return draft;
}

ChapterOutcome ChapterProcessor::processChapterPage(const QString& fetched, const ChapterItem& item,
                                                    PageDecoder& decoder) {
    ChapterOutcome outcome;
    const DownloadOptions& options = m_context.options;
    QString url = item.url;
    QString page = fetched;

    if (options.sites.any()) {
        ChapterPagePreparer preparer(m_context.fetcher, decoder, options.sites, m_context.stop);
        page = preparer.prepare(page, url);
        if (preparer.stopped()) {
            outcome.kind = ChapterOutcome::Kind::Stopped;
            return outcome;
        }
    }
    if (options.linkDepth == 2)
        outcome.deeperLinks = getLinks2(page, url, storedSources(), m_context.stop);

    ChapterDraft draft = draftChapter(page, url, m_novel, options);
    findNextPage(draft, page);
    const Joined joined =
        draft.nextPage.isEmpty() ? Joined::Whole : joinPages(draft, item.title, decoder.pageCharset());
    if (joined == Joined::Stopped || m_context.stopped()) {
        outcome.kind = ChapterOutcome::Kind::Stopped;
        return outcome;
    }
    if (joined == Joined::Failed) {
        outcome.error = tr("章节的后续页面下载失败");
        return outcome;
    }
    ChapterOutcome stored = storeDraft(draft, item);
    stored.deeperLinks = outcome.deeperLinks;
    return stored;
}

ChapterOutcome ChapterProcessor::storeDraft(const ChapterDraft& draft, const ChapterItem& item) {
    if (draft.stub && item.hadText)
        return keptOutcome(item);
    ChapterOutcome failure;
    const std::optional<ChapterPage> page = composePage(draft, item, &failure);
    if (!page)
        return failure;
    return completePage(*page, item, storePage(*page));
}

std::optional<ChapterPage> ChapterProcessor::composePage(const ChapterDraft& draft, const ChapterItem& item,
                                                         ChapterOutcome* failure) {
    Composed composed = composePages({{draft, item}}).constFirst();
    *failure = composed.failure;
    return composed.page;
}

QList<ChapterProcessor::Composed>
ChapterProcessor::composePages(const QList<std::pair<ChapterDraft, ChapterItem>>& chapters) {
    const DownloadOptions& options = m_context.options;
    QList<Composed> composed(chapters.size());
    QList<qint64> ids(chapters.size(), 0); // 0 once a chapter failed
    QStringList texts;
    for (qsizetype i = 0; i < chapters.size(); ++i) {
        const auto& [draft, item] = chapters.at(i);
        texts << draft.text;
        if (!draft.styleSheets.isEmpty())
            saveStyleSheet(draft.styleSheets.first(), draft.url);
        ids[i] = qMax<qint64>(0, rowFor(item));
        if (ids[i] == 0)
            composed[i].failure.error = tr("无法保存章节");
    }
    if (!options.picDown) {
        // The reading view loads them from the site.
        for (qsizetype i = 0; i < chapters.size(); ++i) {
            const QString& url = chapters.at(i).first.url;
            for (const bool background : {false, true})
                texts[i] = replacePictureSources(
                    texts[i], background, [&url](const QString& s) { return absoluteAddress(s, url); });
        }
    } else {
        auto status = [this](const QString& s) { m_context.events.status(s); };
        // A picture the site fails is left missing (the pictures can be fetched again later); one a
        // stop cut off leaves the whole chapter for the next run, as a kill would.
        for (const bool background : {false, true}) {
            QList<ChapterPictures::Plan> plans(chapters.size());
            QList<PictureFetcher::Task> tasks;
            for (qsizetype i = 0; i < chapters.size(); ++i) {
                if (ids[i] == 0)
                    continue;
                const ChapterPictures::Chapter chapter{m_novel.novelId, ids[i], chapters.at(i).first.url,
                                                       m_novelFolder};
                plans[i] = ChapterPictures::planChapterPictures(texts[i], chapter, background);
                tasks += plans[i].tasks;
            }
            const QList<PictureFetcher::Result> fetched =
                tasks.isEmpty() ? QList<PictureFetcher::Result>()
                                : ChapterPictures::fetchPictures(m_context.fetcher, tasks, status);
            qsizetype next = 0; // the first result of the chapter
            for (qsizetype i = 0; i < chapters.size(); ++i) {
                if (ids[i] == 0)
                    continue;
                const qsizetype count = plans[i].tasks.size();
                const ChapterPictures::Result pictures =
                    ChapterPictures::finishChapterPictures(plans[i], fetched.mid(next, count));
                next += count;
                if (pictures.stopped) {
                    composed[i].failure.kind = ChapterOutcome::Kind::Stopped;
                    ids[i] = 0;
                    continue;
                }
                texts[i] = pictures.text;
                if (!background && options.centerPic)
                    texts[i] = centerPictures(texts[i]);
            }
        }
    }
    for (qsizetype i = 0; i < chapters.size(); ++i)
        if (ids[i] != 0)
            composed[i].page = pageFor(chapters.at(i).second, ids[i], texts[i], chapters.at(i).first.stub);
    return composed;
}

std::optional<ChapterPage> ChapterProcessor::plainPage(const ChapterDraft& draft,
                                                       const ChapterItem& item) const {
    if (item.chapterId <= 0 || !draft.nextPage.isEmpty() || (draft.stub && item.hadText) ||
        !draft.styleSheets.isEmpty() || mayHoldPictures(draft.text))
        return std::nullopt;
    return pageFor(item, item.chapterId, draft.text, draft.stub);
}

ChapterOutcome ChapterProcessor::storePictureChapter(const FetchedPage& answer, const ChapterItem& item) {
    ChapterOutcome outcome;
    const qint64 id = rowFor(item);
    if (id <= 0) {
        outcome.error = tr("无法保存章节");
        return outcome;
    }
    const ChapterPictures::Chapter chapter{m_novel.novelId, id, item.url, m_novelFolder};
    const QString text =
        ChapterPictures::savePictureChapter(answer.body, item.url, answer.contentType, chapter,
                                            m_context.options.fetch.judgePicExt, &outcome.error);
    if (text.isEmpty()) {
        outcome.chapterId = id;
        return outcome;
    }
    return finish(item, id, text);
}

ChapterPage ChapterProcessor::pageFor(const ChapterItem& item, qint64 id, const QString& text,
                                      bool stub) const {
    ChapterPage page;
    page.stub = stub;
    page.chapterId = id;
    // The length of the cleaned text, before paragraphs add their marks.
    page.wordNums = int(text.trimmed().size());
    page.markParagraphs = m_context.options.autoType && page.wordNums > 0;
    page.path = m_context.folder.chapterPage(m_novel.novelId, id);
    page.text = text;
    page.title = item.title;
    return page;
}

ChapterOutcome ChapterProcessor::finish(const ChapterItem& item, qint64 id, const QString& text) {
    const ChapterPage page = pageFor(item, id, text);
    return completePage(page, item, storePage(page));
}

QByteArray ChapterPage::bytes(const NovelFileWriter& writer) const {
    return writer.pageBytes(markParagraphs ? formatParagraphs(text) : text, title);
}

QString ChapterPage::write(const NovelFileWriter& writer) const {
    QString error;
    if (!replaceFileBytes(path, bytes(writer), &error) && error.isEmpty())
        error = ChapterProcessor::tr("无法保存章节");
    return error;
}

QString ChapterProcessor::storePage(const ChapterPage& page) const {
    const QString error = page.write(m_context.writer);
    if (error.isEmpty() && !RenewStore(m_context.db).finishChapter(page.chapterId, page.wordNums, page.stub))
        return tr("无法保存章节");
    return error;
}

ChapterOutcome ChapterProcessor::completePage(const ChapterPage& page, const ChapterItem& item,
                                              const QString& error) {
    ChapterOutcome outcome;
    outcome.chapterId = page.chapterId;
    outcome.wordNums = page.wordNums;
    if (!error.isEmpty()) {
        outcome.error = error;
        return outcome;
    }
    outcome.kind = ChapterOutcome::Kind::Stored;
    m_context.events.chapterStored(m_novel.novelId, page.chapterId);
    if (m_context.options.newMessageView && (item.chapterId == 0 || item.announce))
        m_context.events.newChapterAnnounced(m_novel.novelId, page.chapterId,
                                             announcementText(m_novel.novelName, item.title));
    return outcome;
}
