// The board's context-menu items.
#include "diagram/DiagramMenu.h"

#include <array>

#include "platform/Errors.h"

namespace marvek {
namespace {

constexpr std::array<std::string_view, kMenuItemCount> kCaptions = {
    "Remove Mark",
    "Remove All Marks",
    "Draw Dot",
    "Draw X",
    "",
    "Show Algebraic Hints",
    "White At Bottom",
    "",
    "Small Board",
    "Medium Board",
    "Large Board",
    "Huge Board",
    "",
    "Mirror Position Left To Right",
    "Mirror Position Top To Bottom",
    "Mirror Position Side To Move",
};

} // namespace

std::string_view DiagramMenuCaption(int index) {
    MARVEK_ASSERT(index >= 0 && index < kMenuItemCount);
    return kCaptions[index];
}

bool IsDiagramMenuSeparator(int index) {
    return DiagramMenuCaption(index).empty();
}

std::vector<TDiagramMenuItem> DiagramMenuItems(bool hints, bool whiteAtBottom, int boardSize) {
    std::vector<TDiagramMenuItem> items;
    for (int i = 0; i < kMenuItemCount; ++i) {
        const bool checked = (i == kMenuShowHints && hints) || (i == kMenuWhiteAtBottom && whiteAtBottom) ||
                             (boardSize >= 0 && i == kMenuSmallBoard + boardSize);
        items.push_back({kCaptions[i], kCaptions[i].empty(), checked});
    }
    return items;
}

} // namespace marvek
