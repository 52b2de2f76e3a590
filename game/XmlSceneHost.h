// The XML-scene part of the scene viewer, for developers and end-to-end
// tests (GAME_XML_SCENE): loads an XML scene file beside the database scene,
// binds every "dummy" entity to the viewer's object of the same name, plays
// the tree at 10 ms per update, gives one object the "glow" preset and shows
// the strip wave on the picture "strip_message". Every listener code but the
// per-update ones (step, transform updated) goes to the log as
// "xml scene: <entity> <code>".
//
// A file that is missing or malformed is logged and what was read still
// plays; a missing object or picture leaves that part out with a log line.
#pragma once

#include <string>

#include "engine/SceneGraph.h"
#include "engine/SceneLoader.h"

namespace Kivo {

class Graphics;

class XmlSceneHost final : public Scene::Listener {
 public:
  // objects: the viewer's list, which outlives this host.
  explicit XmlSceneHost(const ObjectList& objects) : mObjects(objects) {}
  ~XmlSceneHost();
  XmlSceneHost(const XmlSceneHost&) = delete;
  XmlSceneHost& operator=(const XmlSceneHost&) = delete;

  // Loads, binds, starts playback, the glow and the strip.
  void Start(const std::string& path);
  void Update();
  // Draws the strip under the screen matrices of a width x height screen.
  void Draw(Graphics& g, int width, int height);

  void OnSceneEvent(Scene::SceneGraph* graph, Scene::Entity* entity, int code) override;

 private:
  void BindRecursive(Scene::Entity& entity);
  void StartGlow(const std::string& objectName);
  void StartStrip();

  const ObjectList& mObjects;
  Scene::SceneGraph mGraph;
  int mUpdates = 0;
  bool mStripStarted = false;
};

}  // namespace Kivo
