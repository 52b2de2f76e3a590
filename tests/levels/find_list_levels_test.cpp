// The list kinds' sample levels: what the builder makes of them (items as
// cut-out pictures on quads of their size, left of the HUD panel, varying
// from one appearance to the next), each won in process by its kind's
// autoplay rule, and played by eye from the drawn list; a find's bursts
// staying near their item; the hint of every hint-giving kind lighting
// pixels at the point it hints at.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/EngineObject.h"
#include "engine/ParticleEffect.h"
#include "engine/ParticleSystem.h"
#include "engine/SceneDatabase.h"
#include "engine/SoundEmitterKinds.h"
#include "image/MemoryImage.h"
#include "levels/FindListGames.h"
#include "levels/GameScreen.h"
#include "platform/devices/D3D.h"
#include "shell/base/TwisterRandom.h"
#include "tests/display/ddraw_fixture.h"
#include "tests/levels/game_screen_support.h"
#include "tests/levels/sample_level_support.h"
#include "tools/sampledata/SampleLevels.h"
#include "tools/sampledata/levels/FindListLevels.h"
#include "ui/Graphics.h"

namespace leveltest {
namespace {

using Kivo::DtmRecord;
using Kivo::LevelAssets;
using Kivo::LevelSlot;

// The first level of each kind and its next appearance.
const SampleCase kCases[] = {{1, 1, "find_list_mask"}, {7, 4, "find_list_mask"},   {1, 2, "find_list_text"},
                             {8, 1, "find_list_text"}, {2, 1, "find_list_object"}, {8, 4, "find_list_object"}};

std::string Property(const DtmRecord& record, const std::string& key) {
  for (const auto& [k, v] : record.properties)
    if (k == key) return v;
  return "";
}

TEST(FindListSampleLevels, ItemsAreCutOutPicturesOnQuadsOfTheirSizeLeftOfTheHud) {
  for (const SampleCase& c : kCases) {
    SCOPED_TRACE(c.type + std::to_string(c.stage) + "_" + std::to_string(c.level));
    const LevelSlot slot = Kivo::SampleLevelSlot(c.stage, c.level);
    ASSERT_EQ(slot.type, c.type);
    LevelAssets assets;
    const DtmRecord root = Kivo::SampleLevelMaker(slot.type)(slot, assets);
    EXPECT_EQ(Property(root, "type_game"), c.type);
    int items = 0;
    std::set<std::string> names;
    for (const DtmRecord& child : root.children) {
      EXPECT_TRUE(names.insert(child.name).second) << child.name;
      if (child.type != 7) continue;
      ++items;
      const auto& pictures = assets.Pictures();
      const auto picture = pictures.find(Property(child, "_keyImg"));
      ASSERT_NE(picture, pictures.end()) << child.name;
      const auto& image = picture->second.image;
      // Seen against the room, not on a card of its own, and clickable at
      // its centre (where the autoplay rule and the hint aim).
      const size_t centre = static_cast<size_t>((image.height / 2) * image.width + image.width / 2);
      EXPECT_EQ(image.pixels[centre] >> 24, 0xFFu) << child.name;
      EXPECT_EQ(image.pixels[0] >> 24, 0u) << child.name;
      const float* q = child.corners;
      EXPECT_EQ(q[2] - q[0], static_cast<float>(image.width)) << child.name;
      EXPECT_EQ(q[5] - q[1], static_cast<float>(image.height)) << child.name;
      EXPECT_EQ(q[1], q[3]);  // unrotated
      EXPECT_EQ(q[0], q[6]);
      EXPECT_LT(q[2], 680.0f) << child.name;
      EXPECT_GE(q[1], 0.0f);
      EXPECT_LE(q[5], 600.0f);
    }
    EXPECT_GE(items, std::stoi(Property(root, "_iNumObjFind")));
    const std::string listX = Property(root, "_iListX");
    if (slot.type == "find_list_object") {
      EXPECT_LE(std::stoi(listX) + 35, 679);  // its list is clicked
    }
  }
}

TEST(FindListSampleLevels, LaterAppearancesDiffer) {
  for (const char* type : {"find_list_mask", "find_list_text", "find_list_object"}) {
    SCOPED_TRACE(type);
    std::set<std::string> layouts;
    std::set<std::string> totals;
    for (int stage = 1; stage <= 40; ++stage) {
      for (int level = 1; level <= 4; ++level) {
        const LevelSlot slot = Kivo::SampleLevelSlot(stage, level);
        if (slot.type != type) continue;
        LevelAssets assets;
        const DtmRecord root = Kivo::SampleLevelMaker(type)(slot, assets);
        std::string layout;
        for (const DtmRecord& child : root.children) {
          layout += child.name + "@" + std::to_string(child.corners[0]) + "," + std::to_string(child.corners[1]) + ";";
        }
        EXPECT_TRUE(layouts.insert(layout).second) << "Level_" << stage << "_" << level << " repeats a layout";
        totals.insert(Property(root, "_iNumObjFind"));
      }
    }
    EXPECT_EQ(layouts.size(), 6u);
    EXPECT_GE(totals.size(), 3u);
  }
}

// A player's eye on a drawn frame: the list entries are the pictures drawn
// in the HUD's list area, the level's pictures those drawn left of it.
class PlayByEyeTest : public SampleLevelTest {
 protected:
  struct Seen {
    Kivo::MemoryImage* image;
    Kivo::Quad quad;
  };

