#include "fetch/transferqueue.h"

#include <algorithm>

TransferQueue::TransferQueue(QStringList hostKeys, Make make)
    : m_hostKeys(std::move(hostKeys))
    , m_make(std::move(make))
    , m_made(size_t(m_hostKeys.size()))
    , m_released(size_t(m_hostKeys.size()), false)
    , m_nextOtherHost(size_t(m_hostKeys.size()))
    , m_tried(size_t(m_hostKeys.size()), false) {
    // A host found full is passed over in one step, however many of its requests wait.
    const int count = size();
    for (int i = count - 1; i >= 0; --i) {
        const bool sameAsNext = i + 1 < count && m_hostKeys.at(i) == m_hostKeys.at(i + 1);
        m_nextOtherHost[size_t(i)] = sameAsNext ? m_nextOtherHost[size_t(i) + 1] : i + 1;
    }
}

TransferQueue::~TransferQueue() = default;

PageTransfer* TransferQueue::at(int index) {
    std::unique_ptr<PageTransfer>& transfer = m_made[size_t(index)];
    if (!transfer && !m_released[size_t(index)]) {
        transfer = m_make(index);
        transfer->setListener(m_listener);
    }
    return transfer.get();
}

void TransferQueue::release(int index) {
    m_made[size_t(index)].reset();
    m_released[size_t(index)] = true;
}

void TransferQueue::setListener(PageTransfer::Listener* listener) {
    m_listener = listener;
    for (const auto& transfer : m_made)
        if (transfer)
            transfer->setListener(listener);
}

void TransferQueue::addOpen(int index) {
    m_tried[size_t(index)] = true;
    m_open.insert(std::lower_bound(m_open.begin(), m_open.end(), index), index);
}

void TransferQueue::startWaiting(int concurrency, QSet<QString>& fullHosts) {
    int running = 0;
    for (const int index : m_open)
        running += m_made[size_t(index)]->isRunning() ? 1 : 0;
    // Retries of open transfers first: they are the earlier requests.
    for (const int index : m_open) {
        if (running >= concurrency)
            return;
        PageTransfer* transfer = m_made[size_t(index)].get();
        if (transfer->isDone() || transfer->isRunning() || fullHosts.contains(transfer->hostKey()))
            continue;
        if (transfer->tryStart())
            ++running;
        else if (transfer->slotRefused())
            fullHosts.insert(transfer->hostKey());
    }
    const int count = size();
    for (int i = m_nextUntried; i < count && running < concurrency;) {
        if (m_tried[size_t(i)]) {
            ++i;
            continue;
        }
        if (fullHosts.contains(m_hostKeys.at(i))) {
            i = m_nextOtherHost[size_t(i)];
            continue;
        }
        PageTransfer* transfer = at(i);
        if (transfer->tryStart()) {
            ++running;
            addOpen(i);
        } else if (transfer->isDone()) {
            addOpen(i); // failed at once (an address that is not on the web): to be reported
        } else if (transfer->slotRefused()) {
            fullHosts.insert(m_hostKeys.at(i));
            i = m_nextOtherHost[size_t(i)];
            continue;
        }
        ++i;
    }
    while (m_nextUntried < count && m_tried[size_t(m_nextUntried)])
        ++m_nextUntried;
}

void TransferQueue::addWaitingHosts(QSet<QString>& hosts) const {
    for (int i = 0; i < size(); ++i) {
        if (const PageTransfer* transfer = m_made[size_t(i)].get()) {
            if (transfer->canStartNow())
                hosts.insert(transfer->hostKey());
        } else if (isUnmade(i)) {
            hosts.insert(m_hostKeys.at(i));
        }
    }
}

void TransferQueue::stopAll() {
    // The ones not made yet are made to be stopped: each is reported, as Stopped.
    for (int i = 0; i < size(); ++i)
        if (PageTransfer* transfer = m_tried[size_t(i)] ? m_made[size_t(i)].get() : at(i))
            transfer->stop();
    for (int i = m_nextUntried; i < size(); ++i) {
        if (!m_tried[size_t(i)]) {
            m_tried[size_t(i)] = true;
            m_open.push_back(i);
        }
    }
    std::sort(m_open.begin(), m_open.end());
    m_nextUntried = size();
}

QList<int> TransferQueue::takeEnded() {
    QList<int> ended;
    auto keep = std::remove_if(m_open.begin(), m_open.end(), [&](int index) {
        if (!m_made[size_t(index)]->isDone())
            return false;
        ended.append(index);
        return true;
    });
    m_open.erase(keep, m_open.end());
    return ended;
}

bool TransferQueue::allEnded() const {
    return m_nextUntried == size() && m_open.empty();
}
