#pragma once

#include <string>
#include <string_view>
#include <vector>

// INI (profile) files as the classic profile calls treat them: "[Section]" headers and
// "Key=Value" lines; section and key names compare without regard to letter case; names and
// values lose surrounding blanks, and a value in matching quotes loses the quotes; the first of
// two equal sections or keys is the one read. A missing file reads as empty and is created by the
// first write. Every change writes the whole file back at once (atomically), keeping comments and
// lines it does not understand. Writes report failure as an errno code, never by throwing.

namespace marvek {

class TIniFile {
public:
    // Reads the file. The object then sees the file as it was read plus its own writes.
    explicit TIniFile(std::string path);

    const std::string& Path() const { return itsPath; }
    // 0, or why an existing file could not be read (writes are then refused with the same code,
    // so that a file we could not read is never overwritten).
    int LoadError() const { return itsLoadError; }

    std::string ReadString(std::string_view section, std::string_view key, std::string_view fallback) const;
    // Decimal, or hexadecimal after "0x" or "$"; a missing, empty or unreadable value gives fallback.
    int ReadInteger(std::string_view section, std::string_view key, int fallback) const;
    // An integer other than 0 is true.
    bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;

    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view key) const;
    // The key names of a section, in file order.
    std::vector<std::string> ReadSection(std::string_view section) const;
    std::vector<std::string> ReadSections() const;

    // A new key goes after the last key of its section, a new section at the end of the file.
    int WriteString(std::string_view section, std::string_view key, std::string_view value);
    int WriteInteger(std::string_view section, std::string_view key, int value);
    int WriteBool(std::string_view section, std::string_view key, bool value);
    int DeleteKey(std::string_view section, std::string_view key);
    // Removes the section header and every line under it.
    int EraseSection(std::string_view section);

private:
    struct TLineRange {
        size_t itsBegin = 0; // the header line
        size_t itsEnd = 0;   // one past the section's last line
    };

    bool FindSection(std::string_view section, TLineRange* range) const;
    // Index of the key's line inside range, or npos.
    size_t FindKey(const TLineRange& range, std::string_view key) const;
    int Save() const;

    std::string itsPath;
    std::vector<std::string> itsLines;
    int itsLoadError = 0;
};

} // namespace marvek
