#include "fetch/pagefetcher.h"

#include "fetch/fetchahead.h"
#include "fetch/hostslots.h"
#include "fetch/pagetransfer.h"
#include "fetch/curlmulti.h"
#include "fetch/transferqueue.h"
#include "text/regex.h"

#include <QEventLoop>
#include <QScopeGuard>
#include <QSet>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <atomic>
#include <vector>

namespace {

constexpr int kTickMs = 50;

// The transfers of every fetch running on this thread, outermost first. A fetch made inside the
// report of another (a chapter's pictures) goes first on the hosts they share: the outer one would
// otherwise take every slot that comes free until its own list runs out.
thread_local QList<const TransferQueue*> t_frames;

// "||"-separated entries; "[[…]]" is a regular expression, anything else a piece of the address.
bool matchesPatternList(const QString& url, const QString& list) {
    for (const QString& entry : list.split(QStringLiteral("||"), Qt::SkipEmptyParts)) {
        const QString pattern = entry.trimmed();
        if (pattern.isEmpty())
            continue;
        if (pattern.startsWith(QLatin1String("[[")) && pattern.endsWith(QLatin1String("]]")) &&
            pattern.size() > 4) {
            if (!regexMatches(url, pattern.mid(2, pattern.size() - 4)).isEmpty())
                return true;
        } else if (url.contains(pattern, Qt::CaseInsensitive)) {
            return true;
        }
    }
    return false;
}

// The local event loop of one fetch: it runs the pump on every change asked for (queuePump, from any
// thread; one pump waits in the queue at most, however many changes asked for one), whenever a host
// slot comes free anywhere (another transfer of this loop, an outer one or another thread's), and
// on every tick, for time-outs and pauses.
class PumpedLoop {
public:
    PumpedLoop() = default;
    ~PumpedLoop() {
        if (m_waker >= 0)
            HostSlots::removeWaker(m_waker);
    }
    PumpedLoop(const PumpedLoop&) = delete;
    PumpedLoop& operator=(const PumpedLoop&) = delete;

    void start(std::function<void()> pump) {
        m_pump = std::move(pump);
        m_waker = HostSlots::addWaker([this] { queuePump(); });
        m_tick.setInterval(kTickMs);
        QObject::connect(&m_tick, &QTimer::timeout, &m_loop, [this] { m_pump(); });
        m_tick.start();
    }
    void queuePump() {
        if (!m_queued.exchange(true))
            QMetaObject::invokeMethod(
                &m_loop,
                [this] {
                    m_queued = false;
                    m_pump();
                },
                Qt::QueuedConnection);
    }
    void quit() { m_loop.quit(); }
    void exec() { m_loop.exec(QEventLoop::ExcludeUserInputEvents); }

private:
    std::function<void()> m_pump;
    std::atomic<bool> m_queued{false};
    int m_waker = -1;
    QTimer m_tick;
    QEventLoop m_loop; // goes first, and the pumps queued for it with it
};

} // namespace

PageFetcher::PageFetcher(const FetchOptions& options, std::function<bool()> stopRequested)
    : m_options(options)
    , m_stop(std::move(stopRequested))
    , m_multi(std::make_unique<CurlMulti>())
    , m_pacing(options.chapterPauseMs) {
    // A line break in a setting must never start a request header of its own.
    m_options.userAgent.replace('\r', ' ').replace('\n', ' ');
}

PageFetcher::~PageFetcher() = default;

bool PageFetcher::isJumpAddress(const QString& url, bool withFeeds) const {
    return matchesPatternList(url, m_options.jumpUrlPatterns) ||
           (withFeeds && matchesPatternList(url, m_options.jumpFeedPatterns));
}

std::unique_ptr<PageTransfer> PageFetcher::makeTransfer(const Request& request) {
    auto transfer = std::make_unique<PageTransfer>(m_multi.get(), m_options, PageTransfer::Mode::Page,
                                                   request.url, request.referer);
    if (isJumpAddress(request.url, request.realDownUrl))
        transfer->resolveJumpFirst(matchesPatternList(request.url, m_options.jumpBodyPatterns));
    if (request.chapter && m_pacing.isActive())
        transfer->setPacing(&m_pacing);
    return transfer;
}

