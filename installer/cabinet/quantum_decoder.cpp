// Quantum decoding: each block restarts the arithmetic decoder; the window, its position and
// the models run on from block to block within a folder.
//
// The bit reader (quantum_coder.h) counts the zero bits it invents past the input's end; the
// input is exhausted once one of them has been consumed. The coder state lives in locals
// during a call, since every output byte written could otherwise alias it.
//
// The loop exists twice, identical but for how a model is searched and what it is compiled
// for: a portable one, and a wide one for processors with 256-bit integer vectors, chosen at
// create.
#include <cassert>
#include <cstring>

#include "quantum_coder.h"
#include "quantum_decoder.h"
#include "quantum_model.h"

namespace {

constexpr uint32_t QUANTUM_MAGIC = 0x43494451;  // "QDIC"

// Entries searched per model: each model's symbol count rounded up to whole groups.
constexpr uint32_t QUANTUM_POSITION_SPAN = 48;
constexpr uint32_t QUANTUM_LENGTH_SPAN = 32;
static_assert(QUANTUM_POSITION_SLOTS <= QUANTUM_POSITION_SPAN &&
              QUANTUM_LENGTH_SLOTS <= QUANTUM_LENGTH_SPAN && QUANTUM_SELECTORS <= QUANTUM_GROUP);

}  // namespace

struct QuantumDecoder {
  uint32_t magic;
  AllocFn alloc;
  FreeFn free;
  uint32_t block_size;
  int32_t cpu_type;  // kept for the record only
  uint8_t* window;
  uint32_t window_pos;  // write offset, wraps at the window's end
  // The window's first `filled` bytes hold data (all of them once it has wrapped); a match
  // reaching past them reads zeros. Zeroing on demand spares a large window's pages until
  // they are needed.
  uint32_t filled;
  uint32_t position;  // bytes produced since the folder started
  uint32_t mask;
  uint8_t window_bits;
  bool wide;  // decodes with the loop for processors with 256-bit integer vectors
  QuantumBases bases;
  QuantumModels models;
};

