// A private temporary folder, whole-file reads and writes, and a hook that
// collects the messages the program would show, for tests that touch files.
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "core/hooks.h"

using FileBytes = std::vector<uint8_t>;

// A folder of its own under the system's temporary folder (mkdtemp, so
// suites running side by side never meet), removed with everything in it.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "passavue-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) root_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!root_.empty()) std::filesystem::remove_all(root_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Root() const { return root_; }
  std::string Path(const std::string& name) const { return (root_ / name).string(); }

 private:
  std::filesystem::path root_;
};

inline FileBytes ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return FileBytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string ReadText(const std::string& path) {
  const FileBytes bytes = ReadAll(path);
  return std::string(bytes.begin(), bytes.end());
}

inline void WriteAll(const std::string& path, const FileBytes& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Collects what the error hook is given while it lives.
struct ErrorCapture {
  std::vector<std::string> messages;
  ErrorHook previous = SetErrorHook([this](const std::string& m) { messages.push_back(m); });
  ~ErrorCapture() { SetErrorHook(previous); }
};
