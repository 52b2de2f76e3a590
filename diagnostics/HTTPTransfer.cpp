// The HTTP client's worker, its response reader and its demo journal.
#include "diagnostics/HTTPTransfer.h"

#include <chrono>
#include <climits>
#include <thread>

#include "platform/Clock.h"
#include "shell/Demo.h"
#include "shell/base/GlobalRanks.h"
#include "shell/KivoAppBase.h"

namespace Kivo {

KIVO_GLOBAL_RANK(kRankCrashUploadTransfer) HTTPTransfer gCrashUploadTransfer;

namespace {

std::atomic<uint32_t> gNextTransferId{1};

constexpr int kPollMs = 20;
constexpr int kSocketWaitMs = 100;
constexpr size_t kReceiveStep = 256;
// Texts in the journal carry a 16-bit length read back as signed.
constexpr size_t kJournalTextLimit = 32767;

// The waits here are for another thread's network work, so they run on the
// host's clock whatever clock the application uses.
void PauseBriefly() { std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs)); }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A decimal header value; anything that is not one (or does not fit an int)
// counts as 0, which reads the body to the close.
int ParseLengthValue(const std::string& text) {
  if (text.empty()) return 0;
  long long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + (c - '0');
    if (value > INT_MAX) return 0;
  }
  return static_cast<int>(value);
}

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

bool ParseChunkSize(const std::string& line, int* size, bool* tooLarge) {
  *size = 0;
  *tooLarge = false;
  size_t begin = 0, end = line.size();
  while (begin < end && IsBlank(line[begin])) ++begin;
  while (end > begin && IsBlank(line[end - 1])) --end;
  if (begin == end) return false;
  unsigned long long value = 0;
  for (size_t i = begin; i < end; ++i) {
    int digit = HexDigitValue(line[i]);
    if (digit < 0) return false;
    if (value <= static_cast<unsigned long long>(INT_MAX)) value = value * 16 + static_cast<unsigned>(digit);
  }
  if (value > static_cast<unsigned long long>(INT_MAX)) {
    *tooLarge = true;
    return false;
  }
  *size = static_cast<int>(value);
  return true;
}

uint32_t HTTPTransfer::TakeTransferId() { return gNextTransferId.fetch_add(1); }

HTTPTransfer::HTTPTransfer() : mId(TakeTransferId()) {}

HTTPTransfer::~HTTPTransfer() {
  Cancel();
  WaitForWorker();
}

void HTTPTransfer::WaitForWorker() {
  while (mRunning.load(std::memory_order_acquire)) PauseBriefly();
}

void HTTPTransfer::StartRequest(const std::string& url, const std::string& request) {
  SplitUrl(url);
  mRequest = request;
  StartThread();
}

void HTTPTransfer::SplitUrl(const std::string& url) {
  Clear();
  mId = TakeTransferId();
  mUrl = url;
  mStop = false;
  mCancelled = false;
  mResult = TRANSFER_RUNNING;
  mContent.clear();
  mDeclaredLength = 0;
  mPort = 80;
  mScheme.clear();

  size_t hostStart = 0;
  size_t slashes = url.find("//");
  if (slashes != std::string::npos) {
    hostStart = slashes + 2;
    mScheme = slashes > 0 ? url.substr(0, slashes - 1) : std::string();
  }
  size_t pathStart = url.find('/', hostStart);
  if (pathStart == std::string::npos) {
    mHost = url.substr(hostStart);
    mPath = "/";
  } else {
    mHost = url.substr(hostStart, pathStart - hostStart);
    mPath = url.substr(pathStart);
  }
  size_t colon = mHost.find(':');
  if (colon != std::string::npos) {
    mPort = ParseLengthValue(mHost.substr(colon + 1));
    mHost.resize(colon);
  }
}

void HTTPTransfer::StartThread() {
  mBusy = true;
  if (gAppBase != nullptr && gAppBase->mPlaying) return;  // the journal answers
  mRunning.store(true, std::memory_order_release);
  if (_beginthread(&HTTPTransfer::ThreadEntry, 0, this) == static_cast<std::uintptr_t>(-1)) {
    Finish(TRANSFER_SOCKET_FAILED);
    mRunning = false;
    mBusy = false;
  }
}

void HTTPTransfer::ThreadEntry(void* transfer) { static_cast<HTTPTransfer*>(transfer)->TransferThread(); }

