// The key filter of a bulk update: a blocked Bloom filter over position keys.

#include "book/KeyFilter.h"

#include <cstring>

#include "book/PositionKey.h"

namespace marvek {

namespace {

uint64_t Mix(uint64_t h) {
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    return h ^ (h >> 33);
}

uint64_t HashOf(const uint8_t* key) {
    // Keys differ anywhere along their length: every byte counts.
    uint64_t h = 0x2545F4914F6CDD1Dull;
    for (size_t i = 0; i + 8 <= kPositionKeyLength; i += 8) {
        uint64_t w;
        std::memcpy(&w, key + i, sizeof w);
        h = Mix(h ^ w);
    }
    return Mix(h ^ (uint64_t(key[kPositionKeyLength - 2]) | uint64_t(key[kPositionKeyLength - 1]) << 8));
}

static_assert(kPositionKeyLength % 8 == 2);

} // namespace

bool TKeyFilter::Reset(size_t bytes) {
    Clear();
    size_t blocks = bytes / sizeof(TBlock);
    if (blocks == 0) return false;
    itsMemory = TPageMemory::Reserve(blocks * sizeof(TBlock), false);
    if (itsMemory.Get() == nullptr) return false;
    itsBlockCount = blocks;
    return true;
}

void TKeyFilter::Clear() {
    itsMemory = TPageMemory();
    itsBlockCount = 0;
}

const TKeyFilter::TBlock& TKeyFilter::BlockOf(uint64_t hash) const {
    // The upper half of the hash picks the block, spread evenly over any count of blocks.
    size_t n = size_t((hash >> 32) * uint64_t(itsBlockCount) >> 32);
    return static_cast<const TBlock*>(itsMemory.Get())[n];
}

void TKeyFilter::Add(const uint8_t* key) {
    if (itsBlockCount == 0) return;
    uint64_t hash = HashOf(key);
    auto& block = const_cast<TBlock&>(BlockOf(hash));
    uint64_t bits = Mix(hash), last = Mix(bits ^ hash);
    for (int i = 0; i < 8; ++i) {
        unsigned bit = BitOf(bits, last, i);
        block.itsWords[bit >> 6] |= uint64_t(1) << (bit & 63);
    }
}

bool TKeyFilter::MayHold(const uint8_t* key) const {
    if (itsBlockCount == 0) return true;
    uint64_t hash = HashOf(key);
    const TBlock& block = BlockOf(hash);
    uint64_t bits = Mix(hash), last = Mix(bits ^ hash);
    for (int i = 0; i < 8; ++i) {
        unsigned bit = BitOf(bits, last, i);
        if ((block.itsWords[bit >> 6] & (uint64_t(1) << (bit & 63))) == 0) return false;
    }
    return true;
}

} // namespace marvek
