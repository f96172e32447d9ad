// The comment window offscreen: stored rich text through the editor and back, the modified flag,
// the length limit, the focus-lost call, its context menu and font dialog, its place in the
// settings, and the main window showing it and saving through it.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QTextBlock>
#include <gtest/gtest.h>
#include <memory>

#include "app/MarvekMainForm.h"
#include "app/Settings.h"
#include "book/Book2.h"
#include "book/PositionRecord.h"
#include "book/RichTextBuffer.h"
#include "bookwindow/BookWindow.h"
#include "bookwindow/CommentWindow.h"
#include "gui/Screenshot.h"
#include "support/RecordingUserInterface.h"
#include "support/ScratchFolder.h"

namespace marvek::gui {
namespace {

using testsupport::TRecordingUserInterface;
using testsupport::TScopedEnvironment;
using testsupport::TScratchFolder;

TCharFormat Format(std::string font = "Arial", int size = 20) {
    TCharFormat format;
    format.itsFont = std::move(font);
    format.itsSize = size;
    return format;
}

TCharFormat Bold(TCharFormat format) {
    format.itsBold = true;
    return format;
}

TCharFormat Italic(TCharFormat format) {
    format.itsItalic = true;
    return format;
}

TCharFormat Coloured(TCharFormat format, std::uint32_t colour) {
    format.itsColour = colour;
    return format;
}

// A document from paragraphs of runs.
TRichText Document(const std::vector<std::vector<TTextRun>>& paragraphs) {
    TRichText document;
    for (const auto& runs : paragraphs) {
        document.AddParagraph();
        for (const TTextRun& run : runs) document.AddText(run.itsText, run.itsFormat);
    }
    return document;
}

bool AnyUnderline(const QTextDocument& document) {
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().fontUnderline()) return true;
    return false;
}

void Select(TCommentWindow& window, int from, int to) {
    QTextCursor cursor = window.Editor()->textCursor();
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    window.Editor()->setTextCursor(cursor);
}

void FocusOut(TCommentWindow& window, Qt::FocusReason reason) {
    QFocusEvent event(QEvent::FocusOut, reason);
    QApplication::sendEvent(window.Editor(), &event);
}

class CommentWindowTest : public testing::Test {
protected:
    TSettings itsSettings;
    TRecordingUserInterface itsUi;
};

struct TRoundTrip {
    const char* itsName;
    TRichText itsDocument;
};

TEST_F(CommentWindowTest, StoredCommentsComeBackWithTheirTextAndKeptFormats) {
    const TRoundTrip cases[] = {
        {"plain", Document({{{"1.e4 is best by test", Format()}}})},
        {"formats", Document({{{"Bold ", Bold(Format())},
                               {"italic ", Italic(Format("Times New Roman", 24))},
                               {"red", Coloured(Format(), 0xFF0000)},
                               {" small", Bold(Italic(Format("Courier New", 15)))}}})},
        {"paragraphs with an empty one between",
         Document({{{"first", Format()}}, {}, {{"third", Format()}}})},
        {"line break and tab in a paragraph", Document({{{"one\ntwo\tafter a tab", Format()}}})},
        {"symbol font",
         [] {
             TCharFormat symbol = Format("Symbol");
             symbol.itsCharset = 2;
             return Document({{{"ab", symbol}, {" text", Format()}}});
         }()},
        {"outside ASCII", Document({{{"Caf\u00e9 \u20ac5 \u2654 \u00bd", Format()}}})},
        {"editor colour beside explicit black",
         Document({{{"auto ", Format()}, {"black", Coloured(Format(), 0)}}})},
        {"empty", TRichText()},
    };
    for (const TRoundTrip& entry : cases) {
        SCOPED_TRACE(entry.itsName);
        TCommentWindow window(itsSettings);
        window.LoadRichText(WriteRtf(entry.itsDocument));
        EXPECT_FALSE(window.Modified());
        EXPECT_EQ(window.Document(), entry.itsDocument);
        EXPECT_EQ(ReadRtf(window.SaveRichText()), entry.itsDocument);
        EXPECT_EQ(window.PlainTextLines(), entry.itsDocument.PlainTextLines());
        EXPECT_EQ(window.HoldsText(), !entry.itsDocument.Empty());
    }
}

TEST_F(CommentWindowTest, FormattingACommentCannotKeepIsDroppedAndItsTextKept) {
    struct TCase {
        const char* itsRtf;
        std::vector<std::string> itsLines;
    };
    const TCase cases[] = {
        {R"({\rtf1{\fonttbl{\f0 Arial;}}\f0\fs20 a \ul under\ulnone  b \strike gone\strike0\par})",
         {"a under b gone"}},
        {R"({\rtf1{\fonttbl{\f0 Arial;}}{\stylesheet{\s1 Heading;}}\pard\qc\li720 centred\par\pard more\par})",
         {"centred", "more"}},
        {R"({\rtf1{\colortbl;\red255\green0\blue0;}\highlight1\cb1 marked{\pict\pngblip 89504e47}{\*\unknown x} end\par})",
         {"marked end"}},
        {R"({\rtf1 up\super 2\nosupersub  down\par})", {"up2 down"}},
    };
    for (const TCase& entry : cases) {
        SCOPED_TRACE(entry.itsRtf);
        TCommentWindow window(itsSettings);
        window.LoadRichText(entry.itsRtf);
        EXPECT_EQ(window.PlainTextLines(), entry.itsLines);
        EXPECT_EQ(window.Document(), ReadRtf(entry.itsRtf));
        EXPECT_FALSE(AnyUnderline(*window.Editor()->document()));
    }

    // Pasted HTML goes the same way: its text stays, its underline and table do not.
    TCommentWindow window(itsSettings);
    auto* mime = new QMimeData;
    mime->setHtml("<p><u>under</u> <b>bold</b></p><table><tr><td>cell</td></tr></table>");
    QApplication::clipboard()->setMimeData(mime);
    window.Paste();
    EXPECT_TRUE(window.Modified());
    EXPECT_FALSE(AnyUnderline(*window.Editor()->document()));
    const TRichText pasted = window.Document();
    ASSERT_GE(pasted.Paragraphs().size(), 2u);
    EXPECT_EQ(pasted.Paragraphs()[0].Text(), "under bold");
    EXPECT_TRUE(pasted.Paragraphs()[0].itsRuns.back().itsFormat.itsBold);
    EXPECT_EQ(pasted.Paragraphs()[1].Text(), "cell");
}

TEST_F(CommentWindowTest, TypingSetsModifiedInTheCommentFont) {
    itsSettings.SetCommentFontName("DejaVu Serif");
    itsSettings.SetCommentFontSize(14);
    itsSettings.SetCommentFontStyle(2);
    itsSettings.SetCommentFontColour(0x0000FF); // 0x00BBGGRR: red
    TCommentWindow window(itsSettings);
    window.Clear();
    EXPECT_FALSE(window.Modified());
    QTest::keyClicks(window.Editor(), "Nf3");
    EXPECT_TRUE(window.Modified());
    TCharFormat expected = Coloured(Italic(Format("DejaVu Serif", 28)), 0xFF0000);
    EXPECT_EQ(window.Document(), Document({{{"Nf3", expected}}}));

    // Appended lines and grabbed analysis come in the same font, each a paragraph of its own.
    window.SetModified(false);
    window.AppendLine("second\nthird");
    window.InsertParagraphAtStart("+0.25 1.e4");
    EXPECT_TRUE(window.Modified());
    EXPECT_EQ(window.PlainTextLines(), (std::vector<std::string>{"+0.25 1.e4", "Nf3", "second", "third"}));
    EXPECT_EQ(window.Document().Paragraphs()[2].itsRuns[0].itsFormat, expected);
}

TEST_F(CommentWindowTest, TextPastTheLimitIsRefusedWithABeep) {
    TCommentWindow window(itsSettings);
    window.LoadRichText(WriteRtf(Document({{{std::string(TCommentWindow::kMaxLength - 2, 'x'), Format()}}})));
    window.Editor()->moveCursor(QTextCursor::End);
    QTest::keyClicks(window.Editor(), "abc");
    EXPECT_EQ(window.Editor()->Length(), TCommentWindow::kMaxLength);
    EXPECT_EQ(itsUi.itsBeeps, 1);
    QTest::keyClick(window.Editor(), Qt::Key_Return);
    EXPECT_EQ(itsUi.itsBeeps, 2);

    auto* mime = new QMimeData;
    mime->setText("yz");
    QApplication::clipboard()->setMimeData(mime);
    window.Paste();
    EXPECT_EQ(itsUi.itsBeeps, 3);
    // In place of a selection as long, it fits.
    Select(window, 0, 2);
    window.Paste();
    EXPECT_EQ(itsUi.itsBeeps, 3);
    EXPECT_EQ(window.Editor()->Length(), TCommentWindow::kMaxLength);
    EXPECT_EQ(window.PlainTextLines()[0].substr(0, 3), "yzx");
    // Deleting still works at the limit.
    QTest::keyClick(window.Editor(), Qt::Key_Backspace);
    EXPECT_EQ(window.Editor()->Length(), TCommentWindow::kMaxLength - 1);
}

TEST_F(CommentWindowTest, LeavingTheEditorCallsTheHandlerOnlyWithModifiedText) {
    TCommentWindow window(itsSettings);
    int calls = 0;
    window.SetFocusLostHandler([&calls] { ++calls; });
    window.LoadRichText("{\\rtf1 stored\\par}");
    FocusOut(window, Qt::ActiveWindowFocusReason);
    EXPECT_EQ(calls, 0);
    QTest::keyClicks(window.Editor(), "more ");
    // The editor's own context menu is no leaving.
    FocusOut(window, Qt::PopupFocusReason);
    EXPECT_EQ(calls, 0);
    FocusOut(window, Qt::MouseFocusReason);
    EXPECT_EQ(calls, 1);
}

TEST_F(CommentWindowTest, ContextMenuActsOnTheSelection) {
    TCommentWindow window(itsSettings);
    window.LoadRichText(WriteRtf(Document({{{"Hello world", Format()}}})));
    auto menu = std::unique_ptr<QMenu>(window.MakeContextMenu(nullptr));
    auto item = [&menu](const char* name) { return menu->findChild<QAction*>(name); };
    QStringList texts;
    for (QAction* action : menu->actions()) texts << (action->isSeparator() ? QString("-") : action->text());
    EXPECT_EQ(texts.join('|'), "Cut|Copy|Paste|Select All|Undo|-|Bold|Italic|Font...");
    EXPECT_FALSE(item("CutItem")->isEnabled());
    EXPECT_FALSE(item("CopyItem")->isEnabled());
    EXPECT_FALSE(item("UndoItem")->isEnabled());

    Select(window, 6, 11);
    menu.reset(window.MakeContextMenu(nullptr));
    EXPECT_TRUE(item("CutItem")->isEnabled());
    EXPECT_FALSE(item("BoldItem")->isChecked());
    item("BoldItem")->trigger();
    item("ItalicItem")->trigger();
    EXPECT_EQ(window.Document(), Document({{{"Hello ", Format()}, {"world", Bold(Italic(Format()))}}}));
    EXPECT_TRUE(window.Modified());

    menu.reset(window.MakeContextMenu(nullptr));
    EXPECT_TRUE(item("BoldItem")->isChecked());
    EXPECT_TRUE(item("ItalicItem")->isChecked());
    EXPECT_TRUE(item("UndoItem")->isEnabled());
    item("BoldItem")->trigger();
    EXPECT_EQ(window.Document(), Document({{{"Hello ", Format()}, {"world", Italic(Format())}}}));
    // A selection only partly italic is made italic throughout.
    Select(window, 0, 11);
    window.ToggleItalic();
    EXPECT_EQ(window.Document(), Document({{{"Hello world", Italic(Format())}}}));
    window.Undo();
    EXPECT_EQ(window.Document(), Document({{{"Hello ", Format()}, {"world", Italic(Format())}}}));
}

// Answers the font dialog with a fixed choice and keeps what it was preset with.
class TAnsweringCommentWindow : public TCommentWindow {
public:
    using TCommentWindow::TCommentWindow;
    std::optional<TCommentFont> AskFont(const TCommentFont& initial) override {
        itsInitial = initial;
        return itsAnswer;
    }
    TCommentFont itsInitial;
    std::optional<TCommentFont> itsAnswer;
};

TEST_F(CommentWindowTest, FontDialogIsPresetFromTheSelectionAndAppliesItsChoice) {
    TAnsweringCommentWindow window(itsSettings);
    window.LoadRichText(WriteRtf(Document({{{"ab", Coloured(Bold(Format("Courier New", 24)), 0x00FF00)}}})));
    Select(window, 0, 1);
    window.ChooseFont(); // cancelled
    EXPECT_EQ(window.itsInitial.itsFont.family(), "Courier New");
    EXPECT_EQ(window.itsInitial.itsFont.pointSizeF(), 12.0);
    EXPECT_TRUE(window.itsInitial.itsFont.bold());
    EXPECT_EQ(window.itsInitial.itsColour, QColor(0, 255, 0));
    EXPECT_FALSE(window.Modified());

    QFont chosen("DejaVu Sans");
    chosen.setPointSizeF(9);
    chosen.setItalic(true);
    window.itsAnswer = TCommentFont{chosen, QColor(0, 0, 255)};
    window.ChooseFont();
    EXPECT_EQ(window.Document(), Document({{{"a", Coloured(Italic(Format("DejaVu Sans", 18)), 0x0000FF)},
                                            {"b", Coloured(Bold(Format("Courier New", 24)), 0x00FF00)}}}));
}

TEST_F(CommentWindowTest, PlaceComesFromAndGoesBackToTheSettings) {
    itsSettings.SetCommentWindowLeft(100);
    itsSettings.SetCommentWindowTop(120);
    itsSettings.SetCommentWindowWidth(300);
    itsSettings.SetCommentWindowHeight(150);
    TCommentWindow window(itsSettings);
    EXPECT_EQ(window.geometry(), QRect(100, 120, 300, 150));
    EXPECT_EQ(window.windowTitle(), "Comments");
    EXPECT_TRUE(window.windowFlags() & Qt::Tool);
    window.show();
    window.setGeometry(140, 160, 320, 180);
    QCoreApplication::processEvents();
    EXPECT_EQ(itsSettings.CommentWindowLeft(), 140);
    EXPECT_EQ(itsSettings.CommentWindowTop(), 160);
    EXPECT_EQ(itsSettings.CommentWindowWidth(), 320);
    EXPECT_EQ(itsSettings.CommentWindowHeight(), 180);
    EXPECT_EQ(itsSettings.CommentWindowState(), 0);

    // For looking at it: MARVEK_SCREENSHOTS=folder.
    window.LoadRichText(WriteRtf(
        Document({{{"1.e4 e5 2.Nf3 ", Bold(Format("DejaVu Sans", 22))},
                   {"is the main line; ", Format("DejaVu Sans", 22)},
                   {"2.f4", Coloured(Italic(Format("DejaVu Serif", 24)), 0xC00000)},
                   {" is sharper.", Format("DejaVu Sans", 22)}},
                  {},
                  {{"Engine:\t+0.30\nafter 2...Nc6", Coloured(Format("DejaVu Sans Mono", 20), 0x0000A0)}}})));
    window.resize(520, 174);
    testsupport::SaveScreenshot(window, "CommentWindow");
}

// The main window with the dialogs a test cannot answer answered.
class TCommentTestMainForm : public TMarvekMainForm {
public:
    std::optional<TOpenBookChoice> ChooseBookToOpen(const std::string&, const std::string&) override {
        return {};
    }
    std::optional<std::string> ChooseNewBook(const std::string&, const std::string&,
                                             const std::string&) override {
        return itsNewBook;
    }
    bool ConfirmReplaceBook(const std::string&) override { return true; }
    TWelcomeResult ShowWelcome() override { return {}; }
    void ShowHelpContext(int) override {}
    std::string itsNewBook;
};

TEST_F(CommentWindowTest, MainWindowShowsItAndTheActiveBookSavesWhenItIsLeft) {
    TScratchFolder folder;
    TScopedEnvironment home("MARVEK_HOME", folder.Path() + "home");
    TScopedEnvironment config("XDG_CONFIG_HOME", folder.Path() + "config");
    TCommentTestMainForm form;
    form.show();
    QTest::qWait(0);
    QCoreApplication::processEvents();
    TCommentWindow& comments = *form.CommentWindow();
    EXPECT_FALSE(comments.isVisible());

    form.itsNewBook = folder.Path() + "Comments.2MD";
    form.Action("FileNewItem")->trigger();
    ASSERT_NE(form.Frame().ActiveBookWindow(), nullptr);
    TBookWindow& book = *form.Frame().ActiveBookWindow();
    EXPECT_TRUE(comments.isVisible());
    EXPECT_EQ(&book.Comment(), static_cast<TCommentBuffer*>(&comments));

    QTest::keyClicks(comments.Editor(), "Main line");
    FocusOut(comments, Qt::ActiveWindowFocusReason);
    EXPECT_FALSE(comments.Modified());
    TRichTextBuffer stored;
    TPositionRecord record;
    record.SetPosition(book.CurrentPosition());
    book.Book().FillInEverything(record, &stored);
    EXPECT_EQ(stored.PlainTextLines(), std::vector<std::string>{"Main line"});

    form.Action("FileCloseItem")->trigger();
    EXPECT_FALSE(comments.isVisible());
    EXPECT_FALSE(comments.HoldsText());
    form.close();
}

} // namespace
} // namespace marvek::gui
