#include "engine/Script.h"

#include <limits>

#include "engine/WholeFile.h"
#include "platform/DebugOutput.h"
#include "shell/base/StringUtils.h"

namespace Kivo {

namespace {

// A double narrowed to float32 without leaving the float range undefined:
// beyond it the result is an infinity, as the hardware conversion gives.
float ToFloat32(double value) {
  constexpr double kMax = std::numeric_limits<float>::max();
  if (value > kMax) return std::numeric_limits<float>::infinity();
  if (value < -kMax) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(value);
}

// The whole-file reader refuses an empty file; a script that opens and holds
// nothing is still a readable script, just one without lines.
bool IsReadableEmptyFile(const std::string& fileName) {
  std::FILE* file = OpenDataFile(fileName, 1);
  if (file == nullptr) return false;
  char byte = 0;
  bool empty = std::fread(&byte, 1, 1, file) == 0 && std::feof(file) != 0;
  CloseDataFile(file);
  return empty;
}

}  // namespace

bool Script::LoadFile(const std::string& fileName, const ScriptCommandTable* commands) {
  Clear();
  if (fileName.size() > kMaxPathLength) return false;
  WholeFile file{fileName, {}};
  if (LoadWholeFile(file)) {
    SplitLines(file.data(), file.size());
    FreeWholeFile(file);
  } else if (!IsReadableEmptyFile(fileName)) {
    return false;
  }
  mCommands = commands;
  return true;
}

void Script::Clear() {
  mLines.clear();
  mCurrentLine = 0;
}

void Script::TrimRight(std::string& line) {
  std::size_t end = line.find_last_not_of(' ');
  line.erase(end == std::string::npos ? 0 : end + 1);
}

void Script::SplitLines(const char* bytes, std::size_t length) {
  std::string line;
  auto finishLine = [this, &line]() {
    TrimRight(line);
    if (line.empty()) return;
    mLines.push_back(line);
    line.clear();
  };
  for (std::size_t i = 0; i < length; ++i) {
    char c = bytes[i];
    if (c == '\n') {
      finishLine();
    } else if (c == '\r' || c == '\0') {
      continue;
    } else if (line.empty() && (c == ' ' || c == '\t')) {
      continue;
    } else {
      line.push_back(c);
    }
  }
  finishLine();
}

std::string Script::CommandName(const std::string& line) { return line.substr(0, line.find_first_of("(:=")); }

std::string Script::ExecLine(const std::string& line, const Script& script) {
  std::string name = CommandName(line);
  if (line.size() > name.size() && line[name.size()] == '(') {
    CallCommand(name, line.substr(name.size() + 1), script.mCommands);
  }
  return name;
}

void Script::CallCommand(const std::string& name, const std::string& args, const ScriptCommandTable* commands) {
  if (commands == nullptr) return;
  for (const ScriptCommand& command : *commands) {
    if (command.name != name) continue;
    if (command.handler) command.handler(args);
    return;
  }
}

std::size_t Script::ScanArgs(const std::string& text, const std::string& format, const ScanOutput* outputs,
                             std::size_t outputCount) {
  const std::size_t size = text.size();
  std::size_t pos = 0;
  std::size_t next = 0;
  std::size_t stored = 0;
  for (char letter : format) {
    const ScanOutput* target = next < outputCount ? &outputs[next] : nullptr;
    ++next;
    if (letter == 's') {
      while (pos < size && text[pos] != '"' && text[pos] != ',') ++pos;
      if (pos >= size || text[pos] == ',') return stored;
      std::size_t close = text.find('"', pos + 1);
      if (close == std::string::npos) return stored;
      if (target != nullptr && target->mText != nullptr) *target->mText = text.substr(pos + 1, close - pos - 1);
      ++stored;
      pos = close + 1;
      while (pos < size && text[pos] != ',' && text[pos] != ')') ++pos;
      if (pos >= size || text[pos] == ')') return stored;
      ++pos;
    } else if (letter == 'i' || letter == 'f') {
      if (pos < size && text[pos] == ',') return stored;
      std::size_t end = text.find_first_of(",)", pos);
      if (end == std::string::npos) return stored;
      std::string argument = text.substr(pos, end - pos);
      if (target != nullptr && letter == 'i' && target->mInt != nullptr) *target->mInt = LeadingInt(argument.c_str());
      if (target != nullptr && letter == 'f' && target->mFloat != nullptr) {
        *target->mFloat = ToFloat32(LeadingDouble(argument.c_str()));
      }
      ++stored;
      if (text[end] == ')') return stored;
      pos = end + 1;
    }
  }
  return stored;
}

std::size_t Script::ArgumentCount(const std::string& format) {
  std::size_t count = 0;
  for (char letter : format) {
    if (letter == 's' || letter == 'i' || letter == 'f') ++count;
  }
  return count;
}

bool Script::ReportShortList(const char* command, const std::string& text, const std::string& format,
                             std::size_t stored) {
  const std::size_t wanted = ArgumentCount(format);
  if (stored >= wanted) return true;
  // The argument bytes come from a data file: only their length is logged.
  std::string message = std::string("script: ") + command + " got " + std::to_string(stored) + " of " +
                        std::to_string(wanted) + " arguments (" + std::to_string(text.size()) + " bytes), ignored\n";
  OutputDebugStringA(message.c_str());
  return false;
}

std::string Script::SplitAt(const std::string& line, char separator, std::string& rest) {
  std::string name = CommandName(line);
  if (line.size() > name.size() && line[name.size()] == separator) {
    rest = line.substr(name.size() + 1);
    return name;
  }
  return std::string();
}

void Script::IndexLabels() {
  mLabels.clear();
  for (std::size_t i = 0; i < mLines.size(); ++i) {
    std::string name = CommandName(mLines[i]);
    if (mLines[i].size() > name.size() && mLines[i][name.size()] == ':') {
      mLabels.emplace(name, static_cast<int>(i) + 1);
    }
  }
}

void Script::Goto(const std::string& label) {
  if (mLabels.empty()) IndexLabels();
  auto found = mLabels.find(label);
  if (found != mLabels.end()) mCurrentLine = found->second - 1;
}

}  // namespace Kivo
