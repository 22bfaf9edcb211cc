#pragma once

#include <QString>

#include <functional>

// Requests open at once to each host ("host:port"), counted across every fetcher of the process, so
// that two jobs together still keep to the limit a site tolerates.
class HostSlots {
public:
    static bool tryAcquire(const QString& host, int limit);
    static void release(const QString& host);
    static int inUse(const QString& host);

    // Called on the releasing thread whenever a slot comes free, so that a fetch waiting for one
    // starts at once instead of on its next tick (a chapter's pictures wait for the slots of the
    // chapter pages still open around them). It runs under the slots' lock: it must only post.
    static int addWaker(std::function<void()> wake);
    static void removeWaker(int key);
};
