#include <iostream>

#include <CLI/CLI.hpp>

#include "BookCommands.h"
#include "ChessCommands.h"
#include "DbCommands.h"
#include "EngineCommands.h"
#include "ExportCommands.h"
#include "GamesCommands.h"
#include "PgnCommands.h"
#include "PrefsCommands.h"
#include "app/ConsoleUserInterface.h"
#include "app/Settings.h"
#include "platform/Errors.h"

// marvek-cli: scriptable access to Marvek's core. Exit status 0 on success, 1 when the command
// failed (an illegal move, a damaged file), 2 for bad arguments.
int main(int argc, char** argv) {
    CLI::App app{"Marvek command-line tool", "marvek-cli"};
    app.require_subcommand(1);
    app.fallthrough(false);

    // Messages go to stderr; questions are answered by --yes / --no, or asked on a terminal.
    marvek::TConsoleUserInterface console;
    marvek::SetUserInterface(&console);
    auto* yes = app.add_flag_callback(
        "--yes", [&console] { console.SetPolicy(marvek::TAnswerPolicy::kYes); },
        "Answer Yes to every question");
    app.add_flag_callback(
           "--no", [&console] { console.SetPolicy(marvek::TAnswerPolicy::kNo); },
           "Answer No to every question")
        ->excludes(yes);

    int result = 0;
    marvek::cli::AddChessCommands(app, result);
    marvek::cli::AddDbCommands(app, result);
    marvek::cli::AddPrefsCommands(app, result);
    marvek::cli::AddBookCommands(app, result);
    marvek::cli::AddExportCommands(app, result);
    marvek::cli::AddPgnCommands(app, result);
    marvek::cli::AddGamesCommands(app, result);
    marvek::cli::AddEngineCommands(app, result);

    try {
        // Like the desktop program, the tool works with the user's settings (piece letters, folders).
        marvek::LoadSettingsAtStart();
        app.parse(argc, argv);
    } catch (const CLI::Success& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return 2;
    } catch (const marvek::EMarvekError& e) {
        std::cerr << e.what() << '\n';
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "error: " << e.what() << '\n';
        return 1;
    }
    return result;
}
