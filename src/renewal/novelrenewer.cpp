#include "renewal/novelrenewer.h"

#include "fetch/pagedecoder.h"
#include "fetch/pagefetcher.h"
#include "output/listpage.h"
#include "renewal/chapterpictures.h"
#include "renewal/downloadcontext.h"
#include "renewal/downloadlistpage.h"
#include "sites/sitesigntable.h"
#include "storage/database.h"
#include "storage/novelstore.h"
#include "storage/textfile.h"
#include "text/regex.h"

#include <QFileInfo>
#include <QSet>
#include <QThread>

NovelRenewer::Outcome& NovelRenewer::Outcome::operator+=(const Outcome& other) {
    stored += other.stored;
    failedChapters += other.failedChapters;
    failed = failed || other.failed;
    stopped = stopped || other.stopped;
    return *this;
}

NovelRenewer::NovelRenewer(DownloadContext& context)
    : m_context(context) {}

NovelRenewer::~NovelRenewer() {
    if (m_checkpoint)
        m_checkpoint->wait();
}

void NovelRenewer::checkpointMeanwhile() {
    if (m_checkpoint)
        m_checkpoint->wait();
    m_checkpoint.reset(QThread::create([&db = m_context.db] {
        db.checkpoint();
        db.releaseThreadConnection();
    }));
    m_checkpoint->start();
}

void NovelRenewer::status(const QString& text) const {
    m_context.events.status(text);
}

bool NovelRenewer::tally(const ChapterOutcome& chapter, Outcome& outcome) {
    // A stub that came again is no failure: the text stored before stays.
    if (chapter.kind == ChapterOutcome::Kind::Kept)
        return false;
    ++(chapter.gotText() ? outcome.stored : outcome.failedChapters);
    return chapter.gotText();
}

QString NovelRenewer::failedNovelText(const QString& name) {
    return tr("更新小说<<%1>>失败，请查看网络连接").arg(name);
}

void NovelRenewer::prepareListReader(ChapterListReader& reader) {
    reader.setDatabase(&m_context.db);
    reader.setSiteSigns(m_signs);
    reader.setLibraryFolder(m_context.folder.path());
    reader.setStatusHandler([this](const QString& text) { status(text); });
    reader.setStopCheck(m_context.stop);
}

void NovelRenewer::fetchListsAhead(const QStringList& novelIds) {
    m_ahead.clear();
    if (!m_context.options.concurrent())
        return;
    const QHash<QString, QString> urls = RenewStore(m_context.db).listUrls();
    QList<PageFetcher::Request> requests;
    for (const QString& novelId : novelIds) {
        const auto url = urls.constFind(novelId);
        if (url == urls.cend() || url->trimmed().isEmpty() || m_ahead.contains(novelId))
            continue;
        m_ahead.insert(novelId, {int(requests.size()), *url});
        requests.append({*url, QString()});
    }
    // A few rounds of pages in hand: a novel with much to do gives the next ones time to come.
    const int concurrency = m_context.options.multGetNums;
    m_context.fetcher.fetchAhead(requests, concurrency, 4 * concurrency);
}

void NovelRenewer::dropListsAhead() {
    m_ahead.clear();
    m_context.fetcher.dropAhead();
}

bool NovelRenewer::fetchList(const NovelRecord& novel, ChapterListRequest& request) {
    const std::optional<Ahead> ahead =
        m_ahead.contains(novel.novelId) ? std::optional<Ahead>(m_ahead.take(novel.novelId)) : std::nullopt;
    const FetchedPage answer = ahead && ahead->listUrl == novel.listUrl
                                   ? m_context.fetcher.takeAhead(ahead->index)
                                   : m_context.fetcher.fetch(novel.listUrl);
    if (answer.stopped() || m_context.stopped())
        return false;
    if (!answer.ok() || answer.body.isEmpty()) {
        status(failedNovelText(novel.novelName));
        return false;
    }
    PageDecoder decoder(m_context.options.charset);
    decoder.takeContentType(answer.contentType);
    request.page = decoder.decode(answer.body);
    request.pageCharset = decoder.pageCharset();
    request.listUrl = novel.listUrl;
    request.novel = novel;
    request.needDelUrl = NovelStore(m_context.db).needDelUrl(novel.novelId);
    m_pageCharset = request.pageCharset;
    return true;
}

