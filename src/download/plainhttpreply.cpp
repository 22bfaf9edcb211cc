#include "download/plainhttpreply.h"

#include "download/plainhttpaccess.h"

#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QNetworkProxy>
#include <QSet>
#include <QTcpSocket>

#include <cstring>

namespace {

// Header values come from settings and addresses: a line break must not start a header of its own.
QByteArray headerValue(QByteArrayView value) {
    QByteArray clean = value.toByteArray();
    clean.replace('\r', ' ').replace('\n', ' ');
    return clean;
}

} // namespace

PlainHttpReply::PlainHttpReply(PlainHttpAccess* access, const QNetworkRequest& request, QObject* parent)
    : QNetworkReply(parent)
    , m_access(access) {
    setRequest(request);
    setUrl(request.url());
    setOperation(QNetworkAccessManager::GetOperation);
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    m_hostKey = PlainHttpAccess::hostKey(request.url());
    // On a kept connection the request is only queued for writing here, which cannot fail at once.
    // A new connection may fail while connecting, and the caller connects to the signals only after
    // this returns: it is opened from the event loop.
    if (QTcpSocket* socket = access->takeConnection(m_hostKey)) {
        m_reused = true;
        attach(socket);
        sendRequest();
        return;
    }
    QMetaObject::invokeMethod(this, &PlainHttpReply::connectFresh, Qt::QueuedConnection);
}

PlainHttpReply::~PlainHttpReply() {
    if (QTcpSocket* socket = m_socket) {
        detach();
        socket->abort();
        socket->deleteLater();
    }
}

void PlainHttpReply::connectFresh() {
    if (m_ended)
        return;
    if (!m_access) {
        finishWithError(OperationCanceledError, QStringLiteral("Operation canceled"));
        return;
    }
    m_reused = false;
    m_received = 0;
    auto* socket = new QTcpSocket(m_access);
    socket->setProxy(QNetworkProxy::NoProxy);
    attach(socket);
    connect(socket, &QTcpSocket::connected, this, [this, socket] {
        // Requests are small and each waits for its answer: sent at once, once for the connection.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        sendRequest();
    });
    socket->connectToHost(url().host(), quint16(url().port(80)));
}

void PlainHttpReply::attach(QTcpSocket* socket) {
    m_socket = socket;
    connect(socket, &QTcpSocket::readyRead, this, &PlainHttpReply::onReadyRead);
    connect(socket, &QTcpSocket::disconnected, this, &PlainHttpReply::onClosed);
    connect(socket, &QTcpSocket::errorOccurred, this, &PlainHttpReply::onSocketError);
}

void PlainHttpReply::detach() {
    if (m_socket)
        m_socket->disconnect(this);
    m_socket = nullptr;
}

void PlainHttpReply::sendRequest() {
    if (m_socket) {
        m_socket->write(requestBytes());
        // Out now rather than when the event loop next looks: the answer is what everything waits for.
        m_socket->flush();
    }
}

QByteArray PlainHttpReply::requestBytes() const {
    const QUrl address = url();
    QByteArray target = address.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment);
    if (!target.startsWith('/'))
        target.prepend('/');
    QByteArray host = address.host(QUrl::FullyEncoded).toLatin1();
    if (host.contains(':'))
        host = '[' + host + ']';
    if (address.port() != -1 && address.port() != 80)
        host += ':' + QByteArray::number(address.port());

    QByteArray out = "GET " + target + " HTTP/1.1\r\nHost: " + host + "\r\n";
    bool encodingSet = false;
    const QNetworkRequest sent = request();
    for (const QByteArray& name : sent.rawHeaderList()) {
        if (name.compare("Host", Qt::CaseInsensitive) == 0 || name.compare("Connection", Qt::CaseInsensitive) == 0)
            continue;
        encodingSet = encodingSet || name.compare("Accept-Encoding", Qt::CaseInsensitive) == 0;
        out += headerValue(name) + ": " + headerValue(sent.rawHeader(name)) + "\r\n";
    }
    if (!encodingSet)
        out += "Accept-Encoding: gzip, deflate\r\n";
    if (m_access && m_access->cookieJar()) {
        QByteArray cookies;
        for (const QNetworkCookie& cookie : m_access->cookieJar()->cookiesForUrl(address)) {
            if (!cookies.isEmpty())
                cookies += "; ";
            cookies += cookie.toRawForm(QNetworkCookie::NameAndValueOnly);
        }
        if (!cookies.isEmpty())
            out += "Cookie: " + headerValue(cookies) + "\r\n";
    }
    out += "Connection: keep-alive\r\n\r\n";
    return out;
}

