#include "app/UserInterface.h"

#include "app/ConsoleUserInterface.h"
#include "app/StringTable.h"

namespace marvek {

namespace {

TUserInterface* gInstalled = nullptr;

TUserInterface& StandIn() {
    static TConsoleUserInterface console(TAnswerPolicy::kNo);
    return console;
}

} // namespace

TUserInterface& UserInterface() {
    return gInstalled != nullptr ? *gInstalled : StandIn();
}

TUserInterface* SetUserInterface(TUserInterface* ui) {
    TUserInterface* previous = gInstalled;
    gInstalled = ui;
    return previous;
}

void ShowInformation(int titleNr, int textNr) {
    std::string title = titleNr != 0 ? LoadMessage(titleNr) : std::string();
    std::string text = textNr != 0 ? LoadMessage(textNr) : std::string();
    UserInterface().ShowInformationBox(title, text, 0);
}

} // namespace marvek
