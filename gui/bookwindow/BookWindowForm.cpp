// The child window of one open book: its controls, and what the controller asks it to show.
#include "bookwindow/BookWindowForm.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSlider>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/CommandGuard.h"
#include "app/Settings.h"
#include "app/StringTable.h"
#include "bookwindow/BookWindow.h"
#include "bookwindow/CandidateDelegate.h"
#include "diagram/ChessDiagram2D.h"
#include "pgn/PGNCommands.h"

namespace marvek::gui {

namespace {

constexpr int kDelayedRefreshMs = 400;
constexpr int kMinimumCandidateLines = 4;

QString Text(int number) {
    return QString::fromStdString(LoadMessage(number));
}

QColor FromWindowsColour(std::int32_t colour) {
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

// The preferences keep red in the low byte; the board wants it in the high one.
TDiagramColour BoardColour(std::int32_t colour) {
    return FromWindowsColour(colour).rgb() & 0xFFFFFFu;
}

// A sunken one-line pane, as the side-to-move and assessment panes are drawn.
QLabel* MakePane(QWidget* parent, const char* name, int width) {
    auto* pane = new QLabel(parent);
    pane->setObjectName(name);
    pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pane->setAlignment(Qt::AlignCenter);
    pane->setMinimumWidth(width);
    return pane;
}

} // namespace

TBookWindowForm::TBookWindowForm(TBookWindow& window, QWidget* parent) : QWidget(parent), itsWindow(window) {
    setObjectName("BookWindowForm");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    itsMenuBar = new QMenuBar(this);
    itsMenuBar->setObjectName("BookWindowMenuBar");
    layout->setMenuBar(itsMenuBar);

    itsLeftRight = new QSplitter(Qt::Horizontal, this);
    itsLeftRight->setObjectName("LeftRightSplitter");
    itsLeftRight->setChildrenCollapsible(false);
    layout->addWidget(itsLeftRight);
    MakeBoardSide(itsLeftRight);
    MakeListSide(itsLeftRight);
    itsLeftRight->setStretchFactor(0, 0);
    itsLeftRight->setStretchFactor(1, 1);

    itsDelayedRefreshTimer = new QTimer(this);
    itsDelayedRefreshTimer->setObjectName("DelayedRefreshTimer");
    itsDelayedRefreshTimer->setSingleShot(true);
    itsDelayedRefreshTimer->setInterval(kDelayedRefreshMs);
    connect(itsDelayedRefreshTimer, &QTimer::timeout, this,
            [this] { Run([this] { itsWindow.DelayedRefresh(); }); });

    MakeCommands();
    ApplyPreferences();
    RestoreSplitters();
    itsWindow.SetView(this);
    InstallPGNDrop(*this);
    resize(760, 520);
}

TBookWindowForm::~TBookWindowForm() {
    SavePreferences();
    itsWindow.SetView(nullptr);
}

void TBookWindowForm::Run(const std::function<void()>& command) {
    RunCommand(command);
}

void TBookWindowForm::MakeBoardSide(QSplitter* splitter) {
    auto* side = new QWidget(splitter);
    auto* column = new QVBoxLayout(side);
    itsBoardColumn = column;
    column->setContentsMargins(4, 4, 4, 4);
    itsBoard = new TChessDiagram2D(side);
    itsBoard->setObjectName("ChessDiagram");
    column->addWidget(itsBoard);
    auto* buttons = new QHBoxLayout;
    column->addLayout(buttons);
    MakeButtons(side, buttons);
    column->addStretch(1);
    connect(itsBoard, &TChessDiagram2D::MouseUp, this, &TBookWindowForm::BoardMouseUp);
    connect(itsBoard, &TChessDiagram2D::Notification, this, &TBookWindowForm::BoardNotification);
    connect(itsBoard, &TChessDiagram2D::SizeChanged, this, &TBookWindowForm::FitBoardSide);
}

// A smaller board gives its room to the list; the user's wider choice stands for the size it was.
// A board fitted to the window takes the side's height, and as much width as a square board of
// that height needs while the list keeps a readable width.
void TBookWindowForm::FitBoardSide() {
    const bool fit = itsBoard->FitToWindow();
    itsBoardColumn->setStretchFactor(itsBoard, fit ? 1 : 0);
    itsBoardColumn->setStretch(itsBoardColumn->count() - 1, fit ? 0 : 1);
    QList<int> sizes = itsLeftRight->sizes();
    if (sizes.size() != 2) return;
    const int total = sizes[0] + sizes[1];
    const int buttonsHeight = itsBoardColumn->itemAt(1)->sizeHint().height() + 16;
    const int wanted = fit ? std::clamp(itsLeftRight->height() - buttonsHeight, itsBoard->minimumWidth() + 8,
                                        std::max(itsBoard->minimumWidth() + 8, total - 320))
                           : itsBoard->sizeHint().width() + 8;
    if (sizes[0] == wanted) return;
    sizes[1] += sizes[0] - wanted;
    sizes[0] = wanted;
    itsLeftRight->setSizes(sizes);
}

void TBookWindowForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (itsBoard->FitToWindow()) FitBoardSide();
}

void TBookWindowForm::MakeListSide(QSplitter* splitter) {
    itsTopBottom = new QSplitter(Qt::Vertical, splitter);
    itsTopBottom->setObjectName("TopBottomSplitter");
    itsTopBottom->setChildrenCollapsible(false);

    auto* top = new QWidget(itsTopBottom);
    auto* column = new QVBoxLayout(top);
    column->setContentsMargins(4, 4, 4, 2);
    column->setSpacing(3);

    // The position: side to move, transposition and its name.
    auto* heading = new QHBoxLayout;
    itsSideToMove = MakePane(top, "SideToMovePane", 24);
    itsTransposition = new QLabel(top);
    itsTransposition->setObjectName("TranspositionLabel");
    itsTransposition->setToolTip(Text(2195));
    itsTransposition->setMinimumWidth(14);
    QFont bold = itsTransposition->font();
    bold.setBold(true);
    itsTransposition->setFont(bold);
    itsPositionName = new QLabel(top);
    itsPositionName->setObjectName("PositionNameLabel");
    itsPositionName->setTextFormat(Qt::PlainText);
    heading->addWidget(itsSideToMove);
    heading->addWidget(itsTransposition);
    heading->addWidget(itsPositionName, 1);
    column->addLayout(heading);

    itsCandidates = new QListWidget(top);
    itsCandidates->setObjectName("CandidateListBox");
    itsDelegate = new TCandidateDelegate(itsCandidates);
    itsCandidates->setItemDelegate(itsDelegate);
    itsCandidates->setUniformItemSizes(true);
    itsCandidates->setContextMenuPolicy(Qt::CustomContextMenu);
    itsCandidates->installEventFilter(this);
    // The window's keyboard goes to the list, where the arrows walk the book.
    setFocusProxy(itsCandidates);
    column->addWidget(itsCandidates, 1);
    connect(itsCandidates, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!itsShowing && row >= 0) Run([&] { itsWindow.SetHighlightedCandidate(row); });
    });
    connect(itsCandidates, &QListWidget::clicked, this,
            [this](const QModelIndex& index) { Run([&] { itsWindow.CandidateClicked(index.row()); }); });
    connect(itsCandidates, &QListWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        UpdateCandidateItems(true);
        ExecMenu(*itsCandidatePopup, itsCandidates->viewport()->mapToGlobal(at));
        UpdateCandidateItems(false);
    });

    // The position's assessments: own rate, backsolved rate, numeric assessment, certainty, code.
    auto* rates = new QHBoxLayout;
    itsOwnRate = new QComboBox(top);
    itsOwnRate->setObjectName("InformantRateBox");
    itsOwnRate->setToolTip(Text(2196));
    for (char c = 'i'; c <= 'r'; ++c) itsOwnRate->addItem(c == 'r' ? QStringLiteral("\u2014") : RateSign(c));
    connect(itsOwnRate, &QComboBox::activated, this, [this](int item) {
        if (!itsShowing) Run([&] { itsWindow.SetOwnRate(item); });
    });
    itsBacksolved = MakePane(top, "BacksolvedRateLabel", 32);
    itsBacksolved->setToolTip(Text(2197));
    itsBacksolved->installEventFilter(this);
    itsAssessment = MakePane(top, "AssessmentPane", 52);
    itsCertainty = new QSlider(Qt::Horizontal, top);
    itsCertainty->setObjectName("CertaintyTrackBar");
    itsCertainty->setToolTip(Text(2198));
    itsCertainty->setRange(0, 3);
    itsCertainty->setPageStep(1);
    itsCertainty->setTickPosition(QSlider::TicksBelow);
    itsCertainty->setMaximumWidth(70);
    connect(itsCertainty, &QSlider::valueChanged, this, [this](int value) {
        if (!itsShowing) Run([&] { itsWindow.SetCertainty(value); });
    });
    itsOpeningCode = new QLineEdit(top);
    itsOpeningCode->setObjectName("OpeningCodePane");
    itsOpeningCode->setToolTip(Text(2199));
    itsOpeningCode->setMaxLength(int(TBookWindow::kMaxOpeningCodePane));
    itsOpeningCode->setMaximumWidth(90);
    connect(itsOpeningCode, &QLineEdit::textEdited, this,
            [this](const QString& text) { Run([&] { itsWindow.EditOpeningCode(text.toStdString()); }); });
    rates->addWidget(itsOwnRate);
    rates->addWidget(itsBacksolved);
    rates->addWidget(itsAssessment);
    rates->addWidget(itsCertainty);
    rates->addWidget(itsOpeningCode);
    rates->addStretch();
    column->addLayout(rates);

    itsMoveEntry = new QLineEdit(top);
    itsMoveEntry->setObjectName("MoveEntryPane");
    itsMoveEntry->setMaxLength(40);
    connect(itsMoveEntry, &QLineEdit::returnPressed, this,
            [this] { Run([&] { itsWindow.EnterTypedMove(itsMoveEntry->text().toStdString()); }); });
    column->addWidget(itsMoveEntry);

    itsGrid = new QTableWidget(3, 2, itsTopBottom);
    itsGrid->setObjectName("PastMovesGrid");
    itsGrid->horizontalHeader()->hide();
    itsGrid->verticalHeader()->hide();
    itsGrid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    itsGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    itsGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    itsGrid->verticalHeader()->setDefaultSectionSize(QFontMetrics(itsGrid->font()).height() + 6);
    connect(itsGrid, &QTableWidget::cellClicked, this,
            [this](int row, int column) { Run([&] { itsWindow.GridClicked(row, column); }); });
    itsTopBottom->setStretchFactor(0, 1);
    itsTopBottom->setStretchFactor(1, 0);
}

