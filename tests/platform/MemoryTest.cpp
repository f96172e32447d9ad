#include <gtest/gtest.h>

#include <cstdint>
#include <utility>

#include "platform/Memory.h"

namespace marvek {
namespace {

constexpr size_t kLargePage = size_t(2) << 20;

TEST(MemoryTest, ReservationsAreClearedWholeAlignedLargePages) {
    for (size_t bytes : {size_t(1), kLargePage, kLargePage + 1}) {
        SCOPED_TRACE(bytes);
        TPageMemory memory = TPageMemory::Reserve(bytes, bytes > kLargePage);
        ASSERT_NE(memory.Get(), nullptr);
        EXPECT_EQ(memory.Size() % kLargePage, 0u);
        EXPECT_GE(memory.Size(), bytes);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(memory.Get()) % kLargePage, 0u);
        const auto* bytesSeen = static_cast<const uint8_t*>(memory.Get());
        EXPECT_EQ(bytesSeen[0] | bytesSeen[memory.Size() - 1], 0);
        TPageMemory moved = std::move(memory);
        EXPECT_EQ(memory.Get(), nullptr);
        EXPECT_EQ(moved.Size() % kLargePage, 0u);
    }
}

TEST(MemoryTest, TheChosenReservationFailsAndOnlyThatOne) {
    MemoryFaults().Reset();
    MemoryFaults().itsFailReserveAt = 2;
    TPageMemory first = TPageMemory::Reserve(100, false);
    TPageMemory second = TPageMemory::Reserve(100, false);
    TPageMemory third = TPageMemory::Reserve(100, false);
    MemoryFaults().Reset();
    EXPECT_NE(first.Get(), nullptr);
    EXPECT_EQ(second.Get(), nullptr);
    EXPECT_EQ(second.Size(), 0u);
    EXPECT_NE(third.Get(), nullptr);
    // More than the address space can hold is refused, never thrown.
    EXPECT_EQ(TPageMemory::Reserve(SIZE_MAX - 100, false).Get(), nullptr);
}

} // namespace
} // namespace marvek
