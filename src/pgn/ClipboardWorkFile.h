// The clipboard's PGN text put into CLIPBRD.PGN in the program folder, for the importer to read.
#pragma once

#include <string>

namespace marvek {

inline constexpr const char* kClipboardWorkFileName = "CLIPBRD.PGN";

// Replaces CLIPBRD.PGN with `text` and returns its path; an empty path when the file could not be
// created or written, which has been shown to the user.
std::string WriteClipboardWorkFile(const std::string& text);

} // namespace marvek
