// Dialogs in a widget manager under a small stand-in for the application's
// dialog registry and loop: layout of the buttons, clicks and results,
// colours, dragging, the default box, the preferred height and the blocking
// wait, including a dialog that disappears while it is waited on.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ui_test_support.h"
#include "ui/Dialog.h"
#include "ui/DialogButton.h"

namespace Kivo {
namespace {

using test::FakeFont;
using test::PixelImage;
using test::TestHost;

// The application as a dialog sees it: a registry by id, modal pushes, one
// scripted action per loop pass, and deletion of removed dialogs at the end
// of the pass that removed them (unless a test holds deletions back, as a
// deeper nesting level would).
class FakeApp : public TestHost, public DialogRunner, public DialogListener {
 public:
  FakeApp() { manager.SetCoordinateTransform(Rect(0, 0, 640, 480), Rect(0, 0, 640, 480)); }
  ~FakeApp() override {
    for (auto& entry : dialogs) delete entry.second;
    DeleteQueued();
  }

  void Register(Dialog* dialog) {
    dialogs[dialog->mId] = dialog;
    dialog->mRunner = this;
    dialog->mDialogListener = this;
    manager.AddChild(dialog);
    if (dialog->IsModal()) manager.PushModal(dialog);
  }

  bool StepAppOnce(bool* updated) override {
    if (updated != nullptr) *updated = true;
    ++steps;
    if (!script.empty()) {
      auto action = script.front();
      script.erase(script.begin());
      action();
    }
    manager.UpdateFrame();
    if (!holdDeletions) DeleteQueued();
    return steps < stepLimit;
  }
  Dialog* FindDialog(int id) override {
    auto it = dialogs.find(id);
    return it == dialogs.end() ? nullptr : it->second;
  }
  bool RemoveDialogById(int id) override {
    auto it = dialogs.find(id);
    if (it == dialogs.end()) return false;
    Dialog* dialog = it->second;
    dialogs.erase(it);
    manager.RemoveChild(dialog);
    if (dialog->IsModal()) manager.PopModal(dialog);
    queued.push_back(dialog);
    ++removals;
    return true;
  }
  void DialogButtonPress(int dialogId, int buttonId) override {
    events.push_back("Press(" + std::to_string(dialogId) + "," + std::to_string(buttonId) + ")");
  }
  void DialogButtonRelease(int dialogId, int buttonId) override {
    events.push_back("Release(" + std::to_string(dialogId) + "," + std::to_string(buttonId) + ")");
  }

  void Click(Widget* widget, int count = 1) {
    const int x = widget->mX + widget->mWidth / 2;
    const int y = widget->mY + widget->mHeight / 2;
    manager.OnMouseMove(x, y);
    manager.OnMouseDown(x, y, count);
    manager.OnMouseUp(x, y, count);
  }
  void DeleteQueued() {
    for (Widget* w : queued) delete w;
    queued.clear();
  }

