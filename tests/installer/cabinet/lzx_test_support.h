// Driving the LZX decoder directly in tests: a counting allocator, and frame-by-frame decoding
// from exact-size copies of each frame's input, so any read past the data trips the sanitizer.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "installer/cabinet/lzx_decoder.h"
#include "tools/cabwriter/folder_encoder.h"

namespace lzxtest {

struct AllocCount {
  uint32_t allocations = 0;
  uint32_t frees = 0;
};

inline AllocCount& counts() {
  static AllocCount c;
  return c;
}

inline void* counting_alloc(uint32_t size) {
  ++counts().allocations;
  return std::malloc(size);
}

inline void counting_free(void* p) {
  ++counts().frees;
  std::free(p);
}

struct DecoderDeleter {
  void operator()(LzxDecoder* d) const { lzx_destroy(d); }
};
using DecoderPtr = std::unique_ptr<LzxDecoder, DecoderDeleter>;

inline DecoderPtr make_decoder(uint32_t window_bits, uint32_t block_size = 32768) {
  LzxConfig config{1u << window_bits};
  uint32_t capacity = 0;
  LzxDecoder* handle = nullptr;
  if (lzx_create(&block_size, &config, counting_alloc, counting_free, &capacity, &handle) !=
      CodecStatus::Ok)
    return nullptr;
  return DecoderPtr(handle);
}

struct FrameResult {
  CodecStatus status;
  std::vector<uint8_t> output;
};

// Decodes one frame from an exact-size heap copy of `input`.
inline FrameResult decode_frame(LzxDecoder* decoder, const std::vector<uint8_t>& input,
                                uint32_t wanted) {
  std::unique_ptr<uint8_t[]> exact(input.empty() ? nullptr : new uint8_t[input.size()]);
  if (!input.empty()) std::copy(input.begin(), input.end(), exact.get());
  FrameResult result;
  result.output.assign(wanted, 0xCD);
  uint32_t size = wanted;
  result.status = lzx_decompress(decoder, exact.get(), uint32_t(input.size()),
                                 result.output.data(), &size);
  result.output.resize(size);
  return result;
}

// Decodes a whole folder; on failure returns what came before and sets `status`.
inline std::vector<uint8_t> decode_folder(LzxDecoder* decoder,
                                          const std::vector<cabwriter::CompressedBlock>& frames,
                                          CodecStatus* status = nullptr) {
  std::vector<uint8_t> out;
  if (status) *status = CodecStatus::Ok;
  for (const auto& frame : frames) {
    FrameResult r = decode_frame(decoder, frame.bytes, frame.uncompressed_size);
    if (r.status != CodecStatus::Ok) {
      if (status) *status = r.status;
      break;
    }
    out.insert(out.end(), r.output.begin(), r.output.end());
  }
  return out;
}

}  // namespace lzxtest
