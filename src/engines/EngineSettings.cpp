// Reading the engine preferences, and finding the engines that are installed.
#include "engines/EngineSettings.h"

#include <cstdlib>
#include <unistd.h>

#include "app/Settings.h"

namespace marvek {

std::string FindInstalledEngine(const std::string& name) {
    std::string folders = std::getenv("PATH") ? std::getenv("PATH") : "";
    // Debian puts games, and so the chess engines, outside the usual PATH of many users.
    folders += ":/usr/games";
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        std::string folder = folders.substr(start, end - start);
        start = end + 1;
        if (folder.empty()) continue;
        const std::string candidate = folder + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

std::string DefaultUciEngine() {
    return FindInstalledEngine("stockfish");
}

std::string DefaultWinboardEngine() {
    return FindInstalledEngine("fairymax");
}

TEngineOptions EngineOptionsFromSettings(const TSettings& settings, bool uci) {
    TEngineOptions options;
    options.itsSendStartupCommands = settings.SendStartupCommands();
    for (int line = 0; line < TSettings::kStartupCommandLines; ++line)
        options.itsStartupCommands.push_back(uci ? settings.UciStartupCommand(line)
                                                 : settings.WinboardStartupCommand(line));
    options.itsWinsThreshold = settings.WinningThreshold();
    options.itsClearAdvantageThreshold = settings.ClearAdvantageThreshold();
    options.itsSlightAdvantageThreshold = settings.SlightAdvantageThreshold();
    options.itsNickname = uci ? settings.UciEngineName() : settings.WinboardEngineName();
    options.itsTablebaseFolder = settings.TablebaseFolder();
    return options;
}

} // namespace marvek
