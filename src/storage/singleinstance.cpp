#include "storage/singleinstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>

SingleInstance::SingleInstance(const QString& libraryFolder, QObject* parent)
    : QObject(parent)
    , m_folder(QDir(libraryFolder).absolutePath()) {
    // Socket paths are short on Unix; a hash of the folder (and of the user's home) names it.
    const QByteArray key =
        (QDir::homePath() + u'|' + QDir(m_folder).canonicalPath() + u'|' + m_folder).toUtf8();
    m_serverName =
        QStringLiteral("quiveral-") +
        QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(20));
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::addNewAddress(const QString& commandLine) {
    const QString line = commandLine.trimmed();
    if (!line.startsWith(QLatin1String("addnew"), Qt::CaseInsensitive))
        return {};
    return line.mid(7).trimmed();
}

bool SingleInstance::tryBecomePrimary() {
    if (m_server)
        return true;
    QDir().mkpath(m_folder);
    auto lock = std::make_unique<QLockFile>(m_folder + QLatin1String("/.quiveral.lock"));
    lock->setStaleLockTime(0); // only a dead owner makes a lock stale
    if (!lock->tryLock(0))
        return false;
    m_lock = std::move(lock);

    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(m_serverName); // a socket left by a crashed owner of this lock
    if (!m_server->listen(m_serverName))
        qWarning("single instance: cannot listen on %s: %s", qPrintable(m_serverName),
                 qPrintable(m_server->errorString()));
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::onNewConnection);
    return true;
}

bool SingleInstance::isHeldElsewhere() const {
    if (m_lock)
        return false;
    QLockFile probe(m_folder + QLatin1String("/.quiveral.lock"));
    probe.setStaleLockTime(0);
    if (probe.tryLock(0)) {
        probe.unlock();
        return false;
    }
    return true;
}

bool SingleInstance::sendToPrimary(const QString& message, int timeoutMs) const {
    QElapsedTimer clock;
    clock.start();
    // The owner may have taken the lock a moment ago and not be listening yet.
    while (clock.elapsed() < timeoutMs) {
        QLocalSocket socket;
        socket.connectToServer(m_serverName);
        if (socket.waitForConnected(500)) {
            socket.write(message.toUtf8() + '\n');
            if (!socket.waitForBytesWritten(1000))
                return false;
            // The owner answers once it has taken the request.
            socket.waitForReadyRead(qMax(100, int(timeoutMs - clock.elapsed())));
            return socket.readAll().startsWith("ok");
        }
        QThread::msleep(100);
    }
    return false;
}

void SingleInstance::onNewConnection() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine())
                return;
            const QString message = QString::fromUtf8(socket->readLine()).trimmed();
            socket->write("ok\n");
            socket->flush();
            handle(message);
        });
    }
}

void SingleInstance::handle(const QString& message) {
    Q_EMIT messageReceived(message);
    Q_EMIT activationRequested();
    const QString address = addNewAddress(message);
    if (!address.isEmpty())
        Q_EMIT addNewRequested(address);
}
