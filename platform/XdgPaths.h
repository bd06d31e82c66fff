#pragma once
// Where the program keeps its writable files, by the XDG base-directory
// conventions: configuration under $XDG_CONFIG_HOME (default ~/.config), data
// under $XDG_DATA_HOME (default ~/.local/share), each in a folder of the
// program's own name.
//
// All results are UTF-8 file-system paths without a trailing "/". A variable that
// is unset, empty or not an absolute path is ignored, as the conventions ask; the
// home folder is $HOME when that is absolute, else the user database's entry.
#include <string>

namespace platform {

// The program's folder name under the XDG base folders.
inline constexpr const char* kProgramFolderName = "outlinecrafter";

// $XDG_CONFIG_HOME, else <home>/.config. False when no home folder is known.
bool XdgConfigHome(std::string& out);

// $XDG_DATA_HOME, else <home>/.local/share. False when no home folder is known.
bool XdgDataHome(std::string& out);

// The settings file: <config home>/outlinecrafter/outlinecrafter.ini.
bool SettingsFilePath(std::string& out);

// The folder of the running program (no trailing "/"), where its read-only
// assets and the links of a document that has no folder of its own are looked
// for. False when the system does not say where the program is.
bool ProgramFolder(std::string& out);

// Makes the folder `path` and every missing folder above it, each new one with
// permissions 0700 (private to the user, as the conventions ask). True when the
// path names a folder afterwards.
bool MakeFolders(const std::string& path);

}  // namespace platform
