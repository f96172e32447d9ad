#include "FuzzSupport.h"

#include "app/UserInterface.h"
#include "storage/StorageSession.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace marvek::fuzz {

namespace {

// Damaged input makes the core tell the user; under the fuzzer nobody listens.
class TSilentUserInterface : public TUserInterface {
public:
    void ShowInformationBox(const std::string&, const std::string&, int) override {}
    void ShowMessage(const std::string&) override {}
    void ShowError(const std::string&) override {}
    TAnswer Ask(const std::string&, TButtons buttons, TBoxKind, int) override {
        return buttons == TButtons::kYesNo ? TAnswer::kNo : TAnswer::kCancel;
    }
    void Beep() override {}
    void SetWaitCursor(bool) override {}
};

struct TScratch {
    std::string itsPath;
    TScratch() {
        std::string pattern = (std::filesystem::temp_directory_path() / "marvek-fuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        itsPath = pattern + "/";
        std::filesystem::create_directories(itsPath + "home");
        std::filesystem::create_directories(itsPath + "config");
        setenv("MARVEK_HOME", (itsPath + "home").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (itsPath + "config").c_str(), 1);
    }
    ~TScratch() {
        std::error_code ignored;
        std::filesystem::remove_all(itsPath, ignored);
    }
};

} // namespace

const std::string& ScratchFolder() {
    static TScratch scratch;
    return scratch.itsPath;
}

std::string WriteScratchFile(const std::string& name, std::string_view bytes) {
    std::string path = ScratchFolder() + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    out.close();
    if (!out) Fail("cannot write the scratch file " + path);
    return path;
}

void StartEngineOnce() {
    static const bool started = [] {
        static TSilentUserInterface silent;
        SetUserInterface(&silent);
        try {
            // Lives for the whole process: every input of a run uses the same engine.
            static TStorageSession storage;
        } catch (const std::exception& problem) {
            Fail(std::string("the storage engine did not start: ") + problem.what());
        }
        return true;
    }();
    (void)started;
}

void Fail(const std::string& what) {
    std::fprintf(stderr, "invariant failed: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

} // namespace marvek::fuzz
