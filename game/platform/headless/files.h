#pragma once
// The few file services the headless tools need.
#include <cstdint>
#include <string>
#include <vector>

namespace kv {

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);
bool ReadTextFile(const std::string& path, std::string& text, std::string& error);
bool IsDirectory(const std::string& path);

// A fresh empty folder under the system's temporary folder, removed with its contents when
// the object goes.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }
  bool ok() const { return !path_.empty(); }

 private:
  std::string path_;
};

}  // namespace kv
