// TBookWindowFormDialogs: the book window's dialogs in Qt, and its child window's caption,
// closing and board orientation.
#pragma once

#include <QObject>

#include "bookwindow/BookWindowDialogs.h"

namespace marvek {
class TBookWindow;
}

namespace marvek::gui {

class TBookWindowForm;

// Lives as a child of the form and is the form's window's dialogs for as long as it lives.
class TBookWindowFormDialogs : public QObject, public TBookWindowDialogs {
    Q_OBJECT

public:
    explicit TBookWindowFormDialogs(TBookWindowForm& form);
    ~TBookWindowFormDialogs() override;

    bool EditPositionName(const std::string& oldName, const TNameCheck& check, std::string& name) override;
    bool ChooseJumpName(TJumpList& list) override;
    bool AskJumpName(std::string& text) override;
    bool SetupPosition(TBook2& book, const TPackedPosition& board, TPackedPosition& result,
                       std::string& name) override;
    std::optional<std::string> ChooseBookFile(const std::string& title, const std::string& folder,
                                              const std::string& fileName) override;
    void ShowBookStatistics(const TBookStatistics& statistics) override;

    void SetCaption(const std::string& caption) override;
    void CloseWindow() override;
    bool WhiteAtBottom() const override;
    void SetWhiteAtBottom(bool on) override;

private:
    TBookWindowForm& itsForm;
    // Kept apart from the form: the form is gone by the time its children are destroyed.
    TBookWindow& itsWindow;
};

} // namespace marvek::gui
