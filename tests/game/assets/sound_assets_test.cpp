#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "game/assets/sound_design.h"
#include "game/assets/wave.h"
#include "tests/game/assets/wav_reader.h"

namespace {

using kv::assets::GenerateSounds;
using kv::test::ParseWav;
using kv::test::WavInfo;

struct Range {
  double minSeconds, maxSeconds;
};

// Plausible lengths: march notes and the zap are short, the warble lasts a crossing.
const std::map<std::string, Range> kLengths = {
    {"fire.wav", {0.08, 0.4}},   {"hit.wav", {0.4, 1.5}},     {"Inv1.wav", {0.05, 0.3}},
    {"Inv2.wav", {0.05, 0.3}},   {"Inv3.wav", {0.05, 0.3}},   {"Inv4.wav", {0.05, 0.3}},
    {"InvHit.wav", {0.15, 0.6}}, {"Start.wav", {0.3, 1.5}},   {"ufo.wav", {5.0, 12.0}},
    {"UfoHit.wav", {0.15, 0.8}},
};

double Rms(const std::vector<int16_t>& s) {
  double sum = 0;
  for (int16_t v : s) sum += double(v) * v;
  return std::sqrt(sum / std::max<size_t>(1, s.size()));
}

TEST(SoundAssets, TheTenFilesUnderThePackagesSpellings) {
  std::set<std::string> names;
  for (const auto& s : GenerateSounds()) names.insert(s.fileName);
  std::set<std::string> expected;
  for (const auto& [name, range] : kLengths) expected.insert(name);
  EXPECT_EQ(names, expected);
}

TEST(SoundAssets, EachIsValidPcmNonSilentUnclippedAndOfPlausibleLength) {
  for (const auto& s : GenerateSounds()) {
    SCOPED_TRACE(s.fileName);
    WavInfo w;
    ASSERT_EQ(ParseWav(s.wav, w), "");
    EXPECT_EQ(w.format, 1);
    EXPECT_EQ(w.channels, 1);
    EXPECT_EQ(w.bits, 16);
    EXPECT_EQ(w.rate, uint32_t(kv::assets::kSampleRate));
    EXPECT_EQ(w.byteRate, w.rate * 2);
    EXPECT_EQ(w.blockAlign, 2);
    double seconds = double(w.samples.size()) / w.rate;
    EXPECT_GE(seconds, kLengths.at(s.fileName).minSeconds);
    EXPECT_LE(seconds, kLengths.at(s.fileName).maxSeconds);
    int peak = 0;
    for (int16_t v : w.samples) peak = std::max(peak, std::abs(int(v)));
    // Normalised to 0.9 of full scale: loud, and never touching the rails.
    EXPECT_NEAR(peak, 0.9 * 32767, 2);
    EXPECT_GT(Rms(w.samples), 1500) << "too quiet";
    // Fades at both ends: no click at the start or the stop.
    EXPECT_LT(std::abs(int(w.samples.front())), 200);
    EXPECT_LT(std::abs(int(w.samples.back())), 200);
  }
}

TEST(SoundAssets, MarchNotesFallInPitch) {
  // Count zero crossings: a lower note crosses less often in the same time.
  auto crossings = [](const std::vector<int16_t>& s) {
    int n = 0;
    for (size_t i = 1; i < s.size(); ++i) n += (s[i - 1] < 0) != (s[i] < 0);
    return n;
  };
  std::map<std::string, int> count;
  for (const auto& s : GenerateSounds()) {
    WavInfo w;
    ASSERT_EQ(ParseWav(s.wav, w), "");
    count[s.fileName] = crossings(w.samples);
  }
  EXPECT_GT(count["Inv1.wav"], count["Inv2.wav"]);
  EXPECT_GT(count["Inv2.wav"], count["Inv3.wav"]);
  EXPECT_GT(count["Inv3.wav"], count["Inv4.wav"]);
}

TEST(SoundAssets, GenerationIsRepeatable) {
  auto a = GenerateSounds(), b = GenerateSounds();
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 0; i < a.size(); ++i) EXPECT_EQ(a[i].wav, b[i].wav) << a[i].fileName;
}

TEST(Wave, NormaliseScalesToThePeakAndKeepsSilenceSilent) {
  auto n = kv::assets::Normalise({0.f, 2.f, -4.f, 1.f});
  EXPECT_EQ(n, (std::vector<int16_t>{0, 14745, -29490, 7373}));
  EXPECT_EQ(kv::assets::Normalise({0.f, 0.f}), (std::vector<int16_t>{0, 0}));
}

TEST(SoundAssets, BuiltFilesSitBesideTheProgram) {
  std::map<std::string, std::vector<uint8_t>> built;
  for (const auto& s : GenerateSounds()) {
    std::ifstream in(std::string(KV_BIN_DIR) + "/" + s.fileName, std::ios::binary);
    ASSERT_TRUE(in) << s.fileName << " missing beside the program";
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, s.wav) << s.fileName;
  }
}

}  // namespace
