// The record an install leaves in its destination, and its text form. The record lists what
// the install wrote; the uninstaller removes nothing else.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

constexpr char MANIFEST_NAME[] = "uninstall.manifest";
constexpr char UNINSTALLER_NAME[] = "uninstall";

struct ManifestFile {
  std::string path;    // files: relative to the destination; launchers: absolute
  uint64_t size = 0;
  std::string sha256;  // 64 lower-case hex digits
  bool operator==(const ManifestFile&) const = default;
};

struct Manifest {
  bool destination_created = false;  // the install made the destination folder itself
  std::vector<std::string> folders;  // made by the install, relative to the destination
  std::vector<ManifestFile> files;
  std::vector<ManifestFile> launchers;
  bool operator==(const Manifest&) const = default;
};

// One entry a line, "KIND<TAB>fields...<TAB>path"; paths escaped so that any byte survives.
std::string format_manifest(const Manifest& manifest);

// Nullopt with the reason (naming the line) when the text is not a manifest of ours. Entries
// are taken as written: whether a path may be touched is the uninstaller's decision.
std::optional<Manifest> parse_manifest(const std::string& text, std::string* error);

// An install over an earlier one: what this install wrote replaces the earlier entry of the
// same path, and the earlier entries it did not rewrite stay (their files are still ours).
void merge_earlier_manifest(Manifest& current, const Manifest& earlier);

// Adds or replaces the entry of the same path.
void put_entry(std::vector<ManifestFile>& entries, ManifestFile entry);