  void DrawFrame(Kivo::MiniGame& game, std::vector<Seen>& listed, std::vector<Seen>& scene) {
    screen.calls.clear();
    game.Draw(graphics);
    const auto& calls = screen.calls;
    for (size_t k = 0; k < calls.size(); ++k) {
      auto* image = dynamic_cast<Kivo::MemoryImage*>(calls[k].image);
      if (image == nullptr || image->GetBits() == nullptr || calls[k].color.alpha < 200) continue;
      const Box box = BoxOf(calls[k].quad);
      // Only what stays in sight counts: a picture drawn later over the
      // middle of this one hides it.
      const float midX = (box.left + box.right) / 2.0f;
      const float midY = (box.top + box.bottom) / 2.0f;
      bool hidden = false;
      for (size_t later = k + 1; later < calls.size() && !hidden; ++later) {
        hidden = Covers(calls[later], midX, midY);
      }
      if (hidden) continue;
      if (box.left >= 680.0f && box.top >= kListTop && box.bottom <= kListBottom) {
        listed.push_back({image, calls[k].quad});
      } else if (box.right <= 680.0f && box.right - box.left < 200.0f) {
        scene.push_back({image, calls[k].quad});  // small pictures only: not the room
      }
    }
  }

  struct Box {
    float left, top, right, bottom;
  };
  static Box BoxOf(const Kivo::Quad& q) {
    return {std::min(q.corner[0].x, q.corner[3].x), std::min(q.corner[0].y, q.corner[1].y),
            std::max(q.corner[1].x, q.corner[2].x), std::max(q.corner[2].y, q.corner[3].y)};
  }

  // Whether the call draws an opaque pixel at (x, y) of the frame.
  static bool Covers(const kindstest::DrawCall& call, float x, float y) {
    auto* image = dynamic_cast<Kivo::MemoryImage*>(call.image);
    if (image == nullptr || image->GetBits() == nullptr || call.color.alpha < 200) return false;
    const Box box = BoxOf(call.quad);
    if (x < box.left || x >= box.right || y < box.top || y >= box.bottom) return false;
    const int px = static_cast<int>((x - box.left) / (box.right - box.left) * static_cast<float>(image->width));
    const int py = static_cast<int>((y - box.top) / (box.bottom - box.top) * static_cast<float>(image->height));
    return Opaque(image, std::min(px, image->width - 1), std::min(py, image->height - 1));
  }

  // How much two pictures' shapes agree: the share of sample points, taken
  // over each picture's own box, where both are opaque or both clear.
  static float ShapeAgreement(Kivo::MemoryImage* a, Kivo::MemoryImage* b) {
    if (std::abs(a->width * b->height - b->width * a->height) > (a->width * b->height) / 10) return 0.0f;
    int same = 0;
    const int steps = 24;
    for (int j = 0; j < steps; ++j) {
      for (int i = 0; i < steps; ++i) {
        const bool inA = Opaque(a, (i * 2 + 1) * a->width / (2 * steps), (j * 2 + 1) * a->height / (2 * steps));
        const bool inB = Opaque(b, (i * 2 + 1) * b->width / (2 * steps), (j * 2 + 1) * b->height / (2 * steps));
        same += inA == inB ? 1 : 0;
      }
    }
    return static_cast<float>(same) / static_cast<float>(steps * steps);
  }

