#include "platform/Memory.h"

#include <unistd.h>

namespace marvek {

int64_t PhysicalMemoryBytes() {
    long pages = ::sysconf(_SC_PHYS_PAGES);
    long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return 0;
    return int64_t(pages) * int64_t(pageSize);
}

} // namespace marvek
