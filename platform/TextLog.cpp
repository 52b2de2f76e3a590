// The drawn-text log (GAME_TEXT_LOG): strings as first drawn, and the texts
// and listener lines of each saved frame.
#include "platform/TextLog.h"

#include <cstdio>
#include <fstream>
#include <mutex>
#include <set>

#include "platform/Environment.h"
#include "platform/Text.h"

namespace Platform {

namespace {

struct DrawnText {
  int x, y, width, height;
  std::uint32_t argb;
  int destWidth, destHeight;
  std::string utf8;
};

struct TextLogState {
  std::mutex mutex;
  bool opened = false;
  std::ofstream file;
  std::set<std::string> seen;
  std::vector<DrawnText> frame;
  std::function<std::vector<std::string>()> listener;
};

TextLogState& State() {
  static TextLogState state;
  return state;
}

bool Wanted() {
  static const bool wanted = !EnvironmentValue("GAME_TEXT_LOG").empty();
  return wanted;
}

// Opens the file on first use; false when it cannot be written (said once).
bool Open(TextLogState& state) {
  if (!state.opened) {
    state.opened = true;
    const std::string path = EnvironmentValue("GAME_TEXT_LOG");
    state.file.open(path, std::ios::binary | std::ios::trunc);
    if (!state.file) Log("text log: " + path + " cannot be written");
  }
  return state.file.is_open();
}

}  // namespace

bool TextLogWanted() { return Wanted(); }

std::string QuoteLogText(const std::string& utf8) {
  std::string out = "\"";
  for (char c : utf8) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += c;
    }
  }
  return out + "\"";
}

void NoteDrawnText(int x, int y, int width, int height, std::uint32_t argb, int destWidth, int destHeight,
                   const std::wstring& text) {
  if (!Wanted()) return;
  TextLogState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (!Open(state)) return;
  std::string utf8 = WideToUtf8(text);
  if (state.seen.insert(utf8).second) state.file << "text " << QuoteLogText(utf8) << "\n";
  state.frame.push_back({x, y, width, height, argb, destWidth, destHeight, std::move(utf8)});
}

void EndTextFrame(const std::string& dumpName) {
  if (!Wanted()) return;
  TextLogState& state = State();
  std::function<std::vector<std::string>()> listener;
  {
    std::lock_guard<std::mutex> lock(state.mutex);
    if (dumpName.empty()) {
      state.frame.clear();
      return;
    }
    listener = state.listener;
  }
  // The listener reads the game outside the lock: it may draw nothing, but
  // it must not wait on a text being noted.
  const std::vector<std::string> extra = listener ? listener() : std::vector<std::string>();
  std::lock_guard<std::mutex> lock(state.mutex);
  if (!Open(state)) return;
  state.file << "frame " << dumpName << "\n";
  char box[96];
  for (const DrawnText& t : state.frame) {
    std::snprintf(box, sizeof box, "+ text %d %d %d %d %08X %d %d ", t.x, t.y, t.width, t.height, t.argb, t.destWidth,
                  t.destHeight);
    state.file << box << QuoteLogText(t.utf8) << "\n";
  }
  for (const std::string& line : extra) state.file << "+ " << line << "\n";
  state.file << "end\n";
  state.file.flush();
  state.frame.clear();
}

void SetTextFrameListener(std::function<std::vector<std::string>()> listener) {
  TextLogState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.listener = std::move(listener);
}

}  // namespace Platform
