#include "tools/sampledata/levels/SceneKindLevels.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "tools/sampledata/SampleDrawing.h"
#include "tools/sampledata/levels/LevelPictures.h"

namespace Kivo {

namespace {

using sample::Opaque;
using sample::Placed;

const char kHuntScene[] = "data/scenes/hunt_birds.xml";
const char kLeavesScene[] = "data/scenes/what_new_leaves.xml";

// A colour of six hues by index, with the given value.
uint32_t Tone(int index, int value) {
  static const uint32_t hues[] = {0xE04040, 0x40C040, 0x4060E0, 0xE0C040, 0xC040C0, 0x40C0C0};
  const uint32_t rgb = hues[index % 6];
  const uint32_t r = ((rgb >> 16) & 0xFF) * static_cast<uint32_t>(value) / 255;
  const uint32_t g = ((rgb >> 8) & 0xFF) * static_cast<uint32_t>(value) / 255;
  const uint32_t b = (rgb & 0xFF) * static_cast<uint32_t>(value) / 255;
  return Opaque((r << 16) | (g << 8) | b);
}

// The level root over its backdrop picture, which spans the screen.
DtmRecord LevelRoot(const LevelSlot& slot, const std::string& backdrop) {
  DtmRecord root = Placed("level", 3, 0, 0, 800, 600);
  root.Property("type_game", slot.type);
  root.Property("_keyImg", backdrop);
  return root;
}

using levelpics::Mix;
using levelpics::Paint;

// A soft shadow of w x h for a piece lying on the board.
ImageLib::Image Shadow(int w, int h) {
  return sample::Picture(w, h, [w, h](int x, int y) -> uint32_t {
    const float dx = (x + 0.5f - w / 2.0f) / (w / 2.0f);
    const float dy = (y + 0.5f - h / 2.0f) / (h / 2.0f);
    const float r = dx * dx + dy * dy;
    return r >= 1.0f ? 0u : static_cast<uint32_t>(110.0f * (1.0f - r)) << 24;
  });
}

// A bird flying right: a shaded body, a raised wing, a tail, an eye and a
// beak; transparent around.
ImageLib::Image Bird(int index) {
  const uint32_t body = Tone(index, 220) & 0xFFFFFF;
  return sample::Picture(48, 32, [index, body](int x, int y) -> uint32_t {
    const float dx = (x - 22.0f) / 16.0f;
    const float dy = (y - 18.0f) / 9.0f;
    if (x >= 38 && x < 46 && std::abs(y - 17) <= (46 - x) / 3) return Opaque(0xF0B020);  // beak
    if ((x - 33) * (x - 33) + (y - 15) * (y - 15) < 4) return Opaque(0x101010);          // eye
    // The wing: a triangle rising from the back.
    if (y < 16 && x > 12 && x < 30 && y > 2 + (30 - x) * 0.55f) {
      return Opaque(Mix(Tone(index + 3, 200) & 0xFFFFFF, 0x000000, (16 - y) / 30.0f));
    }
    if (x < 10 && std::abs(y - 18) < (10 - x) * 0.6f + 1) return Opaque(Mix(body, 0x000000, 0.35f));  // tail
    if (dx * dx + dy * dy > 1.0f) return 0;
    if (dx * dx + dy * dy > 0.8f) return Opaque(Mix(body, 0x000000, 0.5f));
    return Opaque(Mix(body, dy > 0.0f ? 0xFFFFFF : 0x000000, std::fabs(dy) * 0.3f));
  });
}

// The flight of one bird: across the sky at height y, leaving the left
// edge and ending at the right one after 3 s.
std::string Flight(const std::string& id, int x0, int x1, int y) {
  const std::string a = std::to_string(x0) + ";" + std::to_string(y);
  const std::string m = std::to_string((x0 + x1) / 2) + ";" + std::to_string(y - 40);
  const std::string b = std::to_string(x1) + ";" + std::to_string(y);
  return "      <object type=\"dummy\" id=\"" + id +
         "\">\r\n"
         "        <animation id=\"fly\" ftl=\"0.05\" loop=\"0\">\r\n"
         "          <key frame=\"0\" position=\"" +
         a +
         "\"/>\r\n"
         "          <key frame=\"30\" position=\"" +
         m +
         "\"/>\r\n"
         "          <key frame=\"60\" position=\"" +
         b +
         "\"/>\r\n"
         "        </animation>\r\n"
         "      </object>\r\n";
}

std::string Sway(const std::string& id, int x, int y) {
  const std::string a = std::to_string(x) + ";" + std::to_string(y);
  const std::string b = std::to_string(x + 12) + ";" + std::to_string(y + 4);
  return "      <object type=\"dummy\" id=\"" + id +
         "\">\r\n"
         "        <animation id=\"sway\" ftl=\"0.05\" loop=\"0\">\r\n"
         "          <key frame=\"0\" position=\"" +
         a + "\" angle=\"0\"/>\r\n          <key frame=\"5\" position=\"" + b +
         "\" angle=\"0.2\"/>\r\n          <key frame=\"10\" position=\"" + a +
         "\" angle=\"0\"/>\r\n"
         "        </animation>\r\n"
         "      </object>\r\n";
}

// A pipe tile of the given openings (bit 0 left, 1 top, 2 right, 3 bottom)
// in 64 x 64: a bevelled slate tile with round copper pipes from a flanged
// hub; the water picture is the pipes' bore, a translucent blue with a shine.
ImageLib::Image PipeTile(int openings, int kind, bool water) {
  return sample::Picture(64, 64, [openings, kind, water](int x, int y) -> uint32_t {
    const float fx = x + 0.5f;
    const float fy = y + 0.5f;
    const bool left = (openings & 1) && fx < 32.0f;
    const bool top = (openings & 2) && fy < 32.0f;
    const bool right = (openings & 4) && fx >= 32.0f;
    const bool bottom = (openings & 8) && fy >= 32.0f;
    // Distance from the pipe's axis across it, -1..1.
    float across = 2.0f;
    if (left || right) across = std::min(across, std::fabs(fy - 32.0f) / 9.0f);
    if (top || bottom) across = std::min(across, std::fabs(fx - 32.0f) / 9.0f);
    const float hub = std::max(std::fabs(fx - 32.0f), std::fabs(fy - 32.0f)) / 12.0f;
    if (water) {
      if (across < 0.6f || hub < 0.55f) return across < 0.15f ? 0xE0A0E0FFu : 0xC02A88E8u;
      return 0u;
    }
    if (hub < 1.0f) {
      return Opaque(hub > 0.8f ? 0x5A3418 : Mix(0xF0B070, 0x8A4A20, hub));
    }
    if (across < 1.0f) return Opaque(Mix(0xF0B070, 0x6A3410, across * across));
    const int edge = std::min(std::min(x, 63 - x), std::min(y, 63 - y));
    const uint32_t slate = Mix(0x4A5058, 0x3A4048, static_cast<float>(kind % 3) / 3.0f);
    if (edge < 2) return Opaque(x < y ? 0x202428 : 0x6A7078);
    const float speck = levelpics::Noise(kind, fx, fy, 3.0f);
    return Opaque(Mix(slate, speck > 0.5f ? 0xFFFFFF : 0x000000, std::fabs(speck - 0.5f) * 0.2f));
  });
}

}  // namespace

std::vector<SampleXmlScene> SceneKindXmlScenes() {
  std::string hunt = "<body>\r\n  <object id=\"Root\">\r\n    <childs>\r\n";
  hunt += Flight("sprBird1", 40, 640, 160);
  hunt += Flight("sprBird2", 640, 40, 300);
  hunt += "    </childs>\r\n  </object>\r\n</body>\r\n";
  std::string leaves =
      "<body>\r\n"
      "  <object id=\"Root\">\r\n"
      "    <animation id=\"turn\" ftl=\"0.05\" loop=\"0\">\r\n"
      "      <key frame=\"0\" position=\"0;0\"/>\r\n"
      "      <key frame=\"10\" position=\"0;0\"/>\r\n"
      "    </animation>\r\n"
      "    <childs>\r\n";
  leaves += Sway("Leaf1", 160, 120);
  leaves += Sway("Leaf2", 520, 140);
  leaves += "    </childs>\r\n  </object>\r\n</body>\r\n";
  return {{kHuntScene, hunt}, {kLeavesScene, leaves}};
}

DtmRecord MakeHunterLevel(const LevelSlot& slot, LevelAssets& assets) {
  const std::string back = "bg_hunter";
  assets.Add(back, levelpics::Backdrop(800, 600, 0x6A9ADA, 0x4A8A3A, 11));
  DtmRecord root = LevelRoot(slot, back);
  root.Property("_sScenePath", kHuntScene);
  root.Property("_iTaskBirdCount", std::to_string(2 + slot.appearance % 3));
  for (int i = 1; i <= 2; ++i) {
    const std::string key = "hunt_bird" + std::to_string(i);
    assets.Add(key, Bird(i));
    root.Child(Placed("sprBird" + std::to_string(i), 3, 0, 0, 48, 32).Property("_keyImg", key));
  }
  // Scenery in front of the ground: a leafy bush the birds never cross.
  assets.Add(
      "hunt_hill", sample::Picture(200, 80, [](int x, int y) -> uint32_t {
        float cover = 0.0f;
        for (int k = 0; k < 6; ++k) {
          const float cx = 20.0f + 32.0f * k;
          const float cy = 50.0f - 22.0f * std::sin(3.1416f * (k + 0.5f) / 6.0f);
          const float r = 26.0f + 4.0f * (k % 2);
          const float d = ((x - cx) * (x - cx) + (y - cy) * (y - cy)) / (r * r);
          if (d < 1.0f) cover = std::max(cover, 1.0f - d + (cy - y) / 80.0f);
        }
        if (cover <= 0.0f) return 0u;
        const float leaf = levelpics::Noise(7, static_cast<float>(x), static_cast<float>(y), 5.0f);
        return Opaque(Mix(Mix(0x2A6A20, 0x7AB040, std::min(1.0f, cover)), 0x102A08, leaf > 0.65f ? 0.15f : 0.0f));
      }));
  root.Child(Placed("sprHill", 3, 120 + 60.0f * static_cast<float>(slot.appearance % 3), 440, 200, 80)
                 .Property("_keyImg", "hunt_hill"));
  root.Child(Placed("txtInfo", 5, 300, 540, 120, 24).Property("_sFont", "FONT_TEXT"));
  return root;
}

DtmRecord MakeTruboLevel(const LevelSlot& slot, LevelAssets& assets) {
  static const int kOpenings[] = {15, 2, 4, 1, 8, 13, 14, 11, 7, 10, 5, 6};
  constexpr int kTile = 64;
  const int left = 20 + 20 * (slot.appearance % 2);
  const std::string back = "bg_trubo_" + std::to_string(slot.appearance % 2);
  if (!assets.Has(back)) {
    // A cellar floor: the water comes down the inlet pipe into the board's
    // top left tile and must reach the glowing tile over the drain.
    ImageLib::Image picture = levelpics::SurfaceBackdrop(800, 600, levelpics::Surface::kStone, 0x6A5E50, 61);
    const ImageLib::Image pipe = sample::Picture(
        20, 60, [](int x, int) { return Opaque(Mix(0xF0B070, 0x6A3410, std::fabs(x - 9.5f) / 10.0f)); });
    const int drainX = left + 5 * kTile;
    // An iron frame round the board.
    Paint(picture,
          sample::Picture(8 * kTile + 16, 7 * kTile + 16,
                          [](int x, int y) -> uint32_t {
                            const int edge = std::min(std::min(x, 8 * kTile + 15 - x), std::min(y, 7 * kTile + 15 - y));
                            if (edge >= 8) return 0u;
                            return Opaque(Mix(0x5A6068, 0x202428, x + y < 8 * kTile ? edge / 10.0f : 0.8f));
                          }),
          left - 8, 52);
    Paint(picture, pipe, left + 22, 0);
    Paint(picture, levelpics::GlowRing(64, 0x60C0FF), left, -4);
    Paint(picture, levelpics::ArrowDown(32, 40, 0x40A0F0), left + 16, 6);
    Paint(picture, pipe, drainX + 22, 60 + 7 * kTile);
    Paint(picture, levelpics::GlowRing(130, 0x60C0FF), drainX + 32 - 65, 60 + 7 * kTile + 66 - 65);
    Paint(picture,
          sample::Picture(90, 40,
                          [](int x, int y) -> uint32_t {
                            const float dx = (x - 44.5f) / 45.0f;
                            const float dy = (y - 20.0f) / 20.0f;
                            const float r = dx * dx + dy * dy;
                            if (r > 1.0f) return 0u;
                            return Opaque(r > 0.7f ? 0x303840 : Mix(0x2A88E8, 0x0A3A70, r));
                          }),
          drainX - 13, 60 + 7 * kTile + 46);
    Paint(picture,
          sample::Picture(kTile + 24, kTile + 24,
                          [](int x, int y) -> uint32_t {
                            const int edge = std::min(std::min(x, kTile + 23 - x), std::min(y, kTile + 23 - y));
                            if (edge >= 12) return 0u;
                            return static_cast<uint32_t>(40 + 18 * edge) << 24 | 0x60C0FFu;
                          }),
          drainX - 12, 60 + 6 * kTile - 12);
    assets.Add(back, std::move(picture));
  }
  DtmRecord root = LevelRoot(slot, back);
  root.Property("_fWaterTimer", "600");
  for (int kind = 0; kind < 12; ++kind) {
    const std::string tube = "pipe_tube" + std::to_string(kind);
    const std::string water = "pipe_water" + std::to_string(kind);
    assets.Add(tube, PipeTile(kOpenings[kind], kind, false));
    assets.Add(water, PipeTile(kOpenings[kind], kind, true));
    root.Child(Placed("spTube" + std::to_string(kind), 3, 690, 0, 64, 64).Property("_keyImg", tube));
    root.Child(Placed("sprWater" + std::to_string(kind), 3, 690, 0, 64, 64).Property("_keyImg", water));
  }
  // The start: a red valve wheel on a blue plate.
  assets.Add("pipe_start", sample::Picture(100, 40, [](int x, int y) -> uint32_t {
               const int edge = std::min(std::min(x, 99 - x), std::min(y, 39 - y));
               if (edge < 3) return Opaque(0xF0F0F0);
               const float dx = x - 50.0f;
               const float dy = y - 19.5f;
               const float r = std::sqrt(dx * dx + dy * dy);
               if (r < 15.0f && (r > 11.0f || std::fabs(dx) < 2.5f || std::fabs(dy) < 2.5f || r < 4.0f)) {
                 return Opaque(Mix(0xF05040, 0x902018, (dx + dy + 30.0f) / 60.0f));
               }
               return Opaque(Mix(0x3080D0, 0x184878, y / 40.0f));
             }));
  assets.Add("pipe_timer",
             sample::Picture(100, 12, [](int x, int) { return Opaque(0x20A0F0 + static_cast<uint32_t>(x)); }));
  root.Child(Placed("rectLevel", 18, static_cast<float>(left), 60, 512, 448));
  root.Child(Placed("btnStartWater", 4, 560, 520, 100, 40).Property("_keyImg", "pipe_start"));
  root.Child(Placed("sprTimer", 3, 560, 30, 100, 12).Property("_keyImg", "pipe_timer"));
  return root;
}

DtmRecord MakeStarmapLevel(const LevelSlot& slot, LevelAssets& assets) {
  // The sky board at (40, 40), 600 x 500; the small map at (500, 420).
  constexpr float kSkyX = 40.0f, kSkyY = 40.0f;
  constexpr float kMiniX = 500.0f, kMiniY = 420.0f, kMiniW = 140.0f, kMiniH = 120.0f;
  const int variant = slot.appearance % 3;
  const float shift = 40.0f * static_cast<float>(variant);
  float placeX[2], placeY[2];
  uint32_t colour[2];
  for (int n = 0; n < 2; ++n) {
    placeX[n] = 162.0f + 150.0f * static_cast<float>(n) + shift;
    placeY[n] = 162.0f + 60.0f * static_cast<float>(n);
    colour[n] = Tone(n + 3, 250) & 0xFFFFFF;
  }
  // The constellation's figure: its two stars and three lesser ones.
  const auto figure = [&](float scale, float ox, float oy, std::vector<std::pair<float, float>>& points) {
    points.clear();
    points.emplace_back((placeX[0] - kSkyX) * scale + ox, (placeY[0] - kSkyY) * scale + oy);
    points.emplace_back((placeX[1] - kSkyX) * scale + ox, (placeY[1] - kSkyY) * scale + oy);
    points.emplace_back((placeX[1] + 90.0f - kSkyX) * scale + ox, (placeY[1] + 110.0f - kSkyY) * scale + oy);
    points.emplace_back((placeX[0] + 40.0f - kSkyX) * scale + ox, (placeY[0] + 190.0f - kSkyY) * scale + oy);
  };
  const auto nearLine = [](float x, float y, const std::vector<std::pair<float, float>>& points, float width) {
    for (size_t k = 0; k < points.size(); ++k) {
      const auto& a = points[k];
      const auto& b = points[(k + 1) % points.size()];
      const float vx = b.first - a.first, vy = b.second - a.second;
      const float t = std::clamp(((x - a.first) * vx + (y - a.second) * vy) / (vx * vx + vy * vy), 0.0f, 1.0f);
      const float dx = x - a.first - t * vx, dy = y - a.second - t * vy;
      if (dx * dx + dy * dy < width * width) return true;
    }
    return false;
  };
  const std::string suffix = std::to_string(variant);
  const std::string back = "bg_starmap_" + suffix;
  if (!assets.Has(back)) {
    // The night sky: where each star belongs a ring of its colour glows.
    ImageLib::Image picture = levelpics::SurfaceBackdrop(800, 600, levelpics::Surface::kNight, 0x283C80, 71);
    for (int n = 0; n < 2; ++n) {
      Paint(picture, levelpics::GlowRing(56, colour[n]), static_cast<int>(placeX[n]) - 28,
            static_cast<int>(placeY[n]) - 28);
    }
    assets.Add(back, std::move(picture));
    // The constellation drawn on the sky, faint until every star is placed.
    std::vector<std::pair<float, float>> points;
    figure(1.0f, 0.0f, 0.0f, points);
    assets.Add("star_sky_" + suffix, sample::Picture(600, 500, [points, nearLine](int x, int y) -> uint32_t {
                 const float fx = x + 0.5f, fy = y + 0.5f;
                 for (const auto& p : points) {
                   const float d = (fx - p.first) * (fx - p.first) + (fy - p.second) * (fy - p.second);
                   if (d < 36.0f) return Opaque(0xFFF8D0);
                 }
                 return nearLine(fx, fy, points, 2.0f) ? Opaque(0xF0F0C0) : 0u;
               }));
    // The small map: the figure in a frame, each star's place in its colour.
    figure(kMiniW / 600.0f, 0.0f, 0.0f, points);
    const uint32_t c0 = colour[0], c1 = colour[1];
    assets.Add("star_mini_" + suffix, sample::Picture(70, 60, [points, nearLine, c0, c1](int x, int y) -> uint32_t {
                 const int edge = std::min(std::min(x, 69 - x), std::min(y, 59 - y));
                 if (edge < 2) return Opaque(0xC8B070);
                 const float fx = (x + 0.5f) * 2.0f, fy = (y + 0.5f) * 2.0f;
                 for (size_t k = 0; k < points.size(); ++k) {
                   const float d = (fx - points[k].first) * (fx - points[k].first) +
                                   (fy - points[k].second) * (fy - points[k].second);
                   if (d < (k < 2 ? 40.0f : 12.0f)) return Opaque(k == 0 ? c0 : (k == 1 ? c1 : 0xE0E0D0));
                 }
                 if (nearLine(fx, fy, points, 1.5f)) return Opaque(0x8088A8);
                 return Opaque(Mix(0x101838, 0x283060, y / 60.0f));
               }));
  }
  DtmRecord root = LevelRoot(slot, back);
  root.Child(Placed("sprStarTrack", 3, kSkyX, kSkyY, 600, 500).Property("_keyImg", "star_sky_" + suffix));
  root.Child(Placed("sprStarMini", 3, kMiniX, kMiniY, kMiniW, kMiniH).Property("_keyImg", "star_mini_" + suffix));
  for (int n = 0; n < 2; ++n) {
    const std::string key = "star_type" + std::to_string(n);
    // A star of the colour in a soft halo of its light.
    const uint32_t halo = Mix(colour[n], 0xFFFFFF, 0.4f);
    ImageLib::Image star = sample::Picture(32, 32, [halo](int x, int y) -> uint32_t {
      const float dx = x + 0.5f - 16.0f;
      const float dy = y + 0.5f - 16.0f;
      const float fall = 1.0f - std::sqrt(dx * dx + dy * dy) / 16.0f;
      return fall <= 0.0f ? 0u : static_cast<uint32_t>(150.0f * fall * fall) << 24 | halo;
    });
    Paint(star, levelpics::ShapePicture(levelpics::Shape::kStar, 24, colour[n]), 4, 4);
    assets.Add(key, std::move(star));
    root.Child(Placed("sprStar" + std::to_string(n), 3, placeX[n] - 16.0f, placeY[n] - 16.0f, 32, 32)
                   .Property("_keyImg", key)
                   .Property("_iStarType", std::to_string(n)));
  }
  return root;
}

DtmRecord MakeAssocLevel(const LevelSlot& slot, LevelAssets& assets) {
  static const levelpics::Shape kShapes[2] = {levelpics::Shape::kStar, levelpics::Shape::kDiamond};
  const std::string back = "bg_assoc";
  if (!assets.Has(back)) {
    // An old map on a table: the cells wait in its upper half, the pieces
    // lie below on shadows.
    ImageLib::Image picture = levelpics::SurfaceBackdrop(800, 600, levelpics::Surface::kWood, 0x5A3A22, 81);
    Paint(picture, levelpics::SurfaceBackdrop(640, 540, levelpics::Surface::kParchment, 0xD8C498, 82), 20, 30);
    assets.Add(back, std::move(picture));
  }
  DtmRecord root = LevelRoot(slot, back);
  for (int i = 1; i <= 2; ++i) {
    const std::string cell = "assoc_cell" + std::to_string(i);
    const std::string element = "assoc_element" + std::to_string(i);
    const levelpics::Shape shape = kShapes[i - 1];
    const uint32_t colour = Tone(i, 230) & 0xFFFFFF;
    // Two frames: the empty cell with the element's outline, then filled.
    const ImageLib::Image silhouette = levelpics::ShapePicture(shape, 64, 0x000000);
    const ImageLib::Image piece = levelpics::ShapePicture(shape, 64, colour);
    ImageLib::Image frames = sample::Picture(192, 96, [](int x, int y) {
      const int lx = x % 96;
      const bool filled = x >= 96;
      const int edge = std::min(std::min(lx, 95 - lx), std::min(y, 95 - y));
      if (edge < 4) return Opaque(filled ? 0xF0D060 : (lx < y ? 0x6A5030 : 0xB09060));
      return Opaque(filled ? 0x5A4A30 : Mix(0x3A3020, 0x5A4A30, y / 96.0f));
    });
    // The outline: the element's shape darkened, in a dashed light rim.
    const auto solid = [&silhouette](int x, int y) {
      return x >= 0 && y >= 0 && x < 64 && y < 64 && (silhouette.pixels[static_cast<size_t>(y * 64 + x)] >> 24) != 0;
    };
    for (int y = 0; y < 64; ++y) {
      for (int x = 0; x < 64; ++x) {
        if (!solid(x, y)) continue;
        const bool rim = !solid(x - 3, y) || !solid(x + 3, y) || !solid(x, y - 3) || !solid(x, y + 3);
        uint32_t& out = frames.pixels[static_cast<size_t>((y + 16) * 192 + x + 16)];
        if (rim && (x + y) % 8 < 5) {
          out = Opaque(0xF0E0B0);
        } else {
          out = Opaque(Mix(out & 0xFFFFFF, 0x000000, 0.5f));
        }
      }
    }
    Paint(frames, piece, 96 + 16, 16);
    assets.Add(cell, std::move(frames), 2, 1);
    assets.Add(element, levelpics::ShapePicture(shape, 64, colour));
    const float swap = slot.appearance % 2 == 1 ? 1.0f : 0.0f;
    const float cellX = 140.0f + 260.0f * static_cast<float>(i - 1);
    const float elementX = 180.0f + 260.0f * (i == 1 ? swap : 1.0f - swap);
    root.Child(Placed("cell" + std::to_string(i), 3, cellX, 120, 96, 96)
                   .Property("_keyImg", cell)
                   .Property("_Element", "element" + std::to_string(i)));
    root.Child(Placed("element" + std::to_string(i), 3, elementX, 400, 64, 64).Property("_keyImg", element));
  }
  // These kinds draw the HUD first and the level over it: the HUD comes
  // back on top at this place in the level.
  root.Child(Placed("game_menu_draw", 1, 680, 0, 120, 600));
  return root;
}

DtmRecord MakePairsLevel(const LevelSlot& slot, LevelAssets& assets) {
  static const levelpics::Shape kShapes[2] = {levelpics::Shape::kStar, levelpics::Shape::kTriangle};
  static const uint32_t kColours[2] = {0xF0C030, 0x40B0E0};
  // Four items in a row; later appearances mix the order.
  static const int kOrders[3][4] = {{0, 1, 0, 1}, {0, 0, 1, 1}, {1, 0, 0, 1}};
  const std::string back = "bg_pairs";
  if (!assets.Has(back)) {
    // A blue cloth on a table, a round mat of light under each item.
    ImageLib::Image picture = levelpics::SurfaceBackdrop(800, 600, levelpics::Surface::kWood, 0x6A4428, 91);
    Paint(picture, levelpics::SurfaceBackdrop(600, 240, levelpics::Surface::kFelt, 0x2A4A80, 92), 40, 156);
    for (int i = 0; i < 4; ++i) {
      Paint(picture, Shadow(100, 40), 86 + 130 * i, 300);
      Paint(picture, levelpics::GlowRing(100, 0xC0D8FF), 86 + 130 * i, 226);
    }
    assets.Add(back, std::move(picture));
  }
  DtmRecord root = LevelRoot(slot, back);
  for (int p = 0; p < 2; ++p) {
    assets.Add("pairs_pic" + std::to_string(p), levelpics::ShapePicture(kShapes[p], 72, kColours[p]));
  }
  const int* order = kOrders[slot.appearance % 3];
  int seen[2] = {0, 0};
  for (int i = 0; i < 4; ++i) {
    const int p = order[i];
    const std::string name = std::string("item_") + (p == 0 ? "a" : "b") + std::to_string(++seen[p]);
    root.Child(Placed(name, 7, 100 + 130.0f * static_cast<float>(i), 240, 72, 72)
                   .Property("_keyImg", "pairs_pic" + std::to_string(p))
                   .Property("_sModeDraw", "NORMAL"));
  }
  return root;
}

DtmRecord MakeWhatNewLevel(const LevelSlot& slot, LevelAssets& assets) {
  static const levelpics::Shape kShapes[2] = {levelpics::Shape::kDisc, levelpics::Shape::kStar};
  const int variant = slot.appearance % 3;
  float itemX[2];
  for (int i = 0; i < 2; ++i) itemX[i] = 200.0f + 220.0f * static_cast<float>(i) + 20.0f * static_cast<float>(variant);
  const std::string back = "bg_whatnew_" + std::to_string(variant);
  if (!assets.Has(back)) {
    // A garden with a stone pedestal for each thing that will come; a ring
    // of light on each pedestal shows where to look.
    ImageLib::Image picture = levelpics::Backdrop(800, 600, 0x7AA8E0, 0x5A9A48, 21 + variant);
    const ImageLib::Image pedestal = sample::Picture(80, 90, [](int x, int y) -> uint32_t {
      const float dx = std::fabs(x - 39.5f);
      const float half = y < 12 ? 40.0f : (y > 78 ? 36.0f : 26.0f);
      if (dx > half) return 0u;
      const float light = 1.0f - dx / half;
      return Opaque(Mix(0x605850, 0xD0C8B8, y < 12 || y > 78 ? light * 0.8f + 0.1f : light));
    });
    for (int i = 0; i < 2; ++i) {
      const int x = static_cast<int>(itemX[i]);
      Paint(picture, pedestal, x + 28 - 40, 374);
      Paint(picture, levelpics::GlowRing(84, 0xFFF0A0), x + 28 - 42, 306);
    }
    assets.Add(back, std::move(picture));
  }
  DtmRecord root = LevelRoot(slot, back);
  root.Property("_sLeafsPath", kLeavesScene);
  for (int i = 1; i <= 2; ++i) {
    const std::string key = "whatnew_leaf" + std::to_string(i);
    const uint32_t green = i == 1 ? 0x3A9A30 : 0x6AAA28;
    assets.Add(
        key, sample::Picture(90, 50, [green](int x, int y) -> uint32_t {
          const float dx = (x - 45.0f) / 45.0f;
          const float dy = (y - 25.0f) / 25.0f;
          // A leaf pointed at both ends, a midrib and veins.
          if (std::fabs(dy) > (1.0f - dx * dx) * 0.95f) return 0;
          if (std::abs(y - 25) < 1.5f) return Opaque(0x204010);
          if (std::fabs(std::fabs(dy) * 1.2f - (dx + 1.0f) * 0.5f + std::floor((dx + 1.0f) * 3.0f) / 6.0f) < 0.05f)
            return Opaque(Mix(green, 0x102008, 0.4f));
          return Opaque(Mix(green, dy < 0.0f ? 0xFFFFFF : 0x000000, std::fabs(dy) * 0.25f));
        }));
    root.Child(
        Placed("Leaf" + std::to_string(i), 3, i == 1 ? 115 : 475, i == 1 ? 95 : 115, 90, 50).Property("_keyImg", key));
  }
  for (int i = 1; i <= 2; ++i) {
    const std::string key = "whatnew_item" + std::to_string(i);
    assets.Add(key, levelpics::ShapePicture(kShapes[i - 1], 56, Tone(i + 2, 230) & 0xFFFFFF));
    root.Child(Placed("item" + std::to_string(i), 7, itemX[i - 1], 320, 56, 56)
                   .Property("_keyImg", key)
                   .Property("_sModeDraw", "NORMAL"));
  }
  // These kinds draw the HUD first and the level over it: the HUD comes
  // back on top at this place in the level.
  root.Child(Placed("game_menu_draw", 1, 680, 0, 120, 600));
  return root;
}

}  // namespace Kivo
