// Comments and square marks of the book window's current position: saving when the comment
// window lets the focus go, the diagram's mark notifications, and the marks the list draws.
#include "bookwindow/BookWindow.h"

#include "book/CommentBuffer.h"
#include "platform/Errors.h"

#include <algorithm>

namespace marvek {

namespace {

constexpr const char* kDotCommand = "dd";
constexpr const char* kCrossCommand = "dx";

} // namespace

void TBookWindow::CommentFocusLost() {
    if (itsComment->Modified()) SaveCurrentRecord();
}

void TBookWindow::DiagramMarkAction(int action, TSquare square) {
    const std::string name = SquareName(square);
    std::vector<std::string>& script = itsCurrentRecord.ScriptList();
    auto addOnce = [&script](const std::string& line) {
        if (std::find(script.begin(), script.end(), line) == script.end()) script.push_back(line);
    };
    switch (action) {
    case 0:
        std::erase_if(script, [&name](const std::string& line) {
            return (line.starts_with(kDotCommand) || line.starts_with(kCrossCommand)) &&
                   line.substr(2) == name;
        });
        break;
    case 1:
        std::erase_if(script, [](const std::string& line) {
            return line.starts_with(kDotCommand) || line.starts_with(kCrossCommand);
        });
        break;
    case 2: addOnce(kDotCommand + name); break;
    case 3: addOnce(kCrossCommand + name); break;
    default: MARVEK_ASSERT(false);
    }
    itsRecordDirty = true;
    DrawBoard();
}

TSquareMarks TBookWindow::MarksOf(const std::vector<std::string>& script) {
    TSquareMarks marks;
    for (const std::string& line : script) {
        if (line.size() < 4) continue;
        const TSquare square = SquareFromName(std::string_view(line).substr(2, 2));
        if (IsOffBoard(square)) continue;
        if (line.starts_with(kDotCommand))
            marks.SetMark(square, kDotMark);
        else if (line.starts_with(kCrossCommand))
            marks.SetMark(square, kCrossMark);
    }
    return marks;
}

} // namespace marvek
