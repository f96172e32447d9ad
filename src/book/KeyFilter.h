#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/Memory.h"

// A filter of position keys (a blocked Bloom filter): a key never added is reported absent but
// for a few in a thousand; a key added is always reported as possibly there. An import that has
// written more records than it can keep in memory asks it before probing the book for a
// position, so that the many positions new to the book cost no probe at all.

namespace marvek {

class TKeyFilter {
public:
    // Takes about `bytes` of memory for the filter, emptied; false (and no filter) when the
    // system has not got them.
    bool Reset(size_t bytes);
    void Clear();
    bool IsEmpty() const { return itsBlockCount == 0; }
    size_t Bytes() const { return itsMemory.Size(); }

    // Keys are the kPositionKeyLength bytes of a position key.
    void Add(const uint8_t* key);
    bool MayHold(const uint8_t* key) const;

private:
    // Each key sets eight bits in one block of a cache line, so a question reads one line.
    struct TBlock {
        uint64_t itsWords[8];
    };
    const TBlock& BlockOf(uint64_t hash) const;
    // The eight bits of a key in its block: seven from nine bits each of a second mix of its
    // hash, the eighth from a third.
    static unsigned BitOf(uint64_t bits, uint64_t last, int i) {
        return unsigned((i < 7 ? bits >> (9 * i) : last) & 0x1FF);
    }

    TPageMemory itsMemory;
    size_t itsBlockCount = 0;
};

} // namespace marvek
