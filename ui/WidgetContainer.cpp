#include "ui/WidgetContainer.h"

#include <cstdint>
#include <iterator>

#include "ui/Graphics.h"
#include "ui/Widget.h"
#include "ui/WidgetManager.h"

namespace Kivo {

namespace {

enum HintKind { kHintEnd, kHintStart, kHintBehind, kHintInFront };

// Restores both flag words of a walk on every exit; past-modal stays as the
// walk left it, since everything met later lies in front.
class FlagWordsGuard {
 public:
  explicit FlagWordsGuard(UpdateFlags& flags) : mFlags(flags), mNormal(flags.normal), mBelowModal(flags.belowModal) {}
  ~FlagWordsGuard() {
    mFlags.normal = mNormal;
    mFlags.belowModal = mBelowModal;
  }
  FlagWordsGuard(const FlagWordsGuard&) = delete;
  FlagWordsGuard& operator=(const FlagWordsGuard&) = delete;

 private:
  UpdateFlags& mFlags;
  int32_t mNormal;
  int32_t mBelowModal;
};

// Leaves the update cursor at the end of the list however the walk ends, so
// that removals outside a walk never move it.
class CursorGuard {
 public:
  explicit CursorGuard(WidgetContainer& node) : mNode(node) {}
  ~CursorGuard() {
    mNode.mUpdateCursor = mNode.mChildren.end();
    mNode.mCursorMoved = true;
  }
  CursorGuard(const CursorGuard&) = delete;
  CursorGuard& operator=(const CursorGuard&) = delete;

