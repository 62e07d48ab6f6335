#include "game/platform/headless/image_file.h"

#include <zlib.h>

#include "game/platform/headless/files.h"

namespace kv {

namespace {

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void Chunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data) {
  Put32(out, static_cast<uint32_t>(data.size()));
  size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  uLong crc = crc32(0L, out.data() + start, static_cast<uInt>(out.size() - start));
  Put32(out, static_cast<uint32_t>(crc));
}

std::vector<uint8_t> RgbRows(const std::vector<Colour>& pixels, int width, int height, bool filterByte) {
  std::vector<uint8_t> raw;
  raw.reserve(static_cast<size_t>(height) * (width * 3 + 1));
  for (int y = 0; y < height; ++y) {
    if (filterByte) raw.push_back(0);
    for (int x = 0; x < width; ++x) {
      Colour c = pixels[static_cast<size_t>(y) * width + x];
      raw.push_back(static_cast<uint8_t>(c >> 16));
      raw.push_back(static_cast<uint8_t>(c >> 8));
      raw.push_back(static_cast<uint8_t>(c));
    }
  }
  return raw;
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

std::vector<uint8_t> EncodePng(const std::vector<Colour>& pixels, int width, int height) {
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  std::vector<uint8_t> out(kSignature, kSignature + 8);
  std::vector<uint8_t> ihdr;
  Put32(ihdr, static_cast<uint32_t>(width));
  Put32(ihdr, static_cast<uint32_t>(height));
  ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter choice, no interlace
  Chunk(out, "IHDR", ihdr);
  std::vector<uint8_t> raw = RgbRows(pixels, width, height, true);
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> packed(size);
  compress2(packed.data(), &size, raw.data(), static_cast<uLong>(raw.size()), 9);
  packed.resize(size);
  Chunk(out, "IDAT", packed);
  Chunk(out, "IEND", {});
  return out;
}

std::vector<uint8_t> EncodePpm(const std::vector<Colour>& pixels, int width, int height) {
  std::string header = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
  std::vector<uint8_t> out(header.begin(), header.end());
  std::vector<uint8_t> raw = RgbRows(pixels, width, height, false);
  out.insert(out.end(), raw.begin(), raw.end());
  return out;
}

bool WriteScreenshot(const Surface& s, const std::string& path, std::string& error) {
  std::vector<uint8_t> bytes = EndsWith(path, ".ppm") ? EncodePpm(s.pixels(), Surface::kWidth, Surface::kHeight)
                                                      : EncodePng(s.pixels(), Surface::kWidth, Surface::kHeight);
  return WriteFile(path, bytes, error);
}

}  // namespace kv
