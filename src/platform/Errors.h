#pragma once

#include <stdexcept>
#include <string>

// The program's three kinds of failure that travel as exceptions. The storage engine never
// throws; everything above it raises one of these, and the command that was running catches it,
// shows its message and the program goes on.

namespace marvek {

// A general failure with a message for the user.
class EMarvekError : public std::runtime_error {
public:
    explicit EMarvekError(const std::string& message) : std::runtime_error(message) {}
};

// A book (or one of its companion databases) cannot be used as asked: a failed storage call,
// a full disk, a position that cannot exist. Carries the help context of the database topic.
class EDatabaseProblem : public EMarvekError {
public:
    static constexpr int kDefaultHelpContext = 5010;

    explicit EDatabaseProblem(const std::string& message, int helpContext = kDefaultHelpContext)
        : EMarvekError(message), itsHelpContext(helpContext) {}

    int HelpContext() const { return itsHelpContext; }

private:
    int itsHelpContext;
};

// Something the program believes cannot happen did happen. Raised in every build type, so that
// damaged input ends the current command in an orderly way instead of the process.
class EInternalError : public EMarvekError {
public:
    EInternalError(const char* file, int line);

    const std::string& File() const { return itsFile; }
    int Line() const { return itsLine; }

private:
    std::string itsFile;
    int itsLine;
};

[[noreturn]] void RaiseInternalError(const char* file, int line);

} // namespace marvek

#define MARVEK_ASSERT(condition)                                                                             \
    do {                                                                                                     \
        if (!(condition)) ::marvek::RaiseInternalError(__FILE__, __LINE__);                                  \
    } while (false)
