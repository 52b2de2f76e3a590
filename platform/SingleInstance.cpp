// Named mutex as a lock file, registered message names, and the broadcast
// socket between instances.
#include "platform/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "platform/Environment.h"
#include "platform/SystemQueries.h"
#include "platform/Text.h"
#include "platform/Windows.h"
#include "platform/WindowSystem.h"

namespace {

constexpr char kMagic[4] = {'K', 'B', 'C', '1'};
constexpr size_t kMaxNameBytes = 256;
constexpr size_t kMaxPacketBytes = 4 + 4 + kMaxNameBytes + 16;

struct NamedMutex {
  std::string name;
  std::string lockPath;
  std::string socketPath;
  int lockFd = -1;
  int listenFd = -1;
  bool owner = false;
};

struct InstanceState {
  std::mutex mutex;
  std::vector<std::unique_ptr<NamedMutex>> mutexes;
  std::map<std::string, UINT> ids;    // lower-case name -> id
  std::map<UINT, std::string> names;  // id -> name as first registered
  UINT nextId = 0xC000;
};

InstanceState& State() {
  static InstanceState* state = new InstanceState;
  return *state;
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string SafeFileName(const std::string& name) {
  std::string out;
  for (unsigned char c : name) {
    bool plain =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
    if (plain) {
      out += static_cast<char>(c);
    } else {
      static const char kHex[] = "0123456789ABCDEF";
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  if (out.empty() || out[0] == '.') out = "_" + out;
  // Socket paths are short; long names keep their start and a hash.
  if (out.size() > 60) {
    std::uint32_t hash = 2166136261u;
    for (unsigned char c : out) hash = (hash ^ c) * 16777619u;
    char tail[16];
    std::snprintf(tail, sizeof tail, "-%08x", hash);
    out = out.substr(0, 50) + tail;
  }
  return out;
}

std::string MutexBase(const std::string& utf8Name) {
  return Platform::RuntimeRoot() + "/kivo-" + SafeFileName(utf8Name);
}

bool FillAddress(const std::string& path, sockaddr_un* address) {
  std::memset(address, 0, sizeof *address);
  address->sun_family = AF_UNIX;
  if (path.size() >= sizeof address->sun_path) return false;
  std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
  return true;
}

int Listen(const std::string& path) {
  sockaddr_un address;
  if (!FillAddress(path, &address)) return -1;
  ::unlink(path.c_str());  // a socket left by a process that died
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 8) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

bool SendPacket(const std::string& path, const std::string& packet) {
  sockaddr_un address;
  if (!FillAddress(path, &address)) return false;
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  size_t done = 0;
  while (ok && done < packet.size()) {
    ssize_t n = ::send(fd, packet.data() + done, packet.size() - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0)
      ok = false;
    else
      done += static_cast<size_t>(n);
  }
  ::close(fd);
  return ok;
}

// Reads what one sender wrote; it closes after one packet.
std::string ReceivePacket(int fd) {
  std::string packet;
  char buffer[512];
  // The sender has finished writing before it closes; a short blocking read
  // with a timeout keeps a silent peer from stalling the pump.
  timeval timeout{0, 200000};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  for (;;) {
    ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    packet.append(buffer, static_cast<size_t>(n));
    if (packet.size() > kMaxPacketBytes) break;
  }
  return packet;
}

void PutU32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}
void PutU64(std::string& out, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}
std::uint64_t GetLE(const std::string& in, size_t pos, int bytes) {
  std::uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(in[pos + static_cast<size_t>(i)]);
  return v;
}

}  // namespace

namespace Platform {

std::string MutexLockPath(const std::string& utf8Name) { return MutexBase(utf8Name) + ".lock"; }

std::string EncodeBroadcastPacket(const std::string& messageName, std::uint64_t wParam, std::int64_t lParam) {
  std::string out(kMagic, sizeof kMagic);
  PutU32(out, static_cast<std::uint32_t>(messageName.size()));
  out += messageName;
  PutU64(out, wParam);
  PutU64(out, static_cast<std::uint64_t>(lParam));
  return out;
}

bool DecodeBroadcastPacket(const std::string& packet, std::string* messageName, std::uint64_t* wParam,
                           std::int64_t* lParam) {
  if (packet.size() < 8 || std::memcmp(packet.data(), kMagic, 4) != 0) return false;
  std::uint64_t length = GetLE(packet, 4, 4);
  if (length == 0 || length > kMaxNameBytes || packet.size() != 8 + length + 16) return false;
  *messageName = packet.substr(8, static_cast<size_t>(length));
  *wParam = GetLE(packet, 8 + static_cast<size_t>(length), 8);
  *lParam = static_cast<std::int64_t>(GetLE(packet, 16 + static_cast<size_t>(length), 8));
  return true;
}

std::string RegisteredMessageName(UINT message) {
  InstanceState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  auto it = s.names.find(message);
  return it == s.names.end() ? std::string() : it->second;
}

UINT RegisterMessageName(const std::string& utf8Name) {
  if (utf8Name.empty()) return 0;
  InstanceState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  std::string key = Lower(utf8Name);
  auto it = s.ids.find(key);
  if (it != s.ids.end()) return it->second;
  if (s.nextId > 0xFFFF) return 0;  // the range is used up
  UINT id = s.nextId++;
  s.ids[key] = id;
  s.names[id] = utf8Name;
  return id;
}

void PollInstanceSocket() {
  std::vector<int> listeners;
  {
    InstanceState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    for (auto& m : s.mutexes)
      if (m->listenFd >= 0) listeners.push_back(m->listenFd);
  }
  for (int listenFd : listeners) {
    for (;;) {
      int peer = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
      if (peer < 0) break;
      std::string packet = ReceivePacket(peer);
      ::close(peer);
      std::string name;
      std::uint64_t wParam;
      std::int64_t lParam;
      if (!DecodeBroadcastPacket(packet, &name, &wParam, &lParam)) {
        Log("platform: ignored a malformed message from another instance");
        continue;
      }
      HWND main = MainWindow();
      UINT id = RegisterMessageName(name);
      if (main && id) PostRecord(main, id, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
    }
  }
}

void SendInstanceBroadcast(UINT message, WPARAM wParam, LPARAM lParam) {
  std::string name = RegisteredMessageName(message);
  if (name.empty()) return;  // only registered messages cross processes
  std::vector<std::string> targets;
  {
    InstanceState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    for (auto& m : s.mutexes)
      if (!m->owner) targets.push_back(m->socketPath);
  }
  std::string packet = EncodeBroadcastPacket(name, wParam, static_cast<std::int64_t>(lParam));
  for (const std::string& path : targets)
    if (!SendPacket(path, packet)) Log("platform: no running instance answered at " + path);
}

}  // namespace Platform

HANDLE CreateMutexW(void*, BOOL, const wchar_t* name) {
  if (!name || !*name) {
    // An unnamed mutex guards nothing across processes; hand out a token.
    static int unnamed;
    SetLastError(0);
    return &unnamed;
  }
  std::string utf8 = Platform::WideToUtf8(name);
  auto m = std::make_unique<NamedMutex>();
  m->name = utf8;
  std::string base = MutexBase(utf8);
  m->lockPath = base + ".lock";
  m->socketPath = base + ".sock";
  Platform::MakeHostFolders(Platform::RuntimeRoot());
  m->lockFd = ::open(m->lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (m->lockFd < 0) {
    Platform::Log("platform: cannot open the lock file " + m->lockPath + ": " + std::strerror(errno));
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  DWORD error = 0;
  if (::flock(m->lockFd, LOCK_EX | LOCK_NB) == 0) {
    m->owner = true;
    m->listenFd = Listen(m->socketPath);
    if (m->listenFd < 0)
      Platform::Log("platform: cannot listen at " + m->socketPath + "; a second instance cannot wake this one");
  } else {
    error = ERROR_ALREADY_EXISTS;
  }
  InstanceState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.mutexes.push_back(std::move(m));
  SetLastError(error);
  return s.mutexes.back().get();
}

BOOL CloseHandle(HANDLE handle) {
  if (!handle || handle == INVALID_HANDLE_VALUE) return FALSE;
  if (Platform::CloseFileHandle(handle)) return TRUE;
  InstanceState& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  for (auto it = s.mutexes.begin(); it != s.mutexes.end(); ++it) {
    if (it->get() != handle) continue;
    NamedMutex& m = **it;
    if (m.listenFd >= 0) {
      ::close(m.listenFd);
      ::unlink(m.socketPath.c_str());
    }
    if (m.lockFd >= 0) ::close(m.lockFd);  // releases the flock
    s.mutexes.erase(it);
    return TRUE;
  }
  return TRUE;  // other handles (unnamed mutex) need no closing
}

UINT RegisterClipboardFormatW(const wchar_t* name) {
  if (!name) return 0;
  return Platform::RegisterMessageName(Platform::WideToUtf8(name));
}

UINT RegisterWindowMessageW(const wchar_t* name) { return RegisterClipboardFormatW(name); }
