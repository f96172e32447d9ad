// TPreferencesEditor: the values of the preferences dialog as plain data, and what OK does with them.
#pragma once

#include <cstdint>
#include <string>

#include "app/MessageNumbers.h"
#include "app/Settings.h"

namespace marvek {

// Font style bits as the settings record keeps them.
inline constexpr int kFontBold = 1;
inline constexpr int kFontItalic = 2;
inline constexpr int kFontUnderline = 4;
inline constexpr int kFontStrikeOut = 8;

// A font as the settings record keeps it. The colour is red + 256 * green + 65536 * blue.
struct TFontDescription {
    std::string itsName;
    int32_t itsSize = 12;
    int itsStyle = 0;
    int32_t itsColour = 0;

    bool operator==(const TFontDescription&) const = default;
};

// One value per control of the dialog, in the form the control shows it: letters as typed,
// the promotion piece as its letter, the sliding speed as a track bar position.
struct TPreferenceValues {
    // General
    std::string itsKingLetter;
    std::string itsQueenLetter;
    std::string itsRookLetter;
    std::string itsBishopLetter;
    std::string itsKnightLetter;
    std::string itsWhiteLetter;
    std::string itsBlackLetter;
    std::string itsPromotionLetter;
    bool itsBacksolveNumericAssessments = false;
    bool itsBacksolveInformantRates = false;
    bool itsBacksolveAccumulations = false;
    bool itsBacksolveFavorUnclear = false;
    bool itsBacksolveAlwaysSolve = false;
    bool itsDatabaseSafety = false;
    bool itsAskForPromotionPiece = false;
    int itsSortCandidatesBy = 0;
    int itsSlidingPosition = 0;
    int itsVariationStartsMove = 1;

    // Screen
    TFontDescription itsCommentFont;
    TFontDescription itsCandidateFont;
    int32_t itsLightSquareColour = 0;
    int32_t itsDarkSquareColour = 0;
    int itsKingFigurine = 0;
    int itsQueenFigurine = 0;
    int itsRookFigurine = 0;
    int itsBishopFigurine = 0;
    int itsKnightFigurine = 0;
    bool itsIndicateCaptures = false;
    bool itsIndicateChecks = false;
    bool itsUseFigurines = false;
    bool itsShowAlgebraicHints = false;
    bool itsShowFloatingHints = false;

    // Export
    int itsExportComments = 0;
    int itsExportMoves = 0;
    int itsExportMoveNumbers = 0;
    bool itsExportStartWithWhiteMove = false;
    bool itsFramesAroundDiagrams = false;
    int itsStartExportAtMove = 1;
    int itsStopExportAtMove = 1;
    int itsTabsLeftOfMoves = 0;
    int itsReturnsAfterMoves = 0;
    int itsTabsLeftOfDiagram = 0;
    int itsReturnsAfterDiagram = 0;
    int itsDiagramFont = 0;

    // Advanced
    std::string itsBookPath;
    std::string itsAnalyst1Path;
    std::string itsAnalyst2Path;
    bool itsFactorySettings = false;
};

class TPreferencesEditor {
public:
    static constexpr int kFactorySettingsQuestion = kMsgFactorySettingsQuestion;
    static constexpr int kFactorySettingsHelpContext = 1959;

    // Fills every value from the record; the factory-settings box starts cleared.
    void Load(const TSettings& settings);

    // What OK does. With the factory-settings box ticked the user is asked first, and on Yes the
    // stored record is deleted and the factory values loaded and saved, nothing else taken.
    // Otherwise every value goes into the record; the five piece letters only when they pass the
    // letter check (else the user is told why and the old letters stay). True: the dialog was
    // confirmed. A settings store that cannot be changed raises EMarvekError.
    bool Apply(TSettings& settings);

    // A square colour chosen in the dialog goes into the record at once: the user has seen it on
    // the board, so Cancel does not take it back.
    void ChooseLightSquareColour(TSettings& settings, int32_t colour);
    void ChooseDarkSquareColour(TSettings& settings, int32_t colour);

    TPreferenceValues& Values() { return itsValues; }
    const TPreferenceValues& Values() const { return itsValues; }

private:
    void TakeValues(TSettings& settings) const;
    void TakeLetters(TSettings& settings) const;
    static void RestoreFactorySettings(TSettings& settings);

    TPreferenceValues itsValues;
};

} // namespace marvek
