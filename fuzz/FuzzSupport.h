#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// What every harness shares. A harness file defines its entry with MARVEK_FUZZ_ENTRY: under the
// fuzzer that is libFuzzer's LLVMFuzzerTestOneInput; in the replay program, which links every
// harness into one binary, the build names each entry after its harness instead.

#ifdef MARVEK_FUZZ_ENTRY_NAME
#define MARVEK_FUZZ_ENTRY extern "C" int MARVEK_FUZZ_ENTRY_NAME
#else
#define MARVEK_FUZZ_ENTRY extern "C" int LLVMFuzzerTestOneInput
#endif

namespace marvek::fuzz {

// A folder of this process's own under the system's temporary folder, made on first use and
// removed with its contents when the process ends. MARVEK_HOME and XDG_CONFIG_HOME point into it,
// so nothing a harness does reaches the user's files.
const std::string& ScratchFolder();

// Writes bytes to a file in the scratch folder, replacing it; returns the path.
std::string WriteScratchFile(const std::string& name, std::string_view bytes);

// Starts the storage engine once for the process, and silences the user interface.
void StartEngineOnce();

// A failed invariant: prints what and aborts, which the fuzzer reports as a crash.
[[noreturn]] void Fail(const std::string& what);

inline std::string_view AsText(const uint8_t* data, size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

} // namespace marvek::fuzz
