#include "game/shell/ini_location.h"

#include <cerrno>
#include <cstring>

#include "game/platform/file_store.h"
#include "game/shell/cIniFile.h"

namespace kv {

namespace {

constexpr char kConfigSubfolder[] = "ruziz-kestrovan";
constexpr size_t kMaxSeedBytes = 1 << 20;  // the INI class reads no larger file either

std::string FolderOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

std::string Cause(int error) { return error ? std::strerror(error) : "unknown cause"; }

}  // namespace

std::string IniLocation::Fallback(const std::string& beside) const {
  std::string config = host_.ConfigFolder();
  if (config.empty()) return {};
  return config + "/" + kConfigSubfolder + "/" + NameOf(beside);
}

std::string IniLocation::Path(const std::string& beside) {
  const std::string fallback = Fallback(beside);
  if (fallback.empty()) return beside;
  if (!besideFailed_ && FolderTakesWrites(FolderOf(beside))) return beside;
  Seed(beside, fallback);
  return (FileExists(fallback) || !FileExists(beside)) ? fallback : beside;
}

void IniLocation::Seed(const std::string& beside, const std::string& fallback) {
  if (FileExists(fallback) || !FileExists(beside)) return;
  std::string bytes;
  if (ReadWholeFile(beside, bytes, kMaxSeedBytes) != ReadResult::Ok) return;
  errno = 0;
  if (MakeFolders(FolderOf(fallback)) && ReplaceFile(fallback, bytes)) return;
  Report("Kestrovan: cannot copy the settings to " + fallback + " (" + Cause(errno) + ")");
}

bool IniLocation::Set(const std::string& beside, const std::string& section, const std::string& key,
                      const std::string& value) {
  const std::string fallback = Fallback(beside);
  // errno holds the cause when this gives false.
  auto write = [&](const std::string& path) {
    if (path == fallback && !MakeFolders(FolderOf(path))) return false;
    errno = 0;
    return cIniFile().MySetString(path, section, key, value);
  };
  std::string path = Path(beside);
  if (write(path)) return true;
  std::string failure = "Kestrovan: cannot save the settings in " + path + " (" + Cause(errno) + ")";
  if (fallback.empty() || path == fallback) {
    Report(failure);
    return false;
  }
  Report(failure + "; saving them in " + fallback);
  besideFailed_ = true;
  path = Path(beside);
  if (path == fallback && write(path)) return true;
  Report("Kestrovan: cannot save the settings in " + fallback + " (" + Cause(errno) + ")");
  return false;
}

void IniLocation::Report(const std::string& text) {
  if (reported_.insert(text).second) host_.ReportProblem(text);
}

}  // namespace kv
