#pragma once

#include <cstdint>

namespace marvek {

// The computer's physical memory in bytes; 0 when the system does not say.
int64_t PhysicalMemoryBytes();

} // namespace marvek
