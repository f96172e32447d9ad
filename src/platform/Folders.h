#pragma once

#include <string>

// Where the program keeps its files. Every folder returned ends with "/".

namespace marvek {

// The user's home folder ($HOME, else the password database).
std::string HomeFolder();

// The folder for the program's own lists and scratch files (MARVEK.INI, GAMES.INI, the game
// window's temporary book, engines): $MARVEK_HOME when set, else $XDG_DATA_HOME/marvek
// (~/.local/share/marvek). Created when missing.
std::string ProgramFolder();

// $XDG_CONFIG_HOME, else ~/.config.
std::string ConfigFolder();

// The settings store: ConfigFolder() + "Marvek/Marvek 2000 Vantro/".
std::string SettingsFolder();

// "~/Marvek Files/" and the default books and games folders inside it.
std::string MarvekFilesFolder();
std::string DefaultBooksFolder();
std::string DefaultGamesFolder();

// path with a "/" appended when it is non-empty and lacks one.
std::string WithTrailingSlash(std::string path);

} // namespace marvek
