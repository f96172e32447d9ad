#pragma once

#include "platform/File.h"
#include "storage/Isam.h"
#include "storage/IsamErrors.h"
#include "storage/StorageSession.h"
#include "support/FileHelpers.h"
#include "support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace marvek::test {

using testsupport::FileSizeOf;
using testsupport::ReadWholeFileBytes;
using testsupport::TScratchFolder;
using testsupport::WriteWholeFileBytes;

// Each test gets an empty scratch folder and a started engine with default extensions.
class IsamTest : public ::testing::Test {
protected:
    void SetUp() override { StartWith(kStoragePageBuffers); }
    void TearDown() override {
        itsStorage.reset();
        FileFaults().Reset();
        BTSetResynchronise(true);
    }

    // Starts the engine again with another number of page buffers.
    void StartWith(int buffers) {
        itsStorage.reset();
        BTSetExtensions("DAT", "IX", "DIA");
        BTSetRebuildExtensions("SAV", "MSG");
        itsStorage.emplace(buffers);
    }

    std::string Base(const std::string& name = "db") const { return itsFolder / name; }
    std::string File(const std::string& name) const { return itsFolder / name; }

    static std::vector<uint8_t> Record(int slotBytes, uint8_t fill) {
        std::vector<uint8_t> r(static_cast<size_t>(slotBytes), fill);
        r[0] = r[1] = r[2] = r[3] = 0;
        return r;
    }

    TScratchFolder itsFolder;
    std::optional<TStorageSession> itsStorage;
};

inline TIsamKey K(const std::string& text) {
    return MakeIsamKey(text);
}

inline std::string Text(const TIsamKey& key) {
    return std::string(IsamKeyBytes(key));
}

} // namespace marvek::test
