#include "storage/Verifier.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <new>

#include "platform/File.h"

// The bytes this file reads (all integers little-endian):
//
// Data file: slot n at n * SlotBytes. Slot 0 begins with the 21-byte header
//   0 i32 FreeHead   4 i32 FreeCount   8 i32 HighSlot   12 i32 SlotBytes   16 i32 IndexCount
//   20 u8 DirtyMark
// A free slot's first 4 bytes link to the next free slot; -1 ends the chain. Records reserve
// those 4 bytes and keep them zero.
//
// Index file: rows of R bytes, R being the sum of every key index's PageBytes; key index k owns
// the part at offset O(k) of every row (O(k) = the PageBytes of the indexes before it). Row 0
// holds the 28-byte key headers
//   0 i32 FreeHead   4 i32 FreeCount   8 i32 PageCount   12 i32 PageBytes   16 i32 RootPage
//   20 u8 DupsAllowed   21 u8 reserved   22 i32 EntryCount   26 u16 PageCapacity (0 reads as 62)
// and page p >= 1 of key index k lives at p * R + O(k):
//   0 u16 ItemCount   2 i32 LeftChild
//   then ItemCount entries of (key length + 9) bytes: i32 RecRef, i32 RightChild, u8 length, key.
// The key length follows from PageBytes = (key length + 9) * PageCapacity + 6. Free pages chain
// through their first 4 bytes like free slots.
//
// Variable-length records (L = SlotBytes): the first section holds record bytes from offset 0, a
// continuation section the marker 1 and then record bytes from offset 1; every section ends with
// u16 count at L - 6 and i32 next section at L - 4 (0 ends the chain).
//
// A sound database keeps: the data file is (HighSlot + 1) * SlotBytes bytes; every free chain is
// free of cycles, stays in range, ends with -1 and holds FreeCount members; in every tree the
// entries run in strictly increasing order (by key, then by slot where duplicates are allowed),
// every page but the root holds 31..62 entries, all leaves lie at one depth, each page is reached
// once, every page is in the tree or on the free page chain, and EntryCount counts the entries;
// every entry names a live slot (with chains, a first section); and with chains every slot is
// free, a first section, or a continuation reached from exactly one first section.

namespace marvek {

namespace {

constexpr int32_t kMaxIndexCount = 100;
constexpr int kMaxKeyLength = 41;
constexpr int kPageCapacity = 62;
constexpr int kPageHeadBytes = 6;
constexpr int kEntryOverhead = 9; // RecRef, RightChild and the length byte
constexpr int kMaxTreeLevels = 8; // the engine's cursor path holds 8 levels
constexpr int64_t kSectionTrailer = 6;
constexpr int64_t kMaxRecordBytes = 65535;
constexpr size_t kMaxListedFaults = 1000;
constexpr size_t kMaxListedPages = 10;
constexpr int64_t kScanChunkBytes = int64_t{1} << 20;

// Data slot states. A slot is free, the first section of a record, or a continuation section
// (claimed once a chain reaches it); a slot that is none of these is stray.
enum : uint8_t { kSlotUnseen = 0, kSlotFree, kSlotFirst, kSlotContinuation, kSlotClaimed, kSlotStray };
enum : uint8_t { kPageUnseen = 0, kPageFree, kPageInTree };

std::string Str(int64_t value) {
    return std::to_string(value);
}

// Printable keys are shown as text, anything else in hex, so a fault line stays one line.
std::string KeyText(const uint8_t* bytes, size_t length) {
    bool printable =
        std::all_of(bytes, bytes + length, [](uint8_t b) { return b >= 0x20 && b < 0x7f && b != '"'; });
    if (printable) return "\"" + std::string(reinterpret_cast<const char*>(bytes), length) + "\"";
    static const char kDigits[] = "0123456789abcdef";
    std::string text = "0x";
    for (size_t i = 0; i < length; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 15];
    }
    return text;
}

// Unsigned bytes over the common length; on a tie the shorter key is smaller.
int CompareKeys(const std::string& a, const uint8_t* b, size_t bLength) {
    size_t common = std::min(a.size(), bLength);
    int order = common == 0 ? 0 : std::memcmp(a.data(), b, common);
    if (order != 0) return order < 0 ? -1 : 1;
    if (a.size() == bLength) return 0;
    return a.size() < bLength ? -1 : 1;
}

std::string OpenFailure(const char* what, const std::string& path, int code) {
    if (code == ENOENT) return std::string(what) + " " + path + " does not exist";
    if (code == EWOULDBLOCK) return std::string(what) + " " + path + " is in use by another process";
    return std::string(what) + " " + path + " cannot be opened: " + std::strerror(code);
}

bool ReadExact(TFile& file, int64_t offset, void* data, size_t count) {
    size_t done = 0;
    return file.ReadAt(offset, data, count, &done) == 0 && done == count;
}

struct TChainResult {
    int64_t itsLength = 0;
    bool itsComplete = false;
};

// Where a usable key index sits in the index file.
struct TKeyPlace {
    int64_t itsOffset = 0;
    int itsKeyLength = 0;
    int itsCapacity = 0;
    bool itsUsable = false;
};

// State of one tree walk: the pages seen and the entry before the current one in key order.
struct TTreeWalk {
    TKeyIndexReport* itsKey = nullptr;
    const TKeyPlace* itsPlace = nullptr;
    std::string itsContext;
    std::vector<uint8_t> itsPages;
    int itsLeafLevel = 0;
    bool itsHasPrevious = false;
    std::string itsPreviousKey;
    int32_t itsPreviousRef = 0;
    std::string itsPreviousWhere;
};

class TVerifier {
public:
    TVerifier(const TVerifyOptions& options, bool walk) : itsOptions(options), itsWalk(walk) {}