NovelRenewer::Outcome NovelRenewer::renewNovel(const QString& novelId, bool readInformation) {
    Outcome outcome;
    m_handled.clear();
    m_scheduled.clear();
    m_listed.clear();
    std::optional<NovelRecord> novel = NovelStore(m_context.db).loadNovel(novelId);
    if (!novel) {
        outcome.failed = true;
        return outcome;
    }
    // A novel imported from files has no contents page: nothing to renew, nothing failed.
    if (novel->listUrl.trimmed().isEmpty())
        return outcome;
    status(tr("正在连接<<%1>>目录页...").arg(novel->novelName));
    ChapterListRequest request;
    request.mode = ChapterListMode::Renewal;
    request.readInformation = readInformation;
    if (!fetchList(*novel, request)) {
        outcome.stopped = m_context.stopped();
        outcome.failed = !outcome.stopped;
        return outcome;
    }

    ChapterListReader reader(m_context.fetcher, m_context.options.list);
    prepareListReader(reader);
    reader.setChooser(m_chooser);
    const ChapterListResult list = reader.readChapterList(request);
    if (!list.newName.isEmpty()) {
        novel->novelName = list.newName;
        m_context.events.novelRenamed(novelId, list.newName);
    }
    if (list.outcome == ChapterListResult::Outcome::Stopped || m_context.stopped()) {
        outcome.stopped = true;
        status(tr("停止更新"));
        return outcome;
    }

    m_listed = list.listed;
    ChapterProcessor processor(m_context, *novel);
    processor.setSiteList(list.listed);
    processor.setListedChapters(m_listed);
    const ChapterLinks& links =
        list.outcome == ChapterListResult::Outcome::Chapters ? list.links : ChapterLinks();
    const qint64 before = RenewStore(m_context.db).maxChapterId();
    // Taken before this run's chapters: a stub stored now waits for the next renewal.
    const QList<StoredChapter> stubs =
        RenewStore(m_context.db).placeholderChapters(novelId, m_context.options.placeholderTries);
    outcome += m_context.options.concurrent() ? renewConcurrently(*novel, links, list.listed)
                                              : renewSequentially(processor, *novel, links);
    if (!outcome.stopped && !m_context.options.concurrent()) {
        // Rows a stopped or killed run left waiting, rows other commands listed without text, and
        // chapters that came empty before (not those of this run).
        const QList<StoredChapter> waiting = RenewStore(m_context.db).waitingChapters(novelId, before, true);
        if (!waiting.isEmpty())
            outcome += redownloadChapters(*novel, waiting);
    }
    if (!outcome.stopped && !stubs.isEmpty())
        outcome += renewPlaceholders(*novel, stubs);

    if (outcome.stopped)
        status(tr("停止更新"));
    else if (outcome.failedChapters > 0)
        status(tr("<<%1>>更新完毕，其中%2个章节下载失败").arg(novel->novelName).arg(outcome.failedChapters));
    else if (outcome.stored > 0)
        status(tr("<<%1>>更新完毕").arg(novel->novelName));
    else
        status(tr("<<%1>>尚无更新的章节").arg(novel->novelName));
    const qsizetype stillStubs =
        RenewStore(m_context.db).placeholderChapters(novelId, m_context.options.placeholderTries).size();
    if (stillStubs > 0)
        status(tr("%1个章节等待更新内容").arg(stillStubs));
    if (outcome.stored > 0 || list.information || listPageBehind(novelId)) {
        checkpointMeanwhile();
        writeListPage(m_context.db, m_context.folder, m_context.options.settings, novelId);
    }
    return outcome;
}

