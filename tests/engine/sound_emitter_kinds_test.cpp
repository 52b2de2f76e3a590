// Sound objects against a recording sound manager, and emitters with the
// sample effects: sharing, own systems, repeats, following, drawing between
// 3D passes and starts through animation links.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "audio/SoundInstance.h"
#include "audio/SoundManager.h"
#include "display/D3DInterface.h"
#include "engine/GameMath.h"
#include "engine/PlainKinds.h"
#include "engine/ResourceIds.h"
#include "engine/SceneDatabase.h"
#include "engine/SceneLoader.h"
#include "engine/SoundEmitterKinds.h"
#include "engine/SpriteKinds.h"
#include "image/surface/DDImage.h"
#include "platform/devices/D3D.h"
#include "resources/manifest/ResourceManager.h"
#include "tests/display/ddraw_fixture.h"
#include "tests/engine/engine_object_support.h"
#include "tests/support/temp_folder.h"
#include "tests/ui/ui_test_support.h"
#include "tools/sampledata/SampleEffects.h"
#include "tools/sampledata/SampleScenes.h"
#include "ui/Graphics.h"
#include "tests/support/sample_scene_data.h"

namespace {

using namespace Kivo;
using namespace enginetest;
using Kivo::test::RecordingImage;

class RecordingInstance : public SoundInstance {
 public:
  RecordingInstance(int id, std::vector<std::string>* log) : mId(std::to_string(id)), mLog(log) {}
  void Release() override { Note("Release"); }
  void SetBaseVolume(double) override {}
  void SetBasePan(int) override {}
  void ShiftPitch(double) override {}
  void SetVolume(double volume) override { Note("SetVolume(" + std::to_string(volume).substr(0, 4) + ")"); }
  void SetPan(int pan) override { Note("SetPan(" + std::to_string(pan) + ")"); }
  bool Play(bool looping, bool release) override {
    Note(std::string("Play(") + (looping ? "loop" : "once") + (release ? ",release" : "") + ")");
    return true;
  }
  void Stop() override { Note("Stop"); }
  bool IsPlaying() override { return false; }
  bool IsReleased() override { return false; }
  double GetVolume() override { return 1.0; }

 private:
  void Note(const std::string& call) { mLog->push_back(mId + "." + call); }
  std::string mId;
  std::vector<std::string>* mLog;
};

class RecordingSoundManager : public SoundManager {
 public:
  bool IsReady() override { return true; }
  int FindOrLoadSound(const std::string&) override { return -1; }
  bool LoadSoundIntoId(int, const std::string&) override { return false; }
  void UnloadSound(int) override {}
  void SetMasterVolume(double) override {}
  bool SetSoundBaseVolume(int, double) override { return false; }
  bool SetSoundBasePan(int, int) override { return false; }
  SoundInstance* CreateInstance(int id) override {
    log.push_back("Create(" + std::to_string(id) + ")");
    if (freeInstances == 0) return nullptr;
    --freeInstances;
    instances.push_back(std::make_unique<RecordingInstance>(id, &log));
    return instances.back().get();
  }
  void UnloadAllSounds() override {}
  void ReleaseAllInstances() override {}
  double GetSystemVolume() override { return 1.0; }
  void SetSystemVolume(double) override {}
  void ReservedHook() override {}
  void AttachToWindow(void*, bool) override {}
  void StopAllInstances() override {}
  int FindFreeSoundId() override { return 0; }
  int CountLoadedSounds() override { return 0; }

