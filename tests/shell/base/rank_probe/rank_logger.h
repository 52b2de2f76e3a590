// Global objects that report when they are built and destroyed, for the test
// of the ranked construction order. Writes go straight to the file descriptor
// so that lines from exit-time destructors are not lost in stdio buffers.
#pragma once

#include <unistd.h>

#include <string>

#include "shell/base/GlobalRanks.h"

struct RankLogger {
  explicit RankLogger(const char* name) : name_(name) { Log("build ", name_); }
  ~RankLogger() { Log("drop ", name_); }
  RankLogger(const RankLogger&) = delete;
  RankLogger& operator=(const RankLogger&) = delete;

  static void Log(const char* what, const char* name) {
    const std::string line = std::string(what) + name + "\n";
    ssize_t ignored = write(1, line.data(), line.size());
    (void)ignored;
  }

 private:
  const char* name_;
};