// ---- Preferences

void TBookWindowForm::ApplyPreferences() {
    const TSettings& settings = Settings();
    TChessDiagram& diagram = itsBoard->Diagram();
    diagram.SetBoardSize(std::clamp(settings.SquareSize(), 0, 3));
    diagram.SetShowAlgebraicHints(settings.ShowAlgebraicHints());
    diagram.SetLightColour(BoardColour(settings.LightSquareColour()));
    diagram.SetDarkColour(BoardColour(settings.DarkSquareColour()));
    diagram.SetSlideSpeed(settings.SlidingPieceSpeed());
    itsBoard->Redraw();

    QFont font(QString::fromStdString(settings.CandidateFontName()),
               std::max(6, int(settings.CandidateFontSize())));
    font.setBold(settings.CandidateFontStyle() & 1);
    font.setItalic(settings.CandidateFontStyle() & 2);
    itsCandidates->setFont(font);
    // However small the window, the list keeps a few lines: the grid below gives way first.
    itsCandidates->setMinimumHeight(kMinimumCandidateLines * TCandidateDelegate::LineHeight(font) +
                                    2 * itsCandidates->frameWidth());
    QPalette palette = itsCandidates->palette();
    palette.setColor(QPalette::Text, FromWindowsColour(settings.CandidateFontColour()));
    itsCandidates->setPalette(palette);
    itsDelegate->SetUseFigurines(settings.UseFigurines());
    const char letters[] = {settings.KingLetter(),   settings.QueenLetter(),  settings.RookLetter(),
                            settings.BishopLetter(), settings.KnightLetter(), 0};
    itsDelegate->SetPieceLetters(QString::fromLatin1(letters));
    itsCandidates->viewport()->update();
}

