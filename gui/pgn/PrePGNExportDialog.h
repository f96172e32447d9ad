// TPrePGNExportDialog: "Export PGN", the file, tags and options of a PGN export.
#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QRadioButton;

namespace marvek {
class TSettings;
}

namespace marvek::gui {

// Every value comes from the PGN export settings and goes back there on OK. The line export shows
// "Export Comments"; the book's tree always carries its comments, so that export leaves it out.
class TPrePGNExportDialog : public QDialog {
    Q_OBJECT

public:
    enum TKind { kLine, kTree };
    static constexpr int kMaxTag = 65;

    // comment: the current position's comment, shown read-only beside the tags.
    TPrePGNExportDialog(TKind kind, const QString& comment, QWidget* parent = nullptr);

    void Load(const TSettings& settings);
    void Store(TSettings& settings) const;

    // Copy and Paste act on the field that has the focus.
    void CopyField();
    void PasteField();

    // The parts of the dialog, for tests.
    QLineEdit* Field(const QString& tag) const;
    QComboBox* ResultBox() const { return itsResult; }
    QRadioButton* EraseButton() const { return itsErase; }
    QCheckBox* CommentsBox() const { return itsComments; }
    QString FileName() const { return itsFileName; }
    void SetFileName(const QString& fileName);

protected:
    // The "PGN File..." button's save dialog; an empty answer keeps the file.
    virtual QString ChooseFile(const QString& current);

private:
    QLineEdit* FocusedField() const;

    QString itsFileName;
    QLabel* itsFileLabel = nullptr;
    QRadioButton* itsAppend = nullptr;
    QRadioButton* itsErase = nullptr;
    QCheckBox* itsComments = nullptr;
    QLineEdit* itsEvent = nullptr;
    QLineEdit* itsSite = nullptr;
    QLineEdit* itsDate = nullptr;
    QLineEdit* itsRound = nullptr;
    QLineEdit* itsWhite = nullptr;
    QLineEdit* itsBlack = nullptr;
    QLineEdit* itsEco = nullptr;
    QComboBox* itsResult = nullptr;
    QPlainTextEdit* itsComment = nullptr;
};

} // namespace marvek::gui
