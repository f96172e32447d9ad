#pragma once

#include <string>
#include <string_view>
#include <vector>

// The numbered texts of the program (resources/StringTable.txt, compiled in). Every message,
// caption and shortcut the user sees is looked up by number after adding the language offset.

namespace marvek {

// The text of a number as it stands in the table (no offset), or nullptr when there is none.
const std::string* FindString(int number);

// The text of number + the language offset; for a missing entry "Could not load message "
// followed by the number that was looked up.
std::string LoadMessage(int number);

// Set at start-up from the settings record; loading factory settings puts it back to 0.
void SetLanguageOffset(int offset);
int LanguageOffset();

// Lines of a table text that are neither comments nor "number<tab>text" entries, and numbers
// given twice; empty for a sound table. The built-in table is checked by the tests.
std::vector<std::string> StringTableProblems(std::string_view text);
std::string_view BuiltInStringTable();

} // namespace marvek
