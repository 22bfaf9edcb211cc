#include "renewal/concurrentredownload.h"

#include "fetch/pagedecoder.h"
#include "renewal/downloadcontext.h"
#include "renewal/downloadlistpage.h"
#include "renewal/processtuning.h"

#include <QThread>
#include <QtConcurrent/QtConcurrentRun>

namespace {

// A draft waits for the others to be composed with it a little while at most; a stop leaves the
// waiting ones for the next run, as a kill would.
constexpr qsizetype kComposeTogether = 16;
constexpr int kComposeWaitMs = 250;

} // namespace

ConcurrentRedownload::ConcurrentRedownload(DownloadContext& context, ChapterProcessor& processor,
                                           const NovelRecord& novel, const QList<StoredChapter>& chapters,
                                           const QSet<qint64>& announced, Inserting* inserting,
                                           const QString& pageCharset, QSet<QString>& handled,
                                           StoreAnswer store)
    : m_context(context)
    , m_processor(processor)
    , m_novel(novel)
    , m_chapters(chapters)
    , m_announced(announced)
    , m_inserting(inserting)
    , m_pageCharset(pageCharset)
    , m_handled(handled)
    , m_store(std::move(store))
    , m_noRow{ChapterOutcome::Kind::Failed, 0, 0, {}, tr("无法保存章节")}
    , m_pageFailed{ChapterOutcome::Kind::Failed, 0, 0, {}, tr("章节的后续页面下载失败")}
    , m_countsTold(!inserting)
    , m_writer(&context.writer)
    , m_fetching(QThread::currentThread())
    , m_maxPending(size_t(qMax(2, context.options.multGetNums)) * 16)
    , m_writerRoom(int(m_maxPending)) {}

ConcurrentRedownload::~ConcurrentRedownload() = default;

ConcurrentRedownload::Result ConcurrentRedownload::run() {
    announceList();
    startWorkers();
    fetchChapters();
    finish();
    return m_result;
}

void ConcurrentRedownload::announceList() {
    m_context.events.status(tr("正在更新，请稍候..."));
    QStringList titles;
    for (const StoredChapter& c : m_chapters) {
        titles << c.title;
        PageFetcher::Request request{c.comeFrom, QString(), true};
        request.chapter = true;
        m_requests.append(request);
    }
    m_context.events.downloadListStarted(m_novel.novelName, titles);
}

void ConcurrentRedownload::startWorkers() {
    // The rows thread is made before the pools and gone after them, once every row was handed over.
    m_rows.emplace(m_context.db);
    if (m_inserting)
        m_inserting->ids = m_rows->insertWaiting(m_inserting->records);
    // Rendering a page costs more than writing it: one writer per core, not per connection.
    m_drafters.setMaxThreadCount(qMax(1, QThread::idealThreadCount()));
    m_writers.setMaxThreadCount(qMax(1, QThread::idealThreadCount()));
}

void ConcurrentRedownload::fetchChapters() {
    m_draftElsewhere = m_processor.draftsAnywhere();
    m_context.fetcher.fetchEach(m_requests, m_context.options.multGetNums,
                                [this](int index, const FetchedPage& answer) { received(index, answer); });
}

// The text of a page is cut and cleaned on the pool while this thread goes on fetching. A draft that
// needs nothing more from the network or the library (most chapters) is written there too; the others
// get their pictures here, in the order their pages arrived, and are written on the writer threads
// (the disk's wait is the longest step).
void ConcurrentRedownload::received(int index, const FetchedPage& answer) {
    if (answer.stopped() || m_result.stopped)
        return;
    if (!answer.ok() || answer.body.isEmpty()) {
        ++m_done;
        m_context.events.progress(m_done, int(m_chapters.size()));
        ++m_result.failedChapters;
        m_context.events.status(tr("网络连接失败或内容为空"));
        m_context.events.downloadStateChanged(index, DownloadListPage::failedCell());
        if (m_done < int(m_chapters.size()))
            m_context.sayPause();
    } else if (m_draftElsewhere &&
               !ChapterProcessor::isPictureAnswer(answer, m_chapters.at(index).comeFrom)) {
        m_pending.push_back(
            {index, QtConcurrent::run(
                        &m_drafters, [this](const FetchedPage& page, int at) { return draft(page, at); },
                        answer, index)});
    } else {
        const ChapterItem chapter = item(index);
        report(index, chapter.chapterId == 0 && m_inserting ? m_noRow : m_store(answer, chapter));
    }
    storePending(false);
}

// On the pool: the draft and, for a plain one, its page written and its row handed over.
ConcurrentRedownload::Drafted ConcurrentRedownload::draft(const FetchedPage& answer, int index) {
    ProcessTuning::yieldTo(m_fetching);
    const DownloadContext& context = m_context;
    PageDecoder decoder(context.options.charset);
    decoder.setPageCharset(m_pageCharset);
    decoder.takeContentType(answer.contentType);
    Drafted drafted;
    const QString page = decoder.decode(answer.body);
    drafted.draft =
        ChapterProcessor::draftChapter(page, m_chapters.at(index).comeFrom, m_novel, context.options);
    m_processor.findNextPage(drafted.draft, page);
    const ChapterItem chapter = item(index);
    if (!context.stopped() && chapter.chapterId != 0)
        drafted.page = m_processor.plainPage(drafted.draft, chapter);
    if (drafted.page) {
        const ChapterRows::Row row =
            m_rows->expect(drafted.page->chapterId, drafted.page->wordNums, drafted.page->stub);
        row.written(drafted.page->write(*m_writer));
        drafted.rowDone = row.done;
    }
    return drafted;
}

