// IPv4 stream sockets over the host's BSD sockets.
#include "platform/Sockets.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>

namespace Platform {

namespace {

std::mutex gResolverLock;
HostResolver gResolver;  // empty: the system's resolver

bool SystemResolve(const std::string& host, std::uint32_t* address) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return false;
  bool ok = false;
  for (addrinfo* entry = found; entry != nullptr && !ok; entry = entry->ai_next) {
    if (entry->ai_family != AF_INET || entry->ai_addr == nullptr) continue;
    *address = reinterpret_cast<sockaddr_in*>(entry->ai_addr)->sin_addr.s_addr;
    ok = true;
  }
  ::freeaddrinfo(found);
  return ok;
}

}  // namespace

int SocketStartup() { return 0; }
void SocketCleanup() {}

SocketHandle OpenStreamSocket() {
  int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  return s < 0 ? kInvalidSocket : s;
}

bool MakeNonBlocking(SocketHandle socket) {
  int flags = ::fcntl(socket, F_GETFL, 0);
  return flags >= 0 && ::fcntl(socket, F_SETFL, flags | O_NONBLOCK) == 0;
}

void CloseSocket(SocketHandle socket) {
  if (socket >= 0) ::close(socket);
}

std::uint32_t ParseDottedAddress(const std::string& text) {
  // inet_addr's rules: shorthand forms ("127.1") count, and the broadcast
  // address is indistinguishable from "none", as callers expect.
  if (text.empty()) return kNoAddress;
  return static_cast<std::uint32_t>(::inet_addr(text.c_str()));
}

std::uint32_t LookupHostAddress(const std::string& host) {
  std::uint32_t address = ParseDottedAddress(host);
  if (address != kNoAddress) return address;
  HostResolver resolver;
  {
    std::lock_guard<std::mutex> lock(gResolverLock);
    resolver = gResolver;
  }
  std::uint32_t found = kNoAddress;
  bool ok = resolver ? resolver(host, &found) : SystemResolve(host, &found);
  return ok ? found : kNoAddress;
}

void SetHostResolver(HostResolver resolver) {
  std::lock_guard<std::mutex> lock(gResolverLock);
  gResolver = std::move(resolver);
}

ConnectResult ConnectSocket(SocketHandle socket, std::uint32_t address, int port) {
  sockaddr_in target{};
  target.sin_family = AF_INET;
  target.sin_port = htons(static_cast<std::uint16_t>(port));
  target.sin_addr.s_addr = address;
  if (::connect(socket, reinterpret_cast<sockaddr*>(&target), sizeof target) == 0) return ConnectResult::Connected;
  return errno == EINPROGRESS || errno == EWOULDBLOCK ? ConnectResult::WouldBlock : ConnectResult::Failed;
}

WaitResult WaitSocket(SocketHandle socket, bool wantRead, bool wantWrite, int timeoutMs) {
  if (socket < 0 || socket >= FD_SETSIZE) return WaitResult::Failed;
  fd_set readSet, writeSet, exceptSet;
  FD_ZERO(&readSet);
  FD_ZERO(&writeSet);
  FD_ZERO(&exceptSet);
  if (wantRead) FD_SET(socket, &readSet);
  if (wantWrite) FD_SET(socket, &writeSet);
  FD_SET(socket, &exceptSet);
  timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  int count = ::select(socket + 1, &readSet, &writeSet, &exceptSet, &timeout);
  if (count < 0) return errno == EINTR ? WaitResult::TimedOut : WaitResult::Failed;
  if (count == 0) return WaitResult::TimedOut;
  if (FD_ISSET(socket, &exceptSet)) return WaitResult::Failed;
  // A refused or failed connect reports itself as writable with a pending
  // error; the caller expects it as an exception.
  int pending = 0;
  socklen_t size = sizeof pending;
  if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, &pending, &size) == 0 && pending != 0) return WaitResult::Failed;
  if ((wantRead && FD_ISSET(socket, &readSet)) || (wantWrite && FD_ISSET(socket, &writeSet))) return WaitResult::Ready;
  return WaitResult::TimedOut;
}

long SendBytes(SocketHandle socket, const char* data, std::size_t length) {
  ssize_t sent = ::send(socket, data, length, MSG_NOSIGNAL);
  return sent < 0 ? -1 : static_cast<long>(sent);
}

long ReceiveBytes(SocketHandle socket, char* buffer, std::size_t capacity) {
  ssize_t got = ::recv(socket, buffer, capacity, 0);
  return got < 0 ? -1 : static_cast<long>(got);
}

}  // namespace Platform
