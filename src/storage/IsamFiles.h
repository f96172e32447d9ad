#pragma once

#include <string>

// How the files of one database are named from its base path. A base path names the data file
// and its companions by extension; "data;index" names the index file separately.

namespace marvek {

inline constexpr size_t kMaxIsamPath = 192;

// Replaces the extension of path (the text after the last "." that follows the last "/") with
// ext, or appends "." and ext when there is none.
std::string IsamFileName(const std::string& path, const std::string& ext);

struct TIsamFileNames {
    std::string itsData;
    std::string itsIndex;
    std::string itsJournal;
};

// The data and journal files come from the part before a ";", the index file from the part after
// it (or from the same base when there is no ";").
TIsamFileNames IsamFileNames(const std::string& base, const std::string& dataExt, const std::string& indexExt,
                             const std::string& journalExt);

} // namespace marvek
