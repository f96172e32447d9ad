#pragma once

#include <CLI/CLI.hpp>

namespace marvek::cli {

// Adds "export" to the "book" command (AddBookCommands must have run). `result` receives the exit
// status of the command that ran.
void AddExportCommands(CLI::App& app, int& result);

} // namespace marvek::cli
