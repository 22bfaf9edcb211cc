#include "download/transferqueue.h"

#include "download/pagetransfer.h"

#include <algorithm>

TransferQueue::TransferQueue(const QList<PageTransfer*>& transfers)
    : m_transfers(transfers)
    , m_nextOtherHost(size_t(transfers.size()))
    , m_tried(size_t(transfers.size()), false) {
    // A host found full is passed over in one step, however many of its requests wait.
    const int count = int(transfers.size());
    for (int i = count - 1; i >= 0; --i) {
        const bool sameAsNext = i + 1 < count && transfers.at(i)->hostKey() == transfers.at(i + 1)->hostKey();
        m_nextOtherHost[size_t(i)] = sameAsNext ? m_nextOtherHost[size_t(i) + 1] : i + 1;
    }
}

void TransferQueue::addOpen(int index) {
    m_tried[size_t(index)] = true;
    m_open.insert(std::lower_bound(m_open.begin(), m_open.end(), index), index);
}

void TransferQueue::startWaiting(int concurrency, QSet<QString> fullHosts) {
    int running = 0;
    for (const int index : m_open)
        running += m_transfers.at(index)->isRunning() ? 1 : 0;
    // Retries of open transfers first: they are the earlier requests.
    for (const int index : m_open) {
        if (running >= concurrency)
            return;
        PageTransfer* transfer = m_transfers.at(index);
        if (transfer->isDone() || transfer->isRunning() || fullHosts.contains(transfer->hostKey()))
            continue;
        if (transfer->tryStart())
            ++running;
        else if (transfer->slotRefused())
            fullHosts.insert(transfer->hostKey());
    }
    const int count = int(m_transfers.size());
    for (int i = m_nextUntried; i < count && running < concurrency;) {
        PageTransfer* transfer = m_transfers.at(i);
        if (m_tried[size_t(i)]) {
            ++i;
            continue;
        }
        if (fullHosts.contains(transfer->hostKey())) {
            i = m_nextOtherHost[size_t(i)];
            continue;
        }
        if (transfer->tryStart()) {
            ++running;
            addOpen(i);
        } else if (transfer->isDone()) {
            addOpen(i); // failed at once (an address that is not on the web): to be reported
        } else if (transfer->slotRefused()) {
            fullHosts.insert(transfer->hostKey());
            i = m_nextOtherHost[size_t(i)];
            continue;
        }
        ++i;
    }
    while (m_nextUntried < count && m_tried[size_t(m_nextUntried)])
        ++m_nextUntried;
}

void TransferQueue::markAllTried() {
    for (int i = m_nextUntried; i < int(m_transfers.size()); ++i) {
        if (!m_tried[size_t(i)]) {
            m_tried[size_t(i)] = true;
            m_open.push_back(i);
        }
    }
    std::sort(m_open.begin(), m_open.end());
    m_nextUntried = int(m_transfers.size());
}

QList<int> TransferQueue::takeEnded() {
    QList<int> ended;
    auto keep = std::remove_if(m_open.begin(), m_open.end(), [&](int index) {
        if (!m_transfers.at(index)->isDone())
            return false;
        ended.append(index);
        return true;
    });
    m_open.erase(keep, m_open.end());
    return ended;
}

bool TransferQueue::allEnded() const {
    return m_nextUntried == int(m_transfers.size()) && m_open.empty();
}

void TransferQueue::checkTimes() {
    for (const int index : m_open)
        m_transfers.at(index)->checkTime();
}
