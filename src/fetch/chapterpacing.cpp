#include "fetch/chapterpacing.h"

bool ChapterPacing::mayStart(const QString& host) const {
    if (m_busy.contains(host))
        return false;
    const auto ready = m_readyAt.constFind(host);
    return ready == m_readyAt.cend() || ready->hasExpired();
}

void ChapterPacing::started(const QString& host) {
    m_busy.insert(host);
}

void ChapterPacing::ended(const QString& host) {
    m_busy.remove(host);
    m_readyAt.insert(host, QDeadlineTimer(m_pauseMs, Qt::PreciseTimer));
}
