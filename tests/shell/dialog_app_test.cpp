// Dialogs under the real application object: a click on NO becomes the
// application's button event, and waits survive the dialog being removed,
// deleted or replaced by the loop they run.
#include "tests/shell/app_support.h"
#include "ui/Dialog.h"
#include "ui/DialogButton.h"

namespace apptest {
namespace {

class WatchedDialog : public Dialog {
 public:
  WatchedDialog(int id, bool* gone)
      : Dialog(nullptr, nullptr, id, true, L"Quit? \u0412\u044b\u0439\u0442\u0438?", L"Lines", L"", kDialogYesNo),
        gone_(gone) {}
  ~WatchedDialog() override { *gone_ = true; }
  bool* gone_;
};

void ClickCentre(WidgetManager* manager, Widget* widget) {
  const int x = widget->mX + widget->mWidth / 2, y = widget->mY + widget->mHeight / 2;
  manager->OnMouseMove(x, y);
  manager->OnMouseDown(x, y, 1);
  manager->OnMouseUp(x, y, 1);
}

TEST_F(AppFixture, ClickOnNoAnswersTheWaitAndBecomesButtonEvent) {
  TestApp& a = MakeApp();
  bool gone = false;
  auto* dialog = new WatchedDialog(9, &gone);
  a.RegisterDialog(9, dialog);
  DialogButton* no = dialog->GetButton(kDialogButtonNo);
  ASSERT_NE(no, nullptr);
  // A click is only a click while the application has the focus.
  a.mWidgetManager->AppGainedFocus();
  widget->onDraw = [&] {
    if (widget->draws == 2) ClickCentre(a.mWidgetManager, no);
  };
  EXPECT_EQ(dialog->WaitForResult(true), kDialogButtonNo);
  EXPECT_EQ(a.pressed, (std::vector<int>{3009}));
  EXPECT_EQ(a.released, (std::vector<int>{3009}));
  EXPECT_EQ(a.FindDialog(9), nullptr);
  EXPECT_FALSE(gone);  // queued: deleted by a later pass, not under the caller
  ASSERT_EQ(a.mDeletionQueue.size(), 1u);
  EXPECT_EQ(a.mDeletionQueue[0].widget, dialog);
  // Its destructor writes `gone`: it must run while this frame exists.
  a.ProcessDeletionQueue();
  EXPECT_TRUE(gone);
}

TEST_F(AppFixture, DialogRemovedDuringItsWaitReturnsWithoutTouchingIt) {
  TestApp& a = MakeApp();
  bool gone = false;
  auto* dialog = new WatchedDialog(9, &gone);
  a.RegisterDialog(9, dialog);
  widget->onDraw = [&] {
    if (widget->draws == 2) a.RemoveDialogById(9);
  };
  EXPECT_EQ(dialog->WaitForResult(true), kDialogNoResult);
  EXPECT_EQ(a.FindDialog(9), nullptr);
  for (int i = 0; i < 5 && !gone; ++i) a.StepAppOnce(nullptr);
  EXPECT_TRUE(gone);
}

TEST_F(AppFixture, ReplacedDialogsWaitLeavesTheNewOneRegistered) {
  TestApp& a = MakeApp();
  bool firstGone = false, secondGone = false;
  auto* first = new WatchedDialog(9, &firstGone);
  a.RegisterDialog(9, first);
  WatchedDialog* second = nullptr;
  widget->onDraw = [&] {
    if (widget->draws == 2 && second == nullptr) {
      second = new WatchedDialog(9, &secondGone);
      a.RegisterDialog(9, second);  // removes the first under the same id
    }
  };
  EXPECT_EQ(first->WaitForResult(true), kDialogNoResult);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(a.FindDialog(9), second);
  EXPECT_FALSE(secondGone);
  for (int i = 0; i < 5 && !firstGone; ++i) a.StepAppOnce(nullptr);
  EXPECT_TRUE(firstGone);
  EXPECT_EQ(a.FindDialog(9), second);
  // The second one's destructor writes `secondGone`: end it while this frame
  // exists, not when the fixture's application goes.
  a.RemoveDialogById(9);
  a.ProcessDeletionQueue();
  EXPECT_TRUE(secondGone);
}

}  // namespace
}  // namespace apptest
