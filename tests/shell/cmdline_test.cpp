// The command line: splitting, the options and their effects, the numbered
// demo files, and the fatal end of an unknown option.
#include <fcntl.h>

#include "tests/shell/startup_support.h"

namespace startuptest {
namespace {

// Records the options instead of applying them.
class RecordingApp : public StartupApp {
 public:
  void ApplyCommandLineParam(const std::string& key, const std::string& value) override {
    applied.push_back(key + "|" + value);
  }
  std::vector<std::string> applied;
};

class CommandLineTest : public StartupFixture {
 protected:
  void SetCommandLine(std::vector<const char*> args) {
    Platform::SetCommandLine(static_cast<int>(args.size()), const_cast<char**>(args.data()));
  }
  void TearDown() override {
    SetCommandLine({"shell_tests"});
    StartupFixture::TearDown();
  }
  // Empty demo files with these numbers in the working folder.
  void MakeDemos(int first, int last) {
    for (int n = first; n <= last; ++n) std::ofstream("kivoapp" + std::to_string(n) + ".dmo") << "x";
  }
  static bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }
};

TEST_F(CommandLineTest, ReadingSkipsTheProgramNameOrAppliesNothing) {
  struct Case {
    std::vector<const char*> args;
    std::vector<std::string> want;
  };
  const Case cases[] = {
      {{"game"}, {}},
      {{"\"game"}, {}},  // the program name's quote never closes
      {{"game", "-play"}, {"-play|"}},
      {{"my game", "-demofile=a b.dmo", "-record"}, {"-demofile|a b.dmo", "-record|"}},
  };
  for (const Case& c : cases) {
    SetCommandLine(c.args);
    RecordingApp a;
    a.mCommandLineRead = false;
    a.ReadCommandLine();
    EXPECT_TRUE(a.mCommandLineRead);
    EXPECT_EQ(a.applied, c.want) << GetCommandLineA();
  }
}

TEST_F(CommandLineTest, SplittingTokens) {
  struct Case {
    const char* text;
    std::vector<std::string> want;
  };
  const Case cases[] = {
      {"   -play", {"-play|"}},
      {"-a=1=2", {"-a|12"}},
      {"-demofile=\"/tmp/my demos/x.dmo\" -play", {"-demofile|/tmp/my demos/x.dmo", "-play|"}},
      {"\"-changedir=/a b\"", {"-changedir|/a b"}},
      {"=value -x", {"-x|"}},
      {"-k=v", {"-k|v"}},
  };
  for (const Case& c : cases) {
    RecordingApp a;
    a.SplitCommandLine(c.text);
    EXPECT_EQ(a.applied, c.want) << c.text;
  }
}

TEST_F(CommandLineTest, UnknownOptionsAreFatalAfterTheOnesBefore) {
  // The recording each line starts is saved when its application goes:
  // into the test's own folder.
  ASSERT_EQ(chdir(folder.c_str()), 0);
  for (const char* text : {"-record -Play -screensaver", "-record -a=1=2 -screensaver"}) {
    StartupApp& a = NewApp();
    bool exited = false;
    try {
      a.SplitCommandLine(text);
    } catch (const ProgramExit& exit) {
      exited = true;
      EXPECT_EQ(exit.code, 0);
    }
    EXPECT_TRUE(exited) << text;
    EXPECT_TRUE(a.mRecording) << "the option before was applied";
    EXPECT_FALSE(a.mScreenSaverMode) << "the option after was never seen";
    app.reset();
  }
  std::string log = Log();
  EXPECT_NE(log.find("title=\"FATAL ERROR\" text=\"Invalid command line parameter: -Play\""), std::string::npos) << log;
  EXPECT_NE(log.find("text=\"Invalid command line parameter: -a\""), std::string::npos) << log;
}

TEST_F(CommandLineTest, DemoFileOptionsAndTheFolderRule) {
  SetUserDataFolder("/data/Kivo/");
  StartupApp& a = NewApp();
  a.ApplyCommandLineParam("-demofile", "x.dmo");
  EXPECT_EQ(a.mDemoFilePath, UserDataFolder() + "x.dmo");
  EXPECT_FALSE(a.mPlaying);
  a.ApplyCommandLineParam("-play", "");
  EXPECT_TRUE(a.mPlaying);
  EXPECT_FALSE(a.mRecording);
  for (const char* kept : {"/tmp/x.dmo", "C:\\demos\\x.dmo", "..\\x.dmo"}) {
    a.ApplyCommandLineParam("-demofile", kept);
    EXPECT_EQ(a.mDemoFilePath, kept);
  }
  a.ApplyCommandLineParam("-demofile", "y");
  EXPECT_EQ(a.mDemoFilePath, UserDataFolder() + "y");
  a.ApplyCommandLineParam("-record", "");
  EXPECT_TRUE(a.mRecording);
  EXPECT_FALSE(a.mPlaying);
  a.ApplyCommandLineParam("-changedir", "/some/where");
  EXPECT_EQ(a.mProgramFolder, "/some/where");
  a.mRecording = false;
}

TEST_F(CommandLineTest, RecordingNumberedKeepsFiveAndTakesTheNext) {
  ASSERT_EQ(chdir(folder.c_str()), 0);
  for (const char* value : {"", "0", "-3"}) {
    SCOPED_TRACE(value);
    for (int n = 1; n <= 9; ++n) std::remove(("kivoapp" + std::to_string(n) + ".dmo").c_str());
    MakeDemos(1, 5);
    StartupApp a;
    a.ApplyCommandLineParam("-recnum", value);
    EXPECT_TRUE(Exists("kivoapp1.dmo")) << "nothing happens before the working folder is final";
    a.PlaceNumberedDemo();
    EXPECT_FALSE(Exists("kivoapp1.dmo"));
    EXPECT_TRUE(Exists("kivoapp2.dmo"));
    EXPECT_EQ(a.mDemoFilePath, "kivoapp6.dmo");
    EXPECT_TRUE(a.mRecording);
    a.mRecording = false;
  }
  // A demo file named later on the line wins over the numbered one.
  StartupApp a;
  a.ApplyCommandLineParam("-recnum", "");
  a.ApplyCommandLineParam("-demofile", "/tmp/x.dmo");
  a.PlaceNumberedDemo();
  EXPECT_EQ(a.mDemoFilePath, "/tmp/x.dmo");
  EXPECT_TRUE(Exists("kivoapp2.dmo"));
  a.mRecording = false;
}

TEST_F(CommandLineTest, PlayingNumberedCountsBackFromTheLatest) {
  ASSERT_EQ(chdir(folder.c_str()), 0);
  MakeDemos(4, 9);
  std::ofstream("kivoapp-2.dmo") << "not numbered";
  std::ofstream("kivoappx.dmo") << "not numbered";
  struct Case {
    const char* value;
    const char* want;
  };
  for (Case c :
       {Case{"", "kivoapp9.dmo"}, Case{"1", "kivoapp9.dmo"}, Case{"3", "kivoapp7.dmo"}, Case{"0", "kivoapp9.dmo"}}) {
    StartupApp a;
    a.ApplyCommandLineParam("-playnum", c.value);
    a.PlaceNumberedDemo();
    EXPECT_EQ(a.mDemoFilePath, c.want) << c.value;
    EXPECT_TRUE(a.mPlaying);
    a.mPlaying = false;
  }
  StartupApp a;
  EXPECT_EQ(a.FindNumberedDemos("kivoapp", 3, false), 9);
  EXPECT_TRUE(Exists("kivoapp4.dmo")) << "no deleting asked";
  EXPECT_EQ(a.FindNumberedDemos("none", 3, true), 0);
}

TEST_F(CommandLineTest, ChangeDirBecomesTheWorkingFolder) {
  std::string target = folder + "/work";
  ASSERT_EQ(mkdir(target.c_str(), 0700), 0);
  SetCommandLine({"game", ("-changedir=" + target).c_str()});
  StartupApp& a = NewApp();
  a.mCommandLineRead = false;
  a.mRegistryKey.clear();
  ASSERT_EQ(InitApp(), -1);
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  EXPECT_EQ(std::string(cwd), target);
}

TEST_F(CommandLineTest, ScreenSaverModeRunsAsASecondInstanceWithTheHiddenPointer) {
  StartupApp& first = NewApp();
  first.mRegistryKey.clear();
  ASSERT_EQ(InitApp(), -1);
  SetCommandLine({"game", "-screensaver"});
  auto second = std::make_unique<StartupApp>();
  second->mProgramFolder = folder;
  second->mCommandLineRead = false;
  second->mRegistryKey.clear();
  try {
    second->Init();
  } catch (const ProgramExit& exit) {
    FAIL() << "a screen saver keeps running beside the first instance; exit " << exit.code;
  }
  EXPECT_TRUE(second->mScreenSaverMode);
  EXPECT_FALSE(second->mSingleInstanceMode);
  EXPECT_EQ(second->mCursorNumber, 11);
  second->mPointerInWindow = true;
  second->RefreshCursor();
  EXPECT_FALSE(Platform::HeadlessCursorVisible());
  second.reset();
}

TEST_F(CommandLineTest, ASecondInstanceWakesTheFirstAndLeaves) {
  StartupApp& first = NewApp();
  first.mRegistryKey.clear();
  ASSERT_EQ(InitApp(), -1);
  StartupApp second;
  second.mProgramFolder = folder;
  second.mRegistryKey.clear();
  int code = -1;
  try {
    second.Init();
  } catch (const ProgramExit& exit) {
    code = exit.code;
  }
  EXPECT_EQ(code, 0);
  EXPECT_EQ(second.mMainWindow.load(), nullptr);
}

}  // namespace
}  // namespace startuptest
