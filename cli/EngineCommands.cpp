// "engine analyse": runs an engine session on a position for a few seconds and prints what the
// engine window would show.
#include "EngineCommands.h"

#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "Arguments.h"
#include "app/Settings.h"
#include "chess/ChessPosition.h"
#include "engines/EngineRunner.h"
#include "engines/EngineSettings.h"
#include "engines/UciSession.h"
#include "engines/WinboardSession.h"
#include "platform/Clock.h"

namespace marvek::cli {

namespace {

struct TAnalyseArguments {
    std::string itsUci;
    std::string itsWinboard;
    std::string itsFen;
    double itsSeconds = 3;
    bool itsJson = false;
};

// The plies played before the position, from the move number of a full FEN (0 without one).
int PlyCountOf(const std::string& fen, bool whiteToMove) {
    std::istringstream fields(fen);
    std::string field;
    int moveNumber = 1;
    for (int i = 0; fields >> field; ++i)
        if (i == 5) moveNumber = std::max(1, std::atoi(field.c_str()));
    return (moveNumber - 1) * 2 + (whiteToMove ? 0 : 1);
}

int Analyse(const TAnalyseArguments& arguments) {
    const bool uci = !arguments.itsUci.empty();
    const TPackedPosition position = ReadFenArgument(arguments.itsFen);
    const std::string fen = TChessPosition(position).ToFEN();
    const int plyCount =
        arguments.itsFen == "startpos" ? 0 : PlyCountOf(arguments.itsFen, position.WhiteToMove());

    TEngineOptions options = EngineOptionsFromSettings(Settings(), uci);
    std::unique_ptr<TEngineSession> session;
    if (uci)
        session = std::make_unique<TUciSession>(options, [](const std::string&) {});
    else
        session = std::make_unique<TWinboardSession>(options, [](const std::string&) {});
    const TSettings& settings = Settings();
    session->SetEnginePieceLetters(settings.KingLetter(), settings.QueenLetter(), settings.RookLetter(),
                                   settings.BishopLetter(), settings.KnightLetter());

    TEngineRunner runner(*session, uci ? TEngineProtocol::kUci : TEngineProtocol::kWinboard);
    const std::string arguments2 =
        uci ? std::string() : static_cast<TWinboardSession&>(*session).StartArguments();
    if (!runner.StartEngine(uci ? arguments.itsUci : arguments.itsWinboard, arguments2)) return 1;
    runner.SetEnginePosition(fen, plyCount);
    const int64_t end = TickCount() + int64_t(arguments.itsSeconds * 1000);
    while (runner.IsEngineRunning() && TickCount() < end) {
        Wait(50);
        runner.Poll();
    }
    const bool diedEarly = !runner.IsEngineRunning();
    runner.StopEngine();

    const TEngineDisplay& shown = session->Display();
    const bool gameOver = shown.itsCaption == "Stalemate" || shown.itsCaption == "Checkmate";
    if (!gameOver && (diedEarly || shown.itsLine.empty() || shown.itsLine == "...waiting")) {
        std::cerr << "The engine gave no analysis of the position.\n";
        return 1;
    }
    if (arguments.itsJson) {
        nlohmann::json out;
        out["engine"] = shown.itsProgramName;
        out["score"] = session->EngineScore();
        out["caption"] = shown.itsCaption;
        out["rate"] = RateSign(shown.itsRateGlyph);
        out["depth"] = session->Depth();
        out["nodes"] = session->EngineNodeCount();
        out["nodesPerSecond"] = session->NodesPerSecond();
        out["line"] = session->EngineDisplayLine();
        out["bestMove"] = session->EngineBestMove();
        out["bestLine"] = session->EngineBestLine();
        std::cout << out.dump() << '\n';
        return 0;
    }
    if (!shown.itsProgramName.empty()) std::cout << "Engine: " << shown.itsProgramName << '\n';
    std::cout << "Score: " << shown.itsCaption;
    if (const std::string sign = RateSign(shown.itsRateGlyph); !sign.empty()) std::cout << ' ' << sign;
    std::cout << '\n';
    std::cout << "Depth: " << shown.itsDepth << '\n';
    std::cout << "Nodes: " << shown.itsNodes << '\n';
    std::cout << "Nodes per second: " << shown.itsNodesPerSecond << '\n';
    std::cout << "Line: " << session->EngineDisplayLine() << '\n';
    return 0;
}

} // namespace

void AddEngineCommands(CLI::App& app, int& result) {
    auto* engine = app.add_subcommand("engine", "Run a chess engine");
    engine->require_subcommand(1);
    auto* cmd = engine->add_subcommand("analyse", "Analyse a position with a UCI or Winboard engine");
    auto arguments = std::make_shared<TAnalyseArguments>();
    auto* uci = cmd->add_option("--uci", arguments->itsUci, "Path of a UCI engine");
    auto* winboard = cmd->add_option("--winboard", arguments->itsWinboard, "Path of a Winboard engine");
    uci->excludes(winboard);
    cmd->add_option("FEN", arguments->itsFen, "Position as FEN, or startpos")->required();
    cmd->add_option("--seconds", arguments->itsSeconds, "Seconds of analysis (default 3)")
        ->check(CLI::Range(0.1, 3600.0));
    cmd->add_flag("--json", arguments->itsJson, "Print the fields as JSON");
    cmd->callback([arguments, uci, winboard, &result] {
        if (uci->count() + winboard->count() != 1)
            throw CLI::ValidationError("engine", "give --uci PATH or --winboard PATH");
        result = Analyse(*arguments);
    });
}

} // namespace marvek::cli
