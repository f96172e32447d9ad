#include "storage/IsamFixture.h"

#include <algorithm>
#include <stdexcept>

#include "storage/IsamFiles.h"
#include "support/FileHelpers.h"

namespace marvek::testsupport {

namespace {

void PutI32(std::string& bytes, size_t offset, int32_t value) {
    auto v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) bytes.at(offset + i) = static_cast<char>((v >> (8 * i)) & 0xff);
}

void PutU16(std::string& bytes, size_t offset, uint16_t value) {
    bytes.at(offset) = static_cast<char>(value & 0xff);
    bytes.at(offset + 1) = static_cast<char>(value >> 8);
}

} // namespace

std::string I32Bytes(int32_t value) {
    std::string bytes(4, '\0');
    PutI32(bytes, 0, value);
    return bytes;
}

void TFixtureKey::BuildTree(const std::vector<TFixtureEntry>& sorted) {
    itsPages.clear();
    itsFreeHead = -1;
    itsFreeCount = 0;
    itsEntryCount = static_cast<int32_t>(sorted.size());
    itsRootPage = 0;
    size_t n = sorted.size();
    if (n == 0) return;
    if (n <= 62) {
        itsPages.push_back({0, sorted});
        itsRootPage = 1;
        return;
    }
    // The fewest leaves that hold the entries besides the separators between them.
    size_t leaves = (n + 1 + 62) / 63;
    if (leaves - 1 > 62) throw std::invalid_argument("BuildTree: too many entries for two levels");
    size_t inLeaves = n - (leaves - 1);
    TFixturePage root;
    root.itsLeft = 1;
    size_t next = 0;
    for (size_t leaf = 0; leaf < leaves; ++leaf) {
        size_t count = inLeaves / leaves + (leaf < inLeaves % leaves ? 1 : 0);
        TFixturePage page;
        page.itsEntries.assign(sorted.begin() + static_cast<long>(next),
                               sorted.begin() + static_cast<long>(next + count));
        next += count;
        itsPages.push_back(page);
        if (leaf + 1 < leaves) {
            TFixtureEntry separator = sorted[next++];
            separator.itsRight = static_cast<int32_t>(leaf + 2);
            root.itsEntries.push_back(separator);
        }
    }
    itsPages.push_back(root);
    itsRootPage = PageCount();
}

int32_t TFixtureKey::AddFreePage() {
    TFixturePage page;
    page.itsFree = true;
    page.itsLink = itsFreeHead;
    itsPages.push_back(page);
    itsFreeHead = PageCount();
    ++itsFreeCount;
    return itsFreeHead;
}

void TFixtureDatabase::SetI32(int32_t slot, int offset, int32_t value) {
    PutI32(Slot(slot), static_cast<size_t>(offset), value);
}

int32_t TFixtureDatabase::GetI32(int32_t slot, int offset) const {
    const std::string& bytes = itsSlots.at(static_cast<size_t>(slot) - 1);
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t{static_cast<uint8_t>(bytes.at(offset + i))} << (8 * i);
    return static_cast<int32_t>(v);
}

int32_t TFixtureDatabase::AddRecord(const std::string& bytes) {
    std::string slotBytes = bytes;
    slotBytes.resize(static_cast<size_t>(itsSlotBytes), '\0');
    if (itsFreeHead != -1) {
        int32_t slot = itsFreeHead;
        itsFreeHead = GetI32(slot, 0);
        --itsFreeCount;
        Slot(slot) = slotBytes;
        return slot;
    }
    itsSlots.push_back(slotBytes);
    return HighSlot();
}

void TFixtureDatabase::DeleteRecord(int32_t slot) {
    SetI32(slot, 0, itsFreeHead);
    itsFreeHead = slot;
    ++itsFreeCount;
}

int32_t TFixtureDatabase::AddVariableRecord(const std::string& bytes) {
    size_t slotBytes = static_cast<size_t>(itsSlotBytes);
    size_t firstRoom = slotBytes - 6;
    size_t room = slotBytes - 7;
    int32_t link = 0;
    if (bytes.size() > firstRoom) {
        std::string rest = bytes.substr(firstRoom);
        size_t sections = (rest.size() + room - 1) / room;
        for (size_t i = sections; i-- > 0;) {
            std::string chunk = rest.substr(i * room, room);
            std::string section(slotBytes, '\0');
            section[0] = 1;
            section.replace(1, chunk.size(), chunk);
            PutU16(section, slotBytes - 6, static_cast<uint16_t>(chunk.size()));
            PutI32(section, slotBytes - 4, link);
            link = AddRecord(section);
        }
    }
    std::string first = bytes.substr(0, firstRoom);
    std::string section(slotBytes, '\0');
    section.replace(0, first.size(), first);
    PutU16(section, slotBytes - 6, static_cast<uint16_t>(first.size()));
    PutI32(section, slotBytes - 4, link);
    return AddRecord(section);
}

void TFixtureDatabase::RemoveVariableRecord(int32_t slot) {
    while (slot != 0) {
        int32_t next = GetI32(slot, itsSlotBytes - 4);
        DeleteRecord(slot);
        slot = next;
    }
}

