// Runs a harness on every file of the folders given, as the fuzzer would run it on one input:
// the kept corpus and crash inputs become an ordinary test. A failure aborts the program with the
// harness's or the sanitizer's report; the file being run is named first.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#define X(name) extern "C" int FuzzEntry_##name(const uint8_t* data, size_t size);
#include "FuzzHarnesses.def"
#undef X

namespace {

struct THarness {
    const char* itsName;
    int (*itsEntry)(const uint8_t*, size_t);
};

const THarness kHarnesses[] = {
#define X(name) {#name, FuzzEntry_##name},
#include "FuzzHarnesses.def"
#undef X
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s HARNESS FOLDER...\n", argv[0]);
        return 2;
    }
    const THarness* harness = nullptr;
    for (const THarness& h : kHarnesses)
        if (argv[1] == std::string(h.itsName)) harness = &h;
    if (harness == nullptr) {
        std::fprintf(stderr, "no harness named %s\n", argv[1]);
        return 2;
    }
    int runs = 0;
    for (int i = 2; i < argc; ++i) {
        std::filesystem::path folder(argv[i]);
        if (!std::filesystem::is_directory(folder)) continue;
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            if (entry.is_regular_file() && entry.path().filename().string().front() != '.')
                files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        for (const auto& file : files) {
            std::ifstream in(file, std::ios::binary);
            std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                       std::istreambuf_iterator<char>());
            std::fprintf(stderr, "%s\n", file.string().c_str());
            harness->itsEntry(bytes.data(), bytes.size());
            ++runs;
        }
    }
    std::printf("%s: %d inputs\n", harness->itsName, runs);
    return runs > 0 ? 0 : 1;
}
