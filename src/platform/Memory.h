#pragma once

#include <cstddef>
#include <cstdint>

// Memory straight from the system, for the large tables of an import. Calls never throw: a
// reservation the system refuses comes back empty. Tests can make the n-th reservation fail,
// which is how running out of memory is exercised without exhausting the machine.

namespace marvek {

// The computer's physical memory in bytes; 0 when the system does not say.
int64_t PhysicalMemoryBytes();

// Cleared memory in whole large pages, aligned to them and, when asked for, on them: a table
// read all over spares most reads a page-table walk that way. Given back when the object goes.
class TPageMemory {
public:
    TPageMemory() = default;
    ~TPageMemory();
    TPageMemory(const TPageMemory&) = delete;
    TPageMemory& operator=(const TPageMemory&) = delete;
    TPageMemory(TPageMemory&& other) noexcept;
    TPageMemory& operator=(TPageMemory&& other) noexcept;

    // At least `bytes`; empty (Get() is nullptr) when the system has not got them.
    static TPageMemory Reserve(size_t bytes, bool largePages);

    void* Get() const { return itsMemory; }
    // What is held, rounded up to whole large pages.
    size_t Size() const { return itsBytes; }

private:
    void Release();

    void* itsMemory = nullptr;
    size_t itsBytes = 0;
};

// Test seam: counts reservations and fails the chosen one. A count of 0 means "never fail".
// The counter counts from the last Reset.
struct TMemoryFaults {
    int itsFailReserveAt = 0;
    int itsReserves = 0;

    void Reset() { *this = TMemoryFaults(); }
};

TMemoryFaults& MemoryFaults();

} // namespace marvek
