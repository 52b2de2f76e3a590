// The game executable seen from outside, headless, with its own per-user
// folders: exit codes, the settings it leaves, and its answers to a bad
// option, missing DirectX, a second instance and the end signals.
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

#include "tests/shell/startup_support.h"

namespace startuptest {
namespace {

#ifdef KIVO_GAME_EXE

class GameTest : public StartupFixture {
 protected:
  void SetUp() override {
    StartupFixture::SetUp();
    // The children's lock files and sockets live under GAME_HOME, apart
    // from any other game running on this machine.
    unsetenv("XDG_RUNTIME_DIR");
    home = folder + "/home";
    ASSERT_EQ(mkdir(home.c_str(), 0700), 0);
    setenv("GAME_HOME", home.c_str(), 1);
  }

  std::string Command(const std::string& args, const std::string& script, const std::string& extraEnv,
                      const std::string& output, bool limited = true) {
    std::string scriptPath = folder + "/script" + std::to_string(++scripts) + ".txt";
    std::ofstream(scriptPath) << script;
    // The framework's own start-up and settings are under test: the scene
    // viewer runs the framework's application, without the game's profiles
    // choosing the volumes and the screen mode.
    return "env -u GAME_LOG -u XDG_RUNTIME_DIR GAME_SCENE=mnEngineDemo GAME_HOME='" + home +
           "' GAME_BACKEND=headless GAME_INPUT_SCRIPT='" + scriptPath + "' " + extraEnv +
           (limited ? " timeout 120 '" : " '") + KIVO_GAME_EXE + "' " + args + " > '" + output + "' 2>&1";
  }
  // Runs the game to its end; its exit code.
  int Run(const std::string& args, const std::string& script = "100 close\n", const std::string& extraEnv = "") {
    output = folder + "/out" + std::to_string(scripts + 1) + ".txt";
    int status = std::system(Command(args, script, extraEnv, output).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  // Starts the game in the background until it holds its instance lock; its
  // pid. A shell around it writes its exit code to rcFile.
  pid_t Launch(const std::string& logName) {
    std::string pidFile = folder + "/pid";
    rcFile = folder + "/" + logName + ".rc";
    // Ends by itself after 10 minutes of its clock (well under a minute
    // here) should the test not end it.
    std::string inner =
        Command("", "600000 close\n", "", folder + "/" + logName, false) + "; echo $? > '" + rcFile + "'";
    std::string command = "sh -c \"" + Escape(inner) + "\" & echo $! > '" + pidFile + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    pid_t shell = 0;
    std::ifstream(pidFile) >> shell;
    pid_t game = 0;
    std::string children = "/proc/" + std::to_string(shell) + "/task/" + std::to_string(shell) + "/children";
    // The waits below bound only a hang: a loaded machine may take seconds
    // to start a sanitized game.
    for (int i = 0; i < 3000 && game == 0; ++i) {
      std::ifstream(children) >> game;
      if (game == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // The scene shown means the window and its pump run: a wake-up sent
    // before the window exists would find nobody to come forward.
    for (int i = 0; i < 2400 && Output(folder + "/" + logName).find("shown with") == std::string::npos; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    return game;
  }
  static std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
      if (c == '"' || c == '$' || c == '\\' || c == '`') out += '\\';
      out += c;
    }
    return out;
  }
  static void Signal(pid_t pid, int signal) { kill(pid, signal); }
  // The exit code the wrapper shell saw (128 + n for a signal), -1 on timeout.
  int WaitExit() {
    for (int i = 0; i < 2400; ++i) {
      int code = -1;
      std::ifstream in(rcFile);
      if (in >> code) return code;
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return -1;
  }
  std::string Output(const std::string& path) const {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  int32_t Value(const std::string& name) {
    int32_t value = -999;
    ReadDword(name, &value, "SOFTWARE\\KivoGame");
    return value;
  }

  std::string home;
  std::string output;
  std::string rcFile;
  int scripts = 0;
};

TEST_F(GameTest, AnUnknownOptionIsFatalWithCodeZeroAndSavesNothing) {
  EXPECT_EQ(Run("-Play"), 0);
  std::string out = Output(output);
  EXPECT_NE(out.find("title=\"FATAL ERROR\" text=\"Invalid command line parameter: -Play\""), std::string::npos) << out;
  EXPECT_EQ(Value("InProgress"), 1);
  EXPECT_EQ(Value("MusicVolume"), -999) << "nothing saved";
}

TEST_F(GameTest, ARunClosedByScriptSavesTheNineValuesAndEditsSurvive) {
  ASSERT_EQ(Run(""), 0) << Output(output);
  EXPECT_EQ(Value("MusicVolume"), 85);
  EXPECT_EQ(Value("SfxVolume"), 85);
  EXPECT_EQ(Value("Muted"), 0);
  EXPECT_EQ(Value("ScreenMode"), 0);
  EXPECT_GE(Value("PreferredX"), 0) << "where the window opened";
  EXPECT_GE(Value("PreferredY"), 0);
  EXPECT_EQ(Value("CustomCursors"), 0);
  EXPECT_EQ(Value("InProgress"), 0);
  EXPECT_EQ(Value("WaitForVSync"), 0);

  const std::string key = "SOFTWARE\\KivoGame";
  WriteDword("MusicVolume", 40, key);
  WriteDword("SfxVolume", 29, key);
  WriteDword("Muted", 1, key);
  WriteDword("PreferredX", 100, key);
  WriteDword("PreferredY", 120, key);
  WriteDword("WaitForVSync", 1, key);
  ASSERT_EQ(Run(""), 0) << Output(output);
  EXPECT_EQ(Value("MusicVolume"), 40);
  EXPECT_EQ(Value("SfxVolume"), 29);
  EXPECT_EQ(Value("Muted"), 1);
  EXPECT_EQ(Value("PreferredX"), 100);
  EXPECT_EQ(Value("PreferredY"), 120);
  EXPECT_EQ(Value("WaitForVSync"), 1);
  EXPECT_EQ(Value("InProgress"), 0);
}

// The game makes its own folder the working folder at start; relative
// harness paths still name places in the folder it was started from, and
// the whole log lands in one file.
TEST_F(GameTest, RelativeHarnessPathsNameTheStartingFolder) {
  std::string start = folder + "/start";
  ASSERT_EQ(mkdir(start.c_str(), 0700), 0);
  std::ofstream(start + "/script.txt") << "100 close\n";
  std::string command = "cd '" + start +
                        "' && env -u XDG_RUNTIME_DIR GAME_SCENE=mnEngineDemo GAME_BACKEND=headless GAME_HOME=home "
                        "GAME_LOG=game.log GAME_FRAME_OUT=frame.png GAME_INPUT_SCRIPT=script.txt timeout 120 '" +
                        std::string(KIVO_GAME_EXE) + "' > out.txt 2>&1";
  int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << Output(start + "/out.txt");
  std::string log = Output(start + "/game.log");
  EXPECT_NE(log.find("backend headless"), std::string::npos) << "the first line: " << log;
  EXPECT_NE(log.find("scene viewer: scene \"mnEngineDemo\" shown"), std::string::npos) << "a line from after the move";
  EXPECT_TRUE(std::ifstream(start + "/frame.png").good());
  EXPECT_EQ(access((start + "/home/config/registry").c_str(), F_OK), 0) << "the settings went to the relative home";
  const std::string programFolder = std::string(KIVO_GAME_EXE).substr(0, std::string(KIVO_GAME_EXE).rfind('/'));
  EXPECT_NE(access((programFolder + "/home").c_str(), F_OK), 0) << "nothing in the program's folder";
}

TEST_F(GameTest, MissingDirectXIsReportedWithCodeZero) {
  EXPECT_EQ(Run("", "100 close\n", "GAME_NO_DIRECTX=1"), 0);
  EXPECT_NE(Output(output).find("title=\"You need DirectX\""), std::string::npos) << Output(output);
}

TEST_F(GameTest, ASecondInstanceWakesTheFirstAndTheEndSignalSaves) {
  pid_t first = Launch("first.txt");
  ASSERT_GT(first, 0);
  EXPECT_EQ(Value("InProgress"), 1);
  EXPECT_EQ(Run(""), 0) << Output(output);
  std::string log;
  for (int i = 0; i < 2400; ++i) {
    log = Output(folder + "/first.txt");
    if (log.find("another instance asked") != std::string::npos) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  EXPECT_NE(log.find("another instance asked this one to come forward"), std::string::npos) << log;
  Signal(first, SIGTERM);
  ASSERT_EQ(WaitExit(), 0);
  EXPECT_EQ(Value("InProgress"), 0) << Output(folder + "/first.txt");
}

TEST_F(GameTest, AKilledRunLeavesInProgress) {
  pid_t first = Launch("killed.txt");
  ASSERT_GT(first, 0);
  Signal(first, SIGKILL);
  ASSERT_EQ(WaitExit(), 128 + SIGKILL);
  EXPECT_EQ(Value("InProgress"), 1);
}

#endif

}  // namespace
}  // namespace startuptest
