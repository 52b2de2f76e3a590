#include "frontend/Screen.h"

#include "frontend/FlatQuads.h"
#include "ui/Graphics.h"
#include "ui/WidgetManager.h"

namespace Kivo {

int MusicIndexByName(const std::string& name) {
  if (name == "menu") return 0;
  for (int index = 1; index <= 10; ++index) {
    if (name == "music" + std::to_string(index)) return index;
  }
  return 1;
}

Screen::Screen(ScreenHost& host, std::string sceneName) : mHost(host), mSceneName(std::move(sceneName)) {
  LoadScene(mSceneName, mObjects);
  LinkAnimTargets(mObjects);
  if (!mObjects.empty()) {
    std::string music = mObjects[0]->mProperties.GetProperty("music_play");
    if (!music.empty()) mHost.PlayMusic(MusicIndexByName(music));
  }
}

Screen::~Screen() { DeleteObjects(mObjects); }

sObj* Screen::FindObject(const std::string& name) const {
  for (sObj* object : mObjects) {
    if (object->mName == name) return object;
  }
  return nullptr;
}

sObj* Screen::PressTarget() const { return mObjects.empty() ? nullptr : mObjects[0]->mActiveChild; }

void Screen::OnAdded(WidgetManager* manager) {
  Widget::OnAdded(manager);
  int index = 0;
  for (sObj* object : mObjects) {
    object->SetIndex(index++);
    object->SetListener(this);
    object->TakeParentFocus();
  }
}

void Screen::Update() {
  Widget::Update();
  for (sObj* object : mObjects) object->Update(mUpdateCount);
  if (mHasFocus && mManager != nullptr) {
    for (sObj* object : mObjects) object->MouseMove(mManager->mLastMouseX, mManager->mLastMouseY);
  }
  // Idle screens are redrawn on every second update only.
  if (mHost.IsFadeFinished() && (mUpdateCount & 1) != 0) return;
  Invalidate();
}

void Screen::Draw(Graphics& g) {
  DrawQuadsFlatWithout3D(g, [this](Graphics& drawing) {
    drawing.SetColorizeImages(true);
    const ScreenMatrices& matrices = mHost.GetScreenMatrices();
    drawing.Begin3D(matrices.world, matrices.projection, matrices.view);
    for (sObj* object : mObjects) object->Draw(&drawing);
    drawing.End3D();
    drawing.SetColorizeImages(false);
  });
}

void Screen::MoveAndDrag(int x, int y) {
  for (sObj* object : mObjects) {
    object->MouseMove(x, y);
    object->MouseDrag(x, y);
  }
  Invalidate();
}

void Screen::MouseMove(int x, int y) { MoveAndDrag(x, y); }
void Screen::MouseDrag(int x, int y) { MoveAndDrag(x, y); }

void Screen::MouseDownButton(int x, int y, int button, int clicks) { Invalidate(); }

void Screen::MouseDown(int x, int y, int clickCount) {
  Invalidate();
  sObj* target = PressTarget();
  if (target != nullptr && target->MouseDown(x, y, clickCount)) return;
  OnBackgroundDown(x, y, clickCount);
}

void Screen::MouseUp(int x, int y, int clickCount) {
  Invalidate();
  sObj* target = PressTarget();
  if (target != nullptr && target->MouseUp(x, y, clickCount)) return;
  OnBackgroundUp(x, y, clickCount);
}

void Screen::MouseWheel(int notches) {
  if (sObj* target = PressTarget()) target->MouseWheel(0, 0, notches);
  Invalidate();
}

void Screen::KeyDown(int key) {
  for (sObj* object : mObjects) object->KeyDown(key);
  Invalidate();
}

void Screen::KeyUp(int key) {
  for (sObj* object : mObjects) object->KeyUp(key);
  Invalidate();
}

void Screen::KeyChar(wchar_t c) {
  for (sObj* object : mObjects) object->KeyChar(c);
  Invalidate();
}

}  // namespace Kivo