  WidgetManager manager{this};
  std::map<int, Dialog*> dialogs;
  std::vector<Widget*> queued;
  std::vector<std::function<void()>> script;
  std::vector<std::string> events;
  int steps = 0;
  int stepLimit = INT_MAX;
  int removals = 0;
  bool holdDeletions = false;
};

Dialog* NewDialog(int id, int mode, const std::wstring& footer = L"Footer") {
  auto* dialog = new Dialog(nullptr, nullptr, id, true, L"Header", L"Some lines", footer, mode);
  FakeFont font;
  dialog->SetHeaderFont(&font);
  dialog->SetLinesFont(&font);
  dialog->SetButtonFont(&font);
  return dialog;
}

TEST(Dialog, YesNoButtonsLaidOutAndReported) {
  FakeApp app;
  Dialog* dialog = NewDialog(5, kDialogYesNo);
  app.Register(dialog);
  dialog->Resize(100, 50, 400, 300);
  DialogButton* yes = dialog->GetButton(kDialogButtonYes);
  DialogButton* no = dialog->GetButton(kDialogButtonNo);
  ASSERT_NE(nullptr, yes);
  ASSERT_NE(nullptr, no);
  EXPECT_EQ(L"YES", yes->mLabel);
  EXPECT_EQ(L"NO", no->mLabel);
  // (400 - 48 - 8) / 2 = 172 each, at x + 24 and x + 204, on the bottom row.
  EXPECT_EQ(Rect(124, 302, 172, 24), yes->GetRect());
  EXPECT_EQ(Rect(304, 302, 172, 24), no->GetRect());
  // Top-level widgets of the manager, just in front of their dialog.
  EXPECT_EQ(&app.manager, yes->GetParent());
  EXPECT_TRUE(app.manager.IsBehind(dialog, yes));
  EXPECT_TRUE(app.manager.IsBehind(dialog, no));

  app.Click(no);
  EXPECT_EQ((std::vector<std::string>{"Press(5,1001)", "Release(5,1001)"}), app.events);
  EXPECT_EQ(kDialogButtonNo, dialog->mResult);

  // Removing the dialog takes its buttons out of the manager with it.
  app.manager.RemoveChild(dialog);
  EXPECT_EQ(nullptr, yes->GetParent());
  EXPECT_EQ(nullptr, no->GetParent());
  app.manager.AddChild(dialog);
  EXPECT_EQ(&app.manager, no->GetParent());
}

TEST(Dialog, OkCancelLabelsAndDefaultButtonColours) {
  Dialog framed(nullptr, nullptr, 1, false, L"", L"", L"", kDialogOkCancel);
  EXPECT_EQ(L"OK", framed.GetButton(kDialogButtonYes)->mLabel);
  EXPECT_EQ(L"CANCEL", framed.GetButton(kDialogButtonNo)->mLabel);
  // Framed buttons have a light face: black labels.
  EXPECT_EQ(Color(0, 0, 0), framed.GetButton(kDialogButtonYes)->GetColor(kButtonColorLabel));
  PixelImage buttonImage(30, 20);
  Dialog imaged(nullptr, &buttonImage, 2, false, L"", L"", L"", kDialogOkCancel);
  EXPECT_EQ(Color(255, 255, 255), imaged.GetButton(kDialogButtonNo)->GetColor(kButtonColorLabelHilite));
  EXPECT_EQ(20, imaged.mButtonHeight);
  EXPECT_EQ(24, framed.mButtonHeight);
  EXPECT_EQ(1, framed.mPriority);
}

TEST(Dialog, FooterButtonModeHasOneWideButtonAndNoFooterText) {
  FakeApp app;
  Dialog* dialog = NewDialog(6, kDialogFooterButton, L"Continue");
  app.Register(dialog);
  dialog->Resize(0, 0, 400, 200);
  ASSERT_EQ(nullptr, dialog->GetButton(kDialogButtonNo));
  DialogButton* only = dialog->GetButton(kDialogButtonYes);
  EXPECT_EQ(L"Continue", only->mLabel);
  EXPECT_EQ(Rect(24, 200 - 24 - 24, 352, 24), only->GetRect());
  PixelImage screen(400, 200);
  Graphics g(&screen);
  dialog->Draw(g);
  auto* header = dynamic_cast<FakeFont*>(dialog->mHeaderFont);
  EXPECT_EQ("Header", header->Texts());  // the footer shows only on the button

  app.Click(only);
  EXPECT_EQ((std::vector<std::string>{"Press(6,1000)", "Release(6,1000)"}), app.events);
}

TEST(Dialog, WithoutButtonsEverythingStillWorks) {
  FakeApp app;
  auto* dialog = new Dialog(nullptr, nullptr, 7, true, L"Header", L"Lines", L"Footer", kDialogNoButtons);
  dialog->SetColor(kDialogColorButtonText, Color(255, 0, 0));
  dialog->SetButtonFont(nullptr);
  FakeFont font;
  dialog->SetButtonFont(&font);
  app.Register(dialog);
  dialog->Resize(10, 10, 300, 200);
  app.manager.MoveToFront(dialog);
  PixelImage screen(320, 220);
  Graphics g(&screen);
  dialog->Draw(g);
  EXPECT_EQ(nullptr, dialog->GetButton(kDialogButtonYes));
  app.Click(dialog);
  EXPECT_EQ(kDialogNoResult, dialog->mResult);
  dialog->ButtonDepress(1000);  // only buttons 1000 and 1001 count, and none exist here to send it
  EXPECT_EQ(1000, dialog->mResult);
  dialog->ButtonDepress(42);
  EXPECT_EQ(1000, dialog->mResult);
  app.manager.RemoveChild(dialog);
}

TEST(Dialog, ButtonColoursFollowTheDialog) {
  Dialog dialog(nullptr, nullptr, 1, false, L"", L"", L"", kDialogYesNo);
  dialog.SetColor(kDialogColorButtonText, Color(255, 0, 0));
  dialog.SetColor(kDialogColorButtonTextHilite, Color(0, 0, 255));
  for (int id : {kDialogButtonYes, kDialogButtonNo}) {
    EXPECT_EQ(Color(255, 0, 0), dialog.GetButton(id)->GetColor(kButtonColorLabel));
    EXPECT_EQ(Color(0, 0, 255), dialog.GetButton(id)->GetColor(kButtonColorLabelHilite));
    EXPECT_EQ(Color(212, 212, 212), dialog.GetButton(id)->GetColor(kButtonColorFace));
  }
  EXPECT_EQ(Color(255, 0, 0), dialog.GetColor(kDialogColorButtonText));
}

TEST(Dialog, FontsAreDuplicatedBeforeTheOldOneGoes) {
  Dialog dialog(nullptr, nullptr, 1, false, L"", L"", L"", kDialogYesNo);
  FakeFont font(6);
  dialog.SetHeaderFont(&font);
  dialog.SetLinesFont(&font);
  ASSERT_NE(nullptr, dialog.mHeaderFont);
  EXPECT_NE(&font, dialog.mHeaderFont);
  dialog.SetHeaderFont(dialog.mHeaderFont);  // its own font
  dialog.SetLinesFont(dialog.mLinesFont);
  EXPECT_EQ(6, dialog.mHeaderFont->StringWidth(L"x"));
  EXPECT_EQ(6, dialog.mLinesFont->StringWidth(L"x"));
  dialog.SetButtonFont(&font);
  dialog.SetButtonFont(dialog.GetButton(kDialogButtonYes)->GetFont());
  EXPECT_EQ(6, dialog.GetButton(kDialogButtonYes)->GetFont()->StringWidth(L"x"));
  dialog.SetHeaderFont(nullptr);
  EXPECT_EQ(nullptr, dialog.mHeaderFont);
}

TEST(Dialog, DraggingKeepsEightPixelsAtTheEdges) {
  FakeApp app;
  Dialog* dialog = NewDialog(8, kDialogYesNo);
  app.Register(dialog);
  dialog->Resize(100, 50, 200, 150);
  app.manager.OnMouseMove(120, 70);
  app.manager.OnMouseDown(120, 70, 1);  // grabbed at (20, 20)
  EXPECT_EQ((std::vector<int>{2}), app.cursors);
  app.manager.OnMouseMove(-1000, 90);
  EXPECT_EQ(-8, dialog->mX);
  EXPECT_EQ(70, dialog->mY);
  EXPECT_EQ(8, dialog->mDragMouseX);  // the grab point stays 8 inside
  EXPECT_EQ(20, dialog->mDragMouseY);
  EXPECT_EQ(-8 + 24, dialog->GetButton(kDialogButtonYes)->mX);  // buttons travel along
  app.manager.OnMouseMove(5000, 5000);
  EXPECT_EQ(640 + 8 - 200, dialog->mX);
  EXPECT_EQ(480 + 8 - 150, dialog->mY);
  EXPECT_EQ(150 - 9, dialog->mDragMouseY);
  app.manager.OnMouseUp(5000, 5000, 1);
  EXPECT_EQ((std::vector<int>{2, 0}), app.cursors);
  EXPECT_FALSE(dialog->mDragging);

  // A double click starts no drag.
  app.cursors.clear();
  const int x = dialog->mX, y = dialog->mY;
  app.manager.OnMouseMove(x + 20, y + 20);
  app.manager.OnMouseDown(x + 20, y + 20, 2);
  app.manager.OnMouseMove(x + 60, y + 60);
  app.manager.OnMouseUp(x + 60, y + 60, 2);
  EXPECT_EQ(x, dialog->mX);
  EXPECT_EQ(y, dialog->mY);
  EXPECT_TRUE(app.cursors.empty());
}

TEST(Dialog, PreferredHeightWithFakeFonts) {
  auto* dialog = new Dialog(nullptr, nullptr, 9, false, L"Title", L"aaaaaaaaaa aaaaaaaaaa aaaaaaaaaa aaaaaaaaaa",
                            L"Foot", kDialogYesNo);
  FakeFont font;  // 10 per character, ascent 8, height 10
  dialog->SetHeaderFont(&font);
  dialog->SetLinesFont(&font);
  dialog->mLineSpacingOffset = 3;
  // insets 48 + header 10 + gap 10 + two wrapped lines (10 + 13) + footer
  // (8 + 10) + buttons (8 + 24 + 8).
  EXPECT_EQ(48 + 10 + 10 + 23 + 18 + 40, dialog->GetPreferredHeight(400));
  dialog->mDialogFooter.clear();
  dialog->mDialogHeader.clear();
  EXPECT_EQ(48 + 23 + 40, dialog->GetPreferredHeight(400));
  Dialog empty(nullptr, nullptr, 1, false, L"", L"", L"", kDialogNoButtons);
  empty.SetHeaderFont(&font);
  empty.SetLinesFont(&font);
  EXPECT_EQ(48, empty.GetPreferredHeight(400));
  delete dialog;
}

TEST(Dialog, DefaultBoxOutlineFillAndShadowStrips) {
  Dialog dialog(nullptr, nullptr, 1, false, L"", L"", L"", kDialogNoButtons);
  FakeFont font;
  dialog.SetHeaderFont(&font);
  dialog.SetLinesFont(&font);
  dialog.Resize(0, 0, 60, 60);
  PixelImage screen(60, 60, 0x11111111u);
  Graphics g(&screen);
  dialog.Draw(g);
  const uint32_t outline = 0xFFFFFFFFu, fill = 0xFF505050u, shadow = 0x80000000u, none = 0x11111111u;
  const struct {
    int x, y;
    uint32_t expected;
  } cases[] = {
      {11, 11, none},   {12, 12, outline}, {47, 12, outline}, {12, 47, outline}, {47, 47, outline},
      {13, 13, fill},   {46, 46, fill},    {30, 30, fill},    {48, 23, none},    {48, 24, shadow},
      {59, 47, shadow}, {23, 48, none},    {24, 48, shadow},  {59, 59, shadow},  {5, 50, none},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, screen.At(c.x, c.y)) << c.x << "," << c.y;
}

TEST(DialogWait, ReturnsTheClickedButtonAndUnregisters) {
  FakeApp app;
  Dialog* dialog = NewDialog(10, kDialogYesNo);
  app.Register(dialog);
  dialog->Resize(100, 100, 400, 200);
  DialogButton* no = dialog->GetButton(kDialogButtonNo);
  app.script.push_back([] {});
  app.script.push_back([&] { app.Click(no); });
  EXPECT_EQ(kDialogButtonNo, dialog->WaitForResult(true));
  EXPECT_EQ(2, app.steps);
  EXPECT_EQ(nullptr, app.FindDialog(10));
  EXPECT_EQ(1u, app.queued.size());  // deleted by the loop's next pass, not here
  EXPECT_EQ(nullptr, app.manager.mModalWidget);
}

TEST(DialogWait, SteppedAtLeastOnceAndStopsWithTheLoop) {
  FakeApp app;
  Dialog* dialog = NewDialog(11, kDialogYesNo);
  app.Register(dialog);
  dialog->mResult = kDialogButtonYes;  // already answered: still one pass
  EXPECT_EQ(kDialogButtonYes, dialog->WaitForResult(false));
  EXPECT_EQ(1, app.steps);
  EXPECT_EQ(dialog, app.FindDialog(11));

  dialog->mResult = kDialogNoResult;
  app.stepLimit = 3;
  EXPECT_EQ(kDialogNoResult, dialog->WaitForResult(false));
  EXPECT_EQ(3, app.steps);
}

TEST(DialogWait, DialogDeletedDuringTheWait) {
  // Removed (and deleted at the end of the pass) without an answer, and
  // answered and removed in the same pass: the result it had comes back and
  // nothing of it is touched again.
  for (bool answered : {false, true}) {
    FakeApp app;
    Dialog* dialog = NewDialog(12, kDialogYesNo);
    app.Register(dialog);
    dialog->Resize(0, 0, 400, 200);
    DialogButton* yes = dialog->GetButton(kDialogButtonYes);
    app.script.push_back([&] {
      if (answered) app.Click(yes);
      app.RemoveDialogById(12);
    });
    EXPECT_EQ(answered ? kDialogButtonYes : kDialogNoResult, dialog->WaitForResult(true));
    EXPECT_EQ(1, app.removals);
    EXPECT_TRUE(app.queued.empty());
  }
}

TEST(DialogWait, NewerDialogUnderTheSameIdIsLeftAlone) {
  FakeApp app;
  Dialog* first = NewDialog(13, kDialogYesNo);
  app.Register(first);
  Dialog* second = NewDialog(13, kDialogOkCancel);
  app.holdDeletions = true;  // the replaced dialog outlives the pass
  app.script.push_back([&] {
    app.RemoveDialogById(13);
    app.Register(second);
  });
  EXPECT_EQ(kDialogNoResult, first->WaitForResult(true));
  EXPECT_EQ(second, app.FindDialog(13));
  EXPECT_EQ(1, app.removals);
}

TEST(DialogWait, WithoutAnApplicationReturnsAtOnce) {
  Dialog dialog(nullptr, nullptr, 1, false, L"", L"", L"", kDialogYesNo);
  EXPECT_EQ(kDialogNoResult, dialog.WaitForResult(true));
}

TEST(DialogTexts, DefaultButtonLabels) {
  EXPECT_EQ(L"YES", DialogYesText);
  EXPECT_EQ(L"NO", DialogNoText);
  EXPECT_EQ(L"OK", DialogOkText);
  EXPECT_EQ(L"CANCEL", DialogCancelText);
}

}  // namespace
}  // namespace Kivo
