#include "ui/WidgetManager.h"

#include "image/ImageHost.h"
#include "ui/Graphics.h"
#include "ui/WidgetHost.h"

namespace Kivo {

namespace {

// Publishes the pass's screen context and keeps the screen image locked for
// the whole pass; both end however the pass ends.
class DrawPassScope {
 public:
  DrawPassScope(WidgetManager& manager, Graphics& screen) : mManager(manager) {
    mManager.mCurrentGraphics = &screen;
    if (mManager.mApp != nullptr && mManager.mImage != nullptr) {
      mLocked = mManager.mApp->LockScreenImage(mManager.mImage);
    }
  }
  ~DrawPassScope() {
    if (mLocked) mManager.mApp->UnlockScreenImage(mManager.mImage);
    mManager.mCurrentGraphics = nullptr;
  }
  DrawPassScope(const DrawPassScope&) = delete;
  DrawPassScope& operator=(const DrawPassScope&) = delete;

 private:
  WidgetManager& mManager;
  bool mLocked = false;
};

}  // namespace

WidgetManager::WidgetManager(WidgetHost* app) : mApp(app) { mManager = this; }

WidgetManager::~WidgetManager() = default;

int WidgetManager::ButtonBit(int count) {
  if (count < 0) return 2;
  if (count == 3) return 4;
  return 1;
}

void WidgetManager::SetCoordinateTransform(const Rect& logical, const Rect& window) {
  mLogicalRect = logical;
  mWindowRect = window;
  mWidth = logical.width + 2 * logical.x;
  mHeight = logical.height + 2 * logical.y;
}

void WidgetManager::WindowToLogical(int* x, int* y) const {
  if (mWindowRect.width <= 0 || mWindowRect.height <= 0) return;
  const int64_t lx = (int64_t(*x) - mWindowRect.x) * mLogicalRect.width / mWindowRect.width + mLogicalRect.x;
  const int64_t ly = (int64_t(*y) - mWindowRect.y) * mLogicalRect.height / mWindowRect.height + mLogicalRect.y;
  *x = static_cast<int>(lx);
  *y = static_cast<int>(ly);
}

void WidgetManager::GetUpdateFlags(UpdateFlags* flags) const {
  flags->pastModal = mModalWidget == nullptr;
  flags->normal = mDefaultFlags;
  flags->belowModal = mBelowModalChange.Apply(mDefaultFlags);
}

bool WidgetManager::UpdateFrame() {
  UpdateFlags flags;
  GetUpdateFlags(&flags);
  ++mUpdateCount;
  mLastUpdateTick = mUpdateCount;
  UpdateTree(flags);
  return mDirty;
}

bool WidgetManager::UpdateFrameFraction(float fraction) {
  UpdateFlags flags;
  GetUpdateFlags(&flags);
  UpdateTreeFraction(flags, fraction);
  return mDirty;
}

bool WidgetManager::DrawScreen() {
  UpdateFlags flags;
  GetUpdateFlags(&flags);
  int dirtyCount = 0;
  for (const Widget* w : mChildren) {
    if (w->mDirty) ++dirtyCount;
  }
  // Overlays asked for outside a pass are dropped here.
  mMinOverlayPriority = INT_MAX;
  mOverlays.clear();

  Graphics screen(mImage);
  screen.SetDrawsThrough3D(mApp != nullptr && mImage != nullptr && mApp->ImageDrawsThrough3D(mImage));
  DrawPassScope pass(*this, screen);

  bool drawn = false;
  if (dirtyCount > 0) {
    Graphics logical(screen);
    logical.Translate(-mLogicalRect.x, -mLogicalRect.y);
    const bool is3D = GetImageHost()->Is3DOn();
    for (Widget* w : mChildren) {
      if (w == mModalWidget) flags.pastModal = true;
      if (!w->mDirty || !w->mVisible) continue;
      Graphics g(logical);
      g.SetFastStretch(!is3D);
      g.SetLinearBlend(is3D);
      g.Translate(w->mX, w->mY);
      w->DrawTree(flags, g);
      w->mDirty = false;
      drawn = true;
    }
  }
  DrawOverlaysUpTo(INT_MAX);
  return drawn;
}

Widget* WidgetManager::GetWidgetAt(int x, int y, int* localX, int* localY) {
  int lx = 0, ly = 0;
  Widget* found = HitTestChildren(x, y, mDefaultFlags, &lx, &ly);
  if (localX != nullptr) *localX = lx;
  if (localY != nullptr) *localY = ly;
  return found;
}

Widget* WidgetManager::GetEnabledWidgetAt(int x, int y, int* localX, int* localY) {
  Widget* found = GetWidgetAt(x, y, localX, localY);
  if (found != nullptr && found->mDisabled) return nullptr;
  return found;
}

void WidgetManager::EnterWidget(Widget* widget) {
  widget->mIsOver = true;
  widget->MouseEnter();
  if (widget->mHandCursor) widget->ShowHandCursor(true);
}

void WidgetManager::LeaveWidget(Widget* widget) {
  widget->mIsOver = false;
  widget->MouseLeave();
  if (widget->mHandCursor) widget->ShowHandCursor(false);
}

void WidgetManager::SendMouseUps(Widget* widget, int buttons) {
  static const int kBits[3] = {1, 2, 4};
  static const int kCounts[3] = {1, -1, 3};
  for (int i = 0; i < 3; ++i) {
    if ((buttons & kBits[i]) == 0) continue;
    widget->mIsDown = false;
    widget->MouseUp(mLastMouseX - widget->mX, mLastMouseY - widget->mY, kCounts[i]);
  }
}

void WidgetManager::SetMousePosition(int x, int y) {
  const int previousX = mLastMouseX;
  const int previousY = mLastMouseY;
  mLastMouseX = x;
  mLastMouseY = y;
  int lx = 0, ly = 0;
  Widget* w = GetEnabledWidgetAt(x, y, &lx, &ly);
  if (w == mOverWidget) {
    if (w != nullptr && (x != previousX || y != previousY)) w->MouseMove(lx, ly);
    return;
  }
  Widget* previous = mOverWidget;
  mOverWidget = nullptr;
  if (previous != nullptr) LeaveWidget(previous);
  mOverWidget = w;
  if (w != nullptr) {
    EnterWidget(w);
    w->MouseMove(lx, ly);
  }
}

void WidgetManager::RefreshMouseOver() {
  if (mPressedWidget == nullptr) {
    if (mMouseIn) SetMousePosition(mLastMouseX, mLastMouseY);
    return;
  }
  if (mOverWidget != nullptr && GetEnabledWidgetAt(mLastMouseX, mLastMouseY, nullptr, nullptr) != mPressedWidget) {
    Widget* over = mOverWidget;
    mOverWidget = nullptr;
    LeaveWidget(over);
  }
}

bool WidgetManager::OnMouseMove(int x, int y) {
  if (mPressedWidget != nullptr && mButtonsOnPressed != 0) return OnMouseDrag(x, y);
  mMouseIn = true;
  SetMousePosition(x, y);
  return true;
}

bool WidgetManager::OnMouseDrag(int x, int y) {
  mMouseIn = true;
  mLastMouseX = x;
  mLastMouseY = y;
  if (mOverWidget != nullptr && mOverWidget != mPressedWidget) {
    Widget* over = mOverWidget;
    mOverWidget = nullptr;
    LeaveWidget(over);
  }
  if (mPressedWidget == nullptr) return true;
  int ax = 0, ay = 0;
  mPressedWidget->GetAbsolutePosition(&ax, &ay);
  mPressedWidget->MouseDrag(x - ax, y - ay);
  if (mPressedWidget == nullptr) return true;  // forgotten during its own drag
  // The pressed widget keeps the drags; its hovered byte tells whether the
  // pointer is over it.
  if (GetEnabledWidgetAt(x, y, nullptr, nullptr) == mPressedWidget) {
    if (mOverWidget == nullptr) {
      mOverWidget = mPressedWidget;
      EnterWidget(mOverWidget);
    }
  } else if (mOverWidget != nullptr) {
    Widget* over = mOverWidget;
    mOverWidget = nullptr;
    LeaveWidget(over);
  }
  return true;
}

bool WidgetManager::OnMouseDown(int x, int y, int count) {
  const int bit = ButtonBit(count);
  mButtonsDown |= bit;
  SetMousePosition(x, y);
  int lx = 0, ly = 0;
  Widget* target = GetEnabledWidgetAt(x, y, &lx, &ly);
  if (mPressedWidget != nullptr) {
    target = mPressedWidget;
    int ax = 0, ay = 0;
    target->GetAbsolutePosition(&ax, &ay);
    lx = x - ax;
    ly = y - ay;
  }
  // A press that hits nothing captures nothing, so no button is recorded for
  // it: a stale bit would keep the next pressed widget captured.
  mButtonsOnPressed = target != nullptr ? (mButtonsOnPressed | bit) : 0;
  mPressedWidget = target;
  if (target != nullptr) {
    if (target->WantsFocus()) SetFocus(target);
    target->mIsDown = true;
    target->MouseDown(lx, ly, count);
  }
  return true;
}

bool WidgetManager::OnMouseUp(int x, int y, int count) {
  const int bit = ButtonBit(count);
  mButtonsDown &= ~bit;
  if (mPressedWidget != nullptr && (mButtonsOnPressed & bit) != 0) {
    Widget* pressed = mPressedWidget;
    mButtonsOnPressed &= ~bit;
    if (mButtonsOnPressed == 0) mPressedWidget = nullptr;
    pressed->mIsDown = false;
    pressed->MouseUp(x - pressed->mX, y - pressed->mY, count);
  }
  SetMousePosition(x, y);
  return true;
}

bool WidgetManager::OnMouseExit(int, int) {
  mMouseIn = false;
  if (mOverWidget != nullptr) {
    Widget* over = mOverWidget;
    mOverWidget = nullptr;
    LeaveWidget(over);
  }
  return true;
}

bool WidgetManager::OnMouseWheel(int notches) {
  if (mFocusWidget != nullptr) mFocusWidget->MouseWheel(notches);
  return true;
}

bool WidgetManager::OnKeyDown(int key) {
  if (key >= 0 && key < kHeldKeyCount) mKeyDown[key] = true;
  if (mFocusWidget != nullptr) mFocusWidget->KeyDown(key);
  return true;
}

bool WidgetManager::OnKeyUp(int key) {
  if (key >= 0 && key < kHeldKeyCount) mKeyDown[key] = false;
  if (key == kKeyTab && mKeyDown[kKeyControl]) return true;
  if (mFocusWidget != nullptr) mFocusWidget->KeyUp(key);
  return true;
}

bool WidgetManager::OnKeyChar(wchar_t c) {
  if (c == L'\t' && mKeyDown[kKeyControl]) return true;
  if (mFocusWidget != nullptr) mFocusWidget->KeyChar(c);
  return true;
}

void WidgetManager::SetFocus(Widget* widget) {
  if (widget == mFocusWidget) return;
  Widget* old = mFocusWidget;
  mFocusWidget = nullptr;
  if (old != nullptr) old->LostFocus();
  mFocusWidget = (widget != nullptr && widget->mManager == this) ? widget : nullptr;
  if (mFocusWidget != nullptr && mHasFocus) mFocusWidget->GotFocus();
}

void WidgetManager::AppGainedFocus() {
  if (mHasFocus) return;
  mHasFocus = true;
  if (mFocusWidget != nullptr) mFocusWidget->GotFocus();
}

void WidgetManager::AppLostFocus() {
  if (!mHasFocus) return;
  mButtonsDown = 0;
  for (int key = 0; key < kHeldKeyCount; ++key) {
    if (mKeyDown[key]) OnKeyUp(key);
  }
  mHasFocus = false;
  if (mFocusWidget != nullptr) mFocusWidget->LostFocus();
}

void WidgetManager::ReleaseHeldButtons() {
  if (mPressedWidget == nullptr || mButtonsOnPressed == 0) return;
  Widget* pressed = mPressedWidget;
  const int buttons = mButtonsOnPressed;
  mPressedWidget = nullptr;
  mButtonsOnPressed = 0;
  SendMouseUps(pressed, buttons);
}

void WidgetManager::ForgetWidget(Widget* widget) {
  if (widget == nullptr) return;
  if (widget == mOverWidget) {
    mOverWidget = nullptr;
    LeaveWidget(widget);
  }
  if (widget == mPressedWidget) {
    const int buttons = mButtonsOnPressed;
    mPressedWidget = nullptr;
    mButtonsOnPressed = 0;
    SendMouseUps(widget, buttons);
  }
  if (widget == mFocusWidget) {
    mFocusWidget = nullptr;
    widget->LostFocus();
  }
  if (widget == mModalWidget) mModalWidget = nullptr;
  // An overlay of a widget that left the tree must not be drawn.
  for (OverlayEntry& entry : mOverlays) {
    if (entry.widget == widget) entry.widget = nullptr;
  }
}

void WidgetManager::PushModal(Widget* widget) { PushModalWithFlags(widget, mDefaultBelowModalChange); }

void WidgetManager::PushModalWithFlags(Widget* widget, const WidgetFlagChange& change) {
  ModalStackEntry entry;
  entry.widget = widget;
  entry.previousModal = mModalWidget;
  entry.previousFocus = mFocusWidget;
  entry.previousChange = mBelowModalChange;
  mModalStack.push_back(entry);
  ApplyModal(widget, change);
}

void WidgetManager::ApplyModal(Widget* widget, const WidgetFlagChange& change) {
  mModalWidget = widget;
  mBelowModalChange = change;
  if (change.remove & WIDGETFLAGS_ALLOW_MOUSE) {
    if (mOverWidget != nullptr && IsBehind(mOverWidget, widget)) {
      Widget* over = mOverWidget;
      mOverWidget = nullptr;
      LeaveWidget(over);
    }
    if (mPressedWidget != nullptr && IsBehind(mPressedWidget, widget)) {
      Widget* pressed = mPressedWidget;
      const int buttons = mButtonsOnPressed;
      mPressedWidget = nullptr;
      mButtonsOnPressed = 0;
      SendMouseUps(pressed, buttons);
    }
  }
  if ((change.remove & WIDGETFLAGS_ALLOW_FOCUS) && mFocusWidget != nullptr && IsBehind(mFocusWidget, widget)) {
    Widget* focus = mFocusWidget;
    mFocusWidget = nullptr;
    focus->LostFocus();
  }
}

void WidgetManager::PopModal(Widget* widget) {
  if (mModalStack.empty() || mModalStack.back().widget != widget) return;
  // Entries whose widget vanished without a pop are cleaned up on the way.
  while (!mModalStack.empty()) {
    const ModalStackEntry entry = mModalStack.back();
    const bool last = entry.previousModal != nullptr || mModalStack.size() == 1;
    ApplyModal(entry.previousModal, entry.previousChange);
    if (mFocusWidget == nullptr && entry.previousFocus != nullptr) {
      mFocusWidget = entry.previousFocus;
      mFocusWidget->GotFocus();
    }
    mModalStack.pop_back();
    if (last) break;
  }
}

void WidgetManager::DropModalReferences(Widget* widget) {
  for (ModalStackEntry& entry : mModalStack) {
    if (entry.previousModal == widget) entry.previousModal = nullptr;
    if (entry.previousFocus == widget) entry.previousFocus = nullptr;
  }
}

void WidgetManager::AddOverlay(Widget* widget, int priority) {
  OverlayEntry entry;
  entry.widget = widget;
  entry.priority = priority;
  mOverlays.push_back(entry);
  if (priority < mMinOverlayPriority) mMinOverlayPriority = priority;
}

void WidgetManager::RecomputeMinOverlayPriority() {
  mMinOverlayPriority = INT_MAX;
  for (const OverlayEntry& entry : mOverlays) {
    if (entry.widget != nullptr && entry.priority < mMinOverlayPriority) mMinOverlayPriority = entry.priority;
  }
}

void WidgetManager::DrawOverlaysUpTo(int limit) {
  if (mCurrentGraphics == nullptr) return;  // overlays exist only within a pass
  const bool is3D = GetImageHost()->Is3DOn();
  while (true) {
    const int priority = mMinOverlayPriority;
    // Indexed: drawing an overlay may request more.
    for (size_t i = 0; i < mOverlays.size(); ++i) {
      Widget* widget = mOverlays[i].widget;
      if (widget == nullptr || mOverlays[i].priority != priority) continue;
      mOverlays[i].widget = nullptr;
      Graphics g(*mCurrentGraphics);
      g.Translate(-mLogicalRect.x, -mLogicalRect.y);
      g.Translate(widget->mX, widget->mY);
      g.SetFastStretch(!is3D);
      g.SetLinearBlend(is3D);
      widget->DrawOverlayAt(g, priority);
    }
    RecomputeMinOverlayPriority();
    bool anyLeft = false;
    for (const OverlayEntry& entry : mOverlays) anyLeft = anyLeft || entry.widget != nullptr;
    if (!anyLeft) {
      mOverlays.clear();
      return;
    }
    if (!(mMinOverlayPriority < limit)) return;
  }
}

}  // namespace Kivo
