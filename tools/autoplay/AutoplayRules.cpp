#include "tools/autoplay/AutoplayRules.h"

#include "tools/autoplay/rules/FuseTileRules.h"
#include "tools/autoplay/rules/HintRules.h"
#include "tools/autoplay/rules/PicturePuzzleRules.h"
#include "tools/autoplay/rules/QuestRules.h"

namespace Kivo {

namespace {

struct RuleRow {
  const char* type;
  AutoplayRule rule;  // null: no rule yet
};

// The factory's order; each kind's rules file fills its own row.
const RuleRow kRules[] = {
    {"find_list_mask", nullptr},
    {"find_list_text", nullptr},
    {"find_diff", FollowHintRule},
    {"find_ident", FollowHintRule},
    {"find_list_object", nullptr},
    {"pict_move", PictMoveRule},
    {"pict_rotate", PictRotateRule},
    {"pict_15", Pict15Rule},
    {"pict_puzzle", PictPuzzleRule},
    {"lamps", LampsRule},
    {"tarnivelle", FuseTileRule},
    {"jumper", nullptr},
    {"cards", nullptr},
    {"balance", nullptr},
    {"akva", nullptr},
    {"quest", QuestRule},
    {"dusk", FollowHintRule},
    {"seif", nullptr},
    {"hunter", nullptr},
    {"puzzle", nullptr},
    {"towers", TowersRule},
    {"assoc", nullptr},
    {"circlepuzzle", nullptr},
    {"pairs", nullptr},
    {"starmap", nullptr},
    {"what_new", nullptr},
    {"trubo_game", nullptr},
};

}  // namespace

AutoplayRule AutoplayRuleFor(const std::string& type) {
  for (const RuleRow& row : kRules) {
    if (type == row.type) return row.rule;
  }
  return nullptr;
}

}  // namespace Kivo
