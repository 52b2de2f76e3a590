#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui_test_support.h"

namespace Kivo {
namespace {

using test::Join;
using test::LogWidget;
using test::TestHost;

// A widget with a settable update action and a record of the flags in force
// when the walks reach it.
class HookWidget : public LogWidget {
 public:
  using LogWidget::LogWidget;
  void Update() override {
    LogWidget::Update();
    if (onUpdate) onUpdate();
  }
  void UpdateTree(UpdateFlags& flags) override {
    seenFlags.push_back(mFlagChange.Apply(flags.InForce()));
    LogWidget::UpdateTree(flags);
  }
  void DrawTree(UpdateFlags& flags, Graphics& g) override {
    drawnFlags.push_back(mFlagChange.Apply(flags.InForce()));
    LogWidget::DrawTree(flags, g);
  }
  std::function<void()> onUpdate;
  std::vector<int> seenFlags;
  std::vector<int> drawnFlags;
};

std::string Order(const WidgetContainer& node) {
  std::string out;
  for (const Widget* w : node.mChildren) out += static_cast<const LogWidget*>(w)->Name();
  return out;
}

struct Tree : ::testing::Test {
  TestHost host;
  std::vector<std::string> log;
  WidgetManager manager{&host};
  std::vector<std::unique_ptr<HookWidget>> owned;

