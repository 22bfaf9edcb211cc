#include "fetch/curlmulti.h"

#include <QSocketNotifier>
#include <QTimer>

#include <mutex>
#include <vector>

namespace {

void initCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

} // namespace

CurlMulti::CurlMulti(QObject* parent)
    : QObject(parent)
    , m_timer(new QTimer(this)) {
    initCurlOnce();
    m_multi = curl_multi_init();
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETFUNCTION, &CurlMulti::onSocket);
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERFUNCTION, &CurlMulti::onTimer);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERDATA, this);
    m_share = curl_share_init();
    curl_share_setopt(m_share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    curl_share_setopt(m_share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
    m_headers = curl_slist_append(m_headers,
                                  "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,image/*,*/*;q=0.8");
    m_headers = curl_slist_append(m_headers, "Accept-Language: zh-CN,zh;q=0.9");
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, [this] { act(CURL_SOCKET_TIMEOUT, 0); });
}

CurlMulti::~CurlMulti() {
    for (auto it = m_running.cbegin(); it != m_running.cend(); ++it)
        curl_multi_remove_handle(m_multi, it.key());
    curl_multi_cleanup(m_multi);
    curl_share_cleanup(m_share);
    for (Watch& watch : m_watches)
        forget(watch);
    curl_slist_free_all(m_headers);
}

void CurlMulti::prepare(CURL* easy) const {
    curl_easy_setopt(easy, CURLOPT_SHARE, m_share);
    curl_easy_setopt(easy, CURLOPT_COOKIEFILE, ""); // cookies kept in memory only
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, m_headers);
}

bool CurlMulti::add(CURL* easy, Finished finished) {
    if (curl_multi_add_handle(m_multi, easy) != CURLM_OK)
        return false;
    m_running.insert(easy, std::move(finished));
    return true;
}

void CurlMulti::remove(CURL* easy) {
    if (m_running.remove(easy))
        curl_multi_remove_handle(m_multi, easy);
}

int CurlMulti::onSocket(CURL*, curl_socket_t socket, int what, void* self, void*) {
    static_cast<CurlMulti*>(self)->watchSocket(socket, what);
    return 0;
}

int CurlMulti::onTimer(CURLM*, long timeoutMs, void* self) {
    // Never act from inside curl: the timer fires from the event loop, at once for 0.
    QTimer* timer = static_cast<CurlMulti*>(self)->m_timer;
    if (timeoutMs < 0)
        timer->stop();
    else
        timer->start(int(qMin<long>(timeoutMs, 24L * 3600 * 1000)));
    return 0;
}

void CurlMulti::forget(Watch& watch) {
    // The notifier may be the one whose signal is being handled right now.
    for (QSocketNotifier* notifier : {watch.read, watch.write}) {
        notifier->setEnabled(false);
        notifier->deleteLater();
    }
}

void CurlMulti::watchSocket(curl_socket_t socket, int what) {
    auto it = m_watches.find(socket);
    if (what == CURL_POLL_REMOVE) {
        if (it != m_watches.end()) {
            forget(*it);
            m_watches.erase(it);
        }
        return;
    }
    if (it == m_watches.end()) {
        Watch watch;
        watch.read = new QSocketNotifier(qintptr(socket), QSocketNotifier::Read, this);
        watch.write = new QSocketNotifier(qintptr(socket), QSocketNotifier::Write, this);
        connect(watch.read, &QSocketNotifier::activated, this, [this, socket] { act(socket, CURL_CSELECT_IN); });
        connect(watch.write, &QSocketNotifier::activated, this, [this, socket] { act(socket, CURL_CSELECT_OUT); });
        it = m_watches.insert(socket, watch);
    }
    it->read->setEnabled(what == CURL_POLL_IN || what == CURL_POLL_INOUT);
    it->write->setEnabled(what == CURL_POLL_OUT || what == CURL_POLL_INOUT);
}

void CurlMulti::act(curl_socket_t socket, int events) {
    // A report may run an event loop of its own; curl is never entered twice.
    if (m_acting)
        return;
    m_acting = true;
    int running = 0;
    curl_multi_socket_action(m_multi, socket, events, &running);
    m_acting = false;
    reportFinished();
}

void CurlMulti::reportFinished() {
    // Collected first: a report may remove other handles, which drops their messages.
    std::vector<std::pair<CURL*, CURLcode>> done;
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(m_multi, &left)) {
        if (message->msg == CURLMSG_DONE)
            done.emplace_back(message->easy_handle, message->data.result);
    }
    for (const auto& [easy, result] : done) {
        auto it = m_running.find(easy);
        if (it == m_running.end())
            continue; // removed by an earlier report
        const Finished finished = std::move(it.value());
        m_running.erase(it);
        curl_multi_remove_handle(m_multi, easy);
        finished(easy, result);
    }
}
