#pragma once

#include <cstdint>

// Time as the program needs it: a millisecond tick for measuring intervals and a blocking wait.

namespace marvek {

// Milliseconds since an arbitrary moment; it never goes backwards.
int64_t TickCount();

// Blocks the calling thread for the given number of milliseconds (nothing for 0 or less).
void Wait(int milliseconds);

} // namespace marvek
