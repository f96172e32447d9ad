#pragma once

#include "platform/File.h"
#include "storage/Isam.h"
#include "storage/IsamErrors.h"
#include "storage/StorageSession.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace marvek::test {

// Each test gets an empty folder under MARVEK_HOME and a started engine with default extensions.
class IsamTest : public ::testing::Test {
protected:
    void SetUp() override { StartWith(kStoragePageBuffers); }
    void TearDown() override {
        itsStorage.reset();
        FileFaults().Reset();
        BTSetResynchronise(true);
    }

    void StartWith(int buffers) {
        itsStorage.reset();
        const char* home = std::getenv("MARVEK_HOME");
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "." + info->name();
        for (char& c : name)
            if (c == '/') c = '_';
        itsFolder = std::filesystem::path(home != nullptr ? home : "/tmp") / "isam" / name;
        std::filesystem::remove_all(itsFolder);
        std::filesystem::create_directories(itsFolder);
        BTSetExtensions("DAT", "IX", "DIA");
        BTSetRebuildExtensions("SAV", "MSG");
        itsStorage.emplace(buffers);
    }

    std::string Base(const std::string& name = "db") const { return (itsFolder / name).string(); }
    std::string File(const std::string& name) const { return (itsFolder / name).string(); }

    static std::vector<uint8_t> ReadAll(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    static std::vector<uint8_t> Record(int slotBytes, uint8_t fill) {
        std::vector<uint8_t> r(static_cast<size_t>(slotBytes), fill);
        r[0] = r[1] = r[2] = r[3] = 0;
        return r;
    }

    std::optional<TStorageSession> itsStorage;
    std::filesystem::path itsFolder;
};

inline TIsamKey K(const std::string& text) {
    return MakeIsamKey(text);
}

inline std::string Text(const TIsamKey& key) {
    return std::string(IsamKeyBytes(key));
}

} // namespace marvek::test
