#include "app/StringTable.h"

#include <charconv>
#include <unordered_map>

namespace marvek {

extern const char kEnglishStringTable[];

namespace {

int gLanguageOffset = 0;

// Splits one table line; false for comments, blank lines and malformed lines.
bool ParseLine(std::string_view line, int* number, std::string_view* text) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') return false;
    size_t tab = line.find('\t');
    if (tab == std::string_view::npos || tab == 0) return false;
    auto [end, error] = std::from_chars(line.data(), line.data() + tab, *number);
    if (error != std::errc() || end != line.data() + tab || *number < 0) return false;
    *text = line.substr(tab + 1);
    return true;
}

template <typename TVisit>
void ForEachLine(std::string_view table, TVisit visit) {
    size_t start = 0;
    while (start < table.size()) {
        size_t end = table.find('\n', start);
        if (end == std::string_view::npos) end = table.size();
        visit(table.substr(start, end - start));
        start = end + 1;
    }
}

const std::unordered_map<int, std::string>& Table() {
    static const std::unordered_map<int, std::string> table = [] {
        std::unordered_map<int, std::string> entries;
        ForEachLine(BuiltInStringTable(), [&](std::string_view line) {
            int number = 0;
            std::string_view text;
            if (ParseLine(line, &number, &text)) entries.emplace(number, std::string(text));
        });
        return entries;
    }();
    return table;
}

} // namespace

std::string_view BuiltInStringTable() {
    return kEnglishStringTable;
}

const std::string* FindString(int number) {
    const auto& table = Table();
    auto found = table.find(number);
    return found == table.end() ? nullptr : &found->second;
}

std::string LoadMessage(int number) {
    int looked = number + gLanguageOffset;
    if (const std::string* text = FindString(looked)) return *text;
    return "Could not load message " + std::to_string(looked);
}

void SetLanguageOffset(int offset) {
    gLanguageOffset = offset;
}

int LanguageOffset() {
    return gLanguageOffset;
}

std::vector<std::string> StringTableProblems(std::string_view text) {
    std::vector<std::string> problems;
    std::unordered_map<int, bool> seen;
    ForEachLine(text, [&](std::string_view line) {
        std::string_view trimmed = line;
        if (!trimmed.empty() && trimmed.back() == '\r') trimmed.remove_suffix(1);
        if (trimmed.empty() || trimmed.front() == '#') return;
        int number = 0;
        std::string_view entry;
        if (!ParseLine(line, &number, &entry)) {
            problems.push_back("not an entry: " + std::string(line));
        } else if (seen[number]) {
            problems.push_back("given twice: " + std::to_string(number));
        } else {
            seen[number] = true;
        }
    });
    return problems;
}

} // namespace marvek
