#pragma once

#include <QString>

// Requests open at once to each host ("host:port"), counted across every fetcher of the process, so
// that two jobs together still keep to the limit a site tolerates.
class HostSlots {
public:
    static bool tryAcquire(const QString& host, int limit);
    static void release(const QString& host);
    static int inUse(const QString& host);
};
