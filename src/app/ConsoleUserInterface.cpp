#include "app/ConsoleUserInterface.h"

#include <iostream>

#include "platform/Clock.h"

namespace marvek {

namespace {

// Boxes join their lines with "\r"; a terminal wants "\n".
std::string ConsoleText(std::string text) {
    for (char& c : text)
        if (c == '\r') c = '\n';
    return text;
}

std::string Lowered(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

const char* AnswerName(TAnswer answer) {
    switch (answer) {
    case TAnswer::kYes: return "yes";
    case TAnswer::kNo: return "no";
    case TAnswer::kCancel: return "cancel";
    }
    return "no";
}

} // namespace

TConsoleUserInterface::TConsoleUserInterface(TAnswerPolicy policy)
    : TConsoleUserInterface(policy, std::cerr, std::cin,
                            IsTerminal(TStandardStream::kInput) && IsTerminal(TStandardStream::kError)) {}

TConsoleUserInterface::TConsoleUserInterface(TAnswerPolicy policy, std::ostream& out, std::istream& in,
                                             bool interactive)
    : itsPolicy(policy), itsOut(out), itsIn(in), itsInteractive(interactive) {}

void TConsoleUserInterface::WriteLine(const std::string& text) {
    itsOut << ConsoleText(text) << '\n';
    itsOut.flush();
}

void TConsoleUserInterface::ShowInformationBox(const std::string&, const std::string& text, int) {
    WriteLine(text);
}

void TConsoleUserInterface::ShowMessage(const std::string& text) {
    WriteLine(text);
}

void TConsoleUserInterface::ShowError(const std::string& text) {
    WriteLine(text);
}

TAnswer TConsoleUserInterface::Ask(const std::string& text, TButtons buttons, TBoxKind, int) {
    bool withCancel = buttons == TButtons::kYesNoCancel;
    itsOut << ConsoleText(text) << (withCancel ? " [y/n/c] " : " [y/n] ");

    TAnswer safe = withCancel ? TAnswer::kCancel : TAnswer::kNo;
    TAnswer answer = safe;
    if (itsPolicy == TAnswerPolicy::kYes) {
        answer = TAnswer::kYes;
    } else if (itsPolicy == TAnswerPolicy::kNo) {
        answer = TAnswer::kNo;
    } else if (!itsInteractive) {
        itsOut << AnswerName(safe) << " (no terminal to ask; use --yes or --no)\n";
        itsOut.flush();
        return safe;
    } else {
        itsOut.flush();
        for (;;) {
            std::string reply;
            if (!std::getline(itsIn, reply)) break; // end of input: the safe answer
            reply = Lowered(reply);
            if (reply == "y" || reply == "yes") return TAnswer::kYes;
            if (reply == "n" || reply == "no") return TAnswer::kNo;
            if (withCancel && (reply == "c" || reply == "cancel")) return TAnswer::kCancel;
            itsOut << (withCancel ? "Please answer y, n or c: " : "Please answer y or n: ");
            itsOut.flush();
        }
        itsOut << '\n';
        itsOut.flush();
        return safe;
    }
    itsOut << AnswerName(answer) << '\n';
    itsOut.flush();
    return answer;
}

void TConsoleUserInterface::Beep() {
    if (itsInteractive) {
        itsOut << '\a';
        itsOut.flush();
    }
}

TConsoleProgress::TConsoleProgress() : TConsoleProgress(std::cerr, IsTerminal(TStandardStream::kError)) {}

TConsoleProgress::TConsoleProgress(std::ostream& out, bool interactive)
    : itsOut(out), itsInteractive(interactive) {}

TConsoleProgress::~TConsoleProgress() {
    if (State().Running()) Finish();
}

void TConsoleProgress::Start(const std::string& title) {
    TProgress::Start(title);
    itsDrawn = false;
    itsLastDraw = 0;
    itsInterrupt.Catch();
}

std::string TConsoleProgress::Line() const {
    const TProgressState& state = State();
    std::string line = state.Title();
    auto add = [&line](const std::string& part) {
        if (part.empty()) return;
        if (!line.empty()) line += "  ";
        line += part;
    };
    for (const std::string& text : state.Texts()) add(text);
    for (const auto& [caption, value] : state.Counters()) add(caption + " " + std::to_string(value));
    if (state.Percent() >= 0) add(std::to_string(state.Percent()) + "%");
    return line;
}

void TConsoleProgress::Draw() {
    // "\r" and clear-to-end-of-line redraw the one line in place, so the line itself must not
    // break.
    std::string line = Line().substr(0, 200);
    for (char& c : line)
        if (c == '\r' || c == '\n') c = ' ';
    itsOut << '\r' << line << "\x1b[K";
    itsOut.flush();
    itsDrawn = true;
}

bool TConsoleProgress::ProcessMessages() {
    if (itsInteractive && State().Running()) {
        int64_t now = TickCount();
        if (!itsDrawn || now - itsLastDraw >= 200) {
            Draw();
            itsLastDraw = now;
        }
    }
    // Ctrl+C is this display's Stop button.
    if (itsInterrupt.Interrupted()) MutableState().RequestStop();
    return State().StopRequested();
}

void TConsoleProgress::Finish() {
    if (State().Running() && itsInteractive) {
        Draw();
        itsOut << '\n';
        itsOut.flush();
    }
    TProgress::Finish();
    itsInterrupt.Release();
}

} // namespace marvek
