#include "fetch/pagetransfer.h"

#include "fetch/chapterpacing.h"
#include "fetch/curlmulti.h"
#include "fetch/hostslots.h"
#include "text/charset.h"
#include "text/markers.h"

#include <QFile>

#include <utility>

namespace {

bool isWebAddress(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

// Failures that often go away when asked again a moment later. A certificate that does not verify
// or a host that does not exist stays so.
bool isTransient(CURLcode result) {
    switch (result) {
    case CURLE_COULDNT_CONNECT:
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
    case CURLE_SSL_CONNECT_ERROR:
        return true;
    default:
        return false;
    }
}

bool isRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

bool isTransientStatus(int status) {
    return status == 429 || (status >= 500 && status <= 599);
}

bool isRedirectOrOk(int status) {
    // 200, 301 and 302 are what redirect-only addresses answer; the newer redirect codes mean the same.
    return status == 200 || status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

int retryAfterSeconds(const QByteArray& header) {
    bool ok = false;
    const int seconds = header.trimmed().toInt(&ok);
    return ok && seconds >= 0 ? seconds : -1;
}

QString hostKeyOfUrl(const QUrl& url) {
    const int port = url.port(url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0 ? 443 : 80);
    return url.host().toLower() + u':' + QString::number(port);
}

} // namespace

PageTransfer::PageTransfer(CurlMulti* multi, const FetchOptions& options, Mode mode, const QString& url,
                           const QString& referer)
    : m_multi(multi)
    , m_options(options)
    , m_mode(mode)
    , m_url(url.trimmed(), QUrl::TolerantMode)
    , m_address(url)
    , m_referer(referer) {
    m_startUrl = m_url;
    m_result.url = url;
    urlChanged();
}

PageTransfer::~PageTransfer() {
    closeRequest();
    if (!m_pacedHost.isEmpty())
        m_pacing->ended(m_pacedHost);
}

void PageTransfer::closeRequest() {
    if (m_easy) {
        m_multi->remove(m_easy);
        curl_easy_cleanup(m_easy);
        m_easy = nullptr;
    }
    if (!m_slotHost.isEmpty()) {
        HostSlots::release(m_slotHost);
        m_slotHost.clear();
    }
}

void PageTransfer::resolveJumpFirst(bool jumpBody) {
    m_mode = Mode::Jump;
    m_jumpBody = jumpBody;
    m_pageAfterJump = true;
}

QString PageTransfer::hostKeyOf(const QString& address) {
    return hostKeyOfUrl(QUrl(address.trimmed(), QUrl::TolerantMode));
}

void PageTransfer::urlChanged() {
    m_hostKey = hostKeyOfUrl(m_url);
    m_webAddress = isWebAddress(m_url);
}

bool PageTransfer::tryStart() {
    if (!canStartNow())
        return false;
    if (!m_webAddress) {
        fail(tr("不支持的网址：%1").arg(m_address));
        return false;
    }
    const bool paced = m_pacing && m_pacedHost.isEmpty();
    m_slotRefused = false;
    if (paced && !m_pacing->mayStart(m_hostKey))
        return false;
    m_slotRefused = !HostSlots::tryAcquire(m_hostKey, m_options.perHostLimit);
    if (m_slotRefused)
        return false;
    m_slotHost = m_hostKey;
    if (paced) {
        m_pacedHost = m_hostKey;
        m_pacing->started(m_pacedHost);
    }
    send();
    return m_state == State::Running;
}

void PageTransfer::send() {
    if (!m_hop) {
        // A new try starts the clock and the redirect count; the hops of one chain share them.
        m_deadline = QDeadlineTimer(m_options.timeoutMs);
        m_redirects = 0;
        const QUrl referer = m_referer.isEmpty() ? m_url : QUrl(m_referer.trimmed(), QUrl::TolerantMode);
        m_sentReferer = referer.toEncoded();
    }
    m_hop = false;

    m_easy = curl_easy_init();
    CURL* easy = m_easy;
    m_multi->prepare(easy);
    curl_easy_setopt(easy, CURLOPT_URL, m_url.toEncoded().constData());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, m_options.userAgent.constData());
    curl_easy_setopt(easy, CURLOPT_REFERER, m_sentReferer.constData());
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, ""); // every coding this libcurl unpacks
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &PageTransfer::onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(m_options.maxBodyBytes));
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, long(qMax<qint64>(1, m_deadline.remainingTime())));
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, m_curlError);
    if (!m_options.caFile.isEmpty())
        curl_easy_setopt(easy, CURLOPT_CAINFO, QFile::encodeName(m_options.caFile).constData());

    m_body.clear();
    m_oversize = false;
    m_curlError[0] = '\0';
    m_state = State::Running;
    if (!m_multi->add(easy, [this](CURL*, CURLcode result) { requestEnded(result); })) {
        closeRequest();
        m_state = State::Ready;
        fail(tr("无法发出请求"));
    }
}

