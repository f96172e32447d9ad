// TGameIndex: the key index database beside a game file, its keys and the control file of a PGN file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "chess/Square.h"
#include "storage/Isam.h"

// Searching never scans a game file: each one has a database beside it (".GMD" data, ".GMX"
// keys) whose five key indexes map header values and the opening moves to the game's byte offset.
//
//   key 1 White   30 bytes  the White tag's first 30 characters, spaces removed, upper-cased
//   key 2 Black   30 bytes  the same for Black
//   key 3 ECO      3 bytes  the ECO tag's first 3 characters ("???" when absent)
//   key 4 Moves   30 bytes  the move string's first 30 characters, filled with the character 0
//   key 5 Date     8 bytes  the Date tag's first 10 characters without dots, else "????????"
//
// Every key allows duplicates; each entry's record reference is the game offset, and no data
// record is ever written (the data file holds only its header, slots of 64 bytes).
//
// A PGN file's control file (".2PC") holds 4 bytes, the PGN file's stamp when its index was
// built; the file is indexed while the stamp still matches.

namespace marvek {

enum TGameKey : int { kWhiteKey = 1, kBlackKey = 2, kEcoKey = 3, kMovesKey = 4, kDateKey = 5 };

enum class TGameFileKind { kPGN, kGM2, kOther };

class TGameIndex {
public:
    static constexpr int kKeyCount = 5;
    static constexpr int kNameKeyLength = 30;
    static constexpr int kEcoKeyLength = 3;
    static constexpr int kMovesKeyLength = 30;
    static constexpr int kDateKeyLength = 8;
    static constexpr int kSlotBytes = 64;
    static constexpr int kMaxMoveStringPlies = 500;
    // Game offsets are 32 bits: a file must stay below 4 GiB to be indexed.
    static constexpr int64_t kMaxGameFileSize = int64_t(1) << 32;

    TGameIndex() = default;
    ~TGameIndex() { Close(); }
    TGameIndex(const TGameIndex&) = delete;
    TGameIndex& operator=(const TGameIndex&) = delete;

    // ---- The database (the storage engine must be running)
    // Replaces any old index of the game file with an empty one and opens it; false with the
    // engine's error when either step failed (Created() tells which).
    bool Create(const std::string& gameFile);
    bool Created() const { return itsCreated; }
    bool Open(const std::string& gameFile, bool readOnly);
    void Close();
    bool IsOpen() const { return itsDb != nullptr; }
    IsamDatabase* Database() const { return itsDb; }
    // Whether all five key indexes allow duplicates, which a complete index does.
    bool IsComplete() const;
    // Adds a game's five keys in the order White, Black, ECO, Moves, Date, each with the game
    // offset as its reference; 0, or the number of the key that could not be added (the engine's
    // error tells why).
    int AddGame(uint32_t offset, std::string_view white, std::string_view black, std::string_view eco,
                std::string_view moveString, std::string_view date);

    // ---- Names
    static TGameFileKind KindOf(const std::string& gameFile);
    // The game file's name without its extension.
    static std::string BaseName(const std::string& gameFile);
    static std::string ControlFileName(const std::string& gameFile);

    // ---- Keys
    static std::string NameKey(std::string_view name);
    static std::string EcoKey(std::string_view eco);
    static std::string DateKey(std::string_view date);
    // The key of a move string (with or without its closing carriage return and line feed).
    static std::string MovesKey(std::string_view moveString);
    // Two characters per ply (48 + from, 48 + to), "/" and 48 + the promoted piece after a
    // promotion, and a closing carriage return and line feed; at most 500 plies.
    static std::string MoveString(const TPackedMove* moves, int count);

    // ---- The control file and the indexed test
    // Whether the ".2PC", ".GMD" and ".GMX" files exist and the stamp matches the PGN file's.
    static bool IsIndexed(const std::string& pgnFile);
    // 0 or the errno of the failure; `stage` receives which step failed (open, write, close).
    enum class TControlStage { kNone, kOpen, kWrite, kClose };
    static int WriteControlFile(const std::string& pgnFile, TControlStage* stage);

private:
    static void SetExtensions();

    IsamDatabase* itsDb = nullptr;
    bool itsCreated = false;
};

} // namespace marvek
