#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QPair>
#include <QString>

// Reads one HTTP/1.x answer from the bytes of a connection as they arrive, in pieces of any size.
// The body comes out without its chunk framing (still compressed when the server compressed it).
class HttpResponseParser {
public:
    enum class State { Head, Body, Done, Failed };
    using Header = QPair<QByteArray, QByteArray>;

    // Returns how many of the bytes belong to this answer; once it is Done, the rest would be the
    // start of another one.
    qsizetype feed(const char* data, qsizetype size);
    qsizetype feed(QByteArrayView bytes) { return feed(bytes.data(), bytes.size()); }
    // The connection ended: completes a body that runs until the end, fails anything else unfinished.
    void endOfStream();

    State state() const { return m_state; }
    bool headComplete() const { return m_state == State::Body || m_state == State::Done; }
    bool done() const { return m_state == State::Done; }
    bool failed() const { return m_state == State::Failed; }
    QString error() const { return m_error; }

    int status() const { return m_status; }
    QByteArray reason() const { return m_reason; }
    const QList<Header>& headers() const { return m_headers; }
    // Every value of the header (any case), joined by ", "; Set-Cookie values by line breaks.
    QByteArray header(QByteArrayView name) const;
    // The body bytes read since the last call.
    QByteArray takeBody();
    // Whether the connection may carry the next request once this answer is done.
    bool keepAlive() const { return m_keepAlive; }

    static constexpr qsizetype kMaxHeadBytes = 64 * 1024;

private:
    enum class Framing { None, Length, Chunked, UntilClose };
    enum class Step { StatusLine, HeaderLines, ChunkSize, ChunkData, ChunkEnd, Trailers, Data };

    bool inLineStep() const { return m_step != Step::ChunkData && m_step != Step::Data; }
    void onLine(QByteArrayView line);
    void onStatusLine(QByteArrayView line);
    void onHeaderLine(QByteArrayView line);
    void onHeadEnd();
    void onChunkSize(QByteArrayView line);
    void fail(const QString& error);

    State m_state = State::Head;
    Step m_step = Step::StatusLine;
    Framing m_framing = Framing::None;
    QString m_error;
    int m_status = 0;
    bool m_http10 = false;
    QByteArray m_reason;
    QList<Header> m_headers;
    QByteArray m_line;       // an unfinished line
    qsizetype m_lineBytes = 0; // head or trailer bytes so far, against kMaxHeadBytes
    qint64 m_remaining = 0;  // of the body or the chunk
    QByteArray m_body;
    bool m_keepAlive = false;
};
