#include "download/pagetransfer.h"

#include "download/hostslots.h"
#include "download/plainhttpreply.h"
#include "storage/charset.h"
#include "storage/markers.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <utility>

namespace {

bool isWebAddress(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

// Failures that often go away when asked again a moment later.
bool isTransient(QNetworkReply::NetworkError error) {
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::TimeoutError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::UnknownNetworkError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::ProxyTimeoutError:
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

int retryAfterSeconds(const QNetworkReply* reply) {
    bool ok = false;
    const int seconds = reply->rawHeader("Retry-After").trimmed().toInt(&ok);
    return ok && seconds >= 0 ? seconds : -1;
}

QString hostKeyOfUrl(const QUrl& url) {
    const int port = url.port(url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0 ? 443 : 80);
    return url.host().toLower() + u':' + QString::number(port);
}

} // namespace

PageTransfer::PageTransfer(QNetworkAccessManager* nam, const FetchOptions& options, Mode mode,
                           const QString& url, const QString& referer, QObject* parent)
    : QObject(parent)
    , m_nam(nam)
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
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        delete m_reply;
    }
    if (!m_slotHost.isEmpty())
        HostSlots::release(m_slotHost);
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
    m_slotRefused = !HostSlots::tryAcquire(m_hostKey, m_options.perHostLimit);
    if (m_slotRefused)
        return false;
    m_slotHost = m_hostKey;
    send();
    return true;
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

    QNetworkRequest request(m_url);
    request.setRawHeader("User-Agent", m_options.userAgent);
    request.setRawHeader("Accept", "text/html,application/xhtml+xml,application/xml;q=0.9,image/*,*/*;q=0.8");
    request.setRawHeader("Accept-Language", "zh-CN,zh;q=0.9");
    request.setRawHeader("Referer", m_sentReferer);
    // Redirects are followed here, not by the network layer: its user-verified policy loses the answer
    // after the second hop, and this way every hop is checked for its scheme and counted.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);

    m_body.clear();
    m_abort = Abort::None;
    m_state = State::Running;
    m_reply = m_nam->get(request);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &PageTransfer::onMetaData);
    connect(m_reply, &QNetworkReply::readyRead, this, &PageTransfer::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &PageTransfer::onFinished);
}

void PageTransfer::onMetaData() {
    if (!m_reply || m_abort != Abort::None)
        return;
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
    // A redirect's own body is dropped by the network layer; only the final answer counts.
    if (!(status >= 300 && status < 400) && length.isValid() && length.toLongLong() > m_options.maxBodyBytes)
        abortRequest(Abort::Oversize);
}

void PageTransfer::onReadyRead() {
    if (!m_reply || m_abort != Abort::None)
        return;
    // What is there in one piece: readAll() grows its buffer step by step.
    if (auto* plain = qobject_cast<PlainHttpReply*>(m_reply.data()))
        m_body += plain->readAvailable();
    else
        m_body += m_reply->read(m_reply->bytesAvailable());
    if (m_body.size() > m_options.maxBodyBytes)
        abortRequest(Abort::Oversize);
}

void PageTransfer::checkTime() {
    if (m_state == State::Running && m_abort == Abort::None && m_deadline.hasExpired())
        abortRequest(Abort::Timeout);
}

void PageTransfer::stop() {
    if (m_state == State::Done)
        return;
    if (m_state == State::Running)
        abortRequest(Abort::Stop);
    else
        finish(FetchedPage::Outcome::Stopped);
}

void PageTransfer::abortRequest(Abort reason) {
    if (!m_reply)
        return;
    if (m_abort == Abort::None || reason == Abort::Stop)
        m_abort = reason;
    m_reply->abort(); // finished follows, at once or from the event loop
}