NovelRenewer::Outcome NovelRenewer::renewPlaceholders(const NovelRecord& novel,
                                                      const QList<StoredChapter>& stubs) {
    // The try is counted before the fetch: a run killed meanwhile used it up too, and a site that
    // keeps failing stops being asked after the limit all the same.
    if (!RenewStore(m_context.db).countPlaceholderTries(stubs))
        return {};
    status(tr("正在更新<<%1>>的%2个待更新章节...").arg(novel.novelName).arg(stubs.size()));
    return redownloadChapters(novel, stubs);
}

bool NovelRenewer::listPageBehind(const QString& novelId) const {
    const qint64 newest = RenewStore(m_context.db).newestStoredChapterId(novelId);
    if (newest <= 0)
        return false;
    const QFileInfo page(m_context.folder.chapterPage(novelId, newest));
    const QFileInfo list(m_context.folder.novelListPage(novelId));
    return page.exists() && (!list.exists() || list.size() == 0 || list.lastModified() < page.lastModified());
}

ChapterOutcome NovelRenewer::store(ChapterProcessor& processor, const FetchedPage& answer,
                                   const ChapterItem& item) {
    if (ChapterProcessor::isPictureAnswer(answer, item.url))
        return processor.storePictureChapter(answer, item);
    PageDecoder decoder(m_context.options.charset);
    decoder.setPageCharset(m_pageCharset);
    decoder.takeContentType(answer.contentType);
    return processor.processChapterPage(decoder.decode(answer.body), item, decoder);
}

NovelRenewer::Outcome NovelRenewer::renewSequentially(ChapterProcessor& processor, const NovelRecord& novel,
                                                      const ChapterLinks& links) {
    Outcome outcome;
    ChapterLinks chapters;
    for (const ChapterLink& link : links)
        if (!link.isDropped()) {
            chapters.append(link);
            m_scheduled.insert(link.url.toLower());
        }
    QStringList titles;
    for (const ChapterLink& link : std::as_const(chapters))
        titles << link.title;
    m_context.events.downloadListStarted(novel.novelName, titles);

    const int total = int(chapters.size());
    for (int i = 0; i < total; ++i) {
        const ChapterLink& link = chapters.at(i);
        const QString key = link.url.toLower();
        m_scheduled.remove(key);
        if (m_handled.contains(key))
            continue; // already stored as a link of an earlier chapter page
        status(tr("正在下载<<%1>>的章节\"%2\"内容，下载进度：%3%")
                   .arg(novel.novelName, link.title, DownloadListPage::percent(i + 1, total)));
        m_context.events.progress(i, total);
        const FetchedPage answer = m_context.fetcher.fetchChapter(link.url);
        if (answer.stopped() || m_context.stopped()) {
            outcome.stopped = true;
            return outcome;
        }
        ChapterOutcome stored;
        if (answer.ok() && !answer.body.isEmpty()) {
            stored = store(processor, answer, ChapterItem{link.url, link.title, link.volume});
            if (stored.kind == ChapterOutcome::Kind::Stopped) {
                outcome.stopped = true;
                return outcome;
            }
        } else {
            status(tr("链接章节<<%1>>失败，请查看网络连接").arg(link.title));
        }
        if (stored.stored())
            m_handled.insert(key);
        if (tally(stored, outcome))
            m_context.events.downloadStateChanged(i, tr("下载完成"));
        else
            m_context.events.downloadStateChanged(i, DownloadListPage::failedCell());
        outcome += followDeeperLinks(processor, stored.deeperLinks);
        if (outcome.stopped)
            return outcome;
        if (i + 1 < total)
            m_context.sayPause();
    }
    m_context.events.progress(total, total);
    return outcome;
}

