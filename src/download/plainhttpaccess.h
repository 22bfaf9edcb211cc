#pragma once

#include <QHash>
#include <QList>
#include <QNetworkAccessManager>

class QTcpSocket;

// The network manager of the fetchers. Plain-HTTP GET requests go through our own small client,
// which runs on the manager's thread and reads whole socket buffers at a time: Qt's HTTP client
// reads every header byte with a system call of its own and hands every answer across threads,
// which made it the most expensive part of a renewal. Everything else (https, proxies, other
// methods) goes to the stock client.
class PlainHttpAccess : public QNetworkAccessManager {
    Q_OBJECT

public:
    explicit PlainHttpAccess(QObject* parent = nullptr);
    ~PlainHttpAccess() override;

    // An idle kept-alive connection to "host:port", or nullptr.
    QTcpSocket* takeConnection(const QString& hostKey);
    // A connection whose last answer is complete; it waits for the next request to that host.
    void keepConnection(const QString& hostKey, QTcpSocket* socket);
    // "host:port" of a plain-HTTP address.
    static QString hostKey(const QUrl& url);

    static constexpr int kMaxIdlePerHost = 8;

protected:
    QNetworkReply* createRequest(Operation op, const QNetworkRequest& request,
                                 QIODevice* outgoingData = nullptr) override;

private:
    void dropIdle(QTcpSocket* socket);
    // No proxy stands between this program and the address's host.
    bool isDirect(const QUrl& url);

    QHash<QString, QList<QTcpSocket*>> m_idle;
    QHash<QString, bool> m_direct;
};
