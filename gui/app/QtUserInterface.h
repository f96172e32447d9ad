// TQtUserInterface: the core's boxes, questions, beep and hourglass as Qt message boxes; and the
// program's icon.
#pragma once

#include <QIcon>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>

#include <string>

#include "app/UserInterface.h"

class QWidget;

namespace marvek::gui {

// The program's own icon (an open book with a knight), for its windows.
QIcon MarvekIcon();

// A text from the core as a box shows it: "\r" (alone or before "\n") breaks the line.
QString BoxText(const std::string& text);

// Boxes carry the application's name as their title and only the core's text inside, as plain
// text. Install one with SetUserInterface() for the life of the program.
class TQtUserInterface : public QObject, public TUserInterface {
    Q_OBJECT

public:
    explicit TQtUserInterface(QObject* parent = nullptr);
    // Takes back an hourglass that is still up.
    ~TQtUserInterface() override;
    TQtUserInterface(const TQtUserInterface&) = delete;
    TQtUserInterface& operator=(const TQtUserInterface&) = delete;

    // The window the boxes are centred on; without one, the active window.
    void SetParentWindow(QWidget* window) { itsParentWindow = window; }

    void ShowInformationBox(const std::string& title, const std::string& text, int helpContext) override;
    void ShowMessage(const std::string& text) override;
    void ShowError(const std::string& text) override;
    // Yes is the default button; Escape or closing the box answers No, or Cancel when offered.
    TAnswer Ask(const std::string& text, TButtons buttons, TBoxKind kind, int helpContext) override;
    void Beep() override;
    // Calls nest: the hourglass shows from the first true until the matching last false; a false
    // too many is ignored, so it never takes away a cursor somebody else set.
    void SetWaitCursor(bool busy) override;

    int WaitDepth() const { return itsWaitDepth; }

signals:
    // The Help button of a box was pressed. The box then comes back, so the user can still answer
    // it after reading the help.
    void HelpRequested(int helpContext);

protected:
    // Runs the finished box and answers the button that closed it. Tests override this to look at
    // the box and answer without a modal loop.
    virtual QMessageBox::StandardButton RunBox(QMessageBox& box);

private:
    QMessageBox::StandardButton Show(QMessageBox::Icon icon, const std::string& text,
                                     QMessageBox::StandardButtons buttons,
                                     QMessageBox::StandardButton safeButton, int helpContext);

    QPointer<QWidget> itsParentWindow;
    int itsWaitDepth = 0;
};

} // namespace marvek::gui
