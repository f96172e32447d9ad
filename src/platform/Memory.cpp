#include "platform/Memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace marvek {

namespace {

constexpr size_t kLargePage = size_t(2) << 20;

TMemoryFaults gFaults;

} // namespace

int64_t PhysicalMemoryBytes() {
    long pages = ::sysconf(_SC_PHYS_PAGES);
    long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0) return 0;
    return int64_t(pages) * int64_t(pageSize);
}

TMemoryFaults& MemoryFaults() {
    return gFaults;
}

TPageMemory TPageMemory::Reserve(size_t bytes, bool largePages) {
    TPageMemory result;
    ++gFaults.itsReserves;
    if (gFaults.itsFailReserveAt > 0 && gFaults.itsReserves == gFaults.itsFailReserveAt) return result;
    if (bytes > SIZE_MAX - 2 * kLargePage) return result;
    // A mapping one large page longer than asked for holds an aligned run; the rest goes back.
    bytes = (bytes + kLargePage - 1) & ~(kLargePage - 1);
    void* mapping =
        ::mmap(nullptr, bytes + kLargePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED) return result;
    auto begin = reinterpret_cast<uintptr_t>(mapping);
    auto aligned = (begin + kLargePage - 1) & ~(uintptr_t(kLargePage) - 1);
    if (aligned > begin) ::munmap(mapping, aligned - begin);
    uintptr_t end = begin + bytes + kLargePage;
    if (end > aligned + bytes) ::munmap(reinterpret_cast<void*>(aligned + bytes), end - (aligned + bytes));
    result.itsMemory = reinterpret_cast<void*>(aligned);
    result.itsBytes = bytes;
    // The kernel's work of clearing and gathering large pages repays only for memory read at
    // random often enough; the caller knows which that is.
    if (largePages) ::madvise(result.itsMemory, result.itsBytes, MADV_HUGEPAGE);
    return result;
}

TPageMemory::~TPageMemory() {
    Release();
}

TPageMemory::TPageMemory(TPageMemory&& other) noexcept
    : itsMemory(other.itsMemory), itsBytes(other.itsBytes) {
    other.itsMemory = nullptr;
    other.itsBytes = 0;
}

TPageMemory& TPageMemory::operator=(TPageMemory&& other) noexcept {
    if (this != &other) {
        Release();
        itsMemory = other.itsMemory;
        itsBytes = other.itsBytes;
        other.itsMemory = nullptr;
        other.itsBytes = 0;
    }
    return *this;
}

void TPageMemory::Release() {
    if (itsMemory != nullptr) ::munmap(itsMemory, itsBytes);
    itsMemory = nullptr;
    itsBytes = 0;
}

} // namespace marvek
