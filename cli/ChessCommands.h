#pragma once

#include <CLI/CLI.hpp>

namespace marvek::cli {

// Registers moves, play, perft and canonical. `result` receives the exit status of the command
// that ran.
void AddChessCommands(CLI::App& app, int& result);

} // namespace marvek::cli
