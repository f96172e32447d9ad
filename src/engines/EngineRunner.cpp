// Starting, polling and stopping an engine session's process, and telling the user what failed.
#include "engines/EngineRunner.h"

#include <cerrno>
#include <vector>

#include "app/StringTable.h"
#include "app/UserInterface.h"
#include "platform/Clock.h"
#include "platform/Errors.h"

namespace marvek {

namespace {

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace

std::string FillMessage(std::string text, const std::string& folder, int code) {
    if (auto at = text.find("%s"); at != std::string::npos) text.replace(at, 2, folder);
    if (auto at = text.find("%d"); at != std::string::npos) text.replace(at, 2, std::to_string(code));
    return text;
}

TEngineRunner::TEngineRunner(TEngineSession& session, TEngineProtocol protocol)
    : itsSession(session), itsProtocol(protocol) {
    itsSession.SetSink([this](const std::string& line) { SendLine(line); });
}

TEngineRunner::~TEngineRunner() {
    StopEngine();
    itsSession.SetSink([](const std::string&) {});
}

void TEngineRunner::Tell(const std::string& text) {
    UserInterface().ShowInformationBox(LoadMessage(610), text, 0);
}

bool TEngineRunner::StartEngine(const std::string& path, const std::string& arguments) {
    MARVEK_ASSERT(!itsRunning);
    itsSession.Clear();
    itsSplitter.Clear();
    itsPath = path;
    itsArguments = arguments;
    itsPeekFailureShown = itsReadFailureShown = itsWriteFailureShown = false;
    if (itsLoadingObserver) itsLoadingObserver(true);

    const TSpawnResult spawned = itsProcess.Start(path, arguments, itsProtocol == TEngineProtocol::kUci);
    if (!spawned.itsStarted) {
        if (!spawned.itsFailedStep.empty())
            Tell(FillMessage(spawned.itsFailedStep, {}, spawned.itsError));
        else if (spawned.itsError == ENOENT)
            Tell(FillMessage(LoadMessage(632), FolderOf(path), spawned.itsError));
        else if (spawned.itsError == ENOMEM)
            Tell(LoadMessage(633));
        else
            Tell(FillMessage(LoadMessage(635), FolderOf(path), spawned.itsError));
    } else {
        itsRunning = true;
        itsSession.Started(TickCount());
        // The start-up exchange waits here, looking at the pipe every 100 ms.
        while (itsRunning && !itsSession.HandshakeStep(TickCount())) {
            Wait(100);
            ReadOnce();
        }
    }
    itsSession.Display().itsConnected = LoadMessage(itsRunning ? 626 : 625);
    if (itsLoadingObserver) itsLoadingObserver(false);
    if (!itsRunning) Tell(LoadMessage(627));
    return itsRunning;
}

void TEngineRunner::StopEngine(bool withoutQuit) {
    if (!itsRunning) return;
    if (!withoutQuit) SendLine("quit");
    itsBusy = true;
    const int closeError = itsProcess.Close();
    itsRunning = false;
    itsBusy = false;
    if (closeError != 0)
        Tell(FillMessage("Problem with CloseHandle(hChildStdinWrDup)  GetLastError=%d", {}, closeError));
    itsSession.Display().itsConnected = LoadMessage(625);
}

void TEngineRunner::SendLine(const std::string& text) {
    if (text.empty() || !itsProcess.IsOpen()) return;
    int wanted = 0;
    const int written = itsProcess.WriteLine(text, wanted);
    if (written < 0) {
        if (itsProtocol == TEngineProtocol::kUci || !itsWriteFailureShown)
            Tell(FillMessage("Problem with WriteFile(hChildStdinWrDup...)  GetLastError=%d", {}, errno));
        itsWriteFailureShown = true;
        return;
    }
    // One write per line: a short write would leave the engine half a command.
    MARVEK_ASSERT(written == wanted);
}

void TEngineRunner::ReadOnce() {
    const int waiting = itsProcess.BytesWaiting();
    if (waiting < 0) {
        if (!itsPeekFailureShown)
            Tell(FillMessage("Problem with PeekNamedPipe(...)  GetLastError=%d", {}, errno));
        itsPeekFailureShown = true;
        return;
    }
    if (waiting == 0) {
        // An engine that has gone away leaves nothing to read and will never answer again.
        if (itsProcess.HasEnded()) StopEngine(true);
        return;
    }
    const int capacity = itsProtocol == TEngineProtocol::kUci ? kUciBufferSize : kWinboardBufferSize;
    std::vector<char> buffer(std::size_t(std::min(waiting, capacity)));
    const int got = itsProcess.Read(buffer.data(), int(buffer.size()));
    if (got < 0) {
        if (itsProtocol == TEngineProtocol::kUci || !itsReadFailureShown)
            Tell(FillMessage("Problem with ReadFile(...)  GetLastError=%d", {}, errno));
        itsReadFailureShown = true;
        return;
    }
    const int64_t now = TickCount();
    itsSplitter.Feed(std::string_view(buffer.data(), std::size_t(got)),
                     [&](const std::string& line) { itsSession.HandleLine(line, now); });
}

void TEngineRunner::Poll() {
    if (!itsRunning) return;
    if (itsBusy) {
        UserInterface().Beep();
        return;
    }
    itsBusy = true;
    ReadOnce();
    if (itsRunning) itsSession.Tick(TickCount());
    itsBusy = false;
    if (itsRunning && itsSession.TakeResetRequest()) ResetEngine();
}

void TEngineRunner::SetEnginePosition(const std::string& fen, int plyCount, bool onlyIfChanged) {
    if (!itsRunning) return;
    itsBusy = true;
    itsSession.SetEnginePosition(fen, plyCount, onlyIfChanged, TickCount());
    itsBusy = false;
}

void TEngineRunner::ResetEngine() {
    if (!itsRunning) return;
    const std::string fen = itsSession.LastFEN();
    const int ply = itsSession.PlyCount();
    StopEngine(false);
    if (StartEngine(itsPath, itsArguments) && !fen.empty()) SetEnginePosition(fen, ply, false);
}

} // namespace marvek