    TVerifyReport Run();

private:
    void Fault(std::string text);

    void CheckDataHeader();
    void WalkDataFreeChain();
    void ScanSections();
    void CheckChains();
    void CheckJournal();
    void ReadKeyHeaders();
    void CheckIndexSize();
    void WalkKey(TKeyIndexReport& key, const TKeyPlace& place);
    void VisitPage(TTreeWalk& walk, int32_t page, int level, const std::string& from);
    void CheckEntryRef(const TTreeWalk& walk, const std::string& where, int32_t ref);
    void CheckOrder(TTreeWalk& walk, const std::string& where, const uint8_t* key, size_t length,
                    int32_t ref);

    TChainResult WalkFreeChain(const std::string& context, const char* unit, int32_t head, int32_t high,
                               std::vector<uint8_t>& state, uint8_t freeMark,
                               const std::function<bool(int32_t, int32_t*)>& readLink);

    const TVerifyOptions& itsOptions;
    bool itsWalk;
    TVerifyReport itsReport;
    TFile itsData;
    TFile itsIndex;

    // Slots 1..itsSlotLimit are both named by the header and present in the file.
    bool itsSlotsUsable = false;
    int64_t itsSlotLimit = 0;
    std::vector<uint8_t> itsSlotState;
    std::vector<uint16_t> itsSectionCount;
    std::vector<int32_t> itsSectionNext;
    std::vector<int32_t> itsSectionOwner;

