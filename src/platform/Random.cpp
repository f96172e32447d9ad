#include "platform/Random.h"

namespace marvek {

int TRandomSource::Between(int low, int high) {
    if (high <= low) return low;
    uint64_t range = static_cast<uint64_t>(static_cast<int64_t>(high) - low) + 1;
    // Draws above the last whole multiple of range are thrown back, so every value is equally likely.
    const uint64_t span = uint64_t(1) << 32;
    uint64_t limit = span - span % range;
    uint64_t draw = 0;
    do {
        draw = itsEngine();
    } while (draw >= limit);
    return static_cast<int>(static_cast<int64_t>(low) + static_cast<int64_t>(draw % range));
}

TRandomSource& RandomSource() {
    static TRandomSource source(std::random_device{}());
    return source;
}

} // namespace marvek
