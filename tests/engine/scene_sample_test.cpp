// The builder's XML scene read back and played as a mini-game would: bound
// objects, listener codes, a preset on a track sprite and the strip picture.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/EngineObject.h"
#include "engine/KeyframeTrack.h"
#include "engine/SceneGraph.h"
#include "engine/StripEffect.h"
#include "resources/PakInterface.h"
#include "tests/engine/engine_object_support.h"
#include "tests/ui/ui_test_support.h"
#include "tools/sampledata/SampleXmlScenes.h"

namespace Kivo {
namespace {

class CodeCounter : public Scene::Listener {
 public:
  void OnSceneEvent(Scene::SceneGraph*, Scene::Entity* entity, int code) override {
    if (code != Scene::kEntityStep && code != Scene::kEntityTransformUpdated) codes.push_back(code);
  }
  std::vector<int> codes;
};

class SampleXmlSceneTest : public enginetest::EngineObjectTest {};

TEST_F(SampleXmlSceneTest, LoadsBindsAndPlays) {
  const std::vector<SampleXmlScene> scenes = SampleXmlScenes();
  ASSERT_FALSE(scenes.empty());
  const SampleXmlScene& demo = scenes[0];
  ASSERT_NE(0xEF, static_cast<unsigned char>(demo.text[0]));  // no byte-order mark
  gPakInterface->AddMemoryFile(demo.path, std::vector<uint8_t>(demo.text.begin(), demo.text.end()));

  Scene::SceneGraph graph;
  CodeCounter listener;
  graph.SetListener(&listener);
  ASSERT_TRUE(graph.Load(demo.path));
  EXPECT_EQ("demoGroup", graph.Root().mName);
  std::vector<sObj> sprites(3);
  const char* names[] = {"title", "blinker", "wavy"};
  for (int i = 0; i < 3; ++i) {
    auto* entity = dynamic_cast<Scene::ObjEntity*>(graph.FindEntity(names[i]));
    ASSERT_NE(nullptr, entity) << names[i];
    sprites[i].mName = names[i];
    enginetest::SetRect(sprites[i], -8, -8, 8, 8);
    entity->Attach(&sprites[i]);
    sprites[i].mSceneEntity = entity;
  }
  EXPECT_TRUE(graph.FindEntity("wavy")->mSlave);
  ASSERT_NE(nullptr, graph.FindEntity("wavyShadow"));

  graph.Root().PlayRecursive();
  EXPECT_TRUE(graph.FindEntity("title")->mPlayer.IsPlaying());
  EXPECT_FALSE(graph.FindEntity("wavy")->mPlayer.IsPlaying());
  EXPECT_EQ(Scene::kFirstStarted, listener.codes.front());
  for (int i = 0; i < 300; ++i) graph.Update(10);
  // "blinker" plays once and stops; the looping group and title go on.
  EXPECT_FALSE(graph.FindEntity("blinker")->mPlayer.IsPlaying());
  EXPECT_EQ(2, graph.PlayingCount());
  EXPECT_NE(0.0f, sprites[0].mCentre.x);
  EXPECT_NE(sprites[1].mCentre.x, 0.0f);
  EXPECT_EQ(1, std::count(listener.codes.begin(), listener.codes.end(), Scene::kEntityStopped));

  TrackSprite glowing;
  AnimDef glow;
  MakeGlowAnim(glow);
  KeyframeTrack track;
  track.mKeys = glow.keyList;
  track.mFrames = static_cast<unsigned>(glow.keys);
  track.mRate = glow.rate;
  track.SetApplyFlags(false, false, false, true);
  glowing.PlayAnimDef(track, 0.0f);
  for (int i = 0; i < 20; ++i) glowing.Update(0);
  EXPECT_GT(glowing.mColour.alpha, 0);

  const ImageLib::Image picture = StripPicture();
  EXPECT_EQ(680, picture.width);
  EXPECT_EQ(130, picture.height);
  auto image = test::NewMemoryImage(picture.width, picture.height);
  StripEffect strip;
  strip.Start(1, 40, 6.05f, 40.0f, image.get(), Vec2(0, 235), 1, 30.0f);
  EXPECT_EQ(41u, strip.Edges().size());
  gPakInterface->RemoveMemoryFile(demo.path);
}

}  // namespace
}  // namespace Kivo
