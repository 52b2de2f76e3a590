// Stream sockets for the one HTTP client: IPv4, non-blocking, with the
// Windows-sockets conventions its caller expects (a would-block connect, a
// select-style wait on read/write/except, sends that never raise SIGPIPE).
//
// Host names go through a replaceable resolver, so tests can answer "no such
// host" or point a name at the loopback without a name service. Dotted
// addresses never reach the resolver. Startup and cleanup of the socket
// library are no-ops here and exist so callers keep their shape.
//
// Limits: IPv4 only; one recv takes at most the caller's count (the client
// asks for 256 bytes). Failures come back as the results below; nothing
// throws and nothing is logged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace Platform {

using SocketHandle = int;
constexpr SocketHandle kInvalidSocket = -1;

// The address "none" of inet_addr: also what a failed lookup gives.
constexpr std::uint32_t kNoAddress = 0xFFFFFFFFu;

// Results of ConnectSocket.
enum class ConnectResult { Connected, WouldBlock, Failed };

// Results of WaitSocket.
enum class WaitResult { Ready, TimedOut, Failed };

int SocketStartup();   // 0: always succeeds
void SocketCleanup();  // nothing to release

SocketHandle OpenStreamSocket();
bool MakeNonBlocking(SocketHandle socket);
void CloseSocket(SocketHandle socket);

// A dotted IPv4 address in network byte order, kNoAddress when the text is
// not one.
std::uint32_t ParseDottedAddress(const std::string& text);
// The host's first IPv4 address in network byte order: the dotted form when
// it is one, else the resolver's answer; kNoAddress when neither gives one.
std::uint32_t LookupHostAddress(const std::string& host);

// Replaces the resolver (nullptr restores the system one). The resolver
// returns true with an address in network byte order.
using HostResolver = std::function<bool(const std::string& host, std::uint32_t* address)>;
void SetHostResolver(HostResolver resolver);

// A connect on a non-blocking socket usually comes back WouldBlock; wait for
// writability then.
ConnectResult ConnectSocket(SocketHandle socket, std::uint32_t address, int port);

// Waits up to timeoutMs for the socket to become readable (wantRead) or
// writable (wantWrite). An error, or the socket in the exception set, is
// Failed. A connect that was refused shows up as Failed too.
WaitResult WaitSocket(SocketHandle socket, bool wantRead, bool wantWrite, int timeoutMs);

// Bytes sent, or 0 or less on failure; never raises SIGPIPE.
long SendBytes(SocketHandle socket, const char* data, std::size_t length);
// Bytes received (at most `capacity`); 0 when the peer closed, below 0 on
// failure.
long ReceiveBytes(SocketHandle socket, char* buffer, std::size_t capacity);

}  // namespace Platform
