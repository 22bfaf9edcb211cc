#pragma once

#include <QDeadlineTimer>
#include <QHash>
#include <QSet>
#include <QString>

// DelayTime ("每章下载后等待"): the chapter pages of one host come one at a time, the next one only
// after the pause that follows the end of the one before; other hosts are not held up. One per
// fetcher, used on its thread only; it outlives the transfers that hold a host.
class ChapterPacing {
public:
    explicit ChapterPacing(int pauseMs)
        : m_pauseMs(pauseMs) {}

    bool isActive() const { return m_pauseMs > 0; }
    // No chapter of the host is on its way and its pause is over.
    bool mayStart(const QString& host) const;
    void started(const QString& host);
    // The chapter ended (fetched, failed or stopped): its host's pause starts now.
    void ended(const QString& host);

private:
    int m_pauseMs;
    QSet<QString> m_busy;
    QHash<QString, QDeadlineTimer> m_readyAt;
};