  std::vector<std::string> log;
  int freeInstances = 32;
  std::vector<std::unique_ptr<RecordingInstance>> instances;
};

// Sound ids 100 + the name's resource id, as a loaded manifest would give.
class SoundIdManager : public ResourceManager {
 public:
  explicit SoundIdManager(KivoAppBase* app) : ResourceManager(app) {}
  int SoundOrThrow(const std::string& id) override { return 100 + ResourceIdByName(id); }
};

class SoundObjectTest : public EngineObjectTest {
 protected:
  void SetUp() override {
    EngineObjectTest::SetUp();
    app->mSoundManager = &sounds;
    SoundIdManager names(app.get());
    ASSERT_TRUE(FetchSoundIds(names));
  }
  void TearDown() override {
    ForgetFetchedResources();
    app->mSoundManager = nullptr;
    EngineObjectTest::TearDown();
  }
  void Apply(sObjSound& sound, const std::vector<std::pair<std::string, std::string>>& pairs) {
    for (const auto& pair : pairs) sound.mProperties.Add(pair.first, pair.second);
    sound.ApplyProperties();
  }
  std::string Calls() {
    std::string out;
    for (const std::string& call : sounds.log) out += (out.empty() ? "" : " ") + call;
    sounds.log.clear();
    return out;
  }

  RecordingSoundManager sounds;
};

TEST_F(SoundObjectTest, StartedLoopingSoundPlaysFromLoad) {
  sObjSound sound;
  Apply(sound, {{"_keySound", "SOUND_FIND"}, {"_fTimeRepeat", "1"}, {"_iStarted", "1"}, {"_fVolume", "0.5"}});
  const int id = 100 + ResourceIdByName("SOUND_FIND");
  EXPECT_EQ(Calls(), "Create(" + std::to_string(id) + ") " + std::to_string(id) + ".SetVolume(0.50) " +
                         std::to_string(id) + ".Play(loop)");
  EXPECT_TRUE(sound.mPlaying);
  EXPECT_TRUE(sound.mLooping);
}

TEST_F(SoundObjectTest, PanIsSetOnlyWhenGivenAndEachPlayReleasesTheLastInstance) {
  sObjSound unpanned;
  Apply(unpanned, {{"_keySound", "SOUND_MISS"}});
  unpanned.Play();
  EXPECT_EQ(Calls().find("SetPan"), std::string::npos);

  sObjSound panned;
  Apply(panned, {{"_keySound", "SOUND_MISS"}, {"_iPan", "0"}});
  panned.Play();
  panned.Play();
  EXPECT_EQ(Calls(),
            "Create(111) 111.SetPan(0) 111.SetVolume(1.00) 111.Play(once) 111.Release Create(111) "
            "111.SetPan(0) 111.SetVolume(1.00) 111.Play(once)");
  panned.Stop();
  EXPECT_EQ(Calls(), "111.Stop 111.Release");
  EXPECT_FALSE(panned.mPlaying);
  unpanned.ReleaseImages();
  EXPECT_EQ(Calls(), "111.Release");  // released, not stopped first
  EXPECT_FALSE(unpanned.mPlaying);
}

TEST_F(SoundObjectTest, NoInstanceNoNameOrAFontNamePlayNothing) {
  sounds.freeInstances = 0;
  sObjSound full;
  Apply(full, {{"_keySound", "SOUND_MISS"}, {"_iStarted", "1"}});
  EXPECT_FALSE(full.mPlaying);

  for (const char* name : {"FONT_TEXT", "FONT_GENERAL", "SOUND_NOTHING", ""}) {
    sObjSound sound;
    Apply(sound, {{"_keySound", name}, {"_iStarted", "1"}});
    EXPECT_EQ(sound.mSoundId, -1) << name;
    EXPECT_FALSE(sound.mPlaying) << name;
  }
  sObjSound zero;
  Apply(zero, {{"_keySound", "SOUND_MISS"}, {"_iStarted", "0"}});
  EXPECT_FALSE(zero.mPlaying);
  Calls();
  EXPECT_EQ(sounds.log.size(), 0u);
}

class EmitterTest : public EngineObjectTest {
 protected:
  void SetUp() override {
    EngineObjectTest::SetUp();
    std::string error;
    ASSERT_TRUE(WriteSampleEffects(mFolder.path(), &error)) << error;
    ASSERT_TRUE(CopySampleSceneData(mFolder.path(), &error)) << error;
    mHome = std::filesystem::current_path();
    std::filesystem::current_path(mFolder.path());
    // The particle pictures come from the sample image table.
    ASSERT_TRUE(OpenSceneDatabase("data/data.dtm"));
    LcgSeed(5);
    gParticleSystem.Init(400, 20);
  }
  void TearDown() override {
    mEmitters.clear();
    FreeParticleGlobals();
    gParticleSystem.Init(0, 0);
    FreeSceneDatabase();
    std::filesystem::current_path(mHome);
    EngineObjectTest::TearDown();
  }
  sObjEmitter& Make(const std::vector<std::pair<std::string, std::string>>& pairs) {
    mEmitters.push_back(std::make_unique<sObjEmitter>());
    sObjEmitter& emitter = *mEmitters.back();
    SetRect(emitter, 100, 100, 120, 140);
    for (const auto& pair : pairs) emitter.mProperties.Add(pair.first, pair.second);
    emitter.ApplyProperties();
    return emitter;
  }
  int ActiveSlots(ParticleSystem& system) {
    int active = 0;
    for (int i = 0; i < system.SlotCount(); ++i) active += system.Slot(i)->IsActive();
    return active;
  }

