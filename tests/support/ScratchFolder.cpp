#include "support/ScratchFolder.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace marvek::testsupport {

TScratchFolder::TScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "marvek-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a scratch folder");
    itsPath = pattern + "/";
}

TScratchFolder::~TScratchFolder() {
    std::error_code error;
    // Files a test made read-only must not stop the clean-up.
    for (auto it = std::filesystem::recursive_directory_iterator(itsPath, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error))
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, error);
    std::filesystem::remove_all(itsPath, error);
}

TScopedEnvironment::TScopedEnvironment(std::string name, std::optional<std::string> value)
    : itsName(std::move(name)) {
    if (const char* old = std::getenv(itsName.c_str())) itsOld = old;
    if (value) {
        ::setenv(itsName.c_str(), value->c_str(), 1);
    } else {
        ::unsetenv(itsName.c_str());
    }
}

TScopedEnvironment::~TScopedEnvironment() {
    if (itsOld) {
        ::setenv(itsName.c_str(), itsOld->c_str(), 1);
    } else {
        ::unsetenv(itsName.c_str());
    }
}

} // namespace marvek::testsupport
