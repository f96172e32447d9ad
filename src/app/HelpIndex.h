#pragma once

#include <string>
#include <string_view>
#include <vector>

// The index of the help pages: each page's title, keywords, the help context numbers it answers
// and the pages it links to, read from the pages' HTML. The help window asks it which page a
// context opens, which keywords match what the user types, and the order of the contents.

namespace marvek {

// One page as the program ships it: its file name ("books.html") and its HTML.
struct THelpSource {
    std::string itsName;
    std::string itsHtml;
};

struct THelpPage {
    std::string itsName;
    // The <title>; empty when the page has none (a fault Problems() reports).
    std::string itsTitle;
    // <meta name="keywords" content="a, b, c">, in the page's order.
    std::vector<std::string> itsKeywords;
    // <meta name="contexts" content="5010 6003">.
    std::vector<int> itsContexts;
    // The other pages its links name (file part of each href; web links and anchors left out).
    std::vector<std::string> itsLinks;
    // What could not be read, such as a context that is not a number.
    std::vector<std::string> itsFaults;
};

// A keyword that matches a search, with the page it leads to.
struct THelpKeyword {
    std::string itsKeyword;
    std::string itsPage;
    std::string itsPageTitle;
};

class THelpIndex {
public:
    // The page every unknown context opens, and whose links give the order of the contents.
    static constexpr std::string_view kContentsPage = "index.html";

    THelpIndex() = default;
    explicit THelpIndex(const std::vector<THelpSource>& sources);

    // The page's name for a help context; the contents page when no page answers it.
    const std::string& PageForContext(int context) const;
    // Keywords that begin with partialKey, letter case aside, sorted by keyword and then by page
    // title. Blanks around the key are ignored, so " " (and "") give every keyword.
    std::vector<THelpKeyword> Search(std::string_view partialKey) const;
    // The contents page, then the pages in the order its links name them, then any other page by
    // name.
    std::vector<const THelpPage*> Contents() const;

    // nullptr when there is no such page.
    const THelpPage* Find(std::string_view name) const;
    const std::vector<THelpPage>& Pages() const { return itsPages; }

    // What is wrong with the pages, one line each: a page without a title, a link to a page that
    // does not exist, a context answered by two pages or not a number, a missing contents page.
    // Empty when sound.
    std::vector<std::string> Problems() const;

private:
    std::vector<THelpPage> itsPages;
    std::string itsContentsName{kContentsPage};
};

// What one page's HTML says about itself (exposed for the tests).
THelpPage ParseHelpPage(const std::string& name, std::string_view html);

} // namespace marvek
