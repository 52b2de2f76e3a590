// Faults in child processes reach the crash reporter: the game's "-crash",
// and the probe's faults with and without an application, with a map file
// and while a demo is recorded.
#include <cstdio>
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "resources/ImageLib.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

struct ChildResult {
  int signal = 0;  // the signal that ended it, 0 for a normal exit
  int exitCode = -1;
  std::string output;  // stdout
};

class CrashProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/crashprocXXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder = pattern;
  }
  void TearDown() override {
    std::string command = "rm -rf '" + folder + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
  }

  // Runs the program in the test's folder, headless, with the sanitizers
  // keeping their hands off the faults.
  ChildResult Run(const std::vector<std::string>& arguments, const std::vector<std::string>& extraEnvironment = {}) {
    std::string outputPath = folder + "/stdout.txt";
    pid_t child = fork();
    if (child == 0) {
      if (chdir(folder.c_str()) != 0) _exit(120);
      std::vector<std::string> environment = {
          "GAME_BACKEND=headless",
          "GAME_HOME=" + folder + "/home",
          "GAME_LOG=" + folder + "/log.txt",
          "ASAN_OPTIONS=handle_segv=0:handle_sigbus=0:handle_sigfpe=0:handle_abort=0:detect_leaks=0",
          "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1",
          "PATH=/usr/bin:/bin"};
      environment.insert(environment.end(), extraEnvironment.begin(), extraEnvironment.end());
      std::vector<char*> argv, envp;
      for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      for (const std::string& e : environment) envp.push_back(const_cast<char*>(e.c_str()));
      envp.push_back(nullptr);
      if (!freopen(outputPath.c_str(), "w", stdout) || !freopen("/dev/null", "w", stderr)) _exit(121);
      execve(argv[0], argv.data(), envp.data());
      _exit(122);
    }
    ChildResult result;
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    result.output = ReadFile(outputPath);
    return result;
  }

  std::string Crash() { return ReadFile(folder + "/crash.txt"); }
  std::string Log() { return ReadFile(folder + "/log.txt"); }

  std::string folder;
};

std::vector<std::string> SplitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  size_t pos = 0;
  for (size_t end; (end = text.find("\r\n", pos)) != std::string::npos; pos = end + 2)
    lines.push_back(text.substr(pos, end - pos));
  return lines;
}

// CR LF only: no lone CR, no lone LF, no CR CR.
void ExpectCrLfOnly(const std::string& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') {
      EXPECT_TRUE(i > 0 && text[i - 1] == '\r') << "lone LF at " << i;
    } else if (text[i] == '\r') {
      EXPECT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << "lone CR at " << i;
    }
  }
}

#ifdef KIVO_GAME_EXE
TEST_F(CrashProcessTest, GameCrashWritesTheReportAndEndsBySigsegv) {
  // The game works in its own program folder (its data lives there), so the
  // report lands beside the program: a program folder of the test's own,
  // with the build's game and its data, so that two runs never share it.
  const std::string built = std::string(KIVO_GAME_EXE).substr(0, std::string(KIVO_GAME_EXE).rfind('/'));
  const std::string gameFolder = folder + "/program";
  ASSERT_TRUE(std::filesystem::create_directory(gameFolder));
  std::error_code linked;
  std::filesystem::create_hard_link(KIVO_GAME_EXE, gameFolder + "/game", linked);
  if (linked) ASSERT_TRUE(std::filesystem::copy_file(KIVO_GAME_EXE, gameFolder + "/game"));
  for (const char* name : {"data", "settings.ini"})
    std::filesystem::create_symlink(built + "/" + name, gameFolder + "/" + name);
  ChildResult run = Run({gameFolder + "/game", "-crash"});
  EXPECT_EQ(run.signal, SIGSEGV);
  std::string report = ReadFile(gameFolder + "/crash.txt");
  ExpectCrLfOnly(report);
  std::vector<std::string> lines = SplitCrLf(report);
  ASSERT_GT(lines.size(), 16u) << report;
  EXPECT_TRUE(std::regex_match(lines[0], std::regex("Exception: Access Violation \\(code 0xc0000005\\) at address "
                                                    "[0-9A-F]{8,} in thread [1-9A-F][0-9A-F]*")))
      << lines[0];
  EXPECT_EQ(lines[1], "Module: game");
  EXPECT_TRUE(std::regex_match(lines[2], std::regex("Logical Address: [0-9A-F]{4}:[0-9A-F]{8,}"))) << lines[2];
  EXPECT_EQ(lines[3], "");
  // The stack, then the four register lines and an empty line.
  size_t rax = 4;
  while (rax < lines.size() && lines[rax].compare(0, 4, "RAX:") != 0) ++rax;
  ASSERT_LT(rax + 6, lines.size());
  EXPECT_GT(rax, 5u) << "no stack lines";
  EXPECT_EQ(lines[rax + 1].compare(0, 4, "RIP:"), 0);
  EXPECT_EQ(lines[rax + 2].compare(0, 3, "CS:"), 0);
  EXPECT_EQ(lines[rax + 3].compare(0, 6, "Flags:"), 0);
  EXPECT_EQ(lines[rax + 4], "");
  EXPECT_EQ(lines[rax + 5].compare(0, 12, "System Ver: "), 0);
  EXPECT_EQ(lines[rax + 6], "");
  const char* block[] = {"Product: ", "Version: ", "Time Loaded: ", "Fullscreen: ", "Primary ThreadId: "};
  for (size_t i = 0; i < 5; ++i) {
    ASSERT_LT(rax + 7 + i, lines.size());
    EXPECT_EQ(lines[rax + 7 + i].compare(0, std::string(block[i]).size(), block[i]), 0) << lines[rax + 7 + i];
  }
  // The report's own last line end, then the file's one.
  EXPECT_EQ(report.compare(report.size() - 4, 4, "\r\n\r\n"), 0);
  std::string log = Log();
  EXPECT_NE(log.find("Dialog \"Fatal Error!\" button id=4 at 8,268 size 384x24 default cancel text=\"Close Now\""),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("Dialog \"Fatal Error!\" unanswered -> \"Close Now\""), std::string::npos);
}
#endif

