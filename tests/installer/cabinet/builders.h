// Small builders shared by the engine's tests.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cab_set_writer.h"
#include "set_extractor.h"
#include "test_data.h"

namespace testcab {

inline cabwriter::SourceFile file(const std::string& name, std::vector<uint8_t> data,
                                  uint16_t attributes = 0x20) {
  cabwriter::SourceFile f;
  f.name = name;
  f.data = std::move(data);
  f.attributes = attributes;
  return f;
}

inline cabwriter::SourceFolder folder(uint16_t type, std::vector<cabwriter::SourceFile> files) {
  cabwriter::SourceFolder f;
  f.type_compress = type;
  f.files = std::move(files);
  return f;
}

// Two files in one stored folder and one in an MSZIP folder.
inline std::vector<cabwriter::SourceFolder> two_folders() {
  return {folder(0, {file("a.txt", testdata::text_like(1000, 1)), file("b.bin", testdata::random_bytes(40000, 2))}),
          folder(1, {file("c.txt", testdata::text_like(50000, 3))})};
}

// Every file of every folder came out byte for byte, and no handle was left open.
inline void expect_all_extracted(const memfs::Extraction& result,
                                 const std::vector<cabwriter::SourceFolder>& folders) {
  ASSERT_TRUE(result.ok) << cab_error_name(result.error.code);
  size_t count = 0;
  for (const cabwriter::SourceFolder& folder : folders) {
    for (const cabwriter::SourceFile& f : folder.files) {
      ++count;
      auto it = result.files.find(f.name);
      ASSERT_NE(it, result.files.end()) << f.name;
      EXPECT_TRUE(it->second == f.data) << f.name << " differs";
    }
  }
  EXPECT_EQ(result.files.size(), count);
  EXPECT_EQ(memfs::open_handles(), 0);
}

}  // namespace testcab
