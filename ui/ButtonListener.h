// The interfaces through which buttons report to whoever listens (a dialog,
// a screen, the application object), and through which dialogs report their
// two standard buttons to the application. Every operation does nothing by
// default, so a listener overrides only what it needs.
#pragma once

namespace Kivo {

class ButtonListener {
 public:
  virtual ~ButtonListener() = default;
  // A mouse button went down on the button; the default forwards to ButtonPress.
  virtual void ButtonPressClicks(int id, int clicks) {
    (void)clicks;
    ButtonPress(id);
  }
  virtual void ButtonPress(int id) { (void)id; }
  // Released over the button while the application had the focus: the click.
  virtual void ButtonDepress(int id) { (void)id; }
  // Every update while the button is pressed and the pointer is over it.
  virtual void ButtonHeld(int id) { (void)id; }
  virtual void ButtonMouseEnter(int id) { (void)id; }
  virtual void ButtonMouseLeave(int id) { (void)id; }
  // The pointer moved over the button; the point is local to it.
  virtual void ButtonMouseMove(int id, int x, int y) {
    (void)id;
    (void)x;
    (void)y;
  }
};

class DialogListener {
 public:
  virtual ~DialogListener() = default;
  virtual void DialogButtonPress(int dialogId, int buttonId) {
    (void)dialogId;
    (void)buttonId;
  }
  virtual void DialogButtonRelease(int dialogId, int buttonId) {
    (void)dialogId;
    (void)buttonId;
  }
};

}  // namespace Kivo
