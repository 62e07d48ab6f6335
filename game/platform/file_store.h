#pragma once
// The few file services the game's logic needs in its program folder: whole-file reads,
// replacing a file in one step, and names found without regard to letter case.
#include <cstddef>
#include <string>

namespace kv {

enum class ReadResult { Ok, Missing, Failed };

// Reads the whole regular file at path. Missing: no file of that name. Failed: anything else
// that keeps it from being read (a folder, no permission, larger than limit bytes); errno
// then names the cause.
ReadResult ReadWholeFile(const std::string& path, std::string& bytes, size_t limit);

// A regular file (or a link to one) exists at path.
bool FileExists(const std::string& path);

// Writes bytes to a temporary file beside path and renames it over path, so that a crash leaves
// either the old file or the new one, never a half-written one. An existing file keeps its
// permission bits. Returns false, with path untouched, when any step fails.
bool ReplaceFile(const std::string& path, const std::string& bytes);

// The folder exists and this process may create files in it.
bool FolderTakesWrites(const std::string& folder);

// Creates the folder and any missing parents (mode 0700, as per-user settings want); true when
// it exists afterwards.
bool MakeFolders(const std::string& folder);

// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config; empty without a home folder.
std::string UserConfigFolder();

// The name of the entry of folder that equals name without regard to ASCII letter case: name
// itself when it exists, else the first such entry in byte order, else empty.
std::string FindNameNoCase(const std::string& folder, const std::string& name);

}  // namespace kv
