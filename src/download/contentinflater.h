#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>

// Unpacks a body sent with Content-Encoding gzip or deflate, piece by piece as it arrives.
class ContentInflater {
public:
    // Any other encoding (or none) leaves the bytes as they are.
    explicit ContentInflater(QByteArrayView contentEncoding);
    ~ContentInflater();
    ContentInflater(const ContentInflater&) = delete;
    ContentInflater& operator=(const ContentInflater&) = delete;

    bool active() const { return m_kind != Kind::None; }
    // Appends the unpacked bytes to `out`; false on damaged data or when `out` would grow past `limit`
    // (a small packed body can unpack to gigabytes).
    bool inflate(QByteArrayView packed, QByteArray& out, qsizetype limit);
    QString error() const { return m_error; }

private:
    enum class Kind { None, Gzip, Deflate };
    struct Stream;

    bool start(QByteArrayView first);

    Kind m_kind = Kind::None;
    std::unique_ptr<Stream> m_stream;
    QByteArray m_head; // the first byte of a deflate body, until the second arrives
    bool m_ended = false;
    QString m_error;
};
