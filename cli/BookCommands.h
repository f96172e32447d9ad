#pragma once

#include <CLI/CLI.hpp>

namespace marvek::cli {

// Registers the "book" commands. `result` receives the exit status of the command that ran.
void AddBookCommands(CLI::App& app, int& result);

} // namespace marvek::cli