size_t PageTransfer::onBody(char* data, size_t size, size_t count, void* self) {
    auto* transfer = static_cast<PageTransfer*>(self);
    const size_t bytes = size * count;
    if (transfer->m_body.size() + qint64(bytes) > transfer->m_options.maxBodyBytes) {
        transfer->m_oversize = true;
        return 0; // ends the transfer
    }
    transfer->m_body.append(data, qsizetype(bytes));
    return bytes;
}

void PageTransfer::stop() {
    if (m_state == State::Done)
        return;
    const bool running = m_state == State::Running;
    closeRequest();
    finish(FetchedPage::Outcome::Stopped);
    if (running && m_listener)
        m_listener->requestEnded();
}

QByteArray PageTransfer::header(const char* name) const {
    curl_header* found = nullptr;
    if (curl_easy_header(m_easy, name, 0, CURLH_HEADER, -1, &found) != CURLHE_OK)
        return {};
    return QByteArray(found->value);
}

void PageTransfer::requestEnded(CURLcode result) {
    // The handle has left the multi handle; it is read here and let go below.
    if (!m_slotHost.isEmpty()) {
        HostSlots::release(m_slotHost);
        m_slotHost.clear();
    }
    m_state = State::Ready;
    long status = 0;
    curl_easy_getinfo(m_easy, CURLINFO_RESPONSE_CODE, &status);
    if (status != 0)
        m_result.status = int(status);

    if (m_oversize || result == CURLE_FILESIZE_EXCEEDED)
        fail(tr("页面超过 %1 MB，已放弃").arg(double(m_options.maxBodyBytes) / (1024 * 1024), 0, 'g', 3));
    else if (result == CURLE_OPERATION_TIMEDOUT)
        retryOrFail(tr("连接超时（%1 秒）").arg(m_options.timeoutMs / 1000.0), true);
    else if (m_mode == Mode::Jump)
        endJump(result, int(status));
    else
        endPage(result, int(status));

    curl_easy_cleanup(m_easy);
    m_easy = nullptr;
    if (m_listener)
        m_listener->requestEnded();
}

void PageTransfer::endPage(CURLcode result, int status) {
    const char* contentType = nullptr;
    curl_easy_getinfo(m_easy, CURLINFO_CONTENT_TYPE, &contentType);
    m_result.contentType = QString::fromLatin1(contentType);
    m_result.url = m_url.toString();
    if (isRedirect(status)) {
        const QString location = QString::fromUtf8(header("Location")).trimmed();
        if (location.isEmpty())
            fail(tr("服务器返回 HTTP %1").arg(status));
        else
            followRedirect(location);
        return;
    }
    if (status >= 400) {
        // An error page is no chapter: it is never handed on as the page.
        const QString message = tr("服务器返回 HTTP %1").arg(status);
        if (isTransientStatus(status))
            retryOrFail(message, false, retryAfterSeconds(header("Retry-After")));
        else
            fail(message);
        return;
    }
    if (result != CURLE_OK) {
        if (isTransient(result))
            retryOrFail(errorText(result), false);
        else
            fail(errorText(result));
        return;
    }
    if (status < 200 || status >= 300) {
        fail(tr("服务器返回 HTTP %1").arg(status));
        return;
    }
    if (m_body.isEmpty()) {
        fail(tr("服务器返回空白内容"));
        return;
    }
    m_result.body = std::exchange(m_body, QByteArray());
    finish(FetchedPage::Outcome::Ok);
}

void PageTransfer::endJump(CURLcode result, int status) {
    if (isTransientStatus(status) || (status == 0 && isTransient(result))) {
        retryOrFail(status ? tr("服务器返回 HTTP %1").arg(status) : errorText(result), false,
                    retryAfterSeconds(header("Retry-After")));
        return;
    }
    if (!isRedirectOrOk(status)) {
        fail(status ? tr("服务器返回 HTTP %1").arg(status) : errorText(result));
        return;
    }
    QString target = QString::fromUtf8(header("Location")).trimmed();
    if (target.isEmpty() && m_jumpBody) {
        QString charset = QStringLiteral("gb2312");
        target =
            getTextBetween(bytesToText(m_body, charset), QStringLiteral("location=\""), QStringLiteral("\""));
    }
    m_jumpTarget = target;
    if (m_pageAfterJump) {
        startPagePhase();
        return;
    }
    if (target.isEmpty())
        fail(tr("没有跳转地址"));
    else
        finish(FetchedPage::Outcome::Ok);
}

