// TEngineBookLink: what the running engine windows offer the book window, over their runners.
#pragma once

#include <string>
#include <vector>

#include "bookwindow/BookWindowView.h"
#include "engines/EngineRunner.h"

namespace marvek {

// Either engine may be missing or stopped; the Winboard engine comes first for best moves and
// analyses, the UCI engine's line is the one played when both run.
class TEngineBookLink : public TBookEngineLink {
public:
    TEngineBookLink(TEngineRunner* uci, TEngineRunner* winboard) : itsUci(uci), itsWinboard(winboard) {}

    // The engine windows' "Append Node Count" boxes.
    void SetAppendNodeCount(TEngineProtocol protocol, bool append);

    bool AnyRunning() override;
    std::vector<std::string> BestMoves() override;
    std::vector<TEngineAnalysis> Analyses() override;
    std::string BestLine() override;
    void SendPosition(const std::string& fen, int plyCount, bool whiteToMove) override;

private:
    static bool Running(const TEngineRunner* runner) {
        return runner != nullptr && runner->IsEngineRunning();
    }
    // The running runners, Winboard first.
    std::vector<TEngineRunner*> RunningInOrder() const;

    TEngineRunner* itsUci;
    TEngineRunner* itsWinboard;
    bool itsUciAppendsNodes = false;
    bool itsWinboardAppendsNodes = false;
};

} // namespace marvek
