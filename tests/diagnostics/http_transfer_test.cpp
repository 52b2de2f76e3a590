// The HTTP client against a loopback server: URL splitting, status codes,
// bodies by length, chunks and close, cancel, and its demo journal.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "diagnostics/HTTPTransfer.h"
#include "loopback_server.h"
#include "shell/Demo.h"
#include "shell/KivoAppBase.h"

namespace {

using namespace Kivo;
using Clock = std::chrono::steady_clock;

// Polls until the result is final; TRANSFER_RUNNING after the time limit,
// which only a hang reaches.
int WaitForResult(HTTPTransfer& transfer, int limitMs = 30000) {
  auto until = Clock::now() + std::chrono::milliseconds(limitMs);
  int result = transfer.PollResult();
  while ((result == TRANSFER_RUNNING || result == TRANSFER_IDLE) && Clock::now() < until) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    result = transfer.PollResult();
  }
  return result;
}

const char kGet[] = "GET / HTTP/1.1\r\nHost: test\r\nConnection: close\r\n\r\n";

TEST(HTTPTransferUrl, SplitsHostPortPathAndScheme) {
  struct Case {
    const char* url;
    const char* scheme;
    const char* host;
    int port;
    const char* path;
  } cases[] = {
      {"host", "", "host", 80, "/"},
      {"host:8080/x", "", "host", 8080, "/x"},
      {"http://h:81/p", "http", "h", 81, "/p"},
      {"http://h/a/b?c", "http", "h", 80, "/a/b?c"},
  };
  HTTPTransfer transfer;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    transfer.SplitUrl(c.url);
    EXPECT_EQ(transfer.Scheme(), c.scheme);
    EXPECT_EQ(transfer.Host(), c.host);
    EXPECT_EQ(transfer.Port(), c.port);
    EXPECT_EQ(transfer.Path(), c.path);
    EXPECT_EQ(transfer.PollResult(), TRANSFER_RUNNING);
  }
}

TEST(HTTPTransferUrl, IdsComeFromOneCounterTwoStepsPerRequest) {
  // Construction takes one id, the reset inside the split another, the split
  // a third: the process's first request (gCrashUploadTransfer's) carries 3.
  uint32_t next = HTTPTransfer::TakeTransferId() + 1;
  HTTPTransfer transfer;
  EXPECT_EQ(transfer.Id(), next);
  EXPECT_EQ(transfer.PollResult(), TRANSFER_IDLE);
  transfer.SplitUrl("host");
  EXPECT_EQ(transfer.Id(), next + 2);
  transfer.Clear();
  EXPECT_EQ(transfer.Id(), next + 3);
  EXPECT_EQ(transfer.PollResult(), TRANSFER_IDLE);
}

TEST(HTTPTransferChunks, SizeLines) {
  struct Case {
    const char* line;
    bool ok;
    int size;
    bool tooLarge;
  } cases[] = {
      {"5", true, 5, false},        {" 1a \t", true, 26, false},   {"7FFFFFFF", true, 0x7FFFFFFF, false},
      {"80000000", false, 0, true}, {"FFFFFFFFF", false, 0, true}, {"", false, 0, false},
      {"5;ext=1", false, 0, false}, {"-5", false, 0, false},       {"0x5", false, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    int size = -1;
    bool tooLarge = false;
    EXPECT_EQ(ParseChunkSize(c.line, &size, &tooLarge), c.ok);
    if (c.ok) {
      EXPECT_EQ(size, c.size);
    }
    EXPECT_EQ(tooLarge, c.tooLarge);
  }
}

struct ResponseCase {
  const char* name;
  loopback::Reply reply;
  int result;
  const char* content;
};

TEST(HTTPTransferResponses, AgainstALoopbackServer) {
  const std::string ok = "HTTP/1.1 200 OK\r\n";
  const std::string chunkedHead = ok + "Transfer-Encoding: chunked\r\n\r\n";
  ResponseCase cases[] = {
      // The server holds the connection: completion must not wait for a close.
      {"length 5", {{ok + "Content-Length: 5\r\n\r\nhello"}, 0, true}, TRANSFER_COMPLETE, "hello"},
      {"length in pieces", {{ok + "Content-Length: 5\r\n\r\nhe", "llo"}, 30, true}, TRANSFER_COMPLETE, "hello"},
      {"chunked", {{chunkedHead + "5\r\nhello\r\n0\r\n\r\n"}, 0, true}, TRANSFER_COMPLETE, "hello"},
      {"gzip read as chunked",
       {{ok + "Transfer-Encoding: gzip\r\n\r\n5\r\nhello\r\n0\r\n\r\n"}, 0, true},
       TRANSFER_COMPLETE,
       "hello"},
      {"identity is not chunked",
       {{ok + "Transfer-Encoding: identity\r\nContent-Length: 3\r\n\r\nabc"}, 0, true},
       TRANSFER_COMPLETE,
       "abc"},
      {"chunk's closing CR LF in later receives",
       {{chunkedHead + "5\r\nhello", "\r", "\n3\r\nabc", "\r\n0\r\n\r\n"}, 40, true},
       TRANSFER_COMPLETE,
       "helloabc"},
      {"chunk split inside its bytes",
       {{chunkedHead + "8\r\nhel", "loab", "c\r\n0\r\n\r\n"}, 40, true},
       TRANSFER_COMPLETE,
       "helloabc"},
      {"length 0 reads to the close",
       {{ok + "Content-Length: 0\r\n\r\nab", "cd"}, 30, false},
       TRANSFER_COMPLETE,
       "abcd"},
      {"no length reads to the close", {{ok + "\r\nxyz"}, 0, false}, TRANSFER_COMPLETE, "xyz"},
      {"early close keeps what came", {{ok + "Content-Length: 10\r\n\r\nabc"}, 0, false}, TRANSFER_COMPLETE, "abc"},
      {"301", {{"HTTP/1.1 301 Moved\r\nContent-Length: 0\r\n\r\n"}, 0, true}, TRANSFER_BAD_STATUS, ""},
      {"404", {{"HTTP/1.1 404 Not Found\r\nContent-Length: 3\r\n\r\nabc"}, 0, true}, TRANSFER_NOT_FOUND, ""},
      {"status line without a code", {{"HTTP/1.1\r\n\r\n"}, 0, true}, TRANSFER_BAD_STATUS, ""},
      {"status line one short", {{"HTTP/1.1 20\r\n\r\n"}, 0, true}, TRANSFER_BAD_STATUS, ""},
      {"chunk size above 2^31 - 1", {{chunkedHead + "FFFFFFFFF\r\nhello\r\n"}, 0, true}, TRANSFER_BAD_STATUS, ""},
      {"unreadable chunk size ends the body",
       {{chunkedHead + "3\r\nabc\r\nzz\r\nhello\r\n"}, 0, true},
       TRANSFER_COMPLETE,
       "abc"},
  };
  for (const ResponseCase& c : cases) {
    SCOPED_TRACE(c.name);
    loopback::Server server({c.reply});
    HTTPTransfer transfer;
    transfer.StartRequest(server.Url("/x"), kGet);
    EXPECT_EQ(WaitForResult(transfer), c.result);
    EXPECT_EQ(transfer.Content(), c.content);
    transfer.Clear();
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0], kGet);
  }
}

