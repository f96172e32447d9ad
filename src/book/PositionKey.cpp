#include "book/PositionKey.h"

#include <filesystem>
#include <string_view>
#include <system_error>

namespace marvek {

TIsamKey PositionKey(const TPackedPosition& position, TCanonicalTransform* transform) {
    TCanonicalTransform t = TChessPosition(position).CanonicalTransform();
    if (transform != nullptr) *transform = t;
    TPackedPosition canonical = t.Any() ? TransformPosition(position, t) : position;
    return MakeIsamKey(std::string_view(reinterpret_cast<const char*>(canonical.itsBytes.data()),
                                        canonical.itsBytes.size()));
}

std::string ExpandedPath(const std::string& path) {
    if (path.empty()) return path;
    std::error_code error;
    std::filesystem::path full = std::filesystem::absolute(path, error);
    if (error) return path;
    return full.lexically_normal().string();
}

} // namespace marvek
