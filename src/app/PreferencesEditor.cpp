// TPreferencesEditor: loading the dialog's values from the settings record and taking them back.
#include "app/PreferencesEditor.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "app/PreferenceRules.h"
#include "app/StringTable.h"
#include "app/UserInterface.h"
#include "platform/Errors.h"
#include "platform/Folders.h"
#include "platform/SettingsStore.h"

namespace marvek {

namespace {

// Keeps a number inside the range the dialog allows for a field, so that a value from a damaged
// record or a careless front end never reaches the record out of range.
int Clamped(int value, std::string_view fieldName) {
    const TSettingField* field = FindSettingField(fieldName);
    MARVEK_ASSERT(field != nullptr);
    return static_cast<int>(std::clamp<int64_t>(value, field->itsLow, field->itsHigh));
}

// A letter control holds one character; only the first counts.
std::string Letter(const std::string& typed) {
    return typed.empty() ? std::string() : typed.substr(0, 1);
}

char LetterChar(const std::string& typed) {
    return typed.empty() ? '\0' : typed[0];
}

std::string AsText(char letter) {
    return std::string(1, letter);
}

bool IsBlankLetter(const std::string& typed) {
    return typed.empty() || typed[0] == ' ' || typed[0] == '\t';
}

} // namespace

void TPreferencesEditor::Load(const TSettings& settings) {
    TPreferenceValues& v = itsValues;
    v.itsKingLetter = AsText(settings.KingLetter());
    v.itsQueenLetter = AsText(settings.QueenLetter());
    v.itsRookLetter = AsText(settings.RookLetter());
    v.itsBishopLetter = AsText(settings.BishopLetter());
    v.itsKnightLetter = AsText(settings.KnightLetter());
    v.itsWhiteLetter = AsText(settings.WhiteLetter());
    v.itsBlackLetter = AsText(settings.BlackLetter());
    v.itsPromotionLetter =
        AsText(PromotionLetter(settings.PromotionPiece(), settings.QueenLetter(), settings.RookLetter(),
                               settings.BishopLetter(), settings.KnightLetter()));
    v.itsBacksolveNumericAssessments = settings.BacksolveNumericAssessments();
    v.itsBacksolveInformantRates = settings.BacksolveInformantRates();
    v.itsBacksolveAccumulations = settings.BacksolveAccumulations();
    v.itsBacksolveFavorUnclear = settings.BacksolveFavorUnclear();
    v.itsBacksolveAlwaysSolve = settings.BacksolveAlwaysSolve();
    v.itsDatabaseSafety = settings.DatabaseSafety();
    v.itsAskForPromotionPiece = settings.AskForPromotionPiece();
    v.itsSortCandidatesBy = settings.SortCandidates();
    v.itsSlidingPosition = SlidingPositionForSpeed(settings.SlidingPieceSpeed());
    v.itsVariationStartsMove = settings.VariationStartsMove();

    v.itsCommentFont = {settings.CommentFontName(), settings.CommentFontSize(), settings.CommentFontStyle(),
                        settings.CommentFontColour()};
    v.itsCandidateFont = {settings.CandidateFontName(), settings.CandidateFontSize(),
                          settings.CandidateFontStyle(), settings.CandidateFontColour()};
    v.itsLightSquareColour = settings.LightSquareColour();
    v.itsDarkSquareColour = settings.DarkSquareColour();
    v.itsKingFigurine = settings.KingFigurine();
    v.itsQueenFigurine = settings.QueenFigurine();
    v.itsRookFigurine = settings.RookFigurine();
    v.itsBishopFigurine = settings.BishopFigurine();
    v.itsKnightFigurine = settings.KnightFigurine();
    v.itsIndicateCaptures = settings.IndicateCaptures();
    v.itsIndicateChecks = settings.IndicateChecks();
    v.itsUseFigurines = settings.UseFigurines();
    v.itsShowAlgebraicHints = settings.ShowAlgebraicHints();
    v.itsShowFloatingHints = settings.ShowHints();

    v.itsExportComments = settings.TextExportComments();
    v.itsExportMoves = settings.TextExportMoves();
    v.itsExportMoveNumbers = settings.TextExportMoveNumbers();
    v.itsExportStartWithWhiteMove = settings.TextExportStartWithWhite();
    v.itsFramesAroundDiagrams = settings.FramesAroundDiagrams();
    v.itsStartExportAtMove = settings.TextExportStartMove();
    v.itsStopExportAtMove = settings.TextExportStopMove();
    v.itsTabsLeftOfMoves = settings.TabsLeftOfMoves();
    v.itsReturnsAfterMoves = settings.ReturnsAfterMoves();
    v.itsTabsLeftOfDiagram = settings.TabsLeftOfDiagram();
    v.itsReturnsAfterDiagram = settings.ReturnsAfterDiagram();
    v.itsDiagramFont = settings.DiagramFontType();

    v.itsBookPath = settings.BooksFolder();
    v.itsAnalyst1Path = settings.Analyst1Path();
    v.itsAnalyst2Path = settings.Analyst2Path();
    v.itsFactorySettings = false;
}

bool TPreferencesEditor::Apply(TSettings& settings) {
    if (itsValues.itsFactorySettings) {
        TAnswer answer = UserInterface().Ask(LoadMessage(kFactorySettingsQuestion), TButtons::kYesNo,
                                             TBoxKind::kWarning, kFactorySettingsHelpContext);
        if (answer == TAnswer::kYes) {
            RestoreFactorySettings(settings);
            Load(settings);
            return true;
        }
    }
    TakeValues(settings);
    return true;
}

void TPreferencesEditor::ChooseLightSquareColour(TSettings& settings, int32_t colour) {
    itsValues.itsLightSquareColour = colour;
    settings.SetLightSquareColour(colour);
}

void TPreferencesEditor::ChooseDarkSquareColour(TSettings& settings, int32_t colour) {
    itsValues.itsDarkSquareColour = colour;
    settings.SetDarkSquareColour(colour);
}

void TPreferencesEditor::RestoreFactorySettings(TSettings& settings) {
    int code = DeleteSettingsValue();
    if (code != 0)
        throw EMarvekError("Could not delete the settings in \"" + SettingsValuePath() +
                           "\": " + std::strerror(code));
    LoadPreferences(settings);
    SavePreferences(settings);
}

void TPreferencesEditor::TakeLetters(TSettings& settings) const {
    const TPreferenceValues& v = itsValues;
    std::array<std::string, 5> letters = {Letter(v.itsKingLetter), Letter(v.itsQueenLetter),
                                          Letter(v.itsRookLetter), Letter(v.itsBishopLetter),
                                          Letter(v.itsKnightLetter)};
    if (int problem = PieceLettersProblem(letters)) {
        ShowInformation(0, problem);
    } else {
        settings.SetKingLetter(letters[0][0]);
        settings.SetQueenLetter(letters[1][0]);
        settings.SetRookLetter(letters[2][0]);
        settings.SetBishopLetter(letters[3][0]);
        settings.SetKnightLetter(letters[4][0]);
    }
    // The side letters are free, but a blank one would leave the side-to-move field empty.
    if (!IsBlankLetter(v.itsWhiteLetter)) settings.SetWhiteLetter(v.itsWhiteLetter[0]);
    if (!IsBlankLetter(v.itsBlackLetter)) settings.SetBlackLetter(v.itsBlackLetter[0]);
    // The promotion letter is read with the letters the user typed beside it in the dialog.
    settings.SetPromotionPiece(PromotionPieceFor(
        LetterChar(v.itsPromotionLetter), LetterChar(v.itsQueenLetter), LetterChar(v.itsRookLetter),
        LetterChar(v.itsBishopLetter), LetterChar(v.itsKnightLetter)));
}

void TPreferencesEditor::TakeValues(TSettings& settings) const {
    const TPreferenceValues& v = itsValues;
    TakeLetters(settings);
    settings.SetBacksolveNumericAssessments(v.itsBacksolveNumericAssessments);
    settings.SetBacksolveInformantRates(v.itsBacksolveInformantRates);
    settings.SetBacksolveAccumulations(v.itsBacksolveAccumulations);
    settings.SetBacksolveFavorUnclear(v.itsBacksolveFavorUnclear);
    settings.SetBacksolveAlwaysSolve(v.itsBacksolveAlwaysSolve);
    settings.SetDatabaseSafety(v.itsDatabaseSafety);
    settings.SetAskForPromotionPiece(v.itsAskForPromotionPiece);
    settings.SetSortCandidates(Clamped(v.itsSortCandidatesBy, "SortCandidates"));
    settings.SetSlidingPieceSpeed(
        SlidingSpeedForPosition(std::clamp(v.itsSlidingPosition, 0, kSlidingLastPosition)));
    settings.SetVariationStartsMove(Clamped(v.itsVariationStartsMove, "VariationStartsMove"));

    settings.SetCommentFontColour(v.itsCommentFont.itsColour);
    settings.SetCommentFontName(v.itsCommentFont.itsName);
    settings.SetCommentFontSize(Clamped(v.itsCommentFont.itsSize, "CommentFontSize"));
    settings.SetCommentFontStyle(Clamped(v.itsCommentFont.itsStyle, "CommentFontStyle"));
    settings.SetCandidateFontColour(v.itsCandidateFont.itsColour);
    settings.SetCandidateFontName(v.itsCandidateFont.itsName);
    settings.SetCandidateFontSize(Clamped(v.itsCandidateFont.itsSize, "CandidateFontSize"));
    settings.SetCandidateFontStyle(Clamped(v.itsCandidateFont.itsStyle, "CandidateFontStyle"));
    settings.SetKingFigurine(Clamped(v.itsKingFigurine, "KingFigurine"));
    settings.SetQueenFigurine(Clamped(v.itsQueenFigurine, "QueenFigurine"));
    settings.SetRookFigurine(Clamped(v.itsRookFigurine, "RookFigurine"));
    settings.SetBishopFigurine(Clamped(v.itsBishopFigurine, "BishopFigurine"));
    settings.SetKnightFigurine(Clamped(v.itsKnightFigurine, "KnightFigurine"));
    settings.SetIndicateCaptures(v.itsIndicateCaptures);
    settings.SetIndicateChecks(v.itsIndicateChecks);
    settings.SetUseFigurines(v.itsUseFigurines);
    settings.SetShowAlgebraicHints(v.itsShowAlgebraicHints);
    settings.SetShowHints(v.itsShowFloatingHints);

    settings.SetTextExportComments(Clamped(v.itsExportComments, "TextExportComments"));
    settings.SetTextExportMoves(Clamped(v.itsExportMoves, "TextExportMoves"));
    settings.SetTextExportMoveNumbers(Clamped(v.itsExportMoveNumbers, "TextExportMoveNumbers"));
    settings.SetTextExportStartWithWhite(v.itsExportStartWithWhiteMove);
    settings.SetFramesAroundDiagrams(v.itsFramesAroundDiagrams);
    int start = Clamped(v.itsStartExportAtMove, "TextExportStartMove");
    int stop = Clamped(v.itsStopExportAtMove, "TextExportStopMove");
    settings.SetTextExportStartMove(start);
    settings.SetTextExportStopMove(std::max(start, stop));
    settings.SetTabsLeftOfMoves(Clamped(v.itsTabsLeftOfMoves, "TabsLeftOfMoves"));
    settings.SetReturnsAfterMoves(Clamped(v.itsReturnsAfterMoves, "ReturnsAfterMoves"));
    settings.SetTabsLeftOfDiagram(Clamped(v.itsTabsLeftOfDiagram, "TabsLeftOfDiagram"));
    settings.SetReturnsAfterDiagram(Clamped(v.itsReturnsAfterDiagram, "ReturnsAfterDiagram"));
    settings.SetDiagramFontType(Clamped(v.itsDiagramFont, "DiagramFontType"));

    // The record cuts the book path at its 70 characters; the analyst files are written into
    // their folders by name, so those keep a trailing "/".
    settings.SetBooksFolder(v.itsBookPath);
    settings.SetAnalyst1Path(WithTrailingSlash(v.itsAnalyst1Path));
    settings.SetAnalyst2Path(WithTrailingSlash(v.itsAnalyst2Path));
}

} // namespace marvek
