// TEngineWindow: the tool window of one analysis engine, drawing what its session's display
// says; TUCIEngineWindow and TWinboardEngineWindow are its two kinds.
#pragma once

#include <QWidget>
#include <memory>

#include "engines/EngineRunner.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace marvek {
class TSettings;
}

namespace marvek::gui {

class TEngineLoadingForm;

// The sign of a rate letter as the engine windows show it.
QString RateSignText(const std::string& glyph);

class TEngineWindow : public QWidget {
    Q_OBJECT

public:
    // How often the engine's pipe is looked at.
    static constexpr int kPollIntervalMs = 400;

    ~TEngineWindow() override;

    TEngineRunner& Runner() { return *itsRunner; }
    TEngineSession& Session() { return *itsSession; }
    TEngineProtocol Protocol() const { return itsRunner->Protocol(); }

    // The preferences again: startup commands, thresholds and nickname (the nickname at once).
    void ApplySettings();
    void SetNickname(const std::string& nickname);
    // Draws what the session's display says now.
    void Redraw();
    // One tick of the poll timer: the pipe read, then a redraw.
    void PollTick();
    // Stores the window's place into the settings record.
    void StoreBounds();
    // Shows the command edit and Send, hidden until someone needs to talk to the engine directly.
    void ShowCommandLine(bool visible);

    // For tests and the main window.
    QLabel* RateSign() const { return itsRateSign; }
    QPlainTextEdit* LineMemo() const { return itsLine; }
    QPlainTextEdit* PreviousLineMemo() const { return itsPreviousLine; }
    QLabel* NodesLabel() const { return itsNodes; }
    QLabel* SecondsLabel() const { return itsSeconds; }
    QLabel* NodesPerSecondLabel() const { return itsNodesPerSecond; }
    QLabel* DepthLabel() const { return itsDepth; }
    QLabel* ProgramNameLabel() const { return itsProgramName; }
    QLabel* AuthorLabel() const { return itsAuthor; }
    QLabel* VersionLabel() const { return itsVersion; }
    QLabel* ConnectedLabel() const { return itsConnected; }
    QLineEdit* NicknameEdit() const { return itsNickname; }
    QCheckBox* AppendNodeCountBox() const { return itsAppendNodeCount; }
    QPushButton* ResetButton() const { return itsResetButton; }
    QPushButton* HideButton() const { return itsHideButton; }
    QLineEdit* CommandEdit() const { return itsCommandEdit; }
    QPushButton* SendButton() const { return itsSendButton; }
    QTimer* PollTimer() const { return itsPollTimer; }

signals:
    void AppendNodeCountChanged(bool append);
    // The window was closed and its engine stopped.
    void Closed();

protected:
    TEngineWindow(TSettings& settings, std::unique_ptr<TEngineSession> session, TEngineProtocol protocol,
                  QWidget* parent);

    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void MakeControls();
    void LoadTexts();
    void ApplyStoredBounds();
    void ShowLoading(bool loading);
    bool IsUci() const { return Protocol() == TEngineProtocol::kUci; }

    TSettings& itsSettings;
    std::unique_ptr<TEngineSession> itsSession;
    std::unique_ptr<TEngineRunner> itsRunner;
    TEngineLoadingForm* itsLoadingForm = nullptr;

    QLabel* itsRateSign = nullptr;
    QPlainTextEdit* itsLine = nullptr;
    QPlainTextEdit* itsPreviousLine = nullptr;
    QLabel* itsNodesCaption = nullptr;
    QLabel* itsSecondsCaption = nullptr;
    QLabel* itsNodesPerSecondCaption = nullptr;
    QLabel* itsDepthCaption = nullptr;
    QLabel* itsNodes = nullptr;
    QLabel* itsSeconds = nullptr;
    QLabel* itsNodesPerSecond = nullptr;
    QLabel* itsDepth = nullptr;
    QLabel* itsProgramNameCaption = nullptr;
    QLabel* itsProgramName = nullptr;
    QLabel* itsAuthorCaption = nullptr;
    QLabel* itsAuthor = nullptr;
    QLabel* itsVersionCaption = nullptr;
    QLabel* itsVersion = nullptr;
    QLabel* itsNicknameCaption = nullptr;
    QLineEdit* itsNickname = nullptr;
    QLabel* itsConnected = nullptr;
    QLabel* itsIterations = nullptr;
    QCheckBox* itsAppendNodeCount = nullptr;
    QPushButton* itsResetButton = nullptr;
    QPushButton* itsHideButton = nullptr;
    QLineEdit* itsCommandEdit = nullptr;
    QPushButton* itsSendButton = nullptr;
    QTimer* itsPollTimer = nullptr;
    bool itsBoundsApplied = false;
    // Set while the window takes its stored place, so that place is not written back half made.
    bool itsPlacing = false;
};

// The UCI engine's window: it has a Reset button.
class TUCIEngineWindow : public TEngineWindow {
    Q_OBJECT

public:
    explicit TUCIEngineWindow(TSettings& settings, QWidget* parent = nullptr);
};

// The Winboard engine's window: it shows the engine's version.
class TWinboardEngineWindow : public TEngineWindow {
    Q_OBJECT

public:
    explicit TWinboardEngineWindow(TSettings& settings, QWidget* parent = nullptr);
};

} // namespace marvek::gui
