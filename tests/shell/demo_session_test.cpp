// End to end through a real binary: every input script in demo_sessions/ is
// recorded with -record, the world changes (registry value, clicked file),
// and the demo is played back with -play: both runs must trace the same
// widget input, random draws, journalled results and final frame. Malformed
// demos must end with their message and exit code 0, quickly.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <dirent.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "shell/base/Buffer.h"

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteAll(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

class DemoSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kivo_session_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder = pattern;
  }
  void TearDown() override {
    std::string command = "rm -rf '" + folder + "'";
    if (std::system(command.c_str()) != 0) ADD_FAILURE() << "could not remove " << folder;
  }

  // Runs the session binary with the given environment and options; returns
  // its exit code (124 when it ran into the timeout).
  int Run(const std::string& environment, const std::string& options) {
    std::string command = "cd '" + (start.empty() ? folder : start) + "' && env GAME_BACKEND=headless GAME_HOME='" +
                          folder + "/home' GAME_LOG='" + folder + "/log.txt' DEMO_DATA_FILE='" + folder +
                          "/data.txt' " + environment + " timeout 60 '" + KIVO_DEMO_SESSION + "' " + options + " > '" +
                          folder + "/out.txt' 2>&1";
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  // Records a script, changes the world, plays it back; the two traces.
  void RecordAndPlay(const std::string& script, const std::string& recordOptions, const std::string& playOptions,
                     std::string* recorded, std::string* played) {
    WriteAll(folder + "/data.txt", "first version");
    ASSERT_EQ(Run("GAME_INPUT_SCRIPT='" + script + "' DEMO_TRACE='" + folder + "/record.txt'", recordOptions), 0)
        << ReadAll(folder + "/out.txt");
    WriteAll(folder + "/data.txt", "changed since");
    ASSERT_EQ(Run("DEMO_POKE=99", ""), 0);
    ASSERT_EQ(Run("DEMO_TRACE='" + folder + "/play.txt'", playOptions), 0) << ReadAll(folder + "/out.txt");
    *recorded = ReadAll(folder + "/record.txt");
    *played = ReadAll(folder + "/play.txt");
  }

  std::string folder;
  std::string start;  // the folder the binary starts in; the temporary one when empty
};

std::vector<std::string> SessionScripts() {
  std::string dir = std::string(KIVO_SOURCE_DIR) + "/tests/shell/demo_sessions";
  std::vector<std::string> scripts;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* entry = readdir(d)) {
      std::string name = entry->d_name;
      if (name.size() > 4 && name.compare(name.size() - 4, 4, ".txt") == 0) scripts.push_back(dir + "/" + name);
    }
    closedir(d);
  }
  return scripts;
}

TEST_F(DemoSessionTest, RecordedSessionsReplayLineForLine) {
  std::vector<std::string> scripts = SessionScripts();
  ASSERT_FALSE(scripts.empty());
  for (const std::string& script : scripts) {
    SCOPED_TRACE(script);
    std::string recorded, played;
    std::string demo = "-demofile=" + folder + "/s.dmo";
    RecordAndPlay(script, "-record " + demo, "-play " + demo, &recorded, &played);
    EXPECT_EQ(played, recorded);
    EXPECT_NE(recorded.find(": frame "), std::string::npos);
    EXPECT_NE(recorded.find(": presented "), std::string::npos);
    EXPECT_NE(recorded.find(" rand "), std::string::npos);
  }
}

TEST_F(DemoSessionTest, BasicSessionReplaysTheRecordedWorld) {
  std::string recorded, played;
  std::string demo = "-demofile=" + folder + "/s.dmo";
  RecordAndPlay(std::string(KIVO_SOURCE_DIR) + "/tests/shell/demo_sessions/basic.txt", "-record " + demo,
                "-play " + demo, &recorded, &played);
  EXPECT_EQ(played, recorded);
  // The playback saw the recorded file and registry value, not today's.
  EXPECT_NE(played.find("file first version"), std::string::npos);
  EXPECT_EQ(played.find("changed since"), std::string::npos);
  EXPECT_NE(played.find("fetched 1"), std::string::npos);
  EXPECT_EQ(played.find("fetched 99"), std::string::npos);
  for (const char* seen : {"char 1078", "wheel -1", "down", " 2\n", "focus lost", "leave"})
    EXPECT_NE(played.find(seen), std::string::npos) << seen;
  // The move and the middle click after the pointer left reach the cell.
  const size_t left = played.find("cell 3 leave");
  ASSERT_NE(left, std::string::npos);
  EXPECT_NE(played.find("cell 0 move 60 50", left), std::string::npos);
  EXPECT_NE(played.find("cell 0 down 60 50 3", left), std::string::npos);
  EXPECT_NE(played.find("cell 0 up 60 50 3", left), std::string::npos);
}

