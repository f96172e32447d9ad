// Rebuild and reindex: copies the live records of a database into a fresh, compact data file and
// builds every key index anew from the records through the client's key function.
//
// A record is live when its first 4 bytes are zero: free slots carry their link there and
// continuation sections the marker 1. The data file is moved to the working copy first and only
// deleted once the new one is complete, so on failure the records stay under the data file's name.

#include "storage/IsamEngine.h"
#include "storage/IsamFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <unordered_set>

namespace marvek {

using namespace isam;

namespace {

constexpr int64_t kBufferBytes = 32768;

// Reads a data file slot by slot through a buffer of whole slots.
class TSlotReader {
public:
    TSlotReader(TFile& file, int slotBytes, int64_t slots)
        : itsFile(file), itsSlotBytes(slotBytes), itsSlots(slots) {
        int64_t perBuffer = std::max<int64_t>(1, kBufferBytes / slotBytes);
        try {
            itsBuffer.resize(static_cast<size_t>(perBuffer * slotBytes));
        } catch (const std::bad_alloc&) {
            itsBuffer.resize(static_cast<size_t>(slotBytes));
        }
    }

    // The bytes of slot n, or nullptr on a read failure (reported).
    const uint8_t* Slot(int64_t n) {
        int64_t perBuffer = static_cast<int64_t>(itsBuffer.size()) / itsSlotBytes;
        if (n < itsFirst || n >= itsFirst + itsCount) {
            itsFirst = n;
            itsCount = std::min(perBuffer, itsSlots - n);
            if (!ReadExact(nullptr, itsFile, n * itsSlotBytes, itsBuffer.data(),
                           static_cast<size_t>(itsCount * itsSlotBytes))) {
                itsCount = 0;
                return nullptr;
            }
        }
        return itsBuffer.data() + (n - itsFirst) * itsSlotBytes;
    }

private:
    TFile& itsFile;
    int itsSlotBytes;
    int64_t itsSlots;
    std::vector<uint8_t> itsBuffer;
    int64_t itsFirst = 0;
    int64_t itsCount = 0;
};

// Appends slots to a new data file through a buffer.
class TSlotWriter {
public:
    TSlotWriter(TFile& file, int slotBytes) : itsFile(file), itsSlotBytes(slotBytes) {
        try {
            itsBuffer.reserve(
                static_cast<size_t>(std::max<int64_t>(slotBytes, kBufferBytes / slotBytes * slotBytes)));
        } catch (const std::bad_alloc&) {
        }
    }

    int32_t NextSlot() const { return itsHighSlot + 1; }
    int32_t HighSlot() const { return itsHighSlot; }

    bool Append(const uint8_t* slot) {
        if (itsBuffer.size() + static_cast<size_t>(itsSlotBytes) > itsBuffer.capacity() && !Flush())
            return false;
        itsBuffer.insert(itsBuffer.end(), slot, slot + itsSlotBytes);
        ++itsHighSlot;
        return true;
    }

