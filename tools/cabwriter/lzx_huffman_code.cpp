#include "lzx_huffman_code.h"

#include <algorithm>
#include <queue>
#include <stdexcept>

namespace cabwriter {

namespace {

// Plain Huffman over the used symbols; returns the depth of each.
std::vector<uint8_t> unlimited_lengths(const std::vector<uint32_t>& counts) {
  struct Node {
    uint64_t weight;
    int left, right;
  };
  std::vector<Node> nodes;
  using Item = std::pair<uint64_t, int>;
  std::priority_queue<Item, std::vector<Item>, std::greater<Item>> queue;
  for (size_t i = 0; i < counts.size(); ++i) {
    if (counts[i] == 0) continue;
    nodes.push_back({counts[i], -1, int(i)});
    queue.push({counts[i], int(nodes.size() - 1)});
  }
  while (queue.size() > 1) {
    auto [wa, a] = queue.top();
    queue.pop();
    auto [wb, b] = queue.top();
    queue.pop();
    nodes.push_back({wa + wb, a, b});
    queue.push({wa + wb, int(nodes.size() - 1)});
  }
  std::vector<uint8_t> lengths(counts.size(), 0);
  std::vector<std::pair<int, int>> stack = {{queue.top().second, 0}};
  while (!stack.empty()) {
    auto [n, depth] = stack.back();
    stack.pop_back();
    if (nodes[n].left < 0) {
      lengths[nodes[n].right] = uint8_t(std::min(depth, 255));
    } else {
      stack.push_back({nodes[n].left, depth + 1});
      stack.push_back({nodes[n].right, depth + 1});
    }
  }
  return lengths;
}

}  // namespace

std::vector<uint8_t> huffman_lengths(const std::vector<uint32_t>& counts, uint32_t max_length) {
  std::vector<uint8_t> lengths(counts.size(), 0);
  size_t used = std::count_if(counts.begin(), counts.end(), [](uint32_t c) { return c != 0; });
  if (used == 0) return lengths;
  if (used == 1) {
    size_t only = std::find_if(counts.begin(), counts.end(), [](uint32_t c) { return c != 0; }) -
                  counts.begin();
    if (counts.size() < 2) throw std::invalid_argument("a code needs two symbols");
    lengths[only] = 1;
    lengths[only == 0 ? 1 : 0] = 1;
    return lengths;
  }
  // Flattening the counts until the tree fits keeps the code complete.
  std::vector<uint32_t> scaled = counts;
  for (;;) {
    lengths = unlimited_lengths(scaled);
    if (*std::max_element(lengths.begin(), lengths.end()) <= max_length) return lengths;
    for (uint32_t& c : scaled)
      if (c != 0) c = (c >> 1) | 1;
  }
}

std::vector<uint32_t> canonical_codes(const std::vector<uint8_t>& lengths) {
  uint32_t per_length[33] = {};
  for (uint8_t len : lengths) ++per_length[len];
  per_length[0] = 0;
  uint32_t next[33] = {};
  uint32_t code = 0;
  for (int len = 1; len <= 32; ++len) {
    code = (code + per_length[len - 1]) << 1;
    next[len] = code;
  }
  std::vector<uint32_t> codes(lengths.size(), 0);
  for (size_t i = 0; i < lengths.size(); ++i)
    if (lengths[i] != 0) codes[i] = next[lengths[i]]++;
  return codes;
}

}  // namespace cabwriter