  TempFolder mFolder{"kivo-emitters"};
  std::filesystem::path mHome;
  std::vector<std::unique_ptr<sObjEmitter>> mEmitters;
};

TEST_F(EmitterTest, EmittersOfOneEffectShareOneLoad) {
  sObjEmitter& first = Make({{"_keyEff", "fxsparkle"}});
  sObjEmitter& second = Make({{"_keyEff", "fxsparkle"}});
  EXPECT_FALSE(first.mShared);
  EXPECT_TRUE(second.mShared);
  EXPECT_EQ(first.mEffect, second.mEffect);
  EXPECT_EQ(gEmitterEffects.size(), 1u);
  EXPECT_EQ(first.mEffect->mEffect->Records().size(), 2u);
}

// The creator goes while the shared emitter and the global system still run
// the effect.
TEST_F(EmitterTest, ReleasingTheCreatorKeepsTheEffectForTheSharedEmitter) {
  sObjEmitter& creator = Make({{"_keyEff", "fxsparkle"}, {"_iStarted", "1"}});
  sObjEmitter& shared = Make({{"_keyEff", "fxsparkle"}, {"_iStarted", "1"}});
  for (int i = 0; i < 80; ++i) gParticleSystem.Update();
  ASSERT_GT(gParticleSystem.LiveCount(), 0);
  creator.ReleaseImages();
  mEmitters.erase(mEmitters.begin());
  RecordingImage target(800, 600);
  Graphics g(&target);
  for (int i = 0; i < 20; ++i) {
    gParticleSystem.Update();
    shared.Update(1);
  }
  gParticleSystem.Draw(g);
  EXPECT_GT(gParticleSystem.LiveCount(), 0);
  EXPECT_FALSE(target.calls.empty());
  shared.ReleaseImages();
  EXPECT_TRUE(gEmitterEffects.empty());
  EXPECT_EQ(gParticleSystem.LiveCount(), 0);
  gParticleSystem.Update();
  gParticleSystem.Draw(g);
}

TEST_F(EmitterTest, OwnSystemOnlyWithTwoPositiveCounts) {
  struct Case {
    const char* particles;
    const char* slots;
    bool own;
  };
  for (const Case& c :
       {Case{"100", "5", true}, Case{"100", "0", false}, Case{"0", "5", false}, Case{"-5", "5", false}}) {
    sObjEmitter& emitter = Make({{"_keyEff", "fxfountain"}, {"_iMaxPart", c.particles}, {"_iMaxEmm", c.slots}});
    EXPECT_EQ(emitter.mHasOwnSystem, c.own) << c.particles << " " << c.slots;
    emitter.Start();
    EXPECT_EQ(ActiveSlots(emitter.mOwnSystem), c.own ? 1 : 0);
  }
  EXPECT_EQ(ActiveSlots(gParticleSystem), 3);
  // Properties applied again replace the own pools.
  sObjEmitter& again = *mEmitters.front();
  again.ApplyProperties();
  EXPECT_TRUE(again.mHasOwnSystem);
  EXPECT_EQ(again.mOwnSystem.ParticleCount(), 100);
  EXPECT_EQ(gEmitterEffects.size(), 1u);
  EXPECT_EQ(gEmitterEffects[0]->mHolders, 4);
}

// Counts from a scene are bounded before any pool is allocated: past either
// limit the emitter is logged and runs its effect in the shared system.
TEST_F(EmitterTest, OwnSystemCountsPastTheLimitsAreRefusedAndLogged) {
  const std::string logPath = mFolder.path() + "/game.log";
  ::setenv("GAME_LOG", logPath.c_str(), 1);
  struct Case {
    std::string particles;
    std::string slots;
    bool own;
  };
  const std::string maxParticles = std::to_string(sObjEmitter::kMaxOwnParticles);
  const std::string maxSlots = std::to_string(sObjEmitter::kMaxOwnSlots);
  for (const Case& c :
       {Case{"2000000000", "4", false}, Case{"300", "2000000000", false}, Case{maxParticles, maxSlots, true},
        Case{std::to_string(sObjEmitter::kMaxOwnParticles + 1), "4", false},
        Case{"300", std::to_string(sObjEmitter::kMaxOwnSlots + 1), false}}) {
    SCOPED_TRACE(c.particles + " " + c.slots);
    sObjEmitter& emitter = Make({{"_keyEff", "fxfountain"}, {"_iMaxPart", c.particles}, {"_iMaxEmm", c.slots}});
    EXPECT_EQ(emitter.mHasOwnSystem, c.own);
    EXPECT_EQ(emitter.mOwnSystem.ParticleCount(), c.own ? sObjEmitter::kMaxOwnParticles : 0);
    const int sharedBefore = ActiveSlots(gParticleSystem);
    emitter.Start();
    EXPECT_EQ(ActiveSlots(gParticleSystem), sharedBefore + (c.own ? 0 : 1));
  }
  ::unsetenv("GAME_LOG");
  std::ifstream in(logPath, std::ios::binary);
  const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::size_t lines = 0;
  for (std::size_t at = log.find("is over the limits"); at != std::string::npos;
       at = log.find("is over the limits", at + 1))
    ++lines;
  EXPECT_EQ(lines, 4u) << log;
}

TEST_F(EmitterTest, WithoutAnEffectAStartStartsNothing) {
  sObjEmitter& emitter = Make({{"_iStarted", "1"}, {"_fTimeRepeat", "0.05"}});
  EXPECT_TRUE(emitter.mRunning);
  for (int i = 0; i < 20; ++i) emitter.Update(1);
  EXPECT_EQ(ActiveSlots(gParticleSystem), 0);
}

TEST_F(EmitterTest, RepeatRestartsEveryIntervalUntilStop) {
  sObjEmitter& emitter = Make({{"_keyEff", "fxtrail"}, {"_fTimeRepeat", "2.5"}});
  gParticleSystem.Init(4000, 300);
  emitter.Start();
  std::vector<int> restarts;
  int slotsBefore = ActiveSlots(gParticleSystem);
  for (int update = 1; update <= 600; ++update) {
    emitter.Update(1);
    const int slots = ActiveSlots(gParticleSystem);
    if (slots > slotsBefore) restarts.push_back(update);
    slotsBefore = slots;
  }
  EXPECT_EQ(restarts, (std::vector<int>{251, 502}));
  emitter.Stop();
  for (int update = 0; update < 600; ++update) emitter.Update(1);
  EXPECT_EQ(ActiveSlots(gParticleSystem), 3);
}

TEST_F(EmitterTest, FollowingRestartsAtThePointsPresentPosition) {
  sObjEmitter& emitter = Make({{"_keyEff", "fxtrail"}, {"_fTimeRepeat", "0.1"}});
  Vec2 point(10, 20);
  emitter.StartFollowing(&point);
  EXPECT_EQ(gParticleSystem.Slot(0)->mPositionArea.mX, 10.0f);
  point = Vec2(300, 400);
  for (int i = 0; i < 11; ++i) emitter.Update(1);
  EXPECT_EQ(gParticleSystem.Slot(1)->mPositionArea.mX, 300.0f);
  EXPECT_EQ(gParticleSystem.Slot(1)->mPositionArea.mY, 400.0f);
  EXPECT_EQ(emitter.mFollowed, &point);
  emitter.Stop();
  EXPECT_EQ(emitter.mFollowed, nullptr);
}

TEST_F(EmitterTest, OwnSystemDrawsBetweenThe3DPasses) {
  sObjEmitter& emitter = Make({{"_keyEff", "fxfountain"}, {"_iMaxPart", "50"}, {"_iMaxEmm", "2"}, {"_iStarted", "1"}});
  for (int i = 0; i < 5; ++i) emitter.Update(1);
  ASSERT_GT(emitter.mOwnSystem.LiveCount(), 0);
  struct Recording3D : RecordingImage {
    using RecordingImage::RecordingImage;
    void Begin3D(const Matrix4&, const Matrix4&, const Matrix4&) override { calls.push_back({"Begin3D", "", {}}); }
    void End3D() override { calls.push_back({"End3D", "", {}}); }
  } target(800, 600);
  Graphics g(&target);
  emitter.Draw(&g);
  ASSERT_GE(target.calls.size(), 3u);
  EXPECT_EQ(target.calls.front().name, "End3D");
  EXPECT_EQ(target.calls.back().name, "Begin3D");
  EXPECT_EQ(target.calls[1].name, "DrawImageAtFloat");

  sObjEmitter& shared = Make({{"_keyEff", "fxfountain"}, {"_iStarted", "1"}});
  target.calls.clear();
  shared.Draw(&g);
  EXPECT_TRUE(target.calls.empty());
}

// Emitters drawn on the 3D screen of the software device, under the
// application's screen matrices (an 800 x 600 window), as every screen,
// dialog and level draws its objects.
class Emitter3DTest : public EmitterTest {
 protected:
  static constexpr int kWidth = 800;
  static constexpr int kHeight = 600;

