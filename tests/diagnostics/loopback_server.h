// A small HTTP server on 127.0.0.1 for the transfer and upload tests. Each
// accepted connection gets the next scripted reply (the last one repeats):
// its pieces are sent one by one with a pause between them, then the
// connection is closed or held open until the server stops. Every request
// (headers and the body its Content-Length announces) is kept.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace loopback {

struct Reply {
  std::vector<std::string> pieces;
  int pauseMs = 0;    // between pieces
  bool hold = false;  // keep the connection open until Stop
};

class Server {
 public:
  explicit Server(std::vector<Reply> replies) : mReplies(std::move(replies)) {
    mListener = ::socket(AF_INET, SOCK_STREAM, 0);
    int yes = 1;
    ::setsockopt(mListener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(mListener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(mListener, 8);
    socklen_t size = sizeof address;
    ::getsockname(mListener, reinterpret_cast<sockaddr*>(&address), &size);
    mPort = ntohs(address.sin_port);
    mThread = std::thread([this] { Run(); });
  }
  ~Server() { Stop(); }

  void Stop() {
    mStop = true;
    if (mThread.joinable()) mThread.join();
    if (mListener >= 0) ::close(mListener);
    mListener = -1;
  }

  int Port() const { return mPort; }
  std::string Url(const std::string& path = "/") const { return "127.0.0.1:" + std::to_string(mPort) + path; }
  int Accepted() const { return mAccepted; }
  std::vector<std::string> Requests() {
    std::lock_guard<std::mutex> lock(mLock);
    return mRequests;
  }

  // A port on which nothing listens.
  static int ClosedPort() {
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t size = sizeof address;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(s);
    return ntohs(address.sin_port);
  }

 private:
  bool WaitReadable(int fd, int ms) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, ms) > 0;
  }

  std::string ReadRequest(int fd) {
    std::string text;
    char piece[4096];
    size_t wanted = std::string::npos;
    while (!mStop && (wanted == std::string::npos || text.size() < wanted)) {
      if (!WaitReadable(fd, 50)) continue;
      ssize_t got = ::recv(fd, piece, sizeof piece, 0);
      if (got <= 0) break;
      text.append(piece, static_cast<size_t>(got));
      size_t end = text.find("\r\n\r\n");
      if (end != std::string::npos && wanted == std::string::npos) {
        size_t length = 0;
        size_t field = text.find("Content-Length: ");
        if (field != std::string::npos && field < end) length = std::strtoul(text.c_str() + field + 16, nullptr, 10);
        wanted = end + 4 + length;
      }
    }
    return text;
  }

  void Serve(int fd, const Reply& reply) {
    std::string request = ReadRequest(fd);
    {
      std::lock_guard<std::mutex> lock(mLock);
      mRequests.push_back(request);
    }
    for (size_t i = 0; i < reply.pieces.size() && !mStop; ++i) {
      if (i > 0 && reply.pauseMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(reply.pauseMs));
      ::send(fd, reply.pieces[i].data(), reply.pieces[i].size(), MSG_NOSIGNAL);
    }
    while (reply.hold && !mStop) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ::close(fd);
  }

  void Run() {
    while (!mStop) {
      if (!WaitReadable(mListener, 20)) continue;
      int fd = ::accept(mListener, nullptr, nullptr);
      if (fd < 0) continue;
      const Reply& reply = mReplies[std::min(static_cast<size_t>(mAccepted.load()), mReplies.size() - 1)];
      ++mAccepted;
      Serve(fd, reply);
    }
  }

  std::vector<Reply> mReplies;
  int mListener = -1;
  int mPort = 0;
  std::atomic<bool> mStop{false};
  std::atomic<int> mAccepted{0};
  std::mutex mLock;
  std::vector<std::string> mRequests;
  std::thread mThread;
};

}  // namespace loopback
