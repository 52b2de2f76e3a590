// What the builder draws for the boards of the kinds that play on a picture
// of their own: a textured backdrop covering the screen, pieces clear of the
// HUD panel, and the mark that shows a player where to act drawn where the
// level's data puts the target.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "tools/sampledata/SampleLevels.h"

namespace leveltest {
namespace {

using Kivo::DtmRecord;
using Kivo::LevelAssets;
using Kivo::LevelSlot;

const char* const kKinds[] = {"tarnivelle", "jumper", "cards",        "balance", "akva",    "seif",     "hunter",
                              "towers",     "assoc",  "circlepuzzle", "pairs",   "starmap", "what_new", "trubo_game"};

std::string Property(const DtmRecord& record, const std::string& key) {
  for (const auto& [k, v] : record.properties)
    if (k == key) return v;
  return "";
}

const DtmRecord* Child(const DtmRecord& root, const std::string& name) {
  for (const DtmRecord& child : root.children)
    if (child.name == name) return &child;
  return nullptr;
}

struct Made {
  LevelSlot slot;
  LevelAssets assets;
  DtmRecord root;
};

// The levels of the kind: its first and, where there is one, its second
// appearance.
std::vector<Made> LevelsOf(const std::string& type) {
  std::vector<Made> made;
  for (int stage = 1; stage <= 40 && made.size() < 2; ++stage) {
    for (int level = 1; level <= 4 && made.size() < 2; ++level) {
      const LevelSlot slot = Kivo::SampleLevelSlot(stage, level);
      if (slot.type != type) continue;
      made.emplace_back();
      made.back().slot = slot;
      made.back().root = Kivo::SampleLevelMaker(type)(slot, made.back().assets);
    }
  }
  return made;
}

const Kivo::ImageLib::Image* PictureOf(const Made& level, const std::string& key) {
  const auto found = level.assets.Pictures().find(key);
  return found == level.assets.Pictures().end() ? nullptr : &found->second.image;
}

// A pixel within radius of (x, y) on the picture, drawn over the record's
// rectangle, with each channel within 40 of the colour's.
bool ColourNear(const Kivo::ImageLib::Image& picture, const DtmRecord& on, float x, float y, float radius,
                uint32_t rgb) {
  const float scaleX = static_cast<float>(picture.width) / (on.corners[2] - on.corners[0]);
  const float scaleY = static_cast<float>(picture.height) / (on.corners[5] - on.corners[1]);
  const int cx = static_cast<int>((x - on.corners[0]) * scaleX);
  const int cy = static_cast<int>((y - on.corners[1]) * scaleY);
  const int r = static_cast<int>(radius * scaleX);
  for (int py = cy - r; py <= cy + r; ++py) {
    for (int px = cx - r; px <= cx + r; ++px) {
      if (px < 0 || py < 0 || px >= picture.width || py >= picture.height) continue;
      if ((px - cx) * (px - cx) + (py - cy) * (py - cy) > r * r) continue;
      const uint32_t pixel = picture.pixels[static_cast<size_t>(py * picture.width + px)];
      bool close = (pixel >> 24) == 0xFF;
      for (int shift : {0, 8, 16}) {
        close =
            close && std::abs(static_cast<int>((pixel >> shift) & 0xFF) - static_cast<int>((rgb >> shift) & 0xFF)) < 40;
      }
      if (close) return true;
    }
  }
  return false;
}

float CentreX(const DtmRecord& record) { return (record.corners[0] + record.corners[2]) / 2.0f; }
float CentreY(const DtmRecord& record) { return (record.corners[1] + record.corners[5]) / 2.0f; }

TEST(SampleBoards, EachLiesOnATexturedBackdropCoveringTheScreenWithItsPiecesLeftOfTheHud) {
  for (const char* type : kKinds) {
    for (const Made& level : LevelsOf(type)) {
      SCOPED_TRACE(std::string(type) + " Level_" + std::to_string(level.slot.stage) + "_" +
                   std::to_string(level.slot.level));
      const DtmRecord& root = level.root;
      EXPECT_EQ(root.corners[0], 0.0f);
      EXPECT_EQ(root.corners[1], 0.0f);
      EXPECT_GE(root.corners[2], 680.0f);
      EXPECT_EQ(root.corners[5], 600.0f);
      const Kivo::ImageLib::Image* backdrop = PictureOf(level, Property(root, "_keyImg"));
      ASSERT_NE(backdrop, nullptr);
      // Drawn at its size or near it, never a small tile stretched over the
      // screen; opaque everywhere; a texture, not a flat or two-tone fill.
      EXPECT_GE(backdrop->width, 680);
      bool opaque = true;
      for (uint32_t pixel : backdrop->pixels) opaque = opaque && (pixel >> 24) == 0xFF;
      EXPECT_TRUE(opaque);
      std::vector<uint32_t> colours;
      for (size_t k = 0; k < backdrop->pixels.size(); k += 5) colours.push_back(backdrop->pixels[k]);
      std::sort(colours.begin(), colours.end());
      EXPECT_GT(std::unique(colours.begin(), colours.end()) - colours.begin(), 1000);
      // Whatever the player presses or drags starts left of the panel.
      for (const DtmRecord& child : root.children) {
        if (child.name == "game_menu_draw" || child.corners[0] >= 680.0f) continue;  // the HUD's own and a store
        EXPECT_LE(child.corners[2], 680.0f) << child.name;
        EXPECT_LE(child.corners[5], 600.0f) << child.name;
      }
    }
  }
}

// Where the player acts, a mark of its own colour lies on the backdrop:
// rings of each star's colour at its place and the stars' colours on the
// small map; a gold ring and arrow over the aquarium's stone; a light over
// the water pipes' goal tile; rings at the places what's new shows its
// things; the gold outline of the stack on the towers' last pole; the circle
// puzzle's picture as it should end, small, beside the board.
TEST(SampleBoards, TheMarkOfWhereToActLiesWhereTheLevelPutsTheTarget) {
  for (const Made& level : LevelsOf("starmap")) {
    SCOPED_TRACE("starmap " + std::to_string(level.slot.appearance));
    const DtmRecord& root = level.root;
    const Kivo::ImageLib::Image* backdrop = PictureOf(level, Property(root, "_keyImg"));
    const DtmRecord* miniRecord = Child(root, "sprStarMini");
    ASSERT_TRUE(backdrop != nullptr && miniRecord != nullptr);
    const Kivo::ImageLib::Image* mini = PictureOf(level, Property(*miniRecord, "_keyImg"));
    ASSERT_NE(mini, nullptr);
    for (const char* name : {"sprStar0", "sprStar1"}) {
      const DtmRecord* star = Child(root, name);
      ASSERT_NE(star, nullptr);
      const Kivo::ImageLib::Image* picture = PictureOf(level, Property(*star, "_keyImg"));
      ASSERT_NE(picture, nullptr);
      const uint32_t colour =
          picture->pixels[static_cast<size_t>(picture->height / 2 * picture->width + picture->width / 2)];
      // The ring's bright core: the star's colour halfway to white.
      uint32_t light = 0;
      for (int shift : {0, 8, 16}) {
        const uint32_t c = (colour >> shift) & 0xFF;
        light |= (c + (255 - c) / 2) << shift;
      }
      EXPECT_TRUE(ColourNear(*backdrop, root, CentreX(*star), CentreY(*star), 24.0f, light)) << name;
      EXPECT_FALSE(ColourNear(*backdrop, root, CentreX(*star) + 100.0f, CentreY(*star) + 100.0f, 10.0f, light)) << name;
      bool onMap = false;
      for (uint32_t pixel : mini->pixels) onMap = onMap || (pixel & 0xFFFFFF) == (colour & 0xFFFFFF);
      EXPECT_TRUE(onMap) << name;
    }
  }
  const uint32_t kGold = 0xF0C020;
  for (const Made& level : LevelsOf("akva")) {
    const DtmRecord* stone = Child(level.root, "sprStone1");
    ASSERT_NE(stone, nullptr);
    const Kivo::ImageLib::Image* backdrop = PictureOf(level, Property(level.root, "_keyImg"));
    ASSERT_NE(backdrop, nullptr);
    EXPECT_TRUE(ColourNear(*backdrop, level.root, CentreX(*stone), stone->corners[1] - 40.0f, 14.0f, kGold));
    EXPECT_FALSE(ColourNear(*backdrop, level.root, CentreX(*stone) + 160.0f, stone->corners[1] - 40.0f, 14.0f, kGold));
  }
  for (const Made& level : LevelsOf("trubo_game")) {
    // The goal is the sixth tile of the board's last row.
    const DtmRecord* board = Child(level.root, "rectLevel");
    ASSERT_NE(board, nullptr);
    const Kivo::ImageLib::Image* backdrop = PictureOf(level, Property(level.root, "_keyImg"));
    ASSERT_NE(backdrop, nullptr);
    const float goalLeft = board->corners[0] + 5.0f * 64.0f;
    const float goalY = board->corners[1] + 6.5f * 64.0f;
    EXPECT_TRUE(ColourNear(*backdrop, level.root, goalLeft - 2.0f, goalY, 3.0f, 0x60C0FF));
    EXPECT_FALSE(ColourNear(*backdrop, level.root, goalLeft - 130.0f, goalY, 3.0f, 0x60C0FF));
  }
  for (const Made& level : LevelsOf("what_new")) {
    const Kivo::ImageLib::Image* backdrop = PictureOf(level, Property(level.root, "_keyImg"));
    ASSERT_NE(backdrop, nullptr);
    for (const char* name : {"item1", "item2"}) {
      const DtmRecord* item = Child(level.root, name);
      ASSERT_NE(item, nullptr);
      EXPECT_TRUE(ColourNear(*backdrop, level.root, CentreX(*item), CentreY(*item), 34.0f, 0xFFF8D0)) << name;
    }
  }
  for (const Made& level : LevelsOf("towers")) {
    const DtmRecord* last = Child(level.root, "sprTower2");
    ASSERT_NE(last, nullptr);
    const Kivo::ImageLib::Image* backdrop = PictureOf(level, Property(level.root, "_keyImg"));
    ASSERT_NE(backdrop, nullptr);
    EXPECT_TRUE(ColourNear(*backdrop, level.root, CentreX(*last), last->corners[1] - 30.0f, 12.0f, kGold));
    const DtmRecord* first = Child(level.root, "sprTower0");
    ASSERT_NE(first, nullptr);
    EXPECT_FALSE(ColourNear(*backdrop, level.root, CentreX(*first), first->corners[1] - 30.0f, 12.0f, kGold));
  }
  for (const Made& level : LevelsOf("circlepuzzle")) {
    const DtmRecord* puzzle = Child(level.root, "sprPuzzle");
    const DtmRecord* goal = Child(level.root, "sprGoal");
    ASSERT_TRUE(puzzle != nullptr && goal != nullptr);
    const Kivo::ImageLib::Image* picture = PictureOf(level, Property(*puzzle, "_keyImg"));
    const Kivo::ImageLib::Image* small = PictureOf(level, Property(*goal, "_keyImg"));
    ASSERT_TRUE(picture != nullptr && small != nullptr);
    // Points of the picture a quarter out from its centre, found again at
    // their places on the small copy, which lies beside the board.
    const float scale = (goal->corners[2] - goal->corners[0] - 16.0f) / (puzzle->corners[2] - puzzle->corners[0]);
    for (const auto& [u, v] : {std::pair<int, int>{1, 2}, {3, 2}, {2, 1}, {2, 3}}) {
      const uint32_t colour =
          picture->pixels[static_cast<size_t>(v * picture->height / 4 * picture->width + u * picture->width / 4)];
      const float x = goal->corners[0] + 8.0f + scale * static_cast<float>(u * picture->width / 4);
      const float y = goal->corners[1] + 8.0f + scale * static_cast<float>(v * picture->height / 4);
      EXPECT_TRUE(ColourNear(*small, *goal, x, y, 4.0f, colour & 0xFFFFFF)) << u << "," << v;
    }
    EXPECT_TRUE(goal->corners[0] >= puzzle->corners[2] || goal->corners[1] >= puzzle->corners[5]);
    EXPECT_LE(goal->corners[2], 680.0f);
  }
}

// A board whose pieces must be carried to their places shows those places:
// a gold-rimmed tray under the board, listed before it (drawn under the
// pieces), holding the picture only faintly, so a piece put home stands out.
TEST(SampleBoards, PicturePuzzlesShowWhereThePiecesGo) {
  for (const auto& [type, board] :
       {std::pair<const char*, const char*>{"pict_puzzle", "sprGame"}, {"puzzle", "sprPuzzle"}}) {
    for (const Made& level : LevelsOf(type)) {
      SCOPED_TRACE(std::string(type) + " " + std::to_string(level.slot.appearance));
      size_t trayAt = level.root.children.size(), boardAt = trayAt;
      for (size_t k = 0; k < level.root.children.size(); ++k) {
        if (level.root.children[k].name == "sprTray") trayAt = k;
        if (level.root.children[k].name == board) boardAt = k;
      }
      ASSERT_LT(trayAt, boardAt);
      const DtmRecord& tray = level.root.children[trayAt];
      const DtmRecord& picture = level.root.children[boardAt];
      EXPECT_LT(tray.corners[0], picture.corners[0]);
      EXPECT_LT(tray.corners[1], picture.corners[1]);
      EXPECT_GT(tray.corners[4], picture.corners[4]);
      EXPECT_GT(tray.corners[5], picture.corners[5]);
      const Kivo::ImageLib::Image* trayPicture = PictureOf(level, Property(tray, "_keyImg"));
      const Kivo::ImageLib::Image* whole = PictureOf(level, Property(picture, "_keyImg"));
      ASSERT_TRUE(trayPicture != nullptr && whole != nullptr);
      EXPECT_TRUE(ColourNear(*trayPicture, tray, tray.corners[0] + 1.0f, CentreY(tray), 1.0f, 0xF0D070));
      // Much darker than the picture itself, taken over the whole picture.
      const auto brightness = [](uint32_t pixel) {
        return static_cast<double>((pixel & 0xFF) + ((pixel >> 8) & 0xFF) + ((pixel >> 16) & 0xFF));
      };
      const int margin = (trayPicture->width - whole->width) / 2;
      double shown = 0.0, original = 0.0;
      for (int y = 0; y < whole->height; ++y) {
        for (int x = 0; x < whole->width; ++x) {
          shown += brightness(trayPicture->pixels[static_cast<size_t>((y + margin) * trayPicture->width + x + margin)]);
          original += brightness(whole->pixels[static_cast<size_t>(y * whole->width + x)]);
        }
      }
      EXPECT_LT(shown, 0.6 * original);
    }
  }
}

// Lamps on and off are told apart at a glance: a lit lamp's heart is near
// white, an unlit one's dark; the side lamps show dark (their second cel)
// until the board is solved.
TEST(SampleBoards, LampsOnAndOffDifferPlainly) {
  for (const Made& level : LevelsOf("lamps")) {
    const Kivo::ImageLib::Image* lamp = PictureOf(level, Property(level.root, "_keyImg_lamp"));
    const DtmRecord* side = Child(level.root, "sprLeft");
    ASSERT_TRUE(lamp != nullptr && side != nullptr);
    const Kivo::ImageLib::Image* decoration = PictureOf(level, Property(*side, "_keyImg"));
    ASSERT_NE(decoration, nullptr);
    const auto heart = [](const Kivo::ImageLib::Image& picture, int cel) {
      const int half = picture.width / 2;
      const uint32_t pixel =
          picture.pixels[static_cast<size_t>(picture.height / 2 * picture.width + cel * half + half / 2)];
      return static_cast<int>((pixel & 0xFF) + ((pixel >> 8) & 0xFF) + ((pixel >> 16) & 0xFF));
    };
    EXPECT_LT(heart(*lamp, 0), 200);
    EXPECT_GT(heart(*lamp, 1), 700);
    EXPECT_GT(heart(*decoration, 0), 700);
    EXPECT_LT(heart(*decoration, 1), 200);
  }
}

// The jumper's balls wait off screen: a pile of them on the left ledge
// shows what jumps before the first is thrown.
TEST(SampleBoards, TheJumpersBallsArePiledWhereTheyComeIn) {
  for (const Made& level : LevelsOf("jumper")) {
    const Kivo::ImageLib::Image* backdrop = PictureOf(level, Property(level.root, "_keyImg"));
    const Kivo::ImageLib::Image* ball = PictureOf(level, "round1");
    ASSERT_TRUE(backdrop != nullptr && ball != nullptr);
    const uint32_t red = ball->pixels[static_cast<size_t>(ball->height / 2 * ball->width + ball->width / 2 - 6)];
    EXPECT_TRUE(ColourNear(*backdrop, level.root, 20.0f, 485.0f, 8.0f, red & 0xFFFFFF));
    EXPECT_FALSE(ColourNear(*backdrop, level.root, 300.0f, 485.0f, 8.0f, red & 0xFFFFFF));
  }
}

}  // namespace
}  // namespace leveltest
