#pragma once
#include <string>
#include <string_view>

namespace testsupport {

// A fresh directory under /tmp, removed with its contents by the destructor.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string File(std::string_view name) const { return path_ + "/" + std::string(name); }
  // Writes the bytes to a file in the directory and returns its path.
  std::string Write(std::string_view name, std::string_view contents) const;

 private:
  std::string path_;
};

std::string ReadFile(const std::string& path);

}  // namespace testsupport
