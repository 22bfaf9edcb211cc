#include "download/processtuning.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace ProcessTuning {

void keepFreedMemory() {
#if defined(__GLIBC__)
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    mallopt(M_TOP_PAD, 64 << 20);
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
#endif
}

} // namespace ProcessTuning
