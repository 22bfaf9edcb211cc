#include "download/plainhttpaccess.h"

#include "download/plainhttpreply.h"

#include <QNetworkProxy>
#include <QTcpSocket>

PlainHttpAccess::PlainHttpAccess(QObject* parent)
    : QNetworkAccessManager(parent) {}

PlainHttpAccess::~PlainHttpAccess() {
    for (const QList<QTcpSocket*>& sockets : std::as_const(m_idle)) {
        for (QTcpSocket* socket : sockets)
            socket->abort();
    }
}

QNetworkReply* PlainHttpAccess::createRequest(Operation op, const QNetworkRequest& request,
                                              QIODevice* outgoingData) {
    const QUrl& url = request.url();
    const bool plain = op == GetOperation && !outgoingData &&
                       url.scheme().compare(QLatin1String("http"), Qt::CaseInsensitive) == 0 &&
                       !url.host().isEmpty() && isDirect(url);
    if (!plain)
        return QNetworkAccessManager::createRequest(op, request, outgoingData);
    return new PlainHttpReply(this, request, this);
}

bool PlainHttpAccess::isDirect(const QUrl& url) {
    // Asking the system for its proxy costs a lookup of its own; the answer is kept per host.
    const QString key = hostKey(url);
    auto known = m_direct.constFind(key);
    if (known != m_direct.constEnd())
        return *known;
    const QList<QNetworkProxy> proxies = QNetworkProxyFactory::proxyForQuery(QNetworkProxyQuery(url));
    const bool direct = proxies.isEmpty() || proxies.first().type() == QNetworkProxy::NoProxy;
    m_direct.insert(key, direct);
    return direct;
}

QString PlainHttpAccess::hostKey(const QUrl& url) {
    return url.host().toLower() + u':' + QString::number(url.port(80));
}

QTcpSocket* PlainHttpAccess::takeConnection(const QString& hostKey) {
    auto found = m_idle.find(hostKey);
    while (found != m_idle.end() && !found->isEmpty()) {
        QTcpSocket* socket = found->takeLast();
        socket->disconnect(this);
        if (socket->state() == QAbstractSocket::ConnectedState && socket->bytesAvailable() == 0)
            return socket;
        socket->abort();
        socket->deleteLater();
    }
    return nullptr;
}

void PlainHttpAccess::keepConnection(const QString& hostKey, QTcpSocket* socket) {
    QList<QTcpSocket*>& sockets = m_idle[hostKey];
    if (sockets.size() >= kMaxIdlePerHost || socket->state() != QAbstractSocket::ConnectedState) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    sockets.append(socket);
    // An idle connection that the server closes, or that receives anything, is of no further use.
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] { dropIdle(socket); });
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { dropIdle(socket); });
}

void PlainHttpAccess::dropIdle(QTcpSocket* socket) {
    for (QList<QTcpSocket*>& sockets : m_idle) {
        if (sockets.removeOne(socket)) {
            socket->disconnect(this);
            socket->abort();
            socket->deleteLater();
            return;
        }
    }
}
