// Game dialogs: modal framework dialogs whose content is the objects of the
// scene named like the dialog ("dlgExit", "dlgOptions" ...). A dialog fades
// its objects and a black backdrop in when shown; a button click plays the
// click sound and fades everything out, and only when the fade-out has
// ended (51 updates later) does the dialog act on the button. While one
// button name is pending further clicks are ignored.
//
// A scene the database does not hold leaves the dialog with its backdrop
// only; nothing is reported. Main thread only.
#pragma once

#include <string>

#include "engine/EngineObject.h"
#include "engine/SceneLoader.h"
#include "platform/Environment.h"
#include "shell/base/Matrix.h"
#include "ui/Dialog.h"

namespace Kivo {

// The object of that name and kind in objects, or null; a required one that
// is missing, or of another kind, is logged with the scene's name, so that
// callers skip it rather than dereference it.
template <class Kind>
Kind* FindControl(const ObjectList& objects, const std::string& name, const std::string& scene, bool required = true) {
  Kind* control = dynamic_cast<Kind*>(FindObjectByName(objects, name));
  if (control == nullptr && required)
    Platform::Log("scene \"" + scene + "\": object \"" + name + "\" is missing or of another kind");
  return control;
}

// Runs the fade of a game dialog, one step per update.
struct DialogFader {
  static constexpr uint8_t kIdle = 0;
  static constexpr uint8_t kFadingIn = 255;
  static constexpr uint8_t kFadingOut = 1;
  static constexpr int kObjectAlphaKind = 1;
  static constexpr int kStep = 5;

  ObjectList* objects = nullptr;         // not owned
  ObjEventListener* listener = nullptr;  // not owned
  uint8_t direction = kIdle;
  int kind = 0;
  int objectAlpha = 0;
  int backdropAlpha = 0;
  int backdropTarget = 0;

  void Clear();
  void Start(ObjectList* list, ObjEventListener* owner, int fadeKind, bool fadeIn, int target);
  bool IsActive() const { return direction != kIdle; }
  void NotifyObjects() const;
  // pendingName is handed to the listener's OnButtonAction when a fade-out
  // ends.
  void Step(const std::string& pendingName);
};

class GameDialog : public Dialog, public ObjEventListener {
 public:
  static constexpr int kBackdropTarget = 100;

  // focusBack gets the keyboard focus once the dialog closes; the concrete
  // dialogs treat it as their opener.
  GameDialog(const std::string& sceneName, int dialogId, Widget* focusBack);
  ~GameDialog() override;

  void Resize(int x, int y, int width, int height) override;
  void OnAdded(WidgetManager* manager) override;
  void Update() override;
  void Draw(Graphics& g) override;
  void KeyChar(wchar_t c) override;
  void KeyDown(int key) override;
  void KeyUp(int key) override;
  void MouseMove(int x, int y) override;
  void MouseDrag(int x, int y) override;
  void MouseDown(int x, int y, int count) override;
  void MouseUp(int x, int y, int count) override;
  void MouseWheel(int notches) override;

  // Registers the dialog, covers the window and fades in. ownerObjects are
  // the objects of the screen behind (may be null): its hovered object gets
  // a move far off the window so that its hover ends.
  virtual void Show(ObjectList* ownerObjects);
  // Unregisters the dialog (deleted after the current update) and hands the
  // focus back.
  virtual void Close();

  void OnButtonClick(std::string name) override;
  void OnButtonAction(std::string name) override;

  // The root's active child: the only object that gets presses.
  sObj* PressTarget() const;

  std::string mSceneName;
  ObjectList mObjects;
  std::string mPendingButton;
  DialogFader mFader;
  int mDialogId;
  Widget* mFocusBack;  // not owned
  int mBackdropTarget = kBackdropTarget;
  // The 3-D drawing of the objects uses these while no game exists.
  Matrix4 mWorld;
  Matrix4 mProjection;
  Matrix4 mView;
};

}  // namespace Kivo
