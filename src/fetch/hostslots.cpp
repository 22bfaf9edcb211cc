#include "fetch/hostslots.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>

namespace {

QMutex g_mutex;
QHash<QString, int> g_open;
QHash<int, std::function<void()>> g_wakers;
int g_nextWaker = 0;

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
    for (const auto& wake : std::as_const(g_wakers))
        wake();
}

int HostSlots::addWaker(std::function<void()> wake) {
    QMutexLocker lock(&g_mutex);
    const int key = ++g_nextWaker;
    g_wakers.insert(key, std::move(wake));
    return key;
}

void HostSlots::removeWaker(int key) {
    QMutexLocker lock(&g_mutex);
    g_wakers.remove(key);
}

int HostSlots::inUse(const QString& host) {
    QMutexLocker lock(&g_mutex);
    return g_open.value(host);
}