  void SetUp() override {
    EmitterTest::SetUp();
    DDrawStandIn::Machine machine;
    machine.desktopFormat = DDrawStandIn::Format::kRGB888;
    DDrawStandIn::Reset(machine);
    host.client = RECT{100, 50, 100 + kWidth, 50 + kHeight};
    DDrawStandIn::SetWindowHost(&host);
    InstallDDImageFactory();
    D3DStandIn::Reset();
    displayApp.width = kWidth;
    displayApp.height = kHeight;
    display.reset(new DDInterface(&displayApp));
    display->is3D = true;
    ASSERT_EQ(display->Init(host.window, true), 0);
    ASSERT_NE(display->renderer, nullptr);
    screen = display->GetScreenImage();
    ASSERT_NE(screen, nullptr);
    app->mWidth = kWidth;
    app->mHeight = kHeight;
    previousSprite = RegisterObjectKind(3, [] { return new sObjSprite(); });
    RegisterSoundAndEmitterKinds();
  }
  void TearDown() override {
    RegisterObjectKind(3, previousSprite);
    RegisterObjectKind(kEmitterTypeCode, ObjectKindCreator());
    RegisterObjectKind(kSoundTypeCode, ObjectKindCreator());
    // The images go before the device that holds their textures, and the
    // device before the application its surfaces are registered with.
    mEmitters.clear();
    FreeParticleGlobals();
    FreeSceneDatabase();
    display.reset();
    D3DStandIn::Reset();
    DDrawStandIn::SetWindowHost(nullptr);
    DDrawStandIn::Reset();
    EmitterTest::TearDown();
  }

