// TEngineButton: start, show or stop the chosen engine; other buttons change its settings first.
#include "engines/EngineButton.h"

#include "platform/File.h"

namespace marvek {

void TEngineButton::LeftClick() {
    const TEngineProtocol protocol = itsHost.ChosenProtocol();
    TEngineRunner& runner = Runner(protocol);
    if (runner.IsEngineRunning()) {
        if (itsHost.IsEngineWindowVisible(protocol)) {
            runner.StopEngine();
            itsHost.ShowEngineWindow(protocol, false);
            itsHost.ShowPlayButtons(false);
        } else {
            itsHost.ShowEngineWindow(protocol, true);
            itsHost.ShowPlayButtons(true);
        }
        return;
    }
    bool started = false;
    if (protocol == TEngineProtocol::kWinboard) {
        const std::string folder = itsHost.TablebaseFolder();
        std::string arguments;
        if (!folder.empty()) {
            std::string withSlash = folder.back() == '/' ? folder : folder + "/";
            if (!FileExists(withSlash + "kbk.nbb.emd"))
                itsHost.ShowMessage("The Nalimov tablebase files were not found in \"" + folder + "\"");
            arguments = "tbpath=" + folder;
        }
        started = runner.StartEngine(itsHost.EngineCommand(protocol), arguments);
    } else {
        started = runner.StartEngine(itsHost.EngineCommand(protocol));
    }
    if (!started) return;
    itsHost.ShowEngineWindow(protocol, true);
    itsHost.ShowPlayButtons(true);
    itsHost.AnalysisStarted();
}

void TEngineButton::OtherClick() {
    itsHost.RunEngineSettingsDialog();
    if (itsUci.IsEngineRunning()) itsUci.StopEngine();
    if (itsWinboard.IsEngineRunning()) itsWinboard.StopEngine();
    LeftClick();
}

} // namespace marvek
