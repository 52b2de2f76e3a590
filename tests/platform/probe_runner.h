// Runs the probe helper program and collects its output.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

struct ProbeResult {
  int exitCode = -1;
  std::string output;
};

inline ProbeResult RunCommand(const std::string& command) {
  ProbeResult result;
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return result;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
  int status = ::pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

inline std::string ProbePath() { return PLATFORM_PROBE; }
