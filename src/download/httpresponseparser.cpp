#include "download/httpresponseparser.h"

#include <QCoreApplication>

#include <cstring>

namespace {

constexpr qint64 kReserveLimit = 1 << 20;

QString tr(const char* text) {
    return QCoreApplication::translate("HttpResponseParser", text);
}

// A comma-separated header value holds the token (any case).
bool hasToken(QByteArrayView value, QByteArrayView token) {
    for (QByteArrayView part : value.toByteArray().split(',')) {
        if (part.trimmed().compare(token, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// Digits only: "+5", "5 5" or an overflowing number is no length.
qint64 parseLength(QByteArrayView text) {
    text = text.trimmed();
    if (text.isEmpty() || text.size() > 18)
        return -1;
    qint64 value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

qsizetype HttpResponseParser::feed(const char* data, qsizetype size) {
    qsizetype used = 0;
    while (used < size && (m_state == State::Head || m_state == State::Body)) {
        const char* at = data + used;
        const qsizetype left = size - used;
        if (inLineStep()) {
            const void* newline = std::memchr(at, '\n', size_t(left));
            const qsizetype take = newline ? static_cast<const char*>(newline) - at + 1 : left;
            m_lineBytes += take;
            if (m_lineBytes > kMaxHeadBytes) {
                fail(tr("服务器回答的头部过长"));
                return used;
            }
            used += take;
            if (!newline) {
                m_line.append(at, take);
                break;
            }
            QByteArrayView line(at, take - 1);
            if (!m_line.isEmpty()) {
                m_line.append(line);
                line = m_line;
            }
            if (line.endsWith('\r'))
                line.chop(1);
            onLine(line);
            m_line.clear();
            continue;
        }
        if (m_step == Step::Data && m_framing == Framing::UntilClose) {
            m_body.append(at, left);
            used = size;
            break;
        }
        const qsizetype take = qsizetype(qMin<qint64>(m_remaining, left));
        m_body.append(at, take);
        used += take;
        m_remaining -= take;
        if (m_remaining > 0)
            continue;
        if (m_step == Step::ChunkData) {
            m_step = Step::ChunkEnd;
        } else {
            m_state = State::Done;
        }
    }
    return used;
}

void HttpResponseParser::endOfStream() {
    if (m_state == State::Body && m_framing == Framing::UntilClose) {
        m_state = State::Done;
        return;
    }
    if (m_state == State::Head && m_step == Step::StatusLine && m_lineBytes == 0)
        fail(tr("服务器没有回答就断开了连接"));
    else if (m_state == State::Head || m_state == State::Body)
        fail(tr("服务器的回答不完整"));
}

void HttpResponseParser::onLine(QByteArrayView line) {
    switch (m_step) {
    case Step::StatusLine:
        onStatusLine(line);
        break;
    case Step::HeaderLines:
        if (line.isEmpty())
            onHeadEnd();
        else
            onHeaderLine(line);
        break;
    case Step::ChunkSize:
        m_lineBytes = 0; // the limit is per line here, a body may have any number of chunks
        onChunkSize(line);
        break;
    case Step::ChunkEnd:
        m_lineBytes = 0;
        if (!line.isEmpty())
            fail(tr("服务器回答的分块格式有误"));
        else
            m_step = Step::ChunkSize;
        break;
    case Step::Trailers:
        // Trailer fields carry nothing this program uses.
        if (line.isEmpty())
            m_state = State::Done;
        break;
    case Step::ChunkData:
    case Step::Data:
        break;
    }
}

void HttpResponseParser::onStatusLine(QByteArrayView line) {
    // Some servers send empty lines between answers.
    if (line.trimmed().isEmpty())
        return;
    // "HTTP/1.1 200 OK"; the reason may be missing.
    if (!line.startsWith("HTTP/1.") || line.size() < 12 || line.at(8) != ' ') {
        fail(tr("服务器的回答不是 HTTP"));
        return;
    }
    m_http10 = line.at(7) == '0';
    const QByteArrayView code = line.sliced(9, 3);
    int status = 0;
    for (char c : code) {
        if (c < '0' || c > '9') {
            fail(tr("服务器回答的状态码有误"));
            return;
        }
        status = status * 10 + (c - '0');
    }
    if (line.size() > 12 && line.at(12) != ' ') {
        fail(tr("服务器回答的状态码有误"));
        return;
    }
    m_status = status;
    m_reason = line.size() > 13 ? line.sliced(13).trimmed().toByteArray() : QByteArray();
    m_headers.clear();
    m_step = Step::HeaderLines;
}

void HttpResponseParser::onHeaderLine(QByteArrayView line) {
    // An old-style continuation line belongs to the header before it.
    if ((line.front() == ' ' || line.front() == '\t') && !m_headers.isEmpty()) {
        m_headers.last().second += ' ' + line.trimmed().toByteArray();
        return;
    }
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0) {
        fail(tr("服务器回答的头部有误"));
        return;
    }
    m_headers.append({line.first(colon).trimmed().toByteArray(), line.sliced(colon + 1).trimmed().toByteArray()});
}

void HttpResponseParser::onHeadEnd() {
    // An interim answer ("100 Continue") is followed by the real one.
    if (m_status >= 100 && m_status < 200 && m_status != 101) {
        m_step = Step::StatusLine;
        m_lineBytes = 0;
        return;
    }
    if (m_status == 101) {
        fail(tr("服务器要求切换协议"));
        return;
    }
    const QByteArray connection = header("Connection");
    m_keepAlive = m_http10 ? hasToken(connection, "keep-alive") : !hasToken(connection, "close");
    m_lineBytes = 0;
    m_state = State::Body;
    if (m_status == 204 || m_status == 304) {
        m_framing = Framing::None;
        m_state = State::Done;
        return;
    }
    const QByteArray coding = header("Transfer-Encoding");
    if (!coding.isEmpty()) {
        // Only chunked framing is understood; the last coding decides.
        const QList<QByteArray> codings = coding.split(',');
        if (codings.last().trimmed().compare("chunked", Qt::CaseInsensitive) != 0) {
            fail(tr("服务器回答的传输编码无法识别"));
            return;
        }
        m_framing = Framing::Chunked;
        m_step = Step::ChunkSize;
        return;
    }
    QList<QByteArray> lengths;
    for (const Header& h : std::as_const(m_headers)) {
        if (h.first.compare("Content-Length", Qt::CaseInsensitive) == 0)
            lengths += h.second.split(',');
    }
    if (lengths.isEmpty()) {
        m_framing = Framing::UntilClose;
        m_keepAlive = false;
        m_step = Step::Data;
        return;
    }
    const qint64 length = parseLength(lengths.first());
    for (const QByteArray& other : std::as_const(lengths)) {
        if (length < 0 || parseLength(other) != length) {
            fail(tr("服务器回答的内容长度有误"));
            return;
        }
    }
    m_framing = Framing::Length;
    m_remaining = length;
    m_step = Step::Data;
    // One allocation for the usual page; a claimed length is not trusted beyond that.
    m_body.reserve(qsizetype(qMin<qint64>(length, kReserveLimit)));
    if (length == 0)
        m_state = State::Done;
}

void HttpResponseParser::onChunkSize(QByteArrayView line) {
    const qsizetype extension = line.indexOf(';');
    const QByteArrayView digits = (extension >= 0 ? line.first(extension) : line).trimmed();
    if (digits.isEmpty() || digits.size() > 15) {
        fail(tr("服务器回答的分块格式有误"));
        return;
    }
    qint64 size = 0;
    for (char c : digits) {
        const int digit = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                 : -1;
        if (digit < 0) {
            fail(tr("服务器回答的分块格式有误"));
            return;
        }
        size = size * 16 + digit;
    }
    if (size == 0) {
        m_step = Step::Trailers;
        return;
    }
    m_remaining = size;
    m_step = Step::ChunkData;
}

QByteArray HttpResponseParser::header(QByteArrayView name) const {
    const bool cookie = name.compare("Set-Cookie", Qt::CaseInsensitive) == 0;
    QByteArray value;
    bool first = true;
    for (const Header& h : m_headers) {
        if (h.first.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        if (!first)
            value += cookie ? "\n" : ", ";
        value += h.second;
        first = false;
    }
    return value;
}

QByteArray HttpResponseParser::takeBody() {
    return std::exchange(m_body, QByteArray());
}

void HttpResponseParser::fail(const QString& error) {
    m_state = State::Failed;
    m_error = error;
    m_keepAlive = false;
}