void TBookWindowForm::RestoreSplitters() {
    const TSettings& settings = Settings();
    itsLeftRight->setSizes(
        {std::clamp(int(settings.BookWindowLeftRightSplitter()), 160, itsBoard->sizeHint().width() + 8),
         400});
    itsTopBottom->setSizes({300, std::max(60, int(settings.BookWindowTopBottomSplitter()))});
}

void TBookWindowForm::SavePreferences() {
    TSettings& settings = Settings();
    const QList<int> leftRight = itsLeftRight->sizes();
    const QList<int> topBottom = itsTopBottom->sizes();
    if (leftRight.size() == 2 && leftRight[0] > 0) settings.SetBookWindowLeftRightSplitter(leftRight[0]);
    if (topBottom.size() == 2 && topBottom[1] > 0) settings.SetBookWindowTopBottomSplitter(topBottom[1]);
    settings.SetSquareSize(itsBoard->Diagram().BoardSize());
    settings.SetShowAlgebraicHints(itsBoard->Diagram().GetShowAlgebraicHints());
}

// ---- Showing

void TBookWindowForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    WatchActivation();
    // The child is shown before its book opens into it: look again once that is done.
    QTimer::singleShot(0, this, &TBookWindowForm::Refresh);
}

void TBookWindowForm::Refresh() {
    if (!itsWindow.BookOpen()) return;
    Run([&] {
        itsWindow.RefreshPosition();
        itsWindow.DrawBoard();
    });
}