void PageTransfer::onFinished() {
    QNetworkReply* reply = m_reply;
    if (!reply)
        return;
    m_reply = nullptr;
    reply->disconnect(this);
    reply->deleteLater();
    HostSlots::release(m_slotHost);
    m_slotHost.clear();
    m_state = State::Ready;

    const Abort abort = std::exchange(m_abort, Abort::None);
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (abort == Abort::None && reply->isOpen())
        m_body += reply->read(reply->bytesAvailable());
    if (status != 0)
        m_result.status = status;

    switch (abort) {
    case Abort::Stop:
        finish(FetchedPage::Outcome::Stopped);
        break;
    case Abort::Timeout:
        retryOrFail(tr("连接超时（%1 秒）").arg(m_options.timeoutMs / 1000.0), true);
        break;
    case Abort::Oversize:
        fail(tr("页面超过 %1 MB，已放弃").arg(double(m_options.maxBodyBytes) / (1024 * 1024), 0, 'g', 3));
        break;
    case Abort::None:
        if (m_mode == Mode::Jump)
            endJump(reply, status);
        else
            endPage(reply, status);
        break;
    }
    if (m_listener)
        m_listener->requestEnded();
}

void PageTransfer::endPage(QNetworkReply* reply, int status) {
    const QNetworkReply::NetworkError error = reply->error();
    m_result.contentType = QString::fromLatin1(reply->rawHeader("Content-Type"));
    m_result.url = m_url.toString();
    if (isRedirect(status)) {
        const QString location = QString::fromUtf8(reply->rawHeader("Location")).trimmed();
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
            retryOrFail(message, false, retryAfterSeconds(reply));
        else
            fail(message);
        return;
    }
    if (error != QNetworkReply::NoError) {
        if (isTransient(error))
            retryOrFail(networkErrorText(reply), false);
        else
            fail(networkErrorText(reply));
        return;
    }
    if (status < 200 || status >= 300) {
        fail(tr("服务器返回 HTTP %1").arg(status));
        return;
    }
    // A connection reset in the middle of the body sometimes ends the reply without an error; the
    // length the server announced tells. A compressed answer's length is that of the packed bytes.
    bool hasLength = false;
    const qint64 announced = reply->rawHeader("Content-Length").trimmed().toLongLong(&hasLength);
    if (hasLength && reply->rawHeader("Content-Encoding").isEmpty() && m_body.size() < announced) {
        retryOrFail(tr("页面不完整（收到 %1 字节，应为 %2 字节）").arg(m_body.size()).arg(announced), false);
        return;
    }
    if (m_body.isEmpty()) {
        fail(tr("服务器返回空白内容"));
        return;
    }
    m_result.body = std::exchange(m_body, QByteArray());
    finish(FetchedPage::Outcome::Ok);
}

void PageTransfer::endJump(QNetworkReply* reply, int status) {
    if (isTransientStatus(status) || (status == 0 && isTransient(reply->error()))) {
        retryOrFail(status ? tr("服务器返回 HTTP %1").arg(status) : networkErrorText(reply), false,
                    retryAfterSeconds(reply));
        return;
    }
    if (!isRedirectOrOk(status)) {
        fail(status ? tr("服务器返回 HTTP %1").arg(status) : networkErrorText(reply));
        return;
    }
    QString target = QString::fromUtf8(reply->rawHeader("Location")).trimmed();
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

QString PageTransfer::networkErrorText(const QNetworkReply* reply) {
    QString text;
    switch (reply->error()) {
    case QNetworkReply::ConnectionRefusedError:
        text = tr("服务器拒绝连接");
        break;
    case QNetworkReply::RemoteHostClosedError:
        text = tr("服务器断开了连接");
        break;
    case QNetworkReply::HostNotFoundError:
        text = tr("找不到服务器");
        break;
    case QNetworkReply::TimeoutError:
        text = tr("连接超时");
        break;
    case QNetworkReply::SslHandshakeFailedError:
        text = tr("安全连接失败");
        break;
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
        text = tr("网络暂时不通");
        break;
    case QNetworkReply::ProtocolUnknownError:
        text = tr("不支持的网址");
        break;
    default:
        return reply->errorString();
    }
    return text + QStringLiteral("（") + reply->errorString() + QStringLiteral("）");
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
    if (m_listener)
        m_listener->transferDone();
}
