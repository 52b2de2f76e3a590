// The crash report's pure parts: names, paths, hex fields, the first line,
// registers, map resolution, the frame-pointer walk, the saved file and
// the signal-to-code table.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <regex>

#include "diagnostics/CrashReporter.h"
#include "shell/base/Paths.h"

namespace {

using namespace Kivo;

TEST(CrashNames, TableOfTwentyNineRowsFirstMatchWins) {
  EXPECT_EQ(ExceptionNameCount(), 29);
  struct Row {
    uint32_t code;
    const char* name;
  } rows[] = {
      {0x40000005, "Segment Notification"},   {0x80000003, "Breakpoint"},       {0x00000000, "Wait 0"},
      {0x80000002, "Data Type Misalignment"}, {0xC0000005, "Access Violation"}, {0xC000008E, "Divide by Zero"},
      {0xC0000094, "Integer Divide by Zero"}, {0xC00000FD, "Stack Overflow"},   {0xC000013A, "Ctrl+C Exit"},
  };
  for (const Row& row : rows) EXPECT_STREQ(ExceptionName(row.code), row.name) << std::hex << row.code;
  EXPECT_EQ(ExceptionName(0xE0000006), nullptr);
  EXPECT_EQ(ExceptionName(0xFFFFFFFF), nullptr);
}

TEST(CrashNames, FirstLineForms) {
  std::string known = ExceptionLine(0xC0000005, 0x401A2B, 0x00AB);
  EXPECT_EQ(known, "Exception: Access Violation (code 0xc0000005) at address 00401A2B in thread AB\r\n");
  EXPECT_EQ(ExceptionLine(0xE0000006, 0x12, 7),
            "Unknown exception: (code 0xe0000006) at address 00000012 in thread 7\r\n");
  // 64-bit addresses print in full.
  EXPECT_EQ(ExceptionLine(0xC0000094, 0x55AA00112233ULL, 1),
            "Exception: Integer Divide by Zero (code 0xc0000094) at address 55AA00112233 in thread 1\r\n");
}

TEST(CrashText, PathBaseNameAndHexFields) {
  EXPECT_EQ(PathBaseName("a/b\\c.exe"), "c.exe");
  EXPECT_EQ(PathBaseName("a\\b/c.exe"), "c.exe");
  EXPECT_EQ(PathBaseName("c.exe"), "c.exe");
  EXPECT_EQ(PathBaseName("dir/"), "");
  struct Case {
    const char* text;
    bool ok;
    uint32_t value;
  } cases[] = {{"", true, 0},     {"1A2b", true, 0x1A2B}, {"0001", true, 1}, {"FFFFFFFF", true, 0xFFFFFFFF},
               {"12G", false, 0}, {" 1", false, 0},       {"-1", false, 0},  {"0x1", false, 0}};
  for (const Case& c : cases) {
    uint32_t value = 12345;
    EXPECT_EQ(ParseHexField(c.text, &value), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(value, c.value) << c.text;
    }
  }
}

TEST(CrashText, RegisterLinesHaveTheFourLineShape) {
  Platform::FaultRegisters r;
  r.rax = 1;
  r.rip = 0x7F0011223344ULL;
  r.rbp = 0x10;
  r.cs = 0x33;
  r.flags = 0x246;
  std::string lines = CrashReporter::RegisterLines(r);
  EXPECT_EQ(lines,
            "RAX:00000001 RBX:00000000 RCX:00000000 RDX:00000000 RSI:00000000 RDI:00000000\r\n"
            "RIP:7F0011223344 RSP:00000000  RBP:00000010\r\n"
            "CS:0033 SS:0000 DS:0000 ES:0000 FS:0000 GS:0000\r\n"
            "Flags:00000246\r\n");
}

// A synthetic map in the layout the reader expects (our linker writes
// another): two symbols in segment 1, one in segment 2, line rows for one
// source file.
std::string SyntheticMap() {
  auto symbol = [](const char* segment, const char* offset, const char* name) {
    std::string line = std::string(" ") + segment + ":" + offset + "       " + name + "    00401000 f   obj.o";
    return line + "\r\n";
  };
  std::string map = "Some header line\r\n";
  map += symbol("0001", "00000100", "_ZN4Kivo8DrawMenuEv");
  map += symbol("0001", "00000200", "plain_c_function");
  map += symbol("0002", "00000040", "_ZN4Kivo5TableE");
  map += symbol("0001", "00FFFFFF", "end_of_text");
  map += "\r\nLine numbers for obj.o(src/menu.cpp) segment .text\r\n\r\n";
  std::string row;
  const char* entries[][3] = {{"    12", "0001", "00000100"},
                              {"    13", "0001", "00000108"},
                              {"    20", "0001", "00000200"},
                              {"    21", "0001", "00000210"}};
  for (auto& e : entries) row += std::string(e[0]) + " " + e[1] + ":" + e[2];
  map += row + "\r\n";
  return map;
}

TEST(CrashMap, ResolvesSectionOffsetsAndLeavesOtherColonsAlone) {
  struct Case {
    const char* report;
    const char* resolved;
  } cases[] = {
      {"Logical Address: 0001:00000100\r\n", "Logical Address: Kivo::DrawMenu()\r\n    src/menu.cpp line 12 +0x0\r\n"},
      {"at 0001:00000110 game\r\n", "at Kivo::DrawMenu()+0x10\r\n    src/menu.cpp line 13 +0x8 game\r\n"},
      {"0001:00000204", "plain_c_function+0x4\r\n    src/menu.cpp line 20 +0x4"},
      {"0002:00000040 x", "Kivo::Table x"},
      // Past the last line row, the symbol still names the address but no
      // line does.
      {"0001:00000300", "plain_c_function+0x100"},
      // In front of a segment's first symbol, in an unknown segment, past the
      // table's last entry: no name.
      {"0001:00000010", "0001:00000010"},
      {"0002:00000050 x", "0002:00000050 x"},
      {"0003:00000100", "0003:00000100"},
      {"Flags:00000246\r\nTime Loaded: 12:34:56\r\n", "Flags:00000246\r\nTime Loaded: 12:34:56\r\n"},
      {"ab:0001", "ab:0001"},
      {"ab:", "ab:"},
  };
  std::string map = SyntheticMap();
  for (const Case& c : cases) {
    std::string report = c.report;
    CrashReporter::ResolveWithMapText(report, map);
    EXPECT_EQ(report, c.resolved) << c.report;
  }
}

TEST(CrashMap, ColonsNearTheEdgesReadNothingOutside) {
  // Each text in a buffer of its own size, so a read past either end is a
  // sanitizer error: a ':' at index 2, at the very end, with fewer than 8
  // characters after it.
  std::string map = SyntheticMap();
  for (const char* text : {"12:", "12:3", "0001:", "0001:0000010", ":", "0001:00000100:"}) {
    std::string report = text;
    report.shrink_to_fit();
    CrashReporter::ResolveWithMapText(report, map);
    SCOPED_TRACE(text);
    EXPECT_FALSE(report.empty());
  }
  std::string atEnd = "0001:";
  CrashReporter::ResolveWithMapText(atEnd, map);
  EXPECT_EQ(atEnd, "0001:");  // offset 0 lies in front of the first symbol
}

TEST(CrashMap, MalformedMapLinesAreSkipped) {
  std::string map =
      " 0001:0000010G       bad_offset x\r\n"
      " 0001:00000100      nameWithoutBlank\r\n"
      "Line numbers without parentheses\r\n" +
      std::string(80, ':') + "\r\n" + " 0001:00000100       good_name x\r\n";
  std::string report = "0001:00000100";
  CrashReporter::ResolveWithMapText(report, map);
  EXPECT_EQ(report, "good_name");
}

TEST(CrashStackWalk, FollowsAClimbingChainAndStopsAtACorruptOne) {
  // A synthetic stack: three frames climbing, then a link that points down.
  alignas(16) std::uintptr_t stack[32] = {};
  auto at = [&](int i) { return reinterpret_cast<std::uintptr_t>(&stack[i]); };
  stack[4] = at(10);
  stack[5] = 0x1111;
  stack[10] = at(20);
  stack[11] = 0x2222;
  stack[20] = at(2);  // corrupt: below the previous frame
  stack[21] = 0x3333;
  std::string text = CrashReporter::WalkFrameChain(0x9999, at(4), at(0), at(32));
  std::regex line("[0-9A-F]{8,}  [0-9A-F]{8,}  [0-9A-F]{4}:[0-9A-F]{8,} .*\r\n");
  size_t lines = 0;
  for (std::sregex_iterator it(text.begin(), text.end(), line), end; it != end; ++it) ++lines;
  EXPECT_EQ(lines, 3u) << text;
  EXPECT_EQ(text.find("00009999  "), 0u);
  EXPECT_NE(text.find("00001111  "), std::string::npos);
  EXPECT_NE(text.find("00002222  "), std::string::npos);
  EXPECT_EQ(text.find("00003333"), std::string::npos);

  // A misaligned or wild link, or a first frame outside the stack, ends the
  // walk after its first line.
  auto oneLine = [](const std::string& walked) { return walked.find("\r\n") + 2 == walked.size(); };
  stack[4] = at(10) + 1;
  EXPECT_TRUE(oneLine(CrashReporter::WalkFrameChain(1, at(4), at(0), at(32))));
  stack[4] = static_cast<std::uintptr_t>(0xFFFFFFFFFFFFFFF0ULL);
  EXPECT_TRUE(oneLine(CrashReporter::WalkFrameChain(1, at(4), at(0), at(32))));
  EXPECT_TRUE(oneLine(CrashReporter::WalkFrameChain(1, 0x10, at(0), at(32))));
  EXPECT_TRUE(oneLine(CrashReporter::WalkFrameChain(1, at(31), at(0), at(32))));  // its second word is outside
}

TEST(CrashStackWalk, PlacesAddressesOfThisProgram) {
  std::string module;
  int section = 0;
  std::uintptr_t offset = 0;
  ASSERT_TRUE(
      CrashReporter::LogicalAddress(reinterpret_cast<std::uintptr_t>(&PathBaseName), &module, &section, &offset));
  EXPECT_EQ(PathBaseName(module), "diagnostics_tests");
  EXPECT_GE(section, 1);
  module = "kept";
  EXPECT_FALSE(CrashReporter::LogicalAddress(0x10, &module, &section, &offset));
  EXPECT_EQ(module, "kept");
}

TEST(CrashFile, SavesTheBytesUnchangedThenOneLineEnd) {
  char folder[] = "/tmp/crashfileXXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  char previous[4096];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(chdir(folder), 0);
  CrashReporter::SaveReportFile("Line one\r\nLine two\r\n");
  std::ifstream in("crash.txt", std::ios::binary);
  std::string saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(saved, "Line one\r\nLine two\r\n\r\n");
  std::remove("crash.txt");
  ASSERT_EQ(chdir(previous), 0);
  rmdir(folder);
}

// A working folder that cannot be written (here: removed) sends the report
// to the per-user data folder instead of losing it.
TEST(CrashFile, GoesToTheDataFolderWhenTheWorkingFolderCannotBeWritten) {
  char folder[] = "/tmp/crashfileXXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  std::string home = std::string(folder) + "/home";
  std::string work = std::string(folder) + "/work";
  ASSERT_EQ(mkdir(work.c_str(), 0755), 0);
  setenv("GAME_HOME", home.c_str(), 1);
  std::string savedUserFolder = gUserDataFolder;
  gUserDataFolder.clear();
  char previous[4096];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  ASSERT_EQ(chdir(work.c_str()), 0);
  ASSERT_EQ(rmdir(work.c_str()), 0);
  CrashReporter::SaveReportFile("Line one\r\n");
  ASSERT_EQ(chdir(previous), 0);
  gUserDataFolder = savedUserFolder;
  unsetenv("GAME_HOME");
  std::ifstream in(home + "/data/crash.txt", std::ios::binary);
  std::string saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(saved, "Line one\r\n\r\n");
  std::string command = std::string("rm -rf '") + folder + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
}

TEST(CrashSignalCodes, SignalsBecomeExceptionCodes) {
  struct Case {
    int signal;
    int code;
    std::uintptr_t address;
    uint32_t expected;
  } cases[] = {
      {SIGSEGV, SEGV_MAPERR, 0x10, 0xC0000005},
      {SIGSEGV, SEGV_MAPERR, 0x7000, 0xC00000FD},
      {SIGBUS, BUS_ADRALN, 0, 0x80000002},
      {SIGBUS, BUS_ADRERR, 0, 0xC0000006},
      {SIGFPE, FPE_INTDIV, 0, 0xC0000094},
      {SIGFPE, FPE_INTOVF, 0, 0xC0000095},
      {SIGFPE, FPE_FLTDIV, 0, 0xC000008E},
      {SIGFPE, FPE_FLTOVF, 0, 0xC0000091},
      {SIGFPE, FPE_FLTUND, 0, 0xC0000093},
      {SIGFPE, FPE_FLTRES, 0, 0xC000008F},
      {SIGFPE, FPE_FLTINV, 0, 0xC0000090},
      {SIGILL, ILL_PRVOPC, 0, 0xC0000096},
      {SIGILL, ILL_ILLOPC, 0, 0xC000001D},
      {SIGTRAP, 0, 0, 0x80000003},
      {SIGABRT, 0, 0, 0xE0000006},
  };
  // The guard area is [0x7000, 0x8000) below a stack starting at 0x8000.
  for (const Case& c : cases)
    EXPECT_EQ(Platform::ExceptionCodeForSignal(c.signal, c.code, c.address, 0x7000, 0x8000), c.expected)
        << c.signal << " " << c.code;
}

TEST(CrashBoxes, ButtonLayoutAndProgressText) {
  auto one = LayOutCrashButtons({"Close Now"});
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].x, 8);
  EXPECT_EQ(one[0].width, 384);
  auto two = LayOutCrashButtons({"Send Report", "Close Now"});
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(two[0].x, 8);
  EXPECT_EQ(two[0].width, 188);
  EXPECT_EQ(two[1].x, 204);
  EXPECT_EQ(two[1].width, 188);
  auto three = LayOutCrashButtons({"a", "b", "c"});
  EXPECT_EQ(three[2].x, 8 + 2 * (122 + 8));
  EXPECT_EQ(three[2].width, 122);
  EXPECT_EQ(ProgressText(0), "Please Wait");
  EXPECT_EQ(ProgressText(3), "Please Wait . . .");
  EXPECT_EQ(ProgressText(10), "Please Wait");
  EXPECT_EQ(ProgressText(11), "Please Wait .");
}

}  // namespace
