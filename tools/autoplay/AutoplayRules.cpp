#include "tools/autoplay/AutoplayRules.h"

#include "tools/autoplay/rules/FindListRules.h"
#include "tools/autoplay/rules/FuseTileRules.h"
#include "tools/autoplay/rules/HintRules.h"
#include "tools/autoplay/rules/MovingPartsRules.h"
#include "tools/autoplay/rules/PicturePuzzleRules.h"
#include "tools/autoplay/rules/QuestRules.h"
#include "tools/autoplay/rules/SceneKindRules.h"

namespace Kivo {

namespace {

struct RuleRow {
  const char* type;
  AutoplayRule rule;  // null: no rule yet
};

// The factory's order; each kind's rules file fills its own row.
const RuleRow kRules[] = {
    {"find_list_mask", FindListRule},
    {"find_list_text", FindListRule},
    {"find_diff", FollowHintRule},
    {"find_ident", FollowHintRule},
    {"find_list_object", FindListObjectRule},
    {"pict_move", PictMoveRule},
    {"pict_rotate", PictRotateRule},
    {"pict_15", Pict15Rule},
    {"pict_puzzle", PictPuzzleRule},
    {"lamps", LampsRule},
    {"tarnivelle", FuseTileRule},
    {"jumper", JumperRule},
    {"cards", CardsRule},
    {"balance", BalanceRule},
    {"akva", AkvaRule},
    {"quest", QuestRule},
    {"dusk", FollowHintRule},
    {"seif", SeifRule},
    {"hunter", HunterRule},
    {"puzzle", JigsawRule},
    {"towers", TowersRule},
    {"assoc", AssocRule},
    {"circlepuzzle", CirclePuzzleRule},
    {"pairs", PairsRule},
    {"starmap", StarmapRule},
    {"what_new", WhatNewRule},
    {"trubo_game", TruboRule},
};

}  // namespace

AutoplayRule AutoplayRuleFor(const std::string& type) {
  for (const RuleRow& row : kRules) {
    if (type == row.type) return row.rule;
  }
  return nullptr;
}

}  // namespace Kivo
