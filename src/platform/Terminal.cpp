#include "platform/Terminal.h"

#include <csignal>
#include <unistd.h>

namespace marvek {

namespace {

volatile std::sig_atomic_t gInterrupted = 0;
struct sigaction gPrevious {};

extern "C" void OnInterrupt(int) {
    gInterrupted = 1;
}

} // namespace

bool IsTerminal(TStandardStream stream) {
    return ::isatty(static_cast<int>(stream)) == 1;
}

bool TInterruptCatcher::Catch() {
    gInterrupted = 0;
    if (itsCatching) return true;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    itsCatching = ::sigaction(SIGINT, &action, &gPrevious) == 0;
    return itsCatching;
}

void TInterruptCatcher::Release() {
    if (!itsCatching) return;
    ::sigaction(SIGINT, &gPrevious, nullptr);
    itsCatching = false;
}

bool TInterruptCatcher::Interrupted() const {
    return gInterrupted != 0;
}

} // namespace marvek
