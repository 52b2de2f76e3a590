// The two command vocabularies. Their names and argument letters are what
// the sample scripts and the screens that run them agree on; the order is the
// table order the screens walk.
#include "engine/Script.h"

namespace Kivo {

ScriptCommandTable StoryCommands() {
  return {
      {"personage", "ssffsi", nullptr}, {"wait_time", "f", nullptr},    {"center", "sff", nullptr},
      {"play_ani", "ss", nullptr},      {"init_by_ani", "ss", nullptr},
  };
}

ScriptCommandTable TutorialCommands() {
  return {
      {"show", "sff", nullptr},
      {"arrow_show", "ffi", nullptr},
      {"wait_event_ani_end", "ss", nullptr},
      {"wait_event_time", "f", nullptr},
      {"wait_event_btn_pressed", "s", nullptr},
      {"rect_strict", "s", nullptr},
      {"wait_event_click_left", "", nullptr},
      {"wait_event_click_right", "", nullptr},
      {"wait_event", "ss", nullptr},
      {"rect_strict_vert", "ffffffff", nullptr},
      {"block_quant", "", nullptr},
      {"goto", "s", nullptr},
  };
}

bool SetCommandHandler(ScriptCommandTable& table, const std::string& name,
                       std::function<void(const std::string& args)> handler) {
  for (ScriptCommand& command : table) {
    if (command.name == name) {
      command.handler = std::move(handler);
      return true;
    }
  }
  return false;
}

}  // namespace Kivo
