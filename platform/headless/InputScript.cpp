// Parser of the headless input script (format in Headless.h).
#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "platform/Headless.h"

namespace Platform {

namespace {

constexpr size_t kMaxLineBytes = 64 * 1024;

bool ParseNumber(const std::string& word, long long* value) {
  if (word.empty() || word.size() > 20) return false;
  errno = 0;
  char* end = nullptr;
  long long v = std::strtoll(word.c_str(), &end, 0);
  if (errno != 0 || !end || *end != 0) return false;
  *value = v;
  return true;
}

std::vector<std::string> Words(const std::string& line, size_t* afterSecond) {
  std::vector<std::string> words;
  size_t pos = 0;
  *afterSecond = line.size();
  while (pos < line.size()) {
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    if (pos >= line.size()) break;
    size_t end = pos;
    while (end < line.size() && line[end] != ' ' && line[end] != '\t') ++end;
    words.push_back(line.substr(pos, end - pos));
    if (words.size() == 2) *afterSecond = end;
    pos = end;
  }
  return words;
}

struct Shape {
  const char* command;
  int numbers;       // numeric arguments expected (-1: none, a word instead)
  const char* word;  // allowed words, '|' separated, for word commands
};

const Shape kShapes[] = {
    {"move", 2, nullptr},
    {"leave", 0, nullptr},
    {"down", -1, "left|right|middle"},
    {"up", -1, "left|right|middle"},
    {"click", -1, "left|right|middle"},
    {"wheel", 1, nullptr},
    {"keydown", 1, nullptr},
    {"keyup", 1, nullptr},
    {"key", 1, nullptr},
    {"focus", -1, "on|off"},
    {"minimize", 0, nullptr},
    {"maximize", 2, nullptr},
    {"restore", 2, nullptr},
    {"close", 0, nullptr},
    {"endsession", 0, nullptr},
    {"msgbox", 1, nullptr},
    {"url", 1, nullptr},
    {"desktop", 2, nullptr},
    {"workarea", 4, nullptr},
    {"raw", 3, nullptr},
};

bool WordAllowed(const char* allowed, const std::string& word) {
  std::string list = allowed;
  size_t pos = 0;
  while (pos <= list.size()) {
    size_t end = list.find('|', pos);
    if (end == std::string::npos) end = list.size();
    if (list.compare(pos, end - pos, word) == 0 && word.size() == end - pos) return true;
    pos = end + 1;
  }
  return false;
}

bool ParseLine(const std::string& line, ScriptEvent* event, std::string* error) {
  size_t afterCommand;
  std::vector<std::string> words = Words(line, &afterCommand);
  long long time;
  if (words.size() < 2) {
    *error = "expected a time and a command";
    return false;
  }
  if (!ParseNumber(words[0], &time) || time < 0 || time > 0xFFFFFFFFLL) {
    *error = "bad time \"" + words[0] + "\"";
    return false;
  }
  event->time = static_cast<DWORD>(time);
  event->command = words[1];
  if (event->command == "text" || event->command == "prompt" || event->command == "await" ||
      event->command == "dialog") {
    // Everything after one separator is the text, blanks included.
    size_t start = afterCommand < line.size() ? afterCommand + 1 : line.size();
    event->text = line.substr(start);
    return true;
  }
  if (event->command == "screensaver") {
    long long value;
    if (words.size() != 4 || (words[2] != "timeout" && words[2] != "active" && words[2] != "running") ||
        !ParseNumber(words[3], &value)) {
      *error = "expected: screensaver timeout|active|running NUMBER";
      return false;
    }
    event->text = words[2];
    event->numbers.push_back(value);
    return true;
  }
  for (const Shape& shape : kShapes) {
    if (event->command != shape.command) continue;
    size_t args = words.size() - 2;
    if (shape.numbers < 0) {
      if (args != 1 || !WordAllowed(shape.word, words[2])) {
        *error = std::string("expected: ") + shape.command + " " + shape.word;
        return false;
      }
      event->text = words[2];
      return true;
    }
    if (args != static_cast<size_t>(shape.numbers)) {
      *error = std::string("\"") + shape.command + "\" takes " + std::to_string(shape.numbers) + " number(s)";
      return false;
    }
    for (size_t i = 2; i < words.size(); ++i) {
      long long value;
      if (!ParseNumber(words[i], &value)) {
        *error = "bad number \"" + words[i] + "\"";
        return false;
      }
      event->numbers.push_back(value);
    }
    return true;
  }
  *error = "unknown command \"" + event->command + "\"";
  return false;
}

}  // namespace

std::vector<ScriptEvent> ParseInputScript(const std::string& text, std::vector<std::string>* errors) {
  std::vector<ScriptEvent> events;
  size_t pos = 0;
  int lineNumber = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    ScriptEvent event;
    event.line = lineNumber;
    std::string error;
    if (line.size() > kMaxLineBytes) {
      error = "line too long";
    } else if (ParseLine(line, &event, &error)) {
      events.push_back(std::move(event));
      continue;
    }
    if (errors) errors->push_back("line " + std::to_string(lineNumber) + ": " + error);
  }
  std::stable_sort(events.begin(), events.end(),
                   [](const ScriptEvent& a, const ScriptEvent& b) { return a.time < b.time; });
  return events;
}

}  // namespace Platform
