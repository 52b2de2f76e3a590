#include "tools/sampledata/SampleLevels.h"

#include <filesystem>

#include "tools/sampledata/DataWriters.h"
#include "tools/sampledata/levels/DuskLevels.h"
#include "tools/sampledata/levels/FindListLevels.h"
#include "tools/sampledata/levels/FindSameLevels.h"
#include "tools/sampledata/levels/FuseTileLevels.h"
#include "tools/sampledata/levels/MovingPartsLevels.h"
#include "tools/sampledata/levels/SceneKindLevels.h"
#include "tools/sampledata/levels/PicturePuzzleLevels.h"
#include "tools/sampledata/levels/QuestLevels.h"

namespace Kivo {

namespace {

struct MakerRow {
  const char* type;
  LevelMaker make;  // null: the kind has no sample level yet
};

// The factory's order; each kind's writer fills its own row.
const MakerRow kMakers[] = {
    {"find_list_mask", MakeFindListMaskLevel},
    {"find_list_text", MakeFindListTextLevel},
    {"find_diff", MakeFindDiffLevel},
    {"find_ident", MakeFindIdentLevel},
    {"find_list_object", MakeFindListObjectLevel},
    {"pict_move", MakePictMoveLevel},
    {"pict_rotate", MakePictRotateLevel},
    {"pict_15", MakePict15Level},
    {"pict_puzzle", MakePictPuzzleLevel},
    {"lamps", MakeLampsLevel},
    {"tarnivelle", MakeTarnivelleLevel},
    {"jumper", MakeJumperLevel},
    {"cards", MakeCardsLevel},
    {"balance", MakeBalanceLevel},
    {"akva", MakeAkvaLevel},
    {"quest", MakeQuestLevel},
    {"dusk", MakeDuskLevel},
    {"seif", MakeSeifLevel},
    {"hunter", MakeHunterLevel},
    {"puzzle", MakeJigsawLevel},
    {"towers", MakeTowersLevel},
    {"assoc", MakeAssocLevel},
    {"circlepuzzle", MakeCirclePuzzleLevel},
    {"pairs", MakePairsLevel},
    {"starmap", MakeStarmapLevel},
    {"what_new", MakeWhatNewLevel},
    {"trubo_game", MakeTruboLevel},
};

constexpr int kKinds = static_cast<int>(sizeof(kMakers) / sizeof(kMakers[0]));

// Minutes on the hard-mode clock of a level whose kind sets none: long
// enough for a slow, careful player, and a running clock instead of "0:00".
constexpr int kDefaultClockMinutes = 10;

void GiveClock(DtmRecord& root) {
  for (const auto& [key, value] : root.properties) {
    if (key == "_iTimeMinut") return;
  }
  root.Property("_iTimeMinut", std::to_string(kDefaultClockMinutes));
}

}  // namespace

void LevelAssets::Add(const std::string& key, ImageLib::Image image, int columns, int rows) {
  if (Has(key)) return;
  Picture picture;
  picture.entry = {key, "data/images/levels/" + key + ".png", false, columns, rows};
  picture.image = std::move(image);
  mPictures.emplace(key, std::move(picture));
}

LevelSlot SampleLevelSlot(int stage, int level) {
  LevelSlot slot;
  slot.stage = stage;
  slot.level = level;
  slot.number = 4 * (stage - 1) + (level - 1);
  slot.appearance = slot.number / kKinds;
  slot.type = kMakers[slot.number % kKinds].type;
  return slot;
}

LevelMaker SampleLevelMaker(const std::string& type) {
  for (const MakerRow& row : kMakers) {
    if (type == row.type) return row.make;
  }
  return nullptr;
}

bool AddSampleLevels(SceneDatabaseWriter& writer, LevelAssets& assets, std::string* error) {
  for (int stage = 1; stage <= 40; ++stage) {
    for (int level = 1; level <= 4; ++level) {
      const LevelSlot slot = SampleLevelSlot(stage, level);
      LevelMaker make = SampleLevelMaker(slot.type);
      if (make == nullptr) continue;
      DtmRecord root = make(slot, assets);
      GiveClock(root);
      const std::string name = "Level_" + std::to_string(stage) + "_" + std::to_string(level);
      if (!writer.AddScene(name, root, error)) return false;
    }
  }
  for (const auto& [name, root] : assets.Scenes()) {
    if (!writer.AddScene(name, root, error)) return false;
  }
  for (const auto& [key, picture] : assets.Pictures()) {
    if (!writer.AddImage(picture.entry, error)) return false;
  }
  return true;
}

bool WriteSampleLevelPictures(const std::string& folder, const LevelAssets& assets, std::string* error) {
  const std::filesystem::path root(folder);
  for (const auto& [key, picture] : assets.Pictures()) {
    if (!WriteSamplePicture(root / picture.entry.path, picture.image, error)) return false;
  }
  return true;
}

}  // namespace Kivo
