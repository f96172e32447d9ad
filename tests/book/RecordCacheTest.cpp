// The record cache finds every entry by its key, with the bytes last given, however often records
// outgrow their room and their entries move; the writing pass sees each changed entry once.

#include "book/RecordCache.h"
#include "book/KeyFilter.h"
#include "book/PositionRecord.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

namespace marvek::test {
namespace {

TIsamKey RandomKey(std::mt19937_64& random) {
    TIsamKey key{};
    key[0] = kPositionKeyLength;
    for (int i = 1; i <= kPositionKeyLength; ++i) key[size_t(i)] = uint8_t(random());
    return key;
}

// A record of `length` bytes whose every byte says which key and which version it is.
std::vector<uint8_t> Record(size_t keyIndex, size_t length, int version) {
    std::vector<uint8_t> bytes(length, uint8_t(keyIndex * 7 + size_t(version)));
    bytes[0] = uint8_t(version);
    return bytes;
}

TEST(RecordCacheTest, EntriesKeepKeysAndBytesWhenTheyMoveAndAreWrittenOnceEach) {
    // Enough entries for several blocks; records read, then written longer again and again, so
    // that entries move within a block, across blocks, and straight after being made.
    std::mt19937_64 random(7);
    constexpr size_t kKeys = 60000;
    TRecordCache cache;
    std::vector<TIsamKey> keys;
    std::vector<std::vector<uint8_t>> expected(kKeys);
    for (size_t i = 0; i < kKeys; ++i) {
        keys.push_back(RandomKey(random));
        TCachedRecord& entry = cache.Add(keys.back());
        entry.itsPresent = i % 3 != 0;
        entry.itsFile = int8_t(i % 2);
        entry.itsRef = RecRef(i);
        // The first ones are read straight after they are made, each taking its stub's place,
        // until one finds its block full and moves on with its slot still waiting; later ones
        // now and then.
        size_t length = i < 20000 ? 100 : i % 4 == 0 ? 60 : 0;
        if (length > 0) {
            expected[i] = Record(i, length, 0);
            cache.SetBytes(entry, expected[i].data(), expected[i].size());
        }
    }
    for (int version = 1; version <= 3; ++version) {
        for (size_t i = 0; i < kKeys; i += 1 + size_t(version)) {
            TCachedRecord* entry = cache.Find(keys[i]);
            ASSERT_NE(entry, nullptr);
            expected[i] = Record(i, 45 + size_t(version) * 40 + i % 50, version);
            entry = &cache.SetBytes(*entry, expected[i].data(), expected[i].size(), true);
            cache.MarkChanged(*entry);
        }
    }
    ASSERT_EQ(cache.Size(), kKeys);
    size_t changed = 0;
    for (size_t i = 0; i < kKeys; ++i) {
        const TCachedRecord* entry = cache.Find(keys[i]);
        ASSERT_NE(entry, nullptr) << i;
        ASSERT_EQ(std::memcmp(entry->Key(), keys[i].data() + 1, kPositionKeyLength), 0) << i;
        EXPECT_EQ(entry->itsPresent, i % 3 != 0);
        EXPECT_EQ(entry->itsFile, int8_t(i % 2));
        EXPECT_EQ(entry->itsRef, RecRef(i));
        EXPECT_EQ(entry->itsLoaded, !expected[i].empty());
        if (expected[i].empty()) continue;
        changed += entry->itsChanged;
        ASSERT_EQ(entry->itsLength, expected[i].size()) << i;
        // The key stays whatever the bytes say where it stands.
        std::vector<uint8_t> bytes = expected[i];
        std::memcpy(bytes.data() + TCachedRecord::kKeyOffset, keys[i].data() + 1, kPositionKeyLength);
        ASSERT_EQ(std::memcmp(entry->Bytes(), bytes.data(), bytes.size()), 0) << i;
    }
    EXPECT_EQ(cache.ChangedCount(), changed);

    std::vector<TChangedRecord> order = cache.ChangedInKeyOrder();
    ASSERT_EQ(order.size(), changed);
    for (size_t n = 1; n < order.size(); ++n)
        ASSERT_LT(std::memcmp(order[n - 1].itsEntry->Key(), order[n].itsEntry->Key(), kPositionKeyLength), 0);
    for (const TChangedRecord& item : order) EXPECT_TRUE(item.itsEntry->itsChanged);

    TKeyFilter filter;
    ASSERT_TRUE(filter.Reset(kKeys * 2));
    cache.AddPresentKeysTo(filter);
    for (size_t i = 1; i < kKeys; i += 3) {
        ASSERT_TRUE(filter.MayHold(keys[i].data() + 1)) << i;
        ASSERT_TRUE(filter.MayHold(keys[i + 1].data() + 1)) << i + 1;
    }
}

} // namespace
} // namespace marvek::test
