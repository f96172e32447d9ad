#include "platform/Errors.h"

namespace marvek {

namespace {

std::string BaseName(const char* file) {
    std::string path(file ? file : "");
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

EInternalError::EInternalError(const char* file, int line)
    : EMarvekError("Assertion failure (" + BaseName(file) + ", line " + std::to_string(line) + ")"),
      itsFile(BaseName(file)), itsLine(line) {}

void RaiseInternalError(const char* file, int line) {
    throw EInternalError(file, line);
}

} // namespace marvek
