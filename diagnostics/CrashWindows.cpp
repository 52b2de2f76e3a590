// The crash windows: "Fatal Error!", "Error Details", "Submitting Report"
// (with the "Connection Failed" retry box), and the upload they start.
//
// Each window is a modal dialog of the platform's own, built from a
// template with the texts, places and sizes below; the windows follow one
// another on the faulting thread. The progress window polls the transfer
// every 20 ms and animates its text once a second; nothing gives the upload
// up but the player's Abort (or close box), which ends the wait at once.
#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>

#include "diagnostics/CrashFormat.h"
#include "diagnostics/CrashReporter.h"
#include "diagnostics/CrashState.h"
#include "diagnostics/HTTPTransfer.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Environment.h"
#include "platform/Text.h"
#include "platform/devices/ModalDialogs.h"
#include "shell/base/Buffer.h"
#include "shell/KivoAppBase.h"
#include "shell/base/StringUtils.h"

namespace Kivo {

namespace {

using Platform::DialogControl;
using Platform::DialogControlKind;
using Platform::DialogHandlers;
using Platform::DialogState;
using Platform::DialogTemplate;

constexpr int kRowWidth = 384;
constexpr int kButtonGap = 8;
constexpr int kPollMs = 20;
constexpr int kPollsPerTick = 1000 / kPollMs;
constexpr size_t kUserTextLimit = 8191;

// Control ids, the same in every window: the header, the report or input
// box, the button in the send position and the one in the close position.
constexpr int kHeaderId = 1;
constexpr int kBoxId = 2;
constexpr int kSendId = 3;
constexpr int kCloseId = 4;

const char kBoundary[] = "---------------------------7d3e1f30eec";

// Counts for the life of the process, as the animation does.
int gProgressTicks = 0;

// The upload thread and an abort meet here: a request starts only when no
// abort came first, and an abort after it cancels the started request, so
// an abort is never lost to the request's own reset.
std::mutex gUploadLock;
bool gUploadAborted = false;
std::atomic<bool> gUploadThreadBusy{false};

DialogControl Control(int id, DialogControlKind kind, const std::string& text, int x, int y, int width, int height) {
  DialogControl control;
  control.id = id;
  control.kind = kind;
  control.text = text;
  control.x = x;
  control.y = y;
  control.width = width;
  control.height = height;
  return control;
}

DialogControl Header(const std::wstring& text) {
  DialogControl header = Control(kHeaderId, DialogControlKind::Text, Platform::WideToUtf8(text), 8, 8, kRowWidth, 84);
  header.bold = true;
  header.points = 9;
  return header;
}

DialogControl Button(int id, const std::string& text, int x, int y, int width, int height) {
  DialogControl button = Control(id, DialogControlKind::Button, text, x, y, width, height);
  button.bold = true;
  button.points = 9;
  return button;
}

// Starts the upload thread; false when no thread could be started.
bool StartUpload() {
  gUploadThreadBusy = true;
  if (_beginthread(&CrashReporter::UploadThread, 0, nullptr) == static_cast<std::uintptr_t>(-1)) {
    gUploadThreadBusy = false;
    return false;
  }
  return true;
}

void AbortUpload() {
  std::lock_guard<std::mutex> lock(gUploadLock);
  gUploadAborted = true;
  gCrashUploadTransfer.Cancel();
}

void AppendField(std::string& body, const std::string& name, const std::string& value) {
  body += std::string("--") + kBoundary + "\r\n";
  body += "Content-Disposition: form-data; name=\"" + name + "\"\r\n\r\n";
  body += value + "\r\n";
}

}  // namespace

std::vector<CrashButton> LayOutCrashButtons(const std::vector<std::string>& texts) {
  std::vector<CrashButton> buttons;
  if (texts.empty()) return buttons;
  int count = static_cast<int>(texts.size());
  int width = (kRowWidth - kButtonGap * (count - 1)) / count;
  int x = kButtonGap;
  for (const std::string& text : texts) {
    buttons.push_back({text, x, width});
    x += width + kButtonGap;
  }
  return buttons;
}

std::string ProgressText(int ticks) {
  std::string text = "Please Wait";
  for (int i = 0; i < ticks % 10; ++i) text += " .";
  return text;
}

void CrashReporter::ShowCrashWindow(const std::string& title, const std::string& text) {
  gCrashReportTitle = title;
  gCrashReportText = text;
  DialogTemplate window;
  window.title = "Fatal Error!";
  window.x = 64;
  window.y = 64;
  window.width = 400;
  window.height = 300;
  window.controls.push_back(Header(gCrashHeaderText));
  // The report's bytes as the system's 8-bit text: each byte one character.
  DialogControl report =
      Control(kBoxId, DialogControlKind::ScrollText, Platform::NarrowToUtf8(text), 8, 92, kRowWidth, 168);
  report.monospace = true;
  window.controls.push_back(report);
  std::vector<std::string> texts;
  bool offerSending = gAllowCrashUpload && !gCrashReportHost.empty();
  if (offerSending) texts.push_back("Send Report");
  texts.push_back("Close Now");
  // Without an application nothing could be sent: "Send Report" is greyed.
  bool canSend = gCrashReportApp != nullptr;
  for (const CrashButton& laid : LayOutCrashButtons(texts)) {
    bool send = laid.text == "Send Report";
    DialogControl button = Button(send ? kSendId : kCloseId, laid.text, laid.x, 268, laid.width, 24);
    button.disabled = send && !canSend;
    button.isDefault = send ? canSend : !(offerSending && canSend);
    button.isCancel = !send;
    window.controls.push_back(button);
  }
  DialogHandlers handlers;
  handlers.onCommand = [](int id, DialogState& state) { state.End(id == kSendId ? kSendId : kCloseId); };
  int chosen = Platform::RunModalDialog(window, handlers, nullptr);
  if (chosen == kSendId)
    ShowSubmitWindow();
  else
    gCrashWindowDone = true;
}

void CrashReporter::ShowSubmitWindow() {
  DialogTemplate window;
  window.title = "Error Details";
  window.x = 80;
  window.y = 80;
  window.width = 400;
  window.height = 300;
  window.controls.push_back(Header(gCrashSubmitPrompt));
  DialogControl input = Control(kBoxId, DialogControlKind::Edit, std::string(), 8, 92, kRowWidth, 168);
  input.multiLine = true;
  window.controls.push_back(input);
  window.focusId = kBoxId;
  DialogControl send = Button(kSendId, "Continue", 8, 268, 188, 24);
  send.disabled = gCrashReportApp == nullptr;
  send.isDefault = true;
  window.controls.push_back(send);
  DialogControl abort = Button(kCloseId, "Abort", 204, 268, 188, 24);
  abort.isCancel = true;
  window.controls.push_back(abort);
  DialogHandlers handlers;
  handlers.onCommand = [](int id, DialogState& state) { state.End(id == kSendId ? kSendId : kCloseId); };
  std::vector<std::string> texts;
  int chosen = Platform::RunModalDialog(window, handlers, &texts);
  if (chosen != kSendId) {
    gCrashWindowDone = true;
    return;
  }
  // As the system's 8-bit text, cut where its buffer would cut it.
  std::string typed = Narrow(Platform::Utf8ToWide(texts[1]));
  if (typed.size() > kUserTextLimit) typed.resize(kUserTextLimit);
  gCrashUserText = typed;
  ShowProgressWindow();
}

void CrashReporter::ShowProgressWindow() {
  {
    std::lock_guard<std::mutex> lock(gUploadLock);
    gUploadAborted = false;
  }
  DialogTemplate window;
  window.title = "Submitting Report";
  window.x = 64;
  window.y = 64;
  window.width = 240;
  window.height = 64;
  DialogControl line = Control(kHeaderId, DialogControlKind::Progress, ProgressText(gProgressTicks), 24, 10, 224, 24);
  line.bold = true;
  line.points = 10;
  window.controls.push_back(line);
  DialogControl abort = Control(kCloseId, DialogControlKind::Button, "Abort", 72, 36, 96, 22);
  abort.isDefault = true;
  abort.isCancel = true;
  window.controls.push_back(abort);

  bool startFailed = !StartUpload();
  bool aborted = false;
  int polls = 0;
  DialogHandlers handlers;
  handlers.tickMs = kPollMs;
  // Abort and the close box cancel; the next poll ends the wait whatever the
  // transfer says by then.
  handlers.onCommand = [&aborted](int, DialogState&) {
    aborted = true;
    AbortUpload();
  };
  handlers.onTick = [&](DialogState& state) {
    if (++polls % kPollsPerTick == 0) state.SetText(kHeaderId, ProgressText(++gProgressTicks));
    if (aborted) {
      state.End(kCloseId);
      return;
    }
    int result = startFailed ? TRANSFER_SOCKET_FAILED : gCrashUploadTransfer.PollResult();
    if (result == TRANSFER_COMPLETE || result == TRANSFER_CANCELLED) {
      state.End(kSendId);
    } else if (result != TRANSFER_IDLE && result != TRANSFER_RUNNING) {
      gCrashUploadTransfer.Clear();
      startFailed = false;
      int answer = MessageBoxW(nullptr, gCrashConnectFailedText.c_str(), L"Connection Failed", MB_RETRYCANCEL);
      if (answer == IDRETRY)
        startFailed = !StartUpload();
      else
        state.End(kCloseId);
    }
  };
  Platform::RunModalDialog(window, handlers, nullptr);
  gCrashWindowDone = true;
  // An upload thread still building its request must not start it now.
  if (aborted) AbortUpload();
  while (gUploadThreadBusy.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

std::string CrashReporter::BuildUploadRequest() {
  KivoAppBase* app = gCrashReportApp;
  std::string body;
  std::map<std::string, std::string> extra;
  if (app != nullptr) app->AddCrashReportFields(extra);
  for (const auto& field : extra) AppendField(body, field.first, field.second);
  AppendField(body, "prod", app != nullptr ? app->mProductName : std::string());
  AppendField(body, "version", app != nullptr ? app->mProductVersion : std::string());
  AppendField(body, "usertext", gCrashUserText);
  AppendField(body, "errortitle", gCrashReportTitle);
  AppendField(body, "errortext", gCrashReportText);
  if (gAttachDemoFile) {
    Buffer demo;
    if (app != nullptr) app->LoadFileJournaled(gCrashDemoFile, demo, true);
    body += std::string("--") + kBoundary + "\r\n";
    body += "Content-Disposition: form-data; name=\"demofile\"; filename=\"tolvik.dmo\"\r\n";
    body += "Content-Type: application/octet-stream\r\n\r\n";
    if (demo.ByteSize() > 0)
      body.append(reinterpret_cast<const char*>(demo.Data()), static_cast<size_t>(demo.ByteSize()));
    body += "\r\n";
  }
  body += std::string("--") + kBoundary + "--\r\n";

  std::string request = "POST /crash_report.php HTTP/1.1\r\n";
  request += std::string("Content-Type: multipart/form-data; boundary=") + kBoundary + "\r\n";
  request += "User-Agent: Mozilla/4.0 (compatible; tolvik)\r\n";
  request += "Host: " + gCrashReportHost + "\r\n";
  request += FormatCrashText("Content-Length: %d\r\n", static_cast<int>(body.size()));
  request += "Connection: close\r\n\r\n";
  return request + body;
}

void CrashReporter::UploadThread(void*) {
  std::string request = BuildUploadRequest();
  {
    std::lock_guard<std::mutex> lock(gUploadLock);
    if (!gUploadAborted) gCrashUploadTransfer.StartRequest(gCrashReportHost, request);
  }
  gUploadThreadBusy = false;
}

}  // namespace Kivo
