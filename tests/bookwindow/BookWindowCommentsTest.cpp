// Comments and square marks of the book window, and a read-only book left untouched.
#include "bookwindow/BookWindowFixture.h"

#include "book/RichTextBuffer.h"
#include "support/FileHelpers.h"

#include <filesystem>
#include <map>

namespace marvek::test {
namespace {

using testsupport::PositionAfter;

using BookWindowCommentsTest = BookWindowFixture;

std::vector<std::string> StoredComment(TBook2& book, const TPackedPosition& position) {
    TPositionRecord record;
    record.SetPosition(position);
    TRichTextBuffer comment;
    book.FillInEverything(record, &comment);
    return comment.PlainTextLines();
}

TEST_F(BookWindowCommentsTest, ACommentIsSavedWhenTheCommentWindowLosesTheFocus) {
    Type("e4");
    Window().SetOwnRate(2);
    Window().BackOnePly();
    Window().SetOwnRate(5); // an edit alone is not saved when the comment window lets go
    Window().CommentFocusLost();
    EXPECT_TRUE(Window().RecordDirty());
    Window().ForwardOnePly();
    Window().Comment().AppendLine("The king's pawn.");
    Window().CommentFocusLost();
    EXPECT_FALSE(Window().Comment().Modified());
    EXPECT_EQ(StoredComment(Window().Book(), PositionAfter("e4")).back(), "The king's pawn.");

    Window().BackOnePly();
    EXPECT_EQ(Window().Comment().PlainTextLines(), StoredComment(Window().Book(), StartPosition()));
    Window().ForwardOnePly();
    EXPECT_EQ(Window().Comment().PlainTextLines().back(), "The king's pawn.");
}

TEST_F(BookWindowCommentsTest, MarksFromTheDiagramAreKeptOnceAndDrawnInListOrder) {
    const TSquare e4 = 34, d5 = 43;
    Window().DiagramMarkAction(2, e4);
    Window().DiagramMarkAction(2, e4);
    Window().DiagramMarkAction(3, e4);
    Window().DiagramMarkAction(2, d5);
    EXPECT_EQ(Window().CurrentRecord().ScriptList(), (std::vector<std::string>{"dde4", "dxe4", "ddd5"}));
    EXPECT_TRUE(Window().RecordDirty());
    EXPECT_EQ(itsView.itsMarks.Mark(e4), kCrossMark) << "the later line wins";
    EXPECT_EQ(itsView.itsMarks.Mark(d5), kDotMark);

    // They come back with the position.
    Type("e4");
    Window().BackOnePly();
    EXPECT_EQ(Window().CurrentRecord().ScriptList(), (std::vector<std::string>{"dde4", "dxe4", "ddd5"}));
    EXPECT_EQ(itsView.itsMarks.Mark(d5), kDotMark);

    Window().DiagramMarkAction(0, e4);
    EXPECT_EQ(Window().CurrentRecord().ScriptList(), std::vector<std::string>{"ddd5"});
    EXPECT_EQ(itsView.itsMarks.Mark(e4), kNoMark);
    Window().DiagramMarkAction(1, e4);
    EXPECT_TRUE(Window().CurrentRecord().ScriptList().empty());
    EXPECT_FALSE(itsView.itsMarks.Any());
}

std::map<std::string, std::string> FolderBytes(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        files[entry.path().filename().string()] = testsupport::ReadWholeFile(entry.path().string());
    return files;
}

TEST_F(BookWindowCommentsTest, AReadOnlyBookIsNeverWritten) {
    Type("e4 e5 Nf3");
    itsWindow.reset();
    const auto before = FolderBytes(itsFolder.Path());

    OpenWindow(false, true);
    ASSERT_TRUE(Window().ReadOnly());
    EXPECT_EQ(Window().PlyCount(), 3);
    Type("Nc6");
    Window().BackToStart();
    Type("d4 d5");
    Window().Comment().AppendLine("Not kept.");
    Window().CommentFocusLost();
    Window().DiagramMarkAction(2, 34);
    Window().SetOwnRate(1);
    Window().SetEvaluationSymbol(kSymbolGood);
    EXPECT_EQ(Texts().back(), "This book was opened \"read only.\"");
    Window().BackToLastBranch();
    itsWindow.reset();
    EXPECT_EQ(FolderBytes(itsFolder.Path()), before);
}

} // namespace
} // namespace marvek::test
