#include "levels/MiniGameFactory.h"

#include "levels/AssocGame.h"
#include "levels/CardsGame.h"
#include "levels/CirclePuzzleGame.h"
#include "levels/DuskGame.h"
#include "levels/FindDiffGame.h"
#include "levels/FindIdentGame.h"
#include "levels/FindListGames.h"
#include "levels/HunterGame.h"
#include "levels/JumperGame.h"
#include "levels/LampsGame.h"
#include "levels/ObjectListGame.h"
#include "levels/PairsGame.h"
#include "levels/PictQuadGames.h"
#include "levels/QuestGame.h"
#include "levels/SeifGame.h"
#include "levels/TarnivelleGame.h"
#include "levels/TowersGame.h"
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
    {"find_list_mask", Make<FindListMaskGame>},
    {"find_list_text", Make<FindListTextGame>},
    {"find_diff", Make<FindDiffGame>},
    {"find_ident", Make<FindIdentGame>},
    {"find_list_object", Make<FindListObjectGame>},
    {"pict_move", Make<PictMoveGame>},
    {"pict_rotate", Make<PictRotateGame>},
    {"pict_15", Make<Pict15Game>},
    {"pict_puzzle", Make<PictPuzzleGame>},
    {"lamps", Make<LampsGame>},
    {"tarnivelle", Make<TarnivelleGame>},
    {"jumper", Make<JumperGame>},
    {"cards", Make<CardsGame>},
    {"balance", nullptr},
    {"akva", nullptr},
    {"quest", Make<QuestGame>},
    {"dusk", Make<DuskGame>},
    {"seif", Make<SeifGame>},
    {"hunter", Make<HunterGame>},
    {"puzzle", nullptr},
    {"towers", Make<TowersGame>},
    {"assoc", Make<AssocGame>},
    {"circlepuzzle", Make<CirclePuzzleGame>},
    {"pairs", Make<PairsGame>},
    {"starmap", nullptr},
    {"what_new", Make<WhatNewGame>},
    {"trubo_game", nullptr},
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
