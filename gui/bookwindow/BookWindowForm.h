// TBookWindowForm: the child window of one open book, the view of its TBookWindow.
#pragma once

#include <QHash>
#include <QWidget>
#include <functional>
#include <memory>

#include "bookwindow/BookWindowView.h"

class QAction;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QMenuBar;
class QSlider;
class QSplitter;
class QVBoxLayout;
class QTableWidget;
class QTimer;
class QToolButton;

namespace marvek {
class TBookWindow;
}

namespace marvek::gui {

class TCandidateDelegate;
class TCommentWindow;
class TChessDiagram2D;

// The board on the left; on the right the candidate list with the position's panes and rate
// controls, the move-entry pane and the past-moves grid. Everything the user does goes to the
// controller through the command guard; the controller tells this form what to show.
class TBookWindowForm : public QWidget, public TBookWindowView {
    Q_OBJECT

public:
    enum TPaneEdit { kCut, kCopy, kPaste };

    explicit TBookWindowForm(TBookWindow& window, QWidget* parent = nullptr);
    ~TBookWindowForm() override;

    TBookWindow& Window() { return itsWindow; }
    // Shows the book's state again.
    void Refresh();

    // Commands of the window's menus, by object name (see BookWindowCommands.def).
    QAction* Action(const QString& name) const { return itsActions.value(name); }
    QMenu* CandidatePopup() const { return itsCandidatePopup; }
    // The comment menu: the shared comment window's Select All, Undo, Bold, Italic and Font...
    QMenu* CommentPopup() const { return itsCommentPopup; }
    // The take-back menu as the back button's right click would open it.
    std::unique_ptr<QMenu> MakeTakeBackMenu();
    TChessDiagram2D* Board() const { return itsBoard; }
    QListWidget* CandidateList() const { return itsCandidates; }
    TCandidateDelegate* Delegate() const { return itsDelegate; }
    QLineEdit* MoveEntry() const { return itsMoveEntry; }

    // What some commands do on the Qt side.
    void ForwardToMainWindow(const char* actionName);
    void EditFocusedPane(TPaneEdit edit);
    // Shows the comment window the main window shares among all book windows.
    void ShowComments();
    // That comment window, when the window this form sits in has one.
    TCommentWindow* CommentWindow() const;

    // ---- TBookWindowView
    void ShowCandidates(const std::vector<std::string>& texts) override;
    void HighlightCandidate(int index) override;
    void ShowGrid(const std::vector<TGridRow>& rows, int row, int column, int topRow) override;
    void ShowTransposition(bool on) override;
    void ShowSideToMove(char letter) override;
    void ShowRates(int ownRateItem, char backsolved, const std::string& assessment, int certainty) override;
    void ShowOpeningCode(const std::string& code) override;
    void ShowPositionName(const std::string& name) override;
    void ClearMoveEntry() override;
    void DrawDiagram(const TPackedPosition& position, const TSquareMarks& marks) override;
    void ShowDiagramMarks(const TSquareMarks& marks) override;
    void UpdateDiagramSquares(const TPackedPosition& position, const std::vector<TSquare>& squares) override;
    void SlideDiagramPiece(std::uint32_t moveCode) override;
    void PutDiagramPieceBack() override;
    void CopyToClipboard(const std::string& text) override;
    void InsertCommentParagraph(const std::string& text) override;
    void StartDelayedRefresh() override;
    void StopDelayedRefresh() override;
    void SetWaitCursor(bool busy) override;
    void PreferencesChanged() override { ApplyPreferences(); }

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Shows a popup menu and returns the item chosen; tests answer without a modal loop.
    virtual QAction* ExecMenu(QMenu& menu, const QPoint& globalPos);

private:
    // BookWindowForm.cpp
    void MakeBoardSide(QSplitter* splitter);
    void MakeListSide(QSplitter* splitter);
    void ApplyPreferences();
    void RestoreSplitters();
    void SavePreferences();
    void BoardMouseUp(Qt::MouseButton button);
    void BoardNotification(int code);
    void WatchActivation();
    void FitBoardSide();
    // BookWindowFormCommands.cpp
    void MakeCommands();
    void MakeButtons(QWidget* parent, QHBoxLayout* layout);
    void MakeCommentMenu(QMenu* commands);
    void UpdateCommentItems();
    void UpdateCandidateItems(bool fromMenu);
    void ShowTakeBackMenu(const QPoint& globalPos);
    void ShowBacksolvedPopup(const QPoint& globalPos);
    void Run(const std::function<void()>& command);

    TBookWindow& itsWindow;
    QMenuBar* itsMenuBar = nullptr;
    QSplitter* itsLeftRight = nullptr;
    QVBoxLayout* itsBoardColumn = nullptr;
    QSplitter* itsTopBottom = nullptr;
    TChessDiagram2D* itsBoard = nullptr;
    QToolButton* itsBackOnePlyButton = nullptr;
    QListWidget* itsCandidates = nullptr;
    TCandidateDelegate* itsDelegate = nullptr;
    QTableWidget* itsGrid = nullptr;
    QLineEdit* itsMoveEntry = nullptr;
    QComboBox* itsOwnRate = nullptr;
    QLabel* itsBacksolved = nullptr;
    QLabel* itsAssessment = nullptr;
    QSlider* itsCertainty = nullptr;
    QLineEdit* itsOpeningCode = nullptr;
    QLabel* itsTransposition = nullptr;
    QLabel* itsSideToMove = nullptr;
    QLabel* itsPositionName = nullptr;
    QMenu* itsCandidatePopup = nullptr;
    QMenu* itsBacksolvedPopup = nullptr;
    QMenu* itsCommentPopup = nullptr;
    QTimer* itsDelayedRefreshTimer = nullptr;
    QHash<QString, QAction*> itsActions;
    // Set while the controller's word is put into a control, so the control's signal is not sent back.
    bool itsShowing = false;
    bool itsWaiting = false;
    // Whether this window's child was the last one the main window's area activated.
    bool itsActive = false;
    bool itsWatchingActivation = false;
};

} // namespace marvek::gui
