#pragma once

#include <cstdint>

// The two on-disk headers of a database, shared by the engine and the verifier.
//
// Data file, first 21 bytes of slot 0:
//   0 i32 FreeHead   4 i32 FreeCount   8 i32 HighSlot   12 i32 SlotBytes   16 i32 IndexCount
//   20 u8 DirtyMark (1 from the first change after open until close writes the headers back)
// Key header, 28 bytes at the key's offset in row 0 of the index file:
//   0 i32 FreeHead   4 i32 FreeCount   8 i32 PageCount   12 i32 PageBytes   16 i32 RootPage
//   20 u8 DupsAllowed   21 u8 reserved   22 i32 EntryCount   26 u16 PageCapacity (0 reads as 62)
// All integers are little-endian.

namespace marvek {

inline constexpr int kDataHeaderBytes = 21;
inline constexpr int kKeyHeaderBytes = 28;

struct TDataHeader {
    int32_t itsFreeHead = -1;
    int32_t itsFreeCount = 0;
    int32_t itsHighSlot = 0;
    int32_t itsSlotBytes = 0;
    int32_t itsIndexCount = 0;
    uint8_t itsDirtyMark = 0;
};

struct TKeyHeader {
    int32_t itsFreeHead = -1;
    int32_t itsFreeCount = 0;
    int32_t itsPageCount = 0;
    int32_t itsPageBytes = 0;
    int32_t itsRootPage = 0;
    uint8_t itsDupsAllowed = 0;
    uint8_t itsReserved = 0;
    int32_t itsEntryCount = 0;
    uint16_t itsPageCapacity = 62;
};

void EncodeDataHeader(const TDataHeader& header, uint8_t* out); // 28 bytes, zero padded
TDataHeader DecodeDataHeader(const uint8_t* in);                // reads 21 bytes
void EncodeKeyHeader(const TKeyHeader& header, uint8_t* out);
TKeyHeader DecodeKeyHeader(const uint8_t* in);

inline void PutI32(uint8_t* p, int32_t v) {
    auto u = static_cast<uint32_t>(v);
    p[0] = static_cast<uint8_t>(u);
    p[1] = static_cast<uint8_t>(u >> 8);
    p[2] = static_cast<uint8_t>(u >> 16);
    p[3] = static_cast<uint8_t>(u >> 24);
}
inline int32_t GetI32(const uint8_t* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}
inline void PutU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline uint16_t GetU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

} // namespace marvek
