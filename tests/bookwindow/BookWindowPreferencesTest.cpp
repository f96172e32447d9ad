// New preferences reach the book window's view before its candidates are shown again.
#include "bookwindow/BookWindowFixture.h"

namespace marvek::test {
namespace {

class TPreferencesView : public TRecordingBookView {
public:
    void PreferencesChanged() override {
        ++itsChanges;
        itsCandidatesAtChange = itsCandidates;
    }
    int itsChanges = 0;
    std::vector<std::string> itsCandidatesAtChange;
};

using BookWindowPreferencesTest = BookWindowFixture;

TEST_F(BookWindowPreferencesTest, TheViewHearsOfNewLettersBeforeTheListIsRebuilt) {
    Type("Nf3");
    Window().BackOnePly();
    TPreferencesView view;
    Window().SetView(&view);
    Settings().SetKnightLetter('S');
    Window().ApplyPreferences();
    EXPECT_EQ(view.itsChanges, 1);
    EXPECT_TRUE(view.itsCandidatesAtChange.empty());
    ASSERT_EQ(view.itsCandidates.size(), 1u);
    EXPECT_EQ(view.itsCandidates[0].substr(0, 4), "Sf3,");
    Window().SetView(nullptr);
}

} // namespace
} // namespace marvek::test
