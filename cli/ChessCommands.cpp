#include "ChessCommands.h"

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "Arguments.h"
#include "chess/ChessParser.h"
#include "chess/ChessPosition.h"

namespace marvek::cli {

namespace {

const char* YesNo(bool value) {
    return value ? "yes" : "no";
}

} // namespace

void AddChessCommands(CLI::App& app, int& result) {
    // moves FEN
    {
        auto* cmd = app.add_subcommand("moves", "List the legal moves of a position in the program's order");
        auto fen = std::make_shared<std::string>();
        auto json = std::make_shared<bool>(false);
        cmd->add_option("FEN", *fen, "Position as FEN, or startpos")->required();
        cmd->add_flag("--json", *json, "Print a JSON array");
        cmd->callback([fen, json, &result] {
            TChessParser parser;
            UseSettingsLetters(parser);
            parser.LoadPosition(ReadFenArgument(*fen));
            std::vector<std::string> moves = parser.LegalMoves();
            if (*json) {
                std::cout << nlohmann::json(moves).dump() << '\n';
            } else {
                for (const std::string& move : moves) std::cout << move << '\n';
            }
            result = 0;
        });
    }

    // play FEN MOVE...
    {
        auto* cmd = app.add_subcommand(
            "play", "Play moves (SAN or coordinates) and print each move and the FEN after it");
        auto fen = std::make_shared<std::string>();
        auto moves = std::make_shared<std::vector<std::string>>();
        cmd->add_option("FEN", *fen, "Start position as FEN, or startpos")->required();
        cmd->add_option("MOVE", *moves, "Moves such as e4, Nf3, O-O, e2e4, e7e8q")->required();
        cmd->callback([fen, moves, &result] {
            TChessParser parser;
            UseSettingsLetters(parser);
            parser.LoadPosition(ReadFenArgument(*fen));
            for (const std::string& text : *moves) {
                std::string notation;
                if (IsCoordinateMove(text)) {
                    notation = parser.CoordinateToNotation(text);
                } else {
                    parser.SetMoveText(text);
                    if (parser.ParseMove()) notation = parser.NotationFor(parser.GetChessMove());
                }
                if (notation.empty()) {
                    std::cerr << "illegal move: " << text << '\n';
                    result = 1;
                    return;
                }
                parser.ApplyMove();
                std::cout << notation << '\t' << parser.CurrentFEN() << '\n';
            }
            result = 0;
        });
    }

    // perft FEN DEPTH
    {
        auto* cmd = app.add_subcommand("perft", "Count the leaf nodes of the legal move tree");
        auto fen = std::make_shared<std::string>();
        auto depth = std::make_shared<int>(0);
        cmd->add_option("FEN", *fen, "Position as FEN, or startpos")->required();
        cmd->add_option("DEPTH", *depth, "Depth in plies (0-10)")->required()->check(CLI::Range(0, 10));
        cmd->callback([fen, depth, &result] {
            TChessParser parser;
            parser.LoadPosition(ReadFenArgument(*fen));
            std::cout << parser.Perft(*depth) << '\n';
            result = 0;
        });
    }

    // canonical FEN
    {
        auto* cmd =
            app.add_subcommand("canonical", "Show the canonical form under which books store a position");
        auto fen = std::make_shared<std::string>();
        auto json = std::make_shared<bool>(false);
        cmd->add_option("FEN", *fen, "Position as FEN, or startpos")->required();
        cmd->add_flag("--json", *json, "Print a JSON object");
        cmd->callback([fen, json, &result] {
            TChessPosition position(ReadFenArgument(*fen));
            TCanonicalTransform transform = position.CanonicalTransform();
            std::string canonical = TChessPosition(position.CanonicalPosition()).ToFEN();
            if (*json) {
                nlohmann::json out = {{"fen", canonical},
                                      {"coloursReversed", transform.itsColourReversed},
                                      {"filesMirrored", transform.itsFilesMirrored},
                                      {"ranksMirrored", transform.itsRanksMirrored}};
                std::cout << out.dump() << '\n';
            } else {
                std::cout << canonical << '\n'
                          << "colours reversed: " << YesNo(transform.itsColourReversed) << '\n'
                          << "files mirrored: " << YesNo(transform.itsFilesMirrored) << '\n'
                          << "ranks mirrored: " << YesNo(transform.itsRanksMirrored) << '\n';
            }
            result = 0;
        });
    }
}

} // namespace marvek::cli