void HTTPTransfer::Cancel() {
  mCancelled = true;
  mStop = true;
}

void HTTPTransfer::Clear() {
  if (mRunning) {
    Cancel();
    WaitUntilDone();
    WaitForWorker();
  }
  mResult = TRANSFER_IDLE;
  mLastJournalledResult = TRANSFER_IDLE;
  mId = TakeTransferId();
  mContent.clear();
  mUrl.clear();
  mRequest.clear();
  mPath.clear();
  mStop = false;
  mCancelled = false;
}

void HTTPTransfer::WaitUntilDone() {
  while (mBusy.load(std::memory_order_acquire)) {
    SyncWithDemo();
    PauseBriefly();
  }
}

int HTTPTransfer::PollResult() {
  SyncWithDemo();
  return mResult.load(std::memory_order_acquire);
}

void HTTPTransfer::Finish(int result) {
  mResult.store(result, std::memory_order_release);
  mStop = true;
}

bool HTTPTransfer::SocketReady(bool wantRead, bool wantWrite) {
  for (;;) {
    if (mStop) return true;
    Platform::WaitResult waited = Platform::WaitSocket(mSocket, wantRead, wantWrite, kSocketWaitMs);
    if (waited == Platform::WaitResult::Failed) {
      Finish(TRANSFER_SOCKET_FAILED);
      return false;
    }
    if (waited == Platform::WaitResult::Ready) return true;
  }
}

void HTTPTransfer::TransferThread() {
  Platform::SocketStartup();
  mSocket = Platform::OpenStreamSocket();
  if (mSocket == Platform::kInvalidSocket) {
    Finish(TRANSFER_SOCKET_FAILED);
  } else {
    Platform::MakeNonBlocking(mSocket);
  }
  if (!mStop) {
    uint32_t address = Platform::LookupHostAddress(mHost);
    if (address == Platform::kNoAddress) Finish(TRANSFER_HOST_UNKNOWN);
    if (!mStop) {
      Platform::ConnectResult connected = Platform::ConnectSocket(mSocket, address, mPort);
      if (connected == Platform::ConnectResult::Failed) Finish(TRANSFER_CONNECT_FAILED);
      if (connected != Platform::ConnectResult::Connected && !SocketReady(false, true)) Finish(TRANSFER_CONNECT_FAILED);
    }
    while (!mRequest.empty() && !mStop) {
      if (!SocketReady(false, true) || mStop) break;
      long sent = Platform::SendBytes(mSocket, mRequest.data(), mRequest.size());
      if (sent > 0)
        mRequest.erase(0, static_cast<size_t>(sent));
      else
        Finish(TRANSFER_SEND_FAILED);
    }
    if (!mStop) ReceiveResponse();
  }
  Platform::CloseSocket(mSocket);
  mSocket = Platform::kInvalidSocket;
  Platform::SocketCleanup();
  if (mCancelled)
    Finish(TRANSFER_CANCELLED);
  else if (mResult == TRANSFER_RUNNING)
    Finish(TRANSFER_COMPLETE);
  mBusy.store(false, std::memory_order_release);
  // Last: the destructor may free this object as soon as it sees the flag.
  mRunning.store(false, std::memory_order_release);
}

