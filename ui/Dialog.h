// The framework's message box as a widget: a box (nine-slice image or the
// default outlined box with a shadow) with a centred header, word-wrapped
// lines and a footer, and zero, one or two DialogButtons with the fixed ids
// 1000 and 1001. It can be modal, can be dragged, records the clicked button
// as its result, reports presses and clicks to a DialogListener (the
// application) and offers a blocking wait that keeps the application's loop
// running.
//
// The buttons are top-level widgets of the manager, kept just in front of
// the dialog and laid out by Resize; the dialog owns them and its fonts.
// Game dialogs derive from it.
#pragma once

#include <climits>
#include <memory>
#include <string>

#include "ui/ButtonListener.h"
#include "ui/Widget.h"

namespace Kivo {

class DialogButton;
class Font;
class Image;

// Ids of the two standard buttons; the result while none was clicked.
constexpr int kDialogButtonYes = 1000;
constexpr int kDialogButtonNo = 1001;
constexpr int kDialogNoResult = INT_MAX;

// Button modes.
enum DialogButtonMode : int {
  kDialogNoButtons = 0,
  kDialogYesNo = 1,
  kDialogOkCancel = 2,
  kDialogFooterButton = 3,  // one button labelled with the footer
};

// Colour table indices of a dialog.
enum DialogColor : int {
  kDialogColorHeader = 0,
  kDialogColorLines = 1,
  kDialogColorFooter = 2,
  kDialogColorButtonText = 3,
  kDialogColorButtonTextHilite = 4,
  kDialogColorBackground = 5,
  kDialogColorOutline = 6,
  kDialogColorCount = 7,
};

// The default labels of the standard buttons.
extern std::wstring DialogYesText;
extern std::wstring DialogNoText;
extern std::wstring DialogOkText;
extern std::wstring DialogCancelText;

class Dialog;

// What a waiting dialog needs of the application: one pass of its loop, the
// dialog registered under an id, and unregistering by id. The application
// object implements it.
class DialogRunner {
 public:
  virtual ~DialogRunner() = default;
  // One pass of the main loop; false once the loop is to end.
  virtual bool StepAppOnce(bool* updated) = 0;
  virtual Dialog* FindDialog(int id) = 0;
  virtual bool RemoveDialogById(int id) = 0;
};

class Dialog : public Widget, public ButtonListener {
 public:
  Dialog(Image* componentImage, Image* buttonImage, int id, bool isModal, const std::wstring& header,
         const std::wstring& lines, const std::wstring& footer, int buttonMode);
  ~Dialog() override;

  // Fonts are duplicated before the current one is deleted (a dialog may be
  // handed its own font); null leaves none, and the default is made when
  // next needed.
  virtual void SetButtonFont(Font* font);
  virtual void SetHeaderFont(Font* font);
  virtual void SetLinesFont(Font* font);
  virtual int GetPreferredHeight(int width);
  virtual bool IsModal() const { return mIsModal; }
  // Runs passes of the application's loop (at least one) until it ends, the
  // dialog leaves the widget tree or a button is clicked; then, with remove
  // set, unregisters the dialog if the application still holds this very
  // dialog under its id. Returns the result (kDialogNoResult when none).
  // The dialog may be deleted during the wait: then the result it had is
  // returned and nothing else is touched.
  virtual int WaitForResult(bool remove);

  void OnAdded(WidgetManager* manager) override;
  void OnRemoved(WidgetManager* manager) override;
  void Draw(Graphics& g) override;
  void OnOrderChanged() override;
  void SetColor(int index, const Color& color) override;
  void Resize(int x, int y, int width, int height) override;
  void MouseDownButton(int x, int y, int button, int clicks) override;
  void MouseUpButton(int x, int y, int button, int clicks) override;
  void MouseDrag(int x, int y) override;

  void ButtonPress(int id) override;
  void ButtonDepress(int id) override;

  // Makes the default header and lines fonts where none is set.
  void EnsureFonts();
  DialogButton* GetButton(int id) const;

  DialogListener* mDialogListener = nullptr;
  DialogRunner* mRunner = nullptr;
  Image* mComponentImage;  // not owned
  DialogButton* mYesButton = nullptr;
  DialogButton* mNoButton = nullptr;
  std::wstring mDialogHeader;
  std::wstring mDialogFooter;
  std::wstring mDialogLines;
  int mButtonMode;
  Font* mHeaderFont = nullptr;
  Font* mLinesFont = nullptr;
  int mTextAlign = 0;  // lines: 0 centred, 1 right, other left
  int mLineSpacingOffset = 0;
  int mButtonHeight;
  Insets mBackgroundInsets;
  Insets mContentInsets{24, 24, 24, 24};
  int mSpaceAfterHeader = 10;
  bool mDragging = false;
  int mDragMouseX = 0;
  int mDragMouseY = 0;
  int mId;
  bool mIsModal;
  int mResult = kDialogNoResult;
  int mButtonHorzSpacing = 8;
  int mButtonSidePadding = 0;

 private:
  // Whether the dialog still exists, and the result it had when it went.
  struct Liveness {
    bool alive = true;
    int lastResult = kDialogNoResult;
  };
  std::shared_ptr<Liveness> mLiveness = std::make_shared<Liveness>();

  void LayoutButtons();
  void SetCursor(int number);
};

}  // namespace Kivo