namespace {

using namespace quantum_coder;

// Bytes decoded go to the window alone; they are copied out to the caller's buffer in runs
// (flush), which spares every literal and match a second store and the copy a call per match.

struct Output {
  uint8_t* out;
  uint32_t produced;  // bytes copied out
  uint32_t pending;   // bytes in the window, ending at its position, not yet copied out
  uint32_t wanted;    // bytes still owed, pending ones excluded
};

// Copied out before the window could overwrite them: after any token they are at most this
// plus the longest match, which is at most the smallest window.
constexpr uint32_t QUANTUM_FLUSH_AT = (1u << QUANTUM_MIN_WINDOW_BITS) - QUANTUM_MAX_MATCH;

// Zeroes what a match will read beyond the filled part of the window.
void fill_for_match(QuantumDecoder* d, uint32_t src, uint32_t length) {
  uint32_t size = d->mask + 1;
  uint32_t filled = d->filled > d->window_pos ? d->filled : d->window_pos;
  if (src + length <= filled) return;
  uint32_t end = src + length < size ? src + length : size;
  std::memset(d->window + filled, 0, end - filled);
  d->filled = end;
}

// Copies N bytes through a register: both ends may be anywhere.
template <uint32_t N>
struct Chunk {
  uint8_t bytes[N];
  explicit Chunk(const uint8_t* src) { std::memcpy(bytes, src, N); }
  void store(uint8_t* dst) const { std::memcpy(dst, bytes, N); }
};

// Copies `length` (at least N) bytes forward in chunks of N from a source at least N bytes
// behind or ahead, so that each chunk reads only bytes already final (behind) or still
// unchanged (ahead); the last chunk, aligned to the end, rewrites some with the same values.
template <uint32_t N>
inline void copy_in_chunks(uint8_t* dst, const uint8_t* src, uint32_t length) {
  assert(length >= N && (src + N <= dst || src >= dst + N));
  for (uint32_t k = 0; k + N < length; k += N) Chunk<N>(src + k).store(dst + k);
  Chunk<N>(src + length - N).store(dst + length - N);
}

// Copies `length` (N to 2N) bytes, at least N back or ahead, as two chunks of N that may
// overlap: the head, then the tail, whose source the head may have completed.
template <uint32_t N>
inline void copy_two_chunks(uint8_t* dst, const uint8_t* src, uint32_t length) {
  assert(length >= N && length <= 2 * N);
  Chunk<N>(src).store(dst);
  Chunk<N>(src + length - N).store(dst + length - N);
}

// A match whose source and destination do not wrap and lie at least 16 bytes apart, the
// source behind or ahead: exactly its bytes are written, in chunks that each read bytes
// already final (behind) or still unchanged (ahead). Up to 32 bytes: two chunks that may
// overlap; longer, 16 bytes at a time, the last chunk ending at the match's end.
inline void copy_far(uint8_t* dst, const uint8_t* src, uint32_t length) {
  assert(src + 16 <= dst || src >= dst + 16);
  if (length > 32) {
    copy_in_chunks<16>(dst, src, length);
  } else if (length > 16) {
    copy_two_chunks<16>(dst, src, length);
  } else if (length >= 8) {
    copy_two_chunks<8>(dst, src, length);
  } else if (length >= 4) {
    copy_two_chunks<4>(dst, src, length);
  } else {
    for (uint32_t k = 0; k < length; ++k) dst[k] = src[k];
  }
}

// A match less than 16 bytes back, neither wrapping: what copying byte by byte gives,
// `offset` bytes repeating where the two overlap.
inline void copy_near(uint8_t* dst, uint32_t length, uint32_t offset) {
  const uint8_t* src = dst - offset;
  if (offset >= 8 && length >= 8) {
    copy_in_chunks<8>(dst, src, length);
  } else if (offset >= 4 && length >= 4) {
    copy_in_chunks<4>(dst, src, length);
  } else {
    for (uint32_t k = 0; k < length; ++k) dst[k] = src[k];
  }
}

void copy_match(QuantumDecoder* d, Output& o, uint32_t length, uint32_t offset) {
  uint8_t* window = d->window;
  uint32_t mask = d->mask;
  uint32_t dst = d->window_pos;
  uint32_t src = (dst - offset) & mask;
  if (d->filled <= mask) fill_for_match(d, src, length);
  bool unwrapped = dst + length <= mask + 1 && src + length <= mask + 1;
  if (unwrapped && (src + 16 <= dst || src >= dst + 16)) {
    copy_far(window + dst, window + src, length);
  } else if (unwrapped && src < dst) {
    copy_near(window + dst, length, offset);
  } else {
    // Wrapping, near ahead, or a match of the window's whole size (its source is its
    // destination): byte by byte, each source byte read before it is overwritten.
    for (uint32_t k = 0; k < length; ++k) {
      window[(dst + k) & mask] = window[src];
      src = (src + 1) & mask;
    }
  }
  d->window_pos = (dst + length) & mask;
  if (d->window_pos < dst) d->filled = mask + 1;  // wrapped: every byte has been written
  d->position += length;
  o.pending += length;
  o.wanted -= length;
}

void flush(const QuantumDecoder* d, Output& o) {
  uint32_t n = o.pending;
  assert(n <= d->mask + 1);
  uint32_t start = (d->window_pos - n) & d->mask;
  uint32_t first = n < d->mask + 1 - start ? n : d->mask + 1 - start;
  std::memcpy(o.out + o.produced, d->window + start, first);
  std::memcpy(o.out + o.produced + first, d->window, n - first);
  o.produced += n;
  o.pending = 0;
}

enum class Token { Ok, Overflow };

template <class Search>
[[gnu::always_inline]] inline Token decode_token(QuantumDecoder* d, Coder& c, BitReader& r,
                                                 Output& o) {
  QuantumModels& m = d->models;
  uint32_t selector = decode_symbol<Search, QUANTUM_GROUP>(m.selector, c, r);
  if (selector < 4) {
    uint8_t byte = uint8_t(selector * 64 + decode_symbol<Search>(m.literal[selector], c, r));
    d->window[d->window_pos] = byte;
    d->window_pos = (d->window_pos + 1) & d->mask;
    if (d->window_pos == 0) d->filled = d->mask + 1;
    ++d->position;
    ++o.pending;
    --o.wanted;
    return Token::Ok;
  }
  uint32_t length;
  uint32_t slot;
  if (selector == 4) {
    length = 3;
    slot = decode_symbol<Search, QUANTUM_POSITION_SPAN>(m.short_position, c, r);
  } else if (selector == 5) {
    length = 4;
    slot = decode_symbol<Search, QUANTUM_POSITION_SPAN>(m.medium_position, c, r);
  } else {
    uint32_t length_slot = decode_symbol<Search, QUANTUM_LENGTH_SPAN>(m.length, c, r);
    length = d->bases.length[length_slot] + raw_bits(r, QUANTUM_LENGTH_EXTRA[length_slot]) +
             QUANTUM_CODED_LENGTH_MIN;
    slot = decode_symbol<Search, QUANTUM_POSITION_SPAN>(m.long_position, c, r);
  }
  uint32_t offset = d->bases.position[slot] + raw_bits(r, QUANTUM_POSITION_EXTRA[slot]) + 1;
  // Never cut short: a match that runs past the block's end means the stream is corrupt.
  if (length > o.wanted) return Token::Overflow;
  copy_match(d, o, length, offset);
  return Token::Ok;
}

template <class Search>
[[gnu::always_inline]] inline CodecStatus decode_block(QuantumDecoder* d, const uint8_t* input,
                                                       uint32_t input_size, uint8_t* output,
                                                       uint32_t output_size) {
  BitReader r{input, input_size, 0, 0, 0};
  r.refill();
  Coder c{0, 0xFFFF, r.take(16)};
  Output o{output, 0, 0, output_size};
  bool overflow = false;
  while (o.wanted != 0 && !r.exhausted()) {
    if (decode_token<Search>(d, c, r, o) == Token::Overflow) {
      overflow = true;
      break;
    }
    if (o.pending >= QUANTUM_FLUSH_AT) flush(d, o);
  }
  flush(d, o);
  if (overflow || r.exhausted()) return CodecStatus::DataError;
  return CodecStatus::Ok;
}

CodecStatus decode_block_portable(QuantumDecoder* d, const uint8_t* input, uint32_t input_size,
                                  uint8_t* output, uint32_t output_size) {
  return decode_block<QuantumDivisionSearch>(d, input, input_size, output, output_size);
}

#if QUANTUM_WIDE_LOOP
// The same loop compiled for the processors QUANTUM_WIDE_TARGET names, where the product search
// beats a division. Everything it calls from this file is inlined into it (flatten), so all of
// that is compiled for them; the same functions inlined into the portable loop are not.
[[gnu::target(QUANTUM_WIDE_TARGET), gnu::flatten]]
CodecStatus decode_block_wide(QuantumDecoder* d, const uint8_t* input, uint32_t input_size,
                              uint8_t* output, uint32_t output_size) {
  return decode_block<QuantumProductSearch>(d, input, input_size, output, output_size);
}
#endif

bool processor_has_wide() {
#if !QUANTUM_WIDE_LOOP
  return false;
#else
  __builtin_cpu_init();
  // Not every compiler knows "lzcnt" as a feature name: its bit is asked of the processor.
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  const bool lzcnt = __get_cpuid(0x80000001, &eax, &ebx, &ecx, &edx) && (ecx & bit_LZCNT) != 0;
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
         __builtin_cpu_supports("bmi2") && lzcnt && __builtin_cpu_supports("popcnt");
#endif
}

void initialise(QuantumDecoder* d) {
  // The window keeps its bytes; the next folder writes from its start again.
  if (d->window_pos > d->filled) d->filled = d->window_pos;
  d->window_pos = 0;
  d->position = 0;
  quantum_build_bases(&d->bases);
  quantum_models_init(&d->models, d->bases, d->window_bits);
}

}  // namespace

