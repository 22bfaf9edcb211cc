#include "storage/singleinstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#else
#include <QFileInfo>
#include <QLockFile>
#include <optional>
#endif

// The kernel's lock on a file in the folder (flock): it goes with its owner however that ends, and
// taking it writes nothing that must reach the disk first (QLockFile syncs its file: milliseconds on
// every start).
class SingleInstance::Lock {
public:
    explicit Lock(const QString& path)
        : m_path(path) {}
    ~Lock() {
#if defined(Q_OS_UNIX)
        if (m_fd >= 0)
            ::close(m_fd); // lets the lock go; the file stays for the next owner
#endif
    }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

    // own false: only looks (a missing file means nobody holds the lock); nothing is made or written.
    bool tryLock(bool own) {
#if defined(Q_OS_UNIX)
        const QByteArray name = QFile::encodeName(m_path);
        m_fd = ::open(name.constData(), O_CLOEXEC | (own ? O_RDWR | O_CREAT : O_RDONLY), 0644);
        if (m_fd < 0)
            return !own && errno == ENOENT;
        if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(m_fd);
            m_fd = -1;
            return false;
        }
        // Who holds it, for whoever looks; the lock holds without it.
        if (own && ::ftruncate(m_fd, 0) == 0) {
            const QByteArray pid = QByteArray::number(qint64(::getpid())) + '\n';
            const ssize_t written = ::pwrite(m_fd, pid.constData(), size_t(pid.size()), 0);
            Q_UNUSED(written);
        }
        return true;
#else
        if (!own && !QFileInfo::exists(m_path))
            return true;
        m_file.emplace(m_path);
        m_file->setStaleLockTime(0); // only a dead owner makes a lock stale
        return m_file->tryLock(0);
#endif
    }

private:
    QString m_path;
#if defined(Q_OS_UNIX)
    int m_fd = -1;
#else
    std::optional<QLockFile> m_file;
#endif
};

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
    auto lock = std::make_unique<Lock>(lockPath());
    if (!lock->tryLock(true))
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
    Lock probe(lockPath());
    return !probe.tryLock(false);
}

QString SingleInstance::lockPath() const {
    return m_folder + QLatin1String("/.quiveral.lock");
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
