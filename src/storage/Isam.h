#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// The indexed-record storage engine under every database of the program: a data file of fixed
// slots, up to 100 B-tree key indexes in one index file, variable-length records as chains of
// slots, an optional before-image journal, and rebuild tools.
//
// The engine never throws. Every call clears and then sets the engine-wide result that IsamOK()
// and IsamError() report; a missing key (10200) is an ordinary outcome. All calls come from one
// thread.

namespace marvek {

struct IsamDatabase;

using RecRef = int32_t;

inline constexpr int kMaxKeyLength = 41;
inline constexpr int kMaxKeyIndexes = 100;
inline constexpr int kPageCapacity = 62;
inline constexpr uint16_t kMaxVariableRead = 65520;

// A key string: byte 0 holds the length (0..41), bytes 1.. the key.
using TIsamKey = std::array<uint8_t, kMaxKeyLength + 1>;

TIsamKey MakeIsamKey(std::string_view bytes);
std::string_view IsamKeyBytes(const TIsamKey& key);

struct TKeyDescription {
    int itsKeyLength = 0;
    bool itsDupsAllowed = false;
};

// Builds the key of index keyNr for a record; false when it cannot.
using TBuildKey = std::function<bool(const uint8_t* record, int length, int keyNr, TIsamKey& key)>;

// Error numbers that callers test by name; the full table is in IsamErrors.h.
inline constexpr int kIsamKeyNotFound = 10200;

// Engine-wide result of the last call.
bool IsamOK();
int IsamError();
// The operating-system error code (errno) of the first failure of the last call, for diagnosis.
int IsamOsError();

// Extension settings, set by each client just before it creates, opens, erases or rebuilds.
void BTSetExtensions(const std::string& dataExt, const std::string& indexExt, const std::string& journalExt);
void BTSetRebuildExtensions(const std::string& saveExt, const std::string& messageExt);
// When off, stepping with a cursor that an insertion or deletion invalidated fails instead of
// searching again for the caller's entry.
void BTSetResynchronise(bool on);

int BTStartEngine(int pageBuffers);
void BTStopEngine();
bool BTEngineStarted();

void BTCreateDatabase(const std::string& base, int slotBytes, int keyCount, const TKeyDescription* keys);
void BTOpenDatabase(IsamDatabase*& db, const std::string& base, bool readOnly, bool journaled);
void BTCloseDatabase(IsamDatabase*& db);
void BTEraseDatabase(const std::string& base);

RecRef BTAddRec(IsamDatabase* db, const void* record);
void BTGetRec(IsamDatabase* db, RecRef ref, void* record);
void BTPutRec(IsamDatabase* db, RecRef ref, const void* record);
void BTDeleteRec(IsamDatabase* db, RecRef ref);
int32_t BTUsedRecCount(IsamDatabase* db);
int32_t BTSlotCount(IsamDatabase* db);
int32_t BTRecLength(IsamDatabase* db);
// Gathers consecutive writes (records added at the data file's end, index pages written in
// order) into runs of up to `bytes` per file written at once; 0 writes what is gathered and
// stops. A failed write of a run fails the call that caused it. Ignored for journaled databases,
// whose writes must reach the files in order.
void BTSetWriteBehind(IsamDatabase* db, size_t bytes);
// Read-ahead for the index file, for passes that visit pages mostly in file order (keys in
// order in an index built in order): see TFile::SetReadAhead. 0 turns it off.
void BTSetIndexReadAhead(IsamDatabase* db, size_t bytes);
// Read-ahead for walks that read records in the order of the data file: reads are served from
// the last `bytes` read at once; any write to the data file drops them. 0 turns it off.
void BTSetReadAhead(IsamDatabase* db, size_t bytes);

void BTAddKey(IsamDatabase* db, int keyNr, const TIsamKey& key, RecRef ref);
void BTDeleteKey(IsamDatabase* db, int keyNr, const TIsamKey& key, RecRef ref);
RecRef BTFindKey(IsamDatabase* db, int keyNr, const TIsamKey& key);
bool BTKeyExists(IsamDatabase* db, int keyNr, const TIsamKey& key, RecRef ref);
RecRef BTFindAtLeast(IsamDatabase* db, int keyNr, TIsamKey& key);
RecRef BTFindFollowing(IsamDatabase* db, int keyNr, TIsamKey& key);
RecRef BTFindPreceding(IsamDatabase* db, int keyNr, TIsamKey& key);
void BTFindEntry(IsamDatabase* db, int keyNr, TIsamKey& key, RecRef& ref, int direction);
void BTNextEntry(IsamDatabase* db, int keyNr, TIsamKey& key, RecRef& ref);
void BTResetCursor(IsamDatabase* db, int keyNr);
void BTClearIndex(IsamDatabase* db, int keyNr);
int32_t BTKeyEntryCount(IsamDatabase* db, int keyNr);
bool BTKeyAllowsDuplicates(IsamDatabase* db, int keyNr);

bool BTReserveSectionBuffer(uint16_t size);
bool BTGrowSectionBuffer(uint16_t size);
void BTFreeSectionBuffer();
RecRef BTAddVariableRec(IsamDatabase* db, const void* record, uint16_t length);
// Reads at most capacity bytes (never more than 65520) into record; returns how many.
uint16_t BTGetVariableRec(IsamDatabase* db, RecRef ref, void* record, uint16_t capacity = kMaxVariableRead);
void BTPutVariableRec(IsamDatabase* db, RecRef ref, const void* record, uint16_t length);
void BTRemoveVariableRec(IsamDatabase* db, RecRef ref);

void BTRebuildDatabase(const std::string& base, int slotBytes, int keyCount, const TBuildKey& buildKey,
                       const TKeyDescription* keys);
void BTRebuildVariableDatabase(const std::string& base, int slotBytes, int keyCount,
                               const TBuildKey& buildKey, const TKeyDescription* keys);

} // namespace marvek