void TBookWindowForm::ShowCandidates(const std::vector<std::string>& texts) {
    itsShowing = true;
    itsDelegate->SetBlackToMove(!itsWindow.CurrentPosition().WhiteToMove());
    itsDelegate->SetHidden(itsWindow.TrainingActive());
    itsCandidates->clear();
    for (const std::string& text : texts) itsCandidates->addItem(QString::fromStdString(text));
    itsCandidates->scrollToTop();
    itsShowing = false;
}

void TBookWindowForm::HighlightCandidate(int index) {
    itsShowing = true;
    itsCandidates->setCurrentRow(index);
    if (index < 0) itsCandidates->clearSelection();
    itsShowing = false;
}

void TBookWindowForm::ShowGrid(const std::vector<TGridRow>& rows, int row, int column, int topRow) {
    itsGrid->setRowCount(int(rows.size()));
    for (int r = 0; r < int(rows.size()); ++r)
        for (int c = 0; c < 2; ++c) {
            auto* cell = new QTableWidgetItem(QString::fromStdString(rows[std::size_t(r)][std::size_t(c)]));
            itsGrid->setItem(r, c, cell);
        }
    itsGrid->clearSelection();
    if (row >= 0) itsGrid->setCurrentCell(row, column);
    if (topRow >= 0 && topRow < itsGrid->rowCount())
        itsGrid->scrollToItem(itsGrid->item(topRow, 0), QAbstractItemView::PositionAtTop);
}

void TBookWindowForm::ShowTransposition(bool on) {
    itsTransposition->setText(on ? QStringLiteral("T") : QString());
}

void TBookWindowForm::ShowSideToMove(char letter) {
    itsSideToMove->setText(QString(QChar::fromLatin1(letter)));
}

void TBookWindowForm::ShowRates(int ownRateItem, char backsolved, const std::string& assessment,
                                int certainty) {
    itsShowing = true;
    itsOwnRate->setCurrentIndex(std::clamp(ownRateItem, 0, 9));
    itsBacksolved->setText(RateSign(backsolved));
    itsAssessment->setText(QString::fromStdString(assessment));
    itsCertainty->setValue(std::clamp(certainty, 0, 3));
    itsShowing = false;
}

