#pragma once

#include <string>
#include <vector>

// Runs a program to completion and collects what it printed, for tests of the command-line tool.

namespace marvek::testsupport {

struct TRunResult {
    int itsExitStatus = -1; // -1 when the program did not exit normally (signal, crash)
    std::string itsOut;
    std::string itsErr;
};

TRunResult RunProgram(const std::string& program, const std::vector<std::string>& args);
// marvek-cli with the given arguments.
TRunResult RunCli(const std::vector<std::string>& args);

} // namespace marvek::testsupport
