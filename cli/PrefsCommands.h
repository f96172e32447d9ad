#pragma once

#include <CLI/CLI.hpp>

namespace marvek::cli {

// Registers "prefs" with its subcommands show, factory and set. `result` receives the exit
// status of the command that ran.
void AddPrefsCommands(CLI::App& app, int& result);

} // namespace marvek::cli