TEST_F(DemoSessionTest, NumberedDemosRecordAndPlayTheSameWay) {
  // Numbered demos live in the working folder -changedir sets, wherever the
  // program was started from.
  start = folder + "/elsewhere";
  ASSERT_EQ(mkdir(start.c_str(), 0700), 0);
  std::string where = "-changedir=" + folder;
  std::string script = std::string(KIVO_SOURCE_DIR) + "/tests/shell/demo_sessions/basic.txt";
  std::string recorded, played;
  RecordAndPlay(script, where + " -recnum=5", where + " -playnum=1", &recorded, &played);
  EXPECT_EQ(played, recorded);
  EXPECT_FALSE(ReadAll(folder + "/kivoapp1.dmo").empty());
  // The folder counts wherever -changedir stands on the line.
  RecordAndPlay(script, "-recnum=5 " + where, "-playnum=1 " + where, &recorded, &played);
  EXPECT_EQ(played, recorded);
  EXPECT_FALSE(ReadAll(folder + "/kivoapp2.dmo").empty());
  EXPECT_TRUE(ReadAll(start + "/kivoapp1.dmo").empty()) << "nothing in the starting folder";
}

TEST_F(DemoSessionTest, MalformedDemosEndWithTheirMessage) {
  auto u32 = [](uint32_t v) {
    std::string s;
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
  };
  std::string head = u32(0x42BEEF78) + u32(2) + u32(7) + std::string("\x0E\x00", 2) + "demo session 1";
  // A display-state record (as start-up reads it), then one long event.
  auto stream = [](int code, bool withHugeCount) {
    Kivo::Buffer b;
    b.PutBits(0, 4);
    b.PutBits(0, 1);
    b.PutBits(23, 5);
    b.PutBool(true);
    b.PutByte(60);
    b.PutBits(2, 4);
    b.PutBits(0, 1);
    b.PutBits(static_cast<uint32_t>(code), 5);
    if (withHugeCount) b.PutU32(0xFFFFFFFFu);
    b.PutU32(0);
    return std::string(reinterpret_cast<const char*>(b.Data()), static_cast<size_t>(b.ByteSize()));
  };
  struct Case {
    const char* name;
    std::string bytes;
    std::string message;
  };
  const std::string invalid = "Invalid demo file.";
  const Case cases[] = {
      {"bad magic", u32(0x12345678) + u32(2), invalid},
      {"truncated header", head.substr(0, 9), invalid},
      {"other version",
       u32(0x42BEEF78) + u32(2) + u32(7) + std::string("\x03\x00", 2) + "0.9" + u32(4) + u32(0) + u32(5) + "x",
       "This demo file appears to be for '0.9'"},
      {"negative marker block", head + u32(0xFFFFFFFE) + u32(0) + u32(5) + "x", invalid},
      {"marker block too large", head + u32(400) + u32(0) + u32(5) + "x", invalid},
      {"more markers than held", head + u32(4) + u32(3) + u32(5) + "x", invalid},
      {"no stream", head + u32(4) + u32(0) + u32(5), invalid},
      {"huge journal count", head + u32(4) + u32(0) + u32(50) + stream(18, true), invalid},
      {"huge file count", head + u32(4) + u32(0) + u32(50) + stream(15, true), invalid},
      {"unused code", head + u32(4) + u32(0) + u32(50) + stream(13, false), invalid},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteAll(folder + "/bad.dmo", c.bytes);
    std::remove((folder + "/log.txt").c_str());
    EXPECT_EQ(Run("", "-play -demofile=" + folder + "/bad.dmo"), 0) << ReadAll(folder + "/out.txt");
    EXPECT_NE(ReadAll(folder + "/log.txt").find(c.message), std::string::npos) << ReadAll(folder + "/log.txt");
  }
  std::remove((folder + "/log.txt").c_str());
  EXPECT_EQ(Run("", "-play -demofile=" + folder + "/none.dmo"), 0);
  EXPECT_NE(ReadAll(folder + "/log.txt").find("Demo file not found: " + folder + "/none.dmo"), std::string::npos);
}

}  // namespace