TEST(HTTPTransferFailures, ClosedPortUnknownHostAndCancel) {
  {
    HTTPTransfer transfer;
    transfer.StartRequest("127.0.0.1:" + std::to_string(loopback::Server::ClosedPort()), kGet);
    EXPECT_EQ(WaitForResult(transfer), TRANSFER_CONNECT_FAILED);
  }
  {
    Platform::SetHostResolver([](const std::string&, uint32_t*) { return false; });
    HTTPTransfer transfer;
    transfer.StartRequest("http://no.such.host:81/x", kGet);
    EXPECT_EQ(WaitForResult(transfer), TRANSFER_HOST_UNKNOWN);
    Platform::SetHostResolver(nullptr);
  }
  {
    // A name the seam places on the loopback reaches the server.
    loopback::Server server({{{"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"}, 0, true}});
    Platform::SetHostResolver([](const std::string& host, uint32_t* address) {
      *address = htonl(INADDR_LOOPBACK);
      return host == "reports.test";
    });
    HTTPTransfer transfer;
    transfer.StartRequest("reports.test:" + std::to_string(server.Port()), kGet);
    EXPECT_EQ(WaitForResult(transfer), TRANSFER_COMPLETE);
    EXPECT_EQ(transfer.Content(), "ok");
    Platform::SetHostResolver(nullptr);
  }
  {
    loopback::Server server({{{"HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\nabc"}, 0, true}});
    HTTPTransfer transfer;
    transfer.StartRequest(server.Url(), kGet);
    while (server.Requests().empty()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(transfer.PollResult(), TRANSFER_RUNNING);
    transfer.Cancel();
    // The server holds the reply for ever: only the cancel ends the wait.
    EXPECT_EQ(WaitForResult(transfer), TRANSFER_CANCELLED);
  }
}

TEST(HTTPTransferFailures, DestructorWaitsForTheWorker) {
  loopback::Server server({{{"HTTP/1.1 200 OK\r\n"}, 0, true}});
  auto transfer = std::make_unique<HTTPTransfer>();
  transfer->StartRequest(server.Url(), kGet);
  while (server.Requests().empty()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_TRUE(transfer->Running());
  // The worker is stalled in its receive loop; freeing the object under it
  // would show up as a use after free.
  transfer.reset();
  server.Stop();
}

// A bare application object: the transfer reads only its demo state.
class JournalTest : public ::testing::Test {
 protected:
  void SetUp() override { app = std::make_unique<KivoAppBase>(); }
  void TearDown() override {
    app->mRecording = false;
    app->mPlaying = false;
    app.reset();
  }
  std::unique_ptr<KivoAppBase> app;
};

TEST_F(JournalTest, RecordingWritesEachResultChange) {
  // The body comes a while after the head, so the first poll sees the
  // transfer running however fast the worker is.
  loopback::Server server({{{"HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n", "hello"}, 200, true}});
  app->mRecording = true;
  app->mUpdateCount = 3;
  HTTPTransfer transfer;
  transfer.StartRequest(server.Url(), kGet);
  ASSERT_EQ(WaitForResult(transfer), TRANSFER_COMPLETE);
  transfer.PollResult();  // no change: nothing more is written
  Buffer& bits = app->mDemoBuffer;
  bits.Rewind();
  for (int expected : {TRANSFER_RUNNING, TRANSFER_COMPLETE}) {
    SCOPED_TRACE(expected);
    EXPECT_EQ(bits.TakeBits(4), expected == TRANSFER_RUNNING ? 3u : 0u);
    EXPECT_EQ(bits.TakeBits(1), 0u);
    EXPECT_EQ(bits.TakeBits(5), static_cast<uint32_t>(kDemoHttpResult));
    EXPECT_EQ(bits.TakeU32(), transfer.Id());
    EXPECT_EQ(bits.TakeByte(), expected);
    EXPECT_EQ(bits.TakeText(), expected == TRANSFER_RUNNING ? "" : "hello");
  }
  EXPECT_TRUE(bits.Exhausted());
}

TEST_F(JournalTest, PlaybackTakesDueRecordsOfItsOwnIdAndOpensNoSocket) {
  loopback::Server server({{{"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nno"}, 0, false}});
  app->mPlaying = true;
  HTTPTransfer first;
  first.StartRequest(server.Url(), kGet);
  uint32_t firstId = first.Id();
  // The second transfer's request will carry the id three takes later.
  uint32_t secondId = firstId + 3;
  Buffer& journal = app->mDemoBuffer;
  auto put = [&](int delta, uint32_t id, int result, const std::string& text) {
    journal.PutBits(static_cast<uint32_t>(delta), 4);
    journal.PutBits(0, 1);
    journal.PutBits(kDemoHttpResult, 5);
    journal.PutU32(id);
    journal.PutByte(static_cast<uint8_t>(result));
    journal.PutText(text);
  };
  put(2, secondId, TRANSFER_NOT_FOUND, "");
  put(1, firstId, TRANSFER_COMPLETE, "hello");
  journal.Rewind();
  app->mHeaderNeeded = true;
  app->mLastEventUpdate = 0;
  app->mUpdateCount = 0;

  EXPECT_EQ(first.PollResult(), TRANSFER_RUNNING);  // nothing due yet
  app->mUpdateCount = 2;
  EXPECT_EQ(first.PollResult(), TRANSFER_RUNNING);  // due, but another transfer's
  HTTPTransfer second;
  second.StartRequest(server.Url(), kGet);
  ASSERT_EQ(second.Id(), secondId);
  EXPECT_EQ(second.PollResult(), TRANSFER_NOT_FOUND);
  app->mUpdateCount = 3;
  EXPECT_EQ(first.PollResult(), TRANSFER_COMPLETE);
  EXPECT_EQ(first.Content(), "hello");
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(server.Accepted(), 0);
}

// The main loop's replay leaves a due transfer result to the transfer.
TEST_F(JournalTest, ReplayLeavesTransferResultsToTheirTransfer) {
  loopback::Server server({{{"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nno"}, 0, false}});
  app->mPlaying = true;
  HTTPTransfer transfer;
  transfer.StartRequest(server.Url(), kGet);
  Buffer& journal = app->mDemoBuffer;
  journal.PutBits(0, 4);  // due at once
  journal.PutBits(0, 1);
  journal.PutBits(kDemoHttpResult, 5);
  journal.PutU32(transfer.Id());
  journal.PutByte(TRANSFER_COMPLETE);
  journal.PutText("hello");
  journal.Rewind();
  app->mHeaderNeeded = true;
  app->mLastEventUpdate = 0;
  app->mUpdateCount = 0;
  app->ReplayDemoEvents();
  EXPECT_EQ(transfer.PollResult(), TRANSFER_COMPLETE);
  EXPECT_EQ(transfer.Content(), "hello");
}

// A result whose text runs past the journal ends the playback with the
// damaged-demo error instead of reading beyond it.
TEST_F(JournalTest, ADamagedResultTextEndsThePlayback) {
  app->mPlaying = true;
  HTTPTransfer transfer;
  transfer.StartRequest("127.0.0.1:9/", kGet);
  Buffer& journal = app->mDemoBuffer;
  journal.PutBits(0, 4);
  journal.PutBits(0, 1);
  journal.PutBits(kDemoHttpResult, 5);
  journal.PutU32(transfer.Id());
  journal.PutByte(TRANSFER_COMPLETE);
  journal.PutU16(20000);
  journal.PutBits(0, 16);
  journal.Rewind();
  app->mHeaderNeeded = true;
  app->mLastEventUpdate = 0;
  app->mUpdateCount = 0;
  EXPECT_EXIT(transfer.PollResult(), ::testing::ExitedWithCode(0), "Invalid demo file");
}

}  // namespace
