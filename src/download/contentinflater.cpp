#include "download/contentinflater.h"

#include <QCoreApplication>

#include <zlib.h>

struct ContentInflater::Stream {
    z_stream z{};
    ~Stream() { inflateEnd(&z); }
};

ContentInflater::ContentInflater(QByteArrayView contentEncoding) {
    const QByteArrayView encoding = contentEncoding.trimmed();
    if (encoding.compare("gzip", Qt::CaseInsensitive) == 0 || encoding.compare("x-gzip", Qt::CaseInsensitive) == 0)
        m_kind = Kind::Gzip;
    else if (encoding.compare("deflate", Qt::CaseInsensitive) == 0)
        m_kind = Kind::Deflate;
}

ContentInflater::~ContentInflater() = default;

bool ContentInflater::start(QByteArrayView first) {
    int windowBits = 16 + MAX_WBITS;
    if (m_kind == Kind::Deflate) {
        // "deflate" should carry a zlib header, but many servers send the bare stream.
        const bool zlibHeader = first.size() >= 2 && (uchar(first[0]) & 0x0F) == 8 &&
                                ((uchar(first[0]) << 8) | uchar(first[1])) % 31 == 0;
        windowBits = zlibHeader ? MAX_WBITS : -MAX_WBITS;
    }
    m_stream = std::make_unique<Stream>();
    return inflateInit2(&m_stream->z, windowBits) == Z_OK;
}

bool ContentInflater::inflate(QByteArrayView packed, QByteArray& out, qsizetype limit) {
    if (!active()) {
        out.append(packed);
        return true;
    }
    if (m_ended || packed.isEmpty())
        return true; // whatever follows the end of the packed stream is not part of the page
    QByteArray joined;
    if (!m_stream) {
        // Telling the two kinds of deflate apart takes the first two bytes, which may come apart.
        if (m_kind == Kind::Deflate && m_head.size() + packed.size() < 2) {
            m_head += packed;
            return true;
        }
        if (!m_head.isEmpty()) {
            joined = m_head + packed;
            packed = joined;
            m_head.clear();
        }
        if (!start(packed)) {
            m_error = QCoreApplication::translate("ContentInflater", "无法解压服务器的回答");
            return false;
        }
    }
    z_stream& z = m_stream->z;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    z.avail_in = uInt(packed.size());
    char buffer[64 * 1024];
    do {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        const int result = ::inflate(&z, Z_NO_FLUSH);
        if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR) {
            m_error = QCoreApplication::translate("ContentInflater", "服务器回答的压缩内容已损坏");
            return false;
        }
        const qsizetype produced = qsizetype(sizeof buffer - z.avail_out);
        if (out.size() + produced > limit) {
            m_error = QCoreApplication::translate("ContentInflater", "解压后的内容过大");
            return false;
        }
        out.append(buffer, produced);
        m_ended = result == Z_STREAM_END;
        if (result == Z_BUF_ERROR && produced == 0)
            break;
    } while (!m_ended && (z.avail_in > 0 || z.avail_out == 0));
    return true;
}
