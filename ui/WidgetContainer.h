// The node of the widget tree: children in back-to-front order sorted by
// z-order, the flag masks that switch updating, drawing, clipping and input
// for whole subtrees, the update, fraction and draw walks, and the dirty
// tracking that decides which top-level widgets are redrawn.
//
// Children are never owned: the tree removes (detaches) them and their owner
// deletes them. A container that is destroyed while it still holds children
// clears their parent and manager pointers, so nothing dangles.
#pragma once

#include <cstdint>
#include <list>

#include "shell/base/Rect.h"

namespace Kivo {

class Graphics;
class Widget;
class WidgetManager;

enum WidgetFlag : int32_t {
  WIDGETFLAGS_UPDATE = 1,
  WIDGETFLAGS_MARK_DIRTY = 2,  // invalidate at every update walk
  WIDGETFLAGS_DRAW = 4,
  WIDGETFLAGS_CLIP = 8,
  WIDGETFLAGS_ALLOW_MOUSE = 16,
  WIDGETFLAGS_ALLOW_FOCUS = 32,
};

struct WidgetFlagChange {
  int32_t add = 0;
  int32_t remove = 0;
  int32_t Apply(int32_t flags) const { return (flags | add) & ~remove; }
};

// Handed down a walk. Nodes behind the modal widget use the below-modal
// word; the modal widget and everything in front of it the normal one.
struct UpdateFlags {
  int32_t normal = 0;
  int32_t belowModal = 0;
  bool pastModal = true;
  int32_t InForce() const { return pastModal ? normal : belowModal; }
};

class WidgetContainer {
 public:
  using WidgetList = std::list<Widget*>;

  WidgetContainer();
  WidgetContainer(const WidgetContainer&) = delete;
  WidgetContainer& operator=(const WidgetContainer&) = delete;
  virtual ~WidgetContainer();

  virtual Rect GetRect() const;
  virtual bool Intersects(const WidgetContainer* other) const;
  virtual void AddChild(Widget* widget);
  virtual bool RemoveChild(Widget* widget);
  virtual bool HasChild(const Widget* widget) const;
  virtual void ForgetWidget(Widget* widget);
  virtual void RemoveAllChildren(bool deleteThem, bool recursive);
  virtual void SetFocus(Widget* widget);
  // Depth-first from this node, children back to front, each before its
  // subtree: true when a is met before b.
  virtual bool IsBehind(const Widget* a, const Widget* b) const;
  virtual void InvalidateTree();
  virtual void MoveToFront(Widget* child);
  virtual void MoveToBack(Widget* child);
  virtual void MoveBehind(Widget* child, Widget* reference);
  virtual void MoveInFrontOf(Widget* child, Widget* reference);
  virtual void GetAbsolutePosition(int* x, int* y) const;
  virtual void InvalidateChild(Widget* child);
  virtual void Invalidate();
  virtual void InvalidateChildArea(Widget* child);
  virtual void InvalidateArea();
  virtual void OnAdded(WidgetManager* manager);
  virtual void OnRemoved(WidgetManager* manager);
  virtual void Update();
  virtual void UpdateTree(UpdateFlags& flags);
  virtual void UpdateFraction(float fraction);
  virtual void UpdateTreeFraction(UpdateFlags& flags, float fraction);
  virtual void Draw(Graphics& g);
  virtual void DrawTree(UpdateFlags& flags, Graphics& g);
  virtual void BroadcastSysColorChange();
  virtual void OnSysColorChange();

  const WidgetList& GetChildren() const { return mChildren; }
  WidgetManager* GetManager() const { return mManager; }
  WidgetContainer* GetParent() const { return mParent; }

  // Hit test of the children (front to back, children before their parent)
  // with the point in this node's coordinates; null when nothing is hit.
  Widget* HitTestChildren(int x, int y, int32_t flags, int* localX, int* localY);

  WidgetList mChildren;  // back to front, ascending z-order; not owned
  WidgetManager* mManager = nullptr;
  WidgetContainer* mParent = nullptr;
  bool mCursorMoved = false;
  WidgetList::iterator mUpdateCursor;
  int32_t mLastUpdateTick = 0;
  int32_t mUpdateCount = 0;
  bool mDirty = false;
  int32_t mX = 0;
  int32_t mY = 0;
  int32_t mWidth = 0;
  int32_t mHeight = 0;
  bool mHasTransparency = false;
  bool mClip = true;
  WidgetFlagChange mFlagChange;
  int32_t mPriority = 0;
  int32_t mZOrder = 0;

 protected:
  void InsertChildSorted(WidgetList::iterator hint, Widget* widget);
  // Takes the child out and puts it back with the hint, keeping a running
  // update walk on the sibling that followed it.
  void Resort(Widget* child, int hintKind, Widget* reference);

 private:
  WidgetList::iterator Find(const Widget* widget);
  bool IsBehindWalk(const Widget* a, const Widget* b, bool* decided) const;
};

}  // namespace Kivo
