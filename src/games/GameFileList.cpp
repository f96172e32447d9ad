// The game files the user searches, with their check marks, kept in GAMES.INI.
#include "games/GameFileList.h"

#include <algorithm>

#include "app/UserInterface.h"
#include "platform/Errors.h"
#include "platform/Folders.h"
#include "platform/IniFile.h"

namespace marvek {

namespace {
constexpr const char* kSection = "GameFiles";
} // namespace

std::string TGameFileList::IniPath() {
    return ProgramFolder() + "GAMES.INI";
}

void TGameFileList::Read(const std::string& iniPath) {
    itsEntries.clear();
    ++itsGeneration;
    TIniFile ini(iniPath);
    for (int n = 0;; ++n) {
        std::string number = std::to_string(n);
        std::string name = ini.ReadString(kSection, "PGNFile" + number, "");
        if (name.empty()) break;
        itsEntries.push_back({name, ini.ReadBool(kSection, "PGNFileChecked" + number, false)});
    }
}

int TGameFileList::Write(const std::string& iniPath) const {
    TIniFile ini(iniPath);
    int error = ini.EraseSection(kSection);
    for (std::size_t n = 0; n < itsEntries.size() && error == 0; ++n) {
        std::string number = std::to_string(n);
        error = ini.WriteString(kSection, "PGNFile" + number, itsEntries[n].itsName);
        if (error == 0) error = ini.WriteBool(kSection, "PGNFileChecked" + number, itsEntries[n].itsChecked);
    }
    return error;
}

const std::string& TGameFileList::Name(std::size_t i) const {
    if (i >= itsEntries.size()) throw EMarvekError("The game file for this game is not in the list.");
    return itsEntries[i].itsName;
}

bool TGameFileList::IsChecked(std::size_t i) const {
    return i < itsEntries.size() && itsEntries[i].itsChecked;
}

bool TGameFileList::Remove(const std::vector<std::size_t>& selected) {
    std::vector<std::size_t> doomed;
    for (std::size_t i : selected)
        if (i < itsEntries.size()) doomed.push_back(i);
    if (doomed.empty()) {
        UserInterface().ShowMessage("No file is highlighted.");
        return false;
    }
    std::sort(doomed.begin(), doomed.end());
    doomed.erase(std::unique(doomed.begin(), doomed.end()), doomed.end());
    for (auto at = doomed.rbegin(); at != doomed.rend(); ++at)
        itsEntries.erase(itsEntries.begin() + std::ptrdiff_t(*at));
    ++itsGeneration;
    return true;
}

void TGameFileList::SetChecked(std::size_t i, bool checked) {
    if (i >= itsEntries.size()) return;
    itsEntries[i].itsChecked = checked;
    ++itsGeneration;
}

std::size_t TGameFileList::Find(const std::string& name) const {
    auto at = std::find_if(itsEntries.begin(), itsEntries.end(),
                           [&name](const TEntry& entry) { return entry.itsName == name; });
    return std::size_t(at - itsEntries.begin());
}

} // namespace marvek
