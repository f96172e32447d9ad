// TPGN2GM2Converter: building the key index of a PGN file, and the build-index command.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "games/GameIndex.h"
#include "pgn/PGNGameReader.h"

// The reader variant that indexes a PGN file: for each game it records the offset of its first
// "[" and adds the five keys of TGameIndex. Comments are skipped, NAGs ignored, and only the main
// line counts; variations deeper than 12 are passed over and reading stops at ply 999 (the move
// string holds the first 500).

namespace marvek {

class TProgress;

struct TConversionResult {
    bool itsRan = false;    // the index was created and games were read (the results are shown)
    bool itsFailed = false; // a message ended the conversion
    bool itsStopped = false;
    int32_t itsGamesConverted = 0;
    int64_t itsSeconds = 0; // whole seconds, the closing pause not counted
};

class TPGN2GM2Converter : public TPGNGameReader {
public:
    static constexpr int kDepthLimit = 12;
    static constexpr int32_t kPlyLimit = 999;
    static constexpr int kClosingPauseMs = 2000;

    // The results dialog ("Games Converted:", "Time Elapsed:"), shown at the end of a conversion
    // that ran, also when an error ended it.
    using TShowResults = std::function<void(const TConversionResult&)>;

    // progress may be null. closingPauseMs: how long the final figures stay up before the
    // results are shown.
    explicit TPGN2GM2Converter(TProgress* progress, int closingPauseMs = kClosingPauseMs);

    void SetShowResults(TShowResults show) { itsShowResults = std::move(show); }

    // Builds the index of a PGN file, replacing any old one. Every failure is shown through the
    // user interface and ends the conversion. The storage engine must be running.
    TConversionResult Convert(const std::string& fileName);

    // The offset of the game being read.
    int64_t GameOffset() const { return itsGameOffset; }

    // ---- Overridden steps
    void ReadComment(bool store) override;
    void FinishGame() override;

    // The build-index command: erases the control file, converts, and writes the control file
    // with the PGN file's stamp. False when a message ended it (the file is then not indexed).
    bool BuildIndex(const std::string& fileName, TConversionResult* result = nullptr);

    // "Results" dialog texts, for whoever shows them.
    static std::string ElapsedText(int64_t seconds) { return std::to_string(seconds) + " seconds"; }

protected:
    void TagsRead() override;

private:
    bool OpenFile(const std::string& fileName);
    void ShowProgress();

    TProgress* itsProgress;
    int itsClosingPauseMs;
    TShowResults itsShowResults;
    TGameIndex itsIndex;
    TConversionResult itsResult;
    int64_t itsGameOffset = 0;
};

} // namespace marvek
