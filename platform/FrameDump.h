// Frames saved at named moments, for the end-to-end tests of the game: with
// GAME_FRAME_DUMP=<dir> set, a named request saves the next presented frame
// as <dir>/<name>.png (both backends: headless saves the frame it keeps,
// sdl2 reads the window back before showing it). Without the variable a
// request does nothing.
//
// Requests are queued in order and each takes one later presented frame.
// A frame that cannot be saved is logged ("frame dump: NAME not saved ...")
// and the run goes on.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace Platform {

// True when GAME_FRAME_DUMP names a folder.
bool FrameDumpWanted();
// Asks for the next presented frame under `name` (letters, digits, '_', '-';
// anything else becomes '_').
void RequestFrameDump(const std::string& name);
// True while a request waits for its frame.
bool FrameDumpPending();
// A run that keeps only some of the named frames says which: a request
// whose (made safe) name the filter refuses is dropped at once. One filter
// at a time; an empty function keeps every request again.
void SetFrameDumpFilter(std::function<bool(const std::string& name)> keep);
// Backends, once per presented frame: the name the frame is to be saved
// under, taken off the queue; empty when none is waiting. It also closes the
// frame's list of drawn texts (TextLog.h).
std::string TakeFrameDumpRequest();
// Saves pixels (ARGB, `pitch` pixels a row) as <dir>/<name>.png and logs it.
bool SaveFrameDump(const std::string& name, const std::uint32_t* pixels, int width, int height, int pitch);

// Writes ARGB pixels as an 8-bit RGBA PNG, atomically. False on any failure.
bool WriteArgbPng(const std::string& path, const std::uint32_t* pixels, int width, int height, int pitch);

}  // namespace Platform
