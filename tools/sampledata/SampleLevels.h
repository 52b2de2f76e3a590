// The sample game's levels: the scenes "Level_S_L" for 40 stages of 4
// levels. Level number k = 4 x (stage - 1) + (level - 1) plays kind k mod 27
// in the factory's order, so every kind comes round about six times; the
// kind's level maker builds the scene (its first record carries the level
// properties) and adds the pictures it names. A kind without a maker yet
// leaves its levels out.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "resources/ImageLib.h"
#include "tools/sampledata/SceneDbWriter.h"

namespace Kivo {

// Where a level sits in the game.
struct LevelSlot {
  int stage = 1;       // 1..40
  int level = 1;       // 1..4
  int number = 0;      // k = 4 x (stage - 1) + (level - 1)
  int appearance = 0;  // k / 27: 0 the kind's first level, then 1, 2 ...
  std::string type;    // the factory's type string, kind k mod 27
};

// The pictures a level maker adds; a key added twice keeps its first picture.
class LevelAssets {
 public:
  struct Picture {
    DtmImage entry;
    ImageLib::Image image;
  };
  // Adds the picture at "data/images/levels/<key>.png" with the given cell grid.
  void Add(const std::string& key, ImageLib::Image image, int columns = 1, int rows = 1);
  bool Has(const std::string& key) const { return mPictures.count(key) != 0; }
  const std::map<std::string, Picture>& Pictures() const { return mPictures; }
  // A further scene a level names (a sub-level); written after the levels.
  void AddScene(const std::string& name, DtmRecord root) { mScenes.emplace_back(name, std::move(root)); }
  const std::vector<std::pair<std::string, DtmRecord>>& Scenes() const { return mScenes; }

 private:
  std::map<std::string, Picture> mPictures;
  std::vector<std::pair<std::string, DtmRecord>> mScenes;
};

using LevelMaker = DtmRecord (*)(const LevelSlot& slot, LevelAssets& assets);

// The slot of stage and level, both counted from 1.
LevelSlot SampleLevelSlot(int stage, int level);
// The maker of a type string, or null while the kind has none.
LevelMaker SampleLevelMaker(const std::string& type);

// Adds every level that has a maker, and the pictures they name, to writer.
bool AddSampleLevels(SceneDatabaseWriter& writer, LevelAssets& assets, std::string* error);
// Writes the pictures the levels named under folder.
bool WriteSampleLevelPictures(const std::string& folder, const LevelAssets& assets, std::string* error);

}  // namespace Kivo
