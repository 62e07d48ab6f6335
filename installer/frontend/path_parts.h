// A path split the way the installer's file names are split: drive ("X:"), folder part (up to
// and including the last separator), file name, extension (from the last dot of the name).
// Both '/' and '\' separate.
#pragma once

#include <string>

struct PathParts {
  std::u16string drive;
  std::u16string folder;
  std::u16string name;
  std::u16string extension;
};

PathParts split_path_parts(const std::u16string& path);
