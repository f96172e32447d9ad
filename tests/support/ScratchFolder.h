#pragma once

#include <optional>
#include <string>

// A fresh folder under the system's temporary folder for one test, removed with everything in it
// when the test ends; and an environment variable changed for the length of a test.

namespace marvek::testsupport {

class TScratchFolder {
public:
    TScratchFolder();
    ~TScratchFolder();
    TScratchFolder(const TScratchFolder&) = delete;
    TScratchFolder& operator=(const TScratchFolder&) = delete;

    // The folder, ending with "/".
    const std::string& Path() const { return itsPath; }
    std::string operator/(const std::string& name) const { return itsPath + name; }

private:
    std::string itsPath;
};

class TScopedEnvironment {
public:
    // Sets name to value (or unsets it when value is nullopt) until destruction.
    TScopedEnvironment(std::string name, std::optional<std::string> value);
    ~TScopedEnvironment();
    TScopedEnvironment(const TScopedEnvironment&) = delete;
    TScopedEnvironment& operator=(const TScopedEnvironment&) = delete;

private:
    std::string itsName;
    std::optional<std::string> itsOld;
};

} // namespace marvek::testsupport
