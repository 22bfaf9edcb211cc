#include "tools/findmemory.h"

FindMemory& FindMemory::shared() {
    static FindMemory memory;
    return memory;
}
