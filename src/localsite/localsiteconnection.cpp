#include "localsite/localsiteconnection.h"

#include "localsite/localsite.h"

#include <QTcpSocket>

#if defined(Q_OS_LINUX)
#include <linux/sockios.h>
#include <sys/ioctl.h>
#endif
#if defined(Q_OS_UNIX)
#include <sys/socket.h>
#endif

namespace {

constexpr qsizetype kMaxHead = 64 * 1024;
constexpr qint64 kChunk = 64 * 1024;
constexpr qint64 kHighWater = 256 * 1024;

QByteArray reasonPhrase(int status) {
    switch (status) {
    case 100:
        return "Continue";
    case 200:
        return "OK";
    case 201:
        return "Created";
    case 204:
        return "No Content";
    case 206:
        return "Partial Content";
    case 300:
        return "Multiple Choices";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 303:
        return "See Other";
    case 304:
        return "Not Modified";
    case 307:
        return "Temporary Redirect";
    case 308:
        return "Permanent Redirect";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 408:
        return "Request Timeout";
    case 410:
        return "Gone";
    case 429:
        return "Too Many Requests";
    case 431:
        return "Request Header Fields Too Large";
    case 500:
        return "Internal Server Error";
    case 501:
        return "Not Implemented";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    case 504:
        return "Gateway Timeout";
    default:
        return "Status";
    }
}

bool hasToken(const QByteArray& value, const char* token) {
    for (const QByteArray& part : value.split(','))
        if (part.trimmed().compare(token, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

} // namespace

LocalSiteConnection::LocalSiteConnection(LocalSite* site, QTcpSocket* socket)
    : QObject(site)
    , m_site(site)
    , m_socket(socket)
    , m_id(site->nextConnectionId()) {
    m_socket->setParent(this);
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1); // drips must leave one by one
    m_timer.setTimerType(Qt::PreciseTimer); // a delay is never shorter than the rule says
    connect(m_socket, &QTcpSocket::readyRead, this, &LocalSiteConnection::readIncoming);
    connect(m_socket, &QTcpSocket::bytesWritten, this, &LocalSiteConnection::writeBody);
    connect(m_socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);
    if (m_socket->bytesAvailable() > 0)
        readIncoming();
}

LocalSiteConnection::~LocalSiteConnection() {
    m_socket->disconnect(this);
    m_socket->abort();
}

void LocalSiteConnection::readIncoming() {
    m_in += m_socket->readAll();
    processRequests();
}

void LocalSiteConnection::processRequests() {
    if (m_processing)
        return;
    m_processing = true;
    while (!m_busy && m_socket->state() == QAbstractSocket::ConnectedState && takeRequest()) {
        if (m_answer.hang)
            break; // the request stays unanswered; later ones on this connection wait with it
        if (m_answer.close)
            m_closeAfter = true;
        if (m_answer.delayMs > 0) {
            m_timer.disconnect(this);
            m_timer.setSingleShot(true);
            connect(&m_timer, &QTimer::timeout, this, &LocalSiteConnection::sendHead);
            m_timer.start(m_answer.delayMs);
        } else {
            sendHead();
        }
    }
    m_processing = false;
}

bool LocalSiteConnection::takeRequest() {
    if (m_discard > 0) {
        const qint64 n = qMin<qint64>(m_discard, m_in.size());
        m_in.remove(0, n);
        m_discard -= n;
        if (m_discard > 0)
            return false;
    }
    while (m_in.startsWith("\r\n") || m_in.startsWith('\n'))
        m_in.remove(0, m_in.startsWith('\n') ? 1 : 2);

    qsizetype end = m_in.indexOf("\r\n\r\n");
    qsizetype separator = 4;
    const qsizetype bareEnd = m_in.indexOf("\n\n");
    if (bareEnd >= 0 && (end < 0 || bareEnd < end)) {
        end = bareEnd;
        separator = 2;
    }
    LocalSiteRequest request;
    request.connection = m_id;
    if (end < 0) {
        if (m_in.size() <= kMaxHead)
            return false;
        m_in.clear();
        m_closeAfter = true;
        m_answer = m_site->errorAnswer(request, 431);
        m_busy = true;
        return true;
    }
    const QByteArray head = m_in.left(end);
    m_in.remove(0, end + separator);

    QList<QByteArray> lines = head.split('\n');
    for (QByteArray& line : lines)
        if (line.endsWith('\r'))
            line.chop(1);
    const QList<QByteArray> first = lines.takeFirst().split(' ');
    bool bad = first.size() != 3 || first.at(0).isEmpty() || !first.at(2).startsWith("HTTP/1.");
    if (first.size() >= 2) {
        request.method = first.at(0);
        request.target = first.at(1);
    }
    for (const QByteArray& line : std::as_const(lines)) {
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0) {
            bad = true;
            continue;
        }
        request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }

    const QByteArray connection = request.header("Connection");
    const bool http11 = first.size() == 3 && first.at(2) == "HTTP/1.1";
    m_closeAfter = http11 ? hasToken(connection, "close") : !hasToken(connection, "keep-alive");
    bool lengthOk = true;
    const QByteArray length = request.header("Content-Length");
    m_discard = length.isNull() ? 0 : length.toLongLong(&lengthOk);
    const bool chunked = !request.header("Transfer-Encoding").isNull();

    if (bad || !lengthOk || m_discard < 0) {
        m_closeAfter = true;
        m_answer = m_site->errorAnswer(request, 400);
    } else if (chunked) {
        m_closeAfter = true; // its body cannot be skipped without decoding it
        m_answer = m_site->errorAnswer(request, 501);
    } else {
        m_answer = m_site->answer(request, request.method == "HEAD");
    }
    m_busy = true;
    return true;
}

void LocalSiteConnection::sendHead() {
    QByteArray head =
        "HTTP/1.1 " + QByteArray::number(m_answer.status) + ' ' + reasonPhrase(m_answer.status) + "\r\n";
    for (const auto& [name, value] : std::as_const(m_answer.headers))
        head += name + ": " + value + "\r\n";
    if (m_answer.hasBody)
        head += "Content-Length: " + QByteArray::number(m_answer.size) + "\r\n";
    if (m_closeAfter)
        head += "Connection: close\r\n";
    head += "\r\n";
    m_socket->write(head);

    m_sent = 0;
    m_limit = m_answer.hasBody && !m_answer.headOnly ? m_answer.size : 0;
    if (m_answer.resetAfter >= 0)
        m_limit = qMin(m_limit, m_answer.resetAfter);
    if (m_limit > 0 && !m_answer.filePath.isEmpty()) {
        m_file.setFileName(m_answer.filePath);
        if (!m_file.open(QIODevice::ReadOnly))
            qWarning("localsite: cannot read %s", qPrintable(m_answer.filePath));
    }

    if (m_limit == 0) {
        bodyDone();
    } else if (m_answer.dripBytes > 0) {
        m_timer.disconnect(this);
        m_timer.setSingleShot(false);
        connect(&m_timer, &QTimer::timeout, this, &LocalSiteConnection::drip);
        m_timer.start(m_answer.dripIntervalMs);
        drip();
    } else {
        m_streaming = true;
        writeBody();
    }
}

void LocalSiteConnection::writeBody() {
    // Driven by bytesWritten, so a huge body never sits in memory at once.
    while (m_streaming && m_sent < m_limit && m_socket->bytesToWrite() < kHighWater) {
        const QByteArray chunk = bodyChunk(m_sent, qMin(kChunk, m_limit - m_sent));
        m_socket->write(chunk);
        m_sent += chunk.size();
    }
    if (m_streaming && m_sent >= m_limit) {
        m_streaming = false;
        bodyDone();
    }
}

void LocalSiteConnection::drip() {
    const QByteArray chunk = bodyChunk(m_sent, qMin<qint64>(m_answer.dripBytes, m_limit - m_sent));
    m_socket->write(chunk);
    m_socket->flush();
    m_sent += chunk.size();
    if (m_sent >= m_limit) {
        m_timer.stop();
        bodyDone();
    }
}

QByteArray LocalSiteConnection::bodyChunk(qint64 offset, qint64 length) {
    static const QByteArray filler = "<!-- filler: this page is larger than any real chapter page -->\n";
    QByteArray out;
    if (offset < m_answer.baseSize) {
        const qint64 n = qMin(length, m_answer.baseSize - offset);
        if (m_file.isOpen()) {
            m_file.seek(offset);
            out = m_file.read(n);
            if (out.size() < n) // the file shrank since the answer was decided
                out.append(n - out.size(), ' ');
        } else {
            out = m_answer.body.mid(offset, n);
        }
    }
    while (out.size() < length) {
        const qint64 at = (offset + out.size() - m_answer.baseSize) % filler.size();
        out.append(filler.constData() + at, qMin(filler.size() - at, length - out.size()));
    }
    return out;
}

void LocalSiteConnection::bodyDone() {
    m_file.close();
    if (m_answer.resetAfter >= 0 && !m_answer.headOnly) {
        m_resetPolls = 0;
        resetWhenSent();
    } else {
        finishAnswer();
    }
}

void LocalSiteConnection::finishAnswer() {
    m_busy = false;
    if (m_closeAfter) {
        m_socket->disconnectFromHost(); // after what is still buffered has gone out
        return;
    }
    processRequests();
}

void LocalSiteConnection::resetWhenSent() {
    // The bytes before the reset must reach the client: a reset drops whatever the kernel still holds.
    m_socket->flush();
    int unsent = 0;
#if defined(Q_OS_LINUX)
    if (::ioctl(int(m_socket->socketDescriptor()), SIOCOUTQ, &unsent) != 0)
        unsent = 0;
#endif
    if ((m_socket->bytesToWrite() > 0 || unsent > 0) && ++m_resetPolls < 400) {
        QTimer::singleShot(5, this, &LocalSiteConnection::resetWhenSent);
        return;
    }
#if defined(Q_OS_UNIX)
    const linger hard{1, 0}; // close with RST instead of FIN
    ::setsockopt(int(m_socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
#endif
    m_socket->abort();
}
