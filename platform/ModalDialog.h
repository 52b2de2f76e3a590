// Modal dialogs built from in-memory templates, for windows that must work
// whatever state the application is in (the crash windows): static text, a
// multi-line read-only text with a scroll bar, single- and multi-line edit
// boxes, push buttons (one the default, one the cancel button) and a
// progress line. The caller's handlers see button presses and, every tick,
// may change control texts or end the dialog.
//
// The dialog runs through Platform::RunModalDialog (platform/devices/
// ModalDialogs.h): sdl2 draws it in a window of its own; headless, it is
// logged control by control and answered from the input script:
//
//   dialog press TEXT   presses the enabled button of that text
//   dialog type TEXT    sets the first edit box to TEXT (the dialog goes on)
//   dialog enter / esc  presses the default / the cancel button
//   dialog close        the close box
//   dialog wait [MS]    lets the ticks run (for MS milliseconds, else until
//                       the handlers end the dialog)
//
// Answers are taken in file order across dialogs. A dialog with no answer
// left is logged as unanswered and takes its cancel button once, then its
// ticks run until the handlers end it.
//
// Threads: one dialog at a time, on any one thread.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace Platform {

enum class DialogControlKind { Text, ScrollText, Edit, Button, Progress };

struct DialogControl {
  int id = 0;
  DialogControlKind kind = DialogControlKind::Text;
  std::string text;  // UTF-8
  int x = 0, y = 0, width = 0, height = 0;
  bool multiLine = false;  // edit boxes
  bool bold = false;
  bool monospace = false;
  int points = 8;  // font size
  bool isDefault = false;
  bool isCancel = false;
  bool disabled = false;
};

struct DialogTemplate {
  std::string title;  // UTF-8
  int x = 0, y = 0;   // client origin on the screen
  int width = 0, height = 0;
  std::vector<DialogControl> controls;
  // The control with the keyboard focus at the start (0: the first one that
  // takes it).
  int focusId = 0;
};

// The id a dialog's close box reports, to onCommand and as a result.
constexpr int kDialogClosed = -1;

// A running dialog's texts and end, as the handlers see it.
class DialogState {
 public:
  explicit DialogState(const DialogTemplate& dialog);
  const DialogTemplate& Template() const { return mTemplate; }
  std::string Text(int id) const;
  void SetText(int id, const std::string& text);
  const DialogControl* Control(int id) const;
  DialogControl* MutableControl(int id);
  void End(int result) {
    mEnded = true;
    mResult = result;
  }
  bool Ended() const { return mEnded; }
  int Result() const { return mResult; }
  // Bumped at every text change, so a drawing backend knows to redraw.
  int Changes() const { return mChanges; }

 private:
  DialogTemplate mTemplate;
  bool mEnded = false;
  int mResult = kDialogClosed;
  int mChanges = 0;
};

struct DialogHandlers {
  // A button (its id) or the close box (kDialogClosed); End() ends the
  // dialog, else it goes on.
  std::function<void(int id, DialogState& state)> onCommand;
  // Called every tickMs milliseconds while the dialog runs (0: never).
  std::function<void(DialogState& state)> onTick;
  int tickMs = 0;
};

void QueueDialogAnswer(const std::string& answer);
void ClearDialogAnswers();

// The headless run of a dialog (see above). Returns the result.
int AnswerDialogFromScript(DialogState& state, DialogHandlers& handlers);

// One log line per control: kind, id, place, size, flags and text.
void LogDialogControls(const DialogState& state);

// For the backends: the next scripted answer (false when none is left), and
// a text quoted for the log.
bool TakeDialogAnswer(std::string* answer);
std::string QuoteDialogText(const std::string& text);

}  // namespace Platform
