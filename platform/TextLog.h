// The drawn-text log of the game's gallery runs (GAME_TEXT_LOG=<file>): every
// string drawn is written once as it is first seen, and each frame saved by
// GAME_FRAME_DUMP is written as a block of the texts drawn in it, with their
// boxes and colours, and the lines its frame listener adds (the game lists
// the objects a player can press). Without the variable nothing is kept and
// the calls cost one flag test.
//
// Format, one item a line:
//   text "STRING"                               first draw of STRING
//   frame NAME                                  a saved frame; then its lines
//   + text X Y W H AARRGGBB DW DH "STRING"      box after clipping (W, H may be 0),
//                                               colour, size of the drawn-on image
//   + LINE                                      a line of the frame listener
//   end
// Strings are UTF-8 with \", \\ and \n escaped.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace Platform {

bool TextLogWanted();

// One string drawn: its box in pixels of the image drawn on (DW x DH).
void NoteDrawnText(int x, int y, int width, int height, std::uint32_t argb, int destWidth, int destHeight,
                   const std::wstring& text);

// A frame is being presented: the texts noted since the last one belong to
// it. With dumpName set it is saved under that name and written as a block.
void EndTextFrame(const std::string& dumpName);

// Lines added to each saved frame's block, asked for on the presenting
// thread; one listener at a time (an empty function removes it).
void SetTextFrameListener(std::function<std::vector<std::string>()> listener);

// The quoted form used in the log.
std::string QuoteLogText(const std::string& utf8);

}  // namespace Platform
