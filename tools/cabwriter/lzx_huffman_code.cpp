#include "lzx_huffman_code.h"

#include <algorithm>
#include <stdexcept>

namespace cabwriter {

namespace {

// Plain Huffman over the used symbols; returns the depth of each. The leaves sorted by count
// and the merged nodes, which come out in order of weight, form two queues: the two lightest
// nodes are always at their fronts. On equal weights a leaf goes first and leaves go by symbol,
// which fixes the tree (the packed bytes do not depend on the sort). Linear after the sort: the
// deflate writer asks for several codes per 32 KiB block.
std::vector<uint8_t> unlimited_lengths(const std::vector<uint32_t>& counts) {
  std::vector<std::pair<uint64_t, uint32_t>> leaves;  // count, symbol
  for (size_t i = 0; i < counts.size(); ++i)
    if (counts[i] != 0) leaves.push_back({counts[i], uint32_t(i)});
  std::sort(leaves.begin(), leaves.end());
  const size_t n = leaves.size();  // at least two
  // Nodes 0..n-1 are the sorted leaves, n + k the k-th merge; the last merge is the root.
  std::vector<uint64_t> merged(n - 1);
  std::vector<uint32_t> parent(2 * n - 1);
  size_t next_leaf = 0, next_merged = 0;
  auto take_lightest = [&](size_t made) -> size_t {
    if (next_leaf < n && (next_merged == made || leaves[next_leaf].first <= merged[next_merged])) return next_leaf++;
    return n + next_merged++;
  };
  auto weight = [&](size_t node) { return node < n ? leaves[node].first : merged[node - n]; };
  for (size_t made = 0; made < n - 1; ++made) {
    const size_t a = take_lightest(made), b = take_lightest(made);
    merged[made] = weight(a) + weight(b);
    parent[a] = parent[b] = uint32_t(n + made);
  }
  // Depths from the root down: a merge's parent was made after it.
  std::vector<uint32_t> depth(2 * n - 1, 0);
  for (size_t node = 2 * n - 2; node-- > 0;) depth[node] = depth[parent[node]] + 1;
  std::vector<uint8_t> lengths(counts.size(), 0);
  for (size_t leaf = 0; leaf < n; ++leaf) lengths[leaves[leaf].second] = uint8_t(std::min<uint32_t>(depth[leaf], 255));
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
