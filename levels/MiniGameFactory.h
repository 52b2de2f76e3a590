// The factory of the 27 mini-game kinds: the level's "type_game" string,
// compared byte for byte and whole, chooses the kind; any other string, the
// empty one included, gives null and the level plays without a mini-game.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "levels/MiniGame.h"

namespace Kivo {

// A new mini-game of that type (owned by the caller), or null.
MiniGame* CreateMiniGame(const std::string& type);

// The type strings in the factory's order, kinds not built yet included.
const std::vector<std::string>& MiniGameTypes();

}  // namespace Kivo
