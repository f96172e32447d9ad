#pragma once

#include <CLI/CLI.hpp>

namespace marvek::cli {

// Registers "db verify" and "db stat". `result` receives the exit status of the command that ran:
// 0 sound, 1 faults found; files that cannot be opened raise EMarvekError (also status 1).
void AddDbCommands(CLI::App& app, int& result);

} // namespace marvek::cli