  static bool Opaque(Kivo::MemoryImage* image, int x, int y) {
    return (image->GetBits()[static_cast<size_t>(y) * static_cast<size_t>(image->width) + static_cast<size_t>(x)] >>
            24) != 0;
  }

  static constexpr float kListTop = 230.0f;
  static constexpr float kListBottom = 462.0f;
};

TEST_F(PlayByEyeTest, SilhouetteListIsWonByClickingThePicturesItShows) {
  Kivo::gRandom.Seed(1234);
  Kivo::LevelPlayer player;
  std::string error;
  ASSERT_TRUE(player.Load("Level_1_1", &error)) << error;
  ASSERT_EQ(player.Type(), "find_list_mask");
  Kivo::MiniGame& game = *player.Game();
  int clicks = 0;
  for (int round = 0; round < 40 && !game.IsWon(); ++round) {
    for (int i = 0; i < 400; ++i) player.Step();  // the list fades in, found items fly home
    std::vector<Seen> listed;
    std::vector<Seen> scene;
    DrawFrame(game, listed, scene);
    if (game.IsWon()) break;
    ASSERT_FALSE(listed.empty()) << "round " << round << ": the list area shows nothing";
    // The first entry the list shows, looked for among the scene's pictures.
    const Seen& wanted = listed.front();
    // The silhouette's edge is softened, so the shapes agree closely, not
    // exactly; the picture taken must stand out from every other one.
    const Seen* best = nullptr;
    float bestAgreement = 0.0f;
    float runnerUp = 0.0f;
    for (const Seen& candidate : scene) {
      const float agreement = ShapeAgreement(wanted.image, candidate.image);
      if (agreement > bestAgreement) {
        runnerUp = bestAgreement;
        bestAgreement = agreement;
        best = &candidate;
      } else {
        runnerUp = std::max(runnerUp, agreement);
      }
    }
    ASSERT_NE(best, nullptr) << "round " << round;
    ASSERT_GE(bestAgreement, 0.85f) << "round " << round << ": no picture in the scene has the listed shape";
    ASSERT_GE(bestAgreement - runnerUp, 0.03f) << "round " << round << ": two pictures have the listed shape";
    const Kivo::Vec2 at = Kivo::QuadMiddle(best->quad);
    Kivo::AutoplayMove click;
    click.kind = Kivo::AutoplayMove::kClick;
    click.x = static_cast<int>(at.x);
    click.y = static_cast<int>(at.y);
    click.clicks = 1;
    player.Perform(click);
    ++clicks;
  }
  EXPECT_TRUE(game.IsWon()) << "after " << clicks << " clicks";
  EXPECT_GE(clicks, 5);
}

// The hint of every hint-giving kind, pressed on the level screen over the
// kind's first sample level: the effect it starts must light pixels of a
// frame at the point the kind hints at. The particles are drawn as the game
// draws them, through the software 3D device onto a black screen.
class HintEffectTest : public SampleLevelTest {
 protected:
  static constexpr int kWidth = 800;
  static constexpr int kHeight = 600;

  void SetUp() override {
    SampleLevelTest::SetUp();
    Kivo::InstallLevelContext(&context);
    DDrawStandIn::Machine machine;
    machine.desktopFormat = DDrawStandIn::Format::kRGB888;
    DDrawStandIn::Reset(machine);
    window.client = RECT{100, 50, 100 + kWidth, 50 + kHeight};
    DDrawStandIn::SetWindowHost(&window);
    Kivo::InstallDDImageFactory();
    D3DStandIn::Reset();
    displayApp.width = kWidth;
    displayApp.height = kHeight;
    display = std::make_unique<Kivo::DDInterface>(&displayApp);
    display->is3D = true;
    ASSERT_EQ(display->Init(window.window, true), 0);
    ASSERT_NE(display->renderer, nullptr);
    screen3D = display->GetScreenImage();
    ASSERT_NE(screen3D, nullptr);
  }
  void TearDown() override {
    // The pictures go before the device that holds their textures.
    Kivo::gParticleSystem.Clear();
    Kivo::FreeParticleGlobals();
    Kivo::FreeSceneDatabase();
    display.reset();
    D3DStandIn::Reset();
    DDrawStandIn::SetWindowHost(nullptr);
    DDrawStandIn::Reset();
    Kivo::InstallLevelContext(nullptr);
    SampleLevelTest::TearDown();
  }

