#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/FileHelpers.h"

// Builds database files byte by byte from their format, without the engine, so that the verifier
// is checked against an independent writer and tests can damage any field before writing. The
// model mirrors what is on disk; its helpers (adding and freeing slots, writing chains, laying out
// a tree) follow the engine's rules so that what they build is sound.

namespace marvek::testsupport {

struct TFixtureEntry {
    std::string itsKey;
    int32_t itsRef = 0;
    int32_t itsRight = 0;
};

struct TFixturePage {
    int32_t itsLeft = 0;
    std::vector<TFixtureEntry> itsEntries;
    // A free page holds only its link in the first 4 bytes.
    bool itsFree = false;
    int32_t itsLink = -1;
};

struct TFixtureKey {
    int itsKeyLength = 8;
    bool itsDups = false;
    int32_t itsFreeHead = -1;
    int32_t itsFreeCount = 0;
    int32_t itsRootPage = 0;
    int32_t itsEntryCount = 0;
    int32_t itsPageBytes = 0; // 0: the size the key length gives
    uint16_t itsPageCapacity = 62;
    std::vector<TFixturePage> itsPages; // page p is itsPages[p - 1]; PageCount is their number

    int32_t PageCount() const { return static_cast<int32_t>(itsPages.size()); }
    int32_t PageBytes() const { return itsPageBytes != 0 ? itsPageBytes : (itsKeyLength + 9) * 62 + 6; }
    TFixturePage& Page(int32_t page) { return itsPages.at(static_cast<size_t>(page) - 1); }

    // Lays the sorted entries out as one leaf, or as leaves of at least 31 entries under one root
    // (the leaves are pages 1..n, the root comes last, as splitting a full root leaves them).
    void BuildTree(const std::vector<TFixtureEntry>& sorted);
    // Appends a page and puts it on the free chain.
    int32_t AddFreePage();
};

class TFixtureDatabase {
public:
    explicit TFixtureDatabase(int32_t slotBytes) : itsSlotBytes(slotBytes) {}

    int32_t itsFreeHead = -1;
    int32_t itsFreeCount = 0;
    int32_t itsSlotBytes;
    int32_t itsIndexCount = -1; // -1: the number of keys
    uint8_t itsDirtyMark = 0;
    std::vector<std::string> itsSlots; // slot n is itsSlots[n - 1], each SlotBytes long
    std::vector<TFixtureKey> itsKeys;

    int32_t HighSlot() const { return static_cast<int32_t>(itsSlots.size()); }
    std::string& Slot(int32_t slot) { return itsSlots.at(static_cast<size_t>(slot) - 1); }
    void SetI32(int32_t slot, int offset, int32_t value);
    int32_t GetI32(int32_t slot, int offset) const;

    // Takes the slot at the head of the free chain when there is one (last freed, first reused),
    // else appends one. The bytes are padded with zeros to the slot size.
    int32_t AddRecord(const std::string& bytes);
    void DeleteRecord(int32_t slot);
    // A chain of sections, written last to first like the engine, so slot reuse matches it.
    int32_t AddVariableRecord(const std::string& bytes);
    void RemoveVariableRecord(int32_t slot);

    std::string DataBytes() const;
    std::string IndexBytes() const;
    int64_t RowBytes() const;
    int64_t KeyOffset(int keyNr) const; // of the key's header in row 0 and its page slot in every row
    int64_t PageOffset(int keyNr, int32_t page) const { return page * RowBytes() + KeyOffset(keyNr); }

    // Writes the data file and, when there are keys, the index file, with the default extensions.
    void Write(const std::string& base) const;
};

// Sound sample databases in 32-byte slots.
// Fixed: records in slots 1..70 with 3 and 7 freed (the free chain runs 3, 7); key 1 (8 bytes,
// unique) holds 63 entries on two leaves under a root (pages 1, 2 and 3) and a free page 4;
// key 2 (3 bytes, duplicates) holds "ab" twice, "abc", "b", "z" and "\xe9" on one page and a free
// page 2.
TFixtureDatabase SampleFixedDatabase();
// Variable-length: records of 4, 26, 27, 51, 30 and 200 bytes (1, 1, 2, 2, 2 and 8 sections), the
// fifth written over the freed sections of a removed 52-byte record, so one slot stays free; key 1
// (4 bytes) holds "r0".."r5", each naming its record's first section.
TFixtureDatabase SampleVariableDatabase();
// A record's bytes: the 4 zero bytes every record starts with, then a pattern.
std::string SampleRecord(size_t length, int seed);

std::string I32Bytes(int32_t value);

} // namespace marvek::testsupport
