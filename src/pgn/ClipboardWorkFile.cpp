// The clipboard's PGN text put into CLIPBRD.PGN in the program folder.
#include "pgn/ClipboardWorkFile.h"

#include <cstdio>

#include "app/UserInterface.h"
#include "platform/Folders.h"

namespace marvek {

std::string ClipboardPgnText(const std::string& text) {
    const bool hasTagLine = text.starts_with('[') || text.find("\n[") != std::string::npos;
    return hasTagLine ? text : "[Event \"?\"]\n" + text;
}

std::string WriteClipboardWorkFile(const std::string& text) {
    const std::string path = ProgramFolder() + kClipboardWorkFileName;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    bool written = file != nullptr && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (file != nullptr && std::fclose(file) != 0) written = false;
    if (!written) {
        UserInterface().ShowMessage("Could not create a temporary work file in the program's directory.");
        return {};
    }
    return path;
}

} // namespace marvek
