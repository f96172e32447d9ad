// The "engine" command: a short analysis of one position by a UCI or Winboard engine.
#pragma once

#include <CLI/CLI.hpp>

namespace marvek::cli {

// Registers "engine analyse". `result` receives the exit status of the command that ran.
void AddEngineCommands(CLI::App& app, int& result);

} // namespace marvek::cli
