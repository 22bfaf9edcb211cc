#pragma once

#include "fetch/pagetransfer.h"

#include <QSet>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

// Pages asked for now and taken later, about in the order asked: the contents pages of the novels a
// renewal comes to next, fetched while it works on the one before. They take only what `concurrency`
// leaves free: one starts while fewer requests than that are open on the fetcher, its other fetches'
// included. None lies more than `window` beyond the one last asked for, so that a library of
// thousands of novels is never held at once. Driven by PageFetcher on its thread, after every other
// fetch of it.
class FetchAhead {
public:
    using Make = std::function<std::unique_ptr<PageTransfer>(int index)>;

    FetchAhead(int count, Make make, int concurrency, int window);
    ~FetchAhead();
    FetchAhead(const FetchAhead&) = delete;
    FetchAhead& operator=(const FetchAhead&) = delete;

    int size() const { return int(m_transfers.size()); }
    // Told by every transfer, those made later included; nullptr: by none.
    void setListener(PageTransfer::Listener* listener);
    // The page wanted next: the window moves up to it, and the pages before it are let go.
    void moveTo(int index);
    // Starts what may start, in order, while fewer than `concurrency` requests are open (`open` of
    // them now); hosts in fullHosts, and those found full on the way, are passed over.
    void startWaiting(QSet<QString>& fullHosts, int open);
    bool isDone(int index) const;
    // The answer, once done (Stopped after a stop); the transfer is let go.
    FetchedPage take(int index);
    // Every page ends as Stopped, and nothing starts any more.
    void stopAll();

private:
    PageTransfer* at(int index);

    Make m_make;
    int m_concurrency;
    int m_window;
    PageTransfer::Listener* m_listener = nullptr;
    std::vector<std::unique_ptr<PageTransfer>> m_transfers; // made once the window reaches them
    std::vector<bool> m_released;
    int m_cursor = 0; // the page asked for last; the window starts here
    bool m_stopped = false;
};
