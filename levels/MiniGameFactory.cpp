#include "levels/MiniGameFactory.h"

#include "levels/AssocGame.h"
#include "levels/HunterGame.h"
#include "levels/PairsGame.h"
#include "levels/StarmapGame.h"
#include "levels/TruboGame.h"
#include "levels/WhatNewGame.h"

namespace Kivo {

namespace {

using Creator = MiniGame* (*)();

template <typename Kind>
MiniGame* Make() {
  return new Kind();  // a kind with another base first still converts to its MiniGame part
}

struct FactoryRow {
  const char* type;
  Creator create;  // null: the kind is not in this build yet
};

// The order is the game's: level data and the sample builder rely on it.
// One row per kind; each kind's unit fills its own row.
const FactoryRow kRows[] = {
    {"find_list_mask", nullptr},
    {"find_list_text", nullptr},
    {"find_diff", nullptr},
    {"find_ident", nullptr},
    {"find_list_object", nullptr},
    {"pict_move", nullptr},
    {"pict_rotate", nullptr},
    {"pict_15", nullptr},
    {"pict_puzzle", nullptr},
    {"lamps", nullptr},
    {"tarnivelle", nullptr},
    {"jumper", nullptr},
    {"cards", nullptr},
    {"balance", nullptr},
    {"akva", nullptr},
    {"quest", nullptr},
    {"dusk", nullptr},
    {"seif", nullptr},
    {"hunter", Make<HunterGame>},
    {"puzzle", nullptr},
    {"towers", nullptr},
    {"assoc", Make<AssocGame>},
    {"circlepuzzle", nullptr},
    {"pairs", Make<PairsGame>},
    {"starmap", Make<StarmapGame>},
    {"what_new", Make<WhatNewGame>},
    {"trubo_game", Make<TruboGame>},
};

}  // namespace

MiniGame* CreateMiniGame(const std::string& type) {
  for (const FactoryRow& row : kRows) {
    if (type == row.type) return row.create != nullptr ? row.create() : nullptr;
  }
  return nullptr;
}

const std::vector<std::string>& MiniGameTypes() {
  static const std::vector<std::string> types = [] {
    std::vector<std::string> out;
    for (const FactoryRow& row : kRows) out.push_back(row.type);
    return out;
  }();
  return types;
}

}  // namespace Kivo
