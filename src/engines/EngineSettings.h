// The engine preferences as a session needs them, and where the default engines live.
#pragma once

#include <string>

#include "engines/EngineSession.h"

namespace marvek {

class TSettings;

// The full path of an installed program found on PATH or in /usr/games; empty when there is none.
std::string FindInstalledEngine(const std::string& name);

// The UCI engine to offer when the user has chosen none: stockfish where installed.
std::string DefaultUciEngine();
// The Winboard engine to offer when the user has chosen none: fairymax where installed.
std::string DefaultWinboardEngine();

// Startup commands, thresholds, nickname and tablebase folder of one protocol.
TEngineOptions EngineOptionsFromSettings(const TSettings& settings, bool uci);

} // namespace marvek
