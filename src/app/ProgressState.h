#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// What a long operation has reported so far: its title, labels, counters, gauge and whether the
// user asked it to stop. Every progress display (the console line, the desktop dialog, the
// tests' recorder) draws from one of these, so they all show the same figures.

namespace marvek {

class TProgressState {
public:
    using TCounter = std::pair<std::string, int64_t>;

    // A fresh operation: no labels, no counters, no gauge, no stop request.
    void Start(std::string_view title);
    // Labels count from 0; a gap is filled with empty labels.
    void SetText(int line, std::string_view text);
    // The first call with a caption adds the counter; later ones change its value.
    void SetCounter(std::string_view caption, int64_t value);
    // Kept within 0 to 100.
    void SetPercent(int percent);
    void Finish() { itsRunning = false; }

    // Stop (or Cancel, or Ctrl+C): the operation sees it at its next ProcessMessages.
    void RequestStop() { itsStopRequested = true; }
    bool StopRequested() const { return itsStopRequested; }

    bool Running() const { return itsRunning; }
    const std::string& Title() const { return itsTitle; }
    const std::vector<std::string>& Texts() const { return itsTexts; }
    const std::vector<TCounter>& Counters() const { return itsCounters; }
    // The value of a counter, or -1 when it has not been set.
    int64_t Counter(std::string_view caption) const;
    // -1 until the operation sets the gauge.
    int Percent() const { return itsPercent; }

private:
    std::string itsTitle;
    std::vector<std::string> itsTexts;
    std::vector<TCounter> itsCounters;
    int itsPercent = -1;
    bool itsRunning = false;
    bool itsStopRequested = false;
};

} // namespace marvek
