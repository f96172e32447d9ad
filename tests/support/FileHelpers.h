#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Whole files for tests: fixtures written in one go, results read back in one go, and bytes of a
// file changed in place to damage it.

namespace marvek::testsupport {

// The file's bytes; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);
std::vector<uint8_t> ReadWholeFileBytes(const std::string& path);

// Creates the file or replaces it.
void WriteWholeFile(const std::string& path, std::string_view bytes);
void WriteWholeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// Overwrites bytes of an existing file at offset, leaving the rest as it was.
void PatchFile(const std::string& path, int64_t offset, std::string_view bytes);

// The file's size in bytes; -1 when it does not exist.
int64_t FileSizeOf(const std::string& path);

} // namespace marvek::testsupport
