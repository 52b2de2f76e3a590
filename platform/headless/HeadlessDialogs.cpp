// Dialogs answered from the input script, logged control by control.
#include <chrono>
#include <map>
#include <cstdlib>
#include <thread>

#include "platform/Environment.h"
#include "platform/ModalDialog.h"

namespace Platform {

namespace {

const DialogControl* ButtonWhere(const DialogState& state, bool (*match)(const DialogControl&, const std::string&),
                                 const std::string& text) {
  for (const DialogControl& control : state.Template().controls)
    if (control.kind == DialogControlKind::Button && match(control, text)) return &control;
  return nullptr;
}

bool HasText(const DialogControl& control, const std::string& text) { return control.text == text; }
bool IsDefault(const DialogControl& control, const std::string&) { return control.isDefault; }
bool IsCancel(const DialogControl& control, const std::string&) { return control.isCancel; }

class Runner {
 public:
  Runner(DialogState& state, DialogHandlers& handlers) : mState(state), mHandlers(handlers) {}

  // Presses a button: its handler decides whether the dialog ends.
  void Press(const DialogControl* button, const std::string& how) {
    const std::string& title = mState.Template().title;
    if (button == nullptr) {
      Log("Dialog " + QuoteDialogText(title) + " " + how + ": no such button; ignored");
      return;
    }
    if (button->disabled) {
      Log("Dialog " + QuoteDialogText(title) + " " + how + ": " + QuoteDialogText(button->text) +
          " is disabled; ignored");
      return;
    }
    Log("Dialog " + QuoteDialogText(title) + " " + how + " -> " + QuoteDialogText(button->text));
    int id = button->id;
    if (mHandlers.onCommand) mHandlers.onCommand(id, mState);
  }

  void Close() {
    Log("Dialog " + QuoteDialogText(mState.Template().title) + " close box");
    if (mHandlers.onCommand) mHandlers.onCommand(kDialogClosed, mState);
  }

  // One tick of the handlers after a tick's wait on the host clock: the
  // dialogs wait for other threads' work (an upload), not for the game.
  void Tick() {
    if (!mHandlers.onTick || mHandlers.tickMs <= 0) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(mHandlers.tickMs));
    int before = mState.Changes();
    mHandlers.onTick(mState);
    if (mState.Changes() != before) LogChangedTexts();
  }

  void LogChangedTexts() {
    for (const DialogControl& control : mState.Template().controls) {
      auto known = mLastTexts.find(control.id);
      if (known != mLastTexts.end() && known->second == control.text) continue;
      mLastTexts[control.id] = control.text;
      if (known == mLastTexts.end()) continue;
      Log("Dialog " + QuoteDialogText(mState.Template().title) + " id=" + std::to_string(control.id) +
          " text=" + QuoteDialogText(control.text));
    }
  }

  int Run() {
    LogDialogControls(mState);
    LogChangedTexts();
    bool cancelledUnattended = false;
    while (!mState.Ended()) {
      std::string answer;
      if (!TakeDialogAnswer(&answer)) {
        if (!cancelledUnattended) {
          cancelledUnattended = true;
          Log("Dialog " + QuoteDialogText(mState.Template().title) + " unanswered; its cancel button");
          const DialogControl* cancel = ButtonWhere(mState, IsCancel, "");
          if (cancel != nullptr)
            Press(cancel, "unanswered");
          else
            Close();
          continue;
        }
        if (!mHandlers.onTick || mHandlers.tickMs <= 0) break;  // nothing could end it
        Tick();
        continue;
      }
      Act(answer);
    }
    Log("Dialog " + QuoteDialogText(mState.Template().title) + " ended -> " + std::to_string(mState.Result()));
    return mState.Result();
  }

 private:
  void Act(const std::string& answer) {
    size_t blank = answer.find(' ');
    std::string verb = answer.substr(0, blank);
    std::string rest = blank == std::string::npos ? std::string() : answer.substr(blank + 1);
    if (verb == "press") {
      Press(ButtonWhere(mState, HasText, rest), "press");
    } else if (verb == "enter") {
      Press(ButtonWhere(mState, IsDefault, ""), "enter");
    } else if (verb == "esc") {
      Press(ButtonWhere(mState, IsCancel, ""), "esc");
    } else if (verb == "close") {
      Close();
    } else if (verb == "type") {
      for (const DialogControl& control : mState.Template().controls) {
        if (control.kind != DialogControlKind::Edit) continue;
        mState.SetText(control.id, rest);
        mLastTexts[control.id] = rest;
        Log("Dialog " + QuoteDialogText(mState.Template().title) + " typed " + QuoteDialogText(rest));
        break;
      }
    } else if (verb == "wait") {
      long limit = rest.empty() ? -1 : std::strtol(rest.c_str(), nullptr, 10);
      if (!mHandlers.onTick || mHandlers.tickMs <= 0) return;
      for (long waited = 0; !mState.Ended() && (limit < 0 || waited < limit); waited += mHandlers.tickMs) Tick();
    } else {
      Log("Dialog " + QuoteDialogText(mState.Template().title) + " answer " + QuoteDialogText(answer) +
          " not understood; skipped");
    }
  }

  DialogState& mState;
  DialogHandlers& mHandlers;
  std::map<int, std::string> mLastTexts;
};

}  // namespace

int AnswerDialogFromScript(DialogState& state, DialogHandlers& handlers) { return Runner(state, handlers).Run(); }

}  // namespace Platform