void PageTransfer::followRedirect(const QString& location) {
    const QUrl target = m_url.resolved(QUrl(location, QUrl::TolerantMode));
    if (!isWebAddress(target)) {
        fail(tr("不支持的网址：%1").arg(target.toString()));
        return;
    }
    if (++m_redirects > m_options.maxRedirects) {
        fail(tr("重定向次数过多"));
        return;
    }
    m_url = target;
    urlChanged();
    m_hop = true;
    m_readyAt = QDeadlineTimer(0);
    m_state = State::Ready;
}

QString PageTransfer::errorText(CURLcode result) const {
    const QString detail = QString::fromLocal8Bit(m_curlError[0] ? m_curlError : curl_easy_strerror(result));
    QString text;
    switch (result) {
    case CURLE_COULDNT_CONNECT:
        text = tr("服务器拒绝连接");
        break;
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
        text = tr("服务器断开了连接");
        break;
    case CURLE_PARTIAL_FILE: {
        curl_off_t received = 0;
        curl_off_t announced = -1;
        curl_easy_getinfo(m_easy, CURLINFO_SIZE_DOWNLOAD_T, &received);
        curl_easy_getinfo(m_easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
        if (announced >= 0)
            return tr("页面不完整（收到 %1 字节，应为 %2 字节）").arg(received).arg(announced);
        text = tr("页面不完整");
        break;
    }
    case CURLE_COULDNT_RESOLVE_HOST:
        text = tr("找不到服务器");
        break;
    case CURLE_COULDNT_RESOLVE_PROXY:
        text = tr("找不到代理服务器");
        break;
    case CURLE_PEER_FAILED_VERIFICATION:
        text = tr("安全连接失败：服务器的证书无法验证");
        break;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
        text = tr("安全连接失败");
        break;
    case CURLE_UNSUPPORTED_PROTOCOL: // the scheme was checked before: the answer was no HTTP
    case CURLE_WEIRD_SERVER_REPLY:
        text = tr("服务器的回答不是 HTTP");
        break;
    case CURLE_BAD_CONTENT_ENCODING:
        text = tr("页面压缩数据已损坏");
        break;
    default:
        return detail;
    }
    return text + QStringLiteral("（") + detail + QStringLiteral("）");
}

void PageTransfer::startPagePhase() {
    // The target may be relative to the redirecting address; without one the address itself is fetched,
    // which follows whatever redirect it answers.
    if (!m_jumpTarget.isEmpty())
        m_url = m_url.resolved(QUrl(m_jumpTarget, QUrl::TolerantMode));
    urlChanged();
    m_result.url = m_url.toString();
    m_startUrl = m_url;
    m_mode = Mode::Page;
    m_pageAfterJump = false;
    m_tries = 0;
    m_timeoutTries = 0;
    m_readyAt = QDeadlineTimer(0);
    m_state = State::Ready;
}

void PageTransfer::retryOrFail(const QString& error, bool timeout, int retryAfter) {
    int& used = timeout ? m_timeoutTries : m_tries;
    const int allowed = timeout ? m_options.timeoutRetries : m_options.retries;
    if (used >= allowed) {
        const int tried = m_tries + m_timeoutTries;
        fail(tried > 0 ? error + tr("（已重试 %1 次）").arg(tried) : error);
        return;
    }
    ++used;
    m_url = m_startUrl; // a redirect target may have been for that one try only
    urlChanged();
    const int attempt = m_tries + m_timeoutTries;
    qint64 pause = qint64(m_options.retryDelayMs) << qMin(attempt - 1, 16);
    if (retryAfter >= 0)
        pause = qint64(retryAfter) * 1000;
    m_readyAt = QDeadlineTimer(qMin<qint64>(pause, m_options.maxRetryDelayMs));
    m_state = State::Ready;
}

void PageTransfer::fail(const QString& error) {
    if (m_mode == Mode::Jump && m_pageAfterJump) {
        m_jumpTarget.clear();
        startPagePhase();
        return;
    }
    m_result.error = error;
    finish(FetchedPage::Outcome::Failed);
}

void PageTransfer::finish(FetchedPage::Outcome outcome) {
    m_result.outcome = outcome;
    if (outcome != FetchedPage::Outcome::Ok)
        m_result.body.clear();
    if (outcome == FetchedPage::Outcome::Stopped)
        m_result.error = tr("已停止");
    m_state = State::Done;
    if (!m_pacedHost.isEmpty())
        m_pacing->ended(std::exchange(m_pacedHost, QString()));
    if (m_listener)
        m_listener->transferDone();
}
