// The help index: reading pages, contexts, keyword search and contents order, and the shipped pages.
#include "app/HelpIndex.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include <gtest/gtest.h>

namespace marvek {
namespace {

std::string Page(const std::string& title, const std::string& keywords, const std::string& contexts,
                 const std::string& body = "") {
    return "<html><head><title>" + title + "</title><meta name=\"keywords\" content=\"" + keywords +
           "\"><meta name=\"contexts\" content=\"" + contexts + "\"></head><body>" + body + "</body></html>";
}

TEST(HelpIndexTest, ReadsWhatAPageSaysAboutItself) {
    const THelpPage page = ParseHelpPage("p.html", R"(<!DOCTYPE html><HTML><HEAD>
<TITLE>  Books &amp;
  positions </TITLE>
<!-- <title>not this</title> <a href="commented.html"> -->
<META CONTENT='rebuild,  Disk full , ,Candidate Menu' NAME='Keywords'>
<meta name="contexts" content=" 5010  6003,700 ">
</HEAD><body><a href="other.html#part">x</a> <a href="#top">top</a> <a href='./third.html'>y</a>
<a href="https://example.org/a.html">web</a> <a name="anchor"></a> <a href="mailto:me@example.org">m</a>
</body></html>)");
    EXPECT_EQ(page.itsName, "p.html");
    EXPECT_EQ(page.itsTitle, "Books & positions");
    EXPECT_EQ(page.itsKeywords, (std::vector<std::string>{"rebuild", "Disk full", "Candidate Menu"}));
    EXPECT_EQ(page.itsContexts, (std::vector<int>{5010, 6003, 700}));
    EXPECT_EQ(page.itsLinks, (std::vector<std::string>{"other.html", "third.html"}));
    EXPECT_TRUE(page.itsFaults.empty());
}

TEST(HelpIndexTest, BrokenHtmlGivesWhatCanBeReadAndNeverMore) {
    struct TCase {
        const char* itsHtml;
        const char* itsTitle;
        size_t itsLinks;
        size_t itsFaults;
    };
    const TCase cases[] = {
        {"", "", 0, 0},
        {"<", "", 0, 0},
        {"<title>Open", "Open", 0, 0},
        {"<a href=\"x.html", "", 1, 0},
        {"<a href=y.html>", "", 1, 0},
        {"<!-- never closed <title>T</title>", "", 0, 0},
        {"<meta name=contexts content=\"12 x1 -3\">", "", 0, 1},
        {"<title>&#65;&bogus;&#9999999999;</title>", "A&bogus;&#9999999999;", 0, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.itsHtml);
        const THelpPage page = ParseHelpPage("p.html", c.itsHtml);
        EXPECT_EQ(page.itsTitle, c.itsTitle);
        EXPECT_EQ(page.itsLinks.size(), c.itsLinks);
        EXPECT_EQ(page.itsFaults.size(), c.itsFaults);
    }
}

class HelpIndexSmallTest : public testing::Test {
protected:
    THelpIndex itsIndex{{
        {"b.html", Page("Books", "book, Rebuild, read-only", "5010 6003")},
        {"index.html", Page("Contents", "contents", "", "<a href=\"c.html\"></a><a href=\"b.html\"></a>")},
        {"c.html", Page("Candidates", "Candidate Menu, rebuild", "")},
        {"a.html", Page("About", "about", "")},
    }};
};

TEST_F(HelpIndexSmallTest, ContextsOpenTheirPageAndUnknownOnesTheContents) {
    EXPECT_EQ(itsIndex.PageForContext(5010), "b.html");
    EXPECT_EQ(itsIndex.PageForContext(6003), "b.html");
    EXPECT_EQ(itsIndex.PageForContext(830), "index.html");
    EXPECT_EQ(itsIndex.PageForContext(0), "index.html");
}

TEST_F(HelpIndexSmallTest, SearchMatchesTheStartOfKeywordsLetterCaseAside) {
    auto keywords = [this](std::string_view key) {
        std::vector<std::string> result;
        for (const THelpKeyword& hit : itsIndex.Search(key))
            result.push_back(hit.itsKeyword + "@" + hit.itsPage);
        return result;
    };
    // One keyword on two pages gives both, by page title.
    EXPECT_EQ(keywords("REB"), (std::vector<std::string>{"Rebuild@b.html", "rebuild@c.html"}));
    EXPECT_EQ(keywords("  candidate m"), (std::vector<std::string>{"Candidate Menu@c.html"}));
    EXPECT_EQ(keywords("menu"), std::vector<std::string>{});
    EXPECT_EQ(keywords(" "), (std::vector<std::string>{"about@a.html", "book@b.html", "Candidate Menu@c.html",
                                                       "contents@index.html", "read-only@b.html",
                                                       "Rebuild@b.html", "rebuild@c.html"}));
    EXPECT_EQ(itsIndex.Search("book").at(0).itsPageTitle, "Books");
}

TEST_F(HelpIndexSmallTest, ContentsFollowTheContentsPageThenTheRestByName) {
    std::vector<std::string> names;
    for (const THelpPage* page : itsIndex.Contents()) names.push_back(page->itsName);
    EXPECT_EQ(names, (std::vector<std::string>{"index.html", "c.html", "b.html", "a.html"}));
    EXPECT_TRUE(itsIndex.Problems().empty());
}

TEST(HelpIndexTest, ProblemsNameEachFault) {
    const THelpIndex index({
        {"x.html", Page("", "", "700")},
        {"y.html", Page("Y", "", "700 seven", "<a href=\"gone.html#a\">")},
    });
    EXPECT_EQ(index.Problems(), (std::vector<std::string>{
                                    "no contents page index.html",
                                    "x.html: no title",
                                    "y.html: context is not a number: seven",
                                    "y.html: link to a missing page gone.html",
                                    "context 700 is answered by x.html and y.html",
                                }));
    // Without a contents page an unknown context still names it, and the contents list the pages.
    EXPECT_EQ(index.PageForContext(1), "index.html");
    EXPECT_EQ(index.Contents().size(), 2u);
}

// ---- The pages the program ships

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<THelpSource> ShippedPages() {
    std::vector<THelpSource> sources;
    for (const auto& entry : std::filesystem::directory_iterator(MARVEK_HELP_PAGES))
        if (entry.path().extension() == ".html")
            sources.push_back({entry.path().filename().string(), ReadText(entry.path())});
    std::sort(sources.begin(), sources.end(),
              [](const THelpSource& a, const THelpSource& b) { return a.itsName < b.itsName; });
    return sources;
}

TEST(HelpPagesTest, EveryPageParsesAndEveryLinkResolves) {
    const THelpIndex index(ShippedPages());
    ASSERT_GE(index.Pages().size(), 9u);
    EXPECT_EQ(index.Problems(), std::vector<std::string>{});
    for (const THelpPage& page : index.Pages()) {
        SCOPED_TRACE(page.itsName);
        EXPECT_FALSE(page.itsKeywords.empty());
    }
    // The contents page leads to every page.
    const THelpPage* contents = index.Find(THelpIndex::kContentsPage);
    ASSERT_NE(contents, nullptr);
    for (const THelpPage& page : index.Pages())
        if (&page != contents)
            EXPECT_NE(std::find(contents->itsLinks.begin(), contents->itsLinks.end(), page.itsName),
                      contents->itsLinks.end())
                << page.itsName << " is missing from the contents";
}

TEST(HelpPagesTest, EveryContextTheProgramAsksForHasAPage) {
    const THelpIndex index(ShippedPages());
    // Database problems, the rebuild offer, the welcome topic, factory settings, preferences, and
    // the replace-book question.
    for (int context : {5010, 6003, 6259, 1959, 700, 830}) {
        SCOPED_TRACE(context);
        EXPECT_NE(index.PageForContext(context), THelpIndex::kContentsPage);
    }
    EXPECT_EQ(index.PageForContext(5010), index.PageForContext(6003));
    const std::vector<THelpKeyword> candidateMenu = index.Search("Candidate Menu");
    ASSERT_FALSE(candidateMenu.empty());
    EXPECT_EQ(candidateMenu[0].itsKeyword, "Candidate Menu");
}

TEST(HelpPagesTest, TheResourceFileCompilesInEveryPage) {
    const std::string qrc = ReadText(std::filesystem::path(MARVEK_HELP_PAGES) / "help.qrc");
    std::set<std::string> listed;
    const std::regex file("<file>([^<]+)</file>");
    for (auto it = std::sregex_iterator(qrc.begin(), qrc.end(), file); it != std::sregex_iterator(); ++it)
        listed.insert((*it)[1]);
    std::set<std::string> onDisk;
    for (const THelpSource& source : ShippedPages()) onDisk.insert(source.itsName);
    EXPECT_EQ(listed, onDisk);
}

} // namespace
} // namespace marvek
