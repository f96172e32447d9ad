// The clipboard's PGN text put into CLIPBRD.PGN in the program folder, for the importer to read.
#pragma once

#include <string>

namespace marvek {

inline constexpr const char* kClipboardWorkFileName = "CLIPBRD.PGN";

// The clipboard's text as the importer reads it. A game starts at a tag line, so moves copied
// without their tags (from a web page, say) get an Event tag of "?" in front: that is what the
// reader assumes for a missing Event anyway. Text with a tag line anywhere is left as it is.
std::string ClipboardPgnText(const std::string& text);

// Replaces CLIPBRD.PGN with `text` and returns its path; an empty path when the file could not be
// created or written, which has been shown to the user.
std::string WriteClipboardWorkFile(const std::string& text);

} // namespace marvek