std::string TFixtureDatabase::DataBytes() const {
    std::string bytes(static_cast<size_t>(itsSlotBytes), '\0');
    bytes.resize(21 > bytes.size() ? 21 : bytes.size(), '\0');
    PutI32(bytes, 0, itsFreeHead);
    PutI32(bytes, 4, itsFreeCount);
    PutI32(bytes, 8, HighSlot());
    PutI32(bytes, 12, itsSlotBytes);
    PutI32(bytes, 16, itsIndexCount >= 0 ? itsIndexCount : static_cast<int32_t>(itsKeys.size()));
    bytes[20] = static_cast<char>(itsDirtyMark);
    for (const std::string& slot : itsSlots) bytes += slot;
    return bytes;
}

int64_t TFixtureDatabase::RowBytes() const {
    int64_t row = 0;
    for (const TFixtureKey& key : itsKeys) row += key.PageBytes();
    return row;
}

int64_t TFixtureDatabase::KeyOffset(int keyNr) const {
    int64_t offset = 0;
    for (int k = 1; k < keyNr; ++k) offset += itsKeys.at(static_cast<size_t>(k) - 1).PageBytes();
    return offset;
}

std::string TFixtureDatabase::IndexBytes() const {
    int64_t row = RowBytes();
    int32_t rows = 1;
    for (const TFixtureKey& key : itsKeys) rows = std::max(rows, key.PageCount() + 1);
    std::string bytes(static_cast<size_t>(rows * row), '\0');
    for (size_t k = 0; k < itsKeys.size(); ++k) {
        const TFixtureKey& key = itsKeys[k];
        auto at = static_cast<size_t>(KeyOffset(static_cast<int>(k) + 1));
        PutI32(bytes, at, key.itsFreeHead);
        PutI32(bytes, at + 4, key.itsFreeCount);
        PutI32(bytes, at + 8, key.PageCount());
        PutI32(bytes, at + 12, key.PageBytes());
        PutI32(bytes, at + 16, key.itsRootPage);
        bytes[at + 20] = key.itsDups ? 1 : 0;
        PutI32(bytes, at + 22, key.itsEntryCount);
        PutU16(bytes, at + 26, key.itsPageCapacity);
        for (int32_t p = 1; p <= key.PageCount(); ++p) {
            const TFixturePage& page = key.itsPages[static_cast<size_t>(p) - 1];
            size_t base = static_cast<size_t>(p * row) + at;
            if (page.itsFree) {
                PutI32(bytes, base, page.itsLink);
                continue;
            }
            PutU16(bytes, base, static_cast<uint16_t>(page.itsEntries.size()));
            PutI32(bytes, base + 2, page.itsLeft);
            size_t entryBytes = static_cast<size_t>(key.itsKeyLength) + 9;
            for (size_t i = 0; i < page.itsEntries.size(); ++i) {
                const TFixtureEntry& entry = page.itsEntries[i];
                size_t e = base + 6 + i * entryBytes;
                PutI32(bytes, e, entry.itsRef);
                PutI32(bytes, e + 4, entry.itsRight);
                bytes.at(e + 8) = static_cast<char>(entry.itsKey.size());
                bytes.replace(e + 9, std::min(entry.itsKey.size(), entryBytes - 9), entry.itsKey, 0,
                              entryBytes - 9);
            }
        }
    }
    return bytes;
}

void TFixtureDatabase::Write(const std::string& base) const {
    TIsamFileNames names = IsamFileNames(base, "DAT", "IX", "DIA");
    WriteWholeFile(names.itsData, DataBytes());
    if (!itsKeys.empty()) WriteWholeFile(names.itsIndex, IndexBytes());
}

std::string SampleRecord(size_t length, int seed) {
    std::string bytes(length, '\0');
    for (size_t i = 4; i < length; ++i)
        bytes[i] = static_cast<char>('a' + (seed * 7 + static_cast<int>(i)) % 26);
    return bytes;
}

TFixtureDatabase SampleFixedDatabase() {
    TFixtureDatabase db(32);
    for (int i = 1; i <= 70; ++i) db.AddRecord(SampleRecord(12, i));
    db.DeleteRecord(7);
    db.DeleteRecord(3);

    TFixtureKey names;
    names.itsKeyLength = 8;
    std::vector<TFixtureEntry> entries;
    for (int i = 0; i < 63; ++i) {
        std::string key = std::to_string(1000 + i);
        entries.push_back({"k" + key.substr(1), 8 + i});
    }
    names.BuildTree(entries);
    names.AddFreePage();

    TFixtureKey dups;
    dups.itsKeyLength = 3;
    dups.itsDups = true;
    dups.BuildTree({{"ab", 5}, {"ab", 9}, {"abc", 2}, {"b", 1}, {"z", 6}, {"\xe9", 4}});
    dups.AddFreePage();

    db.itsKeys = {names, dups};
    return db;
}

TFixtureDatabase SampleVariableDatabase() {
    TFixtureDatabase db(32);
    std::vector<int32_t> refs;
    int seed = 0;
    for (size_t length : {4, 26, 27, 51, 52, 200})
        refs.push_back(db.AddVariableRecord(SampleRecord(length, ++seed)));
    db.RemoveVariableRecord(refs[4]);
    refs[4] = db.AddVariableRecord(SampleRecord(30, ++seed));

    TFixtureKey key;
    key.itsKeyLength = 4;
    std::vector<TFixtureEntry> entries;
    for (size_t i = 0; i < refs.size(); ++i) entries.push_back({"r" + std::to_string(i), refs[i]});
    key.BuildTree(entries);
    db.itsKeys = {key};
    return db;
}

} // namespace marvek::testsupport
