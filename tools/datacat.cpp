// datacat: shows the game's text data files as the engine reads them.
//
//   datacat text FILE                 every entry of a text table, "key<TAB>text"
//                                     in UTF-8, line breaks shown as "\n"
//   datacat ini FILE SECTION KEY...   each value with its result code
//                                     (0 found, 1 no section, 2 no key or too
//                                     long, 3 no file); the limit is 64
//   datacat script FILE story|tutorial
//                                     each line with its dispatched command and
//                                     the arguments its format scans, or its
//                                     label or assignment
// Exit code 0, or 1 when the file cannot be read, 2 on wrong usage.
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "engine/Script.h"
#include "engine/SettingsFile.h"
#include "engine/TextTables.h"

namespace {

std::string Utf8(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) {
    auto code = static_cast<std::uint32_t>(c);
    if (code == '\n') {
      out += "\\n";
    } else if (code < 0x80) {
      out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (code >> 6)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (code >> 12)));
      out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (code >> 18)));
      out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
  }
  return out;
}

int ShowTextTable(const std::string& file) {
  Kivo::TextTable table;
  if (!table.Load(file)) {
    std::printf("cannot read the text table %s\n", file.c_str());
    return 1;
  }
  for (const Kivo::TextEntry& entry : table.Entries()) {
    std::printf("%s\t%s\n", entry.key.c_str(), Utf8(entry.text).c_str());
  }
  return 0;
}

int ShowSettings(const std::string& file, const std::string& section, int keyCount, char** keys) {
  constexpr std::size_t kLimit = 64;
  for (int i = 0; i < keyCount; ++i) {
    std::string value;
    int code = Kivo::IniReadString(file, section, keys[i], value, kLimit);
    std::printf("[%s] %s: code %d, value \"%s\"\n", section.c_str(), keys[i], code, value.c_str());
  }
  return 0;
}

// The arguments of one command as its format scans them; an output the scan
// never reached shows as "-".
std::string ScannedArgs(const std::string& args, const std::string& format) {
  const std::string unset = "\x01";
  std::vector<std::string> texts(format.size(), unset);
  std::vector<std::int32_t> ints(format.size(), INT32_MIN);
  std::vector<float> floats(format.size(), std::numeric_limits<float>::quiet_NaN());
  std::vector<Kivo::ScanOutput> outputs;
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] == 's') {
      outputs.emplace_back(&texts[i]);
    } else if (format[i] == 'i') {
      outputs.emplace_back(&ints[i]);
    } else {
      outputs.emplace_back(&floats[i]);
    }
  }
  Kivo::Script::ScanArgs(args, format, outputs.data(), outputs.size());
  std::string shown;
  for (std::size_t i = 0; i < format.size(); ++i) {
    shown += " ";
    shown.push_back(format[i]);
    shown += "=";
    if (format[i] == 's') {
      shown += texts[i] == unset ? "-" : "\"" + texts[i] + "\"";
    } else if (format[i] == 'i') {
      shown += ints[i] == INT32_MIN ? "-" : std::to_string(ints[i]);
    } else if (std::isnan(floats[i])) {
      shown += "-";
    } else {
      char buffer[32];
      std::snprintf(buffer, sizeof buffer, "%g", static_cast<double>(floats[i]));
      shown += buffer;
    }
  }
  return shown;
}

int ShowScript(const std::string& file, const std::string& kind) {
  Kivo::ScriptCommandTable commands = kind == "story" ? Kivo::StoryCommands() : Kivo::TutorialCommands();
  std::string dispatched;
  for (Kivo::ScriptCommand& command : commands) {
    std::string name = command.name;
    std::string format = command.format;
    command.handler = [&dispatched, name, format](const std::string& args) {
      dispatched = "command " + name + ScannedArgs(args, format);
    };
  }
  Kivo::Script script;
  if (!script.LoadFile(file, &commands)) {
    std::printf("cannot read the script %s\n", file.c_str());
    return 1;
  }
  script.IndexLabels();
  const std::vector<std::string>& lines = script.Lines();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    dispatched.clear();
    std::string name = Kivo::Script::ExecLine(lines[i], script);
    std::string rest;
    std::printf("%zu: %s\n", i, lines[i].c_str());
    if (!dispatched.empty()) {
      std::printf("   %s\n", dispatched.c_str());
    } else if (!Kivo::Script::SplitAt(lines[i], ':', rest).empty()) {
      std::printf("   label %s -> %d\n", name.c_str(), script.Labels().at(name));
    } else if (!Kivo::Script::SplitAt(lines[i], '=', rest).empty()) {
      std::printf("   assignment %s = %s\n", name.c_str(), rest.c_str());
    } else {
      std::printf("   nothing run (%s)\n", name.c_str());
    }
  }
  return 0;
}

void Usage() {
  std::fprintf(stderr,
               "usage: datacat text FILE\n"
               "       datacat ini FILE SECTION KEY...\n"
               "       datacat script FILE story|tutorial\n");
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "text" && argc == 3) return ShowTextTable(argv[2]);
  if (mode == "ini" && argc >= 5) return ShowSettings(argv[2], argv[3], argc - 4, argv + 4);
  if (mode == "script" && argc == 4 && (std::string(argv[3]) == "story" || std::string(argv[3]) == "tutorial")) {
    return ShowScript(argv[2], argv[3]);
  }
  Usage();
  return 2;
}
