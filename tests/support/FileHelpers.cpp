#include "support/FileHelpers.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace marvek::testsupport {

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::vector<uint8_t> ReadWholeFileBytes(const std::string& path) {
    std::string bytes = ReadWholeFile(path);
    return {bytes.begin(), bytes.end()};
}

void WriteWholeFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

void WriteWholeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    WriteWholeFile(path, {reinterpret_cast<const char*>(bytes.data()), bytes.size()});
}

void PatchFile(const std::string& path, int64_t offset, std::string_view bytes) {
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(offset);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file) throw std::runtime_error("cannot patch " + path);
}

int64_t FileSizeOf(const std::string& path) {
    std::error_code error;
    auto size = std::filesystem::file_size(path, error);
    return error ? -1 : static_cast<int64_t>(size);
}

} // namespace marvek::testsupport
