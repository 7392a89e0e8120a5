#ifndef BRINDLEMARK_TESTING_TEMPORARY_DIRECTORY_H_
#define BRINDLEMARK_TESTING_TEMPORARY_DIRECTORY_H_

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

/// A fresh directory of a unique name under the system's temporary
/// directory, removed with everything in it at the end.
struct TemporaryDirectory {
  TemporaryDirectory() {
    std::random_device random;
    std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100 && path.empty(); ++attempt) {
      std::filesystem::path candidate = base / ("brindlemark-test-" + std::to_string(random()));
      if (std::filesystem::create_directory(candidate)) path = candidate.string();
    }
  }
  ~TemporaryDirectory() {
    std::error_code ignored;
    if (!path.empty()) std::filesystem::remove_all(path, ignored);
  }
  std::string File(const std::string& name) const {
    return (std::filesystem::path(path) / name).string();
  }
  void Write(const std::string& name, const std::string& contents) const {
    std::ofstream(File(name), std::ios::binary) << contents;
  }
  /// The bytes of a file; "" when it cannot be read.
  std::string Read(const std::string& name) const {
    std::ifstream in(File(name), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  std::string path;
};

#endif  // BRINDLEMARK_TESTING_TEMPORARY_DIRECTORY_H_