  // One frame: black, then the objects in order between one Begin3D with
  // the screen matrices and its End3D; the frame's pixels, 0xRRGGBB.
  std::vector<uint32_t> Frame(const std::vector<sObj*>& objects) {
    Graphics g(screen);
    g.SetColor(Color(0, 0, 0));
    g.FillRect(0, 0, kWidth, kHeight);
    Mat4 identity, ortho;
    ortho.Orthographic(static_cast<float>(kWidth), static_cast<float>(kHeight), 0.0f, 1.0f);
    Matrix4 world, projection, view;
    std::memcpy(world.m, identity.m, sizeof world.m);
    std::memcpy(view.m, identity.m, sizeof view.m);
    std::memcpy(projection.m, ortho.m, sizeof projection.m);
    g.SetColorizeImages(true);
    g.Begin3D(world, projection, view);
    for (sObj* object : objects) object->Draw(&g);
    g.End3D();
    g.SetColorizeImages(false);
    display->renderer->Flush();
    std::vector<uint32_t> pixels(static_cast<size_t>(kWidth) * kHeight, 0);
    DDrawStandIn::SurfaceView v;
    EXPECT_TRUE(DDrawStandIn::ViewSurface(display->renderer->drawSurface7, &v));
    EXPECT_EQ(v.width, kWidth);
    EXPECT_EQ(v.height, kHeight);
    for (int y = 0; y < std::min(v.height, kHeight); ++y) {
      for (int x = 0; x < std::min(v.width, kWidth); ++x) {
        uint32_t p;
        std::memcpy(&p, v.pixels + y * v.pitch + x * 4, 4);
        pixels[static_cast<size_t>(y) * kWidth + x] = p & 0xFFFFFFu;
      }
    }
    return pixels;
  }
  // Pixels of the box [x0, x1) x [y0, y1) that are not black.
  static int Lit(const std::vector<uint32_t>& frame, int x0, int y0, int x1, int y1) {
    int lit = 0;
    for (int y = std::max(0, y0); y < std::min(kHeight, y1); ++y)
      for (int x = std::max(0, x0); x < std::min(kWidth, x1); ++x)
        lit += frame[static_cast<size_t>(y) * kWidth + x] != 0;
    return lit;
  }

