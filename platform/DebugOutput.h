// Debugger output: OutputDebugStringA.
//
// There is no debugger to listen here, so the text goes, byte for byte and
// without an added line feed (callers end their own lines), to the game log
// when GAME_LOG names one, else to stderr. Calls from several threads do not
// interleave within one call.
//
// Test seam: a capture function takes every text instead of the log.
#pragma once

#include <functional>
#include <string>

void OutputDebugStringA(const char* text);

namespace Platform {

// While set, every debugger text goes to `capture` instead; nullptr ends it.
void CaptureDebugOutput(std::function<void(const std::string&)> capture);

}  // namespace Platform
