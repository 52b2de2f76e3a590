#include "platform/Prompt.h"

#include <cstdlib>
#include <deque>
#include <mutex>

#include "platform/Environment.h"

namespace Platform {

namespace {

std::mutex gPromptLock;
std::deque<std::string> gPromptAnswers;
std::vector<std::string> gPromptLog;

// UTF-8 of a wide line for the log.
std::string Utf8(const std::wstring& text) {
  std::string out;
  for (wchar_t wc : text) {
    uint32_t c = static_cast<uint32_t>(wc);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string NextAnswer() {
  std::lock_guard<std::mutex> lock(gPromptLock);
  if (gPromptAnswers.empty()) return "cancel";
  std::string answer = gPromptAnswers.front();
  gPromptAnswers.pop_front();
  return answer;
}

void Note(const std::string& entry) {
  Log(entry);
  std::lock_guard<std::mutex> lock(gPromptLock);
  gPromptLog.push_back(entry);
}

}  // namespace

void QueuePromptAnswer(const std::string& answer) {
  std::lock_guard<std::mutex> lock(gPromptLock);
  gPromptAnswers.push_back(answer);
}

void ClearPromptAnswers() {
  std::lock_guard<std::mutex> lock(gPromptLock);
  gPromptAnswers.clear();
}

std::vector<std::string> PromptLog() {
  std::lock_guard<std::mutex> lock(gPromptLock);
  return gPromptLog;
}

void ClearPromptLog() {
  std::lock_guard<std::mutex> lock(gPromptLock);
  gPromptLog.clear();
}

bool PickFromList(const std::string& title, const std::vector<std::wstring>& lines,
                  const std::vector<std::uint32_t>& itemData, std::uint32_t* chosen) {
  std::string entry = "prompt list \"" + title + "\":";
  for (const std::wstring& line : lines) entry += " [" + Utf8(line) + "]";
  std::string answer = NextAnswer();
  bool picked = false;
  if (answer.compare(0, 5, "pick ") == 0) {
    char* end = nullptr;
    long index = std::strtol(answer.c_str() + 5, &end, 10);
    if (end != answer.c_str() + 5 && index >= 0 && static_cast<size_t>(index) < lines.size() &&
        static_cast<size_t>(index) < itemData.size()) {
      *chosen = itemData[static_cast<size_t>(index)];
      picked = true;
    }
  }
  Note(entry + (picked ? " -> " + answer : " -> none"));
  return picked;
}

bool AskText(const std::string& title, const std::string& initialText, std::string* text, std::size_t maxBytes) {
  std::string entry = "prompt text \"" + title + "\": [" + initialText + "]";
  std::string answer = NextAnswer();
  bool ok = false;
  if (answer == "text" || answer.compare(0, 5, "text ") == 0) {
    *text = answer.size() > 5 ? answer.substr(5) : std::string();
    if (text->size() > maxBytes) text->resize(maxBytes);
    ok = true;
  }
  Note(entry + (ok ? " -> ok [" + *text + "]" : " -> cancel"));
  return ok;
}

}  // namespace Platform
