// The dialog state and the log lines both backends share.
#include "platform/ModalDialog.h"

#include <cstdio>
#include <deque>
#include <mutex>

#include "platform/Environment.h"

namespace Platform {

namespace {

std::mutex gAnswerLock;
std::deque<std::string>& Answers() {
  static std::deque<std::string> answers;
  return answers;
}

const char* KindName(DialogControlKind kind) {
  switch (kind) {
    case DialogControlKind::Text: return "text";
    case DialogControlKind::ScrollText: return "scrolltext";
    case DialogControlKind::Edit: return "edit";
    case DialogControlKind::Button: return "button";
    case DialogControlKind::Progress: return "progress";
  }
  return "?";
}

}  // namespace

std::string QuoteDialogText(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else if (c == '"')
      out += "\\\"";
    else
      out += c;
  }
  return out + "\"";
}

DialogState::DialogState(const DialogTemplate& dialog) : mTemplate(dialog) {}

const DialogControl* DialogState::Control(int id) const {
  for (const DialogControl& control : mTemplate.controls)
    if (control.id == id) return &control;
  return nullptr;
}

DialogControl* DialogState::MutableControl(int id) {
  for (DialogControl& control : mTemplate.controls)
    if (control.id == id) return &control;
  return nullptr;
}

std::string DialogState::Text(int id) const {
  const DialogControl* control = Control(id);
  return control != nullptr ? control->text : std::string();
}

void DialogState::SetText(int id, const std::string& text) {
  DialogControl* control = MutableControl(id);
  if (control == nullptr || control->text == text) return;
  control->text = text;
  ++mChanges;
}

void QueueDialogAnswer(const std::string& answer) {
  std::lock_guard<std::mutex> lock(gAnswerLock);
  Answers().push_back(answer);
}

void ClearDialogAnswers() {
  std::lock_guard<std::mutex> lock(gAnswerLock);
  Answers().clear();
}

bool TakeDialogAnswer(std::string* answer) {
  std::lock_guard<std::mutex> lock(gAnswerLock);
  if (Answers().empty()) return false;
  *answer = Answers().front();
  Answers().pop_front();
  return true;
}

void LogDialogControls(const DialogState& state) {
  const DialogTemplate& dialog = state.Template();
  char line[160];
  std::snprintf(line, sizeof line, " at %d,%d size %dx%d", dialog.x, dialog.y, dialog.width, dialog.height);
  Log("Dialog title=" + QuoteDialogText(dialog.title) + line);
  for (const DialogControl& control : dialog.controls) {
    std::snprintf(line, sizeof line, " id=%d at %d,%d size %dx%d", control.id, control.x, control.y, control.width,
                  control.height);
    std::string flags;
    if (control.isDefault) flags += " default";
    if (control.isCancel) flags += " cancel";
    if (control.disabled) flags += " disabled";
    if (control.multiLine) flags += " multiline";
    Log("Dialog " + QuoteDialogText(dialog.title) + " " + KindName(control.kind) + line + flags +
        " text=" + QuoteDialogText(control.text));
  }
}

}  // namespace Platform
