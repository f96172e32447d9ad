#include "platform/IniFile.h"

#include <cerrno>
#include <charconv>
#include <limits>

#include "platform/FileSystem.h"

namespace marvek {

namespace {

constexpr size_t kNone = std::string::npos;

// A carriage return left over from doubled line ends ("\r\r\n") is a blank too; kept, it would be
// part of a name until the next write, which ends lines with "\n" alone, dropped it.
std::string_view Trim(std::string_view text) {
    size_t begin = text.find_first_not_of(" \t\r");
    if (begin == kNone) return {};
    size_t end = text.find_last_not_of(" \t\r");
    return text.substr(begin, end - begin + 1);
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

// The name of a "[Section]" line, or false for any other line.
bool SectionName(std::string_view line, std::string_view* name) {
    std::string_view text = Trim(line);
    if (text.empty() || text.front() != '[') return false;
    size_t close = text.find(']');
    *name = Trim(text.substr(1, close == kNone ? kNone : close - 1));
    return true;
}

// Splits a "Key=Value" line; comments and lines without "=" are not entries.
bool Entry(std::string_view line, std::string_view* key, std::string_view* value) {
    std::string_view text = Trim(line);
    if (text.empty() || text.front() == ';' || text.front() == '[') return false;
    size_t equals = text.find('=');
    if (equals == kNone) return false;
    *key = Trim(text.substr(0, equals));
    *value = Trim(text.substr(equals + 1));
    return true;
}

std::string_view Unquoted(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

bool ParseInteger(std::string_view text, int* result) {
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    } else if (text.size() > 1 && text[0] == '$') {
        base = 16;
        text.remove_prefix(1);
    }
    if (text.empty() || text.front() == '-' || text.front() == '+') return false;
    long long magnitude = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (error != std::errc() || end != text.data() + text.size()) return false;
    long long value = negative ? -magnitude : magnitude;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) return false;
    *result = static_cast<int>(value);
    return true;
}

bool ValidName(std::string_view name, bool isSection) {
    if (Trim(name).empty()) return false;
    for (char c : name)
        if (c == '\n' || c == '\r' || (isSection ? c == ']' : c == '=')) return false;
    return true;
}

} // namespace

TIniFile::TIniFile(std::string path) : itsPath(std::move(path)) {
    std::string bytes;
    int code = ReadFileBytes(itsPath, &bytes);
    if (code != 0) {
        if (code != ENOENT) itsLoadError = code;
        return;
    }
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find('\n', start);
        std::string line = bytes.substr(start, end == kNone ? kNone : end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        itsLines.push_back(std::move(line));
        if (end == kNone) break;
        start = end + 1;
    }
}

bool TIniFile::FindSection(std::string_view section, TLineRange* range) const {
    std::string_view name;
    for (size_t i = 0; i < itsLines.size(); ++i) {
        if (!SectionName(itsLines[i], &name) || !SameName(name, Trim(section))) continue;
        range->itsBegin = i;
        range->itsEnd = i + 1;
        while (range->itsEnd < itsLines.size() && !SectionName(itsLines[range->itsEnd], &name))
            ++range->itsEnd;
        return true;
    }
    return false;
}

size_t TIniFile::FindKey(const TLineRange& range, std::string_view key) const {
    std::string_view name, value;
    for (size_t i = range.itsBegin + 1; i < range.itsEnd; ++i)
        if (Entry(itsLines[i], &name, &value) && SameName(name, Trim(key))) return i;
    return kNone;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view fallback) const {
    TLineRange range;
    if (!FindSection(section, &range)) return std::string(fallback);
    size_t line = FindKey(range, key);
    if (line == kNone) return std::string(fallback);
    std::string_view name, value;
    Entry(itsLines[line], &name, &value);
    return std::string(Unquoted(value));
}

int TIniFile::ReadInteger(std::string_view section, std::string_view key, int fallback) const {
    std::string text = ReadString(section, key, "");
    int value = 0;
    return ParseInteger(Trim(text), &value) ? value : fallback;
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
    return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

bool TIniFile::SectionExists(std::string_view section) const {
    TLineRange range;
    return FindSection(section, &range);
}

bool TIniFile::ValueExists(std::string_view section, std::string_view key) const {
    TLineRange range;
    return FindSection(section, &range) && FindKey(range, key) != kNone;
}

std::vector<std::string> TIniFile::ReadSection(std::string_view section) const {
    std::vector<std::string> keys;
    TLineRange range;
    if (!FindSection(section, &range)) return keys;
    std::string_view name, value;
    for (size_t i = range.itsBegin + 1; i < range.itsEnd; ++i)
        if (Entry(itsLines[i], &name, &value)) keys.emplace_back(name);
    return keys;
}

std::vector<std::string> TIniFile::ReadSections() const {
    std::vector<std::string> sections;
    std::string_view name;
    for (const std::string& line : itsLines)
        if (SectionName(line, &name)) sections.emplace_back(name);
    return sections;
}

int TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    if (itsLoadError != 0) return itsLoadError;
    if (!ValidName(section, true) || !ValidName(key, false)) return EINVAL;
    // A line break inside a value would split it into lines of their own.
    std::string flat(value);
    for (char& c : flat)
        if (c == '\n' || c == '\r') c = ' ';

    TLineRange range;
    if (!FindSection(section, &range)) {
        if (!itsLines.empty() && !Trim(itsLines.back()).empty()) itsLines.emplace_back();
        std::string header = "[";
        header.append(Trim(section)).append("]");
        itsLines.push_back(std::move(header));
        itsLines.push_back(std::string(Trim(key)) + "=" + flat);
        return Save();
    }
    size_t line = FindKey(range, key);
    if (line != kNone) {
        std::string_view name, old;
        Entry(itsLines[line], &name, &old);
        itsLines[line] = std::string(name) + "=" + flat;
        return Save();
    }
    // After the section's last non-blank line, so the blank line before the next section stays.
    size_t insert = range.itsEnd;
    while (insert > range.itsBegin + 1 && Trim(itsLines[insert - 1]).empty()) --insert;
    itsLines.insert(itsLines.begin() + static_cast<std::ptrdiff_t>(insert),
                    std::string(Trim(key)) + "=" + flat);
    return Save();
}

int TIniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
    return WriteString(section, key, std::to_string(value));
}

int TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    return WriteString(section, key, value ? "1" : "0");
}

int TIniFile::DeleteKey(std::string_view section, std::string_view key) {
    if (itsLoadError != 0) return itsLoadError;
    TLineRange range;
    if (!FindSection(section, &range)) return 0;
    size_t line = FindKey(range, key);
    if (line == kNone) return 0;
    itsLines.erase(itsLines.begin() + static_cast<std::ptrdiff_t>(line));
    return Save();
}

int TIniFile::EraseSection(std::string_view section) {
    if (itsLoadError != 0) return itsLoadError;
    bool erased = false;
    TLineRange range;
    // Every copy goes, so that a second section of the same name cannot surface afterwards.
    while (FindSection(section, &range)) {
        itsLines.erase(itsLines.begin() + static_cast<std::ptrdiff_t>(range.itsBegin),
                       itsLines.begin() + static_cast<std::ptrdiff_t>(range.itsEnd));
        erased = true;
    }
    return erased ? Save() : 0;
}

int TIniFile::Save() const {
    std::string text;
    for (const std::string& line : itsLines) {
        text += line;
        text += '\n';
    }
    return WriteFileAtomically(itsPath, text.data(), text.size());
}

} // namespace marvek
