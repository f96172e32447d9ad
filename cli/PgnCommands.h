#pragma once

#include <CLI/CLI.hpp>

namespace marvek::cli {

// Registers "book import" under the "book" command, which AddBookCommands must have added.
// `result` receives the exit status of the command that ran.
void AddPgnCommands(CLI::App& app, int& result);

} // namespace marvek::cli
