#include "platform/Folders.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

#include "platform/FileSystem.h"

namespace marvek {

namespace {

// An environment folder counts only when it is set and absolute; the XDG rules say a relative
// value is to be ignored.
std::string AbsoluteFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/') return {};
    return WithTrailingSlash(value);
}

} // namespace

std::string WithTrailingSlash(std::string path) {
    if (!path.empty() && path.back() != '/') path += '/';
    return path;
}

std::string HomeFolder() {
    std::string home = AbsoluteFromEnvironment("HOME");
    if (!home.empty()) return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr)
        return WithTrailingSlash(entry->pw_dir);
    return "/";
}

std::string ProgramFolder() {
    std::string folder = AbsoluteFromEnvironment("MARVEK_HOME");
    if (folder.empty()) {
        std::string data = AbsoluteFromEnvironment("XDG_DATA_HOME");
        if (data.empty()) data = HomeFolder() + ".local/share/";
        folder = data + "marvek/";
    }
    // Made on first use; a failure shows later, when a file in it cannot be written.
    CreateFolder(folder);
    return folder;
}

std::string ConfigFolder() {
    std::string folder = AbsoluteFromEnvironment("XDG_CONFIG_HOME");
    return folder.empty() ? HomeFolder() + ".config/" : folder;
}

std::string SettingsFolder() {
    return ConfigFolder() + "Marvek/Marvek 2000 Vantro/";
}

std::string MarvekFilesFolder() {
    return HomeFolder() + "Marvek Files/";
}

std::string DefaultBooksFolder() {
    return MarvekFilesFolder() + "Books/";
}

std::string DefaultGamesFolder() {
    return MarvekFilesFolder() + "Games/";
}

} // namespace marvek