 private:
  WidgetContainer& mNode;
};

void ClearManagerOfSubtree(WidgetContainer* node) {
  node->mManager = nullptr;
  for (Widget* child : node->mChildren) ClearManagerOfSubtree(child);
}

bool HitRectContains(const Rect& r, int x, int y) {
  return x >= r.x && y >= r.y && int64_t(x) < int64_t(r.x) + r.width && int64_t(y) < int64_t(r.y) + r.height;
}

}  // namespace

WidgetContainer::WidgetContainer() : mUpdateCursor(mChildren.end()) {}

WidgetContainer::~WidgetContainer() {
  // Children outlive their container only detached: no parent, no manager.
  for (Widget* child : mChildren) {
    child->mParent = nullptr;
    ClearManagerOfSubtree(child);
  }
}

Rect WidgetContainer::GetRect() const { return Rect(mX, mY, mWidth, mHeight); }

bool WidgetContainer::Intersects(const WidgetContainer* other) const { return GetRect().Intersects(other->GetRect()); }

WidgetContainer::WidgetList::iterator WidgetContainer::Find(const Widget* widget) {
  for (auto it = mChildren.begin(); it != mChildren.end(); ++it) {
    if (*it == widget) return it;
  }
  return mChildren.end();
}

void WidgetContainer::InsertChildSorted(WidgetList::iterator hint, Widget* widget) {
  const int32_t z = widget->mZOrder;
  auto it = hint;
  while (it != mChildren.end()) {
    if ((*it)->mZOrder >= z) {
      if (it == mChildren.begin() || (*std::prev(it))->mZOrder <= z) {
        mChildren.insert(it, widget);
        return;
      }
      break;
    }
    ++it;
  }
  while (true) {
    if (it == mChildren.begin()) {
      mChildren.insert(it, widget);
      return;
    }
    --it;
    if (!(z < (*it)->mZOrder)) break;
  }
  mChildren.insert(std::next(it), widget);
}

void WidgetContainer::AddChild(Widget* widget) {
  if (widget == nullptr || HasChild(widget)) return;
  InsertChildSorted(mChildren.end(), widget);
  widget->mManager = mManager;
  widget->mParent = this;
  if (mManager != nullptr) {
    widget->OnAdded(mManager);
    widget->InvalidateArea();
    mManager->RefreshMouseOver();
  }
  Invalidate();
}

bool WidgetContainer::RemoveChild(Widget* widget) {
  auto it = Find(widget);
  if (it == mChildren.end()) return false;
  widget->DetachFromManager();
  widget->mParent = nullptr;
  // Detaching may have run code that changed the list; look again.
  it = Find(widget);
  if (it == mChildren.end()) return true;
  if (mUpdateCursor == it) {
    ++mUpdateCursor;
    mCursorMoved = true;
  }
  mChildren.erase(it);
  return true;
}

bool WidgetContainer::HasChild(const Widget* widget) const {
  for (const Widget* child : mChildren) {
    if (child == widget) return true;
  }
  return false;
}

void WidgetContainer::ForgetWidget(Widget*) {}

void WidgetContainer::RemoveAllChildren(bool deleteThem, bool recursive) {
  while (!mChildren.empty()) {
    Widget* child = mChildren.front();
    RemoveChild(child);
    if (recursive) child->RemoveAllChildren(deleteThem, recursive);
    if (deleteThem) delete child;
  }
}

void WidgetContainer::SetFocus(Widget*) {}

bool WidgetContainer::IsBehindWalk(const Widget* a, const Widget* b, bool* decided) const {
  for (const Widget* child : mChildren) {
    if (child == a) {
      *decided = true;
      return true;
    }
    if (child == b) {
      *decided = true;
      return false;
    }
    const bool result = child->IsBehindWalk(a, b, decided);
    if (*decided) return result;
  }
  return false;
}

bool WidgetContainer::IsBehind(const Widget* a, const Widget* b) const {
  if (a == b) return false;  // a widget is not behind itself
  bool decided = false;
  return IsBehindWalk(a, b, &decided);
}

void WidgetContainer::InvalidateTree() {
  Invalidate();
  for (Widget* child : mChildren) {
    child->mDirty = true;
    child->InvalidateTree();
  }
}

void WidgetContainer::Resort(Widget* child, int hintKind, Widget* reference) {
  auto it = Find(child);
  if (it == mChildren.end()) return;
  if (mUpdateCursor == it) {
    ++mUpdateCursor;
    mCursorMoved = true;
  }
  mChildren.erase(it);
  WidgetList::iterator hint = mChildren.end();
  if (hintKind == kHintStart) {
    hint = mChildren.begin();
  } else if (hintKind == kHintBehind || hintKind == kHintInFront) {
    auto ref = Find(reference);
    if (ref != mChildren.end()) hint = hintKind == kHintBehind ? ref : std::next(ref);
  }
  InsertChildSorted(hint, child);
  child->OnOrderChanged();
}

void WidgetContainer::MoveToFront(Widget* child) { Resort(child, kHintEnd, nullptr); }

void WidgetContainer::MoveToBack(Widget* child) { Resort(child, kHintStart, nullptr); }

void WidgetContainer::MoveBehind(Widget* child, Widget* reference) { Resort(child, kHintBehind, reference); }

void WidgetContainer::MoveInFrontOf(Widget* child, Widget* reference) { Resort(child, kHintInFront, reference); }

void WidgetContainer::GetAbsolutePosition(int* x, int* y) const {
  int px = 0, py = 0;
  if (mParent != nullptr) mParent->GetAbsolutePosition(&px, &py);
  *x = mX + px;
  *y = mY + py;
}

void WidgetContainer::InvalidateChild(Widget* child) {
  if (child->mDirty) return;
  Invalidate();
  child->mDirty = true;
  if (mParent != nullptr) return;
  if (child->mHasTransparency) {
    InvalidateChildArea(child);
    return;
  }
  // Widgets in front may be drawn over the child: they are redrawn too.
  auto it = Find(child);
  if (it == mChildren.end()) return;
  for (++it; it != mChildren.end(); ++it) {
    Widget* w = *it;
    if (w->mVisible && w->Intersects(child)) InvalidateChild(w);
  }
}

void WidgetContainer::Invalidate() {
  if (mParent != nullptr) {
    mParent->InvalidateChild(static_cast<Widget*>(this));
  } else {
    mDirty = true;
  }
}

void WidgetContainer::InvalidateChildArea(Widget* child) {
  InvalidateArea();
  child->mDirty = true;
  if (mParent != nullptr) return;
  auto at = Find(child);
  if (at == mChildren.end()) {
    for (Widget* w : mChildren) {
      if (w != child && w->mVisible && w->Intersects(child)) InvalidateChild(w);
    }
    return;
  }
  const Rect area = child->GetRect().Intersection(GetRect());
  // Backward: an opaque widget covering the whole area hides what lies behind it.
  for (auto it = at; it != mChildren.begin();) {
    --it;
    Widget* w = *it;
    if (!w->mVisible) continue;
    if (!w->mHasTransparency && !w->mNoCover && w->Contains(area.x, area.y) &&
        w->Contains(area.x + area.width - 1, area.y + area.height - 1)) {
      InvalidateChild(w);
      break;
    }
    if (w->Intersects(child)) InvalidateChild(w);
  }
  for (auto it = std::next(at); it != mChildren.end(); ++it) {
    Widget* w = *it;
    if (w->mVisible && w->Intersects(child)) InvalidateChild(w);
  }
}

void WidgetContainer::InvalidateArea() {
  if (mParent != nullptr) {
    mParent->InvalidateChildArea(static_cast<Widget*>(this));
  } else {
    mDirty = true;
  }
}

void WidgetContainer::OnAdded(WidgetManager* manager) {
  for (Widget* child : mChildren) {
    child->mManager = manager;
    child->OnAdded(manager);
    Invalidate();
  }
}

void WidgetContainer::OnRemoved(WidgetManager* manager) {
  for (Widget* child : mChildren) {
    manager->ForgetWidget(child);
    child->OnRemoved(manager);
    child->mManager = nullptr;
  }
}

void WidgetContainer::Update() { ++mUpdateCount; }

void WidgetContainer::UpdateTree(UpdateFlags& flags) {
  FlagWordsGuard restore(flags);
  flags.normal = mFlagChange.Apply(flags.normal);
  flags.belowModal = mFlagChange.Apply(flags.belowModal);
  if (flags.InForce() & WIDGETFLAGS_MARK_DIRTY) Invalidate();
  if (mManager == nullptr) return;
  // Update runs at most once per manager tick, however often moves make the
  // walk meet this node.
  if ((flags.InForce() & WIDGETFLAGS_UPDATE) && mLastUpdateTick != mManager->mUpdateCount) {
    mLastUpdateTick = mManager->mUpdateCount;
    Update();
  }
  CursorGuard cursor(*this);
  mUpdateCursor = mChildren.begin();
  while (mUpdateCursor != mChildren.end()) {
    mCursorMoved = false;
    Widget* child = *mUpdateCursor;
    if (child == mManager->mModalWidget) flags.pastModal = true;
    child->UpdateTree(flags);
    if (!mCursorMoved) ++mUpdateCursor;
  }
}

void WidgetContainer::UpdateFraction(float) {}

void WidgetContainer::UpdateTreeFraction(UpdateFlags& flags, float fraction) {
  FlagWordsGuard restore(flags);
  flags.normal = mFlagChange.Apply(flags.normal);
  flags.belowModal = mFlagChange.Apply(flags.belowModal);
  if (mManager == nullptr) return;
  if (flags.InForce() & WIDGETFLAGS_UPDATE) UpdateFraction(fraction);
  CursorGuard cursor(*this);
  mUpdateCursor = mChildren.begin();
  while (mUpdateCursor != mChildren.end()) {
    mCursorMoved = false;
    Widget* child = *mUpdateCursor;
    if (child == mManager->mModalWidget) flags.pastModal = true;
    child->UpdateTreeFraction(flags, fraction);
    if (!mCursorMoved) ++mUpdateCursor;
  }
}

void WidgetContainer::Draw(Graphics&) {}

void WidgetContainer::DrawTree(UpdateFlags& flags, Graphics& g) {
  if (mManager != nullptr && mManager->mMinOverlayPriority < mPriority) {
    mManager->DrawOverlaysUpTo(mPriority);
  }
  FlagWordsGuard restore(flags);
  flags.normal = mFlagChange.Apply(flags.normal);
  flags.belowModal = mFlagChange.Apply(flags.belowModal);
  if (mClip && (flags.InForce() & WIDGETFLAGS_CLIP)) g.ClipRect(0, 0, mWidth, mHeight);
  if (mChildren.empty()) {
    if (flags.InForce() & WIDGETFLAGS_DRAW) Draw(g);
    return;
  }
  if (flags.InForce() & WIDGETFLAGS_DRAW) {
    g.PushState();
    Draw(g);
    g.PopState();
  }
  for (Widget* child : mChildren) {
    if (!child->mVisible) continue;
    if (mManager != nullptr && child == mManager->mModalWidget) flags.pastModal = true;
    Graphics childGraphics(g);
    childGraphics.Translate(child->mX, child->mY);
    child->DrawTree(flags, childGraphics);
    child->mDirty = false;
  }
}

void WidgetContainer::BroadcastSysColorChange() {
  OnSysColorChange();
  for (Widget* child : mChildren) child->BroadcastSysColorChange();
}

void WidgetContainer::OnSysColorChange() {}

Widget* WidgetContainer::HitTestChildren(int x, int y, int32_t flags, int* localX, int* localY) {
  const int32_t own = mFlagChange.Apply(flags);
  bool behindModal = false;
  for (auto it = mChildren.rbegin(); it != mChildren.rend(); ++it) {
    Widget* c = *it;
    int32_t childFlags = c->mFlagChange.Apply(own);
    if (behindModal) childFlags = mManager->mBelowModalChange.Apply(childFlags);
    if ((childFlags & WIDGETFLAGS_ALLOW_MOUSE) && c->mVisible) {
      Widget* found = c->HitTestChildren(x - c->mX, y - c->mY, childFlags, localX, localY);
      if (found != nullptr) return found;
      if (c->mMouseVisible && HitRectContains(c->GetHitRect(), x, y) && c->IsPointVisible(x - c->mX, y - c->mY)) {
        *localX = x - c->mX;
        *localY = y - c->mY;
        return c;
      }
    }
    if (mManager != nullptr && c == mManager->mModalWidget) behindModal = true;
  }
  return nullptr;
}

}  // namespace Kivo
