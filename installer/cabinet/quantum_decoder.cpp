// Quantum decoding: each block restarts the arithmetic decoder; the window, its position and
// the models run on from block to block within a folder.
//
// The bit reader keeps a 64-bit buffer and counts the zero bits it invents past the input's
// end; the input is exhausted once one of them has been consumed. The coder state lives in
// locals during a call, since every output byte written could otherwise alias it.
#include <bit>
#include <cassert>
#include <cstring>

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
  QuantumBases bases;
  QuantumModels models;
};

namespace {

struct BitReader {
  const uint8_t* in;
  uint32_t size;
  uint32_t next;    // next byte to load; passes size by the zero bytes invented past the end
  uint64_t buffer;  // unread bits, most significant first
  uint32_t count;   // unread bits in buffer

  // Tops the buffer up to at least 56 bits.
  void refill() {
    if (next + 8 <= size) {
      uint64_t word;
      std::memcpy(&word, in + next, 8);
      if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
      // Bits below the counted ones are the true next bits, so ORing them in again later is
      // harmless.
      buffer |= word >> count;
      next += (63 - count) >> 3;
      count |= 56;
      return;
    }
    while (count <= 56) {
      uint64_t byte = next < size ? in[next] : 0;
      ++next;
      buffer |= byte << (56 - count);
      count += 8;
    }
  }

  // 1 to 32 bits; the caller has refilled.
  uint32_t take(uint32_t n) {
    uint32_t value = uint32_t(buffer >> (64 - n));
    buffer <<= n;
    count -= n;
    return value;
  }

  // 0 to 32 bits; the caller has refilled.
  uint32_t take_upto(uint32_t n) {
    uint32_t value = uint32_t((buffer >> 1) >> (63 - n));
    buffer <<= n;
    count -= n;
    return value;
  }

