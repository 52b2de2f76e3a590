// The command line: read once at start-up, split into "-key" or
// "-key=value" options (double quotes group blanks, '=' may sit inside
// quotes) and applied to the application object. Options are
// case-sensitive; an unknown one is a fatal error that ends the program with
// code 0 after the options before it were applied. Also the numbered demo
// files behind "-recnum" and "-playnum", looked for and written in the
// working folder start-up settles on (after "-changedir").
#include <cstdio>
#include <cstdlib>
#include <set>

#include "platform/Platform.h"
#include "shell/KivoAppBase.h"
#include "shell/base/Paths.h"
#include "shell/base/StringUtils.h"

namespace Kivo {

void KivoAppBase::ReadCommandLine() {
  mCommandLineRead = true;
  const char* line = GetCommandLineA();
  if (line == nullptr) return;
  std::string text = line;
  size_t p = 0;
  if (!text.empty() && text[0] == '"') {
    p = text.find('"', 1);
    if (p == std::string::npos) return;  // the program name's quote never closes
  }
  p = text.find(' ', p);
  if (p == std::string::npos) return;
  SplitCommandLine(text.substr(p + 1));
}

void KivoAppBase::SplitCommandLine(const std::string& text) {
  std::string key;
  std::string value;
  bool quoted = false;
  bool valueMode = false;
  auto endToken = [&] {
    if (!key.empty()) {
      std::string k = key;
      std::string v = value;
      key.clear();
      value.clear();
      valueMode = false;
      ApplyCommandLineParam(k, v);
    } else {
      value.clear();
      valueMode = false;
    }
  };
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    bool ends = false;
    if (c == '"') {
      quoted = !quoted;
      if (!quoted) ends = true;
    } else if (c != ' ' || quoted) {
      if (c == '=') {
        valueMode = true;
      } else if (valueMode) {
        value += c;
      } else {
        key += c;
      }
    } else {
      ends = true;
    }
    if (ends || i + 1 == text.size()) endToken();
  }
}

std::string KivoAppBase::ApplyDemoFolderRule(const std::string& path) {
  // Drive-qualified, UNC-like and (here) rooted paths stay as they are.
  bool absolute = path.size() >= 2 && (path[1] == ':' || (path.size() >= 3 && path[2] == '\\') || path[0] == '/');
  if (absolute) return path;
  return UserDataFolder() + path;
}

void KivoAppBase::ApplyCommandLineParam(const std::string& key, const std::string& value) {
  if (key == "-play") {
    mPlaying = true;
    mRecording = false;
  } else if (key == "-record") {
    mRecording = true;
    mPlaying = false;
  } else if (key == "-recnum") {
    // The file is picked once the working folder is final (PlaceNumberedDemo).
    int keep = std::atoi(value.c_str());
    mNumberedDemoKeep = keep < 1 ? 5 : keep;
    mNumberedDemoBack = 0;
    mRecording = true;
    mPlaying = false;
  } else if (key == "-playnum") {
    int back = std::atoi(value.c_str());
    mNumberedDemoBack = back < 1 ? 1 : back;
    mNumberedDemoKeep = 0;
    mPlaying = true;
    mRecording = false;
  } else if (key == "-demofile") {
    mNumberedDemoKeep = 0;
    mNumberedDemoBack = 0;
    mDemoFilePath = ApplyDemoFolderRule(value);
  } else if (key == "-crash") {
    // Handed to the crash reporter as an unhandled fault once it exists;
    // until then the process ends abnormally, never as a normal exit.
    std::abort();
  } else if (key == "-screensaver") {
    mScreenSaverMode = true;
  } else if (key == "-changedir") {
    mProgramFolder = value;
  } else {
    ShowFatalErrorW(LookupText("INVALID_COMMANDLINE_PARAM", L"Invalid command line parameter: ") + Widen(key));
    ExitProgram(0);
  }
}

void KivoAppBase::PlaceNumberedDemo() {
  // Both search the working folder and name the file relative to it: the
  // folder the player sees the demos in.
  if (mNumberedDemoKeep > 0) {
    int n = FindNumberedDemos(mDemoStem, mNumberedDemoKeep, true) + 1;
    mDemoFilePath = mDemoStem + std::to_string(n) + ".dmo";
  } else if (mNumberedDemoBack > 0) {
    int back = mNumberedDemoBack;
    int n = FindNumberedDemos(mDemoStem, back - 1, false) - (back - 1);
    mDemoFilePath = mDemoStem + std::to_string(n) + ".dmo";
  }
  mNumberedDemoKeep = 0;
  mNumberedDemoBack = 0;
}

int KivoAppBase::FindNumberedDemos(const std::string& stem, int keep, bool deleteExcess) {
  WIN32_FIND_DATAA data{};
  HANDLE find = FindFirstFileA((stem + "*.dmo").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  std::set<int> numbers;
  std::string prefix = PathFileName(stem, false);
  do {
    std::string name = data.cFileName;
    // "<stem><digits>.dmo" exactly; the stem's own folder is not in the name.
    if (name.size() <= prefix.size() + 4 || name.compare(0, prefix.size(), prefix) != 0) continue;
    if (name.compare(name.size() - 4, 4, ".dmo") != 0) continue;
    std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - 4);
    if (digits.empty() || digits.size() > 9) continue;
    bool allDigits = true;
    for (char c : digits) allDigits = allDigits && c >= '0' && c <= '9';
    if (allDigits) numbers.insert(std::atoi(digits.c_str()));
  } while (FindNextFileA(find, &data));
  FindClose(find);
  if (numbers.empty()) return 0;
  if (deleteExcess && static_cast<int>(numbers.size()) >= keep)
    DeleteFileA((stem + std::to_string(*numbers.begin()) + ".dmo").c_str());
  return *numbers.rbegin();
}

}  // namespace Kivo
