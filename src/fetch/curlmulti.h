#pragma once

#include <QHash>
#include <QObject>

#include <curl/curl.h>

#include <functional>

class QSocketNotifier;
class QTimer;

// One libcurl multi handle driven by the Qt event loop of the thread that made it: curl tells which
// sockets to watch and when to wake it, the loop's notifiers and a timer hand the events back. The
// handle keeps its connections, DNS answers, TLS sessions and cookies between transfers, so the
// requests of a job reuse them. Used on its own thread only, so the share needs no locks.
class CurlMulti : public QObject {
    Q_OBJECT

public:
    // Told when an easy handle's transfer has ended, with its result.
    using Finished = std::function<void(CURL* easy, CURLcode result)>;

    explicit CurlMulti(QObject* parent = nullptr);
    ~CurlMulti() override;
    CurlMulti(const CurlMulti&) = delete;
    CurlMulti& operator=(const CurlMulti&) = delete;

    // Sets what every transfer of this handle shares: cookies (a site's first page may set what the
    // next ones must send back), the request headers.
    void prepare(CURL* easy) const;
    // Starts a transfer; `finished` is called from the event loop once it ends, unless it was
    // removed before. False when curl refuses the handle.
    bool add(CURL* easy, Finished finished);
    // Ends a transfer at once without telling it; the handle stays the caller's.
    void remove(CURL* easy);
    // Transfers under way.
    int running() const { return int(m_running.size()); }

private:
    struct Watch {
        QSocketNotifier* read = nullptr;
        QSocketNotifier* write = nullptr;
    };

    static int onSocket(CURL* easy, curl_socket_t socket, int what, void* self, void* unused);
    static int onTimer(CURLM* multi, long timeoutMs, void* self);
    void watchSocket(curl_socket_t socket, int what);
    static void forget(Watch& watch);
    void act(curl_socket_t socket, int events);
    void reportFinished();

    CURLM* m_multi = nullptr;
    CURLSH* m_share = nullptr;
    curl_slist* m_headers = nullptr;
    QTimer* m_timer = nullptr;
    QHash<CURL*, Finished> m_running;
    QHash<curl_socket_t, Watch> m_watches;
    bool m_acting = false;
};
