#include "ui/Dialog.h"

namespace Kivo {

Dialog::Dialog(Image* componentImage, Image* buttonImage, int id, bool isModal, const std::wstring& header,
               const std::wstring& lines, const std::wstring& footer, int buttonMode)
    : mComponentImage(componentImage),
      mButtonImage(buttonImage),
      mId(id),
      mIsModal(isModal),
      mButtonMode(buttonMode),
      mHeader(header),
      mLines(lines),
      mFooter(footer) {}

Dialog::~Dialog() = default;

void Dialog::ButtonPress(int buttonId) {
  if ((buttonId == kDialogButtonYes || buttonId == kDialogButtonNo) && mDialogListener != nullptr)
    mDialogListener->DialogButtonPress(mId, buttonId);
}

void Dialog::ButtonDepress(int buttonId) {
  if (buttonId != kDialogButtonYes && buttonId != kDialogButtonNo) return;
  if (mDialogListener != nullptr) mDialogListener->DialogButtonRelease(mId, buttonId);
  mResult = buttonId;
}

int Dialog::GetPreferredHeight(int) { return mHeight; }

int Dialog::WaitForResult(bool remove) {
  // The loop may delete nothing registered while we wait: removal goes
  // through the deferred deletion list, which keeps this dialog alive until
  // the pass that queued it (or a shallower one) has finished.
  while (mResult == kDialogNoResult && GetManager() != nullptr) {
    if (mRunner == nullptr || !mRunner->StepAppOnce(nullptr)) break;
  }
  int result = mResult;
  if (remove && mRunner != nullptr) mRunner->RemoveDialogById(mId);
  return result;
}

}  // namespace Kivo
