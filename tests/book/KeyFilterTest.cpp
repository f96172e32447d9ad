// The key filter never forgets a key it was given and turns away nearly every other.

#include "book/KeyFilter.h"
#include "book/PositionKey.h"
#include "platform/Memory.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <vector>

namespace marvek::test {
namespace {

using TKey = std::array<uint8_t, kPositionKeyLength>;

std::vector<TKey> RandomKeys(size_t count, unsigned seed) {
    std::mt19937_64 random(seed);
    std::vector<TKey> keys(count);
    for (TKey& key : keys)
        for (uint8_t& byte : key) byte = uint8_t(random());
    return keys;
}

TEST(KeyFilterTest, KeepsEveryKeyAndTurnsAwayAlmostAllOthers) {
    // Sixteen bits a key, as an import's filter has at the end of its budget.
    const size_t count = 50000;
    TKeyFilter filter;
    EXPECT_TRUE(filter.MayHold(RandomKeys(1, 1)[0].data())) << "without memory it knows nothing";
    ASSERT_TRUE(filter.Reset(count * 2));
    std::vector<TKey> added = RandomKeys(count, 2);
    for (const TKey& key : added) filter.Add(key.data());
    for (const TKey& key : added) ASSERT_TRUE(filter.MayHold(key.data()));
    // Keys differing from an added one in a single byte are other keys.
    size_t passed = 0;
    for (TKey key : added) {
        key[kPositionKeyLength - 1] ^= 1;
        passed += filter.MayHold(key.data());
    }
    for (const TKey& key : RandomKeys(count, 3)) passed += filter.MayHold(key.data());
    EXPECT_LT(passed, 2 * count / 200) << "more than half a percent let through";

    filter.Reset(count * 2);
    EXPECT_FALSE(filter.MayHold(added[0].data())) << "a reset empties it";
}

TEST(KeyFilterTest, NoMemoryMeansNoFilter) {
    MemoryFaults().Reset();
    MemoryFaults().itsFailReserveAt = 1;
    TKeyFilter filter;
    EXPECT_FALSE(filter.Reset(1 << 20));
    EXPECT_TRUE(filter.IsEmpty());
    EXPECT_TRUE(filter.MayHold(RandomKeys(1, 4)[0].data()));
    MemoryFaults().Reset();
}

} // namespace
} // namespace marvek::test
