#include <gtest/gtest.h>

#include <fstream>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "engine/Script.h"
#include "platform/DebugOutput.h"
#include "tests/support/temp_folder.h"
#include "tools/sampledata/DataWriters.h"

namespace {

using Kivo::Script;

std::vector<std::string> Split(const std::string& bytes) {
  Script script;
  script.SplitLines(bytes.data(), bytes.size());
  return script.Lines();
}

TEST(Script, SplitLinesIgnoresLineEndsBlankLinesAndIndents) {
  const std::string clean = "personage(\"a\")\nwait_time(2.5)\nstart:\nhero_sad=k1\n";
  const std::string messy =
      "\r\n  personage(\"a\")  \r\n\r\n\t \twait_time(2.5)\r\n   \r\n" + std::string(1, '\0') + "start:\r\nhero_sad=k1";
  EXPECT_EQ(Split(messy), Split(clean));
  EXPECT_EQ(Split(clean), (std::vector<std::string>{"personage(\"a\")", "wait_time(2.5)", "start:", "hero_sad=k1"}));
  // Inside a line TABs stay and CRs and zero bytes are dropped; trailing TABs
  // are no blanks.
  EXPECT_EQ(Split(std::string("a\tb\r\0c\t \n", 9)), (std::vector<std::string>{std::string("a\tbc\t")}));
  EXPECT_TRUE(Split("").empty());
  EXPECT_TRUE(Split(" \r\n\t\n").empty());
}

TEST(Script, ScanArgs) {
  float time = -1;
  Script::ScanArgs("2.5)", "f", &time);
  EXPECT_FLOAT_EQ(time, 2.5f);
  time = -1;
  Script::ScanArgs(")", "f", &time);
  EXPECT_EQ(time, 0.0f);  // the empty text before ')' reads as 0
  time = -1;
  Script::ScanArgs(",3)", "f", &time);
  EXPECT_EQ(time, -1.0f);  // an empty first argument ends the scan

  std::string name = "default";
  float x = -1, y = -1;
  Script::ScanArgs("\"Bob\",1.5,2)", "sff", &name, &x, &y);
  EXPECT_EQ(name, "Bob");
  EXPECT_FLOAT_EQ(x, 1.5f);
  EXPECT_FLOAT_EQ(y, 2.0f);
  name = "default", x = -1, y = -1;
  Script::ScanArgs("\"Bob\")", "sff", &name, &x, &y);
  EXPECT_EQ(name, "Bob");
  EXPECT_EQ(x, -1.0f);
  EXPECT_EQ(y, -1.0f);

  std::string text;
  Script::ScanArgs("  junk\"100% %s %n done\" junk, next)", "s", &text);
  EXPECT_EQ(text, "100% %s %n done");
}

TEST(Script, ScanArgsEdges) {
  const float kInf = std::numeric_limits<float>::infinity();
  struct Case {
    const char* what;
    const char* args;
    const char* format;
    std::string text;
    std::int32_t integer;
    float number;
  };
  const Case cases[] = {
      {"all three", "\"a,b)\", 12x ,1e2)", "sif", "a,b)", 12, 100.0f},
      {"comma before the quote ends the scan", ",\"a\",1,2)", "sif", "-", -7, -7.0f},
      {"unclosed quote leaves the rest", "\"abc,1,2)", "sif", "-", -7, -7.0f},
      {"text runs out before ')'", "\"a\",5", "sif", "a", -7, -7.0f},
      {"')' after a text ends the scan", "\"a\")5,6)", "sif", "a", -7, -7.0f},
      {"other letters consume nothing", "\"a\",-5,2.5)", "sxif", "a", -5, 2.5f},
      {"integer overflow saturates", "\"\",99999999999,-1e99999)", "sif", "", 2147483647, -kInf},
      {"float beyond float range", "\"\",0,1e300)", "sif", "", 0, kInf},
      {"no text at all", "", "sif", "-", -7, -7.0f},
  };
  for (const Case& c : cases) {
    std::string text = "-";
    std::string unused = "unused";
    std::int32_t integer = -7;
    float number = -7.0f;
    std::vector<Kivo::ScanOutput> outputs;
    for (const char* letter = c.format; *letter != '\0'; ++letter) {
      if (*letter == 's') {
        outputs.emplace_back(&text);
      } else if (*letter == 'i') {
        outputs.emplace_back(&integer);
      } else if (*letter == 'f') {
        outputs.emplace_back(&number);
      } else {
        outputs.emplace_back(&unused);
      }
    }
    Script::ScanArgs(c.args, c.format, outputs.data(), outputs.size());
    EXPECT_EQ(text, c.text) << c.what;
    EXPECT_EQ(integer, c.integer) << c.what;
    EXPECT_EQ(number, c.number) << c.what;
    EXPECT_EQ(unused, "unused") << c.what;
  }
}

TEST(Script, NamesExecAndSplitAt) {
  EXPECT_EQ(Script::CommandName("wait_time(1)"), "wait_time");
  EXPECT_EQ(Script::CommandName("start:x(1)"), "start");
  EXPECT_EQ(Script::CommandName("hero_sad=k1"), "hero_sad");
  EXPECT_EQ(Script::CommandName("show"), "show");

  std::vector<std::string> calls;
  Kivo::ScriptCommandTable table = {
      {"show", "sff", [&calls](const std::string& args) { calls.push_back("show " + args); }},
      {"Show", "", [&calls](const std::string& args) { calls.push_back("Show " + args); }},
      {"show", "", [&calls](const std::string& args) { calls.push_back("second " + args); }},
      {"silent", "", nullptr},
  };
  Script script;
  EXPECT_EQ(Script::ExecLine("show(\"x\",1,2)", script), "show");
  EXPECT_TRUE(calls.empty());  // no table yet

  TempFolder folder;
  std::string path = folder / "s.txt";
  std::ofstream(path, std::ios::binary) << "show\n";
  ASSERT_TRUE(script.LoadFile(path, &table));
  EXPECT_EQ(Script::ExecLine("show", script), "show");
  EXPECT_EQ(Script::ExecLine("show:(1)", script), "show");
  EXPECT_EQ(Script::ExecLine("shows(1)", script), "shows");
  EXPECT_EQ(Script::ExecLine("silent()", script), "silent");
  EXPECT_EQ(Script::ExecLine("show (\"x\",1,2)", script), "show ");  // the space joins the name
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(Script::ExecLine("show(\"x\",1,2)", script), "show");
  EXPECT_EQ(Script::ExecLine("Show()", script), "Show");
  EXPECT_EQ(calls, (std::vector<std::string>{"show \"x\",1,2)", "Show )"}));

  std::string rest = "unchanged";
  EXPECT_EQ(Script::SplitAt("hero_sad=k1", '=', rest), "hero_sad");
  EXPECT_EQ(rest, "k1");
  EXPECT_EQ(Script::SplitAt("a=b=c", '=', rest), "a");
  EXPECT_EQ(rest, "b=c");
  rest = "unchanged";
  EXPECT_EQ(Script::SplitAt("wait(1)=x", '=', rest), "");
  EXPECT_EQ(Script::SplitAt("noseparator", '=', rest), "");
  EXPECT_EQ(rest, "unchanged");
}

TEST(Script, LabelsAndGoto) {
  Script script;
  const std::string bytes = "show(\"a\",1,2)\n\n   wait_time(1)\nagain: trailing\nagain:\nlast()\n";
  script.SplitLines(bytes.data(), bytes.size());
  script.Goto("again");
  EXPECT_EQ(script.Labels().at("again"), 3);  // the first of two wins
  EXPECT_EQ(script.CurrentLine(), 2);
  script.SetCurrentLine(4);
  script.Goto("missing");
  EXPECT_EQ(script.CurrentLine(), 4);
}

TEST(Script, LoadFile) {
  TempFolder folder;
  Kivo::ScriptCommandTable first = Kivo::StoryCommands();
  Kivo::ScriptCommandTable second = Kivo::TutorialCommands();
  Script script;
  std::string path = folder / "a.txt";
  std::ofstream(path, std::ios::binary) << "one()\r\ntwo:\r\n";
  ASSERT_TRUE(script.LoadFile(path, &first));
  script.Goto("two");
  EXPECT_EQ(script.CurrentLine(), 1);
  EXPECT_EQ(script.Commands(), &first);

  EXPECT_FALSE(script.LoadFile(folder / "missing.txt", &second));
  EXPECT_TRUE(script.Lines().empty());
  EXPECT_EQ(script.CurrentLine(), 0);
  EXPECT_EQ(script.Commands(), &first);  // a failed load keeps the table
  EXPECT_FALSE(script.LoadFile(std::string(Script::kMaxPathLength + 1, 'a'), &second));
  EXPECT_EQ(script.Commands(), &first);

  // A readable empty file is a script with nothing to run, not a failure.
  std::ofstream(folder / "empty.txt", std::ios::binary) << "";
  EXPECT_TRUE(script.LoadFile(folder / "empty.txt", &second));
  EXPECT_TRUE(script.Lines().empty());
  EXPECT_EQ(script.Commands(), &second);
  std::ofstream(folder / "blank.txt", std::ios::binary) << " \r\n\r\r\n   \n";
  EXPECT_TRUE(script.LoadFile(folder / "blank.txt", &second));
  EXPECT_TRUE(script.Lines().empty());

  // Loading and clearing leave the label index alone.
  EXPECT_EQ(script.Labels().at("two"), 2);
  script.Clear();
  EXPECT_EQ(script.Labels().at("two"), 2);
}

TEST(Script, TrimRightCutsOnlySpaces) {
  const std::pair<std::string, std::string> cases[] = {
      {"show()  ", "show()"}, {"show()\t", "show()\t"}, {"show()\t ", "show()\t"}, {"   ", ""}, {"", ""}};
  for (const auto& c : cases) {
    std::string line = c.first;
    Script::TrimRight(line);
    EXPECT_EQ(line, c.second) << '"' << c.first << '"';
  }
}

// The runner pattern the owners use: execute, advance, decide.
TEST(Script, GotoMakesTheLabelLineCurrent) {
  Script script;
  const std::string bytes = "a()\nb()\nthere:\nc()\nend:";
  script.SplitLines(bytes.data(), bytes.size());
  script.Goto("there");
  EXPECT_EQ(script.Labels().at("there"), 3);
  EXPECT_EQ(script.CurrentLine(), 2);
  EXPECT_EQ(script.Lines()[script.CurrentLine() + 1], "c()");
  // A label on the last line leaves nothing to run after the advance.
  script.Goto("end");
  EXPECT_EQ(script.CurrentLine() + 1, static_cast<int>(script.Lines().size()));
}

TEST(Script, ScanArgsCountsWhatItStored) {
  struct Case {
    const char* args;
    const char* format;
    std::size_t stored;
    std::string text;
    std::int32_t integer;
    float number;
  };
  const Case cases[] = {
      {"\"a\",1,2.5)", "sif", 3, "a", 1, 2.5f},
      {")", "sif", 0, "-", -7, -7.0f},             // show(): no string at all
      {"\"hero\")", "sif", 1, "hero", -7, -7.0f},  // center("hero")
      {",", "sif", 0, "-", -7, -7.0f},
      {"\"abc", "sif", 0, "-", -7, -7.0f},
      {")", "f", 1, "-", -7, 0.0f},  // wait_time(): the empty field is 0 and counts
      {" 7x)", "i", 1, "-", 7, -7.0f},
      {"abc)", "i", 1, "-", 0, -7.0f},
      {"99999999999)", "i", 1, "-", 2147483647, -7.0f},
      {"-99999999999)", "i", 1, "-", -2147483647 - 1, -7.0f},
      {"2.5)", "f", 1, "-", -7, 2.5f},
      {"\"%\")", "s", 1, "%", -7, -7.0f},
      {"\"a,b)c:d\")", "s", 1, "a,b)c:d", -7, -7.0f},
  };
  for (const Case& c : cases) {
    std::string text = "-";
    std::int32_t integer = -7;
    float number = -7.0f;
    std::vector<Kivo::ScanOutput> outputs;
    for (const char* letter = c.format; *letter != '\0'; ++letter) {
      if (*letter == 's') outputs.emplace_back(&text);
      if (*letter == 'i') outputs.emplace_back(&integer);
      if (*letter == 'f') outputs.emplace_back(&number);
    }
    EXPECT_EQ(Script::ScanArgs(c.args, c.format, outputs.data(), outputs.size()), c.stored) << c.args;
    EXPECT_EQ(text, c.text) << c.args;
    EXPECT_EQ(integer, c.integer) << c.args;
    EXPECT_EQ(number, c.number) << c.args;
  }
  std::int32_t a = -1, b = -1;
  EXPECT_EQ(Script::ScanArgs("12 , 3)", "ii", &a, &b), 2u);
  EXPECT_EQ(a, 12);
  EXPECT_EQ(b, 3);
}

TEST(Script, ScanRequiredRefusesShortLists) {
  std::vector<std::string> logged;
  Platform::CaptureDebugOutput([&logged](const std::string& text) { logged.push_back(text); });
  std::string name;
  float x = 0, y = 0;
  EXPECT_FALSE(Script::ScanRequired("center", "\"hero\")", "sff", &name, &x, &y));
  EXPECT_TRUE(Script::ScanRequired("center", "\"hero\",1,2)", "sff", &name, &x, &y));
  float seconds = -1;
  EXPECT_TRUE(Script::ScanRequired("wait_time", ")", "f", &seconds));
  EXPECT_EQ(seconds, 0.0f);
  EXPECT_TRUE(Script::ScanRequired("block_quant", ")", ""));
  Platform::CaptureDebugOutput(nullptr);
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_NE(logged[0].find("center"), std::string::npos);
  EXPECT_EQ(logged[0].find("hero"), std::string::npos);  // script bytes are not shown
}

TEST(Script, CommandTablesArePinned) {
  auto describe = [](const Kivo::ScriptCommandTable& table) {
    std::vector<std::string> names;
    for (const Kivo::ScriptCommand& command : table) {
      names.push_back(command.name + " " + command.format);
      EXPECT_FALSE(command.handler) << command.name;
    }
    return names;
  };
  EXPECT_EQ(describe(Kivo::StoryCommands()), (std::vector<std::string>{"personage ssffsi", "wait_time f", "center sff",
                                                                       "play_ani ss", "init_by_ani ss"}));
  EXPECT_EQ(describe(Kivo::TutorialCommands()),
            (std::vector<std::string>{"show sff", "arrow_show ffi", "wait_event_ani_end ss", "wait_event_time f",
                                      "wait_event_btn_pressed s", "rect_strict s", "wait_event_click_left ",
                                      "wait_event_click_right ", "wait_event ss", "rect_strict_vert ffffffff",
                                      "block_quant ", "goto s"}));
  Kivo::ScriptCommandTable table = Kivo::StoryCommands();
  int runs = 0;
  EXPECT_TRUE(Kivo::SetCommandHandler(table, "center", [&runs](const std::string&) { ++runs; }));
  EXPECT_FALSE(Kivo::SetCommandHandler(table, "show", [&runs](const std::string&) { ++runs; }));
  Script::CallCommand("center", ")", &table);
  Script::CallCommand("wait_time", ")", &table);  // no handler set: nothing runs
  EXPECT_EQ(runs, 1);
}

}  // namespace
