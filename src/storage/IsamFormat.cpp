#include "storage/IsamFormat.h"

#include <cstring>

namespace marvek {

void EncodeDataHeader(const TDataHeader& h, uint8_t* out) {
    std::memset(out, 0, kKeyHeaderBytes);
    PutI32(out, h.itsFreeHead);
    PutI32(out + 4, h.itsFreeCount);
    PutI32(out + 8, h.itsHighSlot);
    PutI32(out + 12, h.itsSlotBytes);
    PutI32(out + 16, h.itsIndexCount);
    out[20] = h.itsDirtyMark;
}

TDataHeader DecodeDataHeader(const uint8_t* in) {
    TDataHeader h;
    h.itsFreeHead = GetI32(in);
    h.itsFreeCount = GetI32(in + 4);
    h.itsHighSlot = GetI32(in + 8);
    h.itsSlotBytes = GetI32(in + 12);
    h.itsIndexCount = GetI32(in + 16);
    h.itsDirtyMark = in[20];
    return h;
}

void EncodeKeyHeader(const TKeyHeader& h, uint8_t* out) {
    PutI32(out, h.itsFreeHead);
    PutI32(out + 4, h.itsFreeCount);
    PutI32(out + 8, h.itsPageCount);
    PutI32(out + 12, h.itsPageBytes);
    PutI32(out + 16, h.itsRootPage);
    out[20] = h.itsDupsAllowed;
    out[21] = h.itsReserved;
    PutI32(out + 22, h.itsEntryCount);
    PutU16(out + 26, h.itsPageCapacity);
}

TKeyHeader DecodeKeyHeader(const uint8_t* in) {
    TKeyHeader h;
    h.itsFreeHead = GetI32(in);
    h.itsFreeCount = GetI32(in + 4);
    h.itsPageCount = GetI32(in + 8);
    h.itsPageBytes = GetI32(in + 12);
    h.itsRootPage = GetI32(in + 16);
    h.itsDupsAllowed = in[20];
    h.itsReserved = in[21];
    h.itsEntryCount = GetI32(in + 22);
    h.itsPageCapacity = GetU16(in + 26);
    return h;
}

} // namespace marvek