CodecStatus quantum_create(uint32_t* block_size, const QuantumConfig* config, AllocFn alloc,
                           FreeFn free, uint32_t* input_capacity, QuantumDecoder** handle) {
  if (!config || config->window_bits < QUANTUM_MIN_WINDOW_BITS ||
      config->window_bits > QUANTUM_MAX_WINDOW_BITS)
    return CodecStatus::BadWindow;
  if (*block_size == 0 || *block_size > CAB_BLOCK_SIZE) *block_size = CAB_BLOCK_SIZE;
  *input_capacity = *block_size + QUANTUM_INPUT_SLACK;
  if (!handle) return CodecStatus::Ok;

  auto* d = static_cast<QuantumDecoder*>(alloc(sizeof(QuantumDecoder)));
  if (!d) return CodecStatus::NoMemory;
  uint32_t window_size = 1u << config->window_bits;
  auto* window = static_cast<uint8_t*>(alloc(window_size));
  if (!window) {
    free(d);
    return CodecStatus::NoMemory;
  }
  // A match reaching before the first folder's first byte reads zeros, never stale memory.
  d->filled = 0;
  d->window_pos = 0;
  d->magic = QUANTUM_MAGIC;
  d->alloc = alloc;
  d->free = free;
  d->block_size = *block_size;
  d->cpu_type = config->cpu_type;
  d->window = window;
  d->mask = window_size - 1;
  d->window_bits = uint8_t(config->window_bits);
  d->wide = processor_has_wide();
  initialise(d);
  *handle = d;
  return CodecStatus::Ok;
}

CodecStatus quantum_decompress(QuantumDecoder* handle, const uint8_t* input, uint32_t input_size,
                               uint8_t* output, uint32_t* output_size) {
  if (!handle || handle->magic != QUANTUM_MAGIC) return CodecStatus::BadHandle;
  if (!output_size || *output_size > handle->block_size) return CodecStatus::BadSize;

#if QUANTUM_WIDE_LOOP
  if (handle->wide) return decode_block_wide(handle, input, input_size, output, *output_size);
#endif
  return decode_block_portable(handle, input, input_size, output, *output_size);
}

CodecStatus quantum_reset(QuantumDecoder* handle) {
  if (!handle || handle->magic != QUANTUM_MAGIC) return CodecStatus::BadHandle;
  initialise(handle);
  return CodecStatus::Ok;
}

CodecStatus quantum_destroy(QuantumDecoder* handle) {
  if (!handle || handle->magic != QUANTUM_MAGIC) return CodecStatus::BadHandle;
  FreeFn free = handle->free;
  free(handle->window);
  handle->magic = 0;
  free(handle);
  return CodecStatus::Ok;
}

CodecStatus quantum_select_loop(QuantumDecoder* handle, QuantumLoop loop) {
  if (!handle || handle->magic != QUANTUM_MAGIC) return CodecStatus::BadHandle;
  if (loop == QuantumLoop::Wide && !processor_has_wide()) return CodecStatus::BadSize;
  handle->wide = loop == QuantumLoop::Wide;
  return CodecStatus::Ok;
}
