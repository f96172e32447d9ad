#pragma once

#include <cstdint>
#include <string>

#include "chess/ChessPosition.h"
#include "storage/Isam.h"

// The key under which every position database of a book (the book's position files, its training
// counts, the tagger's scratch set) files a position: the canonical form of the position, so that
// a position, its colour-reversed twin and its mirror images share one key. 34 bytes: the packed
// board (32) and the flags word (2), compared byte by byte.

namespace marvek {

inline constexpr int kPositionKeyLength = 34;

// Throws EMarvekError for a position the canonical form cannot be found for (no king). The
// transform that turns the position into its canonical form goes to `transform` when asked for.
TIsamKey PositionKey(const TPackedPosition& position, TCanonicalTransform* transform = nullptr);

// A companion database of a book refuses a change when its file system has fewer free bytes than
// this: the change could grow the files and leave them half-written.
inline constexpr int64_t kMinimumFreeBytes = 40000;

// The full form of a path as the companions record it: absolute and without "." or ".." steps.
// An empty path stays empty.
std::string ExpandedPath(const std::string& path);

} // namespace marvek
