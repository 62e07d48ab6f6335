// A complete engine client over memfs: extracts a cabinet or a whole set the way a program
// would (one cab_extract per cabinet, following the next-cabinet names), recording every
// notification and hook call.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tools/cabwriter/cab_image.h"
#include "memory_files.h"

namespace memfs {

struct Extraction {
  bool ok = false;
  CabErrorRecord error{};
  std::map<std::string, std::vector<uint8_t>> files;  // extracted, by stored name
  std::vector<std::string> events;  // "CabinetOpened disk1.cab", "FileBegin a.txt", "HookFolder 0", ...
  std::vector<CabNotification> notifications;  // copies, texts not kept
};

struct ClientPolicy {
  // Answer for FileBegin; the default extracts everything.
  std::function<int32_t(const CabNotification&)> file_begin;
  // Answer for each notification kind before the default handling; return INT32_MIN to defer.
  std::function<int32_t(CabNotifyKind, CabNotification&)> override_answer;
  bool use_hook = true;
  std::function<int32_t(ReserveHookRecord&)> hook;
  bool follow_set = true;  // call cab_extract again for each later cabinet
};

// Stores the cabinets in memfs (under their file names) and extracts from the first.
Extraction extract_images(const std::vector<cabwriter::CabinetImage>& set, const ClientPolicy& policy = {});
// Extracts cabinets already in memfs, starting at `first`.
Extraction extract_stored(const std::string& first, const ClientPolicy& policy = {});

}  // namespace memfs
