#include "app/ProgressState.h"

namespace marvek {

void TProgressState::Start(std::string_view title) {
    *this = TProgressState();
    itsTitle = title;
    itsRunning = true;
}

void TProgressState::SetText(int line, std::string_view text) {
    if (line < 0) return;
    if (itsTexts.size() <= std::size_t(line)) itsTexts.resize(std::size_t(line) + 1);
    itsTexts[std::size_t(line)] = text;
}

void TProgressState::SetCounter(std::string_view caption, int64_t value) {
    for (TCounter& counter : itsCounters) {
        if (counter.first == caption) {
            counter.second = value;
            return;
        }
    }
    itsCounters.emplace_back(caption, value);
}

void TProgressState::SetPercent(int percent) {
    itsPercent = percent < 0 ? 0 : percent > 100 ? 100 : percent;
}

int64_t TProgressState::Counter(std::string_view caption) const {
    for (const TCounter& counter : itsCounters)
        if (counter.first == caption) return counter.second;
    return -1;
}

} // namespace marvek
