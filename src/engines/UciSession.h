// TUciSession: a UCI engine kept in infinite analysis of the position the book window shows.
#pragma once

#include "engines/EngineSession.h"

namespace marvek {

class TUciSession : public TEngineSession {
public:
    static constexpr int64_t kHandshakeBudget = 2000;
    static constexpr int64_t kDeferredPositionDelay = 2000;
    static constexpr int64_t kWaitingLimit = 3000;

    TUciSession(TEngineOptions options, TSink sink);

    void Clear() override;
    void Started(int64_t now) override;
    bool HandshakeStep(int64_t now) override;
    void HandleLine(const std::string& line, int64_t now) override;
    void Tick(int64_t now) override;
    bool TakeResetRequest() override;
    void SetEnginePosition(const std::string& fen, int plyCount, bool onlyIfChanged, int64_t now) override;

    bool UciOkSeen() const { return itsUciOk; }
    bool ReadyOkSeen() const { return itsReadyOk; }
    bool IsAnalysing() const { return itsAnalysing; }
    bool IsWaiting() const { return itsWaiting; }
    const std::string& DeferredFEN() const { return itsDeferredFEN; }

private:
    enum class THandshake { kNotStarted, kWaitingForUciOk, kWaitingForReadyOk, kDone };

    void HandleInfo(const std::string& line, int64_t now);
    void HandleBestMove(const std::string& line);
    void HandlePv(std::string_view text, int64_t now);
    void AnalysePosition(const std::string& fen, int64_t now);
    void Stop();

    THandshake itsHandshake = THandshake::kNotStarted;
    int64_t itsHandshakeStart = 0;
    bool itsReadyPolled = false;
    bool itsUciOk = false;
    bool itsReadyOk = false;

    bool itsAnalysing = false;
    std::string itsDeferredFEN;
    int64_t itsDeferredSince = 0;
    std::string itsIdleBestMove;
    int64_t itsSearchStart = 0;
    bool itsWaiting = false;
    int64_t itsWaitingSince = 0;
    bool itsResetWanted = false;
};

} // namespace marvek