  HookWidget* Make(const std::string& name, Rect r = Rect(0, 0, 10, 10), int z = 0) {
    owned.push_back(std::make_unique<HookWidget>(name, &log));
    HookWidget* w = owned.back().get();
    w->Resize(r.x, r.y, r.width, r.height);
    w->mZOrder = z;
    return w;
  }
  HookWidget* Add(const std::string& name, Rect r = Rect(0, 0, 10, 10), int z = 0) {
    HookWidget* w = Make(name, r, z);
    manager.AddChild(w);
    return w;
  }
  void ClearDirty() {
    manager.mDirty = false;
    for (auto& w : owned) w->mDirty = false;
  }
};

TEST_F(Tree, ZOrderPlacesChildren) {
  HookWidget* a = Add("a");
  HookWidget* b = Add("b");
  HookWidget* c = Add("c");
  EXPECT_EQ("abc", Order(manager));
  manager.MoveToBack(c);
  EXPECT_EQ("cab", Order(manager));
  Add("d", Rect(), -1);
  EXPECT_EQ("dcab", Order(manager));
  HookWidget* stranger = Make("x");
  manager.MoveBehind(a, stranger);  // not a child: the end is the hint
  EXPECT_EQ("dcba", Order(manager));
  manager.MoveBehind(a, c);
  EXPECT_EQ("dacb", Order(manager));
  manager.MoveInFrontOf(c, b);
  EXPECT_EQ("dabc", Order(manager));
  manager.MoveToFront(a);
  EXPECT_EQ("dbca", Order(manager));
  manager.AddChild(a);  // twice: nothing
  manager.MoveToFront(stranger);
  EXPECT_EQ("dbca", Order(manager));
  Add("e", Rect(), 5);
  Add("f", Rect(), 1);
  EXPECT_EQ("dbcafe", Order(manager));
  c->mZOrder = 9;
  manager.MoveToBack(c);  // re-sorted by its new z-order
  EXPECT_EQ("dbafec", Order(manager));
}

TEST_F(Tree, SelfRemovalDuringUpdateKeepsTheWalkGoing) {
  HookWidget* a = Add("a");
  HookWidget* b = Add("b");
  Add("c");
  b->onUpdate = [&] { manager.RemoveChild(b); };
  a->onUpdate = [&] { manager.MoveToFront(a); };  // moved to the front mid-walk
  manager.UpdateFrame();
  EXPECT_EQ("a.Update() b.Update() c.Update()", Join(log));
  EXPECT_EQ("ca", Order(manager));
  EXPECT_EQ(nullptr, b->mParent);
  EXPECT_EQ(nullptr, b->mManager);
  log.clear();
  a->onUpdate = nullptr;
  manager.UpdateFrame();
  EXPECT_EQ("c.Update() a.Update()", Join(log));
}

TEST_F(Tree, ModalWidgetSplitsTheFlags) {
  HookWidget* behind = Add("a");
  HookWidget* modal = Add("b");
  HookWidget* front = Add("c");
  HookWidget* child = Make("d");
  behind->AddChild(child);
  manager.PushModal(modal);
  manager.UpdateFrame();
  EXPECT_EQ(std::vector<int>{13}, behind->seenFlags);
  EXPECT_EQ(std::vector<int>{13}, child->seenFlags);
  EXPECT_EQ(std::vector<int>{61}, modal->seenFlags);
  EXPECT_EQ(std::vector<int>{61}, front->seenFlags);
  manager.PopModal(modal);
  manager.UpdateFrame();
  EXPECT_EQ(61, behind->seenFlags.back());
}

TEST_F(Tree, OnlyAVisibleModalChildLiftsTheDrawFlags) {
  HookWidget* box = Add("p", Rect(0, 0, 50, 50));
  HookWidget* modal = Make("m");
  HookWidget* front = Make("f");
  box->AddChild(modal);
  box->AddChild(front);
  manager.PushModal(modal);
  modal->mVisible = false;
  manager.DrawScreen();
  EXPECT_EQ(std::vector<int>{13}, front->drawnFlags) << "a hidden modal child leaves its siblings below it";
  modal->mVisible = true;
  box->mDirty = true;
  manager.DrawScreen();
  EXPECT_EQ(std::vector<int>{61}, modal->drawnFlags);
  EXPECT_EQ(61, front->drawnFlags.back());
}

TEST_F(Tree, FlagChangesApplyToWholeSubtreesAndAreRestored) {
  HookWidget* a = Add("a");
  HookWidget* child = Make("a1");
  a->AddChild(child);
  HookWidget* b = Add("b");
  a->mFlagChange.remove = WIDGETFLAGS_UPDATE;
  manager.UpdateFrame();
  EXPECT_EQ("b.Update()", Join(log));
  EXPECT_EQ(60, child->seenFlags.back());
  EXPECT_EQ(61, b->seenFlags.back());
}

TEST_F(Tree, OpaqueCoverStopsTheAreaWalk) {
  HookWidget* back = Add("back", Rect(0, 0, 100, 100));
  HookWidget* cover = Add("cover", Rect(0, 0, 50, 50));
  HookWidget* small = Add("small", Rect(10, 10, 10, 10));
  HookWidget* far = Add("far", Rect(60, 60, 10, 10));
  manager.SetCoordinateTransform(Rect(0, 0, 100, 100), Rect(0, 0, 100, 100));
  ClearDirty();
  small->InvalidateArea();
  EXPECT_TRUE(small->mDirty);
  EXPECT_TRUE(cover->mDirty);
  EXPECT_FALSE(back->mDirty);
  EXPECT_FALSE(far->mDirty);

  // Invalidating a widget redraws the opaque widget in front that covers it.
  ClearDirty();
  back->Invalidate();
  EXPECT_TRUE(back->mDirty);
  EXPECT_TRUE(cover->mDirty);
  EXPECT_TRUE(small->mDirty);
  EXPECT_TRUE(far->mDirty);
  EXPECT_TRUE(manager.mDirty);

  // A transparent cover does not hide the area behind it.
  ClearDirty();
  cover->mHasTransparency = true;
  small->InvalidateArea();
  EXPECT_TRUE(back->mDirty);
}

TEST_F(Tree, MutualInvalidationOfTransparentWidgetsEnds) {
  HookWidget* a = Add("a", Rect(0, 0, 20, 20));
  HookWidget* b = Add("b", Rect(10, 10, 20, 20));
  a->mHasTransparency = true;
  b->mHasTransparency = true;
  ClearDirty();
  a->Invalidate();
  EXPECT_TRUE(a->mDirty);
  EXPECT_TRUE(b->mDirty);
  ClearDirty();
  b->Invalidate();
  EXPECT_TRUE(a->mDirty);
}

TEST_F(Tree, BroadcastReachesParentsBeforeChildren) {
  HookWidget* a = Add("a");
  HookWidget* a1 = Make("a1");
  HookWidget* a2 = Make("a2");
  a->AddChild(a1);
  a->AddChild(a2);
  a1->AddChild(Make("a11"));
  Add("b");
  manager.BroadcastSysColorChange();
  EXPECT_EQ("a.SysColor() a1.SysColor() a11.SysColor() a2.SysColor() b.SysColor()", Join(log));
}

TEST_F(Tree, IsBehindWalksDepthFirstBackToFront) {
  HookWidget* a = Add("a");
  HookWidget* a1 = Make("a1");
  a->AddChild(a1);
  HookWidget* b = Add("b");
  HookWidget* stranger = Make("x");
  EXPECT_TRUE(manager.IsBehind(a, b));
  EXPECT_TRUE(manager.IsBehind(a1, b));
  EXPECT_TRUE(manager.IsBehind(a, a1));
  EXPECT_FALSE(manager.IsBehind(b, a1));
  EXPECT_FALSE(manager.IsBehind(stranger, b));
  EXPECT_FALSE(manager.IsBehind(stranger, stranger));
}

TEST_F(Tree, AttachingAndDetachingASubtree) {
  HookWidget* parent = Make("p");
  HookWidget* child = Make("c");
  parent->AddChild(child);
  EXPECT_EQ(nullptr, child->mManager);
  manager.AddChild(parent);
  EXPECT_EQ(&manager, parent->mManager);
  EXPECT_EQ(&manager, child->mManager);
  int x = 0, y = 0;
  parent->Move(5, 6);
  child->Move(1, 2);
  child->GetAbsolutePosition(&x, &y);
  EXPECT_EQ(6, x);
  EXPECT_EQ(8, y);
  EXPECT_TRUE(manager.RemoveChild(parent));
  EXPECT_FALSE(manager.RemoveChild(parent));
  EXPECT_EQ(nullptr, parent->mManager);
  EXPECT_EQ(nullptr, child->mManager);
  EXPECT_EQ(parent, child->mParent);
}

TEST_F(Tree, RemoveAllChildrenCanDeleteRecursively) {
  auto* a = new LogWidget("a", &log);
  auto* a1 = new LogWidget("a1", &log);
  a->AddChild(a1);
  manager.AddChild(a);
  manager.RemoveAllChildren(true, true);  // deletes a and a1; ASan watches
  EXPECT_TRUE(manager.mChildren.empty());
}

// A widget deleted while attached leaves the tree first: nothing in the
// manager points to it afterwards.
TEST_F(Tree, DeletingAnAttachedWidgetLeavesNoDanglingPointers) {
  auto* doomed = new LogWidget("d", &log);
  auto* inner = new LogWidget("i", &log);
  doomed->Resize(0, 0, 50, 50);
  inner->Resize(0, 0, 10, 10);
  doomed->AddChild(inner);
  HookWidget* other = Add("o", Rect(60, 0, 10, 10));
  manager.AddChild(doomed);
  inner->mWantsFocus = true;
  manager.OnMouseMove(5, 5);
  manager.OnMouseDown(5, 5, 1);
  EXPECT_EQ(inner, manager.mPressedWidget);
  EXPECT_EQ(inner, manager.mOverWidget);
  EXPECT_EQ(inner, manager.mFocusWidget);
  manager.PushModal(doomed);

  delete doomed;
  EXPECT_EQ(nullptr, manager.mPressedWidget);
  EXPECT_EQ(nullptr, manager.mOverWidget);
  EXPECT_EQ(nullptr, manager.mFocusWidget);
  EXPECT_EQ(nullptr, manager.mModalWidget);
  EXPECT_EQ("o", Order(manager));
  EXPECT_EQ(nullptr, inner->mParent);
  EXPECT_EQ(nullptr, inner->mManager);
  // The inner widget got its mouse-up and lost the focus on the way out.
  EXPECT_NE(std::string::npos, Join(log).find("i.MouseUp("));
  EXPECT_NE(std::string::npos, Join(log).find("i.LostFocus()"));
  delete inner;
  manager.OnMouseMove(65, 5);
  manager.UpdateFrame();
  manager.DrawScreen();
  EXPECT_TRUE(other->mIsOver);
}

TEST(TreeLifetime, DestroyedContainersDetachWhatTheyStillHold) {
  TestHost host;
  auto manager = std::make_unique<WidgetManager>(&host);
  LogWidget top("t", nullptr), nested("n", nullptr);
  top.AddChild(&nested);
  manager->AddChild(&top);
  manager.reset();
  EXPECT_EQ(nullptr, top.mParent);
  EXPECT_EQ(nullptr, top.mManager);
  EXPECT_EQ(nullptr, nested.mManager);
  EXPECT_EQ(&top, nested.mParent);
  {
    LogWidget holder("h", nullptr);
    holder.AddChild(&top);
  }
  EXPECT_EQ(nullptr, top.mParent);
  // top and nested are destroyed in turn at the end of the scope: no access
  // to the dead manager or holder (ASan would report it).
}

}  // namespace
}  // namespace Kivo
