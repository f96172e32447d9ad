#pragma once

#include <QDialog>
#include <QString>

// The about box: the program's name and version, what it is, and the notices for the libraries
// and fonts it uses.

class QLabel;

namespace marvek::gui {

// The program's version as the build gives it ("0.1").
QString ProgramVersion();

class TAboutBox : public QDialog {
    Q_OBJECT

public:
    explicit TAboutBox(QWidget* parent = nullptr);

    // Shows the box modally until OK.
    void Run();

    // The box's texts, top to bottom.
    QStringList Texts() const;

protected:
    // Runs the dialog; tests answer here instead of waiting for a user.
    virtual int ExecDialog() { return exec(); }

private:
    QList<QLabel*> itsTexts;
};

} // namespace marvek::gui
