// TJumpList: the names of the jump dialog with their highlight, Rename... and a Delete that repeats
// while held; THeldRepeat, the schedule of that repeat; PositionNameAccepted, the rename dialog's OK.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace marvek {

class TBook2;
class TBookWindowDialogs;

// A button that repeats while it is held: the first repeat 900 ms after the press, each further
// delay two thirds of the one before. The view's 100 ms timer asks Due with the time.
class THeldRepeat {
public:
    static constexpr std::int64_t kFirstDelay = 900;
    static constexpr std::int64_t kTimerInterval = 100;

    void Press(std::int64_t now);
    void Release() { itsHeld = false; }
    bool Held() const { return itsHeld; }
    // True when a repeat is due at `now`; the next one is then scheduled.
    bool Due(std::int64_t now);
    std::int64_t Delay() const { return itsDelay; }

private:
    bool itsHeld = false;
    std::int64_t itsLast = 0;
    std::int64_t itsDelay = kFirstDelay;
};

// The rename dialog's OK with `name` for a position called `oldName` (empty: none): an empty name
// where there was one asks to delete it, a name another position has asks to overwrite it; true
// when the dialog may close.
bool PositionNameAccepted(TBook2& book, const std::string& oldName, const std::string& name);

// Filled from the book's name index in its order; Rename... and Delete change the book at once.
class TJumpList {
public:
    TJumpList(TBook2& book, TBookWindowDialogs& dialogs);

    const std::vector<std::string>& Names() const { return itsNames; }
    bool Empty() const { return itsNames.empty(); }
    // -1 when none is highlighted.
    int Highlighted() const { return itsHighlighted; }
    void Highlight(int index);
    // Highlights `name`, or the first entry when the list lacks it.
    void HighlightName(const std::string& name);
    std::string HighlightedName() const;

    // "Rename...": the rename dialog on the highlighted name; the entry changes in place.
    void Rename();
    // "Delete" pressed and held: deletes the highlighted name at once and again as the repeat
    // comes due on the timer's ticks, until released or the list is empty.
    void DeletePressed(std::int64_t now);
    void DeleteTick(std::int64_t now);
    void DeleteReleased() { itsRepeat.Release(); }
    bool DeleteHeld() const { return itsRepeat.Held(); }
    // One deletion: the name goes from the book and the list, and the entry now at its place
    // (or the last) is highlighted. Nothing without a highlight.
    void DeleteHighlighted();

private:
    TBook2& itsBook;
    TBookWindowDialogs& itsDialogs;
    std::vector<std::string> itsNames;
    int itsHighlighted = -1;
    THeldRepeat itsRepeat;
};

} // namespace marvek
