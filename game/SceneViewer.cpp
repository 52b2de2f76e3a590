#include "game/SceneViewer.h"

#include <cstring>

#include "engine/GameMath.h"
#include "engine/ParticleSystem.h"
#include "engine/SoundEmitterKinds.h"
#include "game/ControlsSetup.h"
#include "platform/Environment.h"
#include "shell/base/StringUtils.h"

namespace Kivo {

namespace {

void Note(const std::string& line) { Platform::Log("scene viewer: " + line); }

}  // namespace

SceneViewer::~SceneViewer() {
  LogEditTexts(mObjects);
  mXmlScene.reset();
  DeleteObjects(mObjects);
}

bool SceneViewer::Show(const std::string& sceneName) {
  mXmlScene.reset();
  DeleteObjects(mObjects);
  mSceneName = sceneName;
  if (!LoadScene(sceneName, mObjects)) {
    Note("scene \"" + sceneName + "\" cannot be loaded");
    return false;
  }
  int index = 0;
  for (sObj* object : mObjects) {
    object->SetIndex(index++);
    object->SetListener(this);
    object->TakeParentFocus();
  }
  LinkAnimTargets(mObjects);
  Note("scene \"" + sceneName + "\" shown with " + std::to_string(mObjects.size()) + " objects");
  PrepareControls(mObjects);
  Invalidate();
  return true;
}

void SceneViewer::ShowXmlScene(const std::string& path) {
  mXmlScene = std::make_unique<XmlSceneHost>(mObjects);
  mXmlScene->Start(path);
}

sObj* SceneViewer::ClickTarget() const { return mObjects.empty() ? nullptr : mObjects[0]->mActiveChild; }

void SceneViewer::Update() {
  // The scene file places the objects first; their own animations act on
  // the placed quads.
  if (mXmlScene) mXmlScene->Update();
  for (sObj* object : mObjects) {
    object->Update(1);
    if (mPointerKnown) object->MouseMove(mPointerX, mPointerY);
  }
  gParticleSystem.Update();
  // Cells, scrolling, swings and particles change without a key animation
  // playing, so every update is drawn.
  Invalidate();
}

void SceneViewer::Draw(Graphics& g) {
  // Particles move over everything: without a fresh background they smear.
  g.SetColor(Color(0, 0, 0));
  g.FillRect(0, 0, mWidth, mHeight);
  // Engine quads are vertex triangles in screen pixels: through the 3D
  // renderer they need a projection of the screen's size. Software drawing
  // ignores it.
  Mat4 projection;
  projection.Orthographic(static_cast<float>(mWidth), static_cast<float>(mHeight), -1.0f, 10.0f);
  Matrix4 world;
  Matrix4 view;
  Matrix4 ortho;
  std::memcpy(world.m, Mat4().m, sizeof world.m);
  std::memcpy(view.m, Mat4().m, sizeof view.m);
  std::memcpy(ortho.m, projection.m, sizeof ortho.m);
  g.Begin3D(world, ortho, view);
  for (sObj* object : mObjects) object->Draw(&g);
  gParticleSystem.Draw(g);
  g.End3D();
  if (mXmlScene) mXmlScene->Draw(g, mWidth, mHeight);
}

void SceneViewer::MouseMove(int x, int y) {
  mPointerX = x;
  mPointerY = y;
  mPointerKnown = true;
  for (sObj* object : mObjects) object->MouseMove(x, y);
}

void SceneViewer::MouseDrag(int x, int y) {
  // The updates move the objects to where the pointer is, pressed or not.
  mPointerX = x;
  mPointerY = y;
  mPointerKnown = true;
  for (sObj* object : mObjects) {
    object->MouseMove(x, y);
    object->MouseDrag(x, y);
  }
}

void SceneViewer::MouseDown(int x, int y, int count) {
  sObj* target = ClickTarget();
  if (target == nullptr || !target->MouseDown(x, y, count)) Note("click on the background");
}

void SceneViewer::MouseUp(int x, int y, int count) {
  if (sObj* target = ClickTarget()) target->MouseUp(x, y, count);
}

void SceneViewer::MouseWheel(int notches) {
  if (sObj* target = ClickTarget()) target->MouseWheel(0, 0, notches);
}

void SceneViewer::KeyChar(wchar_t c) {
  for (sObj* object : mObjects) object->KeyChar(c);
}

void SceneViewer::KeyDown(int key) {
  for (sObj* object : mObjects) object->KeyDown(key);
}

void SceneViewer::KeyUp(int key) {
  for (sObj* object : mObjects) object->KeyUp(key);
}

void SceneViewer::OnButtonClick(std::string name) { Note("OnButtonClick(" + name + ")"); }

void SceneViewer::OnButtonAction(std::string name) { Note("OnButtonAction(" + name + ")"); }

void SceneViewer::OnToggle(std::string name, bool on) { Note("OnToggle(" + name + ", " + (on ? "on" : "off") + ")"); }

void SceneViewer::OnSlider(std::string name, float value) {
  Note("OnSlider(" + name + ", " + std::to_string(value) + ")");
}

void SceneViewer::OnListSelect(std::string name, std::wstring row) {
  Note("OnListSelect(" + name + ", " + LogText(row) + ")");
}

void SceneViewer::OnCarouselSelect(std::string name, std::string picture, int clickCount) {
  Note("OnCarouselSelect(" + name + ", " + picture + ", " + std::to_string(clickCount) + ")");
}

void SceneViewer::OnAnimationEnd(std::string name, std::string animation) {
  Note("OnAnimationEnd(" + name + ", " + animation + ")");
}

void SceneViewer::OnMessage(std::string text) { Note("OnMessage(" + text + ")"); }

}  // namespace Kivo
