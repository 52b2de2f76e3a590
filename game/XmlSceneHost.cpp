#include "game/XmlSceneHost.h"

#include <cstring>

#include "engine/GameMath.h"
#include "engine/ImageTable.h"
#include "engine/KeyframeTrack.h"
#include "engine/StripEffect.h"
#include "image/MemoryImage.h"
#include "platform/Platform.h"
#include "ui/Graphics.h"

namespace Kivo {

namespace {

constexpr int kMillisecondsPerUpdate = 10;
// The object that glows: a dot the scene file leaves standing (its entity's
// parent is a slave), so the glow is not hidden by movement.
constexpr const char* kGlowObject = "wavyDot";
constexpr const char* kStripPicture = "strip_message";

void Note(const std::string& line) { Platform::Log("xml scene: " + line); }

Matrix4 ToMatrix4(const Mat4& m) {
  Matrix4 out;
  std::memcpy(out.m, m.m, sizeof out.m);
  return out;
}

}  // namespace

XmlSceneHost::~XmlSceneHost() {
  // The strip does not own its picture, which the image table frees later.
  if (mStripStarted) {
    gStripEffect.mActive = 0;
    gStripEffect.mImage = nullptr;
  }
  for (sObj* object : mObjects) object->mSceneEntity = nullptr;
}

void XmlSceneHost::Start(const std::string& path) {
  mGraph.SetListener(this);
  if (!mGraph.Load(path)) Note("\"" + path + "\" did not load whole");
  BindRecursive(mGraph.Root());
  mGraph.Root().PlayRecursive();
  StartGlow(kGlowObject);
  StartStrip();
}

void XmlSceneHost::BindRecursive(Scene::Entity& entity) {
  if (entity.mKind == Scene::ObjEntity::kKind) {
    sObj* object = FindObjectByName(mObjects, entity.mName);
    if (object == nullptr) {
      Note("no object for \"" + entity.mName + "\"");
    } else {
      static_cast<Scene::ObjEntity&>(entity).Attach(object);
      object->mSceneEntity = static_cast<Scene::ObjEntity*>(&entity);
      Note("bound \"" + entity.mName + "\"");
    }
  }
  for (Scene::Entity* child : entity.Children()) BindRecursive(*child);
}

void XmlSceneHost::StartGlow(const std::string& objectName) {
  sObj* object = FindObjectByName(mObjects, objectName);
  if (object == nullptr) {
    Note("no object \"" + objectName + "\" to glow");
    return;
  }
  AnimDef glow;
  MakeGlowAnim(glow);
  object->mAnimations.push_back(glow);
  object->PlayAnimation(glow.name);
  Note("\"" + objectName + "\" glows");
}

void XmlSceneHost::StartStrip() {
  MemoryImage* picture = GetImageByKey(kStripPicture);
  if (picture == nullptr) {
    Note(std::string("no picture \"") + kStripPicture + "\" for the strip");
    return;
  }
  // The picture's left edge lands 100 px right of the origin's x.
  gStripEffect.Start(1, 40, 6.05f, 40.0f, picture, Vec2(0, 235), 1, 30.0f);
  mStripStarted = true;
  Note("strip started");
}

void XmlSceneHost::Update() {
  mGraph.Update(kMillisecondsPerUpdate);
  if (mStripStarted) gStripEffect.Update(++mUpdates);
}

void XmlSceneHost::Draw(Graphics& g, int width, int height) {
  if (!mStripStarted || gStripEffect.mActive == 0) return;
  Mat4 identity;
  Mat4 projection;
  projection.Clear();
  projection.Orthographic(static_cast<float>(width), static_cast<float>(height), 0.0f, 1.0f);
  // The fade is the vertex colour's alpha, which only tints when colouring
  // is on.
  g.SetColorizeImages(true);
  g.Begin3D(ToMatrix4(identity), ToMatrix4(projection), ToMatrix4(identity));
  gStripEffect.Draw(g);
  g.End3D();
  g.SetColorizeImages(false);
}

void XmlSceneHost::OnSceneEvent(Scene::SceneGraph*, Scene::Entity* entity, int code) {
  if (code == Scene::kEntityStep || code == Scene::kEntityTransformUpdated) return;
  Note((entity != nullptr ? entity->mName : std::string("-")) + " " + std::to_string(code));
}

}  // namespace Kivo
