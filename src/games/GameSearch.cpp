// Finding games in the checked game files by their keys, for the game list and PGN files.
#include "games/GameSearch.h"

#include <algorithm>
#include <cctype>

#include "app/UserInterface.h"
#include "games/GameCopier.h"
#include "games/GameFileList.h"
#include "games/GameIndex.h"
#include "games/GameList.h"
#include "games/PGN2GM2Converter.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"

namespace marvek {

namespace {

const std::string kAddedToPGN = "Games Added to PGN File:";
const std::string kAddedToList = "Games Added to List:";

// Names are compared as the index keys them: spaces dropped and upper-cased, so that
// "Kasparov, G" finds the games keyed "KASPAROV,G..." (with the spaces kept, the end key would
// sort before every such key and a full name would find nothing).
std::string UpperName(const std::string& text) {
    std::string name;
    for (char c : text)
        if (c != ' ') name.push_back(char(std::toupper(static_cast<unsigned char>(c))));
    name.resize(std::min<std::size_t>(name.size(), TGameSummary::kNameWidth));
    return name;
}

// The names rule: spaces only are nothing, To follows From, and a given To takes every name that
// starts with it.
std::optional<std::string> ApplyNameRange(std::string& from, std::string& to, const std::string& refusal) {
    from = UpperName(from);
    to = UpperName(to);
    if (!from.empty() && to.empty()) to = from;
    if (!to.empty()) to.resize(TGameSummary::kNameWidth, 'Z');
    if (!from.empty() && !to.empty() && from > to) return refusal;
    return std::nullopt;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Criteria

std::optional<std::string> TSearchCriteria::Apply() {
    itsYearFrom = itsYearFrom.substr(0, 10);
    itsYearTo = itsYearTo.substr(0, 10);
    if (!itsYearFrom.empty() && itsYearFrom.size() < 4) return "The starting year must be four digits.";
    if (!itsYearFrom.empty() && itsYearTo.empty()) itsYearTo = itsYearFrom;
    if (!itsYearFrom.empty() && itsYearFrom > itsYearTo)
        return "The starting year is greater than the ending year.";
    if (auto refusal = ApplyNameRange(itsWhiteFrom, itsWhiteTo,
                                      "The starting white player name is greater than the ending name."))
        return refusal;
    if (auto refusal = ApplyNameRange(itsBlackFrom, itsBlackTo,
                                      "The starting black player name is greater than the ending name."))
        return refusal;
    itsEcoFrom = itsEcoFrom.substr(0, 3);
    itsEcoTo = itsEcoTo.substr(0, 3);
    if (!itsEcoFrom.empty() && itsEcoTo.empty()) {
        itsEcoTo = itsEcoFrom;
        itsEcoTo.resize(3, 'Z');
    }
    if (ToPGNFile() && itsPGNFile.empty()) return "You must choose a name for the PGN file.";
    // Dates are compared as eight characters: the first day of From up to any day of To.
    if (!itsYearFrom.empty()) itsYearFrom += "0101";
    if (!itsYearTo.empty()) itsYearTo += "????";
    return std::nullopt;
}

bool TSearchCriteria::Matches(const TGameSummary& summary, const std::string* gm2MoveLine) const {
    std::string white = UpperName(summary.itsWhite);
    std::string black = UpperName(summary.itsBlack);
    if (!itsWhiteFrom.empty() && white < itsWhiteFrom) return false;
    if (!itsWhiteTo.empty() && white > itsWhiteTo) return false;
    if (!itsBlackFrom.empty() && black < itsBlackFrom) return false;
    if (!itsBlackTo.empty() && black > itsBlackTo) return false;
    if (!itsEcoFrom.empty() && summary.itsECO < itsEcoFrom) return false;
    if (!itsEcoTo.empty() && summary.itsECO > itsEcoTo) return false;
    if (!itsYearFrom.empty() && summary.itsDate < itsYearFrom) return false;
    if (!itsYearTo.empty() && summary.itsDate > itsYearTo) return false;
    const std::string& result = summary.itsResult;
    if ((result == "0-1" && !itsBlackWins) || (result == "1-0" && !itsWhiteWins) ||
        (result == "1/2-1/2" && !itsDraws))
        return false;
    // The key holds 30 characters of the moves; a GM2 game's line is there to test the rest.
    if (itsMoveOrderSearch && gm2MoveLine != nullptr && !itsMoveOrders.empty()) {
        const std::string& order = itsMoveOrders.front();
        if (order.size() > std::size_t(TGameIndex::kMovesKeyLength) &&
            gm2MoveLine->compare(TGameIndex::kMovesKeyLength, order.size() - TGameIndex::kMovesKeyLength,
                                 order, TGameIndex::kMovesKeyLength) != 0)
            return false;
    }
    return true;
}

int TGameSearch::KeyToWalk(const TSearchCriteria& c) {
    if (c.itsMoveOrderSearch && !c.itsMoveOrders.empty() && !c.itsMoveOrders.front().empty())
        return kMovesKey;
    if (!c.itsWhiteFrom.empty() || !c.itsWhiteTo.empty()) return kWhiteKey;
    if (!c.itsBlackFrom.empty() || !c.itsBlackTo.empty()) return kBlackKey;
    if (!c.itsEcoFrom.empty() || !c.itsEcoTo.empty()) return kEcoKey;
    if (!c.itsYearFrom.empty() || !c.itsYearTo.empty()) return kDateKey;
    return kWhiteKey;
}

TGameSearch::TCommandStep TGameSearch::StartCommand() const {
    if (!itsFiles.Empty()) return TCommandStep::kShowQuery;
    return UserInterface().AskYesNo("No game files are selected.  Select them now?")
               ? TCommandStep::kShowGameFiles
               : TCommandStep::kNothing;
}

bool TGameSearch::CanResume() const {
    return itsLastStopped && (!itsResume || itsResume->itsGeneration == itsFiles.Generation());
}

// ---------------------------------------------------------------------------------------------
// One run of the search

class TGameSearch::TRun {
public:
    TRun(TGameSearch& search, const TSearchCriteria& criteria, std::optional<TResumePoint> resume)
        : s(search), c(criteria), itsResume(resume), itsKey(KeyToWalk(criteria)) {}

    void SearchFiles();
    void ShowCounts();

    TGameSearch& s;
    const TSearchCriteria& c;
    std::optional<TResumePoint> itsResume;
    int itsKey;
    TGameCopier itsCopier;
    TSearchOutcome itsOutcome;
    bool itsEnded = false; // stopped, cancelled or aborted

private:
    // False when the file is to be skipped; ends the search on Cancel.
    bool MakeIndexed(const std::string& name);
    void SearchFile(std::size_t fileIndex, const std::string& name, bool useResume);
    void TestGame(std::size_t fileIndex, bool gm2, TFile& game, const TIsamKey& key, RecRef ref,
                  std::size_t pass);
};

void TGameSearch::TRun::ShowCounts() {
    if (s.itsProgress == nullptr) return;
    s.itsProgress->SetCounter(kAddedToPGN, itsOutcome.itsAddedToPGN);
    s.itsProgress->SetCounter(kAddedToList, itsOutcome.itsAddedToList);
}

bool TGameSearch::TRun::MakeIndexed(const std::string& name) {
    // A build that keeps failing would make a "Yes to all" policy ask for ever.
    for (int attempt = 0; !TGameIndex::IsIndexed(name); ++attempt) {
        TAnswer answer = attempt >= 3
                             ? TAnswer::kNo
                             : UserInterface().Ask(name + " is not indexed. Create indexes now?",
                                                   TButtons::kYesNoCancel, TBoxKind::kConfirmation, 0);
        if (answer == TAnswer::kCancel) {
            itsEnded = itsOutcome.itsStopped = true;
            return false;
        }
        if (answer == TAnswer::kNo) {
            UserInterface().ShowMessage("This file was skipped: " + name);
            return false;
        }
        if (s.itsIndexBuilder) {
            s.itsIndexBuilder(name);
        } else {
            TPGN2GM2Converter converter(s.itsProgress);
            converter.BuildIndex(name);
        }
        if (s.itsProgress != nullptr) {
            s.itsProgress->Start("Searching...");
            s.itsProgress->SetText(0, c.itsPGNFile);
            ShowCounts();
        }
    }
    return true;
}

void TGameSearch::TRun::SearchFiles() {
    std::size_t first = itsResume ? itsResume->itsFile : 0;
    for (std::size_t i = first; i < s.itsFiles.Count() && !itsEnded; ++i) {
        if (!s.itsFiles.IsChecked(i)) continue;
        const std::string& name = s.itsFiles.Name(i);
        if (TGameIndex::KindOf(name) != TGameFileKind::kGM2) {
            if (!FileExists(name)) {
                UserInterface().ShowMessage("This PGN file does not exist.\r" + name);
                continue;
            }
            if (!MakeIndexed(name)) continue;
        }
        SearchFile(i, name, itsResume && i == first);
        // Only the first file searched continues from the resume point.
        itsResume.reset();
    }
}

void TGameSearch::TRun::SearchFile(std::size_t fileIndex, const std::string& name, bool useResume) {
    TGameIndex index;
    if (!index.Open(name, true)) {
        UserInterface().ShowMessage("There Was A Problem Opening The Game File.");
        return;
    }
    bool gm2 = TGameIndex::KindOf(name) == TGameFileKind::kGM2;
    TFile game;
    if (game.Open(name, TFileMode::kReadShared) != 0) {
        UserInterface().ShowMessage(gm2 ? "There Was A Problem Opening The GM2 File."
                                        : "There Was A Problem Opening The PGN File.");
        return;
    }
    IsamDatabase* db = index.Database();
    std::size_t passes = itsKey == kMovesKey ? c.itsMoveOrders.size() : 1;
    std::size_t pass = useResume ? itsResume->itsMoveOrder : 0;
    for (; pass < passes && !itsEnded; ++pass, useResume = false) {
        std::string start, end;
        switch (itsKey) {
        case kWhiteKey: start = c.itsWhiteFrom, end = c.itsWhiteTo; break;
        case kBlackKey: start = c.itsBlackFrom, end = c.itsBlackTo; break;
        case kEcoKey: start = c.itsEcoFrom, end = c.itsEcoTo; break;
        case kDateKey: start = c.itsYearFrom, end = c.itsYearTo; break;
        default:
            start = c.itsMoveOrders[pass].substr(0, TGameIndex::kMovesKeyLength);
            end = start;
            end.resize(TGameIndex::kMovesKeyLength, '}');
        }
        TIsamKey key{};
        RecRef ref = 0;
        bool found = false;
        if (useResume) {
            key = itsResume->itsKey;
            ref = itsResume->itsOffset;
            BTFindEntry(db, itsKey, key, ref, 0);
            if (IsamOK()) BTNextEntry(db, itsKey, key, ref);
            found = IsamOK();
        } else {
            key = MakeIsamKey(start);
            ref = BTFindAtLeast(db, itsKey, key);
            found = IsamOK();
        }
        while (found && (end.empty() || std::string(IsamKeyBytes(key)) <= end) && !itsEnded) {
            if (s.itsProgress != nullptr && s.itsProgress->ProcessMessages()) {
                itsEnded = itsOutcome.itsStopped = true;
                break;
            }
            TestGame(fileIndex, gm2, game, key, ref, pass);
            if (itsEnded) break;
            BTNextEntry(db, itsKey, key, ref);
            found = IsamOK();
            ShowCounts();
        }
    }
}

void TGameSearch::TRun::TestGame(std::size_t fileIndex, bool gm2, TFile& game, const TIsamKey& key,
                                 RecRef ref, std::size_t pass) {
    int64_t offset = int64_t(uint32_t(ref));
    TGameSummary summary;
    std::string moveLine;
    TSummaryStatus status =
        gm2 ? ReadGM2Summary(game, offset, summary, &moveLine) : ReadPGNSummary(game, offset, summary);
    if (status == TSummaryStatus::kBadHeader && !gm2) UserInterface().ShowMessage("Bad PGN Header");
    if (status != TSummaryStatus::kRead) return;
    bool movesNeeded =
        gm2 && (c.ToPGNFile() || (c.itsMoveOrderSearch && !c.itsMoveOrders.empty() &&
                                  c.itsMoveOrders.front().size() > TGameIndex::kMovesKeyLength));
    if (movesNeeded && (moveLine.empty() || moveLine.back() != '\r')) {
        UserInterface().ShowMessage("Programmer Message: Overran buffer while parsing moves.");
        itsEnded = true;
        return;
    }
    if (!c.Matches(summary, gm2 ? &moveLine : nullptr)) return;
    summary.itsNumber = std::to_string(offset);
    if (c.ToList()) {
        if (s.itsList.Add(int32_t(fileIndex), uint32_t(offset), summary) == 0) ++itsOutcome.itsAddedToList;
        s.itsResume = TResumePoint{fileIndex, pass, key, ref, s.itsFiles.Generation()};
    }
    if (c.ToPGNFile() && itsCopier.IsOpen()) {
        bool illegal = false;
        int code =
            gm2 ? itsCopier.WriteGM2Game(summary, moveLine, &illegal) : itsCopier.CopyPGNGame(game, offset);
        if (code == 0) ++itsOutcome.itsAddedToPGN;
        if (illegal) ++itsOutcome.itsIllegalGames;
    }
}

// ---------------------------------------------------------------------------------------------

TSearchOutcome TGameSearch::Run(const TSearchCriteria& criteria, bool resume, bool showResults) {
    std::optional<TResumePoint> from;
    if (resume && CanResume()) from = itsResume;
    if (!resume) itsResume.reset();
    TRun run(*this, criteria, from);
    if (criteria.ToList() && !resume && itsList.Count() > 0 &&
        UserInterface().AskYesNo("Clear the list first?")) {
        if (itsProgress != nullptr) {
            itsProgress->Start("Clearing the List...");
            itsProgress->ProcessMessages();
        }
        itsList.Clear();
    }
    if (criteria.ToPGNFile()) {
        if (run.itsCopier.Open(criteria.itsPGNFile) != 0) {
            UserInterface().ShowMessage("There was a problem opening the PGN file " + criteria.itsPGNFile);
            return run.itsOutcome;
        }
        run.itsOutcome.itsPGNWritten = true;
    }
    int64_t start = TickCount();
    itsLastStopped = false;
    if (itsProgress != nullptr) {
        itsProgress->Start("Searching...");
        itsProgress->SetText(0, criteria.itsPGNFile);
        run.ShowCounts();
    }
    try {
        run.SearchFiles();
    } catch (...) {
        if (itsProgress != nullptr) itsProgress->Finish();
        throw;
    }
    if (itsProgress != nullptr) itsProgress->Finish();
    run.itsCopier.Close();
    TSearchOutcome& outcome = run.itsOutcome;
    outcome.itsSeconds = (TickCount() - start) / 1000;
    if (outcome.itsStopped) outcome.itsMessage = "The search was interrupted.";
    itsLastStopped = outcome.itsStopped;
    if (showResults) {
        if (itsShowResults) itsShowResults(outcome);
        if (outcome.itsIllegalGames > 0)
            UserInterface().ShowMessage(std::to_string(outcome.itsIllegalGames) +
                                        " games had illegal moves.");
    }
    return outcome;
}

} // namespace marvek
