#include "tools/sampledata/SampleMap.h"

#include <algorithm>
#include <filesystem>

#include "tools/sampledata/DataWriters.h"
#include "tools/sampledata/SampleDrawing.h"
#include "tools/sampledata/SampleLevels.h"
#include "tools/sampledata/levels/LevelPictures.h"

namespace Kivo {

namespace {

using namespace sample;

// The controls scene draws these; the map shares them.
constexpr int kSharedStagePictures = 5;

const wchar_t* const kTitles[kSampleStages] = {L"The Old Garden",
                                               L"The Attic",
                                               L"The Harbour",
                                               L"The Clock Tower",
                                               L"The Library",
                                               L"The Lighthouse",
                                               L"The Market",
                                               L"The Mill",
                                               L"The Orchard",
                                               L"The Cellar",
                                               L"The Stone Bridge",
                                               L"The Greenhouse",
                                               L"The Station",
                                               L"The Bakery",
                                               L"The Forest Path",
                                               L"The Observatory",
                                               L"The Boathouse",
                                               L"The Workshop",
                                               L"The Chapel Ruins",
                                               L"The Meadow",
                                               L"The Museum",
                                               L"The Inn",
                                               L"The Caves",
                                               L"The Vineyard",
                                               L"The Castle Gate",
                                               L"The Theatre",
                                               L"The Fishing Village",
                                               L"The Old Mine",
                                               L"The Island",
                                               L"The Winter Lodge",
                                               L"The Palace Kitchen",
                                               L"The Tower Stairs",
                                               L"The Hall of Maps",
                                               L"The Treasury",
                                               L"The Bell Tower",
                                               L"The Sunken Garden",
                                               L"The Crypt",
                                               L"The Throne Room",
                                               L"The Roof",
                                               L"The Sage's Study"};

// What the player is after, by level within the stage.
const wchar_t* const kQuests[kSampleLevelsPerStage] = {
    L"Somebody has been here before you and left everything in disorder.",
    L"A torn page of the sage's notebook points further in.", L"The trail grows fainter, and the sage grows impatient.",
    L"One last search, and the way to the next place is open."};

const wchar_t* const kFacts[] = {
    L"People came here long before the first map was drawn.",
    L"The walls were built from stone carried from the hills.",
    L"Every hundred years the place was mended and painted anew.",
    L"Its keys were kept by one family for seven generations.",
    L"Travellers once paid a copper coin to pass.",
    L"The oldest object found here is a bronze button.",
    L"On clear days the sea can be seen from its highest window.",
};

struct KindGoal {
  const char* type;
  const wchar_t* goal;
};

const KindGoal kGoals[] = {
    {"find_list_mask", L"Find every item whose outline is on the list."},
    {"find_list_text", L"Find every item named on the list."},
    {"find_diff", L"Spot the differences between the two pictures."},
    {"find_ident", L"Find the objects that look exactly alike."},
    {"find_list_object", L"Find the objects shown on the list."},
    {"pict_move", L"Move the pieces until the picture is whole."},
    {"pict_rotate", L"Turn the pieces until the picture is whole."},
    {"pict_15", L"Slide the tiles back into order."},
    {"pict_puzzle", L"Put the picture together."},
    {"lamps", L"Light every lamp."},
    {"tarnivelle", L"Join the tiles so that the current flows."},
    {"jumper", L"Bounce the jumper up to the goal."},
    {"cards", L"Turn the cards over and find every pair."},
    {"balance", L"Bring the scales into balance."},
    {"akva", L"Set the aquarium right."},
    {"quest", L"Use what you find in the right places."},
    {"dusk", L"Find the items in the dark with your lamp."},
    {"seif", L"Open the safe."},
    {"hunter", L"Catch the birds before they fly away."},
    {"puzzle", L"Fit the pieces of the puzzle together."},
    {"towers", L"Rebuild the tower on the last peg."},
    {"assoc", L"Group the things that belong together."},
    {"circlepuzzle", L"Turn the rings until the picture fits."},
    {"pairs", L"Find the matching pairs."},
    {"starmap", L"Join the stars into their constellation."},
    {"what_new", L"Find what has changed in the picture."},
    {"trubo_game", L"Turn the pipes so that the water flows."},
};

std::wstring Goal(const std::string& type) {
  for (const KindGoal& goal : kGoals) {
    if (type == goal.type) return goal.goal;
  }
  return L"Solve the puzzle.";
}

std::string Key(const char* prefix, int stage) { return prefix + std::to_string(stage); }
std::string Key(const char* prefix, int stage, int level) {
  return prefix + std::to_string(stage) + "_" + std::to_string(level);
}

// The stage's landscape: the same scene, in the same sky and ground, that
// the picture kinds of the stage's levels cut their tiles from, so the map
// shows the place the player is about to play.
ImageLib::Image StagePicture(int stage, int width, int height) {
  static const uint32_t skies[4] = {0x5A8AD0, 0x7A9AC8, 0x4A78B0, 0x8AA0D8};
  static const uint32_t grounds[5] = {0x4A8A3A, 0x6A8A30, 0x3A7A4A, 0x7A7A38, 0x5A9040};
  return levelpics::Backdrop(width, height, skies[stage % 4], grounds[stage % 5], stage);
}

// Each pixel the mean of the source pixels it covers: a small picture that
// keeps the scene's look rather than a new scene drawn at a small size.
ImageLib::Image Shrunk(const ImageLib::Image& source, int width, int height) {
  return Picture(width, height, [&source, width, height](int x, int y) {
    const int left = x * source.width / width;
    const int right = std::max(left + 1, (x + 1) * source.width / width);
    const int top = y * source.height / height;
    const int bottom = std::max(top + 1, (y + 1) * source.height / height);
    uint32_t sum[3] = {0, 0, 0};
    for (int sy = top; sy < bottom; ++sy) {
      for (int sx = left; sx < right; ++sx) {
        const uint32_t pixel = source.pixels[static_cast<size_t>(sy) * source.width + sx];
        sum[0] += (pixel >> 16) & 0xFF;
        sum[1] += (pixel >> 8) & 0xFF;
        sum[2] += pixel & 0xFF;
      }
    }
    const uint32_t count = static_cast<uint32_t>((right - left) * (bottom - top));
    return Opaque((sum[0] / count) << 16 | (sum[1] / count) << 8 | sum[2] / count);
  });
}

// A padlock on a dim stone grey: a stage not reached yet.
ImageLib::Image LockedPicture(int width, int height) {
  return Picture(width, height, [width, height](int x, int y) {
    const int cx = width / 2;
    const int dx = x - cx;
    const int bodyTop = height / 2 - 2;
    const bool body = dx > -12 && dx < 12 && y >= bodyTop && y < bodyTop + 16;
    const int ry = y - bodyTop;
    const int ring = dx * dx + ry * ry;
    const bool shackle = y < bodyTop && ring < 10 * 10 && ring >= 6 * 6;
    if (body || shackle) return Opaque(0xB0B0A8);
    return Opaque(0x383838 + 0x010101 * static_cast<uint32_t>(16 * y / height));
  });
}

MapPicture Entry(const std::string& key, ImageLib::Image image) {
  return {{key, "data/images/map/" + key + ".png", false, 1, 1}, std::move(image)};
}

}  // namespace

std::wstring StageTitle(int stage) {
  return stage >= 1 && stage <= kSampleStages ? kTitles[stage - 1] : std::wstring();
}

ImageLib::Image StageThumbnail(int stage) { return Shrunk(StagePicture(stage, 240, 160), 120, 80); }

ImageLib::Image LockedStageThumbnail() { return LockedPicture(64, 48); }

std::vector<MapPicture> MapPictures() {
  std::vector<MapPicture> pictures;
  for (int stage = kSharedStagePictures + 1; stage <= kSampleStages; ++stage) {
    pictures.push_back(Entry(Key("stage_", stage), StageThumbnail(stage)));
  }
  for (int stage = 1; stage <= kSampleStages; ++stage) {
    pictures.push_back(Entry(Key("stage_picture_", stage), StagePicture(stage, 240, 160)));
  }
  return pictures;
}

bool AddMapPictures(SceneDatabaseWriter& writer, std::string* error) {
  for (const MapPicture& picture : MapPictures()) {
    if (!writer.AddImage(picture.entry, error)) return false;
  }
  return true;
}

bool WriteMapPictures(const std::string& folder, std::string* error) {
  for (const MapPicture& picture : MapPictures()) {
    if (!WriteSamplePicture(std::filesystem::path(folder) / picture.entry.path, picture.image, error)) return false;
  }
  return true;
}

std::vector<std::pair<std::string, std::wstring>> MapTexts() {
  std::vector<std::pair<std::string, std::wstring>> texts;
  for (int stage = 1; stage <= kSampleStages; ++stage)
    texts.emplace_back(Key("stage_title_", stage), StageTitle(stage));
  for (int stage = 1; stage <= kSampleStages; ++stage) {
    for (int level = 1; level <= kSampleLevelsPerStage; ++level) {
      const int number = kSampleLevelsPerStage * (stage - 1) + (level - 1);
      std::wstring story = StageTitle(stage) + L", part " + std::to_wstring(level) + L". " + kQuests[level - 1];
      // The first level keeps its own opening words.
      if (number == 0) {
        story =
            L"The garden gate stands open. Somebody has scattered the gardener's tools among "
            L"the flower beds, and the sage asks you to find them before nightfall.";
      }
      texts.emplace_back(Key("level_story_", stage, level), story);
      texts.emplace_back(Key("level_fact_", stage, level), kFacts[number % (sizeof kFacts / sizeof kFacts[0])]);
      texts.emplace_back(Key("level_goal_", stage, level), Goal(SampleLevelSlot(stage, level).type));
    }
  }
  return texts;
}

}  // namespace Kivo
