#pragma once

#include <string>

// The per-user settings store: the settings record as one binary file, and the folder the
// installer recorded. Both live under SettingsFolder():
//   "Prefs build30"                   the settings record, written whole and atomically
//   "Installer Settings/DataFolder"   a text file naming the data folder (read only)

namespace marvek {

std::string SettingsValuePath();

// Reads at most maxBytes of the stored record. ENOENT when there is none.
int ReadSettingsValue(std::string* bytes, size_t maxBytes);
// Creates the folder when needed and replaces the stored record (atomically: a failure leaves
// the previous record in place).
int WriteSettingsValue(const std::string& bytes);
// 0 also when there was nothing to delete.
int DeleteSettingsValue();

// The installer's data folder, without the line break that ends the file; empty when none.
std::string InstallerDataFolder();

} // namespace marvek