// One step per pass: a header line, a piece of a chunk or of the body. A pass
// that consumed nothing is followed by a receive.
void HTTPTransfer::ReceiveResponse() {
  std::string received;
  size_t readPos = 0;
  size_t previousPassPos = 0;
  bool firstPass = true;
  bool headersDone = false;
  bool chunked = false;
  int chunkLeft = 0;
  int closingBytesLeft = 0;  // of the CR LF after a chunk, not yet received
  int bodyLength = 0;
  char piece[kReceiveStep];

  while (!mStop) {
    if (firstPass || readPos == previousPassPos) {
      if (!SocketReady(true, false) || mStop) break;
      long got = Platform::ReceiveBytes(mSocket, piece, sizeof piece);
      if (got <= 0) break;
      received.append(piece, static_cast<size_t>(got));
    }
    firstPass = false;
    previousPassPos = readPos;
    size_t available = received.size() - readPos;

    if (!headersDone) {
      size_t lineEnd = received.find("\r\n", readPos);
      if (lineEnd == std::string::npos) continue;
      std::string line = received.substr(readPos, lineEnd - readPos);
      readPos = lineEnd + 2;
      if (line.compare(0, 7, "HTTP/1.") == 0) {
        // A status line too short to hold a code is no 200.
        std::string code = line.size() >= 12 ? line.substr(9, 3) : std::string();
        if (code == "404")
          Finish(TRANSFER_NOT_FOUND);
        else if (code != "200")
          Finish(TRANSFER_BAD_STATUS);
      } else if (line == "Transfer-Encoding: chunked") {
        chunked = true;
      } else if (StartsWith(line, "Transfer-Encoding: ")) {
        if (line.compare(19, std::string::npos, "identity") != 0) chunked = true;
      } else if (StartsWith(line, "Content-Length: ")) {
        bodyLength = ParseLengthValue(line.substr(16));
        mDeclaredLength = bodyLength;
      } else if (line.empty()) {
        headersDone = true;
      }
    } else if (chunked) {
      if (closingBytesLeft > 0) {
        // The CR LF that closes a chunk may arrive in a later receive.
        size_t skip = std::min<size_t>(static_cast<size_t>(closingBytesLeft), available);
        readPos += skip;
        closingBytesLeft -= static_cast<int>(skip);
        continue;
      }
      if (chunkLeft == 0) {
        size_t lineEnd = received.find("\r\n", readPos);
        if (lineEnd == std::string::npos) continue;
        int size = 0;
        bool tooLarge = false;
        if (!ParseChunkSize(received.substr(readPos, lineEnd - readPos), &size, &tooLarge)) {
          if (tooLarge) Finish(TRANSFER_BAD_STATUS);
          break;
        }
        if (size == 0) break;
        readPos = lineEnd + 2;
        chunkLeft = size;
        available = received.size() - readPos;
      }
      size_t take = std::min<size_t>(static_cast<size_t>(chunkLeft), available);
      mContent.append(received, readPos, take);
      readPos += take;
      chunkLeft -= static_cast<int>(take);
      if (chunkLeft == 0) {
        available = received.size() - readPos;
        size_t skip = std::min<size_t>(2, available);
        readPos += skip;
        closingBytesLeft = 2 - static_cast<int>(skip);
      }
    } else if (bodyLength > 0) {
      size_t take = std::min<size_t>(static_cast<size_t>(bodyLength), available);
      mContent.append(received, readPos, take);
      readPos += take;
      bodyLength -= static_cast<int>(take);
      if (bodyLength == 0) break;
    } else {
      mContent.append(received, readPos, available);
      readPos += available;
    }
  }
}

void HTTPTransfer::SyncWithDemo() {
  KivoAppBase* app = gAppBase;
  if (app == nullptr) return;
  if (app->mPlaying) {
    if (!app->ReadDemoEventHeader() || app->mHeaderNeeded) return;
    if (app->mPendingShort || app->mPendingCode != kDemoHttpResult) return;
    Buffer& journal = app->mDemoBuffer;
    int32_t beforeId = journal.ReadPosition();
    if (journal.RemainingBits() < 32 + 8 + 16) return;
    uint32_t id = journal.TakeU32();
    if (id != mId) {
      journal.SetReadPosition(beforeId);  // the event waits for its own transfer
      return;
    }
    int result = journal.TakeByte();
    // The text's length is checked against what is left: a damaged journal
    // ends the playback with its error, as every other damaged record does.
    int32_t textStart = journal.ReadPosition();
    int32_t length = static_cast<int16_t>(journal.TakeU16());
    if (length > 0 && journal.RemainingBits() < int64_t{length} * 8) {
      app->FailCorruptDemo();
      return;
    }
    journal.SetReadPosition(textStart);
    mContent = journal.TakeText();
    mResult = result;
    mLastJournalledResult = result;
    app->mHeaderNeeded = true;
  } else if (app->mRecording) {
    int result = mResult.load(std::memory_order_acquire);
    if (result == mLastJournalledResult) return;
    app->WriteDemoEventHeader();
    app->mDemoBuffer.PutBits(0, 1);
    app->mDemoBuffer.PutBits(kDemoHttpResult, 5);
    app->mDemoBuffer.PutU32(mId);
    app->mDemoBuffer.PutByte(static_cast<uint8_t>(result));
    app->mDemoBuffer.PutText(result == TRANSFER_RUNNING ? std::string() : mContent.substr(0, kJournalTextLimit));
    mLastJournalledResult = result;
  }
}

}  // namespace Kivo
