#include "download/hostslots.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>

namespace {

QMutex g_mutex;
QHash<QString, int> g_open;

} // namespace

bool HostSlots::tryAcquire(const QString& host, int limit) {
    QMutexLocker lock(&g_mutex);
    int& open = g_open[host];
    if (open >= qMax(1, limit))
        return false;
    ++open;
    return true;
}

void HostSlots::release(const QString& host) {
    QMutexLocker lock(&g_mutex);
    auto it = g_open.find(host);
    if (it == g_open.end())
        return;
    if (--it.value() <= 0)
        g_open.erase(it);
}

int HostSlots::inUse(const QString& host) {
    QMutexLocker lock(&g_mutex);
    return g_open.value(host);
}
