#include "fetch/fetchahead.h"

#include <algorithm>

FetchAhead::FetchAhead(int count, Make make, int concurrency, int window)
    : m_make(std::move(make))
    , m_concurrency(qMax(1, concurrency))
    , m_window(qMax(1, window))
    , m_transfers(size_t(qMax(0, count)))
    , m_released(size_t(qMax(0, count)), false) {}

FetchAhead::~FetchAhead() = default;

PageTransfer* FetchAhead::at(int index) {
    std::unique_ptr<PageTransfer>& transfer = m_transfers[size_t(index)];
    if (!transfer && !m_released[size_t(index)]) {
        transfer = m_make(index);
        transfer->setListener(m_listener);
    }
    return transfer.get();
}

void FetchAhead::setListener(PageTransfer::Listener* listener) {
    m_listener = listener;
    for (const auto& transfer : m_transfers)
        if (transfer)
            transfer->setListener(listener);
}

void FetchAhead::moveTo(int index) {
    for (; m_cursor < index && m_cursor < size(); ++m_cursor) {
        m_transfers[size_t(m_cursor)].reset();
        m_released[size_t(m_cursor)] = true;
    }
}

void FetchAhead::startWaiting(QSet<QString>& fullHosts, int open) {
    if (m_stopped)
        return;
    const int end = std::min(size(), m_cursor + m_window);
    for (int i = m_cursor; i < end && open < m_concurrency; ++i) {
        if (m_released[size_t(i)])
            continue;
        PageTransfer* transfer = at(i);
        if (transfer->isDone() || transfer->isRunning() || fullHosts.contains(transfer->hostKey()))
            continue;
        if (transfer->tryStart())
            ++open;
        else if (transfer->slotRefused())
            fullHosts.insert(transfer->hostKey());
    }
}

bool FetchAhead::isDone(int index) const {
    if (index < 0 || index >= size() || m_released[size_t(index)])
        return true;
    const PageTransfer* transfer = m_transfers[size_t(index)].get();
    return transfer ? transfer->isDone() : m_stopped;
}

FetchedPage FetchAhead::take(int index) {
    FetchedPage page;
    if (index < 0 || index >= size() || m_released[size_t(index)])
        return page;
    if (const PageTransfer* transfer = m_transfers[size_t(index)].get())
        page = transfer->result();
    else if (m_stopped)
        page.outcome = FetchedPage::Outcome::Stopped;
    m_transfers[size_t(index)].reset();
    m_released[size_t(index)] = true;
    return page;
}

void FetchAhead::stopAll() {
    m_stopped = true;
    for (const auto& transfer : m_transfers)
        if (transfer)
            transfer->stop();
}
