// The guard around every user command.
#include "app/CommandGuard.h"

#include <exception>
#include <new>

#include "app/UserInterface.h"
#include "platform/Errors.h"

namespace marvek {

bool RunCommand(const std::function<void()>& command) {
    try {
        command();
        return true;
    } catch (const EDatabaseProblem& problem) {
        UserInterface().ShowInformationBox("", problem.what(), problem.HelpContext());
    } catch (const EInternalError& error) {
        UserInterface().ShowError(error.what());
    } catch (const EMarvekError& failure) {
        UserInterface().ShowMessage(failure.what());
    } catch (const std::bad_alloc&) {
        UserInterface().ShowError("Out of memory.");
    } catch (const std::exception& error) {
        UserInterface().ShowError(error.what());
    }
    return false;
}

} // namespace marvek
