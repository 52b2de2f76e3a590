#include "frontend/GameDialog.h"

#include "engine/ResourceIds.h"
#include "frontend/FlatQuads.h"
#include "frontend/GameApp.h"
#include "shell/KivoAppBase.h"
#include "ui/Graphics.h"
#include "ui/WidgetManager.h"

namespace Kivo {

namespace {

Matrix4 Identity() {
  Matrix4 m;
  m.Clear();
  for (int i = 0; i < 4; ++i) m.m[i][i] = 1.0f;
  return m;
}

}  // namespace

void DialogFader::Clear() { *this = DialogFader(); }

void DialogFader::Start(ObjectList* list, ObjEventListener* owner, int fadeKind, bool fadeIn, int target) {
  if (list == nullptr) return;
  objects = list;
  listener = owner;
  kind = fadeKind;
  backdropTarget = target;
  direction = fadeIn ? kFadingIn : kFadingOut;
  backdropAlpha = fadeIn ? 0 : target;
  if (kind == kObjectAlphaKind) objectAlpha = fadeIn ? 0 : 255;
}

void DialogFader::NotifyObjects() const {
  if (kind != kObjectAlphaKind || objects == nullptr) return;
  for (sObj* object : *objects) object->SetAlpha(objectAlpha);
}

void DialogFader::Step(const std::string& pendingName) {
  if (!IsActive()) return;
  const bool fadingIn = direction == kFadingIn;
  if (fadingIn)
    backdropAlpha = backdropAlpha + kStep < backdropTarget ? backdropAlpha + kStep : backdropTarget;
  else
    backdropAlpha = backdropAlpha - kStep > 0 ? backdropAlpha - kStep : 0;
  if (kind != kObjectAlphaKind) return;
  if (fadingIn) {
    if (objectAlpha + kStep < 255) {
      objectAlpha += kStep;
    } else {
      objectAlpha = 255;
      direction = kIdle;
      NotifyObjects();
    }
  } else if (objectAlpha - kStep > 0) {
    objectAlpha -= kStep;
  } else {
    objectAlpha = 0;
    direction = kIdle;
    // The listener may close and even replace the dialog: it gets a copy.
    if (listener != nullptr) listener->OnButtonAction(std::string(pendingName));
  }
}

GameDialog::GameDialog(const std::string& sceneName, int dialogId, Widget* focusBack)
    : Dialog(nullptr, nullptr, dialogId, true, L"", L"", L"", kDialogOkCancel),
      mSceneName(sceneName),
      mDialogId(dialogId),
      mFocusBack(focusBack),
      mWorld(Identity()),
      mProjection(Identity()),
      mView(Identity()) {
  mClip = false;
  if (LoadScene(sceneName, mObjects)) LinkAnimTargets(mObjects);
}

GameDialog::~GameDialog() { DeleteObjects(mObjects); }

sObj* GameDialog::PressTarget() const { return mObjects.empty() ? nullptr : mObjects[0]->mActiveChild; }

void GameDialog::Show(ObjectList* ownerObjects) {
  gAppBase->RegisterDialog(mDialogId, this);
  Resize(0, 0, gAppBase->mWidth, gAppBase->mHeight);
  mFader.Start(&mObjects, this, DialogFader::kObjectAlphaKind, true, mBackdropTarget);
  if (ownerObjects != nullptr && !ownerObjects->empty()) {
    if (sObj* hovered = (*ownerObjects)[0]->mActiveChild) hovered->MouseMove(-100, -100);
  }
}

void GameDialog::Close() {
  // Read before the removal: the registry queues this dialog for deletion.
  Widget* focusBack = mFocusBack;
  WidgetManager* manager = gAppBase->mWidgetManager;
  gAppBase->RemoveDialogById(mDialogId);
  if (focusBack != nullptr) manager->SetFocus(focusBack);
}

void GameDialog::Resize(int x, int y, int width, int height) {
  Dialog::Resize(x, y, width, height);
  if (mManager != nullptr) mManager->SetFocus(this);
}

void GameDialog::OnAdded(WidgetManager* manager) {
  // The framework dialog's own buttons are never added: game dialogs show
  // only their scene.
  Widget::OnAdded(manager);
  int index = 0;
  for (sObj* object : mObjects) {
    object->SetIndex(index++);
    object->SetListener(this);
    object->TakeParentFocus();
  }
}

void GameDialog::Update() {
  for (sObj* object : mObjects) object->Update(1);
  mFader.Step(mPendingButton);
  Dialog::Update();
}

void GameDialog::Draw(Graphics& g) {
  g.SetColor(Color(0, 0, 0, mFader.backdropAlpha));
  g.FillRect(0, 0, gAppBase->mWidth, gAppBase->mHeight);
  DrawQuadsFlatWithout3D(g, [this](Graphics& drawing) {
    drawing.SetColorizeImages(true);
    // The game's screen matrices, so that dialog objects stand where screen
    // objects would; identity without the game (tests).
    if (const GameApp* game = TheGame()) {
      const ScreenMatrices& matrices = game->GetScreenMatrices();
      drawing.Begin3D(matrices.world, matrices.projection, matrices.view);
    } else {
      drawing.Begin3D(mWorld, mProjection, mView);
    }
    if (mFader.IsActive()) mFader.NotifyObjects();
    for (sObj* object : mObjects) object->Draw(&drawing);
    drawing.End3D();
    drawing.SetColorizeImages(false);
  });
}

void GameDialog::MouseDown(int x, int y, int count) {
  if (sObj* target = PressTarget()) target->MouseDown(x, y, count);
  Invalidate();
}

void GameDialog::MouseUp(int x, int y, int count) {
  if (sObj* target = PressTarget()) target->MouseUp(x, y, count);
  Invalidate();
}

void GameDialog::MouseWheel(int notches) {
  if (sObj* target = PressTarget()) target->MouseWheel(0, 0, notches);
  Invalidate();
}

void GameDialog::MouseMove(int x, int y) {
  for (sObj* object : mObjects) object->MouseMove(x, y);
  Invalidate();
}

void GameDialog::MouseDrag(int x, int y) { MouseMove(x, y); }

void GameDialog::KeyChar(wchar_t c) {
  for (sObj* object : mObjects) object->KeyChar(c);
  Invalidate();
}

void GameDialog::KeyDown(int key) {
  for (sObj* object : mObjects) object->KeyDown(key);
  Invalidate();
}

void GameDialog::KeyUp(int key) {
  for (sObj* object : mObjects) object->KeyUp(key);
  Invalidate();
}

void GameDialog::OnButtonClick(std::string name) {
  if (!mPendingButton.empty()) return;
  gAppBase->StartSample(SoundIdByName("SOUND_BTN_CLK"));
  mPendingButton = std::move(name);
  mFader.Start(&mObjects, this, DialogFader::kObjectAlphaKind, false, mBackdropTarget);
}

void GameDialog::OnButtonAction(std::string name) { Close(); }

}  // namespace Kivo
