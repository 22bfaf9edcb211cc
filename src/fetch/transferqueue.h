#pragma once

#include "fetch/pagetransfer.h"

#include <QList>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

// The transfers of one fetch: which were tried, which are open, where the untried ones start. A
// transfer is made when the queue first reaches it and, when its answer is not kept, let go once it
// was reported: a renewal lists thousands, and its first request should not wait for all of them.
// Each pass costs the open transfers, not the thousands still waiting.
class TransferQueue {
public:
    using Make = std::function<std::unique_ptr<PageTransfer>(int index)>;

    // hostKeys: PageTransfer::hostKeyOf each address, one per transfer.
    TransferQueue(QStringList hostKeys, Make make);
    ~TransferQueue();
    TransferQueue(const TransferQueue&) = delete;
    TransferQueue& operator=(const TransferQueue&) = delete;

    int size() const { return int(m_hostKeys.size()); }
    // The transfer, made now if it was not yet; nullptr once let go.
    PageTransfer* at(int index);
    // Lets go of a transfer that was reported.
    void release(int index);
    // Told by every transfer, those made later included; nullptr: by none.
    void setListener(PageTransfer::Listener* listener);

    // Starts what may start, in request order (a retry before a new request), until `concurrency`
    // are running; hosts in fullHosts, and those found full on the way (added to it), are passed over.
    void startWaiting(int concurrency, QSet<QString>& fullHosts);
    // The hosts of transfers that wait for a free slot only (those not made yet included).
    void addWaitingHosts(QSet<QString>& hosts) const;
    // Stops every transfer; all of them count as tried and are reported as they end.
    void stopAll();
    // The tried transfers that ended since the last call, in request order; they leave the queue.
    QList<int> takeEnded();
    bool allEnded() const;

private:
    void addOpen(int index);
    bool isUnmade(int index) const { return !m_made[size_t(index)] && !m_released[size_t(index)]; }

    QStringList m_hostKeys;
    Make m_make;
    PageTransfer::Listener* m_listener = nullptr;
    std::vector<std::unique_ptr<PageTransfer>> m_made;
    std::vector<bool> m_released;
    std::vector<int> m_nextOtherHost; // the first later transfer of another host
    std::vector<bool> m_tried;
    int m_nextUntried = 0;
    std::vector<int> m_open; // tried and not yet taken, in request order
};
