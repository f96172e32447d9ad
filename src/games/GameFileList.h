// TGameFileList: the game files the user searches, with their check marks, kept in GAMES.INI.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The list is ordered; only checked files are searched. GAMES.INI in the program folder holds it
// in the section "GameFiles" as "PGNFile<n>" (the name) and "PGNFileChecked<n>" (a bool), n from
// 0; reading stops at the first missing or empty name, and writing erases the section first.

namespace marvek {

class TGameFileList {
public:
    struct TEntry {
        std::string itsName;
        bool itsChecked = false;
    };

    static std::string IniPath();

    // Replaces the list with the one in the file (an empty list when there is none).
    void Read(const std::string& iniPath = IniPath());
    // 0 or the errno of the first failure.
    int Write(const std::string& iniPath = IniPath()) const;

    std::size_t Count() const { return itsEntries.size(); }
    bool Empty() const { return itsEntries.empty(); }
    // Entry i's name; an index outside the list raises EMarvekError ("The game file for this game
    // is not in the list.").
    const std::string& Name(std::size_t i) const;
    bool IsChecked(std::size_t i) const;
    const std::vector<TEntry>& Entries() const { return itsEntries; }

    // "Add File...": at the end, checked.
    void Add(const std::string& name, bool checked = true) {
        itsEntries.push_back({name, checked});
        ++itsGeneration;
    }
    // "Remove File": every selected entry; with none, "No file is highlighted." is shown and the
    // result is false.
    bool Remove(const std::vector<std::size_t>& selected);
    void SetChecked(std::size_t i, bool checked);
    // The entry whose name is name, or Count().
    std::size_t Find(const std::string& name) const;

    // Bumped whenever entries are added, removed or (un)checked, so that a search can tell its
    // resume point has gone stale.
    unsigned Generation() const { return itsGeneration; }

private:
    std::vector<TEntry> itsEntries;
    unsigned itsGeneration = 0;
};

} // namespace marvek
