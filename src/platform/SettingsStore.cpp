#include "platform/SettingsStore.h"

#include <cerrno>

#include "platform/File.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"

namespace marvek {

std::string SettingsValuePath() {
    return SettingsFolder() + "Prefs build30";
}

int ReadSettingsValue(std::string* bytes, size_t maxBytes) {
    return ReadFileBytes(SettingsValuePath(), bytes, maxBytes);
}

int WriteSettingsValue(const std::string& bytes) {
    int code = CreateFolder(SettingsFolder());
    if (code != 0) return code;
    return WriteFileAtomically(SettingsValuePath(), bytes.data(), bytes.size());
}

int DeleteSettingsValue() {
    int code = RemoveFile(SettingsValuePath());
    return code == ENOENT ? 0 : code;
}

std::string InstallerDataFolder() {
    std::string text;
    if (ReadFileBytes(SettingsFolder() + "Installer Settings/DataFolder", &text, 4096) != 0) return {};
    size_t end = text.find_first_of("\r\n");
    if (end != std::string::npos) text.erase(end);
    return text;
}

} // namespace marvek
