// Building the key index of a PGN file, and the build-index command.
#include "games/PGN2GM2Converter.h"

#include "app/UserInterface.h"
#include "platform/Clock.h"
#include "platform/File.h"
#include "platform/FileSystem.h"

namespace marvek {

namespace {

const std::string kLinesRead = "Lines Read:";
const std::string kGamesImported = "Games Imported:";

} // namespace

TPGN2GM2Converter::TPGN2GM2Converter(TProgress* progress, int closingPauseMs)
    : TPGNGameReader(kDepthLimit, kPlyLimit, false), itsProgress(progress),
      itsClosingPauseMs(closingPauseMs) {}

bool TPGN2GM2Converter::OpenFile(const std::string& fileName) {
    int64_t size = 0;
    if (marvek::FileSize(fileName, &size) != 0) {
        UserInterface().ShowMessage("There was a problem opening the PGN file.");
        return false;
    }
    // The file must be one we could write to, on a drive with room, as for an import.
    bool writable = FreeBytes(fileName) != 0;
    if (writable && IsReadOnly(fileName)) writable = ClearReadOnly(fileName) == 0;
    if (writable) {
        TFile probe;
        writable = probe.Open(fileName, TFileMode::kReadWrite) == 0;
    }
    if (!writable) {
        UserInterface().ShowMessage("The PGN file " + fileName + " is locked.");
        return false;
    }
    // Offsets in the index are 32 bits; past 4 GiB they would point at the wrong games.
    if (size >= TGameIndex::kMaxGameFileSize) {
        UserInterface().ShowMessage("The PGN file " + fileName +
                                    " is 4 GB or larger.  Game files are indexed only below 4 GB; split "
                                    "the file into smaller ones.");
        return false;
    }
    if (OpenInput(fileName) != 0) {
        UserInterface().ShowMessage("There was a problem opening the PGN file.");
        return false;
    }
    if (size == 0) {
        CloseInput();
        UserInterface().ShowMessage("The PGN file " + fileName + " was empty.");
        return false;
    }
    return true;
}

TConversionResult TPGN2GM2Converter::Convert(const std::string& fileName) {
    itsResult = TConversionResult();
    if (!OpenFile(fileName)) {
        itsResult.itsFailed = true;
        return itsResult;
    }
    if (!itsIndex.Create(fileName)) {
        CloseInput();
        UserInterface().ShowMessage(itsIndex.Created() ? "There was a problem opening the BTree files."
                                                       : "There was a problem creating the new BTree file.");
        itsResult.itsFailed = true;
        return itsResult;
    }
    if (!itsIndex.IsComplete()) {
        itsIndex.Close();
        CloseInput();
        UserInterface().ShowMessage("There was a problem opening the BTree files.");
        itsResult.itsFailed = true;
        return itsResult;
    }
    itsResult.itsRan = true;
    if (itsProgress != nullptr) {
        itsProgress->Start("Converting");
        itsProgress->SetText(0, "Importing from... " + fileName);
    }
    int64_t start = TickCount();
    while (!AtEndOfFile() && !itsResult.itsFailed) {
        SkipToNextGame();
        if (AtEndOfFile()) break;
        itsGameOffset = CurrentOffset();
        ReadTags();
        SetUpStartPosition();
        ReadMovetext();
        if (GameHasContent())
            FinishGame();
        else
            TPGNGameReader::FinishGame();
        if (itsProgress != nullptr && itsProgress->ProcessMessages()) {
            itsResult.itsStopped = true;
            break;
        }
    }
    itsIndex.Close();
    itsResult.itsSeconds = (TickCount() - start) / 1000;
    ShowProgress();
    if (itsProgress != nullptr) itsProgress->ProcessMessages();
    if (itsClosingPauseMs > 0) Wait(itsClosingPauseMs);
    if (itsProgress != nullptr) itsProgress->Finish();
    CloseInput();
    if (itsShowResults) itsShowResults(itsResult);
    return itsResult;
}

void TPGN2GM2Converter::ShowProgress() {
    if (itsProgress == nullptr) return;
    itsProgress->SetCounter(kLinesRead, LineCount());
    itsProgress->SetCounter(kGamesImported, itsResult.itsGamesConverted);
    itsProgress->SetText(1, Header().itsWhite);
    itsProgress->SetText(2, Header().itsBlack);
    itsProgress->SetText(3, Header().itsSite);
    itsProgress->SetPercent(PercentRead());
}

void TPGN2GM2Converter::TagsRead() {
    // Drawing the display for every game would cost more than reading it.
    if (itsResult.itsGamesConverted % 10 == 0) ShowProgress();
}

void TPGN2GM2Converter::ReadComment(bool) {
    TPGNGameReader::ReadComment(false);
}

void TPGN2GM2Converter::FinishGame() {
    ++itsResult.itsGamesConverted;
    const TPGNHeader& header = Header();
    int failed = itsIndex.AddGame(uint32_t(itsGameOffset), header.itsWhite, header.itsBlack, header.itsECO,
                                  TGameIndex::MoveString(MainLine(), MainLineLength()), header.itsDate);
    if (failed != 0) {
        std::string text = "BTAddKey had an IsamError. (10" + std::to_string(failed) + "0)";
        if (failed == kMovesKey) text += " (" + std::to_string(IsamError()) + ")";
        UserInterface().ShowMessage(text);
        itsResult.itsFailed = true;
    }
    TPGNGameReader::FinishGame();
}

bool TPGN2GM2Converter::BuildIndex(const std::string& fileName, TConversionResult* result) {
    std::string control = TGameIndex::ControlFileName(fileName);
    if (FileExists(control) && RemoveFile(control) != 0) {
        UserInterface().ShowMessage("There was a problem erasing the control file " + control);
        return false;
    }
    TConversionResult outcome = Convert(fileName);
    if (result != nullptr) *result = outcome;
    if (!outcome.itsRan || outcome.itsFailed) return false;
    TGameIndex::TControlStage stage = TGameIndex::TControlStage::kNone;
    if (TGameIndex::WriteControlFile(fileName, &stage) == 0) return true;
    const char* what =
        stage == TGameIndex::TControlStage::kOpen    ? "There was a problem opening to the control file "
        : stage == TGameIndex::TControlStage::kWrite ? "There was a problem writing to the control file "
                                                     : "There was a problem closing to the control file ";
    UserInterface().ShowMessage(what + control);
    return false;
}

} // namespace marvek
