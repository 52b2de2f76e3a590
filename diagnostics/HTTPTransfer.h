// A small HTTP/1.1 client for one request at a time: the caller hands it a
// URL and the whole request text, a worker thread connects, sends and reads
// the response, and the caller polls a result code. Used by the crash report
// upload through gCrashUploadTransfer.
//
// While a demo is recorded every poll that sees a new result journals it
// (event 17: id, result, content); during playback no socket is opened and
// the result comes from the journal when its event is due.
//
// Limits: IPv4 only; status 200 is success and 404 is told apart, every other
// status is a failure; a chunked body (any transfer encoding other than
// "identity" counts as chunked) is joined, chunk sizes above 2^31 - 1 are
// refused; no redirects, no keep-alive, no overall time limit (a stalled
// transfer ends only by a cancel).
//
// How it fails: only through the result codes below; nothing throws.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/Sockets.h"

namespace Kivo {

enum TransferResult : int {
  TRANSFER_COMPLETE = 0,
  TRANSFER_IDLE = 1,
  TRANSFER_RUNNING = 2,
  TRANSFER_NOT_FOUND = 3,
  TRANSFER_BAD_STATUS = 4,
  TRANSFER_CANCELLED = 5,
  TRANSFER_SOCKET_FAILED = 6,
  TRANSFER_HOST_UNKNOWN = 7,
  TRANSFER_CONNECT_FAILED = 8,
  TRANSFER_SEND_FAILED = 9,
};

class HTTPTransfer {
 public:
  HTTPTransfer();
  virtual ~HTTPTransfer();
  HTTPTransfer(const HTTPTransfer&) = delete;
  HTTPTransfer& operator=(const HTTPTransfer&) = delete;

  // Splits the URL, keeps the request text and starts the worker.
  void StartRequest(const std::string& url, const std::string& request);
  // Resets the transfer (as Clear) and takes the URL apart.
  void SplitUrl(const std::string& url);
  void StartThread();
  // Asks the worker to stop; returns at once.
  void Cancel();
  // Stops a running worker, waits for it, and makes the transfer ready for
  // the next request (result TRANSFER_IDLE, a new id).
  void Clear();
  void WaitUntilDone();
  int PollResult();
  void SyncWithDemo();

  // What the caller may read. The content is whole once the result is
  // final (neither idle nor running).
  uint32_t Id() const { return mId; }
  const std::string& Scheme() const { return mScheme; }
  const std::string& Host() const { return mHost; }
  int Port() const { return mPort; }
  const std::string& Path() const { return mPath; }
  const std::string& Content() const { return mContent; }
  int DeclaredLength() const { return mDeclaredLength; }
  bool Running() const { return mRunning; }

  // The next value of the process-wide id counter.
  static uint32_t TakeTransferId();

 private:
  static void ThreadEntry(void* transfer);
  void TransferThread();
  void ReceiveResponse();
  void Finish(int result);
  bool SocketReady(bool wantRead, bool wantWrite);
  void WaitForWorker();

  uint32_t mId = 0;
  Platform::SocketHandle mSocket = Platform::kInvalidSocket;
  std::string mRequest;
  std::string mUrl;
  std::string mScheme;
  std::string mHost;
  int mPort = 80;
  std::string mPath;
  std::atomic<int> mDeclaredLength{0};
  std::string mContent;
  std::atomic<bool> mBusy{false};
  std::atomic<bool> mRunning{false};
  std::atomic<bool> mStop{false};
  std::atomic<bool> mCancelled{false};
  std::atomic<int> mResult{TRANSFER_IDLE};
  int mLastJournalledResult = TRANSFER_IDLE;
};

// Reads a chunk-size line: surrounding white space trimmed, then hexadecimal
// digits only. False for anything else; *tooLarge tells a well-formed size
// above 2^31 - 1 apart from text that is no number at all.
bool ParseChunkSize(const std::string& line, int* size, bool* tooLarge);

extern HTTPTransfer gCrashUploadTransfer;

}  // namespace Kivo
