#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;

// One program per library folder. The first instance holds a lock file in the folder and listens on
// a local socket; a later one hands its request ("addnew <address>", or just "activate") to it and
// ends.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    explicit SingleInstance(const QString& libraryFolder, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process now owns the library (and listens for requests).
    bool tryBecomePrimary();
    // Whether another process holds the library right now (without taking it).
    bool isHeldElsewhere() const;
    // Delivers one request to the running instance; false when none answered.
    bool sendToPrimary(const QString& message, int timeoutMs = 3000) const;

    QString serverName() const { return m_serverName; }

    // "addnew <address>" in any letter case gives the address (from the eighth character on).
    static QString addNewAddress(const QString& commandLine);

Q_SIGNALS:
    void messageReceived(const QString& message);
    void addNewRequested(const QString& address);
    void activationRequested();

private:
    class Lock;

    void onNewConnection();
    void handle(const QString& message);
    QString lockPath() const;

    QString m_folder;
    QString m_serverName;
    std::unique_ptr<Lock> m_lock;
    QLocalServer* m_server = nullptr;
};
