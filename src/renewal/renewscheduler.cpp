#include "renewal/renewscheduler.h"

RenewScheduler::RenewScheduler(QObject* parent)
    : QObject(parent) {
    connect(&m_timer, &QTimer::timeout, this, &RenewScheduler::tick);
}

void RenewScheduler::setIntervalTime(const QString& minutes) {
    bool ok = false;
    const int value = minutes.trimmed().toInt(&ok);
    m_interval = ok && value > 0 ? value : 0;
    if (m_counter >= m_interval)
        m_counter = 0;
}

void RenewScheduler::start(int tickMs) {
    m_timer.start(tickMs);
}

void RenewScheduler::stop() {
    m_timer.stop();
}

void RenewScheduler::tick() {
    if (m_interval <= 0)
        return;
    if (m_waitingForOwnRun) {
        if (busy())
            return;
        m_waitingForOwnRun = false;
    }
    if (++m_counter < m_interval)
        return;
    m_counter = 0;
    if (busy())
        return;
    m_waitingForOwnRun = true;
    Q_EMIT renewAllDue();
}