    bool Flush() {
        if (itsBuffer.empty()) return true;
        if (!WriteExact(nullptr, itsFile, itsWritten * itsSlotBytes, itsBuffer.data(), itsBuffer.size()))
            return false;
        itsWritten += static_cast<int64_t>(itsBuffer.size()) / itsSlotBytes;
        itsBuffer.clear();
        return true;
    }

private:
    TFile& itsFile;
    int itsSlotBytes;
    std::vector<uint8_t> itsBuffer;
    int32_t itsHighSlot = 0;
    int64_t itsWritten = 1; // slot 0, the header, is written at the end
};

bool ZeroLead(const uint8_t* slot) {
    return slot[0] == 0 && slot[1] == 0 && slot[2] == 0 && slot[3] == 0;
}

// Reads the chain that starts at slot first of the working copy; false when it is broken.
bool ReadChain(TSlotReader& reader, int slotBytes, int64_t slots, int64_t first,
               std::vector<uint8_t>& record) {
    record.clear();
    const uint8_t* s = reader.Slot(first);
    if (s == nullptr) return false;
    int count = GetU16(s + slotBytes - 6);
    if (count > slotBytes - 6) return false;
    record.insert(record.end(), s, s + count);
    int32_t link = GetI32(s + slotBytes - 4);
    int limit = (65525 - slotBytes) / (slotBytes - 6) + 2;
    for (int n = 1; link != 0; ++n) {
        if (n >= limit || link < 1 || link >= slots) return false;
        s = reader.Slot(link);
        if (s == nullptr || s[0] != 1) return false;
        count = GetU16(s + slotBytes - 6);
        if (count > slotBytes - 7) return false;
        record.insert(record.end(), s + 1, s + 1 + count);
        link = GetI32(s + slotBytes - 4);
    }
    if (record.size() > 65535) return false;
    // A first section that holds fewer than the four zero bytes every record starts with lets the
    // next section's bytes take their place; copied, the record would be neither live nor free.
    for (size_t i = 0; i < std::min<size_t>(4, record.size()); ++i)
        if (record[i] != 0) return false;
    return true;
}

bool AppendChain(TSlotWriter& writer, int slotBytes, const std::vector<uint8_t>& record) {
    std::vector<uint8_t> section(static_cast<size_t>(slotBytes));
    int length = static_cast<int>(record.size());
    int firstBytes = std::min(length, slotBytes - 6);
    int chunk = slotBytes - 7;
    int rest = length - firstBytes;
    int sections = rest > 0 ? (rest + chunk - 1) / chunk : 0;
    // Sections follow each other, so each link names the slot the next one gets.
    int32_t next = writer.NextSlot() + 1;
    std::fill(section.begin(), section.end(), 0);
    // A damaged file can hold a chain of no bytes, whose vector may have no buffer to copy from.
    if (firstBytes > 0) std::memcpy(section.data(), record.data(), static_cast<size_t>(firstBytes));
    PutU16(section.data() + slotBytes - 6, static_cast<uint16_t>(firstBytes));
    PutI32(section.data() + slotBytes - 4, sections > 0 ? next : 0);
    if (!writer.Append(section.data())) return false;
    for (int j = 0; j < sections; ++j) {
        int count = j == sections - 1 ? rest - j * chunk : chunk;
        std::fill(section.begin(), section.end(), 0);
        section[0] = 1;
        std::memcpy(section.data() + 1, record.data() + firstBytes + j * chunk, static_cast<size_t>(count));
        PutU16(section.data() + slotBytes - 6, static_cast<uint16_t>(count));
        PutI32(section.data() + slotBytes - 4, j == sections - 1 ? 0 : writer.NextSlot() + 1);
        if (!writer.Append(section.data())) return false;
    }
    return true;
}

struct TRebuildNames {
    std::string itsData;
    std::string itsIndex;
    std::string itsSave;
    std::string itsMessage;
};

TRebuildNames RebuildNames(const std::string& base) {
    TIsamState& s = IsamState();
    TIsamFileNames names = IsamFileNames(base, s.itsDataExt, s.itsIndexExt, s.itsJournalExt);
    size_t semicolon = base.find(';');
    std::string dataBase = semicolon == std::string::npos ? base : base.substr(0, semicolon);
    return {names.itsData, names.itsIndex, IsamFileName(dataBase, s.itsSaveExt),
            IsamFileName(dataBase, s.itsMessageExt)};
}

// Copies the live records of the working copy into a new data file.
bool CopyLiveRecords(const TRebuildNames& names, int slotBytes, bool variable) {
    TFile save;
    int code = save.Open(names.itsSave, TFileMode::kReadOnly);
    if (code != 0) return FailOs(code, TIoKind::kOpen, false);
    int64_t size = 0;
    if ((code = save.Size(&size)) != 0) return FailOs(code, TIoKind::kOther, false);
    int64_t slots = size / slotBytes;

    TFile data;
    code = data.Create(names.itsData);
    if (code != 0) return FailOs(code, TIoKind::kOpen, false);
    TSlotReader reader(save, slotBytes, slots);
    TSlotWriter writer(data, slotBytes);
    std::vector<uint8_t> record;
    for (int64_t n = 1; n < slots; ++n) {
        const uint8_t* slot = reader.Slot(n);
        if (slot == nullptr) return false;
        if (!ZeroLead(slot)) continue;
        if (!variable) {
            if (!writer.Append(slot)) return false;
            continue;
        }
        if (!ReadChain(reader, slotBytes, slots, n, record)) {
            if (!IsamOK()) return false;
            continue;
        }
        if (!AppendChain(writer, slotBytes, record)) return false;
    }
    if (!writer.Flush()) return false;
    TDataHeader header;
    header.itsHighSlot = writer.HighSlot();
    header.itsSlotBytes = slotBytes;
    std::vector<uint8_t> slot0(static_cast<size_t>(slotBytes), 0);
    uint8_t bytes[kKeyHeaderBytes];
    EncodeDataHeader(header, bytes);
    std::memcpy(slot0.data(), bytes, kDataHeaderBytes);
    if (!WriteExact(nullptr, data, 0, slot0.data(), slot0.size()) || !FlushFile(data)) return false;
    if ((code = data.Close()) != 0) return FailOs(code, TIoKind::kOther, false);
    return true;
}

bool DataPass(const TRebuildNames& names, int slotBytes, bool variable) {
    if (slotBytes > (variable ? kMaxVariableRead : 65535)) return Fail(kSlotTooLarge);
    if (slotBytes < kMinSlotBytes) return Fail(kRecordTooShort);
    bool haveData = FileExists(names.itsData);
    bool haveSave = FileExists(names.itsSave);
    if (haveData && haveSave) return Fail(kRebuildInterrupted);
    if (variable && !BTGrowSectionBuffer(static_cast<uint16_t>(slotBytes))) return Fail(kNoRebuildMemory);
    if (haveData) {
        int code = RenameFile(names.itsData, names.itsSave);
        if (code != 0) {
            IsamState().itsOsError = code;
            return Fail(kWorkingCopyMove);
        }
    } else if (!haveSave) {
        return Fail(kDataFileNotFound);
    }
    if (CopyLiveRecords(names, slotBytes, variable)) {
        RemoveFile(names.itsSave);
        return true;
    }
    // The new file is incomplete; the records go back under the data file's name. After an
    // interrupted earlier rebuild the working copy is all there is, so it goes back too.
    RemoveFile(names.itsData);
    if (RenameFile(names.itsSave, names.itsData) != 0 && CopyFile(names.itsSave, names.itsData) == 0)
        RemoveFile(names.itsSave);
    return false;
}

class TMessageFile {
public:
    explicit TMessageFile(std::string name) : itsName(std::move(name)) {}
    ~TMessageFile() {
        if (itsFile != nullptr) std::fclose(itsFile);
    }
    TMessageFile(const TMessageFile&) = delete;
    TMessageFile& operator=(const TMessageFile&) = delete;

