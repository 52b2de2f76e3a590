// The dialog registry, system message boxes, fatal errors, the screen-saver
// error log, deferred widget deletion and the string-table operations of the
// application object.
//
// Message boxes open on the main thread only: a fatal error raised on another
// thread (the loader's) is kept and shown by the next loop pass, with the
// same title, type and log line.
#include <cstdio>

#include "platform/Platform.h"
#include "resources/manifest/ResourceManager.h"
#include "shell/KivoAppBase.h"
#include "shell/base/Paths.h"
#include "shell/base/StringUtils.h"
#include "ui/WidgetManager.h"

namespace Kivo {

namespace {

// "ScrError.txt" is truncated by the first line of the process.
std::atomic<bool> gErrorLogFirstWrite{true};

}  // namespace

void ResetErrorLogFirstWrite() { gErrorLogFirstWrite = true; }

// ---------------------------------------------------------------------------
// Dialog registry.

Dialog* KivoAppBase::CreateDialogWidget(int id, bool isModal, const std::wstring& header, const std::wstring& lines,
                                        const std::wstring& footer, int buttonMode) {
  auto* dialog = new Dialog(nullptr, nullptr, id, isModal, header, lines, footer, buttonMode);
  dialog->mDialogListener = this;
  dialog->mRunner = this;
  return dialog;
}

Dialog* KivoAppBase::ReplaceDialog(int id, bool isModal, const std::wstring& header, const std::wstring& lines,
                                   const std::wstring& footer, int buttonMode) {
  RemoveDialogById(id);
  Dialog* dialog = CreateDialogWidget(id, isModal, header, lines, footer, buttonMode);
  RegisterDialog(id, dialog);
  return dialog;
}

Dialog* KivoAppBase::FindDialog(int id) {
  auto it = mDialogMap.find(id);
  return it == mDialogMap.end() ? nullptr : it->second;
}

void KivoAppBase::RegisterDialogByOwnId(Dialog* dialog) { RegisterDialog(dialog->mId, dialog); }

void KivoAppBase::RegisterDialog(int id, Dialog* dialog) {
  if (dialog == nullptr) return;
  // Registering a dialog again under its own id must not delete it.
  auto existing = mDialogMap.find(id);
  if (existing != mDialogMap.end() && existing->second == dialog) return;
  // Nor may one dialog sit under two ids: both would delete it.
  for (auto it = mDialogMap.begin(); it != mDialogMap.end(); ++it) {
    if (it->second == dialog) {
      RemoveDialog(it->first, true, false);
      break;
    }
  }
  RemoveDialogById(id);

  if (dialog->mWidth == 0) {
    int w = mWidth / 2;
    int h = dialog->GetPreferredHeight(w);
    dialog->Resize((mWidth - w) / 2, mHeight / 5, w, h);
  }
  if (dialog->mDialogListener == nullptr) dialog->mDialogListener = this;
  if (dialog->mRunner == nullptr) dialog->mRunner = this;
  mDialogMap[id] = dialog;
  mDialogList.push_back(dialog);
  mWidgetManager->AddChild(dialog);
  if (dialog->IsModal()) {
    mWidgetManager->PushModal(dialog);
    OnModalDialogAdded();
  }
}

bool KivoAppBase::RemoveDialogWidget(Dialog* dialog) { return dialog != nullptr && RemoveDialogById(dialog->mId); }

bool KivoAppBase::RemoveDialogById(int id) { return RemoveDialog(id, true, true); }

bool KivoAppBase::RemoveDialog(int id, bool removeWidget, bool deleteWidget) {
  auto it = mDialogMap.find(id);
  if (it == mDialogMap.end()) return false;
  Dialog* dialog = it->second;
  if (dialog->mResult == -1) dialog->mResult = 0;
  mDialogList.remove(dialog);
  mDialogMap.erase(it);
  if (removeWidget || deleteWidget) mWidgetManager->RemoveChild(dialog);
  if (dialog->IsModal()) {
    OnModalDialogRemoved();
    mWidgetManager->PopModal(dialog);
  }
  if (deleteWidget) QueueWidgetDeletion(dialog);
  return true;
}

int KivoAppBase::CountDialogs() { return static_cast<int>(mDialogMap.size()); }

void KivoAppBase::DialogButtonPress(int dialogId, int buttonId) {
  if (buttonId == kDialogButtonYes)
    ButtonPress(dialogId + kDialogFirstButtonOffset);
  else if (buttonId == kDialogButtonNo)
    ButtonPress(dialogId + kDialogSecondButtonOffset);
}

void KivoAppBase::DialogButtonRelease(int dialogId, int buttonId) {
  if (buttonId == kDialogButtonYes)
    ButtonDepress(dialogId + kDialogFirstButtonOffset);
  else if (buttonId == kDialogButtonNo)
    ButtonDepress(dialogId + kDialogSecondButtonOffset);
}

void KivoAppBase::QueueWidgetDeletion(Widget* widget) {
  if (widget == nullptr) return;
  // A widget queued twice would be deleted twice.
  for (const QueuedWidgetDeletion& entry : mDeletionQueue)
    if (entry.widget == widget) return;
  mDeletionQueue.push_back(QueuedWidgetDeletion{mStepDepth, widget});
}

// ---------------------------------------------------------------------------
// Message boxes.

void KivoAppBase::EnterModalBox() {
  // Over a full-screen display the box needs the desktop's surface in front;
  // flipping to it comes with the display.
  if (!mWindowIsWindowed && mDisplay != nullptr) mModalBoxOpen = true;
}

void KivoAppBase::LeaveModalBox() {
  if (!mWindowIsWindowed) mModalBoxOpen = false;
  // The time spent in the box is not caught up, and keys and buttons
  // released while it was open must not stay held.
  ResetFrameTimer(false);
  ClearKeyStates();
  if (mWidgetManager != nullptr && mWidgetManager->mButtonsDown != 0) {
    mWidgetManager->ReleaseHeldButtons();
    ReleaseCapture();
  }
}

int KivoAppBase::ShowMessageBoxW(const std::wstring& text, const std::wstring& title, UINT type) {
  if (mScreenSaverMode) {
    AppendErrorLog(Narrow(text));
    return IDOK;
  }
  EnterModalBox();
  int result = MessageBoxW(mMainWindow.load(), text.c_str(), title.c_str(), type);
  LeaveModalBox();
  return result;
}

int KivoAppBase::ShowMessageBoxA(const std::string& text, const std::string& title, UINT type) {
  if (mScreenSaverMode) {
    AppendErrorLog(text);
    return IDOK;
  }
  EnterModalBox();
  int result = MessageBoxA(mMainWindow.load(), text.c_str(), title.c_str(), type);
  LeaveModalBox();
  return result;
}

void KivoAppBase::ShowFatalErrorW(const std::wstring& text) {
  if (mScreenSaverMode) {
    AppendErrorLog(Narrow(text));
    return;
  }
  if (!OnMainThread()) {
    std::lock_guard<std::mutex> lock(mPendingFatalLock);
    mPendingFatalErrors.emplace_back(text, false);
    return;
  }
  ShowFatalErrorNow(text, false);
}

void KivoAppBase::ShowFatalErrorA(const std::string& text) {
  if (mScreenSaverMode) {
    AppendErrorLog(text);
    return;
  }
  if (!OnMainThread()) {
    std::lock_guard<std::mutex> lock(mPendingFatalLock);
    mPendingFatalErrors.emplace_back(Widen(text), true);
    return;
  }
  ShowFatalErrorNow(Widen(text), true);
}

void KivoAppBase::ShowFatalErrorNow(const std::wstring& text, bool narrowBox) {
  EnterModalBox();
  if (!mShuttingDown) {
    std::wstring title = LookupText("FATAL_ERROR", L"FATAL ERROR");
    if (narrowBox) {
      MessageBoxA(mMainWindow.load(), Narrow(text).c_str(), Narrow(title).c_str(), MB_ICONERROR);
    } else {
      MessageBoxW(mMainWindow.load(), text.c_str(), title.c_str(), MB_ICONERROR);
    }
  }
  LeaveModalBox();
}

void KivoAppBase::ShowPendingFatalError() {
  std::vector<std::pair<std::wstring, bool>> pending;
  {
    std::lock_guard<std::mutex> lock(mPendingFatalLock);
    pending.swap(mPendingFatalErrors);
  }
  for (const auto& entry : pending) ShowFatalErrorNow(entry.first, entry.second);
}

void KivoAppBase::AppendErrorLog(const std::string& text) {
  bool first = gErrorLogFirstWrite.exchange(false);
  std::FILE* file = OpenReportFile("ScrError.txt", first ? "w" : "a+");
  if (file == nullptr) return;
  SYSTEMTIME now{};
  GetLocalTime(&now);
  std::fprintf(file, "%s %02d:%02d:%02d %u\n", text.c_str(), now.wHour, now.wMinute, now.wSecond,
               static_cast<unsigned>(GetTickCount()));
  std::fclose(file);
}

// ---------------------------------------------------------------------------
// String table and definitions file.

std::wstring KivoAppBase::LookupText(const std::string& id, const std::wstring& defaultText) const {
  return mStringTable.Lookup(id, defaultText);
}

void KivoAppBase::DefineText(const std::string& id, const std::wstring& text) { mStringTable.Define(id, text); }

void KivoAppBase::LoadDefinitionsFile(const std::string& fileName) {
  if (!mResourceManager->ReadManifest(fileName)) FailWithResourceError(true);
}

void KivoAppBase::FailWithResourceError(bool exitProgram) {
  ShowFatalErrorA(mResourceManager->ErrorText());
  if (exitProgram) ExitProgram(0);
}

}  // namespace Kivo