  DDrawTest::WindowRecorder host;
  DDrawTest::TestApp displayApp;
  std::unique_ptr<DDInterface> display;
  DDImage* screen = nullptr;
  ObjectKindCreator previousSprite;
};

// An emitter with its own system ends the caller's 3D drawing for its
// particles; what the caller draws after it still shows: a 100 x 100
// rectangle lights its 10,000 pixels behind such an emitter as it does
// alone.
TEST_F(Emitter3DTest, ObjectsDrawnAfterAnOwnSystemEmitterStillShow) {
  sObjEmitter& fountain = Make({{"_keyEff", "fxfountain"}, {"_iMaxPart", "300"}, {"_iMaxEmm", "4"}});
  SetRect(fountain, 690, 550, 710, 570);
  fountain.Start();
  for (int i = 0; i < 20; ++i) fountain.Update(1);
  ASSERT_TRUE(fountain.mHasOwnSystem);
  ASSERT_GT(fountain.mOwnSystem.LiveCount(), 0);
  sObjRect rect;
  SetRect(rect, 100, 100, 200, 200);
  rect.ApplyProperties();  // opaque white

  const std::vector<uint32_t> alone = Frame({&rect});
  EXPECT_EQ(Lit(alone, 0, 0, kWidth, kHeight), 100 * 100);
  const std::vector<uint32_t> behind = Frame({&fountain, &rect});
  // Outside the fountain's corner, the rectangle alone.
  EXPECT_EQ(Lit(behind, 0, 0, 600, kHeight), 100 * 100);
  EXPECT_GT(Lit(behind, 600, 440, kWidth, kHeight), 0) << "the fountain's particles are drawn too";
  const std::vector<uint32_t> twice = Frame({&fountain, &rect, &fountain, &rect});
  EXPECT_EQ(Lit(twice, 0, 0, 600, kHeight), 100 * 100);
}

// The sample effects scene in 3D: everything drawn after its fountain (an
// emitter with its own system) appears as in the same scene without the
// fountain; the two frames differ only where the fountain's particles fly.
TEST_F(Emitter3DTest, EffectsSceneShowsEveryObjectAfterTheFountain) {
  gParticleSystem.Init(4000, 300);
  ObjectList objects;
  ASSERT_TRUE(LoadScene(kSampleEffectsScene, objects));
  LinkAnimTargets(objects);
  for (int i = 0; i < 60; ++i) {
    for (sObj* object : objects) object->Update(1);
    gParticleSystem.Update();
  }
  sObj* fountain = FindObjectByName(objects, "fountain");
  ASSERT_NE(dynamic_cast<sObjEmitter*>(fountain), nullptr);
  ASSERT_TRUE(static_cast<sObjEmitter*>(fountain)->mHasOwnSystem);
  std::vector<sObj*> all(objects.begin(), objects.end());
  std::vector<sObj*> withoutFountain;
  bool after = false;
  int drawnAfter = 0;
  for (sObj* object : all) {
    if (object == fountain) {
      after = true;
      continue;
    }
    withoutFountain.push_back(object);
    drawnAfter += after && dynamic_cast<sObjSprite*>(object) != nullptr;
  }
  ASSERT_GT(drawnAfter, 0) << "the scene draws something after its fountain";

  const std::vector<uint32_t> with = Frame(all);
  const std::vector<uint32_t> without = Frame(withoutFountain);
  // The moving sprite, drawn after the fountain, shows in both.
  const sObj* mover = FindObjectByName(objects, "mover");
  ASSERT_NE(mover, nullptr);
  const Quad& box = mover->mDisplayQuad;
  const int x0 = static_cast<int>(box.corner[0].x), y0 = static_cast<int>(box.corner[0].y);
  const int x1 = static_cast<int>(box.corner[2].x), y1 = static_cast<int>(box.corner[2].y);
  ASSERT_GT(x1 - x0, 10);
  EXPECT_GT(Lit(without, x0, y0, x1, y1), (x1 - x0) * (y1 - y0) / 4);
  int differing = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      if (x >= 600 && y >= 440) continue;  // the fountain's corner
      differing += with[static_cast<size_t>(y) * kWidth + x] != without[static_cast<size_t>(y) * kWidth + x];
    }
  }
  EXPECT_EQ(differing, 0);
  EXPECT_GT(Lit(with, 600, 440, kWidth, kHeight), Lit(without, 600, 440, kWidth, kHeight));
  DeleteObjects(objects);
}

