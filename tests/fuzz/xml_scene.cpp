// Fuzz target: the input served as an XML scene file through the file API's
// memory files, loaded, played from the root and updated a few times.
#include <cstdint>
#include <vector>

#include "engine/SceneGraph.h"
#include "resources/PakInterface.h"

namespace {
class CountingListener : public Kivo::Scene::Listener {
 public:
  void OnSceneEvent(Kivo::Scene::SceneGraph*, Kivo::Scene::Entity*, int code) override { mSum += code; }
  long mSum = 0;
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Kivo::PakInterface* pak = Kivo::gPakInterface;  // published before main
  if (!pak) return 0;
  pak->AddMemoryFile("fuzz-scene.xml", std::vector<uint8_t>(data, data + size));
  Kivo::Scene::SceneGraph graph;
  CountingListener listener;
  graph.SetListener(&listener);
  graph.Load("fuzz-scene.xml");
  graph.Root().PlayRecursive();
  for (int i = 0; i < 8; ++i) graph.Update(i < 4 ? 10 : 250);
  graph.Root().RewindRecursive();
  return 0;
}
