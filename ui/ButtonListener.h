// The interfaces through which buttons and dialogs report to whoever listens
// (the application object, screens). Operation order matters to nobody here,
// but it is kept as the callers list it: press with click count first, then
// press, release, held, enter, leave, move.
#pragma once

namespace Kivo {

class ButtonListener {
 public:
  virtual ~ButtonListener() = default;
  // Reports a press with its click count; the base forwards to ButtonPress.
  virtual void ButtonPressClicks(int id, int clickCount) { ButtonPress(id); }
  virtual void ButtonPress(int id) {}
  virtual void ButtonDepress(int id) {}
  virtual void ButtonDownTick(int id) {}
  virtual void ButtonMouseEnter(int id) {}
  virtual void ButtonMouseLeave(int id) {}
  virtual void ButtonMouseMove(int id, int x, int y) {}
};

class DialogListener {
 public:
  virtual ~DialogListener() = default;
  virtual void DialogButtonPress(int dialogId, int buttonId) = 0;
  virtual void DialogButtonRelease(int dialogId, int buttonId) = 0;
};

}  // namespace Kivo
