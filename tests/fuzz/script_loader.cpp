// Fuzz target: the input split into script lines; every line run through
// both command tables, with handlers that scan their arguments by their own
// format and by one using every letter, then labels indexed and jumped to.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/Script.h"

namespace {

void ScanEveryLetter(const std::string& args) {
  std::string s1, s2, s3;
  std::int32_t i1 = 0, i2 = 0;
  float f1 = 0, f2 = 0, f3 = 0;
  Kivo::Script::ScanArgs(args, "sifxsfifs", &s1, &i1, &f1, &f2, &s2, &f3, &i2, &s3);
}

void ScanByFormat(const std::string& args, const std::string& format) {
  std::string texts[8];
  std::int32_t ints[8] = {};
  float floats[8] = {};
  Kivo::ScanOutput outputs[8] = {&texts[0],  &ints[1], &floats[2], &texts[3],
                                 &floats[4], &ints[5], &floats[6], &texts[7]};
  Kivo::Script::ScanArgs(args, format, outputs, format.size() < 8 ? format.size() : 8);
}

void AttachHandlers(Kivo::ScriptCommandTable& table) {
  for (Kivo::ScriptCommand& command : table) {
    std::string format = command.format;
    command.handler = [format](const std::string& args) {
      ScanByFormat(args, format);
      ScanEveryLetter(args);
    };
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Kivo::ScriptCommandTable story = [] {
    Kivo::ScriptCommandTable table = Kivo::StoryCommands();
    AttachHandlers(table);
    return table;
  }();
  static Kivo::ScriptCommandTable tutorial = [] {
    Kivo::ScriptCommandTable table = Kivo::TutorialCommands();
    AttachHandlers(table);
    return table;
  }();
  Kivo::Script script;
  script.SplitLines(reinterpret_cast<const char*>(data), size);
  std::string rest;
  for (const std::string& line : script.Lines()) {
    std::string name = Kivo::Script::CommandName(line);
    Kivo::Script::CallCommand(name, line.substr(name.size()), &story);
    Kivo::Script::CallCommand(name, line.substr(name.size()), &tutorial);
    Kivo::Script::SplitAt(line, '=', rest);
    ScanEveryLetter(line);
  }
  script.IndexLabels();
  for (const auto& label : script.Labels()) script.Goto(label.first);
  script.Goto("missing");
  return 0;
}