TEST_F(CrashProcessTest, FaultKindsWithoutAnApplication) {
  struct Case {
    const char* mode;
    int signal;
    const char* firstLine;
  } cases[] = {
      {"noapp-divzero", SIGFPE, "Exception: Integer Divide by Zero (code 0xc0000094) at address "},
      {"noapp-abort", SIGABRT, "Unknown exception: (code 0xe0000006) at address "},
      {"noapp-segv", SIGSEGV, "Exception: Access Violation (code 0xc0000005) at address "},
      // Reported from the alternate signal stack.
      {"noapp-overflow", SIGSEGV, "Exception: Stack Overflow (code 0xc00000fd) at address "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    std::remove((folder + "/crash.txt").c_str());
    std::remove((folder + "/log.txt").c_str());
    // A configured server still offers no sending without an application.
    ChildResult run = Run({KIVO_CRASH_PROBE, c.mode}, {"CRASH_PROBE_HOST=127.0.0.1:9"});
    EXPECT_EQ(run.signal, c.signal);
    std::string report = Crash();
    EXPECT_EQ(report.compare(0, std::string(c.firstLine).size(), c.firstLine), 0) << report;
    ExpectCrLfOnly(report);
    // The report ends with the system block.
    std::vector<std::string> lines = SplitCrLf(report);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2].compare(0, 12, "System Ver: "), 0) << report;
    EXPECT_EQ(lines.back(), "");
    EXPECT_FALSE(Exists(folder + "/clipboard.txt"));
    // A configured server without an application: "Send Report" greyed.
    EXPECT_NE(Log().find("button id=3 at 8,268 size 188x24 disabled text=\"Send Report\""), std::string::npos) << Log();
  }
}

TEST_F(CrashProcessTest, ClipboardKeepsRawAddressesWhileTheFileIsResolved) {
  // Every loadable segment starts with a symbol, so any address resolves.
  std::ofstream map(folder + "/probe.map", std::ios::binary);
  for (int segment = 1; segment <= 6; ++segment) {
    char line[128];
    std::snprintf(line, sizeof line, " %04X:00000000       probe_segment_%d   00000000 f   probe.o\r\n", segment,
                  segment);
    map << line;
  }
  map.close();
  std::ofstream(folder + "/script.txt") << "0 dialog press Close Now\n";
  ChildResult run = Run({KIVO_CRASH_PROBE, "app-segv"},
                        {"CRASH_PROBE_HOST=127.0.0.1:9", "GAME_INPUT_SCRIPT=" + folder + "/script.txt"});
  EXPECT_EQ(run.signal, SIGSEGV);
  std::string clipboard = ReadFile(folder + "/clipboard.txt");
  std::string report = Crash();
  EXPECT_TRUE(std::regex_search(clipboard, std::regex("\r\nLogical Address: [0-9A-F]{4}:[0-9A-F]{8}\r\n")))
      << clipboard;
  EXPECT_EQ(clipboard.find("probe_segment_"), std::string::npos);
  EXPECT_TRUE(std::regex_search(report, std::regex("\r\nLogical Address: probe_segment_[0-9]\\+0x[0-9A-F]+\r\n")))
      << report;
  EXPECT_NE(clipboard.find("\r\nProduct: CrashProbe\r\n"), std::string::npos);
  // With an application and a server, sending is offered.
  EXPECT_NE(Log().find("button id=3 at 8,268 size 188x24 default text=\"Send Report\""), std::string::npos) << Log();
  EXPECT_NE(Log().find("Dialog \"Fatal Error!\" press -> \"Close Now\""), std::string::npos);
}

