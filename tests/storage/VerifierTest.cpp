#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <functional>
#include <random>

#include "platform/File.h"
#include "storage/IsamFiles.h"
#include "storage/IsamFixture.h"
#include "storage/Verifier.h"
#include "support/FileHelpers.h"
#include "support/ScratchFolder.h"

namespace marvek {
namespace {

using testsupport::I32Bytes;
using testsupport::PatchFile;
using testsupport::ReadWholeFile;
using testsupport::SampleFixedDatabase;
using testsupport::SampleRecord;
using testsupport::SampleVariableDatabase;
using testsupport::TFixtureDatabase;
using testsupport::TFixtureEntry;
using testsupport::TFixtureKey;
using testsupport::TScratchFolder;
using testsupport::WriteWholeFile;

TVerifyOptions Options(const std::string& base, bool variable = false) {
    TVerifyOptions options;
    options.itsBase = base;
    options.itsVariable = variable;
    return options;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += "  " + line + "\n";
    return text;
}

bool HasFault(const TVerifyReport& report, const std::string& part) {
    return std::any_of(report.itsFaults.begin(), report.itsFaults.end(),
                       [&](const std::string& fault) { return fault.find(part) != std::string::npos; });
}

// The record a key entry of the variable sample names, and the section a section links to.
int32_t RecordRef(const TFixtureDatabase& db, int record) {
    return db.itsKeys[0].itsPages[0].itsEntries.at(static_cast<size_t>(record)).itsRef;
}

int32_t NextSection(const TFixtureDatabase& db, int32_t slot) {
    return db.GetI32(slot, db.itsSlotBytes - 4);
}

void SetSectionCount(TFixtureDatabase& db, int32_t slot, uint16_t count) {
    std::string& bytes = db.Slot(slot);
    bytes[static_cast<size_t>(db.itsSlotBytes) - 6] = static_cast<char>(count & 0xff);
    bytes[static_cast<size_t>(db.itsSlotBytes) - 5] = static_cast<char>(count >> 8);
}

TEST(Verifier, SampleFixedDatabaseIsSoundAndDescribed) {
    TScratchFolder folder;
    std::string base = folder / "names";
    SampleFixedDatabase().Write(base);

    TVerifyReport report = VerifyDatabase(Options(base));
    ASSERT_TRUE(report.Opened()) << report.itsOpenError;
    EXPECT_TRUE(report.Sound()) << Joined(report.itsFaults);
    EXPECT_EQ(report.itsDataBytes, 71 * 32);
    EXPECT_EQ(report.itsHeader.itsFreeHead, 3);
    EXPECT_EQ(report.itsHeader.itsFreeCount, 2);
    EXPECT_EQ(report.itsHeader.itsHighSlot, 70);
    EXPECT_EQ(report.itsHeader.itsSlotBytes, 32);
    EXPECT_EQ(report.itsHeader.itsIndexCount, 2);
    EXPECT_EQ(report.itsHeader.itsDirtyMark, 0);
    EXPECT_EQ(report.itsRecords, 68);
    EXPECT_EQ(report.itsFreeSlotsFound, 2);
    EXPECT_EQ(report.itsJournalBytes, -1);

    ASSERT_EQ(report.itsKeys.size(), 2u);
    const TKeyIndexReport& names = report.itsKeys[0];
    EXPECT_EQ(names.itsKeyLength, 8);
    EXPECT_EQ(names.itsDepth, 2);
    EXPECT_EQ(names.itsEntriesFound, 63);
    EXPECT_EQ(names.itsHeader.itsEntryCount, 63);
    EXPECT_EQ(names.itsHeader.itsPageCount, 4);
    EXPECT_EQ(names.itsHeader.itsRootPage, 3);
    EXPECT_EQ(names.itsPagesInTree, 3);
    EXPECT_EQ(names.itsFreePagesFound, 1);
    EXPECT_EQ(names.itsHeader.itsDupsAllowed, 0);
    const TKeyIndexReport& dups = report.itsKeys[1];
    EXPECT_EQ(dups.itsKeyLength, 3);
    EXPECT_EQ(dups.itsDepth, 1);
    EXPECT_EQ(dups.itsEntriesFound, 6);
    EXPECT_EQ(dups.itsHeader.itsDupsAllowed, 1);
}

TEST(Verifier, SampleVariableDatabaseIsSoundInBothModes) {
    TScratchFolder folder;
    std::string base = folder / "positions";
    SampleVariableDatabase().Write(base);

    TVerifyReport report = VerifyDatabase(Options(base, true));
    EXPECT_TRUE(report.Sound()) << report.itsOpenError << Joined(report.itsFaults);
    EXPECT_EQ(report.itsHeader.itsHighSlot, 17);
    EXPECT_EQ(report.itsRecords, 6);
    EXPECT_EQ(report.itsSections, 16);
    EXPECT_EQ(report.itsFreeSlotsFound, 1);

    // Read as fixed records, every section is simply a live slot.
    report = VerifyDatabase(Options(base, false));
    EXPECT_TRUE(report.Sound()) << Joined(report.itsFaults);
    EXPECT_EQ(report.itsRecords, 16);
}

TEST(Verifier, FixtureWritesTheFormatByteForByte) {
    // A few bytes pinned by hand, so that the writer the other tests trust is itself checked.
    TFixtureDatabase db = SampleVariableDatabase();
    std::string data = db.DataBytes();
    ASSERT_EQ(data.size(), 18u * 32);
    EXPECT_EQ(data.substr(0, 21),
              I32Bytes(9) + I32Bytes(1) + I32Bytes(17) + I32Bytes(32) + I32Bytes(1) + '\0');
    EXPECT_EQ(data.substr(21, 11), std::string(11, '\0'));
    // The 27-byte record: its continuation (slot 3) was written first and holds the last byte.
    EXPECT_EQ(data[3 * 32], '\x01');
    EXPECT_EQ(data.substr(3 * 32 + 26, 6), std::string("\x01\0", 2) + I32Bytes(0));
    EXPECT_EQ(data.substr(4 * 32 + 26, 6), std::string("\x1a\0", 2) + I32Bytes(3));
    // The freed slot keeps the end of the chain in its first 4 bytes.
    EXPECT_EQ(data.substr(9 * 32, 4), I32Bytes(-1));

    std::string index = db.IndexBytes();
    int32_t pageBytes = (4 + 9) * 62 + 6;
    ASSERT_EQ(index.size(), 2u * pageBytes);
    EXPECT_EQ(index.substr(0, 28), I32Bytes(-1) + I32Bytes(0) + I32Bytes(1) + I32Bytes(pageBytes) +
                                       I32Bytes(1) + std::string("\0\0", 2) + I32Bytes(6) +
                                       std::string("\x3e\0", 2));
    EXPECT_EQ(index.substr(pageBytes, 6 + 13), std::string("\x06\0", 2) + I32Bytes(0) + I32Bytes(1) +
                                                   I32Bytes(0) + std::string("\x02r0\0\0", 5));
}

// Databases that must be found sound, each showing a case a careless check would call damaged.
struct TSoundCase {
    const char* itsName;
    bool itsVariable;
    std::function<TFixtureDatabase()> itsMake;
    std::function<void(const TIsamFileNames&, const TFixtureDatabase&)> itsAfter;
    std::string itsBase = "book";
};

const TSoundCase kSoundCases[] = {
    {"NoRecordsNoKeys", false, [] { return TFixtureDatabase(21); }, {}},
    {"EverySlotFree",
     false,
     [] {
         TFixtureDatabase db(21);
         for (int i = 0; i < 5; ++i) db.AddRecord(std::string(4, '\0'));
         for (int32_t slot : {2, 5, 1, 4, 3}) db.DeleteRecord(slot);
         return db;
     },
     {}},
    {"EmptyIndex",
     false,
     [] {
         TFixtureDatabase db(24);
         db.AddRecord("");
         db.itsKeys.emplace_back();
         return db;
     },
     {}},
    // A cleared index starts its pages at 1 again, leaving older rows in the file.
    {"ClearedIndexKeepsItsRows", false,
     [] {
         TFixtureDatabase db(24);
         db.itsKeys.emplace_back();
         return db;
     },
     [](const TIsamFileNames& files, const TFixtureDatabase& db) {
         std::string bytes = ReadWholeFile(files.itsIndex);
         WriteWholeFile(files.itsIndex, bytes + std::string(static_cast<size_t>(3 * db.RowBytes()), '\xab'));
     }},
    {"FullLengthKeysOfByte255",
     false,
     [] {
         TFixtureDatabase db(21);
         TFixtureKey key;
         key.itsKeyLength = 41;
         std::vector<TFixtureEntry> entries;
         for (int i = 1; i <= 40; ++i) {
             db.AddRecord("");
             entries.push_back({std::string(40, '\xff') + static_cast<char>(i + 200), i});
         }
         key.BuildTree(entries);
         db.itsKeys = {key};
         return db;
     },
     {}},
    {"StoredPageCapacityZeroReadsAs62",
     false,
     [] {
         TFixtureDatabase db = SampleFixedDatabase();
         db.itsKeys[0].itsPageCapacity = 0;
         return db;
     },
     {}},
    {"CleanJournalBeside", false, SampleFixedDatabase,
     [](const TIsamFileNames& files, const TFixtureDatabase&) { WriteWholeFile(files.itsJournal, "x"); }},
    {"IndexFileNamedApart", false, SampleFixedDatabase, {}, "book;keys/other"},
    {"VariableInSmallestSlots",
     true,
     [] {
         TFixtureDatabase db(21);
         int32_t a = db.AddVariableRecord(SampleRecord(15, 1));
         int32_t b = db.AddVariableRecord(SampleRecord(16, 2));
         int32_t c = db.AddVariableRecord(SampleRecord(100, 3));
         db.RemoveVariableRecord(b);
         db.AddRecord(std::string(21, '\0'));
         db.itsKeys.emplace_back();
         db.itsKeys[0].itsDups = true;
         db.itsKeys[0].BuildTree({{"", a}, {"", c}});
         return db;
     },
     {}},
};

void PrintTo(const TSoundCase& c, std::ostream* out) {
    *out << c.itsName;
}

class VerifierSound : public ::testing::TestWithParam<TSoundCase> {};

TEST_P(VerifierSound, ReportsSound) {
    const TSoundCase& c = GetParam();
    TScratchFolder folder;
    std::filesystem::create_directory(folder / "keys");
    std::string base = folder / c.itsBase;
    size_t semicolon = base.find(';');
    if (semicolon != std::string::npos) base.insert(semicolon + 1, folder.Path());
    TFixtureDatabase db = c.itsMake();
    db.Write(base);
    if (c.itsAfter) c.itsAfter(IsamFileNames(base, "DAT", "IX", "DIA"), db);

    TVerifyReport report = VerifyDatabase(Options(base, c.itsVariable));
    ASSERT_TRUE(report.Opened()) << report.itsOpenError;
    EXPECT_TRUE(report.Sound()) << Joined(report.itsFaults);
}

INSTANTIATE_TEST_SUITE_P(Cases, VerifierSound, ::testing::ValuesIn(kSoundCases),
                         [](const ::testing::TestParamInfo<TSoundCase>& info) { return info.param.itsName; });

// Hand-damaged variants of the samples. Each names a part of the fault it must produce; other
// faults may follow from the same damage.
struct TDamageCase {
    const char* itsName;
    bool itsVariable;
    std::function<void(TFixtureDatabase&)> itsEdit;
    std::function<void(const TIsamFileNames&, const TFixtureDatabase&)> itsPatch;
    const char* itsExpected;
};

void Resize(const std::string& path, int64_t size) {
    std::filesystem::resize_file(path, static_cast<uintmax_t>(size));
}

void Append(const std::string& path, const std::string& bytes) {
    WriteWholeFile(path, ReadWholeFile(path) + bytes);
}

// Key 1 of the fixed sample: leaves 1 and 2 under root 3, free page 4.
testsupport::TFixturePage& NamesPage(TFixtureDatabase& db, int32_t page) {
    return db.itsKeys[0].Page(page);
}

const TDamageCase kDamageCases[] = {
    // The data file and its free chain.
    {"DataFileLongerThanHeaderSays",
     false,
     {},
     [](const TIsamFileNames& f, const TFixtureDatabase&) { Append(f.itsData, "12345"); },
     "holds 2277 bytes, but HighSlot 70 and SlotBytes 32 give 2272"},
    {"DataFileShorterThanHeaderSays",
     false,
     {},
     [](const TIsamFileNames& f, const TFixtureDatabase&) { Resize(f.itsData, 70 * 32); },
     "give 2272"},
    {"DataFileShorterThanItsHeader",
     false,
     {},
     [](const TIsamFileNames& f, const TFixtureDatabase&) { Resize(f.itsData, 10); },
     "data file: holds 10 bytes, fewer than the 21 of its header"},
    {"HugeHeaderValues",
     false,
     {},
     [](const TIsamFileNames& f, const TFixtureDatabase&) {
         PatchFile(f.itsData, 8, I32Bytes(INT_MAX) + I32Bytes(INT_MAX));
     },
     "but HighSlot 2147483647 and SlotBytes 2147483647"},
    {"SlotBytesBelow21",
     false,
     {},
     [](const TIsamFileNames& f, const TFixtureDatabase&) { PatchFile(f.itsData, 12, I32Bytes(20)); },
     "SlotBytes is 20, less than 21"},
    {"NegativeHighSlot",
     false,
     {},
     [](const TIsamFileNames& f, const TFixtureDatabase&) { PatchFile(f.itsData, 8, I32Bytes(-4)); },
     "HighSlot is -4, below 0"},
    {"IndexCountAbove100",
     false,
     [](TFixtureDatabase& db) { db.itsIndexCount = 101; },
     {},
     "IndexCount is 101, outside 0..100"},
    {"DirtyMarkSet",
     false,
     [](TFixtureDatabase& db) { db.itsDirtyMark = 1; },
     {},
     "DirtyMark is set: the database was not closed properly"},
    {"DirtyMarkNeither0Nor1",
     false,
     [](TFixtureDatabase& db) { db.itsDirtyMark = 9; },
     {},
     "DirtyMark holds 9, neither 0 nor 1"},
    {"FreeChainCycle",
     false,
     [](TFixtureDatabase& db) { db.SetI32(7, 0, 3); },
     {},
     "free chain: slot 7 links back to slot 3 (a cycle)"},
    {"FreeLinkOutOfRange",
     false,
     [](TFixtureDatabase& db) { db.SetI32(7, 0, 500); },
     {},
     "free chain: slot 7 links to slot 500, outside 1..70"},
    {"FreeLinkZero",
     false,
     [](TFixtureDatabase& db) { db.SetI32(3, 0, 0); },
     {},
     "free chain: slot 3 links to slot 0, outside 1..70"},
    {"FreeHeadOutOfRange",
     false,
     [](TFixtureDatabase& db) { db.itsFreeHead = 71; },
     {},
     "free chain: FreeHead links to slot 71, outside 1..70"},
    {"FreeCountWrong",
     false,
     [](TFixtureDatabase& db) { db.itsFreeCount = 3; },
     {},
     "FreeCount is 3, but the free chain holds 2 slots"},
    {"EntryNamesSlotOutOfRange",
     false,
     [](TFixtureDatabase& db) { NamesPage(db, 1).itsEntries[0].itsRef = 71; },
     {},
     "key 1: page 1 entry 1 refers to slot 71, outside 1..70"},
    {"EntryNamesFreeSlot",
     false,
     [](TFixtureDatabase& db) { NamesPage(db, 2).itsEntries[4].itsRef = 7; },
     {},
     "key 1: page 2 entry 5 refers to slot 7, which is on the free chain"},

    // Key headers and the index file.
    {"IndexFileMissing",
     false,
     {},
     [](const TIsamFileNames& f, const TFixtureDatabase&) { std::filesystem::remove(f.itsIndex); },
     "is missing, but the data header names 2 key indexes"},
    {"IndexFileTruncated",
     false,
     {},
     [](const TIsamFileNames& f, const TFixtureDatabase& db) { Resize(f.itsIndex, 3 * db.RowBytes()); },
     "key 1's PageCount 4 needs 9050 (the file is truncated)"},
    {"IndexFileOfPartRows",
     false,
     {},
     [](const TIsamFileNames& f, const TFixtureDatabase&) { Append(f.itsIndex, "xyz"); },
     "not a whole number of its 1810-byte rows"},
    {"KeyHeaderPastTheEnd", false, [](TFixtureDatabase& db) { db.itsIndexCount = 3; },
     [](const TIsamFileNames& f, const TFixtureDatabase& db) { Resize(f.itsIndex, db.RowBytes()); },
     "key 3: its header lies past the end of the index file"},
    {"PageBytesOfNoWholeKeyLength",
     false,
     [](TFixtureDatabase& db) { db.itsKeys[0].itsPageBytes = 17 * 62 + 7; },
     {},
     "key 1: PageBytes 1061 is no page of 62 entries of a whole key length"},
    {"PageBytesOfKeyLength42",
     false,
     [](TFixtureDatabase& db) { db.itsKeys[1].itsPageBytes = 51 * 62 + 6; },
     {},
     "key 2: PageBytes 3168 gives key length 42, outside 1..41"},
    {"PageCapacityAbove62",
     false,
     [](TFixtureDatabase& db) { db.itsKeys[0].itsPageCapacity = 63; },
     {},
     "key 1: PageCapacity is 63, more than 62"},
    {"PageCountHuge",
     false,
     {},
     [](const TIsamFileNames& f, const TFixtureDatabase&) { PatchFile(f.itsIndex, 8, I32Bytes(INT_MAX)); },
     "(the file is truncated)"},
    {"RootPageOutOfRange",
     false,
     [](TFixtureDatabase& db) { db.itsKeys[0].itsRootPage = 9; },
     {},
     "key 1: RootPage 9 is outside 0..4"},
    {"DupsAllowedNeither0Nor1",
     false,
     {},
     [](const TIsamFileNames& f, const TFixtureDatabase& db) {
         PatchFile(f.itsIndex, db.KeyOffset(2) + 20, "\x02");
     },
     "key 2: DupsAllowed holds 2, neither 0 nor 1"},
    {"JournalLeftByAnInterruptedOperation",
     false,
     {},
     [](const TIsamFileNames& f, const TFixtureDatabase&) { WriteWholeFile(f.itsJournal, "x12345678"); },
     "journal file: holds 9 bytes"},

    // Free page chains.
    {"FreePageChainCycle",
     false,
     [](TFixtureDatabase& db) { NamesPage(db, 4).itsLink = 4; },
     {},
     "key 1: free page chain: page 4 links back to page 4 (a cycle)"},
    {"FreePageLinkOutOfRange",
     false,
     [](TFixtureDatabase& db) { db.itsKeys[1].Page(2).itsLink = 3; },
     {},
     "key 2: free page chain: page 2 links to page 3, outside 1..2"},
    {"FreePageCountWrong",
     false,
     [](TFixtureDatabase& db) { db.itsKeys[0].itsFreeCount = 2; },
     {},
     "key 1: FreeCount is 2, but the free page chain holds 1 pages"},
    {"LeakedPage",
     false,
     [](TFixtureDatabase& db) {
         db.itsKeys[0].itsFreeHead = -1;
         db.itsKeys[0].itsFreeCount = 0;
     },
     {},
     "key 1: 1 leaked page(s), neither in the tree nor on the free page chain: 4"},

    // Pages and the tree.
    {"KeysOutOfOrderInALeaf",
     false,
     [](TFixtureDatabase& db) {
         std::swap(NamesPage(db, 1).itsEntries[4].itsKey, NamesPage(db, 1).itsEntries[5].itsKey);
     },
     {},
     "key 1: keys out of order: page 1 entry 5 \"k005\" comes before page 1 entry 6 \"k004\""},
    {"SeparatorAboveItsRightSubtree",
     false,
     [](TFixtureDatabase& db) { NamesPage(db, 3).itsEntries[0].itsKey = "k099"; },
     {},
     "keys out of order: page 3 entry 1 \"k099\" comes before page 2 entry 1 \"k032\""},
    {"ShorterKeySortsFirst",
     false,
     [](TFixtureDatabase& db) { db.itsKeys[1].Page(1).itsEntries[2].itsKey = "a"; },
     {},
     "keys out of order: page 1 entry 2 \"ab\" comes before page 1 entry 3 \"a\""},
    {"KeyBytesCompareUnsigned",
     false,
     [](TFixtureDatabase& db) {
         std::swap(db.itsKeys[1].Page(1).itsEntries[4], db.itsKeys[1].Page(1).itsEntries[5]);
     },
     {},
     "keys out of order: page 1 entry 5 0xe9 comes before page 1 entry 6 \"z\""},
    {"DuplicatesOutOfReferenceOrder",
     false,
     [](TFixtureDatabase& db) {
         std::swap(db.itsKeys[1].Page(1).itsEntries[0].itsRef, db.itsKeys[1].Page(1).itsEntries[1].itsRef);
     },
     {},
     "key 2: duplicates out of reference order: key \"ab\" with slot 9 (page 1 entry 1) comes before slot 5"},
    {"SameDuplicateEntryTwice",
     false,
     [](TFixtureDatabase& db) { db.itsKeys[1].Page(1).itsEntries[1].itsRef = 5; },
     {},
     "key 2: the entry of key \"ab\" and slot 5 appears twice"},
    {"EqualKeysWithoutDuplicates",
     false,
     [](TFixtureDatabase& db) {
         NamesPage(db, 2).itsEntries[1].itsKey = NamesPage(db, 2).itsEntries[0].itsKey;
     },
     {},
     "key 1: key \"k032\" appears twice (page 2 entry 1 and page 2 entry 2) in an index without duplicates"},
    {"UnderfullLeaf",
     false,
     [](TFixtureDatabase& db) {
         NamesPage(db, 2).itsEntries.pop_back();
         db.itsKeys[0].itsEntryCount = 62;
     },
     {},
     "key 1: page 2 holds 30 entries, fewer than 31 (half full) on a page other than the root"},
    {"ItemCountZero",
     false,
     {},
     [](const TIsamFileNames& f, const TFixtureDatabase& db) {
         PatchFile(f.itsIndex, db.PageOffset(1, 2), std::string(2, '\0'));
     },
     "key 1: page 2 holds 0 entries, outside 1..62"},
    {"ItemCountAbove62",
     false,
     {},
     [](const TIsamFileNames& f, const TFixtureDatabase& db) {
         PatchFile(f.itsIndex, db.PageOffset(1, 1), "\x3f");
     },
     "key 1: page 1 holds 63 entries, outside 1..62"},
    {"KeyLongerThanKeyLength",
     false,
     {},
     [](const TIsamFileNames& f, const TFixtureDatabase& db) {
         PatchFile(f.itsIndex, db.PageOffset(1, 1) + 6 + 8, "\x09");
     },
     "key 1: page 1 entry 1 has a key of 9 bytes, more than the key length 8"},
    {"ChildLinkOutOfRange",
     false,
     [](TFixtureDatabase& db) { NamesPage(db, 3).itsEntries[0].itsRight = 99; },
     {},
     "key 1: page 3 entry 1 links to page 99, outside 1..4"},
    {"ChildLinkToNoPage",
     false,
     [](TFixtureDatabase& db) { NamesPage(db, 3).itsEntries[0].itsRight = 0; },
     {},
     "key 1: page 3 has both empty and non-empty child links"},
    {"PageReachableTwice",
     false,
     [](TFixtureDatabase& db) { NamesPage(db, 3).itsEntries[0].itsRight = 1; },
     {},
     "key 1: page 1 is reachable twice (again from page 3 entry 1)"},
    {"FreePageReachableFromRoot",
     false,
     [](TFixtureDatabase& db) { NamesPage(db, 3).itsEntries[0].itsRight = 4; },
     {},
     "key 1: page 3 entry 1 links to page 4, which is on the free page chain"},
    {"EntryCountMismatch",
     false,
     [](TFixtureDatabase& db) { db.itsKeys[0].itsEntryCount = 64; },
     {},
     "key 1: EntryCount is 64, but the tree holds 63 entries"},
    {"EntriesWithoutRoot",
     false,
     [](TFixtureDatabase& db) { db.itsKeys[1].itsRootPage = 0; },
     {},
     "key 2: EntryCount is 6, but the tree holds 0 entries"},
    {"LeavesAtDifferentLevels",
     false,
     [](TFixtureDatabase& db) {
         // Page 2's entries move down under it into new pages 5 and 6, one level deeper than page 1.
         TFixtureKey& key = db.itsKeys[0];
         std::vector<TFixtureEntry> entries = key.Page(2).itsEntries;
         testsupport::TFixturePage left{0, std::vector<TFixtureEntry>(entries.begin(), entries.begin() + 15)};
         testsupport::TFixturePage right{0, std::vector<TFixtureEntry>(entries.begin() + 16, entries.end())};
         key.itsPages.push_back(left);
         key.itsPages.push_back(right);
         TFixtureEntry middle = entries[15];
         middle.itsRight = 6;
         key.Page(2) = testsupport::TFixturePage{5, {middle}};
     },
     {},
     "key 1: leaf page 5 lies at level 3, other leaves at level 2"},
    {"TreeDeeperThanACursorCanFollow",
     false,
     [](TFixtureDatabase& db) {
         TFixtureKey& key = db.itsKeys[0];
         key.itsPages.clear();
         key.itsFreeHead = -1;
         key.itsFreeCount = 0;
         for (int32_t page = 1; page <= 12; ++page) {
             key.itsPages.push_back(
                 {page < 12 ? page + 1 : 0, {{"k" + std::to_string(50 - page), 10 + page}}});
         }
         key.itsRootPage = 1;
         key.itsEntryCount = 12;
     },
     {},
     "key 1: page 9 lies at level 9, deeper than the 8 levels a cursor can follow"},
    {"PagesOfGarbage",
     false,
     {},
     [](const TIsamFileNames& f, const TFixtureDatabase& db) {
         std::mt19937 random(7);
         std::string garbage(static_cast<size_t>(4 * db.RowBytes()), '\0');
         for (char& c : garbage) c = static_cast<char>(random());
         PatchFile(f.itsIndex, db.RowBytes(), garbage);
     },
     "key 1: "},

    // Chains of variable-length records.
    {"ChainLinkOutOfRange",
     true,
     [](TFixtureDatabase& db) { db.SetI32(NextSection(db, RecordRef(db, 5)), 28, 40); },
     {},
     "links to slot 40, outside 1..17"},
    {"ChainLinkToFreeSlot",
     true,
     [](TFixtureDatabase& db) { db.SetI32(RecordRef(db, 3), 28, db.itsFreeHead); },
     {},
     "record at slot 6: slot 6 links to slot 9, a free slot"},
    {"ChainLinkToAnotherRecord",
     true,
     [](TFixtureDatabase& db) { db.SetI32(RecordRef(db, 2), 28, RecordRef(db, 3)); },
     {},
     "record at slot 4: slot 4 links to slot 6, the first section of another record"},
    {"ChainCycle",
     true,
     [](TFixtureDatabase& db) {
         int32_t second = NextSection(db, NextSection(db, RecordRef(db, 5)));
         int32_t third = NextSection(db, second);
         db.SetI32(third, 28, second);
     },
     {},
     "record at slot 17: slot 14 links back to slot 15 (a cycle)"},
    {"SharedContinuation",
     true,
     [](TFixtureDatabase& db) { db.SetI32(RecordRef(db, 3), 28, NextSection(db, RecordRef(db, 2))); },
     {},
     "record at slot 6: slot 6 links to slot 3, which already belongs to the record at slot 4"},
    {"OrphanContinuation",
     true,
     [](TFixtureDatabase& db) {
         std::string section(32, '\0');
         section[0] = 1;
         section[26] = 5;
         db.AddRecord(section);
     },
     {},
     "slot 9: a continuation section that no record links to (an orphan)"},
    {"StraySlot",
     true,
     [](TFixtureDatabase& db) { db.Slot(RecordRef(db, 0))[0] = 7; },
     {},
     "slot 1: neither free nor a section of a record"},
    {"FirstSectionCountTooLarge",
     true,
     [](TFixtureDatabase& db) { SetSectionCount(db, RecordRef(db, 1), 27); },
     {},
     "record at slot 2: its first section counts 27 bytes, more than the 26 it holds"},
    {"ContinuationCountTooLarge",
     true,
     [](TFixtureDatabase& db) { SetSectionCount(db, NextSection(db, RecordRef(db, 5)), 26); },
     {},
     "record at slot 17: continuation slot 16 counts 26 bytes, more than the 25 it holds"},
    {"EmptyContinuation",
     true,
     [](TFixtureDatabase& db) { SetSectionCount(db, NextSection(db, RecordRef(db, 2)), 0); },
     {},
     "record at slot 4: continuation slot 3 holds no bytes"},
    {"ShortSectionLinksOn",
     true,
     [](TFixtureDatabase& db) { SetSectionCount(db, RecordRef(db, 5), 20); },
     {},
     "record at slot 17: slot 17 holds 20 bytes, less than its room, yet links on"},
    {"EntryNamesAContinuation",
     true,
     [](TFixtureDatabase& db) {
         db.itsKeys[0].Page(1).itsEntries[5].itsRef = NextSection(db, RecordRef(db, 5));
     },
     {},
     "key 1: page 1 entry 6 refers to slot 16, a continuation section, not the start of a record"},
};

void PrintTo(const TDamageCase& c, std::ostream* out) {
    *out << c.itsName;
}

class VerifierDamage : public ::testing::TestWithParam<TDamageCase> {};

TEST_P(VerifierDamage, IsFound) {
    const TDamageCase& c = GetParam();
    TScratchFolder folder;
    std::string base = folder / "book";
    TFixtureDatabase db = c.itsVariable ? SampleVariableDatabase() : SampleFixedDatabase();
    if (c.itsEdit) c.itsEdit(db);
    db.Write(base);
    if (c.itsPatch) c.itsPatch(IsamFileNames(base, "DAT", "IX", "DIA"), db);

    TVerifyReport report = VerifyDatabase(Options(base, c.itsVariable));
    ASSERT_TRUE(report.Opened()) << report.itsOpenError;
    EXPECT_FALSE(report.Sound());
    EXPECT_EQ(report.itsFaultCount, static_cast<int64_t>(report.itsFaults.size()));
    EXPECT_TRUE(HasFault(report, c.itsExpected)) << "expected a fault with: " << c.itsExpected << "\ngot:\n"
                                                 << Joined(report.itsFaults);
}

INSTANTIATE_TEST_SUITE_P(Cases, VerifierDamage, ::testing::ValuesIn(kDamageCases),
                         [](const ::testing::TestParamInfo<TDamageCase>& info) {
                             return info.param.itsName;
                         });

TEST(Verifier, LeavesTheFilesAsTheyWere) {
    TScratchFolder folder;
    std::string base = folder / "book";
    TFixtureDatabase db = SampleFixedDatabase();
    db.itsDirtyMark = 1;
    db.Write(base);
    TIsamFileNames files = IsamFileNames(base, "DAT", "IX", "DIA");
    std::string data = ReadWholeFile(files.itsData);
    std::string index = ReadWholeFile(files.itsIndex);
    struct stat before {};
    ASSERT_EQ(stat(files.itsData.c_str(), &before), 0);

    TVerifyReport report = VerifyDatabase(Options(base, true));
    EXPECT_FALSE(report.Sound());
    EXPECT_EQ(ReadWholeFile(files.itsData), data);
    EXPECT_EQ(ReadWholeFile(files.itsIndex), index);
    struct stat after {};
    ASSERT_EQ(stat(files.itsData.c_str(), &after), 0);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_FALSE(FileExists(files.itsJournal));
}

TEST(Verifier, FilesThatCannotBeOpenedAreNoFaults) {
    TScratchFolder folder;
    std::string base = folder / "book";
    TVerifyReport report = VerifyDatabase(Options(base));
    EXPECT_FALSE(report.Opened());
    EXPECT_EQ(report.itsOpenError, "data file " + base + ".DAT does not exist");

    SampleFixedDatabase().Write(base);
    TFile holder;
    ASSERT_EQ(holder.Open(base + ".DAT", TFileMode::kReadWrite), 0);
    report = VerifyDatabase(Options(base));
    EXPECT_FALSE(report.Opened());
    EXPECT_EQ(report.itsOpenError, "data file " + base + ".DAT is in use by another process");
    holder.Close();
    EXPECT_TRUE(VerifyDatabase(Options(base)).Sound());
}

TEST(Verifier, ReadingHeadersFollowsNoChainOrTree) {
    TScratchFolder folder;
    std::string base = folder / "book";
    TFixtureDatabase db = SampleFixedDatabase();
    db.itsFreeCount = 5;
    db.itsKeys[0].itsEntryCount = 99;
    db.Write(base);

    TVerifyReport report = ReadDatabaseHeaders(Options(base));
    ASSERT_TRUE(report.Opened());
    EXPECT_TRUE(report.itsHeaderRead);
    EXPECT_EQ(report.itsHeader.itsFreeCount, 5);
    EXPECT_FALSE(report.itsSlotsWalked);
    ASSERT_EQ(report.itsKeys.size(), 2u);
    EXPECT_FALSE(report.itsKeys[0].itsWalked);
    EXPECT_EQ(report.itsKeys[0].itsHeader.itsEntryCount, 99);
    EXPECT_EQ(report.itsKeys[0].itsKeyLength, 8);
    EXPECT_EQ(report.itsFaultCount, 0) << Joined(report.itsFaults);

    EXPECT_EQ(VerifyDatabase(Options(base)).itsFaultCount, 2);
}

TEST(Verifier, ListsAThousandFaultsAndCountsTheRest) {
    TScratchFolder folder;
    std::string base = folder / "book";
    TFixtureDatabase db(21);
    for (int i = 0; i < 1500; ++i) db.AddRecord("\x07");
    db.Write(base);

    TVerifyReport report = VerifyDatabase(Options(base, true));
    EXPECT_EQ(report.itsFaultCount, 1500);
    EXPECT_EQ(report.itsFaults.size(), 1000u);
}

// Whatever the bytes, the verifier answers: random damage to the samples must never crash it,
// make it hang or allocate without bound (the sanitizers watch the same run).
TEST(Verifier, SurvivesRandomDamage) {
    TScratchFolder folder;
    std::string base = folder / "book";
    TIsamFileNames files = IsamFileNames(base, "DAT", "IX", "DIA");
    std::mt19937 random(2024);
    int faulty = 0;
    const int rounds = 600;
    for (int round = 0; round < rounds; ++round) {
        bool variable = round % 2 == 1;
        TFixtureDatabase db = variable ? SampleVariableDatabase() : SampleFixedDatabase();
        std::string data = db.DataBytes();
        std::string index = db.IndexBytes();
        std::string& target = random() % 3 == 0 ? data : index;
        switch (random() % 4) {
        case 0: target.resize(random() % (target.size() + 1)); break;
        case 1: // the headers hold most of what steers the walk
            for (int i = 0; i < 4; ++i)
                target[random() % std::min<size_t>(target.size(), 60)] = static_cast<char>(random());
            break;
        default:
            for (int i = 0, n = 1 + static_cast<int>(random() % 8); i < n; ++i) {
                target[random() % target.size()] = static_cast<char>(random());
            }
            break;
        }
        WriteWholeFile(files.itsData, data);
        WriteWholeFile(files.itsIndex, index);
        TVerifyReport report = VerifyDatabase(Options(base, variable));
        ASSERT_TRUE(report.Opened()) << report.itsOpenError;
        for (const std::string& fault : report.itsFaults) ASSERT_FALSE(fault.empty());
        if (!report.Sound()) ++faulty;
    }
    // Some bytes are not significant (record contents, unused key bytes), but most damage shows.
    EXPECT_GT(faulty, rounds / 4);
}

} // namespace
} // namespace marvek
