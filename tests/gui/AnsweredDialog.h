#pragma once

#include <QPushButton>
#include <QString>
#include <functional>

// A dialog whose modal run is answered by the test: ExecDialog calls itsAnswer with the dialog,
// which clicks or ticks what it likes, and returns the result that leaves behind.

namespace marvek::testsupport {

template <class TDialog>
class TAnsweredDialog : public TDialog {
public:
    using TDialog::TDialog;

    std::function<void(TAnsweredDialog&)> itsAnswer;

    QPushButton* Button(const QString& text) const {
        for (QPushButton* button : this->template findChildren<QPushButton*>())
            if (button->text() == text) return button;
        return nullptr;
    }

protected:
    int ExecDialog() override {
        itsAnswer(*this);
        return this->result();
    }
};

} // namespace marvek::testsupport
