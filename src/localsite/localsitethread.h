#pragma once

// Runs a LocalSite on a thread of its own, for tests and tools whose code under test blocks or spins its
// own event loop. start() returns once the site listens; stop() (or the destructor) closes every connection
// on the site's thread and joins it. start(port, true) serves https.

#include <QString>
#include <QThread>

class LocalSite;

class LocalSiteThread {
public:
    explicit LocalSiteThread(const QString& folder);
    ~LocalSiteThread();
    LocalSiteThread(const LocalSiteThread&) = delete;
    LocalSiteThread& operator=(const LocalSiteThread&) = delete;

    bool start(quint16 port = 0, bool https = false);
    void stop();
    bool isRunning() const { return m_site != nullptr; }
    QString errorString() const { return m_error; }

    // Only the methods LocalSite marks "any thread" may be called on it.
    LocalSite* site() const { return m_site; }
    QString baseUrl() const;
    QString url(const QString& path) const;

private:
    QString m_folder;
    QString m_error;
    QThread m_thread;
    LocalSite* m_site = nullptr;
};
