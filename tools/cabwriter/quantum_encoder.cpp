#include "quantum_encoder.h"

#include <algorithm>
#include <cassert>
#include <stdexcept>

#include "installer/cabinet/codec.h"
#include "installer/cabinet/quantum_decoder.h"
#include "quantum_parser.h"

namespace cabwriter {

namespace {

// Bytes past a block that its last positions' hashes read.
constexpr uint32_t LOOKAHEAD = 3;

}  // namespace

QuantumStreamEncoder::QuantumStreamEncoder(const QuantumOptions& options)
    : tokens_(options.window_bits), parser_(std::make_unique<QuantumParser>(tokens_, options)) {}

QuantumStreamEncoder::~QuantumStreamEncoder() = default;

void QuantumStreamEncoder::feed(std::span<const uint8_t> piece, std::vector<CompressedBlock>& out) {
  QuantumMatchFinder& finder = parser_->finder();
  static_assert(CAB_BLOCK_SIZE + LOOKAHEAD < 2 * CAB_BLOCK_SIZE, "the finder holds a block and its lookahead");
  while (!piece.empty()) {
    piece = piece.subspan(finder.append(piece));
    // Coding every whole block keeps what lies past the finder's next position below its
    // lookahead room, so the next append takes something.
    while (finder.end() - coded_ >= CAB_BLOCK_SIZE + LOOKAHEAD) code_block(coded_ + CAB_BLOCK_SIZE, out);
    assert(finder.end() - coded_ < finder.lookahead_room());
  }
}

void QuantumStreamEncoder::finish(std::vector<CompressedBlock>& out) {
  uint32_t end = parser_->finder().end();
  while (coded_ < end) code_block(std::min(end, coded_ + CAB_BLOCK_SIZE), out);
}

void QuantumStreamEncoder::code_block(uint32_t end, std::vector<CompressedBlock>& out) {
  tokens_.begin_block();
  parser_->parse(coded_, end);
  CompressedBlock block;
  block.bytes = tokens_.finish_block();
  block.uncompressed_size = uint16_t(end - coded_);
  // Literals cost little more than 8 bits each, so this cannot happen for any real input;
  // a block past it would be refused by every reader.
  if (block.bytes.size() > CAB_BLOCK_SIZE + QUANTUM_INPUT_SLACK)
    throw std::runtime_error("Quantum block does not fit a reader's input buffer");
  out.push_back(std::move(block));
  coded_ = end;
}

std::vector<CompressedBlock> encode_quantum(std::span<const uint8_t> stream,
                                            const QuantumOptions& options, QuantumStats* stats) {
  QuantumStreamEncoder encoder(options);
  std::vector<CompressedBlock> blocks;
  encoder.feed(stream, blocks);
  encoder.finish(blocks);
  if (stats) *stats = encoder.stats();
  return blocks;
}

}  // namespace cabwriter