TEST_F(EmitterTest, AnimationLinksStartAndStopEmittersAndSounds) {
  RecordingSoundManager sounds;
  app->mSoundManager = &sounds;
  SoundIdManager names(app.get());
  ASSERT_TRUE(FetchSoundIds(names));
  sObjEmitter& begin = Make({{"_keyEff", "fxtrail"}});
  sObjEmitter& played = Make({{"_keyEff", "fxtrail"}, {"_fTimeRepeat", "0.05"}});
  sObjEmitter& end = Make({{"_keyEff", "fxtrail"}});
  sObjSound soundBegin, soundEnd;
  soundBegin.mProperties.Add("_keySound", "SOUND_FIND");
  soundBegin.ApplyProperties();
  soundEnd.mProperties.Add("_keySound", "SOUND_MISS");
  soundEnd.ApplyProperties();
  sObj sprite;
  SetRect(sprite, 0, 0, 10, 10);
  AnimDef def = Def("go", {"keys=2", "rate=100", "key_1=", "key_2=t(10,0)"});
  def.effBegin.target = &begin;
  def.effPlayed.target = &played;
  def.effEnd.target = &end;
  def.soundBegin.target = &soundBegin;
  def.soundEnd.target = &soundEnd;
  sprite.mAnimations.push_back(def);
  sprite.PlayAnimation("go");
  EXPECT_TRUE(begin.mRunning);
  EXPECT_TRUE(played.mRunning);
  EXPECT_EQ(played.mFollowed, &sprite.mDisplayCentre);
  EXPECT_FALSE(end.mRunning);
  EXPECT_TRUE(soundBegin.mPlaying);
  EXPECT_FALSE(soundEnd.mPlaying);
  for (int i = 0; i < 50 && sprite.IsPlaying(); ++i) sprite.Update(1);
  EXPECT_FALSE(sprite.IsPlaying());
  EXPECT_TRUE(end.mRunning);
  EXPECT_FALSE(played.mRunning);
  EXPECT_TRUE(soundEnd.mPlaying);
  soundBegin.ReleaseImages();
  soundEnd.ReleaseImages();
  ForgetFetchedResources();
  app->mSoundManager = nullptr;
}