namespace {

// Up to the slash after the host, when it holds nothing an address parser would read two ways.
QStringView plainOrigin(QStringView address) {
    const qsizetype scheme = address.indexOf(QLatin1String("://"));
    if (scheme <= 0)
        return {};
    for (qsizetype i = 0; i < address.size(); ++i) {
        const char16_t c = address[i].unicode();
        if (c == u'/' && i > scheme + 2)
            return address.first(i + 1);
        const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
                           c == u'.' || c == u'-' || c == u':' || c == u'/';
        if (!plain)
            return {};
    }
    return {};
}

} // namespace

QStringList PageFetcher::hostKeys(const QList<Request>& requests) {
    // The addresses of one fetch mostly share their origin: it is read once, not once per address.
    QStringList keys;
    keys.reserve(requests.size());
    QString lastOrigin;
    for (const Request& request : requests) {
        const QStringView origin = plainOrigin(request.url);
        if (origin.isEmpty() || origin != lastOrigin) {
            keys.append(PageTransfer::hostKeyOf(request.url));
            lastOrigin = origin.toString();
        } else {
            keys.append(keys.constLast());
        }
    }
    return keys;
}

TransferQueue PageFetcher::queueOf(const QList<Request>& requests) {
    return TransferQueue(hostKeys(requests), [this, requests](int index) { return makeTransfer(requests.at(index)); });
}

FetchedPage PageFetcher::fetch(const QString& url, const QString& referer) {
    return fetchAll({Request{url, referer}}, 1).value(0);
}

FetchedPage PageFetcher::fetchChapter(const QString& url) {
    Request request{url, QString()};
    request.chapter = true;
    return fetchAll({request}, 1).value(0);
}

QList<FetchedPage> PageFetcher::fetchAll(const QList<Request>& requests, int concurrency,
                                         const EachFinished& onEachFinished) {
    TransferQueue queue = queueOf(requests);
    run(queue, concurrency > 0 ? concurrency : m_options.concurrency, onEachFinished);
    QList<FetchedPage> results;
    for (int i = 0; i < queue.size(); ++i)
        results.append(queue.at(i)->result());
    return results;
}

void PageFetcher::fetchEach(const QList<Request>& requests, int concurrency,
                            const EachFinished& onEachFinished) {
    TransferQueue queue = queueOf(requests);
    run(queue, concurrency > 0 ? concurrency : m_options.concurrency, onEachFinished, false);
}

QString PageFetcher::getJumpUrl(const QString& url) {
    TransferQueue queue({PageTransfer::hostKeyOf(url)}, [this, &url](int) {
        auto transfer = std::make_unique<PageTransfer>(m_multi.get(), m_options, PageTransfer::Mode::Jump, url, QString());
        transfer->setJumpBody(matchesPatternList(url, m_options.jumpBodyPatterns));
        return transfer;
    });
    run(queue, 1, {});
    const PageTransfer* transfer = queue.at(0);
    return transfer->result().ok() ? transfer->jumpTarget() : QString();
}

QString PageFetcher::getRealDownUrl(const QString& url) {
    if (!isJumpAddress(url, true))
        return url;
    const QString target = getJumpUrl(url);
    if (target.isEmpty())
        return url;
    return QUrl(url.trimmed(), QUrl::TolerantMode).resolved(QUrl(target, QUrl::TolerantMode)).toString();
}

