// A fresh folder under the system temp folder, removed with its contents.
// Shared by the suites that need scratch files.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

class TempFolder {
 public:
  explicit TempFolder(const std::string& prefix = "kivo") {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    char* made = ::mkdtemp(pattern.data());
    path_ = made ? made : "";
  }
  ~TempFolder() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  // Writes a file below the folder, making its parent folders; returns its
  // path.
  std::string Write(const std::string& relative, const std::string& bytes) const {
    std::filesystem::path p = std::filesystem::path(path_) / relative;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
    return p.string();
  }
  std::string Write(const std::string& relative, const std::vector<std::uint8_t>& bytes) const {
    return Write(relative, std::string(bytes.begin(), bytes.end()));
  }

 private:
  std::string path_;
};
