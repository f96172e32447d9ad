// TRecordingBookDialogs: the book window's dialogs answered from a script, keeping what they were
// opened with.
#pragma once

#include "bookwindow/BookWindowDialogs.h"
#include "bookwindow/JumpList.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace marvek::test {

class TRecordingBookDialogs : public TBookWindowDialogs {
public:
    // Each entry is one press of OK with that name; nullopt is Cancel. The dialog stays open
    // while the check refuses, taking the next entry; with none left it is cancelled.
    bool EditPositionName(const std::string& oldName, const TNameCheck& check, std::string& name) override {
        itsRenameOpenedWith.push_back(oldName);
        while (!itsNameEntries.empty()) {
            const std::optional<std::string> entry = itsNameEntries.front();
            itsNameEntries.pop_front();
            if (!entry) return false;
            if (check(*entry)) {
                name = *entry;
                return true;
            }
        }
        return false;
    }
    bool ChooseJumpName(TJumpList& list) override {
        itsJumpListShown = list.Names();
        itsJumpHighlightShown = list.Highlighted();
        return itsJumpAnswer ? itsJumpAnswer(list) : false;
    }
    bool AskJumpName(std::string& text) override {
        if (!itsJumpText) return false;
        text = *itsJumpText;
        return true;
    }
    bool SetupPosition(TBook2& /*book*/, const TPackedPosition& board, TPackedPosition& result,
                       std::string& name) override {
        itsSetupOpenedWith = board;
        if (!itsSetupResult) return false;
        result = *itsSetupResult;
        name = itsSetupName;
        return true;
    }
    std::optional<std::string> ChooseBookFile(const std::string& title, const std::string& folder,
                                              const std::string& fileName) override {
        itsFileDialog = {title, folder, fileName};
        return itsChosenFile;
    }
    void ShowBookStatistics(const TBookStatistics& statistics) override { itsStatistics = statistics; }
    void SetCaption(const std::string& caption) override { itsCaption = caption; }
    void CloseWindow() override { ++itsCloses; }
    bool WhiteAtBottom() const override { return itsWhiteAtBottom; }
    void SetWhiteAtBottom(bool on) override { itsWhiteAtBottom = on; }

    std::deque<std::optional<std::string>> itsNameEntries;
    std::vector<std::string> itsRenameOpenedWith;
    std::function<bool(TJumpList&)> itsJumpAnswer;
    std::vector<std::string> itsJumpListShown;
    int itsJumpHighlightShown = -2;
    std::optional<std::string> itsJumpText;
    std::optional<TPackedPosition> itsSetupOpenedWith;
    std::optional<TPackedPosition> itsSetupResult;
    std::string itsSetupName;
    std::vector<std::string> itsFileDialog;
    std::optional<std::string> itsChosenFile;
    std::optional<TBookStatistics> itsStatistics;
    std::string itsCaption;
    int itsCloses = 0;
    bool itsWhiteAtBottom = true;
};

} // namespace marvek::test
