// Root of the widget tree and its link to the application: maps window to
// logical coordinates, finds the widget under the pointer, keeps the hovered,
// pressed (captured) and focused widgets, held buttons and keys, a stack of
// modal widgets, and the overlays widgets ask for during a draw pass.
//
// The manager never deletes widgets. Its hovered, pressed, focus and modal
// pointers stay valid because a widget that leaves the tree (removed,
// disabled or destroyed) is forgotten first.
//
// Layer: ui uses image/surface and resources (file API, image library) and
// everything below them; never audio, the resource manager or the shell.
#pragma once

#include <climits>
#include <cstdint>
#include <vector>

#include "ui/Widget.h"
#include "ui/WidgetContainer.h"

namespace Kivo {

class Graphics;
class Image;
class WidgetHost;

struct OverlayEntry {
  Widget* widget = nullptr;
  int32_t priority = 0;
};

struct ModalStackEntry {
  Widget* widget = nullptr;
  Widget* previousModal = nullptr;
  Widget* previousFocus = nullptr;
  WidgetFlagChange previousChange;
};

class WidgetManager : public WidgetContainer {
 public:
  static constexpr int kHeldKeyCount = 255;

  explicit WidgetManager(WidgetHost* app);
  ~WidgetManager() override;

  // Logical area and the window area it is shown in. The manager's own size
  // is the logical size plus the margins on both sides.
  void SetCoordinateTransform(const Rect& logical, const Rect& window);
  // A window without a size yet leaves the point unchanged.
  void WindowToLogical(int* x, int* y) const;

  bool UpdateFrame();
  bool UpdateFrameFraction(float fraction);
  // Redraws every dirty visible top-level widget and then the overlays, all
  // through one context on the screen image; false when nothing was dirty.
  bool DrawScreen();
  void GetUpdateFlags(UpdateFlags* flags) const;

  Widget* GetWidgetAt(int x, int y, int* localX, int* localY);
  // As GetWidgetAt, but null when the widget found is disabled (a disabled
  // widget still hides what lies behind it).
  Widget* GetEnabledWidgetAt(int x, int y, int* localX, int* localY);
  void SetMousePosition(int x, int y);
  void RefreshMouseOver();

  // Input entry points; all return true.
  bool OnMouseMove(int x, int y);
  bool OnMouseDrag(int x, int y);
  bool OnMouseDown(int x, int y, int count);
  bool OnMouseUp(int x, int y, int count);
  bool OnMouseExit(int x = 0, int y = 0);  // the position is not used
  bool OnMouseWheel(int notches);
  bool OnKeyDown(int key);
  bool OnKeyUp(int key);
  bool OnKeyChar(wchar_t c);

  void SetFocus(Widget* widget) override;
  void AppGainedFocus();
  void AppLostFocus();
  void ReleaseHeldButtons();
  void ForgetWidget(Widget* widget) override;

  void PushModal(Widget* widget);
  void PushModalWithFlags(Widget* widget, const WidgetFlagChange& change);
  void PopModal(Widget* widget);
  // Clears modal-stack references to a widget that leaves the tree.
  void DropModalReferences(Widget* widget);

  void AddOverlay(Widget* widget, int priority);
  void DrawOverlaysUpTo(int limit);

  // 1 left, 2 right, 4 middle.
  static int ButtonBit(int count);

  Graphics* mCurrentGraphics = nullptr;
  WidgetHost* mApp = nullptr;
  Image* mImage = nullptr;  // screen image every pass draws into
  std::vector<OverlayEntry> mOverlays;
  int32_t mMinOverlayPriority = INT_MAX;
  bool mHasFocus = true;
  Widget* mFocusWidget = nullptr;
  Widget* mPressedWidget = nullptr;
  Widget* mOverWidget = nullptr;
  Widget* mModalWidget = nullptr;
  WidgetFlagChange mBelowModalChange;
  WidgetFlagChange mDefaultBelowModalChange{0, WIDGETFLAGS_ALLOW_MOUSE | WIDGETFLAGS_ALLOW_FOCUS};
  std::vector<ModalStackEntry> mModalStack;
  Rect mLogicalRect;
  Rect mWindowRect;
  bool mMouseIn = false;
  int32_t mLastMouseX = 0;
  int32_t mLastMouseY = 0;
  int32_t mButtonsOnPressed = 0;
  int32_t mButtonsDown = 0;
  bool mKeyDown[kHeldKeyCount] = {};
  int32_t mDefaultFlags =
      WIDGETFLAGS_UPDATE | WIDGETFLAGS_DRAW | WIDGETFLAGS_CLIP | WIDGETFLAGS_ALLOW_MOUSE | WIDGETFLAGS_ALLOW_FOCUS;

 private:
  void EnterWidget(Widget* widget);
  void LeaveWidget(Widget* widget);
  void SendMouseUps(Widget* widget, int buttons);
  void ApplyModal(Widget* widget, const WidgetFlagChange& change);
  void RecomputeMinOverlayPriority();
};

}  // namespace Kivo
