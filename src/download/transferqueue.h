#pragma once

#include <QList>
#include <QSet>
#include <QString>

#include <vector>

class PageTransfer;

// The transfers of one fetch: which were tried, which are open, where the untried ones start. Each
// pass costs the open transfers, not the thousands still waiting.
class TransferQueue {
public:
    explicit TransferQueue(const QList<PageTransfer*>& transfers);

    // Starts what may start, in request order (a retry before a new request), until `concurrency`
    // are running; hosts in fullHosts, and those found full on the way, are passed over.
    void startWaiting(int concurrency, QSet<QString> fullHosts);
    // After every transfer was stopped: all of them count as tried and are reported as they end.
    void markAllTried();
    // The tried transfers that ended since the last call, in request order; they leave the queue.
    QList<int> takeEnded();
    bool allEnded() const;
    // Ends the open requests that ran out of time.
    void checkTimes();

private:
    void addOpen(int index);

    const QList<PageTransfer*>& m_transfers;
    std::vector<int> m_nextOtherHost; // the first later transfer of another host
    std::vector<bool> m_tried;
    int m_nextUntried = 0;
    std::vector<int> m_open; // tried and not yet taken, in request order
};