TEST_F(EmitterTest, FactoryMakesBothKinds) {
  RegisterSoundAndEmitterKinds();
  DtmRecordHeader header{};
  header.type = kEmitterTypeCode;
  std::unique_ptr<sObj> emitter(CreateObjectByType(header));
  EXPECT_NE(dynamic_cast<sObjEmitter*>(emitter.get()), nullptr);
  header.type = kSoundTypeCode;
  std::unique_ptr<sObj> sound(CreateObjectByType(header));
  EXPECT_NE(dynamic_cast<sObjSound*>(sound.get()), nullptr);
  RegisterObjectKind(kEmitterTypeCode, ObjectKindCreator());
  RegisterObjectKind(kSoundTypeCode, ObjectKindCreator());
}

// The effects scene of the sample data: each fixed effect runs near its
// emitter and is gone after its life; the kinds' library holds go with the
// scene.
TEST_F(EmitterTest, EffectsSceneRunsEachFixedEffectAtItsPointAndEndsIt) {
  RegisterSoundAndEmitterKinds();
  gParticleSystem.Init(4000, 300);
  {
    ObjectList objects;
    ASSERT_TRUE(LoadScene(kSampleEffectsScene, objects));
    LinkAnimTargets(objects);
    const char* const fixed[] = {"magicrain", "magicrain2", "magicrain3", "magicwand", "platefly"};
    auto particlesOf = [](const std::string& name, Vec2* mean) {
      const EffectLibraryEntry* entry = nullptr;
      for (const EffectLibraryEntry* e : gEmitterEffects) entry = e->mName == name ? e : entry;
      if (entry == nullptr) return -1;
      const std::vector<EmitterRecord>& records = entry->mEffect->Records();
      int count = 0;
      Vec2 sum(0, 0);
      for (const Particle* p = gParticleSystem.FirstLive(); p != nullptr; p = p->mNext) {
        for (const EmitterRecord& record : records) {
          if (p->mParams != &record.mParticle) continue;
          ++count;
          sum = Vec2(sum.x + p->mPosition.x, sum.y + p->mPosition.y);
        }
      }
      if (count > 0) *mean = Vec2(sum.x / count, sum.y / count);
      return count;
    };
    auto tick = [&objects](int updates) {
      for (int i = 0; i < updates; ++i) {
        for (sObj* object : objects) object->Update(1);
        gParticleSystem.Update();
      }
    };
    tick(90);
    for (const char* name : fixed) {
      SCOPED_TRACE(name);
      Vec2 mean;
      ASSERT_GT(particlesOf(name, &mean), 0);
      const sObj* emitter = FindObjectByName(objects, std::string("fx_") + name);
      ASSERT_NE(emitter, nullptr);
      EXPECT_LT(Vec2::Distance(mean, emitter->mCentre), 250.0f);
    }
    tick(600);
    for (const char* name : fixed) {
      Vec2 mean;
      EXPECT_EQ(particlesOf(name, &mean), 0) << name;
    }
    DeleteObjects(objects);
  }
  EXPECT_TRUE(gEmitterEffects.empty());
  RegisterObjectKind(kEmitterTypeCode, ObjectKindCreator());
  RegisterObjectKind(kSoundTypeCode, ObjectKindCreator());
}

}  // namespace