NovelRenewer::Outcome NovelRenewer::followDeeperLinks(ChapterProcessor& processor,
                                                      const ChapterLinks& links) {
    Outcome outcome;
    for (const ChapterLink& link : links) {
        const QString key = link.url.toLower();
        if (link.isDropped() || m_handled.contains(key) || m_scheduled.contains(key))
            continue;
        if (m_context.stopped()) {
            outcome.stopped = true;
            return outcome;
        }
        m_handled.insert(key);
        const FetchedPage answer = m_context.fetcher.fetchChapter(link.url);
        if (answer.stopped()) {
            outcome.stopped = true;
            return outcome;
        }
        if (!answer.ok() || answer.body.isEmpty())
            continue;
        if (!ChapterProcessor::isPictureAnswer(answer, link.url) &&
            answer.body.contains("<title>404 Not Found</title>"))
            continue;
        const ChapterOutcome stored =
            store(processor, answer, ChapterItem{link.url, link.title, link.volume});
        if (stored.kind == ChapterOutcome::Kind::Stopped) {
            outcome.stopped = true;
            return outcome;
        }
        if (stored.stored())
            tally(stored, outcome);
    }
    return outcome;
}

NovelRenewer::Outcome NovelRenewer::renewConcurrently(const NovelRecord& novel, const ChapterLinks& links,
                                                      const ChapterLinks& listed) {
    Outcome outcome;
    status(tr("正在处理目录页，请稍候..."));
    const RenewStore store(m_context.db);
    const bool hadChapters = ChapterStore(m_context.db).count(novel.novelId) > 0;
    const bool placeBySite = m_context.options.autoDisplayorder && hadChapters;
    const int maxOrder = ChapterStore(m_context.db).maxChapterOrder(novel.novelId);

    QList<ChapterRecord> records;
    QSet<QString> seen; // a list may name a chapter twice (two spellings of one address): one row
    for (const ChapterLink& link : links) {
        if (link.isDropped() || link.title.isEmpty())
            continue;
        const QString key = link.url.toLower();
        if (seen.contains(key))
            continue;
        seen.insert(key);
        ChapterRecord record;
        record.novelId = novel.novelId;
        record.title = link.title.left(250);
        record.comeFrom = link.url;
        record.volume = link.volume;
        record.displayorder = placeBySite ? int(records.size()) + 100 : maxOrder + int(records.size()) + 1;
        records.append(record);
    }
    if (!placeBySite && !records.isEmpty())
        return renewInsertingMeanwhile(novel, records);
    QHash<QString, int> positions;
    if (placeBySite) {
        int position = 0;
        for (const ChapterLink& link : listed)
            if (!link.isDropped() && !positions.contains(link.url.toLower()))
                positions.insert(link.url.toLower(), position++);
    }
    const QList<qint64> ids =
        records.isEmpty() ? QList<qint64>() : store.insertWaitingChapters(records, positions);
    if (!records.isEmpty() && ids.isEmpty()) {
        outcome.failedChapters += int(records.size());
        return outcome;
    }
    if (!ids.isEmpty())
        m_context.events.countsChanged(novel.novelId);

    // The new rows and those still waiting before them; without new rows, what earlier runs left.
    const QList<StoredChapter> waiting =
        store.waitingChapters(novel.novelId, ids.isEmpty() ? store.maxChapterId() : ids.last(), true);
    if (waiting.isEmpty()) {
        status(tr("没有新增项"));
        return outcome;
    }
    return redownloadChapters(novel, waiting, QSet<qint64>(ids.cbegin(), ids.cend()));
}