void PlainHttpReply::onReadyRead() {
    while (m_socket && !m_ended && m_socket->bytesAvailable() > 0) {
        const QByteArray bytes = m_socket->read(m_socket->bytesAvailable());
        m_received += bytes.size();
        const bool hadHead = m_parser.headComplete();
        const qsizetype used = m_parser.feed(bytes);
        if (m_parser.failed()) {
            finishWithError(ProtocolFailure, m_parser.error());
            return;
        }
        if (!hadHead && m_parser.headComplete()) {
            onHead();
            if (m_ended)
                return;
        }
        if (!deliver())
            return;
        if (m_parser.done()) {
            // Bytes beyond the answer mean the connection is out of step: it is not used again.
            QTcpSocket* socket = m_socket;
            detach();
            if (used == bytes.size() && m_parser.keepAlive() && m_access)
                m_access->keepConnection(m_hostKey, socket);
            else {
                socket->abort();
                socket->deleteLater();
            }
            end();
            return;
        }
    }
}

void PlainHttpReply::onHead() {
    setAttribute(QNetworkRequest::HttpStatusCodeAttribute, m_parser.status());
    setAttribute(QNetworkRequest::HttpReasonPhraseAttribute, QString::fromLatin1(m_parser.reason()));
    QSet<QByteArray> seen;
    for (const HttpResponseParser::Header& header : m_parser.headers()) {
        if (!seen.contains(header.first.toLower())) {
            seen.insert(header.first.toLower());
            setRawHeader(header.first, m_parser.header(header.first));
        }
    }
    m_inflater = std::make_unique<ContentInflater>(m_parser.header("Content-Encoding"));
    const QByteArray setCookie = m_parser.header("Set-Cookie");
    if (!setCookie.isEmpty() && m_access && m_access->cookieJar())
        m_access->cookieJar()->setCookiesFromUrl(QNetworkCookie::parseCookies(setCookie), url());
    Q_EMIT metaDataChanged();
}

bool PlainHttpReply::deliver() {
    const QByteArray body = m_parser.takeBody();
    if (body.isEmpty() || !m_inflater)
        return !m_ended;
    if (m_readPos > 0) {
        m_unread.remove(0, m_readPos);
        m_readPos = 0;
    }
    if (!m_inflater->active() && m_unread.isEmpty())
        m_unread = body; // shared, not copied
    else if (!m_inflater->inflate(body, m_unread, kMaxUnreadBytes)) {
        finishWithError(ProtocolFailure, m_inflater->error());
        return false;
    }
    if (bytesAvailable() > 0)
        Q_EMIT readyRead();
    return !m_ended;
}

void PlainHttpReply::onClosed() {
    if (m_ended || !m_socket)
        return;
    onReadyRead(); // what arrived before the end
    if (m_ended)
        return;
    QTcpSocket* socket = m_socket;
    detach();
    socket->abort();
    socket->deleteLater();
    if (m_received == 0 && m_reused && !m_retriedFresh) {
        // The server dropped the idle connection just as it was used again: once more on a new one.
        m_retriedFresh = true;
        connectFresh();
        return;
    }
    m_parser.endOfStream();
    if (m_parser.done()) {
        if (deliver())
            end();
        return;
    }
    finishWithError(RemoteHostClosedError, m_parser.error());
}

void PlainHttpReply::onSocketError(QAbstractSocket::SocketError error) {
    if (m_ended || !m_socket)
        return;
    if (error == QAbstractSocket::RemoteHostClosedError || (m_reused && m_received == 0)) {
        onClosed();
        return;
    }
    NetworkError code = UnknownNetworkError;
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        code = ConnectionRefusedError;
        break;
    case QAbstractSocket::HostNotFoundError:
        code = HostNotFoundError;
        break;
    case QAbstractSocket::SocketTimeoutError:
        code = TimeoutError;
        break;
    default:
        break;
    }
    finishWithError(code, m_socket->errorString());
}

void PlainHttpReply::abort() {
    if (!m_ended)
        finishWithError(OperationCanceledError, QStringLiteral("Operation canceled"));
}

void PlainHttpReply::finishWithError(NetworkError code, const QString& text) {
    if (m_ended)
        return;
    if (QTcpSocket* socket = m_socket) {
        detach();
        socket->abort();
        socket->deleteLater();
    }
    setError(code, text);
    Q_EMIT errorOccurred(code);
    end();
}

void PlainHttpReply::end() {
    if (m_ended)
        return;
    m_ended = true;
    setFinished(true);
    Q_EMIT finished();
}

qint64 PlainHttpReply::bytesAvailable() const {
    return QNetworkReply::bytesAvailable() + (m_unread.size() - m_readPos);
}

QByteArray PlainHttpReply::readAvailable() {
    // Unbuffered: nothing waits in the device's own buffer.
    QByteArray bytes = m_readPos == 0 ? std::exchange(m_unread, QByteArray()) : m_unread.mid(m_readPos);
    m_unread.clear();
    m_readPos = 0;
    return bytes;
}

qint64 PlainHttpReply::readData(char* data, qint64 maxSize) {
    const qint64 count = qMin<qint64>(maxSize, m_unread.size() - m_readPos);
    if (count <= 0)
        return m_ended ? -1 : 0;
    std::memcpy(data, m_unread.constData() + m_readPos, size_t(count));
    m_readPos += count;
    if (m_readPos == m_unread.size()) {
        m_unread.clear();
        m_readPos = 0;
    }
    return count;
}
