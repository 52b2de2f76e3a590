// The crash boxes' flow against a loopback report server, headless with
// scripted answers, and the upload's request laid out byte for byte.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>

#include "diagnostics/CrashReporter.h"
#include "diagnostics/CrashState.h"
#include "diagnostics/HTTPTransfer.h"
#include "loopback_server.h"
#include "platform/Headless.h"
#include "platform/Prompt.h"
#include "shell/KivoAppBase.h"

namespace {

using namespace Kivo;

// Boxes answer from the script only on the headless backend, which is
// chosen at the first use of the window system.
const bool kHeadless = setenv("GAME_BACKEND", "headless", 1) == 0;

const char kBoundary[] = "---------------------------7d3e1f30eec";

class ReportingApp : public KivoAppBase {
 public:
  ReportingApp() {
    mProductName = "Tester";
    mProductVersion = "9.9";
  }
  void AddCrashReportFields(std::map<std::string, std::string>& fields) override {
    // A slow request build, to let an abort come while it runs.
    if (buildPause.count() > 0) std::this_thread::sleep_for(buildPause);
    fields["zeta"] = "last";
    fields["alpha"] = "first";
  }
  std::chrono::milliseconds buildPause{0};
};

std::string Part(const std::string& name, const std::string& value) {
  return std::string("--") + kBoundary + "\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n" + value +
         "\r\n";
}

std::string ExpectedRequest(const std::string& host, const std::string& body) {
  return std::string("POST /crash_report.php HTTP/1.1\r\n") +
         "Content-Type: multipart/form-data; boundary=" + kBoundary + "\r\n" +
         "User-Agent: Mozilla/4.0 (compatible; tolvik)\r\n" + "Host: " + host + "\r\n" +
         "Content-Length: " + std::to_string(body.size()) + "\r\n" + "Connection: close\r\n\r\n" + body;
}

class CrashUploadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(kHeadless);
    char pattern[] = "/tmp/crashuploadXXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder = pattern;
    logPath = folder + "/log.txt";
    setenv("GAME_LOG", logPath.c_str(), 1);
    app = std::make_unique<ReportingApp>();
    gCrashWindowDone = false;
    gAttachDemoFile = false;
    gCrashDemoFile.clear();
    gCrashUserText.clear();
    Platform::ClearPromptAnswers();
  }
  void TearDown() override {
    // The crash state is the process's own: what a test set is put back to
    // the start-up values, for whatever test comes next.
    gCrashUploadTransfer.Clear();
    gCrashReportHost.clear();
    gCrashReportTitle.clear();
    gCrashReportText.clear();
    gCrashUserText.clear();
    gCrashDemoFile.clear();
    gAttachDemoFile = false;
    gCrashDebugChosen = false;
    gCrashWindowDone = false;
    app.reset();
    unsetenv("GAME_LOG");
    std::string command = "rm -rf '" + folder + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
  }
  void Script(const std::string& text) {
    std::vector<std::string> errors;
    Platform::SetInputScript(text, &errors);
    ASSERT_TRUE(errors.empty());
  }
  std::string Log() {
    std::ifstream in(logPath, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  std::string folder;
  std::string logPath;
  std::unique_ptr<ReportingApp> app;
};

TEST_F(CrashUploadTest, RequestAndFormAreLaidOutExactly) {
  gCrashReportHost = "reports.example:8080/ignored";
  gCrashUserText = "it broke";
  gCrashReportTitle = "Exception at 0002:00000010";
  gCrashReportText = "Exception: ...\r\nModule: game\r\n";
  std::string body = Part("alpha", "first") + Part("zeta", "last") + Part("prod", "Tester") + Part("version", "9.9") +
                     Part("usertext", "it broke") + Part("errortitle", "Exception at 0002:00000010") +
                     Part("errortext", "Exception: ...\r\nModule: game\r\n") + "--" + kBoundary + "--\r\n";
  EXPECT_EQ(CrashReporter::BuildUploadRequest(), ExpectedRequest(gCrashReportHost, body));

  // With a demo attached: its raw bytes (a NUL among them) as a file part.
  std::string demoPath = folder + "/run.dmo";
  std::string demoBytes("DM\0\x01\xFF", 5);
  std::ofstream(demoPath, std::ios::binary) << demoBytes;
  gCrashDemoFile = demoPath;
  gAttachDemoFile = true;
  std::string withDemo = body.substr(0, body.size() - (std::string(kBoundary).size() + 6)) + "--" + kBoundary +
                         "\r\nContent-Disposition: form-data; name=\"demofile\"; filename=\"tolvik.dmo\"\r\n"
                         "Content-Type: application/octet-stream\r\n\r\n" +
                         demoBytes + "\r\n--" + kBoundary + "--\r\n";
  EXPECT_EQ(CrashReporter::BuildUploadRequest(), ExpectedRequest(gCrashReportHost, withDemo));

  // A demo that cannot be read is sent as an empty part.
  gCrashDemoFile = folder + "/missing.dmo";
  std::string request = CrashReporter::BuildUploadRequest();
  EXPECT_NE(request.find("filename=\"tolvik.dmo\"\r\nContent-Type: application/octet-stream\r\n\r\n\r\n--"),
            std::string::npos);
}

TEST_F(CrashUploadTest, SendReportThenDetailsThenTheFormArrives) {
  loopback::Server server({{{"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"}, 0, false}});
  gCrashReportHost = "127.0.0.1:" + std::to_string(server.Port());
  Script("0 dialog press Send Report\n0 dialog type it broke\n0 dialog press Continue\n0 dialog wait\n");
  CrashReporter::ShowCrashWindow("Exception at 0002:00000010", "Exception: test\r\nModule: probe\r\n");
  EXPECT_TRUE(gCrashWindowDone);
  EXPECT_EQ(gCrashUploadTransfer.PollResult(), TRANSFER_COMPLETE);
  ASSERT_EQ(server.Requests().size(), 1u);
  std::string request = server.Requests()[0];
  EXPECT_EQ(request, CrashReporter::BuildUploadRequest());
  EXPECT_NE(request.find(Part("usertext", "it broke")), std::string::npos);
  std::string log = Log();
  // Every control of the three windows, with its text, place and size.
  const char* lines[] = {
      "Dialog title=\"Fatal Error!\" at 64,64 size 400x300",
      "Dialog \"Fatal Error!\" text id=1 at 8,8 size 384x84 text=\"An unexpected error has occured!",
      "Dialog \"Fatal Error!\" scrolltext id=2 at 8,92 size 384x168 text=\"Exception: test\\r\\nModule: probe\\r\\n\"",
      "Dialog \"Fatal Error!\" button id=3 at 8,268 size 188x24 default text=\"Send Report\"",
      "Dialog \"Fatal Error!\" button id=4 at 204,268 size 188x24 cancel text=\"Close Now\"",
      "Dialog \"Fatal Error!\" press -> \"Send Report\"",
      "Dialog title=\"Error Details\" at 80,80 size 400x300",
      "Dialog \"Error Details\" edit id=2 at 8,92 size 384x168 multiline text=\"\"",
      "Dialog \"Error Details\" button id=3 at 8,268 size 188x24 default text=\"Continue\"",
      "Dialog \"Error Details\" button id=4 at 204,268 size 188x24 cancel text=\"Abort\"",
      "Dialog \"Error Details\" typed \"it broke\"",
      "Dialog title=\"Submitting Report\" at 64,64 size 240x64",
      "Dialog \"Submitting Report\" progress id=1 at 24,10 size 224x24 text=\"Please Wait",
      "Dialog \"Submitting Report\" button id=4 at 72,36 size 96x22 default cancel text=\"Abort\"",
      "Dialog \"Submitting Report\" ended -> 3",
  };
  size_t at = 0;
  for (const char* line : lines) {
    size_t found = log.find(line, at);
    ASSERT_NE(found, std::string::npos) << line << "\n" << log;
    at = found;
  }
}

TEST_F(CrashUploadTest, FailedSendOffersRetryUntilCancelled) {
  struct Case {
    const char* boxes;  // the retry box's answers
    size_t requests;
  } cases[] = {{"0 msgbox 4\n0 msgbox 2\n", 2}, {"", 1}};  // Retry then Cancel; nobody there: Cancel
  for (const Case& c : cases) {
    SCOPED_TRACE(c.boxes);
    gCrashWindowDone = false;
    loopback::Server server({{{"HTTP/1.1 404 Not Found\r\n\r\n"}, 0, false}});
    gCrashReportHost = "127.0.0.1:" + std::to_string(server.Port());
    Script(std::string("0 dialog press Send Report\n0 dialog press Continue\n0 dialog wait\n") + c.boxes);
    CrashReporter::ShowCrashWindow("t", "r\r\n");
    EXPECT_TRUE(gCrashWindowDone);
    EXPECT_EQ(server.Requests().size(), c.requests);
    EXPECT_TRUE(gCrashUserText.empty());  // nothing typed: sent empty
    EXPECT_NE(server.Requests()[0].find(Part("usertext", "")), std::string::npos);
    EXPECT_NE(Log().find("title=\"Connection Failed\" text=\"Failed to connect to server.\""), std::string::npos);
    // The result was cleared before the box: the transfer is idle again.
    EXPECT_EQ(gCrashUploadTransfer.PollResult(), TRANSFER_IDLE);
  }
}

TEST_F(CrashUploadTest, AbortInDetailsSendsNothing) {
  loopback::Server server({{{"HTTP/1.1 200 OK\r\n\r\n"}, 0, false}});
  gCrashReportHost = "127.0.0.1:" + std::to_string(server.Port());
  Script("0 dialog press Send Report\n0 dialog press Abort\n");
  CrashReporter::ShowCrashWindow("t", "r\r\n");
  EXPECT_TRUE(gCrashWindowDone);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(server.Accepted(), 0);
}

TEST_F(CrashUploadTest, WithoutAServerOnlyCloseNowIsOffered) {
  Script("");
  CrashReporter::ShowCrashWindow("t", "r\r\n");
  EXPECT_TRUE(gCrashWindowDone);
  std::string log = Log();
  EXPECT_NE(log.find("Dialog \"Fatal Error!\" button id=4 at 8,268 size 384x24 default cancel text=\"Close Now\""),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find("Send Report"), std::string::npos);
  EXPECT_NE(log.find("Dialog \"Fatal Error!\" unanswered -> \"Close Now\""), std::string::npos);
}

TEST_F(CrashUploadTest, WithoutAnApplicationSendingIsGreyed) {
  loopback::Server server({{{"HTTP/1.1 200 OK\r\n\r\n"}, 0, false}});
  gCrashReportHost = "127.0.0.1:" + std::to_string(server.Port());
  app.reset();
  Script("0 dialog press Send Report\n");
  CrashReporter::ShowCrashWindow("t", "r\r\n");
  EXPECT_TRUE(gCrashWindowDone);
  std::string log = Log();
  EXPECT_NE(log.find("button id=3 at 8,268 size 188x24 disabled text=\"Send Report\""), std::string::npos) << log;
  EXPECT_NE(log.find("button id=4 at 204,268 size 188x24 default cancel text=\"Close Now\""), std::string::npos);
  EXPECT_NE(log.find("\"Send Report\" is disabled; ignored"), std::string::npos);
  EXPECT_EQ(server.Accepted(), 0);
}

// Runs the windows on a thread of their own, failing (and ending the test
// program) if they have not returned within a minute: a wait that never
// ends must not hang the suite.
void RunBounded(const std::function<void()>& flow) {
  std::atomic<bool> done{false};
  std::thread runner([&] {
    flow();
    done = true;
  });
  for (int i = 0; i < 6000 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (!done) {
    ADD_FAILURE() << "the crash windows did not return";
    std::_Exit(1);
  }
  runner.join();
}

TEST_F(CrashUploadTest, AbortDuringAStalledUploadEndsTheWait) {
  // The server takes the request and never answers.
  loopback::Server server({{{}, 0, true}});
  gCrashReportHost = "127.0.0.1:" + std::to_string(server.Port());
  Script("0 dialog press Send Report\n0 dialog press Continue\n0 dialog wait 300\n0 dialog press Abort\n");
  RunBounded([] { CrashReporter::ShowCrashWindow("t", "r\r\n"); });
  EXPECT_TRUE(gCrashWindowDone);
  EXPECT_NE(Log().find("Dialog \"Submitting Report\" press -> \"Abort\""), std::string::npos);
  gCrashUploadTransfer.WaitUntilDone();
  EXPECT_EQ(gCrashUploadTransfer.PollResult(), TRANSFER_CANCELLED);
  server.Stop();
}

// An abort while the upload thread still builds its request is not lost:
// the request never starts.
TEST_F(CrashUploadTest, AbortWhileTheRequestIsBuiltStartsNothing) {
  loopback::Server server({{{"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"}, 0, false}});
  gCrashReportHost = "127.0.0.1:" + std::to_string(server.Port());
  app->buildPause = std::chrono::milliseconds(300);
  Script("0 dialog press Send Report\n0 dialog press Continue\n0 dialog press Abort\n");
  RunBounded([] { CrashReporter::ShowCrashWindow("t", "r\r\n"); });
  EXPECT_TRUE(gCrashWindowDone);
  EXPECT_FALSE(gCrashUploadTransfer.Running());
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(server.Accepted(), 0);
}

}  // namespace
