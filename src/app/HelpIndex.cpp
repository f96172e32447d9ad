// The index of the help pages, read from their HTML with a small tag scanner.
#include "app/HelpIndex.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <utility>

namespace marvek {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

char LowerChar(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Lower(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = LowerChar(c);
    return result;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// Runs of blanks become one space, as a browser shows them.
std::string CollapseBlanks(std::string_view text) {
    std::string result;
    bool pendingBlank = false;
    for (char c : Trim(text)) {
        if (IsBlank(c)) {
            pendingBlank = true;
            continue;
        }
        if (pendingBlank) result += ' ';
        pendingBlank = false;
        result += c;
    }
    return result;
}

// The entities our pages use; anything else is left as written.
std::string DecodeEntities(std::string_view text) {
    static const std::pair<std::string_view, std::string_view> kNamed[] = {
        {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}, {"nbsp", " "}};
    std::string result;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t semicolon = text[pos] == '&' ? text.find(';', pos) : std::string_view::npos;
        if (semicolon == std::string_view::npos || semicolon - pos > 8) {
            result += text[pos++];
            continue;
        }
        const std::string_view name = text.substr(pos + 1, semicolon - pos - 1);
        std::string replacement;
        if (name.size() > 1 && name[0] == '#') {
            unsigned code = 0;
            const auto [end, error] = std::from_chars(name.data() + 1, name.data() + name.size(), code);
            if (error == std::errc() && end == name.data() + name.size() && code > 0 && code < 128)
                replacement = std::string(1, static_cast<char>(code));
        } else {
            for (const auto& [entity, value] : kNamed)
                if (name == entity) replacement = value;
        }
        if (replacement.empty()) {
            result += text[pos++];
            continue;
        }
        result += replacement;
        pos = semicolon + 1;
    }
    return result;
}

struct TTag {
    std::string itsName; // lower case; "/title" for a closing tag
    std::vector<std::pair<std::string, std::string>> itsAttributes;

    std::string Attribute(std::string_view name) const {
        for (const auto& [key, value] : itsAttributes)
            if (key == name) return value;
        return {};
    }
};

// Reads the tag that starts at html[pos] == '<' and moves pos past its '>' (to the end of the
// text when the tag is never closed).
TTag ReadTag(std::string_view html, size_t& pos) {
    TTag tag;
    ++pos;
    while (pos < html.size() && !IsBlank(html[pos]) && html[pos] != '>') {
        if (html[pos] == '/' && !tag.itsName.empty()) break;
        tag.itsName += LowerChar(html[pos++]);
    }
    while (pos < html.size() && html[pos] != '>') {
        if (IsBlank(html[pos]) || html[pos] == '/') {
            ++pos;
            continue;
        }
        std::string name;
        while (pos < html.size() && !IsBlank(html[pos]) && html[pos] != '=' && html[pos] != '>' &&
               html[pos] != '/')
            name += LowerChar(html[pos++]);
        while (pos < html.size() && IsBlank(html[pos])) ++pos;
        std::string value;
        if (pos < html.size() && html[pos] == '=') {
            ++pos;
            while (pos < html.size() && IsBlank(html[pos])) ++pos;
            if (pos < html.size() && (html[pos] == '"' || html[pos] == '\'')) {
                const char quote = html[pos++];
                const size_t end = std::min(html.find(quote, pos), html.size());
                value = html.substr(pos, end - pos);
                pos = std::min(end + 1, html.size());
            } else {
                while (pos < html.size() && !IsBlank(html[pos]) && html[pos] != '>') value += html[pos++];
            }
        }
        if (!name.empty()) tag.itsAttributes.emplace_back(std::move(name), DecodeEntities(value));
    }
    if (pos < html.size()) ++pos;
    return tag;
}

// Position of needle in haystack, letter case aside.
size_t FindNoCase(std::string_view haystack, std::string_view needle, size_t from) {
    const std::string lowered = Lower(haystack);
    return lowered.find(Lower(needle), from);
}

void AddKeywords(THelpPage& page, std::string_view content) {
    size_t start = 0;
    while (start <= content.size()) {
        const size_t comma = std::min(content.find(',', start), content.size());
        std::string keyword = CollapseBlanks(content.substr(start, comma - start));
        if (!keyword.empty()) page.itsKeywords.push_back(std::move(keyword));
        start = comma + 1;
    }
}

// Context numbers are separated by blanks (commas are taken too).
void AddContexts(THelpPage& page, std::string_view content) {
    size_t pos = 0;
    while (pos < content.size()) {
        if (IsBlank(content[pos]) || content[pos] == ',') {
            ++pos;
            continue;
        }
        size_t end = pos;
        while (end < content.size() && !IsBlank(content[end]) && content[end] != ',') ++end;
        int context = 0;
        const auto [last, error] = std::from_chars(content.data() + pos, content.data() + end, context);
        if (error == std::errc() && last == content.data() + end)
            page.itsContexts.push_back(context);
        else
            page.itsFaults.push_back("context is not a number: " +
                                     std::string(content.substr(pos, end - pos)));
        pos = end;
    }
}

// The page a link leads to: the file part of a relative href; empty for web links, mail links
// and anchors within the page.
std::string LinkedPage(std::string_view href) {
    href = Trim(href);
    if (href.find(':') != std::string_view::npos) return {};
    const size_t cut = href.find_first_of("#?");
    if (cut != std::string_view::npos) href = href.substr(0, cut);
    if (href.starts_with("./")) href.remove_prefix(2);
    return std::string(href);
}

} // namespace

THelpPage ParseHelpPage(const std::string& name, std::string_view html) {
    THelpPage page;
    page.itsName = name;
    size_t pos = 0;
    while ((pos = html.find('<', pos)) != std::string_view::npos) {
        if (html.substr(pos).starts_with("<!--")) {
            const size_t end = html.find("-->", pos + 4);
            pos = end == std::string_view::npos ? html.size() : end + 3;
            continue;
        }
        const TTag tag = ReadTag(html, pos);
        if (tag.itsName == "title" && page.itsTitle.empty()) {
            const size_t end = std::min(FindNoCase(html, "</title", pos), html.size());
            page.itsTitle = CollapseBlanks(DecodeEntities(html.substr(pos, end - pos)));
            pos = end;
        } else if (tag.itsName == "meta") {
            const std::string metaName = Lower(tag.Attribute("name"));
            if (metaName == "keywords") AddKeywords(page, tag.Attribute("content"));
            if (metaName == "contexts") AddContexts(page, tag.Attribute("content"));
        } else if (tag.itsName == "a") {
            std::string target = LinkedPage(tag.Attribute("href"));
            if (!target.empty()) page.itsLinks.push_back(std::move(target));
        }
    }
    return page;
}

THelpIndex::THelpIndex(const std::vector<THelpSource>& sources) {
    itsPages.reserve(sources.size());
    for (const THelpSource& source : sources)
        itsPages.push_back(ParseHelpPage(source.itsName, source.itsHtml));
}

const THelpPage* THelpIndex::Find(std::string_view name) const {
    for (const THelpPage& page : itsPages)
        if (page.itsName == name) return &page;
    return nullptr;
}

const std::string& THelpIndex::PageForContext(int context) const {
    for (const THelpPage& page : itsPages)
        if (std::find(page.itsContexts.begin(), page.itsContexts.end(), context) != page.itsContexts.end())
            return page.itsName;
    return itsContentsName;
}

std::vector<THelpKeyword> THelpIndex::Search(std::string_view partialKey) const {
    const std::string key = Lower(CollapseBlanks(partialKey));
    std::vector<THelpKeyword> result;
    for (const THelpPage& page : itsPages)
        for (const std::string& keyword : page.itsKeywords)
            if (Lower(keyword).starts_with(key)) result.push_back({keyword, page.itsName, page.itsTitle});
    std::sort(result.begin(), result.end(), [](const THelpKeyword& a, const THelpKeyword& b) {
        const std::string keyA = Lower(a.itsKeyword);
        const std::string keyB = Lower(b.itsKeyword);
        if (keyA != keyB) return keyA < keyB;
        if (a.itsPageTitle != b.itsPageTitle) return a.itsPageTitle < b.itsPageTitle;
        return a.itsPage < b.itsPage;
    });
    return result;
}

std::vector<const THelpPage*> THelpIndex::Contents() const {
    std::vector<const THelpPage*> result;
    auto add = [&result](const THelpPage* page) {
        if (page && std::find(result.begin(), result.end(), page) == result.end()) result.push_back(page);
    };
    if (const THelpPage* contents = Find(itsContentsName)) {
        add(contents);
        for (const std::string& link : contents->itsLinks) add(Find(link));
    }
    std::vector<const THelpPage*> others;
    for (const THelpPage& page : itsPages)
        if (std::find(result.begin(), result.end(), &page) == result.end()) others.push_back(&page);
    std::sort(others.begin(), others.end(),
              [](const THelpPage* a, const THelpPage* b) { return a->itsName < b->itsName; });
    result.insert(result.end(), others.begin(), others.end());
    return result;
}

std::vector<std::string> THelpIndex::Problems() const {
    std::vector<std::string> problems;
    if (!Find(itsContentsName)) problems.push_back("no contents page " + itsContentsName);
    std::map<int, std::string> answered;
    for (const THelpPage& page : itsPages) {
        if (page.itsTitle.empty()) problems.push_back(page.itsName + ": no title");
        for (const std::string& fault : page.itsFaults) problems.push_back(page.itsName + ": " + fault);
        for (const std::string& link : page.itsLinks)
            if (!Find(link)) problems.push_back(page.itsName + ": link to a missing page " + link);
        for (int context : page.itsContexts) {
            const auto [it, added] = answered.emplace(context, page.itsName);
            if (!added)
                problems.push_back("context " + std::to_string(context) + " is answered by " + it->second +
                                   " and " + page.itsName);
        }
    }
    return problems;
}

} // namespace marvek
