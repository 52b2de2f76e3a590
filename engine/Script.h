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
// Failures: an unreadable or empty file gives false; an unknown command runs
// nothing; a malformed argument list leaves the unfilled outputs as they
// were.
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
  // returns true; an unreadable or empty file gives false and keeps the
  // table held before.
  bool LoadFile(const std::string& fileName, const ScriptCommandTable* commands);
  // Appends the lines of bytes to the script's lines.
  void SplitLines(const char* bytes, std::size_t length);

  static std::string CommandName(const std::string& line);
  // Runs the line's command when a '(' follows its name; returns the name.
  static std::string ExecLine(const std::string& line, const Script& script);
  // Calls the handler of the first command named exactly name.
  static void CallCommand(const std::string& name, const std::string& args, const ScriptCommandTable* commands);
  // Stores the arguments of text in the outputs, one output per format
  // letter, in order; letters other than 's', 'i' and 'f' consume nothing.
  static void ScanArgs(const std::string& text, const std::string& format, const ScanOutput* outputs,
                       std::size_t outputCount);
  static void ScanArgs(const std::string& text, const std::string& format, std::initializer_list<ScanOutput> outputs) {
    ScanArgs(text, format, outputs.begin(), outputs.size());
  }
  template <typename... Outputs>
  static void ScanArgs(const std::string& text, const std::string& format, Outputs*... outputs) {
    ScanArgs(text, format, {ScanOutput(outputs)...});
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
  std::vector<std::string> mLines;
  // Label name -> its line number + 1.
  std::map<std::string, int> mLabels;
  const ScriptCommandTable* mCommands = nullptr;
  int mCurrentLine = 0;
};

}  // namespace Kivo
