#pragma once

#include "fetch/fetchoptions.h"
#include "fetch/pagesource.h"

#include <QCoreApplication>
#include <QList>

#include <functional>
#include <memory>
#include <vector>

class CurlMulti;
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

    // Many at once: at most `concurrency` (0: the options' MultGetNums) open, and within the per-host
    // limit. Results come in request order; onEachFinished is called on this thread as each one ends.
    QList<FetchedPage> fetchAll(const QList<Request>& requests, int concurrency = 0,
                                const EachFinished& onEachFinished = {});
    // The same with the answers handed to onEachFinished only: each is let go once told, so that
    // thousands of pages are never held at once.
    void fetchEach(const QList<Request>& requests, int concurrency, const EachFinished& onEachFinished);

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

    FetchOptions m_options;
    std::function<bool()> m_stop;
    std::unique_ptr<CurlMulti> m_multi;
};