bool Have(const char* tool) {
  return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// Dark pixels (each channel below 0x60) in a rectangle of an ARGB picture.
int DarkPixels(const Kivo::ImageLib::Image& picture, int x, int y, int width, int height) {
  int count = 0;
  for (int row = y; row < y + height; ++row)
    for (int col = x; col < x + width; ++col) {
      uint32_t p = picture.pixels[static_cast<size_t>(row) * picture.width + col];
      if (((p >> 16) & 0xFF) < 0x60 && ((p >> 8) & 0xFF) < 0x60 && (p & 0xFF) < 0x60) ++count;
    }
  return count;
}

// The sdl2 crash window in a real X server: the probe's fault shows it in a
// window of its own, its first frame holds the header, the report and the
// button, and Esc (pressed through the X server) closes it; the process then
// ends by its signal.
TEST_F(CrashProcessTest, TheSdl2WindowShowsTheReportAndEscClosesIt) {
  if (!Have("xvfb-run") || !Have("xdotool")) GTEST_SKIP() << "xvfb-run or xdotool is missing";
  std::string script = folder + "/under_x.sh";
  std::ofstream(script) << "cd '" << folder << "'\n"
                        << "GAME_BACKEND=sdl2 GAME_HOME='" << folder << "/home' GAME_LOG='" << folder << "/log.txt' "
                        << "GAME_FRAME_DUMP='" << folder << "/dump' "
                        << "ASAN_OPTIONS=handle_segv=0:handle_sigbus=0:handle_sigfpe=0:handle_abort=0:detect_leaks=0 "
                        << "'" << KIVO_CRASH_PROBE << "' app-segv >/dev/null 2>&1 &\n"
                        << "probe=$!\n"
                        << "i=0\n"
                        << "until grep -q 'frame dump: dialog_Fatal_Error_ saved' '" << folder
                        << "/log.txt' 2>/dev/null; do i=$((i+1)); [ $i -gt 600 ] && break; sleep 0.1; done\n"
                        << "xdotool mousemove 200 120\n"
                        << "sleep 0.3\n"
                        << "xdotool key Escape\n"
                        << "wait $probe\n"
                        << "echo $? > '" << folder << "/status.txt'\n";
  std::system(("mkdir -p '" + folder + "/dump'").c_str());
  int ran = std::system(("timeout 120 xvfb-run -a sh '" + script + "' >/dev/null 2>&1").c_str());
  ASSERT_EQ(ran, 0) << Log();
  EXPECT_EQ(std::atoi(ReadFile(folder + "/status.txt").c_str()), 128 + SIGSEGV) << Log();
  std::string log = Log();
  EXPECT_NE(log.find("Dialog \"Fatal Error!\" pressed \"Close Now\""), std::string::npos) << log;
  EXPECT_NE(log.find("Dialog \"Fatal Error!\" ended -> 4"), std::string::npos) << log;
  Kivo::ImageLib::ImagePtr shot = Kivo::ImageLib::ReadPngImage(folder + "/dump/dialog_Fatal_Error_.png");
  ASSERT_NE(shot, nullptr) << log;
  ASSERT_EQ(shot->width, 400);
  ASSERT_EQ(shot->height, 300);
  EXPECT_GT(DarkPixels(*shot, 8, 8, 384, 84), 50) << "the header";
  EXPECT_GT(DarkPixels(*shot, 12, 96, 360, 160), 200) << "the report's text";
  EXPECT_GT(DarkPixels(*shot, 150, 272, 100, 16), 20) << "the button's caption";
  EXPECT_EQ(DarkPixels(*shot, 30, 270, 60, 18), 0) << "the button's face left of its caption";
  EXPECT_EQ(DarkPixels(*shot, 0, 262, 400, 4), 0) << "the face between report and button";
}

TEST_F(CrashProcessTest, TheUploadTransfersFirstRequestCarriesId3) {
  ChildResult run = Run({KIVO_CRASH_PROBE, "first-id"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.output, "3\n");
}

TEST_F(CrashProcessTest, RecordingIsClosedWithAFillerAndReplays) {
  ChildResult run = Run({KIVO_CRASH_PROBE, "record-segv"});
  EXPECT_EQ(run.signal, SIGSEGV);
  ASSERT_TRUE(Exists(folder + "/probe.dmo"));
  ChildResult replay = Run({KIVO_CRASH_PROBE, "replay", folder + "/probe.dmo"});
  EXPECT_EQ(replay.exitCode, 0);
  EXPECT_EQ(replay.output, "replay ok, last code 31\n");
}

}  // namespace