    bool Write(const void* bytes, size_t count) {
        if (itsFile == nullptr) {
            itsFile = std::fopen(itsName.c_str(), "wb");
            if (itsFile == nullptr) return Fail(kMessageFileBase + errno);
        }
        if (std::fwrite(bytes, 1, count, itsFile) != count) return Fail(kMessageFileBase + errno);
        return true;
    }
    bool Write(const std::string& text) { return Write(text.data(), text.size()); }
    bool Close() {
        if (itsFile == nullptr) return true;
        int code = std::fclose(itsFile);
        itsFile = nullptr;
        return code == 0 ? true : Fail(kMessageFileBase + errno);
    }

private:
    std::string itsName;
    FILE* itsFile = nullptr;
};

bool CheckDataFile(const std::string& dataName, TDataHeader& header) {
    TFile data;
    int code = data.Open(dataName, TFileMode::kReadWrite);
    if (code != 0) return FailOs(code, TIoKind::kOpen, false);
    uint8_t bytes[kDataHeaderBytes];
    if (!ReadExact(nullptr, data, 0, bytes, kDataHeaderBytes)) return false;
    header = DecodeDataHeader(bytes);
    int64_t size = 0;
    if ((code = data.Size(&size)) != 0) return FailOs(code, TIoKind::kOther, false);
    if (header.itsSlotBytes < kMinSlotBytes || header.itsHighSlot < 0 || size % header.itsSlotBytes != 0 ||
        size != (static_cast<int64_t>(header.itsHighSlot) + 1) * header.itsSlotBytes)
        return Fail(kCannotReindex);
    if (header.itsFreeHead != -1) {
        uint8_t link[4];
        if (header.itsFreeHead < 1 || header.itsFreeHead > header.itsHighSlot ||
            !ReadExact(nullptr, data, static_cast<int64_t>(header.itsFreeHead) * header.itsSlotBytes, link,
                       4) ||
            GetI32(link) == 0)
            return Fail(kCannotReindex);
    }
    return true;
}

bool Reindex(const std::string& base, const TRebuildNames& names, int keyCount, const TBuildKey& buildKey,
             const TKeyDescription* keys, bool variable) {
    TDataHeader header;
    if (!CheckDataFile(names.itsData, header)) return false;
    if (!ValidKeyDescriptions(keyCount, keys)) return false;
    RemoveFile(names.itsIndex);
    if (!CreateIndexFile(names.itsIndex, keyCount, keys)) return false;
    {
        TFile data;
        int code = data.Open(names.itsData, TFileMode::kReadWrite);
        if (code != 0) return FailOs(code, TIoKind::kOpen, false);
        header.itsIndexCount = keyCount;
        header.itsDirtyMark = 0;
        uint8_t bytes[kKeyHeaderBytes];
        EncodeDataHeader(header, bytes);
        if (!WriteExact(nullptr, data, 0, bytes, kDataHeaderBytes)) return false;
    }

    IsamDatabase* db = nullptr;
    BTOpenDatabase(db, base, false, false);
    if (db == nullptr) return false;
    TMessageFile log(names.itsMessage);
    std::unordered_set<RecRef> deleted;
    std::vector<uint8_t> record(static_cast<size_t>(std::max<int>(header.itsSlotBytes, kMaxVariableRead)));
    bool ok = true;
    int32_t high = header.itsHighSlot;
    for (int keyNr = 1; ok && keyNr <= keyCount; ++keyNr) {
        for (RecRef ref = 1; ok && ref <= high; ++ref) {
            if (deleted.count(ref) != 0) continue;
            BeginCall();
            int length = header.itsSlotBytes;
            if (!ReadRecord(db, ref, record.data())) {
                ok = false;
                break;
            }
            if (!ZeroLead(record.data())) continue;
            if (variable) {
                length = BTGetVariableRec(db, ref, record.data());
                if (!IsamOK()) {
                    ok = false;
                    break;
                }
            }
            TIsamKey key{};
            bool built = false;
            try {
                built = buildKey(record.data(), length, keyNr, key);
            } catch (...) {
                built = false;
            }
            if (!built) {
                ok = Fail(kBuildKeyFailed);
                break;
            }
            BTAddKey(db, keyNr, key, ref);
            if (IsamOK()) continue;
            if (IsamError() != kAlreadyPresent) {
                ok = false;
                break;
            }
            // A second record under a key that must be unique: log it with a dump and drop it.
            BeginCall();
            std::string line = "Key:<" + std::string(IsamKeyBytes(key)) + ">" +
                               " KeyNr: " + std::to_string(keyNr) + " Ref: " + std::to_string(ref) +
                               " not added\n";
            ok = log.Write(line) && log.Write(std::string("Data record deleted - Dump follows\n")) &&
                 log.Write(record.data(), static_cast<size_t>(length)) && log.Write(std::string("\n"));
            for (int earlier = 1; ok && earlier < keyNr; ++earlier) {
                TIsamKey earlierKey{};
                if (buildKey(record.data(), length, earlier, earlierKey))
                    BTDeleteKey(db, earlier, earlierKey, ref);
            }
            BeginCall();
            if (!ok) break;
            if (variable)
                BTRemoveVariableRec(db, ref);
            else
                BTDeleteRec(db, ref);
            ok = IsamOK();
            deleted.insert(ref);
        }
    }
    int error = IsamOK() ? 0 : IsamError();
    bool closed = log.Close();
    int logError = closed ? 0 : IsamError();
    BTCloseDatabase(db);
    int closeError = IsamOK() ? 0 : IsamError();
    BeginCall();
    if (!ok) return Fail(error != 0 ? error : kIoError);
    if (logError != 0) return Fail(logError);
    if (closeError != 0) return Fail(closeError);
    return true;
}

void Rebuild(const std::string& base, int slotBytes, int keyCount, const TBuildKey& buildKey,
             const TKeyDescription* keys, bool variable) {
    BeginCall();
    if (!IsamState().itsStarted) {
        Fail(kNotStarted);
        return;
    }
    TRebuildNames names = RebuildNames(base);
    if (!DataPass(names, slotBytes, variable)) return;
    if (keyCount > 0) {
        Reindex(base, names, keyCount, buildKey, keys, variable);
    } else {
        RemoveFile(names.itsIndex);
    }
}

} // namespace

void BTRebuildDatabase(const std::string& base, int slotBytes, int keyCount, const TBuildKey& buildKey,
                       const TKeyDescription* keys) {
    Rebuild(base, slotBytes, keyCount, buildKey, keys, false);
}

void BTRebuildVariableDatabase(const std::string& base, int slotBytes, int keyCount,
                               const TBuildKey& buildKey, const TKeyDescription* keys) {
    Rebuild(base, slotBytes, keyCount, buildKey, keys, true);
}

} // namespace marvek
