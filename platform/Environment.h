// Settings from the environment, the per-user folders, and the log.
//
// Settings come from the environment only, never from the command line:
//   GAME_BACKEND       "sdl2" or "headless" (default: sdl2 when a display works)
//   GAME_HOME          root of config, data and runtime files (tests, portable use)
//   GAME_INPUT_SCRIPT  headless input script
//   GAME_LOG           log file (appended); stderr always gets the lines too
//   GAME_NO_DIRECTX    "1" hides the display and sound libraries from LoadLibraryA
#pragma once

#include <string>

namespace Platform {

// The value of an environment variable, empty when unset.
std::string EnvironmentValue(const char* name);

// Where the registry store lives: $GAME_HOME/config, else
// $XDG_CONFIG_HOME/kivo, else ~/.config/kivo.
std::string ConfigRoot();

// The per-user and common application-data folder: $GAME_HOME/data, else
// $XDG_DATA_HOME, else ~/.local/share.
std::string DataRoot();

// Folder for lock files and sockets: $GAME_HOME/run, else $XDG_RUNTIME_DIR,
// else /tmp.
std::string RuntimeRoot();

// The harness's file and folder variables (GAME_HOME, GAME_LOG,
// GAME_INPUT_SCRIPT, GAME_FRAME_OUT, GAME_FRAME_DUMP, GAME_AUDIO_OUT,
// GAME_AUTOPLAY, GAME_AUTOPLAY_PLAN): the relative ones are made absolute
// against the current folder. The program calls it before it changes folder,
// so a relative path names a place in the folder it was started from.
void AnchorHarnessPaths();

// Creates the folder and its parents; true when it exists afterwards.
bool MakeHostFolders(const std::string& hostPath);

// One line to stderr and to the GAME_LOG file. Thread-safe; a trailing
// newline is added when missing.
void Log(const std::string& line);

// Makes Log watch for lines holding `text` (the headless script's await).
void WatchLogFor(const std::string& text);
// True once a line holding a watched text has been logged.
bool LogHasShown(const std::string& text);

}  // namespace Platform

// Debugger output (platform/DebugOutput.h): the log, else stderr.
void OutputDebugStringA(const char* text);
