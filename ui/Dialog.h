// A dialog: a widget with an id, a modal flag, texts and up to two standard
// buttons (1000 and 1001) that it reports to its DialogListener. Its result
// is INT_MAX until a button sets it.
//
// This is the part the application's dialog registry needs; the buttons,
// layout and drawing come with the dialog widgets themselves.
#pragma once

#include <climits>
#include <string>

#include "ui/ButtonListener.h"
#include "ui/Widget.h"

namespace Kivo {

class Image;

// The button ids of the two standard buttons.
constexpr int kDialogButtonYes = 1000;
constexpr int kDialogButtonNo = 1001;
constexpr int kDialogNoResult = INT_MAX;

// What a waiting dialog needs of the application: run one loop pass, and
// unregister a dialog by id. The application object implements it.
class DialogRunner {
 public:
  virtual ~DialogRunner() = default;
  // One pass of the main loop; false once the loop is to end.
  virtual bool StepAppOnce(bool* updated) = 0;
  virtual bool RemoveDialogById(int id) = 0;
};

class Dialog : public Widget {
 public:
  // buttonMode 1: "YES"/"NO", 2: "OK"/"CANCEL" (ids 1000, 1001), 3: one
  // button (1000) labelled with the footer; anything else: no buttons.
  Dialog(Image* componentImage, Image* buttonImage, int id, bool isModal, const std::wstring& header,
         const std::wstring& lines, const std::wstring& footer, int buttonMode);
  ~Dialog() override;

  // Buttons 1000 and 1001 report to the listener; the release also becomes
  // the dialog's result.
  virtual void ButtonPress(int buttonId);
  virtual void ButtonDepress(int buttonId);
  // The height the dialog wants at this width; the base keeps its height.
  virtual int GetPreferredHeight(int width);
  virtual bool IsModal() const { return mIsModal; }
  // Runs loop passes until the dialog has a result or has left the widget
  // tree, then optionally unregisters it; returns the result.
  virtual int WaitForResult(bool remove);

  DialogListener* mDialogListener = nullptr;
  DialogRunner* mRunner = nullptr;
  Image* mComponentImage = nullptr;
  Image* mButtonImage = nullptr;
  int mId = 0;
  bool mIsModal = false;
  int mResult = kDialogNoResult;
  int mButtonMode = 0;
  std::wstring mHeader;
  std::wstring mLines;
  std::wstring mFooter;
};

}  // namespace Kivo
