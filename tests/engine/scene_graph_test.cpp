// XML scene files: what the reader builds from each element, its failures,
// the nesting cap, and the listener codes of the graph.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "engine/EngineObject.h"
#include "engine/SceneGraph.h"
#include "resources/PakInterface.h"
#include "resources/PakWriter.h"

namespace Kivo {
namespace Scene {
namespace {

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

// Serves text under name through the file API's memory files.
class SceneFile {
 public:
  SceneFile(const std::string& name, const std::string& text) : mName(name) {
    gPakInterface->AddMemoryFile(name, Bytes(text));
  }
  ~SceneFile() { gPakInterface->RemoveMemoryFile(mName); }

 private:
  std::string mName;
};

struct Code {
  std::string entity;
  int code;
  bool operator==(const Code& o) const { return entity == o.entity && code == o.code; }
};
std::ostream& operator<<(std::ostream& out, const Code& c) { return out << c.entity << ":" << c.code; }

class RecordingListener : public Listener {
 public:
  void OnSceneEvent(SceneGraph*, Entity* entity, int code) override {
    if (code != kEntityStep && code != kEntityTransformUpdated) codes.push_back({entity->mName, code});
  }
  std::vector<Code> codes;
};

const char* kScene = R"(<body>
  <object id="Group" slave="0">
    <animation id="idle" ftl="0.1" loop="1">
      <key frame="0" position="0;0"/>
      <key frame="10" position="100;0" acc="1"/>
    </animation>
    <childs>
      <object type="dummy" id="a">
        <animations>
          <animation ftl="0.1"><key frame="0" position="1;2"/><key frame="5" position="3;4"/></animation>
          <animation loop="0"><key frame="5" position="9;9"/></animation>
        </animations>
      </object>
      <object type="dummy" id="b" slave="1">
        <childs><object id="deep"/></childs>
      </object>
      <object type="dummy" id="a"><childs><object id="hidden"/></childs></object>
      <object><childs><object id="adopted"/></childs></object>
      <object type="other" id="c"/>
    </childs>
  </object>
</body>
)";

TEST(SceneGraph, BuildsTheTreeFromTheFile) {
  SceneFile file("scenes/test_tree.xml", kScene);
  SceneGraph graph;
  ASSERT_TRUE(graph.Load("scenes/test_tree.xml"));
  Entity& root = graph.Root();
  EXPECT_EQ(&root, graph.FindEntity("Group"));
  EXPECT_EQ(nullptr, graph.FindEntity("Root"));
  std::vector<std::string> names;
  for (Entity* child : root.Children()) names.push_back(child->mName);
  // The repeated "a" is dropped with its child; the attribute-less object's
  // inner object lands with the entity read around it.
  EXPECT_EQ((std::vector<std::string>{"a", "b", "adopted", "c"}), names);
  EXPECT_EQ(nullptr, graph.FindEntity("hidden"));
  EXPECT_EQ(ObjEntity::kKind, graph.FindEntity("a")->mKind);
  EXPECT_EQ(ObjEntity::kKind, graph.FindEntity("b")->mKind);
  EXPECT_EQ(0, graph.FindEntity("c")->mKind);
  EXPECT_TRUE(graph.FindEntity("b")->mSlave);
  EXPECT_NE(nullptr, graph.FindEntity("deep"));

  ASSERT_NE(nullptr, root.CurrentClip());
  EXPECT_EQ("idle", root.CurrentClip()->mId);
  EXPECT_TRUE(root.CurrentClip()->mLoop);
  EXPECT_EQ(1.0f, root.CurrentClip()->KeyAt(10)->mAcc);

  // Two id-less animations fill one clip "".
  Entity* a = graph.FindEntity("a");
  EXPECT_EQ(1u, a->ClipCount());
  EXPECT_EQ(2u, a->CurrentClip()->KeyCount());
  EXPECT_EQ(9.0f, a->CurrentClip()->KeyAt(5)->mPositionX);
  // Loading rewinds to the key at frame 0.
  EXPECT_EQ(1.0f, a->mPositionX);
  EXPECT_EQ(2.0f, a->mPositionY);
  EXPECT_EQ(&graph, a->mGraph);
}

TEST(SceneGraph, KeysWithoutFrameAndRepeatedFrames) {
  SceneFile file("scenes/test_keys.xml", R"(<body><object id="r"><animation id="x">
      <key position="5;5"/>
      <key frame="3" position="1;1"/>
      <key frame="3" position="2;2"/>
      <key/>
    </animation></object></body>)");
  SceneGraph graph;
  ASSERT_TRUE(graph.Load("scenes/test_keys.xml"));
  AnimClip* clip = graph.Root().CurrentClip();
  ASSERT_NE(nullptr, clip);
  EXPECT_EQ(2u, clip->KeyCount());
  ASSERT_NE(nullptr, clip->KeyAt(-1));
  EXPECT_EQ(5.0f, clip->KeyAt(-1)->mPositionX);
  EXPECT_EQ(2.0f, clip->KeyAt(3)->mPositionX);
}

TEST(SceneGraph, SecondLoadReplacesAndFailuresKeepWhatWasRead) {
  SceneFile first("scenes/test_first.xml", kScene);
  SceneFile broken("scenes/test_broken.xml", "<body><object id=\"half\"><childs><object id=\"x\"/>\n<<</childs>");
  SceneFile bom("scenes/test_bom.xml", "\xEF\xBB\xBF<body><object id=\"marked\"/></body>");
  SceneGraph graph;
  ASSERT_TRUE(graph.Load("scenes/test_first.xml"));
  EXPECT_FALSE(graph.Load("scenes/missing.xml"));
  EXPECT_TRUE(graph.Root().Children().empty());
  EXPECT_EQ(nullptr, graph.Root().CurrentClip());

  testing::internal::CaptureStderr();
  EXPECT_FALSE(graph.Load("scenes/test_broken.xml"));
  const std::string logged = testing::internal::GetCapturedStderr();
  EXPECT_NE(std::string::npos, logged.find("scenes/test_broken.xml: line 2: Unexpected '<'")) << logged;
  EXPECT_EQ("half", graph.Root().mName);
  EXPECT_NE(nullptr, graph.FindEntity("x"));

  EXPECT_TRUE(graph.Load("scenes/test_bom.xml"));
  EXPECT_EQ("marked", graph.Root().mName);
}

std::string Nested(int levels, bool named = true) {
  std::string text = "<body>";
  for (int i = 0; i < levels; ++i)
    text += named ? "<object id=\"n" + std::to_string(i) + "\"><childs>" : "<object><childs>";
  for (int i = 0; i < levels; ++i) text += "</childs></object>";
  return text + "</body>";
}

TEST(SceneGraph, NestingIsCappedAndDeeperObjectsDropped) {
  SceneFile ok("scenes/test_nest_ok.xml", Nested(SceneGraph::kMaxObjectDepth));
  SceneFile deep("scenes/test_nest_deep.xml", Nested(5000));
  SceneFile wrappers("scenes/test_nest_wrappers.xml", Nested(5000, false));
  SceneGraph graph;
  EXPECT_TRUE(graph.Load("scenes/test_nest_ok.xml"));
  EXPECT_NE(nullptr, graph.FindEntity("n63"));
  EXPECT_FALSE(graph.Load("scenes/test_nest_deep.xml"));
  EXPECT_NE(nullptr, graph.FindEntity("n63"));
  EXPECT_EQ(nullptr, graph.FindEntity("n64"));
  EXPECT_FALSE(graph.Load("scenes/test_nest_wrappers.xml"));
}

TEST(SceneGraph, ListenerCodesCountFirstAndLastEntity) {
  SceneFile file("scenes/test_codes.xml", R"(<body><object id="r">
      <animation ftl="0.1"><key frame="0"/><key frame="1"/></animation>
      <childs><object id="k"><animation ftl="0.1"><key frame="0"/><key frame="2"/></animation></object></childs>
    </object></body>)");
  SceneGraph graph;
  ASSERT_TRUE(graph.Load("scenes/test_codes.xml"));
  graph.Root().PlayRecursive();  // no listener yet: only the counts change
  EXPECT_EQ(2, graph.PlayingCount());
  graph.Root().StopRecursive();
  EXPECT_EQ(0, graph.PlayingCount());

  RecordingListener listener;
  graph.SetListener(&listener);
  graph.Root().PlayRecursive();
  EXPECT_EQ((std::vector<Code>{{"r", 0}, {"r", 2}, {"r", 4}, {"r", 5}, {"k", 2}, {"k", 4}, {"k", 5}}), listener.codes);
  listener.codes.clear();
  graph.FindEntity("k")->mPlayer.Pause();
  EXPECT_EQ(1, graph.PausedCount());
  graph.FindEntity("k")->mPlayer.Resume();
  for (int i = 0; i < 30; ++i) graph.Update(10);
  EXPECT_EQ(
      (std::vector<Code>{{"k", 8}, {"k", 9}, {"r", 5}, {"r", 6}, {"r", 3}, {"k", 5}, {"k", 6}, {"k", 1}, {"k", 3}}),
      listener.codes);
  EXPECT_EQ(0, graph.PausedCount());
}

TEST(SceneGraph, ReadsTheSameFromAnArchive) {
  std::vector<PakSourceFile> files = {{"scenes\\test_packed.xml", Bytes(kScene), 0}};
  std::vector<uint8_t> image;
  std::string error;
  ASSERT_TRUE(BuildPakImage(files, image, error)) << error;
  ASSERT_TRUE(gPakInterface->MountArchiveImage("scene_graph_test.pak", image.data(), image.size()));
  SceneGraph graph;
  ASSERT_TRUE(graph.Load("scenes/TEST_PACKED.xml"));
  EXPECT_EQ("Group", graph.Root().mName);
  EXPECT_EQ(4u, graph.Root().Children().size());
}

TEST(SceneGraph, BoundObjectsFollowTheirEntities) {
  SceneFile file("scenes/test_bound.xml", R"(<body><object id="r"><childs>
      <object type="dummy" id="d"><animation ftl="0.1"><key frame="0" position="0;0"/><key frame="1" position="50;0"/></animation></object>
    </childs></object></body>)");
  SceneGraph graph;
  ASSERT_TRUE(graph.Load("scenes/test_bound.xml"));
  auto* entity = dynamic_cast<ObjEntity*>(graph.FindEntity("d"));
  ASSERT_NE(nullptr, entity);
  sObj object;
  for (int i = 0; i < 4; ++i)
    object.mBaseQuad.corner[i] = Vector2(i == 1 || i == 2 ? 10.0f : 0.0f, i >= 2 ? 10.0f : 0.0f);
  object.UpdateCentre();
  entity->Attach(&object);
  object.mSceneEntity = entity;
  graph.Root().PlayRecursive();
  for (int i = 0; i < 20; ++i) graph.Update(10);
  EXPECT_EQ(50.0f, object.mCentre.x);
  EXPECT_EQ(55.0f, object.mBaseQuad.corner[1].x);
}

}  // namespace
}  // namespace Scene
}  // namespace Kivo