  // A frame of every particle now alive, alone on black: 0xRRGGBB pixels.
  std::vector<uint32_t> DrawParticles(const Kivo::ObjectList& level, const Kivo::ObjectList& hud) {
    Kivo::Graphics g(screen3D);
    g.SetColor(Kivo::Color(0, 0, 0));
    g.FillRect(0, 0, kWidth, kHeight);
    Kivo::gParticleSystem.Draw(g);
    for (const Kivo::ObjectList* objects : {&level, &hud}) {
      for (Kivo::sObj* object : *objects) {
        auto* emitter = dynamic_cast<Kivo::sObjEmitter*>(object);
        if (emitter != nullptr && emitter->mHasOwnSystem) emitter->mOwnSystem.Draw(g);
      }
    }
    display->renderer->Flush();
    std::vector<uint32_t> pixels(static_cast<size_t>(kWidth) * kHeight, 0);
    DDrawStandIn::SurfaceView view;
    EXPECT_TRUE(DDrawStandIn::ViewSurface(display->renderer->drawSurface7, &view));
    for (int y = 0; y < std::min(view.height, kHeight); ++y) {
      for (int x = 0; x < std::min(view.width, kWidth); ++x) {
        uint32_t p;
        std::memcpy(&p, view.pixels + y * view.pitch + x * 4, 4);
        pixels[static_cast<size_t>(y) * kWidth + static_cast<size_t>(x)] = p & 0xFFFFFFu;
      }
    }
    return pixels;
  }

  // Pixels within radius of the point brighter than a faint glow.
  static int LitPixelsNear(const std::vector<uint32_t>& frame, const Kivo::HintPoint& point, int radius) {
    int lit = 0;
    for (int y = std::max(0, static_cast<int>(point.y) - radius);
         y < std::min(kHeight, static_cast<int>(point.y) + radius); ++y) {
      for (int x = std::max(0, static_cast<int>(point.x) - radius);
           x < std::min(kWidth, static_cast<int>(point.x) + radius); ++x) {
        const float dx = static_cast<float>(x) - point.x;
        const float dy = static_cast<float>(y) - point.y;
        if (dx * dx + dy * dy > static_cast<float>(radius * radius)) continue;
        const uint32_t p = frame[static_cast<size_t>(y) * kWidth + static_cast<size_t>(x)];
        lit += std::max({(p >> 16) & 0xFFu, (p >> 8) & 0xFFu, p & 0xFFu}) > 48u ? 1 : 0;
      }
    }
    return lit;
  }

