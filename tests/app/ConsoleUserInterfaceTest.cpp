#include <gtest/gtest.h>

#include <csignal>
#include <sstream>

#include "app/ConsoleUserInterface.h"

namespace marvek {
namespace {

TEST(ConsoleUserInterface, BoxesBecomeLinesOnTheStream) {
    std::ostringstream out;
    std::istringstream in;
    TConsoleUserInterface console(TAnswerPolicy::kAsk, out, in, false);
    console.ShowInformationBox("Title", "first line\rsecond line", 5010);
    console.ShowMessage("plain");
    console.ShowError("Assertion failure (Book.cpp, line 12)");
    console.Beep(); // no terminal: silent
    EXPECT_EQ(out.str(), "first line\nsecond line\nplain\nAssertion failure (Book.cpp, line 12)\n");
}

TEST(ConsoleUserInterface, QuestionsFollowThePolicyAndNeverWaitWithoutATerminal) {
    struct TCase {
        TAnswerPolicy itsPolicy;
        bool itsInteractive;
        const char* itsInput;
        TButtons itsButtons;
        TAnswer itsAnswer;
    };
    const TCase cases[] = {
        {TAnswerPolicy::kYes, false, "", TButtons::kYesNo, TAnswer::kYes},
        {TAnswerPolicy::kNo, true, "y\n", TButtons::kYesNoCancel, TAnswer::kNo},
        // No terminal: the safe answer, without reading anything.
        {TAnswerPolicy::kAsk, false, "y\n", TButtons::kYesNo, TAnswer::kNo},
        {TAnswerPolicy::kAsk, false, "y\n", TButtons::kYesNoCancel, TAnswer::kCancel},
        // A terminal: the user's answer, asked again until it is one.
        {TAnswerPolicy::kAsk, true, "Yes\n", TButtons::kYesNo, TAnswer::kYes},
        {TAnswerPolicy::kAsk, true, "maybe\nn\n", TButtons::kYesNo, TAnswer::kNo},
        {TAnswerPolicy::kAsk, true, "c\n", TButtons::kYesNoCancel, TAnswer::kCancel},
        {TAnswerPolicy::kAsk, true, "", TButtons::kYesNoCancel, TAnswer::kCancel}, // end of input
    };
    for (const TCase& c : cases) {
        std::ostringstream out;
        std::istringstream in(c.itsInput);
        TConsoleUserInterface console(c.itsPolicy, out, in, c.itsInteractive);
        EXPECT_EQ(console.Ask("Rebuild?", c.itsButtons, TBoxKind::kConfirmation, 0), c.itsAnswer)
            << c.itsInput << " " << out.str();
        EXPECT_EQ(out.str().rfind("Rebuild? [y/n", 0), 0u) << out.str();
    }
}

TEST(ConsoleUserInterface, ProgressLineAndInterrupt) {
    std::ostringstream out;
    {
        TConsoleProgress progress(out, true);
        progress.Start("Import PGN");
        progress.SetText(0, "games.pgn");
        progress.SetCounter("Lines Read:", 10);
        progress.SetCounter("Games Imported:", 1);
        progress.SetCounter("Lines Read:", 20);
        progress.SetPercent(150);
        EXPECT_EQ(progress.Line(), "Import PGN  games.pgn  Lines Read: 20  Games Imported: 1  100%");
        EXPECT_FALSE(progress.ProcessMessages());
        // Ctrl+C while the operation runs asks it to stop instead of ending the process.
        std::raise(SIGINT);
        EXPECT_TRUE(progress.ProcessMessages());
        progress.Finish();
    }
    EXPECT_NE(out.str().find("Games Imported: 1"), std::string::npos);
    EXPECT_EQ(out.str().back(), '\n');

    std::ostringstream quiet;
    TConsoleProgress logged(quiet, false);
    logged.Start("Import PGN");
    logged.SetCounter("Games Imported:", 3);
    EXPECT_FALSE(logged.ProcessMessages());
    logged.Finish();
    EXPECT_EQ(quiet.str(), ""); // no terminal, no progress line
}

} // namespace
} // namespace marvek
