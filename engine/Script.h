// Line scripts: the conversations before levels ("data\dialogs\dlg_S_L.dtxt")
// and the tutorials ("data\tutorial\tut_S_L.txt"). A Script holds one file as
// a list of lines, a label index, the command table it runs with and a
// current line; the screen that owns it steps through the lines and
// implements the commands.
//
// Format: 8-bit text. Leading blanks, TABs, CRs and zero bytes of a line are
// skipped, CRs and zero bytes inside it dropped, trailing blanks cut, empty
// lines left out (line numbers count only the lines kept). A line's name is
// everything before its first '(', ':' or '='; then
//   name(arg,arg,...)   a command, run through the command table;
//   name:               a label (the rest of the line is ignored);
//   name=value          an assignment, read by the owner with SplitAt;
// anything else runs nothing. Arguments are scanned by the handlers with
// ScanArgs: 's' a text in double quotes, 'i' an integer, 'f' a float.
//
// Failures: an unreadable file gives false (a readable empty one is a
// script with no lines); an unknown command runs nothing; a malformed
// argument list leaves the unfilled outputs as they were, and ScanArgs says
// how many it filled so that a handler can refuse a short list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

namespace Kivo {

// One command of a table: its name, the argument letters its handler scans
// and the handler, which gets the argument text after the '(' (closing ')'
// included). A command without a handler runs nothing.
struct ScriptCommand {
  std::string name;
  std::string format;
  std::function<void(const std::string& args)> handler;
};
using ScriptCommandTable = std::vector<ScriptCommand>;

// The vocabulary of conversation and tutorial scripts, in table order, with
// no handlers yet: the owning screen sets them with SetCommandHandler.
ScriptCommandTable StoryCommands();
ScriptCommandTable TutorialCommands();
// False when the table has no command of that name.
bool SetCommandHandler(ScriptCommandTable& table, const std::string& name,
                       std::function<void(const std::string& args)> handler);

// Where ScanArgs stores one argument: a text for 's', an int for 'i', a float
// for 'f'. An output whose kind does not fit its letter is left alone.
class ScanOutput {
 public:
  ScanOutput(std::string* text) : mText(text) {}
  ScanOutput(std::int32_t* integer) : mInt(integer) {}
  ScanOutput(float* number) : mFloat(number) {}

 private:
  friend class Script;
  std::string* mText = nullptr;
  std::int32_t* mInt = nullptr;
  float* mFloat = nullptr;
};

class Script {
 public:
  // Empties the lines and rewinds; reads the file whole and splits it. On
  // success keeps the table (which must outlive the script's use of it) and
  // returns true, also for an empty file; an unreadable file or a path
  // longer than kMaxPathLength gives false and keeps the table held before.
  // The label index is left alone: a script is loaded once in its life.
  bool LoadFile(const std::string& fileName, const ScriptCommandTable* commands);
  // Empties the lines and rewinds; the label index stays.
  void Clear();
  static constexpr std::size_t kMaxPathLength = 255;
  // Appends the lines of bytes to the script's lines.
  void SplitLines(const char* bytes, std::size_t length);

  // Cuts trailing spaces (0x20 only; a TAB stays).
  static void TrimRight(std::string& line);
  static std::string CommandName(const std::string& line);
  // Runs the line's command when a '(' follows its name; returns the name.
  static std::string ExecLine(const std::string& line, const Script& script);
  // Calls the handler of the first command named exactly name.
  static void CallCommand(const std::string& name, const std::string& args, const ScriptCommandTable* commands);
  // Stores the arguments of text in the outputs, one output per format
  // letter, in order; letters other than 's', 'i' and 'f' consume nothing.
  // Integers saturate at the 32-bit range, floats read with a '.' whatever
  // the locale. Returns how many arguments were stored (an empty number
  // field stores 0 and counts).
  static std::size_t ScanArgs(const std::string& text, const std::string& format, const ScanOutput* outputs,
                              std::size_t outputCount);
  static std::size_t ScanArgs(const std::string& text, const std::string& format,
                              std::initializer_list<ScanOutput> outputs) {
    return ScanArgs(text, format, outputs.begin(), outputs.size());
  }
  template <typename... Outputs>
  static std::size_t ScanArgs(const std::string& text, const std::string& format, Outputs*... outputs) {
    return ScanArgs(text, format, {ScanOutput(outputs)...});
  }
  // How many arguments format asks for (its 's', 'i' and 'f' letters).
  static std::size_t ArgumentCount(const std::string& format);
  // ScanArgs for a command handler: true when every argument the format
  // asks for was stored; otherwise the short list is logged under the
  // command's name and the handler should do nothing.
  template <typename... Outputs>
  static bool ScanRequired(const char* command, const std::string& text, const std::string& format,
                           Outputs*... outputs) {
    return ReportShortList(command, text, format, ScanArgs(text, format, outputs...));
  }
  // When the character right after the line's name is separator, stores the
  // text after it in rest and returns the name; otherwise "" (rest
  // unchanged).
  static std::string SplitAt(const std::string& line, char separator, std::string& rest);

  void IndexLabels();
  // Makes the label's line current; an unknown label changes nothing.
  void Goto(const std::string& label);

  const std::vector<std::string>& Lines() const { return mLines; }
  const std::map<std::string, int>& Labels() const { return mLabels; }
  const ScriptCommandTable* Commands() const { return mCommands; }
  int CurrentLine() const { return mCurrentLine; }
  void SetCurrentLine(int line) { mCurrentLine = line; }

 private:
  static bool ReportShortList(const char* command, const std::string& text, const std::string& format,
                              std::size_t stored);

  std::vector<std::string> mLines;
  // Label name -> its line number + 1.
  std::map<std::string, int> mLabels;
  const ScriptCommandTable* mCommands = nullptr;
  int mCurrentLine = 0;
};

}  // namespace Kivo
