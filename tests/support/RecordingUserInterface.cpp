#include "support/RecordingUserInterface.h"

namespace marvek::testsupport {

TRecordingUserInterface::TRecordingUserInterface() : itsPrevious(SetUserInterface(this)) {}

TRecordingUserInterface::~TRecordingUserInterface() {
    SetUserInterface(itsPrevious);
}

void TRecordingUserInterface::ShowInformationBox(const std::string& title, const std::string& text,
                                                 int helpContext) {
    itsShown.push_back({"information", title, text, helpContext});
}

void TRecordingUserInterface::ShowMessage(const std::string& text) {
    itsShown.push_back({"message", "", text, 0});
}

void TRecordingUserInterface::ShowError(const std::string& text) {
    itsShown.push_back({"error", "", text, 0});
}

TAnswer TRecordingUserInterface::Ask(const std::string& text, TButtons buttons, TBoxKind, int helpContext) {
    itsShown.push_back({"question", "", text, helpContext});
    if (itsAnswers.empty()) return buttons == TButtons::kYesNoCancel ? TAnswer::kCancel : TAnswer::kNo;
    TAnswer answer = itsAnswers.front();
    itsAnswers.pop_front();
    return answer;
}

void TRecordingUserInterface::SetWaitCursor(bool busy) {
    itsWaitDepth += busy ? 1 : -1;
}

std::vector<std::string> TRecordingUserInterface::Texts() const {
    std::vector<std::string> texts;
    for (const TShown& shown : itsShown) texts.push_back(shown.itsText);
    return texts;
}

void TRecordingProgress::Start(const std::string& title) {
    TProgress::Start(title);
    itsStarted = true;
}

bool TRecordingProgress::ProcessMessages() {
    ++itsCalls;
    if (itsStopAt > 0 && itsCalls >= itsStopAt) MutableState().RequestStop();
    return State().StopRequested();
}

void TRecordingProgress::Finish() {
    TProgress::Finish();
    itsFinished = true;
}

} // namespace marvek::testsupport
