// TEngineButton: what the main window's engine button does with the engine of the chosen kind.
#pragma once

#include <string>

#include "engines/EngineRunner.h"

namespace marvek {

// What the button needs of the main window and the engine windows.
class TEngineButtonHost {
public:
    virtual ~TEngineButtonHost() = default;
    // The engine kind setting: Winboard or UCI.
    virtual TEngineProtocol ChosenProtocol() = 0;
    virtual std::string EngineCommand(TEngineProtocol protocol) = 0;
    virtual std::string TablebaseFolder() = 0;
    virtual bool IsEngineWindowVisible(TEngineProtocol protocol) = 0;
    virtual void ShowEngineWindow(TEngineProtocol protocol, bool visible) = 0;
    virtual void ShowPlayButtons(bool visible) = 0;
    // Tells the active book window that analysis started (it sends its position).
    virtual void AnalysisStarted() = 0;
    virtual void ShowMessage(const std::string& text) = 0;
    // The engine settings dialog, answered before it returns.
    virtual void RunEngineSettingsDialog() = 0;
};

class TEngineButton {
public:
    TEngineButton(TEngineButtonHost& host, TEngineRunner& uci, TEngineRunner& winboard)
        : itsHost(host), itsUci(uci), itsWinboard(winboard) {}

    // Left click: start the engine, or show its window, or stop it when its window shows.
    void LeftClick();
    // Any other button: the settings dialog, then every running engine stopped and a left click.
    void OtherClick();

private:
    TEngineRunner& Runner(TEngineProtocol protocol) {
        return protocol == TEngineProtocol::kUci ? itsUci : itsWinboard;
    }

    TEngineButtonHost& itsHost;
    TEngineRunner& itsUci;
    TEngineRunner& itsWinboard;
};

} // namespace marvek
