#pragma once

#include "download/contentinflater.h"
#include "download/httpresponseparser.h"

#include <QAbstractSocket>
#include <QNetworkReply>
#include <QPointer>
#include <QTcpSocket>

#include <memory>

class PlainHttpAccess;

// One plain-HTTP GET on a kept-alive connection of PlainHttpAccess. Redirects are not followed (the
// fetcher follows them itself); a gzip or deflate body is unpacked.
class PlainHttpReply : public QNetworkReply {
    Q_OBJECT

public:
    PlainHttpReply(PlainHttpAccess* access, const QNetworkRequest& request, QObject* parent);
    ~PlainHttpReply() override;

    void abort() override;
    qint64 bytesAvailable() const override;
    bool isSequential() const override { return true; }
    // Everything read() would give now, without copying it.
    QByteArray readAvailable();

    // Unpacked bodies larger than this fail: the fetcher's own size limit is far below it.
    static constexpr qsizetype kMaxUnreadBytes = 64 * 1024 * 1024;

protected:
    qint64 readData(char* data, qint64 maxSize) override;

private:
    void connectFresh();
    void attach(QTcpSocket* socket);
    void detach();
    void sendRequest();
    QByteArray requestBytes() const;
    void onReadyRead();
    void onClosed();
    void onSocketError(QAbstractSocket::SocketError error);
    void onHead();
    // Hands the body read so far to the reader; false when the reply ended meanwhile.
    bool deliver();
    void complete();
    void finishWithError(NetworkError code, const QString& text);
    void end();

    QPointer<PlainHttpAccess> m_access;
    QString m_hostKey;
    QPointer<QTcpSocket> m_socket; // the manager owns it: it may go first when both end
    bool m_reused = false;      // the connection carried an earlier answer
    bool m_retriedFresh = false;
    qint64 m_received = 0;      // bytes of this answer
    HttpResponseParser m_parser;
    std::unique_ptr<ContentInflater> m_inflater;
    QByteArray m_unread;
    qsizetype m_readPos = 0;
    bool m_ended = false;
};