NovelRenewer::Outcome NovelRenewer::renewInsertingMeanwhile(const NovelRecord& novel,
                                                            const QList<ChapterRecord>& records) {
    // The new rows go after every row there is: the chapters to fetch are those still waiting, then
    // the new ones in their order, as the list read after the insert would give them. The first
    // pages are fetched while the rows are inserted on the rows thread; no chapter is stored before
    // its row is there.
    const RenewStore store(m_context.db);
    QList<StoredChapter> chapters = store.waitingChapters(novel.novelId, store.maxChapterId(), true);
    Inserting inserting;
    inserting.first = int(chapters.size());
    inserting.records = records;
    for (const ChapterRecord& record : records)
        chapters.append(
            {0, record.novelId, record.title, record.comeFrom, record.volume, record.displayorder, {}});
    if (m_pageCharset.isEmpty())
        m_pageCharset = m_context.options.charset;
    ChapterProcessor processor(m_context, novel);
    processor.setListedChapters(m_listed);
    return redownloadConcurrently(processor, novel, chapters, {}, &inserting);
}

NovelRenewer::Outcome NovelRenewer::redownloadChapters(const NovelRecord& novel,
                                                       const QList<StoredChapter>& chapters,
                                                       const QSet<qint64>& announced) {
    if (m_pageCharset.isEmpty())
        m_pageCharset = m_context.options.charset;
    ChapterProcessor processor(m_context, novel);
    processor.setListedChapters(m_listed);
    Outcome outcome = m_context.options.concurrent()
                          ? redownloadConcurrently(processor, novel, chapters, announced)
                          : redownloadSequentially(processor, novel, chapters, announced);
    return outcome;
}

NovelRenewer::Outcome NovelRenewer::redownloadSequentially(ChapterProcessor& processor,
                                                           const NovelRecord& novel,
                                                           const QList<StoredChapter>& chapters,
                                                           const QSet<qint64>& announced) {
    Outcome outcome;
    const int total = int(chapters.size());
    for (int i = 0; i < total; ++i) {
        const StoredChapter& c = chapters.at(i);
        if (m_context.stopped()) {
            outcome.stopped = true;
            return outcome;
        }
        m_context.events.progress(i, total);
        status(tr("正在连接<<%1>>的章节\"%2\"网址...").arg(novel.novelName, c.title));
        if (!ChapterPictures::isPictureAddress(c.comeFrom))
            status(tr("正在更新<<%1>>的章节\"%2\"内容...").arg(novel.novelName, c.title));
        const FetchedPage answer = m_context.fetcher.fetchChapter(c.comeFrom);
        if (answer.stopped() || m_context.stopped()) {
            outcome.stopped = true;
            return outcome;
        }
        ChapterOutcome stored;
        if (answer.ok() && !answer.body.isEmpty())
            stored = store(processor, answer,
                           ChapterItem{c.comeFrom, c.title, c.volume, c.id, announced.contains(c.id),
                                       ChapterProcessor::guardsText(c, m_context.options)});
        if (stored.kind == ChapterOutcome::Kind::Stopped) {
            outcome.stopped = true;
            return outcome;
        }
        if (tally(stored, outcome))
            status(tr("<<%1>>的章节\"%2\"更新完成").arg(novel.novelName, c.title));
        else if (stored.kind == ChapterOutcome::Kind::Kept)
            status(tr("<<%1>>的章节\"%2\"仍在等待更新内容").arg(novel.novelName, c.title));
        else
            status(tr("更新小说<<%1>>的章节\"%2\"失败，请查看网络连接").arg(novel.novelName, c.title));
        if (i + 1 < total)
            m_context.sayPause();
    }
    m_context.events.progress(total, total);
    return outcome;
}

NovelRenewer::Outcome NovelRenewer::redownloadConcurrently(ChapterProcessor& processor,
                                                           const NovelRecord& novel,
                                                           const QList<StoredChapter>& chapters,
                                                           const QSet<qint64>& announced,
                                                           Inserting* inserting) {
    // Lives to the end of this call: its pools and rows thread end after the deeper links were fetched.
    ConcurrentRedownload redownload(m_context, processor, novel, chapters, announced, inserting,
                                    m_pageCharset, m_handled,
                                    [this, &processor](const FetchedPage& answer, const ChapterItem& item) {
                                        return store(processor, answer, item);
                                    });
    const ConcurrentRedownload::Result result = redownload.run();
    Outcome outcome;
    outcome.stored = result.stored;
    outcome.failedChapters = result.failedChapters;
    outcome.stopped = result.stopped;
    if (!outcome.stopped && !redownload.deeperLinks().isEmpty())
        outcome += followDeeperLinks(processor, redownload.deeperLinks());
    status(outcome.stopped ? tr("停止更新") : tr("更新完成"));
    return outcome;
}

