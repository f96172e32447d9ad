// TWinboardSession: a Winboard (xboard) engine kept in analyze mode on the book window's position.
#pragma once

#include "engines/EngineSession.h"

namespace marvek {

class TWinboardSession : public TEngineSession {
public:
    static constexpr int64_t kStatusInterval = 1000;

    TWinboardSession(TEngineOptions options, TSink sink);

    // The argument string the engine is started with: the tablebase folder when one is set.
    std::string StartArguments() const;

    void Clear() override;
    void Started(int64_t now) override;
    bool HandshakeStep(int64_t) override { return true; }
    void HandleLine(const std::string& line, int64_t now) override;
    void Tick(int64_t now) override;
    void SetEnginePosition(const std::string& fen, int plyCount, bool onlyIfChanged, int64_t now) override;

    bool AcceptsSetboard() const { return itsSetboard; }
    int Seconds() const { return itsSeconds; }

private:
    bool HandleThinking(std::string_view line);
    void HandleStatus(std::string_view text);
    void HandleVersion(std::string_view text);
    void ShowReportedScore(std::string_view text);
    void ShowTime(std::string_view text);
    void ShowNodes(std::string_view text);
    void SendByEditMode();

    bool itsSetboard = false;
    int itsSeconds = 0;
    int64_t itsLastStatusRequest = 0;
};

// The distance of a Winboard mate score, or 0 when the score is no mate.
int WinboardMateDistance(int64_t score);

} // namespace marvek
