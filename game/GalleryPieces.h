// The pieces, cards and targets a player presses, drags or finds in a
// running level, read from its kind's own objects for the gallery
// (GalleryMoments.h). Level objects a player finds (the finding kinds'
// items) are listed from the level's objects instead; the safe's wheels,
// drawn digits, are not listed.
#pragma once

#include <string>
#include <vector>

#include "ui/Graphics.h"

namespace Kivo {

class MiniGame;

struct GalleryPiece {
  std::string name;  // the kind's own name for it, or its role and number
  const char* kind;  // "piece", "card" or "target"
  Quad quad;         // on the screen
};

// type: the level's type_game.
std::vector<GalleryPiece> PiecesOf(const std::string& type, MiniGame& game);

}  // namespace Kivo