void TBookWindowForm::ShowOpeningCode(const std::string& code) {
    itsOpeningCode->setText(QString::fromStdString(code));
}

void TBookWindowForm::ShowPositionName(const std::string& name) {
    itsPositionName->setText(QString::fromStdString(name));
}

void TBookWindowForm::ClearMoveEntry() {
    itsMoveEntry->clear();
}

void TBookWindowForm::DrawDiagram(const TPackedPosition& position, const TSquareMarks& marks) {
    itsBoard->SetPosition(position);
    itsBoard->Diagram().SetPackedMarks(marks.Packed());
    itsBoard->Redraw();
}

void TBookWindowForm::ShowDiagramMarks(const TSquareMarks& marks) {
    itsBoard->Diagram().SetPackedMarks(marks.Packed());
    itsBoard->Redraw();
}

void TBookWindowForm::UpdateDiagramSquares(const TPackedPosition& position,
                                           const std::vector<TSquare>& squares) {
    for (TSquare square : squares)
        if (square != kNoSquare && !IsOffBoard(square)) itsBoard->SetSquare(position.Piece(square), square);
    itsBoard->update();
}

void TBookWindowForm::SlideDiagramPiece(std::uint32_t moveCode) {
    itsBoard->SlideMove(moveCode);
}

void TBookWindowForm::PutDiagramPieceBack() {
    itsWindow.DrawBoard();
}

void TBookWindowForm::CopyToClipboard(const std::string& text) {
    QApplication::clipboard()->setText(QString::fromStdString(text));
}

void TBookWindowForm::StartDelayedRefresh() {
    itsDelayedRefreshTimer->start();
}

void TBookWindowForm::StopDelayedRefresh() {
    itsDelayedRefreshTimer->stop();
}

void TBookWindowForm::SetWaitCursor(bool busy) {
    if (busy == itsWaiting) return;
    itsWaiting = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

// Another child becoming active saves this window's record; coming back reloads it. The area also
// reports no child while a message box has the focus: that changes nothing, so a box shown in the
// middle of a command does not reload the position under it.
void TBookWindowForm::WatchActivation() {
    if (itsWatchingActivation) return;
    auto* child = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (child == nullptr || child->mdiArea() == nullptr) return;
    itsWatchingActivation = true;
    itsActive = child->mdiArea()->activeSubWindow() == child;
    // A book window opened alone takes the room the main window offers; more of them keep their
    // own size, so that cascading and tiling have something to arrange.
    if (child->mdiArea()->subWindowList().size() == 1) {
        const QSize room = child->mdiArea()->viewport()->size();
        child->setGeometry(QRect(QPoint(0, 0), child->size().expandedTo(room)));
    }
    connect(child->mdiArea(), &QMdiArea::subWindowActivated, this, [this, child](QMdiSubWindow* active) {
        if (active == nullptr) return;
        const bool nowActive = active == child;
        if (nowActive == itsActive) return;
        itsActive = nowActive;
        Run([&] { nowActive ? itsWindow.Activate() : itsWindow.Deactivate(); });
    });
}

// ---- The board

void TBookWindowForm::BoardMouseUp(Qt::MouseButton button) {
    if (button != Qt::LeftButton) return;
    const TPackedMove move = itsBoard->PendingMove();
    // A click without a drag leaves no move behind.
    if (move.itsFrom == 0 && move.itsTo == 0) return;
    Run([&] { itsWindow.BoardMove(move); });
}

void TBookWindowForm::BoardNotification(int code) {
    if (code == kDiagramSettingsChanged) FitBoardSide();
    if (code != kDiagramMarksChanged) return;
    const TDiagramMenuAction action = itsBoard->LastMenuAction();
    if (action.itsIndex < 0 || action.itsIndex > 3) return;
    Run([&] { itsWindow.DiagramMarkAction(action.itsIndex, action.itsSquare); });
}

} // namespace marvek::gui
