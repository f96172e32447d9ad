#pragma once

#include <functional>
#include <string>
#include <vector>

// Checks a whole book: every database passes the storage verifier, every position record is
// well formed and stored under the canonical form of its own position, and every name's record
// carries that name. The book must not be open elsewhere.

namespace marvek {

struct TBookVerifyReport {
    bool itsOpened = false;
    std::string itsOpenError;
    int itsPositionFiles = 0;
    int64_t itsPositions = 0;
    int64_t itsNames = 0;
    std::vector<std::string> itsFaults;

    bool Sound() const { return itsOpened && itsFaults.empty(); }
};

// Checks one stored position record beyond its layout; returns a fault text, empty when sound.
using TRecordCheck = std::function<std::string(const uint8_t* record, size_t length)>;

// The check every book gets: the record reads back as a position record.
TRecordCheck PositionRecordCheck();

TBookVerifyReport VerifyBook(const std::string& base, const TRecordCheck& check = PositionRecordCheck());

} // namespace marvek
