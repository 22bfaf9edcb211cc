#pragma once

#include "fetch/chapterpacing.h"
#include "fetch/fetchoptions.h"
#include "fetch/pagesource.h"

#include <QCoreApplication>
#include <QList>

#include <functional>
#include <memory>
#include <vector>

class CurlMulti;
class FetchAhead;
class PageTransfer;
class TransferQueue;

// Fetches pages, scripts and pictures for one job. Made on the thread that uses it (a job's worker
// thread, or the test's thread) and used only there: it owns its curl multi handle, and every call
// waits in a local event loop that looks at the stop request every 50 ms, so a stop ends the wait
// as Stopped within 100 ms.
class PageFetcher : public PageSource {
    Q_DECLARE_TR_FUNCTIONS(PageFetcher)

public:
    struct Request {
        QString url;
        QString referer;          // "" for the address itself
        bool realDownUrl = false; // resolve as getRealDownUrl does (pictures), not only as fetch does
        bool chapter = false;     // a chapter page: DelayTime applies (FetchOptions::chapterPauseMs)
    };
    using EachFinished = std::function<void(int index, const FetchedPage& page)>;

    explicit PageFetcher(const FetchOptions& options, std::function<bool()> stopRequested = {});
    ~PageFetcher() override;
    PageFetcher(const PageFetcher&) = delete;
    PageFetcher& operator=(const PageFetcher&) = delete;

    const FetchOptions& options() const { return m_options; }
    bool stopRequested() const { return m_stop && m_stop(); }

    // One page, redirects followed, transient failures retried. Addresses of the jump patterns are
    // first resolved to their target. An error status (404, 500 …) and an empty body are failures.
    FetchedPage fetch(const QString& url, const QString& referer = QString()) override;
    // The same for a chapter page, in its host's turn (DelayTime).
    FetchedPage fetchChapter(const QString& url);

    // Many at once: at most `concurrency` (0: the options' MultGetNums) open, and within the per-host
    // limit. Results come in request order; onEachFinished is called on this thread as each one ends.
    QList<FetchedPage> fetchAll(const QList<Request>& requests, int concurrency = 0,
                                const EachFinished& onEachFinished = {});
    // The same with the answers handed to onEachFinished only: each is let go once told, so that
    // thousands of pages are never held at once.
    void fetchEach(const QList<Request>& requests, int concurrency, const EachFinished& onEachFinished);

    // Pages fetched ahead: asked for now, taken later (about in this order) while the caller works on
    // something else meanwhile. They are fetched whenever this fetcher waits, in any fetch or in
    // takeAhead, after what that fetch itself may start, and only while fewer than `concurrency`
    // requests of this fetcher are open; none more than `window` beyond the one last taken. A stop
    // ends them as Stopped. A new list replaces the one before.
    void fetchAhead(const QList<Request>& requests, int concurrency, int window);
    // The answer of that request of the list, once it has come; the ones before it are let go.
    // Failed when there is no such request.
    FetchedPage takeAhead(int index);
    // Lets go of every page fetched ahead, those on their way included.
    void dropAhead();

    // Where the address redirects to, without following it: the Location header as sent (relative or
    // absolute) for 200, 301 and 302 (and 303, 307, 308); for sites of the body patterns the
    // location="…" of the page when there is no header. "" otherwise.
    QString getJumpUrl(const QString& url);
    // The address to fetch: for addresses of the jump patterns (feeds included) their target, made
    // absolute; every other address, and one whose target cannot be read, unchanged.
    QString getRealDownUrl(const QString& url);

    // PageTransfer::hostKeyOf each address.
    static QStringList hostKeys(const QList<Request>& requests);

    // Whether an address goes through getJumpUrl first.
    bool isJumpAddress(const QString& url, bool withFeeds) const;

private:
    std::unique_ptr<PageTransfer> makeTransfer(const Request& request);
    TransferQueue queueOf(const QList<Request>& requests);
    // Runs the transfers to their end (or the stop) in a local event loop; keepResults false: each
    // transfer is let go once onEachFinished was told.
    void run(TransferQueue& queue, int concurrency, const EachFinished& onEachFinished, bool keepResults = true);

    // Starts the pages to fetch ahead that may start, after the fetches of this thread.
    void startAhead(QSet<QString>& fullHosts);

    FetchOptions m_options;
    std::function<bool()> m_stop;
    std::unique_ptr<CurlMulti> m_multi;
    ChapterPacing m_pacing; // outlives every transfer
    std::unique_ptr<FetchAhead> m_ahead; // goes first, before the multi handle its requests are on
};
