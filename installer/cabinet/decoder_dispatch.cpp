#include "decoder_dispatch.h"

#include "lzx_decoder.h"
#include "mszip_decoder.h"
#include "quantum_decoder.h"

CodecStatus decoder_query(uint16_t type_compress, uint32_t* block_size, uint32_t* input_capacity) {
  switch (method_of(type_compress)) {
    case METHOD_NONE:
      *block_size = CAB_BLOCK_SIZE;
      *input_capacity = CAB_BLOCK_SIZE;
      return CodecStatus::Ok;
    case METHOD_MSZIP:
      return mszip_create(block_size, nullptr, nullptr, input_capacity, nullptr);
    case METHOD_QUANTUM: {
      // The query checks the window bits too, so a bad window fails before any allocation.
      QuantumConfig config{window_bits_of(type_compress), 0};
      return quantum_create(block_size, &config, nullptr, nullptr, input_capacity, nullptr);
    }
    case METHOD_LZX:
      return lzx_create(block_size, nullptr, nullptr, nullptr, input_capacity, nullptr);
    default:
      return CodecStatus::BadWindow;
  }
}

CodecStatus decoder_create(uint16_t type_compress, int cpu_type, AllocFn alloc, FreeFn free,
                           uint32_t* block_size, uint32_t* input_capacity, void** handle) {
  switch (method_of(type_compress)) {
    case METHOD_NONE:
      *handle = nullptr;
      return CodecStatus::Ok;
    case METHOD_MSZIP:
      return mszip_create(block_size, alloc, free, input_capacity,
                          reinterpret_cast<MszipDecoder**>(handle));
    case METHOD_QUANTUM: {
      QuantumConfig config{window_bits_of(type_compress), cpu_type};
      QuantumDecoder* decoder = nullptr;
      CodecStatus status = quantum_create(block_size, &config, alloc, free, input_capacity, &decoder);
      *handle = decoder;
      return status;
    }
    case METHOD_LZX: {
      // Window bits 22 to 31 ask for a window the decoder refuses (reported as NoMemory).
      LzxConfig config{1u << window_bits_of(type_compress)};
      return lzx_create(block_size, &config, alloc, free, input_capacity,
                        reinterpret_cast<LzxDecoder**>(handle));
    }
    default:
      return CodecStatus::BadWindow;
  }
}

CodecStatus decoder_decompress(uint16_t type_compress, void* handle, const uint8_t* input,
                               uint32_t input_size, uint8_t* output, uint32_t* output_size) {
  switch (method_of(type_compress)) {
    case METHOD_MSZIP:
      return mszip_decompress(static_cast<MszipDecoder*>(handle), input, input_size, output,
                              output_size);
    case METHOD_QUANTUM:
      return quantum_decompress(static_cast<QuantumDecoder*>(handle), input, input_size, output,
                                output_size);
    case METHOD_LZX:
      return lzx_decompress(static_cast<LzxDecoder*>(handle), input, input_size, output,
                            output_size);
    default:
      return CodecStatus::BadHandle;
  }
}

CodecStatus decoder_reset(uint16_t type_compress, void* handle) {
  switch (method_of(type_compress)) {
    case METHOD_NONE: return CodecStatus::Ok;
    case METHOD_MSZIP: return mszip_reset(static_cast<MszipDecoder*>(handle));
    case METHOD_QUANTUM: return quantum_reset(static_cast<QuantumDecoder*>(handle));
    case METHOD_LZX: return lzx_reset(static_cast<LzxDecoder*>(handle));
    default: return CodecStatus::BadHandle;
  }
}

CodecStatus decoder_destroy(uint16_t type_compress, void* handle) {
  switch (method_of(type_compress)) {
    case METHOD_NONE: return CodecStatus::Ok;
    case METHOD_MSZIP: return mszip_destroy(static_cast<MszipDecoder*>(handle));
    case METHOD_QUANTUM: return quantum_destroy(static_cast<QuantumDecoder*>(handle));
    case METHOD_LZX: return lzx_destroy(static_cast<LzxDecoder*>(handle));
    default: return CodecStatus::BadHandle;
  }
}
