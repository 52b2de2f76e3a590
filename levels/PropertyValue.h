// Lookups the scene-driven kinds share: an object's own property by its
// exact key, the playfield draw (every level object, the HUD at the
// "game_menu_draw" anchor) and the update interval that millisecond timers
// and XML scenes advance by.
//
// FindPropertyValue compares whole keys ("_Element" does not match
// "_Elements" or "_Elem") and hands back a reference: into the object's
// list, or to one shared empty string that lives as long as the program. A
// caller that keeps the value copies it, since the list may change.
#pragma once

#include <string>

#include "engine/EngineObject.h"
#include "levels/MiniGame.h"
#include "ui/Graphics.h"

namespace Kivo {

class MiniGame;

const std::string& FindPropertyValue(const sObj* object, const std::string& key);

// The application's update interval in milliseconds (10 without one).
int UpdateIntervalMs();

}  // namespace Kivo
