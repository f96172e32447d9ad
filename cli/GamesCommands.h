// The "games" commands of marvek-cli: indexing PGN files, searching game files, the game-file list.
#pragma once

#include <CLI/CLI.hpp>

namespace marvek::cli {

// Registers "games index", "games status", "games search", "games list", "games add",
// "games remove" and "games check". `result` receives the exit status of the command that ran.
void AddGamesCommands(CLI::App& app, int& result);

} // namespace marvek::cli