void ConcurrentRedownload::storePending(bool all) {
    while (!m_pending.empty() &&
           (all || m_pending.front().drafted.isFinished() || m_pending.size() > m_maxPending)) {
        const Pending next = m_pending.front();
        m_pending.pop_front();
        Drafted drafted = next.drafted.result();
        if (drafted.page) {
            m_writing.push_back({next.index, told(*drafted.page), drafted.rowDone});
            continue;
        }
        if (m_result.stopped || m_context.stopped()) {
            m_result.stopped = true;
            continue;
        }
        const ChapterItem chapter = item(next.index);
        if (chapter.chapterId == 0 && m_inserting) {
            report(next.index, m_noRow);
            continue;
        }
        if (!drafted.draft.nextPage.isEmpty()) {
            // Its further pages come here, one after the other; the other chapters' pages keep coming.
            const ChapterProcessor::Joined joined =
                m_processor.joinPages(drafted.draft, chapter.title, m_pageCharset);
            if (joined == ChapterProcessor::Joined::Stopped) {
                m_result.stopped = true;
                continue;
            }
            if (joined == ChapterProcessor::Joined::Failed) {
                report(next.index, m_pageFailed);
                continue;
            }
        }
        if (drafted.draft.stub && chapter.hadText) {
            report(next.index, ChapterProcessor::keptOutcome(chapter));
            continue;
        }
        if (m_composing.isEmpty())
            m_composingSince.start();
        m_composing.append({drafted.draft, chapter});
        m_composingIndexes.append(next.index);
    }
    if (!m_composing.isEmpty() && (m_result.stopped || m_context.stopped())) {
        m_result.stopped = true;
        m_composing.clear();
        m_composingIndexes.clear();
    }
    if (!m_composing.isEmpty() &&
        (all || m_composing.size() >= kComposeTogether || m_composingSince.hasExpired(kComposeWaitMs)))
        compose();
    completeWrites(all);
}

// The pictures of all the drafts in hand are fetched together, here; their pages go to the writers.
void ConcurrentRedownload::compose() {
    const QList<ChapterProcessor::Composed> composed = m_processor.composePages(m_composing);
    for (qsizetype i = 0; i < composed.size(); ++i) {
        const int index = m_composingIndexes.at(i);
        const std::optional<ChapterPage>& page = composed.at(i).page;
        if (!page) {
            report(index, composed.at(i).failure);
            continue;
        }
        const ChapterRows::Row row = m_rows->expect(page->chapterId, page->wordNums, page->stub);
        m_writerRoom.acquire();
        m_writers.start([page = *page, writer = m_writer, fetching = m_fetching, written = row.written,
                         room = &m_writerRoom] {
            ProcessTuning::yieldTo(fetching);
            written(page.write(*writer));
            room->release();
        });
        m_writing.push_back({index, told(*page), row.done});
    }
    m_composing.clear();
    m_composingIndexes.clear();
}

void ConcurrentRedownload::completeWrites(bool all) {
    while (!m_writing.empty() && (all || m_writing.front().error.isFinished())) {
        const Writing next = m_writing.front();
        m_writing.pop_front();
        // Told even after a stop: a page on disk with its row complete is a stored chapter.
        report(next.index, m_processor.completePage(next.page, item(next.index), next.error.result()));
    }
}

void ConcurrentRedownload::finish() {
    storePending(true);
    tellCounts(true);
    m_result.stopped = m_result.stopped || m_context.stopped();
}

ChapterItem ConcurrentRedownload::item(int index) const {
    const StoredChapter& c = m_chapters.at(index);
    if (!m_inserting || index < m_inserting->first)
        return ChapterItem{c.comeFrom,
                           c.title,
                           c.volume,
                           c.id,
                           m_announced.contains(c.id),
                           ChapterProcessor::guardsText(c, m_context.options)};
    const qint64 id = m_inserting->ids.resultAt(index - m_inserting->first);
    return ChapterItem{c.comeFrom, c.title, c.volume, id, true};
}

void ConcurrentRedownload::tellCounts(bool wait) {
    if (m_countsTold || !(wait || m_inserting->ids.isFinished()))
        return;
    m_countsTold = true;
    if (m_inserting->ids.resultAt(0) != 0)
        m_context.events.countsChanged(m_novel.novelId);
}

void ConcurrentRedownload::report(int index, const ChapterOutcome& stored) {
    tellCounts(false);
    if (stored.kind == ChapterOutcome::Kind::Stopped) {
        m_result.stopped = true;
        return;
    }
    ++m_done;
    m_context.events.progress(m_done, int(m_chapters.size()));
    if (stored.stored()) {
        m_handled.insert(m_chapters.at(index).comeFrom.toLower());
        m_deeper += stored.deeperLinks;
    }
    if (stored.gotText()) {
        ++m_result.stored;
        m_context.events.downloadStateChanged(index, tr("下载成功"));
    } else if (stored.kind == ChapterOutcome::Kind::Kept) {
        m_context.events.downloadStateChanged(index, tr("等待更新内容"));
    } else {
        ++m_result.failedChapters;
        m_context.events.downloadStateChanged(index, DownloadListPage::failedCell());
    }
    m_context.events.status(
        tr("处理章节\"%1\"中，总进度:%2%")
            .arg(m_chapters.at(index).title, DownloadListPage::percent(m_done, int(m_chapters.size()))));
    if (m_done < int(m_chapters.size()))
        m_context.sayPause();
}

ChapterPage ConcurrentRedownload::told(const ChapterPage& page) {
    ChapterPage slim;
    slim.chapterId = page.chapterId;
    slim.wordNums = page.wordNums;
    return slim;
}