  TestLevelContext context;
  TempFolder home{"kivo-hint-effect"};
  DDrawTest::WindowRecorder window;
  DDrawTest::TestApp displayApp;
  std::unique_ptr<Kivo::DDInterface> display;
  Kivo::DDImage* screen3D = nullptr;
};

TEST_F(HintEffectTest, EveryHintGivingKindLightsPixelsAtTheHintedPoint) {
  int hintingKinds = 0;
  for (int number = 0; number < 27; ++number) {
    const Kivo::LevelSlot slot = Kivo::SampleLevelSlot(number / 4 + 1, number % 4 + 1);
    const std::string scene = "Level_" + std::to_string(slot.stage) + "_" + std::to_string(slot.level);
    SCOPED_TRACE(slot.type + " " + scene);
    Kivo::gRandom.Seed(1234);
    Kivo::LcgSeed(1);
    std::srand(1);
    Kivo::gParticleSystem.Clear();
    TestLevelHost host(home / (scene + ".dat"));
    ASSERT_TRUE(host.profiles.Create(L"Tester", false, false));
    Kivo::GameScreen screen(host, scene);
    screen.Resize(0, 0, 800, 600);
    app->mWidgetManager->AddChild(&screen);
    screen.StartLevel();
    screen.SetDialogState(2);
    Kivo::MiniGame* game = screen.Game();
    ASSERT_NE(game, nullptr);
    if (game->HasHint()) {
      ++hintingKinds;
      auto run = [&screen](int updates) {
        for (int i = 0; i < updates; ++i) {
          screen.Update();
          Kivo::gParticleSystem.Update();  // the game's host does this each update
        }
      };
      run(100);  // the level settles; the hint is charged
      Kivo::HintPoint first;
      Kivo::HintPoint second;
      const uint8_t code = game->GetHintPosition(first, second);
      ASSERT_NE(code, Kivo::kHintNone);
      Kivo::gParticleSystem.Clear();  // only what the hint starts is drawn below
      screen.OnButtonClick("btnHint");
      run(40);
      const std::vector<uint32_t> frame = DrawParticles(screen.Objects(), screen.HudObjects());
      EXPECT_GE(LitPixelsNear(frame, first, 60), 100) << "at the first point " << first.x << "," << first.y;
      if (code == Kivo::kHintAtBoth || code == Kivo::kHintClosedAtBoth) {
        EXPECT_GE(LitPixelsNear(frame, second, 60), 100) << "at the second point " << second.x << "," << second.y;
      }
    }
    app->mWidgetManager->RemoveChild(&screen);
    app->ProcessDeletionQueue();
  }
  EXPECT_GE(hintingKinds, 8);
}

// A find's bursts: the stars over the found item, the sparks and the trail
// of its flight. They stay close to where they start, so they neither cover
// the HUD's counter when the flight ends in the list above it nor spread
// over the room.
TEST_F(SampleLevelTest, FindBurstsStayCloseToWhereTheyStart) {
  Kivo::LevelPlayer player;
  std::string error;
  ASSERT_TRUE(player.Load("Level_1_1", &error)) << error;
  auto* trail = dynamic_cast<Kivo::AnimEffectTarget*>(player.Game()->FindEffect("effSleif"));
  ASSERT_NE(trail, nullptr);
  const Kivo::Vec2 start(400.0f, 300.0f);
  const struct {
    const char* name;
    std::function<void()> begin;
    float reach;
  } cases[] = {
      {"found item's stars", [&] { Kivo::gParticleEffectSets[Kivo::kEffectPlateFly].StartAt(start); }, 80.0f},
      {"flight's sparks", [&] { Kivo::gParticleEffectSets[Kivo::kEffectMagicWand].StartAt(start); }, 24.0f},
      {"flight's trail", [&] { trail->StartAt(start); }, 40.0f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Kivo::gParticleSystem.Clear();
    c.begin();
    float farthest = 0.0f;
    int seen = 0;
    for (int update = 0; update < 500; ++update) {
      Kivo::gParticleSystem.Update();
      for (const Kivo::Particle* p = Kivo::gParticleSystem.FirstLive(); p != nullptr; p = p->mNext) {
        farthest = std::max(farthest, Kivo::Vec2::Distance(p->mPosition, start));
        ++seen;
      }
    }
    EXPECT_GT(seen, 0);
    EXPECT_LE(farthest, c.reach);
    EXPECT_EQ(Kivo::gParticleSystem.LiveCount(), 0);  // and they are gone within 5 s
  }
}

class FindListLevelsTest : public SampleLevelTest, public ::testing::WithParamInterface<SampleCase> {};

TEST_P(FindListLevelsTest, SampleLevelIsWonByItsRule) {
  const SampleCase& c = GetParam();
  const Kivo::LevelPlayResult result = PlaySampleLevel(c.stage, c.level);
  EXPECT_TRUE(result.won) << c.type << ": " << result.failure;
  EXPECT_FALSE(result.lost);
  EXPECT_GE(result.moves, 4);  // won by finding, not at once
}

INSTANTIATE_TEST_SUITE_P(Levels, FindListLevelsTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<SampleCase>& info) {
                           return std::string(info.param.type) + "_" + std::to_string(info.param.stage) + "_" +
                                  std::to_string(info.param.level);
                         });

}  // namespace
}  // namespace leveltest