  bool exhausted() const { return uint64_t(next) * 8 - count > uint64_t(size) * 8; }
};

struct Coder {
  uint32_t low, high, code;  // 16-bit values
};

// Branch-free: the shifts vary with the data and would be mispredicted half the time.
inline void renormalise(Coder& c, BitReader& r) {
  // low < high, so they never agree on every bit.
  assert(c.low < c.high && c.high <= 0xFFFF);
  // Leading bits that low and high share are settled: shift them all out at once.
  uint32_t n = uint32_t(std::countl_zero(uint16_t(c.low ^ c.high)));
  c.low = (c.low << n) & 0xFFFF;
  c.high = ((c.high << n) | ((1u << n) - 1)) & 0xFFFF;
  c.code = ((c.code << n) | r.take_upto(n)) & 0xFFFF;
  // Now low's top bit is 0 and high's 1. While they straddle the middle within a quarter (low's
  // bit 14 set, high's clear) the second bit is dropped and code's flipped: k such steps at
  // once, k being the run of such bits from bit 14 down.
  uint32_t k = uint32_t(std::countl_one(((c.low & ~c.high) & 0x7FFF) << 17));
  uint32_t run = (1u << k) - 1;
  c.low = (c.low << k) & 0x7FFF;
  c.high = ((c.high << k) | run | 0x8000) & 0xFFFF;
  c.code = (((c.code ^ (run << (15 - k))) << k) | r.take_upto(k)) & 0xFFFF;
}

template <uint32_t Span = QUANTUM_MAX_SYMBOLS>
inline uint32_t decode_symbol(QuantumModel& model, Coder& c, BitReader& r) {
  const uint16_t* cum = model.cum;
  uint32_t total = cum[0];
  uint32_t range = c.high - c.low + 1;
  // A corrupt stream may leave code outside [low, high]; the 16-bit difference keeps the
  // target non-negative, and the search settles on some entry whatever it is.
  uint32_t target = ((((c.code - c.low) & 0xFFFF) + 1) * total - 1) / range;
  uint32_t i = quantum_model_find<Span>(&model, target);
  uint32_t low = c.low;
  c.high = (low + quantum_scale(cum[i], range, total) - 1) & 0xFFFF;
  c.low = (low + quantum_scale(cum[i + 1], range, total)) & 0xFFFF;
  r.refill();
  renormalise(c, r);
  uint32_t symbol = model.symbol[i];
  quantum_model_update<Span>(&model, i);
  return symbol;
}

inline uint32_t raw_bits(BitReader& r, uint32_t n) {
  if (n == 0) return 0;
  r.refill();
  return r.take(n);
}

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

// Zeroes what a match will read beyond the filled part of the window.
void fill_for_match(QuantumDecoder* d, uint32_t src, uint32_t length) {
  uint32_t size = d->mask + 1;
  uint32_t filled = d->filled > d->window_pos ? d->filled : d->window_pos;
  if (src + length <= filled) return;
  uint32_t end = src + length < size ? src + length : size;
  std::memset(d->window + filled, 0, end - filled);
  d->filled = end;
}

// Copies `length` (at least N) bytes forward in chunks of N, no longer than the offset, so
// that each reads only bytes already final; the last chunk, aligned to the end, rewrites some
// of them with the same values.
template <uint32_t N>
inline void copy_in_chunks(uint8_t* dst, const uint8_t* src, uint32_t length) {
  assert(length >= N && uint32_t(dst - src) >= N);
  uint8_t chunk[N];
  for (uint32_t k = 0; k + N < length; k += N) {
    std::memcpy(chunk, src + k, N);
    std::memcpy(dst + k, chunk, N);
  }
  std::memcpy(chunk, src + length - N, N);
  std::memcpy(dst + length - N, chunk, N);
}

// A match whose source lies wholly before its destination, neither wrapping: what copying
// byte by byte gives, `offset` bytes repeating where the two overlap.
inline void copy_within(uint8_t* dst, uint32_t length, uint32_t offset) {
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
  if (d->filled <= mask) fill_for_match(d, (dst - offset) & mask, length);
  if (offset <= dst && dst + length <= mask + 1) {
    copy_within(window + dst, length, offset);
  } else {
    // Wrapping, or a source past the destination (an offset near the window size): byte by
    // byte, each source byte read before it is overwritten.
    uint32_t src = (dst - offset) & mask;
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

enum class Token { Ok, Overflow };

Token decode_token(QuantumDecoder* d, Coder& c, BitReader& r, Output& o) {
  QuantumModels& m = d->models;
  uint32_t selector = decode_symbol<QUANTUM_GROUP>(m.selector, c, r);
  if (selector < 4) {
    uint8_t byte = uint8_t(selector * 64 + decode_symbol(m.literal[selector], c, r));
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
    slot = decode_symbol<QUANTUM_POSITION_SPAN>(m.short_position, c, r);
  } else if (selector == 5) {
    length = 4;
    slot = decode_symbol<QUANTUM_POSITION_SPAN>(m.medium_position, c, r);
  } else {
    uint32_t length_slot = decode_symbol<QUANTUM_LENGTH_SPAN>(m.length, c, r);
    length = d->bases.length[length_slot] + raw_bits(r, QUANTUM_LENGTH_EXTRA[length_slot]) +
             QUANTUM_CODED_LENGTH_MIN;
    slot = decode_symbol<QUANTUM_POSITION_SPAN>(m.long_position, c, r);
  }
  uint32_t offset = d->bases.position[slot] + raw_bits(r, QUANTUM_POSITION_EXTRA[slot]) + 1;
  // Never cut short: a match that runs past the block's end means the stream is corrupt.
  if (length > o.wanted) return Token::Overflow;
  copy_match(d, o, length, offset);
  return Token::Ok;
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
  initialise(d);
  *handle = d;
  return CodecStatus::Ok;
}

CodecStatus quantum_decompress(QuantumDecoder* handle, const uint8_t* input, uint32_t input_size,
                               uint8_t* output, uint32_t* output_size) {
  if (!handle || handle->magic != QUANTUM_MAGIC) return CodecStatus::BadHandle;
  if (!output_size || *output_size > handle->block_size) return CodecStatus::BadSize;

  BitReader r{input, input_size, 0, 0, 0};
  r.refill();
  Coder c{0, 0xFFFF, r.take(16)};
  Output o{output, 0, 0, *output_size};
  bool overflow = false;
  while (o.wanted != 0 && !r.exhausted()) {
    if (decode_token(handle, c, r, o) == Token::Overflow) {
      overflow = true;
      break;
    }
    if (o.pending >= QUANTUM_FLUSH_AT) flush(handle, o);
  }
  flush(handle, o);
  if (overflow || r.exhausted()) return CodecStatus::DataError;
  return CodecStatus::Ok;
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
