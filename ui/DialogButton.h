// The button of a dialog: a ButtonWidget drawn as a nine-slice box from one
// component image (whole, or one cell per state when the normal cell is
// set), whose face and label shift by the pressed offset while pressed, and
// which shows the hand cursor while hovered. Without a component image it
// draws as a plain framed button.
#pragma once

#include "ui/ButtonWidget.h"

namespace Kivo {

class DialogButton : public ButtonWidget {
 public:
  DialogButton(Image* componentImage, int id, ButtonListener* listener);

  void Draw(Graphics& g) override;

  Image* mComponentImage;  // not owned
  int mTranslateX = 1;     // pressed offset
  int mTranslateY = 1;
  int mTextOffsetX = 0;
  int mTextOffsetY = 0;
};

}  // namespace Kivo
