// The crash boxes: "Fatal Error!", "Error Details", "Submitting Report" and
// "Connection Failed", and the upload they start.
//
// Each window is a box with the same texts and buttons; the boxes are shown
// one after another on the faulting thread. While the upload runs, the
// progress box is a line in the log once a second, since a box cannot be
// polled: the transfer is polled every 20 ms and given up after 60 s.
#include <chrono>
#include <map>
#include <thread>

#include "diagnostics/CrashFormat.h"
#include "diagnostics/CrashReporter.h"
#include "diagnostics/CrashState.h"
#include "diagnostics/HTTPTransfer.h"
#include "platform/ChoiceBox.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Environment.h"
#include "platform/Prompt.h"
#include "shell/base/Buffer.h"
#include "shell/KivoAppBase.h"
#include "shell/base/StringUtils.h"

namespace Kivo {

namespace {

constexpr int kRowWidth = 384;
constexpr int kButtonGap = 8;
constexpr int kPollMs = 20;
constexpr int kPollsPerTick = 1000 / kPollMs;
constexpr int kGiveUpTicks = 60;
constexpr size_t kUserTextLimit = 8191;
// The report lines the fatal-error box shows under its header.
constexpr int kReportLinesShown = 12;

const char kBoundary[] = "---------------------------7d3e1f30eec";

// Counts for the life of the process, as the animation does.
int gProgressTicks = 0;

std::string FirstLines(const std::string& text, int count) {
  size_t end = 0;
  for (int i = 0; i < count; ++i) {
    end = text.find("\r\n", end);
    if (end == std::string::npos) return text;
    end += 2;
  }
  return text.substr(0, end);
}

// Shows a box with the given buttons and logs their layout; the chosen
// button's text, or empty when the box was closed.
std::string ShowBox(const std::string& title, const std::string& text, const std::vector<std::string>& buttons) {
  std::string layout;
  for (const CrashButton& button : LayOutCrashButtons(buttons))
    layout += FormatCrashText(" \"%s\" x %d width %d;", button.text.c_str(), button.x, button.width);
  Platform::Log(title + ":" + layout);
  int chosen = Platform::ShowChoiceBox(title, text, buttons);
  return chosen < 0 || chosen >= static_cast<int>(buttons.size()) ? std::string() : buttons[chosen];
}

void StartUpload() {
  if (_beginthread(&CrashReporter::UploadThread, 0, nullptr) == static_cast<std::uintptr_t>(-1))
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
  // Without an application nothing could be sent; a box cannot grey a
  // button out, so it has none.
  std::vector<std::string> buttons;
  if (gAllowCrashUpload && !gCrashReportHost.empty() && gCrashReportApp != nullptr) buttons.push_back("Send Report");
  buttons.push_back("Close Now");
  std::string boxText = Narrow(gCrashHeaderText) + "\r\n\r\n" + FirstLines(text, kReportLinesShown);
  std::string chosen = ShowBox("Fatal Error!", boxText, buttons);
  if (chosen == "Send Report")
    ShowSubmitWindow();
  else
    gCrashWindowDone = true;
}

void CrashReporter::ShowSubmitWindow() {
  std::string chosen = ShowBox("Error Details", Narrow(gCrashSubmitPrompt), {"Continue", "Abort"});
  if (chosen != "Continue") {
    gCrashWindowDone = true;
    return;
  }
  std::string typed;
  if (!Platform::AskText("Error Details", std::string(), &typed, kUserTextLimit)) typed.clear();
  gCrashUserText = typed;
  ShowProgressWindow();
}

void CrashReporter::ShowProgressWindow() {
  Platform::Log("Submitting Report: " + ProgressText(gProgressTicks));
  StartUpload();
  int polls = 0;
  int ticksHere = 0;
  while (!gCrashWindowDone) {
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    int result = gCrashUploadTransfer.PollResult();
    if (result == TRANSFER_COMPLETE || result == TRANSFER_CANCELLED) {
      gCrashWindowDone = true;
    } else if (result != TRANSFER_IDLE && result != TRANSFER_RUNNING) {
      gCrashUploadTransfer.Clear();
      int answer = MessageBoxA(nullptr, Narrow(gCrashConnectFailedText).c_str(), "Connection Failed", MB_RETRYCANCEL);
      if (answer == IDRETRY) {
        ticksHere = 0;
        StartUpload();
      } else {
        gCrashWindowDone = true;
      }
    }
    if (gCrashWindowDone) break;
    if (++polls % kPollsPerTick == 0) {
      ++gProgressTicks;
      Platform::Log("Submitting Report: " + ProgressText(gProgressTicks));
      // No box can offer "Abort" while the transfer is polled: give up
      // after a minute; the next poll sees the cancel.
      if (++ticksHere == kGiveUpTicks) gCrashUploadTransfer.Cancel();
    }
  }
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

void CrashReporter::UploadThread(void*) { gCrashUploadTransfer.StartRequest(gCrashReportHost, BuildUploadRequest()); }

}  // namespace Kivo
