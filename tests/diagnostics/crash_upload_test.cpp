// The crash boxes' flow against a loopback report server, headless with
// scripted answers, and the upload's request laid out byte for byte.
#include <gtest/gtest.h>

#include <cstdio>
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
    fields["zeta"] = "last";
    fields["alpha"] = "first";
  }
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
  // "Send Report", then "Continue" with the text typed into the details.
  Script("0 msgbox 1\n0 msgbox 1\n0 prompt text it broke\n");
  CrashReporter::ShowCrashWindow("Exception at 0002:00000010", "Exception: test\r\n");
  EXPECT_TRUE(gCrashWindowDone);
  EXPECT_EQ(gCrashUploadTransfer.PollResult(), TRANSFER_COMPLETE);
  ASSERT_EQ(server.Requests().size(), 1u);
  std::string request = server.Requests()[0];
  EXPECT_EQ(request, CrashReporter::BuildUploadRequest());
  EXPECT_NE(request.find(Part("usertext", "it broke")), std::string::npos);
  std::string log = Log();
  EXPECT_NE(log.find("Fatal Error!: \"Send Report\" x 8 width 188; \"Close Now\" x 204 width 188;"), std::string::npos)
      << log;
  EXPECT_NE(log.find("ChoiceBox title=\"Error Details\" buttons=[Continue|Abort]"), std::string::npos);
  EXPECT_NE(log.find("Submitting Report: Please Wait"), std::string::npos);
}

TEST_F(CrashUploadTest, FailedSendOffersRetryUntilCancelled) {
  loopback::Server server({{{"HTTP/1.1 404 Not Found\r\n\r\n"}, 0, false}});
  gCrashReportHost = "127.0.0.1:" + std::to_string(server.Port());
  // "Send Report", "Continue", then Retry (4) once and Cancel (2).
  Script("0 msgbox 1\n0 msgbox 1\n0 msgbox 4\n0 msgbox 2\n");
  CrashReporter::ShowCrashWindow("t", "r\r\n");
  EXPECT_TRUE(gCrashWindowDone);
  EXPECT_EQ(server.Requests().size(), 2u);
  EXPECT_TRUE(gCrashUserText.empty());  // no typed answer: sent empty
  std::string log = Log();
  size_t first = log.find("title=\"Connection Failed\" text=\"Failed to connect to server.\"");
  ASSERT_NE(first, std::string::npos) << log;
  EXPECT_NE(log.find("title=\"Connection Failed\"", first + 1), std::string::npos);
  // The result was cleared before the box: the transfer is idle again.
  EXPECT_EQ(gCrashUploadTransfer.PollResult(), TRANSFER_IDLE);
}

TEST_F(CrashUploadTest, AbortInDetailsSendsNothing) {
  loopback::Server server({{{"HTTP/1.1 200 OK\r\n\r\n"}, 0, false}});
  gCrashReportHost = "127.0.0.1:" + std::to_string(server.Port());
  Script("0 msgbox 1\n0 msgbox 2\n");  // "Send Report", then "Abort"
  CrashReporter::ShowCrashWindow("t", "r\r\n");
  EXPECT_TRUE(gCrashWindowDone);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(server.Accepted(), 0);
}

TEST_F(CrashUploadTest, WithoutAServerOnlyCloseNowIsOffered) {
  Script("");
  CrashReporter::ShowCrashWindow("t", "r\r\n");
  EXPECT_TRUE(gCrashWindowDone);
  EXPECT_NE(Log().find("Fatal Error!: \"Close Now\" x 8 width 384;"), std::string::npos);
}

}  // namespace