bool NovelRenewer::rereadList(const QString& novelId, ChapterListMode mode, Outcome* outcome) {
    Outcome local;
    Outcome& result = outcome ? *outcome : local;
    const std::optional<NovelRecord> novel = NovelStore(m_context.db).loadNovel(novelId);
    if (!novel) {
        result.failed = true;
        return false;
    }
    status(tr("正在连接<<%1>>目录页...").arg(novel->novelName));
    ChapterListRequest request;
    request.mode = mode;
    if (!fetchList(*novel, request)) {
        result.stopped = m_context.stopped();
        result.failed = !result.stopped;
        return false;
    }
    ChapterListReader reader(m_context.fetcher, m_context.options.list);
    prepareListReader(reader);
    const ChapterListResult list = reader.readChapterList(request);
    if (!list.newName.isEmpty())
        m_context.events.novelRenamed(novelId, list.newName);
    if (list.outcome == ChapterListResult::Outcome::Stopped) {
        result.stopped = true;
        return false;
    }
    const bool done = list.outcome == ChapterListResult::Outcome::VolumesRenamed ||
                      (list.outcome == ChapterListResult::Outcome::InformationRead && list.information &&
                       list.information->found());
    if (done) {
        m_context.events.countsChanged(novelId);
        writeListPage(m_context.db, m_context.folder, m_context.options.settings, novelId);
    }
    return done;
}

ChapterLinks NovelRenewer::readSiteList(const NovelRecord& novel, Outcome* outcome) {
    Outcome local;
    Outcome& result = outcome ? *outcome : local;
    status(tr("正在连接<<%1>>目录页...").arg(novel.novelName));
    ChapterListRequest request;
    request.mode = ChapterListMode::Synchronisation;
    if (!fetchList(novel, request)) {
        result.stopped = m_context.stopped();
        result.failed = !result.stopped;
        return {};
    }
    ChapterListReader reader(m_context.fetcher, m_context.options.list);
    prepareListReader(reader);
    const ChapterListResult list = reader.readChapterList(request);
    if (!list.newName.isEmpty())
        m_context.events.novelRenamed(novel.novelId, list.newName);
    if (list.outcome == ChapterListResult::Outcome::Stopped || m_context.stopped()) {
        result.stopped = true;
        return {};
    }
    if (list.outcome != ChapterListResult::Outcome::Chapters) {
        result.failed = true;
        return {};
    }
    return list.links;
}

QList<StoredChapter> NovelRenewer::chaptersWithPictures(const QString& novelId, bool missingOnly) const {
    QList<StoredChapter> found;
    const QString folder = m_context.folder.novelDir(novelId);
    for (const StoredChapter& c : RenewStore(m_context.db).chapters(novelId)) {
        const QString page = readTextFile(m_context.folder.chapterPage(novelId, c.id));
        if (page.isEmpty())
            continue;
        const QString pattern =
            escapeRegex(novelId + u'_' + QString::number(c.id)) + QStringLiteral("b?_[\\s\\S]+?>");
        bool refers = false;
        bool missing = false;
        for (const QString& match : regexMatchValues(page, pattern)) {
            refers = true;
            QString name = match.section(u' ', 0, 0);
            for (const QChar drop : {u'"', u'\'', u'>', u';'})
                name.remove(drop);
            if (!QFileInfo::exists(folder + u'/' + name)) {
                missing = true;
                break;
            }
        }
        if (missingOnly ? missing : refers)
            found.append(c);
    }
    return found;
}
