// Two processes, one product name: the second wakes the first.
#include "platform/SingleInstance.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "tests/platform/probe_runner.h"
#include "tests/support/temp_folder.h"

namespace {

// Sets an environment variable for one scope and puts the old value back.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value) : mName(name) {
    const char* old = ::getenv(name);
    mHadValue = old != nullptr;
    if (old) mOld = old;
    if (value)
      ::setenv(name, value, 1);
    else
      ::unsetenv(name);
  }
  ~ScopedVariable() {
    if (mHadValue)
      ::setenv(mName.c_str(), mOld.c_str(), 1);
    else
      ::unsetenv(mName.c_str());
  }

 private:
  std::string mName;
  std::string mOld;
  bool mHadValue = false;
};

// A first instance pumps this long at most for the wake-up: only a hang is
// bounded, never how fast a loaded machine starts the second one.
constexpr int kFirstWaitMs = 60000;

class SingleInstance : public ::testing::Test {
 protected:
  // The probe with its own home; `environment` adds variables before it.
  std::string Command(const std::string& product, int waitMs, const std::string& environment = "") {
    return "env -u XDG_RUNTIME_DIR GAME_HOME='" + home.path() + "' " + environment + " '" + ProbePath() +
           "' instance '" + product + "' " + std::to_string(waitMs);
  }
  TempFolder home;
  std::string product = "KivoTest" + std::to_string(::getpid());
};

TEST_F(SingleInstance, SecondInstanceWakesTheFirstAndExits) {
  // A socket left behind by a first instance that died must not stop the
  // next one from listening.
  std::string lockPath;
  {
    ScopedVariable gameHome("GAME_HOME", home.path().c_str());
    lockPath = Platform::MutexLockPath(product + "Mutex");
  }
  std::string socketPath = lockPath.substr(0, lockPath.size() - 5) + ".sock";
  ASSERT_EQ(::mkdir((home.path() + "/run").c_str(), 0700), 0);
  int stale = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(socketPath.size(), sizeof address.sun_path) << socketPath;
  std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(stale, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ::close(stale);  // the file stays, nobody listens

  std::FILE* first = ::popen(Command(product, kFirstWaitMs).c_str(), "r");
  ASSERT_NE(first, nullptr);
  char line[256] = {};
  ASSERT_NE(std::fgets(line, sizeof line, first), nullptr);
  unsigned long window = 0;
  unsigned notify = 0;
  ASSERT_EQ(std::sscanf(line, "first window=%lu notify=0x%X", &window, &notify), 2) << line;

  ProbeResult second = RunCommand(Command(product, 0));
  EXPECT_EQ(second.exitCode, 0);
  EXPECT_EQ(second.output, "second\n");

  ProbeResult other = RunCommand(Command(product + "Other", 0));
  EXPECT_EQ(other.output.rfind("first", 0), 0u) << "another name is independent: " << other.output;

  ASSERT_NE(std::fgets(line, sizeof line, first), nullptr);
  char expected[128];
  std::snprintf(expected, sizeof expected, "notify window=%lu msg=0x%X w=0 l=0\n", window, notify);
  EXPECT_STREQ(line, expected) << "the first instance gave up waiting before the second woke it";
  EXPECT_EQ(::pclose(first), 0);

  ProbeResult again = RunCommand(Command(product, 0));
  EXPECT_EQ(again.output.rfind("first", 0), 0u) << "after the first ends a new one is first: " << again.output;
}

// A game the session runs holds the product's lock in the session's runtime
// folder; an instance with a home of its own (a test, a portable copy) keeps
// its lock there and is first all the same.
TEST_F(SingleInstance, AnInstanceWithItsOwnHomeIgnoresTheSessionsGame) {
  TempFolder session;
  std::string sessionGame = "env -u GAME_HOME XDG_RUNTIME_DIR='" + session.path() + "' '" + ProbePath() +
                            "' instance '" + product + "' " + std::to_string(kFirstWaitMs);
  std::FILE* running = ::popen(sessionGame.c_str(), "r");
  ASSERT_NE(running, nullptr);
  char line[256] = {};
  ASSERT_NE(std::fgets(line, sizeof line, running), nullptr);
  ASSERT_EQ(std::string(line).rfind("first", 0), 0u) << line;

  std::string sameSession = "XDG_RUNTIME_DIR='" + session.path() + "'";
  ProbeResult ownHome = RunCommand(Command(product, 0, sameSession));
  EXPECT_EQ(ownHome.output.rfind("first", 0), 0u) << ownHome.output;

  // The session's second copy still finds and wakes the running one.
  ProbeResult second =
      RunCommand("env -u GAME_HOME " + sameSession + " '" + ProbePath() + "' instance '" + product + "' 0");
  EXPECT_EQ(second.output, "second\n");
  ASSERT_NE(std::fgets(line, sizeof line, running), nullptr);
  EXPECT_EQ(std::string(line).rfind("notify", 0), 0u) << line;
  EXPECT_EQ(::pclose(running), 0);
}

TEST_F(SingleInstance, LockNamesAreFileSafe) {
  ScopedVariable gameHome("GAME_HOME", home.path().c_str());
  ScopedVariable runtime("XDG_RUNTIME_DIR", "/run/elsewhere");
  std::string path = Platform::MutexLockPath("a/../b Mutex");
  EXPECT_EQ(path.find("/../"), std::string::npos) << path;
  EXPECT_EQ(path.rfind(home.path() + "/run/", 0), 0u) << "a home of its own holds the locks: " << path;
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