void PageFetcher::run(TransferQueue& queue, int concurrency, const EachFinished& onEachFinished,
                      bool keepResults) {
    Q_ASSERT_X(m_multi->thread() == QThread::currentThread(), "PageFetcher",
               "used on another thread than the one it was made on");
    if (queue.size() == 0)
        return;
    const qsizetype depth = t_frames.size();
    t_frames.append(&queue);
    const auto leaveFrame = qScopeGuard([] { t_frames.removeLast(); });
    PumpedLoop loop;
    bool stopping = false;
    bool starting = false;
    bool pumping = false;
    bool pumpAgain = false;

    // Starts what may start, reports what ended, and quits when everything has ended. Runs on every
    // change and on every tick: slots held by other threads come free without a signal here.
    auto startWaiting = [&] {
        // A transfer that ends while others are started (a refused address, a stop) comes back here.
        if (starting)
            return;
        starting = true;
        const auto done = qScopeGuard([&starting] { starting = false; });
        if (!stopping && stopRequested()) {
            stopping = true;
            queue.stopAll();
            if (m_ahead)
                m_ahead->stopAll();
        }
        if (stopping)
            return;
        // Hosts a nested fetch is waiting for count as full.
        QSet<QString> fullHosts;
        for (qsizetype inner = depth + 1; inner < t_frames.size(); ++inner)
            t_frames.at(inner)->addWaitingHosts(fullHosts);
        queue.startWaiting(concurrency, fullHosts);
        startAhead(fullHosts);
    };
    auto pumpOnce = [&] {
        startWaiting();
        // Taken before they are told: a report may start more transfers meanwhile.
        for (const int i : queue.takeEnded()) {
            if (onEachFinished)
                onEachFinished(i, queue.at(i)->result());
            if (!keepResults)
                queue.release(i);
        }
        if (queue.allEnded())
            loop.quit();
    };
    // A report may spin an event loop of its own (a chapter's pictures); the reports then wait until
    // it is over, but new requests start meanwhile, so the connections do not stand idle.
    auto pump = [&] {
        if (pumping) {
            pumpAgain = true;
            startWaiting();
            return;
        }
        pumping = true;
        do {
            pumpAgain = false;
            pumpOnce();
        } while (pumpAgain);
        pumping = false;
    };
    loop.start(pump);
    // The connection a request ended on takes the next one at once: the reports and the rest of the
    // events before the pump would otherwise keep it idle. Reports wait for the pump, as a reply may
    // end inside abort() or tryStart(), in the middle of one.
    struct Listener final : PageTransfer::Listener {
        Listener(decltype(startWaiting)& start, PumpedLoop& loop)
            : start(start)
            , loop(loop) {}
        void requestEnded() override {
            start();
            loop.queuePump();
        }
        void transferDone() override { loop.queuePump(); }
        decltype(startWaiting)& start;
        PumpedLoop& loop;
    } listener(startWaiting, loop);
    queue.setListener(&listener);
    const auto stopListening = qScopeGuard([&queue] { queue.setListener(nullptr); });
    pump();
    if (!queue.allEnded())
        loop.exec();
}

void PageFetcher::startAhead(QSet<QString>& fullHosts) {
    if (m_ahead)
        m_ahead->startWaiting(fullHosts, m_multi->running());
}

void PageFetcher::fetchAhead(const QList<Request>& requests, int concurrency, int window) {
    m_ahead = std::make_unique<FetchAhead>(
        int(requests.size()), [this, requests](int index) { return makeTransfer(requests.at(index)); },
        concurrency, window);
    QSet<QString> fullHosts;
    startAhead(fullHosts);
}

void PageFetcher::dropAhead() {
    m_ahead.reset();
}

FetchedPage PageFetcher::takeAhead(int index) {
    if (!m_ahead)
        return {};
    Q_ASSERT_X(m_multi->thread() == QThread::currentThread(), "PageFetcher",
               "used on another thread than the one it was made on");
    FetchAhead& ahead = *m_ahead;
    ahead.moveTo(index);
    PumpedLoop loop;
    // The fetches of this thread this one runs inside of go first on the hosts they wait for.
    auto pump = [this, &ahead, &loop, index] {
        if (stopRequested())
            ahead.stopAll();
        QSet<QString> fullHosts;
        for (const TransferQueue* frame : std::as_const(t_frames))
            frame->addWaitingHosts(fullHosts);
        ahead.startWaiting(fullHosts, m_multi->running());
        if (ahead.isDone(index))
            loop.quit();
    };
    pump();
    if (!ahead.isDone(index)) {
        loop.start(pump);
        struct Listener final : PageTransfer::Listener {
            explicit Listener(PumpedLoop& loop)
                : loop(loop) {}
            void requestEnded() override { loop.queuePump(); }
            void transferDone() override { loop.queuePump(); }
            PumpedLoop& loop;
        } listener(loop);
        ahead.setListener(&listener);
        const auto stopListening = qScopeGuard([&ahead] { ahead.setListener(nullptr); });
        loop.exec();
    }
    return ahead.take(index);
}
