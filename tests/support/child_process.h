// Runs part of a test in a child process: for another user or mounts of its
// own, without touching the test process.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <functional>

// Runs `body` in a child process and returns its exit code (-1 when it did
// not exit normally).
inline int RunInChild(const std::function<int()>& body) {
  pid_t pid = ::fork();
  if (pid == 0) ::_exit(body());
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// In the child: the superuser writes anywhere, so a test of a refused write
// runs as nobody. False when the user cannot be changed.
inline bool BecomeUnprivileged() {
  if (::geteuid() != 0) return true;
  return ::setgid(65534) == 0 && ::setuid(65534) == 0;
}
