#pragma once

#include <functional>

// Every command the user starts runs through RunCommand, so that an exception ends the command,
// never the program: a book error is shown with its message and help context, an internal error
// (and anything else thrown) in the error box, and the program goes on.

namespace marvek {

// True when the command ran to its end, false when it ended with an exception that was shown.
bool RunCommand(const std::function<void()>& command);

} // namespace marvek