    std::vector<TKeyPlace> itsPlaces;
    bool itsKeysUsable = false;
    int64_t itsRowBytes = 0;
};

void TVerifier::Fault(std::string text) {
    ++itsReport.itsFaultCount;
    if (itsReport.itsFaults.size() < kMaxListedFaults) itsReport.itsFaults.push_back(std::move(text));
}

TVerifyReport TVerifier::Run() {
    TVerifyReport& report = itsReport;
    report.itsFiles = IsamFileNames(itsOptions.itsBase, itsOptions.itsDataExt, itsOptions.itsIndexExt,
                                    itsOptions.itsJournalExt);
    int code = itsData.Open(report.itsFiles.itsData, TFileMode::kReadOnly);
    if (code == 0) code = itsData.Size(&report.itsDataBytes);
    if (code != 0) {
        report.itsOpenError = OpenFailure("data file", report.itsFiles.itsData, code);
        return report;
    }

    uint8_t raw[kDataHeaderBytes];
    if (report.itsDataBytes < kDataHeaderBytes) {
        Fault("data file: holds " + Str(report.itsDataBytes) + " bytes, fewer than the 21 of its header");
        return report;
    }
    if (!ReadExact(itsData, 0, raw, sizeof raw)) {
        Fault("data file: its header cannot be read");
        return report;
    }
    TDataHeader& header = report.itsHeader;
    header = DecodeDataHeader(raw);
    report.itsHeaderRead = true;

    CheckDataHeader();
    if (header.itsIndexCount >= 1 && header.itsIndexCount <= kMaxIndexCount) ReadKeyHeaders();
    CheckJournal();
    if (!itsWalk) return report;

    if (itsSlotsUsable) {
        WalkDataFreeChain();
        if (itsOptions.itsVariable) {
            ScanSections();
            CheckChains();
        }
        report.itsSlotsWalked = true;
    }
    if (itsKeysUsable) {
        CheckIndexSize();
        for (size_t i = 0; i < report.itsKeys.size(); ++i) WalkKey(report.itsKeys[i], itsPlaces[i]);
    } else if (report.itsIndexPresent) {
        Fault("index file: its trees were not walked, as the key headers give no usable page layout");
    }
    return report;
}

// Header fields against each other and against the file's size.
void TVerifier::CheckDataHeader() {
    const TDataHeader& header = itsReport.itsHeader;
    if (header.itsDirtyMark == 1) {
        Fault("data file: DirtyMark is set: the database was not closed properly and needs a rebuild");
    } else if (header.itsDirtyMark != 0) {
        Fault("data file: DirtyMark holds " + Str(header.itsDirtyMark) + ", neither 0 nor 1");
    }
    bool slotBytesOk = header.itsSlotBytes >= kDataHeaderBytes;
    if (!slotBytesOk) Fault("data file: SlotBytes is " + Str(header.itsSlotBytes) + ", less than 21");
    bool highSlotOk = header.itsHighSlot >= 0;
    if (!highSlotOk) Fault("data file: HighSlot is " + Str(header.itsHighSlot) + ", below 0");
    if (header.itsIndexCount < 0 || header.itsIndexCount > kMaxIndexCount) {
        Fault("data file: IndexCount is " + Str(header.itsIndexCount) + ", outside 0..100");
    }
    if (!slotBytesOk || !highSlotOk) return;

    int64_t slotBytes = header.itsSlotBytes;
    int64_t expected = (int64_t{header.itsHighSlot} + 1) * slotBytes;
    if (itsReport.itsDataBytes != expected) {
        Fault("data file: holds " + Str(itsReport.itsDataBytes) + " bytes, but HighSlot " +
              Str(header.itsHighSlot) + " and SlotBytes " + Str(slotBytes) + " give " + Str(expected));
    }
    itsSlotLimit =
        std::max<int64_t>(0, std::min<int64_t>(header.itsHighSlot, itsReport.itsDataBytes / slotBytes - 1));
    itsSlotsUsable = true;
}

// Follows a free chain from head, marking each member in state. The data file's slots and every
// key index's pages share this scheme: a free member's first 4 bytes link to the next, -1 ends.
// Marking members as they are met bounds the walk by the file and catches cycles.
TChainResult TVerifier::WalkFreeChain(const std::string& context, const char* unit, int32_t head,
                                      int32_t high, std::vector<uint8_t>& state, uint8_t freeMark,
                                      const std::function<bool(int32_t, int32_t*)>& readLink) {
    TChainResult result;
    std::string from = "FreeHead";
    int32_t current = head;
    while (current != -1) {
        std::string target = std::string(unit) + " " + Str(current);
        if (current < 1 || current > high) {
            Fault(context + ": " + from + " links to " + target + ", outside 1.." + Str(high));
            return result;
        }
        if (static_cast<uint64_t>(current) >= state.size()) {
            Fault(context + ": " + from + " links to " + target + ", past the end of the file");
            return result;
        }
        if (state[current] == freeMark) {
            Fault(context + ": " + from + " links back to " + target + " (a cycle)");
            return result;
        }
        state[current] = freeMark;
        ++result.itsLength;
        int32_t link = 0;
        if (!readLink(current, &link)) {
            Fault(context + ": cannot read the link of " + target);
            return result;
        }
        from = target;
        current = link;
    }
    result.itsComplete = true;
    return result;
}

void TVerifier::WalkDataFreeChain() {
    const TDataHeader& header = itsReport.itsHeader;
    itsSlotState.assign(static_cast<size_t>(itsSlotLimit) + 1, kSlotUnseen);
    int64_t slotBytes = header.itsSlotBytes;
    TChainResult chain = WalkFreeChain("free chain", "slot", header.itsFreeHead, header.itsHighSlot,
                                       itsSlotState, kSlotFree, [&](int32_t slot, int32_t* link) {
                                           uint8_t bytes[4];
                                           if (!ReadExact(itsData, slot * slotBytes, bytes, sizeof bytes))
                                               return false;
                                           *link = GetI32(bytes);
                                           return true;
                                       });
    itsReport.itsFreeSlotsFound = chain.itsLength;
    if (chain.itsComplete && chain.itsLength != header.itsFreeCount) {
        Fault("data file: FreeCount is " + Str(header.itsFreeCount) + ", but the free chain holds " +
              Str(chain.itsLength) + " slots");
    }
    itsReport.itsRecords = itsSlotLimit - chain.itsLength;
}

// Classifies every slot that is not free by its first bytes, and keeps each section's count and
// link. Only the head and tail of a slot matter, so slots are read in large runs when they are
// small and one by one (head and tail alone) when a damaged header makes them enormous.
void TVerifier::ScanSections() {
    int64_t slotBytes = itsReport.itsHeader.itsSlotBytes;
    size_t slots = static_cast<size_t>(itsSlotLimit) + 1;
    itsSectionCount.assign(slots, 0);
    itsSectionNext.assign(slots, 0);
    itsSectionOwner.assign(slots, 0);

    bool inRuns = slotBytes <= kScanChunkBytes;
    int64_t slotsPerRun = inRuns ? std::max<int64_t>(1, kScanChunkBytes / slotBytes) : 1;
    std::vector<uint8_t> run(inRuns ? static_cast<size_t>(std::min(slotsPerRun, itsSlotLimit) * slotBytes)
                                    : 0);
    uint8_t head[4];
    uint8_t tail[kSectionTrailer];
    for (int64_t first = 1; first <= itsSlotLimit; first += slotsPerRun) {
        int64_t count = std::min(slotsPerRun, itsSlotLimit - first + 1);
        if (inRuns &&
            !ReadExact(itsData, first * slotBytes, run.data(), static_cast<size_t>(count * slotBytes))) {
            Fault("data file: cannot read slots " + Str(first) + ".." + Str(first + count - 1));
            return;
        }
        for (int64_t slot = first; slot < first + count; ++slot) {
            const uint8_t* h = head;
            const uint8_t* t = tail;
            if (inRuns) {
                h = run.data() + (slot - first) * slotBytes;
                t = h + slotBytes - kSectionTrailer;
            } else if (!ReadExact(itsData, slot * slotBytes, head, sizeof head) ||
                       !ReadExact(itsData, (slot + 1) * slotBytes - kSectionTrailer, tail, sizeof tail)) {
                Fault("data file: cannot read slot " + Str(slot));
                return;
            }
            if (itsSlotState[slot] == kSlotFree) continue;
            // A record starts with 4 zero bytes; a continuation section with the marker 1, which
            // a free slot's link and a record's start never show in their first 4 bytes.
            if (GetI32(h) == 0) {
                itsSlotState[slot] = kSlotFirst;
            } else if (h[0] == 1) {
                itsSlotState[slot] = kSlotContinuation;
            } else {
                itsSlotState[slot] = kSlotStray;
            }
            itsSectionCount[slot] = GetU16(t);
            itsSectionNext[slot] = GetI32(t + 2);
        }
    }
}

// Every first section starts a chain of continuation sections, each reached exactly once; the
// counts fit their sections, and every section but the last is full, as records are written.
void TVerifier::CheckChains() {
    if (itsSectionNext.empty()) return;
    const TDataHeader& header = itsReport.itsHeader;
    int64_t firstRoom = header.itsSlotBytes - kSectionTrailer;
    int64_t continuationRoom = firstRoom - 1;
    itsReport.itsRecords = 0;
    itsReport.itsSections = 0;

    for (int64_t start = 1; start <= itsSlotLimit; ++start) {
        if (itsSlotState[start] != kSlotFirst) continue;
        std::string context = "record at slot " + Str(start);
        ++itsReport.itsRecords;
        ++itsReport.itsSections;
        int64_t length = itsSectionCount[start];
        if (length > firstRoom) {
            Fault(context + ": its first section counts " + Str(length) + " bytes, more than the " +
                  Str(firstRoom) + " it holds");
        }
        bool full = itsSectionCount[start] >= firstRoom;
        int64_t previous = start;
        int32_t link = itsSectionNext[start];
        while (link != 0) {
            std::string from = "slot " + Str(previous);
            std::string target = "slot " + Str(link);
            if (!full) {
                Fault(context + ": " + from + " holds " + Str(itsSectionCount[previous]) +
                      " bytes, less than its room, yet links on");
            }
            if (link < 1 || link > header.itsHighSlot) {
                Fault(context + ": " + from + " links to " + target + ", outside 1.." +
                      Str(header.itsHighSlot));
                break;
            }
            if (link > itsSlotLimit) {
                Fault(context + ": " + from + " links to " + target + ", past the end of the data file");
                break;
            }
            uint8_t state = itsSlotState[link];
            if (state == kSlotFree) {
                Fault(context + ": " + from + " links to " + target + ", a free slot");
                break;
            }
            if (state == kSlotFirst) {
                Fault(context + ": " + from + " links to " + target +
                      (link == start ? ", its own first section (a cycle)"
                                     : ", the first section of another record"));
                break;
            }
            if (state == kSlotStray) {
                Fault(context + ": " + from + " links to " + target + ", which is no continuation section");
                break;
            }
            if (state == kSlotClaimed) {
                if (itsSectionOwner[link] == start) {
                    Fault(context + ": " + from + " links back to " + target + " (a cycle)");
                } else {
                    Fault(context + ": " + from + " links to " + target +
                          ", which already belongs to the record at slot " + Str(itsSectionOwner[link]));
                }
                break;
            }
            itsSlotState[link] = kSlotClaimed;
            itsSectionOwner[link] = static_cast<int32_t>(start);
            ++itsReport.itsSections;
            int64_t count = itsSectionCount[link];
            if (count > continuationRoom) {
                Fault(context + ": continuation " + target + " counts " + Str(count) +
                      " bytes, more than the " + Str(continuationRoom) + " it holds");
            } else if (count == 0) {
                Fault(context + ": continuation " + target + " holds no bytes");
            }
            length += count;
            full = count >= continuationRoom;
            previous = link;
            link = itsSectionNext[link];
        }
        if (length > kMaxRecordBytes) {
            Fault(context + ": its chain holds " + Str(length) +
                  " bytes, more than the 65535 a record can have");
        }
    }

    for (int64_t slot = 1; slot <= itsSlotLimit; ++slot) {
        if (itsSlotState[slot] == kSlotContinuation) {
            Fault("slot " + Str(slot) + ": a continuation section that no record links to (an orphan)");
        } else if (itsSlotState[slot] == kSlotStray) {
            Fault("slot " + Str(slot) +
                  ": neither free nor a section of a record (its first 4 bytes are not zero and carry no "
                  "continuation mark)");
        }
    }
}

// A journal holding more than its placeholder byte belongs to an operation that never finished:
// the files stay inconsistent until the next open rolls it back.
void TVerifier::CheckJournal() {
    TFile journal;
    int code = journal.Open(itsReport.itsFiles.itsJournal, TFileMode::kReadOnly);
    if (code == ENOENT) return;
    int64_t bytes = 0;
    if (code == 0) code = journal.Size(&bytes);
    if (code != 0) {
        Fault(OpenFailure("journal file", itsReport.itsFiles.itsJournal, code));
        return;
    }
    itsReport.itsJournalBytes = bytes;
    if (bytes != 1) {
        Fault("journal file: holds " + Str(bytes) +
              " bytes, not the 1 placeholder byte of a clean journal: an interrupted operation awaits "
              "rollback");
    }
}

void TVerifier::ReadKeyHeaders() {
    TVerifyReport& report = itsReport;
    int32_t indexCount = report.itsHeader.itsIndexCount;
    int code = itsIndex.Open(report.itsFiles.itsIndex, TFileMode::kReadOnly);
    if (code == 0) code = itsIndex.Size(&report.itsIndexBytes);
    if (code == ENOENT) {
        Fault("index file: " + report.itsFiles.itsIndex + " is missing, but the data header names " +
              Str(indexCount) + " key indexes");
        return;
    }
    if (code != 0) {
        Fault(OpenFailure("index file", report.itsFiles.itsIndex, code));
        return;
    }
    report.itsIndexPresent = true;

    bool allUsable = true;
    int64_t offset = 0;
    for (int k = 1; k <= indexCount; ++k) {
        std::string context = "key " + Str(k);
        TKeyIndexReport key;
        key.itsKeyNr = k;
        uint8_t raw[kKeyHeaderBytes];
        if (offset + kKeyHeaderBytes > report.itsIndexBytes ||
            !ReadExact(itsIndex, offset, raw, sizeof raw)) {
            Fault(context + ": its header lies past the end of the index file");
            report.itsKeys.push_back(key);
            allUsable = false;
            break;
        }
        TKeyHeader& h = key.itsHeader;
        h = DecodeKeyHeader(raw);
        key.itsHeaderRead = true;

        // The key length is not stored: it follows from the page size and capacity, and a page
        // size that fits no whole key length means the header is damaged.
        TKeyPlace place;
        place.itsOffset = offset;
        place.itsCapacity = h.itsPageCapacity == 0 ? kPageCapacity : h.itsPageCapacity;
        bool usable = true;
        if (place.itsCapacity > kPageCapacity) {
            Fault(context + ": PageCapacity is " + Str(place.itsCapacity) +
                  ", more than 62 entries per page");
            usable = false;
        } else {
            if (place.itsCapacity != kPageCapacity) {
                Fault(context + ": PageCapacity is " + Str(place.itsCapacity) +
                      ", not the 62 entries every page holds");
                usable = false;
            }
            int64_t scaled = (int64_t{h.itsPageBytes} * 10000 - 60000) / place.itsCapacity - 90000;
            if (scaled % 10000 != 0) {
                Fault(context + ": PageBytes " + Str(h.itsPageBytes) + " is no page of " +
                      Str(place.itsCapacity) + " entries of a whole key length");
                usable = false;
            } else if (scaled < 10000 || scaled > kMaxKeyLength * 10000) {
                Fault(context + ": PageBytes " + Str(h.itsPageBytes) + " gives key length " +
                      Str(scaled / 10000) + ", outside 1..41");
                usable = false;
            } else {
                key.itsKeyLength = static_cast<int>(scaled / 10000);
                place.itsKeyLength = key.itsKeyLength;
            }
        }
        if (h.itsPageCount < 0) Fault(context + ": PageCount is " + Str(h.itsPageCount) + ", below 0");
        if (h.itsRootPage < 0 || h.itsRootPage > std::max(h.itsPageCount, 0)) {
            Fault(context + ": RootPage " + Str(h.itsRootPage) + " is outside 0.." +
                  Str(std::max(h.itsPageCount, 0)));
        }
        if (h.itsDupsAllowed > 1)
            Fault(context + ": DupsAllowed holds " + Str(h.itsDupsAllowed) + ", neither 0 nor 1");
        if (h.itsEntryCount < 0) Fault(context + ": EntryCount is " + Str(h.itsEntryCount) + ", below 0");

        place.itsUsable = usable;
        allUsable = allUsable && usable;
        report.itsKeys.push_back(key);
        itsPlaces.push_back(place);
        if (h.itsPageBytes < kKeyHeaderBytes) {
            // The next header's place depends on this one's size: nothing after it can be found.
            if (k < indexCount) Fault(context + ": the key headers after it cannot be located");
            allUsable = false;
            break;
        }
        offset += h.itsPageBytes;
    }
    itsKeysUsable = allUsable && static_cast<int32_t>(itsPlaces.size()) == indexCount;
    itsRowBytes = offset;
}

// Rows are appended whole, so the file is a whole number of rows, enough for every index's pages.
void TVerifier::CheckIndexSize() {
    const TVerifyReport& report = itsReport;
    if (report.itsIndexBytes % itsRowBytes != 0) {
        Fault("index file: holds " + Str(report.itsIndexBytes) + " bytes, not a whole number of its " +
              Str(itsRowBytes) + "-byte rows");
    }
    const TKeyIndexReport* largest = nullptr;
    for (const TKeyIndexReport& key : report.itsKeys) {
        if (largest == nullptr || key.itsHeader.itsPageCount > largest->itsHeader.itsPageCount)
            largest = &key;
    }
    if (largest == nullptr || largest->itsHeader.itsPageCount < 0) return;
    int64_t needed = (int64_t{largest->itsHeader.itsPageCount} + 1) * itsRowBytes;
    if (report.itsIndexBytes < needed) {
        Fault("index file: holds " + Str(report.itsIndexBytes) + " bytes, but key " + Str(largest->itsKeyNr) +
              "'s PageCount " + Str(largest->itsHeader.itsPageCount) + " needs " + Str(needed) +
              " (the file is truncated)");
    }
}

void TVerifier::WalkKey(TKeyIndexReport& key, const TKeyPlace& place) {
    const TKeyHeader& h = key.itsHeader;
    TTreeWalk walk;
    walk.itsKey = &key;
    walk.itsPlace = &place;
    walk.itsContext = "key " + Str(key.itsKeyNr);

    // Only pages whose whole slot lies in the file can be read; the state table is bounded by
    // the file, never by a PageCount that may be damaged.
    int64_t lastInFile = -1;
    if (itsReport.itsIndexBytes >= place.itsOffset + h.itsPageBytes) {
        lastInFile = (itsReport.itsIndexBytes - place.itsOffset - h.itsPageBytes) / itsRowBytes;
    }
    int64_t limit = std::max<int64_t>(0, std::min<int64_t>(h.itsPageCount, lastInFile));
    walk.itsPages.assign(static_cast<size_t>(limit) + 1, kPageUnseen);

    TChainResult chain =
        WalkFreeChain(walk.itsContext + ": free page chain", "page", h.itsFreeHead, h.itsPageCount,
                      walk.itsPages, kPageFree, [&](int32_t page, int32_t* link) {
                          uint8_t bytes[4];
                          int64_t at = page * itsRowBytes + place.itsOffset;
                          if (!ReadExact(itsIndex, at, bytes, sizeof bytes)) return false;
                          *link = GetI32(bytes);
                          return true;
                      });
    key.itsFreePagesFound = chain.itsLength;
    if (chain.itsComplete && chain.itsLength != h.itsFreeCount) {
        Fault(walk.itsContext + ": FreeCount is " + Str(h.itsFreeCount) + ", but the free page chain holds " +
              Str(chain.itsLength) + " pages");
    }

    if (h.itsRootPage != 0) VisitPage(walk, h.itsRootPage, 1, "RootPage");
    key.itsDepth = walk.itsLeafLevel;
    key.itsWalked = true;

    if (key.itsEntriesFound != h.itsEntryCount) {
        Fault(walk.itsContext + ": EntryCount is " + Str(h.itsEntryCount) + ", but the tree holds " +
              Str(key.itsEntriesFound) + " entries");
    }

    // A page that is neither in the tree nor free can never be used again.
    std::string listed;
    for (int64_t page = 1; page <= limit; ++page) {
        if (walk.itsPages[page] != kPageUnseen) continue;
        if (key.itsLeakedPages < static_cast<int64_t>(kMaxListedPages))
            listed += (listed.empty() ? "" : ", ") + Str(page);
        ++key.itsLeakedPages;
    }
    if (key.itsLeakedPages > 0) {
        if (key.itsLeakedPages > static_cast<int64_t>(kMaxListedPages)) listed += ", ...";
        Fault(walk.itsContext + ": " + Str(key.itsLeakedPages) +
              " leaked page(s), neither in the tree nor on the free page chain: " + listed);
    }
}

void TVerifier::VisitPage(TTreeWalk& walk, int32_t page, int level, const std::string& from) {
    const std::string& context = walk.itsContext;
    TKeyIndexReport& key = *walk.itsKey;
    const TKeyPlace& place = *walk.itsPlace;
    const TKeyHeader& h = key.itsHeader;
    std::string target = "page " + Str(page);

    if (page < 1 || page > h.itsPageCount) {
        Fault(context + ": " + from + " links to " + target + ", outside 1.." + Str(h.itsPageCount));
        return;
    }
    if (static_cast<uint64_t>(page) >= walk.itsPages.size()) {
        Fault(context + ": " + from + " links to " + target + ", past the end of the index file");
        return;
    }
    if (walk.itsPages[page] == kPageFree) {
        Fault(context + ": " + from + " links to " + target + ", which is on the free page chain");
        return;
    }
    if (walk.itsPages[page] == kPageInTree) {
        Fault(context + ": " + target + " is reachable twice (again from " + from + ")");
        return;
    }
    if (level > kMaxTreeLevels) {
        Fault(context + ": " + target + " lies at level " + Str(level) +
              ", deeper than the 8 levels a cursor can follow");
        return;
    }
    walk.itsPages[page] = kPageInTree;
    ++key.itsPagesInTree;

    std::vector<uint8_t> bytes(static_cast<size_t>(h.itsPageBytes));
    if (!ReadExact(itsIndex, page * itsRowBytes + place.itsOffset, bytes.data(), bytes.size())) {
        Fault(context + ": cannot read " + target);
        return;
    }
    int items = GetU16(bytes.data());
    if (items < 1 || items > place.itsCapacity) {
        Fault(context + ": " + target + " holds " + Str(items) + " entries, outside 1.." +
              Str(place.itsCapacity));
        return;
    }
    int minimum = place.itsCapacity / 2;
    if (page != h.itsRootPage && items < minimum) {
        Fault(context + ": " + target + " holds " + Str(items) + " entries, fewer than " + Str(minimum) +
              " (half full) on a page other than the root");
    }

    size_t entryBytes = static_cast<size_t>(place.itsKeyLength) + kEntryOverhead;
    auto entry = [&](int i) {
        return bytes.data() + kPageHeadBytes + static_cast<size_t>(i - 1) * entryBytes;
    };
    int32_t left = GetI32(bytes.data() + 2);
    int emptyLinks = left == 0 ? 1 : 0;
    for (int i = 1; i <= items; ++i) emptyLinks += GetI32(entry(i) + 4) == 0 ? 1 : 0;
    bool leaf = emptyLinks == items + 1;
    if (!leaf && emptyLinks > 0) Fault(context + ": " + target + " has both empty and non-empty child links");

    if (leaf) {
        if (walk.itsLeafLevel == 0) {
            walk.itsLeafLevel = level;
        } else if (level != walk.itsLeafLevel) {
            Fault(context + ": leaf " + target + " lies at level " + Str(level) + ", other leaves at level " +
                  Str(walk.itsLeafLevel));
        }
    }
    if (left != 0) VisitPage(walk, left, level + 1, target + "'s LeftChild");
    for (int i = 1; i <= items; ++i) {
        const uint8_t* e = entry(i);
        std::string where = target + " entry " + Str(i);
        int32_t ref = GetI32(e);
        int32_t right = GetI32(e + 4);
        size_t length = e[8];
        if (length > static_cast<size_t>(place.itsKeyLength)) {
            Fault(context + ": " + where + " has a key of " + Str(static_cast<int64_t>(length)) +
                  " bytes, more than the key length " + Str(place.itsKeyLength));
            length = static_cast<size_t>(place.itsKeyLength);
        }
        CheckEntryRef(walk, where, ref);
        CheckOrder(walk, where, e + kEntryOverhead, length, ref);
        ++key.itsEntriesFound;
        if (right != 0) VisitPage(walk, right, level + 1, where);
    }
}

// An entry must name a record: a slot in range that is not free and, for variable-length
// records, the first section of a chain. A database without any record uses its keys as a map
// whose references are values (the training counts), so there is nothing to check then.
void TVerifier::CheckEntryRef(const TTreeWalk& walk, const std::string& where, int32_t ref) {
    const TDataHeader& header = itsReport.itsHeader;
    if (header.itsHighSlot <= 0) return;
    std::string prefix = walk.itsContext + ": " + where + " refers to slot " + Str(ref);
    if (ref < 1 || ref > header.itsHighSlot) {
        Fault(prefix + ", outside 1.." + Str(header.itsHighSlot));
        return;
    }
    if (static_cast<uint64_t>(ref) >= itsSlotState.size()) return;
    uint8_t state = itsSlotState[ref];
    if (state == kSlotFree) {
        Fault(prefix + ", which is on the free chain");
    } else if (state == kSlotContinuation || state == kSlotClaimed) {
        Fault(prefix + ", a continuation section, not the start of a record");
    } else if (state == kSlotStray) {
        Fault(prefix + ", which holds no record");
    }
}

// Walking the tree in order, every entry must follow the one before it: by key, and with
// duplicates by reference among equal keys. This covers separators against their subtrees too.
void TVerifier::CheckOrder(TTreeWalk& walk, const std::string& where, const uint8_t* key, size_t length,
                           int32_t ref) {
    if (walk.itsHasPrevious) {
        int order = CompareKeys(walk.itsPreviousKey, key, length);
        std::string keyText = KeyText(key, length);
        if (order > 0) {
            std::string previousText = KeyText(reinterpret_cast<const uint8_t*>(walk.itsPreviousKey.data()),
                                               walk.itsPreviousKey.size());
            Fault(walk.itsContext + ": keys out of order: " + walk.itsPreviousWhere + " " + previousText +
                  " comes before " + where + " " + keyText);
        } else if (order == 0 && walk.itsKey->itsHeader.itsDupsAllowed == 0) {
            Fault(walk.itsContext + ": key " + keyText + " appears twice (" + walk.itsPreviousWhere +
                  " and " + where + ") in an index without duplicates");
        } else if (order == 0 && ref == walk.itsPreviousRef) {
            Fault(walk.itsContext + ": the entry of key " + keyText + " and slot " + Str(ref) +
                  " appears twice (" + walk.itsPreviousWhere + " and " + where + ")");
        } else if (order == 0 && ref < walk.itsPreviousRef) {
            Fault(walk.itsContext + ": duplicates out of reference order: key " + keyText + " with slot " +
                  Str(walk.itsPreviousRef) + " (" + walk.itsPreviousWhere + ") comes before slot " +
                  Str(ref) + " (" + where + ")");
        }
    }
    walk.itsHasPrevious = true;
    walk.itsPreviousKey.assign(reinterpret_cast<const char*>(key), length);
    walk.itsPreviousRef = ref;
    walk.itsPreviousWhere = where;
}

} // namespace

TVerifyReport VerifyDatabase(const TVerifyOptions& options) {
    try {
        return TVerifier(options, true).Run();
    } catch (const std::bad_alloc&) {
        TVerifyReport report;
        report.itsOpenError = "not enough memory to verify " + options.itsBase;
        return report;
    }
}

TVerifyReport ReadDatabaseHeaders(const TVerifyOptions& options) {
    try {
        return TVerifier(options, false).Run();
    } catch (const std::bad_alloc&) {
        TVerifyReport report;
        report.itsOpenError = "not enough memory to read " + options.itsBase;
        return report;
    }
}

} // namespace marvek
