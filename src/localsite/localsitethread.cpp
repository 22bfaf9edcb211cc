#include "localsite/localsitethread.h"

#include "localsite/localsite.h"

LocalSiteThread::LocalSiteThread(const QString& folder)
    : m_folder(folder) {
    m_thread.setObjectName(QStringLiteral("localsite"));
}

LocalSiteThread::~LocalSiteThread() {
    stop();
}

bool LocalSiteThread::start(quint16 port, bool https) {
    stop();
    m_site = new LocalSite(m_folder);
    m_site->moveToThread(&m_thread);
    // Deferred deletes still run when the thread finishes, so the site dies on its own thread.
    QObject::connect(&m_thread, &QThread::finished, m_site, &QObject::deleteLater);
    m_thread.start();
    bool listening = false;
    QMetaObject::invokeMethod(
        m_site,
        [this, port, https, &listening] {
            listening = m_site->listen(port, https);
            m_error = m_site->errorString();
        },
        Qt::BlockingQueuedConnection);
    if (!listening) {
        const QString error = m_error;
        stop();
        m_error = error;
    }
    return listening;
}

void LocalSiteThread::stop() {
    if (!m_site)
        return;
    m_thread.quit();
    m_thread.wait();
    m_site = nullptr;
    m_error.clear();
}

QString LocalSiteThread::baseUrl() const {
    return m_site ? m_site->baseUrl() : QString();
}

QString LocalSiteThread::url(const QString& path) const {
    return m_site ? m_site->url(path) : QString();
}
