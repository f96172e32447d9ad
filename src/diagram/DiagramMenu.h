// The board's context menu: its items in order and the notifications its owner receives.
#pragma once

#include <string_view>
#include <vector>

namespace marvek {

// What the board tells the window that owns it, after a context-menu item.
inline constexpr int kNoDiagramNotification = 0;
inline constexpr int kDiagramMarksChanged = 33168;
inline constexpr int kDiagramSettingsChanged = 33169;
inline constexpr int kMirrorLeftToRight = 33170;
inline constexpr int kMirrorTopToBottom = 33171;
inline constexpr int kMirrorSideToMove = 33172;

// Item indices, separators included, as the menu shows them.
enum TDiagramMenuIndex : int {
    kMenuRemoveMark = 0,
    kMenuRemoveAllMarks = 1,
    kMenuDrawDot = 2,
    kMenuDrawX = 3,
    kMenuShowHints = 5,
    kMenuWhiteAtBottom = 6,
    kMenuSmallBoard = 8,
    kMenuMediumBoard = 9,
    kMenuLargeBoard = 10,
    kMenuHugeBoard = 11,
    kMenuMirrorLeftToRight = 13,
    kMenuMirrorTopToBottom = 14,
    kMenuMirrorSideToMove = 15,
    kMenuItemCount = 16,
};

struct TDiagramMenuItem {
    std::string_view itsCaption; // empty for a separator
    bool itsSeparator = false;
    bool itsChecked = false;
};

// The captions in order; separators are empty.
std::string_view DiagramMenuCaption(int index);
bool IsDiagramMenuSeparator(int index);

// The menu as it opens, with the hints, orientation and current board size checked (none for a
// board size of -1).
std::vector<TDiagramMenuItem> DiagramMenuItems(bool hints, bool whiteAtBottom, int boardSize);

} // namespace marvek
