#include "renewal/processtuning.h"

#include <QThread>

#if defined(__GLIBC__)
#include <malloc.h>
#endif
#if defined(Q_OS_LINUX)
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace ProcessTuning {

void keepFreedMemory() {
#if defined(__GLIBC__)
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    mallopt(M_TOP_PAD, 64 << 20);
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
#endif
}

void yieldTo(const QThread* keep) {
    thread_local bool lowered = false;
    if (lowered || QThread::currentThread() == keep)
        return;
    lowered = true;
#if defined(Q_OS_LINUX)
    // On Linux the nice value is per thread; raising it needs no privilege.
    const id_t thread = id_t(gettid());
    errno = 0;
    const int current = getpriority(PRIO_PROCESS, thread);
    if (errno == 0)
        setpriority(PRIO_PROCESS, thread, qMin(19, current + 10));
#endif
}

} // namespace ProcessTuning
