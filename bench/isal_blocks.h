// ISA-L's igzip inflate of the same MSZIP blocks, the previous block's output as the dictionary:
// a second, faster baseline for the MSZIP decoder. Used only through its public header.
#pragma once

#include <isa-l/igzip_lib.h>

#include <stdexcept>
#include <vector>

#include "folder_encoder.h"

namespace benchdata {

class IsalBlockInflater {
 public:
  IsalBlockInflater() {
    buffers_[0].resize(32768);
    buffers_[1].resize(32768);
  }

  size_t run(const std::vector<cabwriter::CompressedBlock>& blocks) {
    size_t total = 0;
    int current = 0;
    bool have_previous = false;
    for (const cabwriter::CompressedBlock& block : blocks) {
      isal_inflate_init(&state_);
      state_.crc_flag = ISAL_DEFLATE;
      if (have_previous &&
          isal_inflate_set_dict(&state_, buffers_[current ^ 1].data(), 32768) != COMP_OK)
        throw std::runtime_error("isal_inflate_set_dict");
      state_.next_in = const_cast<uint8_t*>(block.bytes.data() + 2);
      state_.avail_in = uint32_t(block.bytes.size() - 2);
      state_.next_out = buffers_[current].data();
      state_.avail_out = 32768;
      if (isal_inflate(&state_) != ISAL_DECOMP_OK || state_.block_state != ISAL_BLOCK_FINISH)
        throw std::runtime_error("isal_inflate");
      total += 32768 - state_.avail_out;
      current ^= 1;
      have_previous = true;
    }
    return total;
  }

 private:
  inflate_state state_{};
  std::vector<uint8_t> buffers_[2];
};

}  // namespace benchdata
