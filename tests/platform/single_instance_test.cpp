// Two processes, one product name: the second wakes the first.
#include "platform/SingleInstance.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>

#include "tests/platform/probe_runner.h"
#include "tests/support/temp_folder.h"

namespace {

class SingleInstance : public ::testing::Test {
 protected:
  std::string Command(const std::string& product, int waitMs) {
    return "env -u XDG_RUNTIME_DIR GAME_HOME='" + home.path() + "' '" + ProbePath() + "' instance '" + product + "' " +
           std::to_string(waitMs);
  }
  TempFolder home;
  std::string product = "KivoTest" + std::to_string(::getpid());
};

TEST_F(SingleInstance, SecondInstanceWakesTheFirstAndExits) {
  // A socket left behind by a first instance that died must not stop the
  // next one from listening.
  ::setenv("GAME_HOME", home.path().c_str(), 1);
  std::string runtime = ::getenv("XDG_RUNTIME_DIR") ? ::getenv("XDG_RUNTIME_DIR") : "";
  ::unsetenv("XDG_RUNTIME_DIR");
  std::string lockPath = Platform::MutexLockPath(product + "Mutex");
  if (!runtime.empty()) ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  ::unsetenv("GAME_HOME");
  std::string socketPath = lockPath.substr(0, lockPath.size() - 5) + ".sock";
  ASSERT_EQ(::mkdir((home.path() + "/run").c_str(), 0700), 0);
  int stale = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(stale, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ::close(stale);  // the file stays, nobody listens

  std::FILE* first = ::popen(Command(product, 5000).c_str(), "r");
  ASSERT_NE(first, nullptr);
  char line[256] = {};
  ASSERT_NE(std::fgets(line, sizeof line, first), nullptr);
  unsigned long window = 0;
  unsigned notify = 0;
  ASSERT_EQ(std::sscanf(line, "first window=%lu notify=0x%X", &window, &notify), 2) << line;

  auto start = std::chrono::steady_clock::now();
  ProbeResult second = RunCommand(Command(product, 0));
  EXPECT_EQ(second.exitCode, 0);
  EXPECT_EQ(second.output, "second\n");

  ProbeResult other = RunCommand(Command(product + "Other", 0));
  EXPECT_EQ(other.output.rfind("first", 0), 0u) << "another name is independent: " << other.output;

  ASSERT_NE(std::fgets(line, sizeof line, first), nullptr);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  char expected[128];
  std::snprintf(expected, sizeof expected, "notify window=%lu msg=0x%X w=0 l=0\n", window, notify);
  EXPECT_STREQ(line, expected);
  EXPECT_LT(seconds, 2.0);
  EXPECT_EQ(::pclose(first), 0);

  ProbeResult again = RunCommand(Command(product, 0));
  EXPECT_EQ(again.output.rfind("first", 0), 0u) << "after the first ends a new one is first: " << again.output;
}

TEST_F(SingleInstance, LockNamesAreFileSafe) {
  ::setenv("GAME_HOME", home.path().c_str(), 1);
  ::unsetenv("XDG_RUNTIME_DIR");
  std::string path = Platform::MutexLockPath("a/../b Mutex");
  EXPECT_EQ(path.find("/../"), std::string::npos) << path;
  EXPECT_EQ(path.rfind(home.path(), 0), 0u) << path;
  ::unsetenv("GAME_HOME");
}

TEST(BroadcastPacket, MalformedPacketsAreRejected) {
  std::string good = Platform::EncodeBroadcastPacket("NotifyGame", 0, -1);
  std::string name;
  std::uint64_t w;
  std::int64_t l;
  ASSERT_TRUE(Platform::DecodeBroadcastPacket(good, &name, &w, &l));
  EXPECT_EQ(name, "NotifyGame");
  EXPECT_EQ(l, -1);
  const std::string bad[] = {"",
                             good.substr(0, good.size() - 1),
                             good + "x",
                             "XXXX" + good.substr(4),
                             Platform::EncodeBroadcastPacket(std::string(300, 'a'), 0, 0),
                             Platform::EncodeBroadcastPacket("", 0, 0)};
  for (const std::string& packet : bad) EXPECT_FALSE(Platform::DecodeBroadcastPacket(packet, &name, &w, &l));
}

TEST(RegisteredMessages, OneIdPerNameInTheRegisteredRange) {
  UINT a = RegisterClipboardFormatW(L"NotifyAlpha");
  UINT b = RegisterClipboardFormatW(L"NotifyBeta");
  EXPECT_GE(a, 0xC000u);
  EXPECT_LE(b, 0xFFFFu);
  EXPECT_NE(a, b);
  EXPECT_EQ(RegisterClipboardFormatW(L"notifyalpha"), a);
}

}  // namespace
