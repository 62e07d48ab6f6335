#include "game/platform/gtk/pango_text.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

int Ink(const TextMask& m, int x0, int x1, int y0, int y1) {
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) n += m.at(x, y);
  return n;
}

class Fonts : public ::testing::Test {
 protected:
  PangoTextRenderer text;
};

TEST_F(Fonts, TheGamesFamiliesMapToTheInstalledFonts) {
  EXPECT_EQ(text.ResolvedFamily("HIGH SCORE", {"UI Gothic", 12, true}).substr(0, 3), "IPA");
  EXPECT_EQ(text.ResolvedFamily("Ruziz Kestrovan", {"Arial", 36, true}), "Liberation Sans");
  EXPECT_EQ(text.ResolvedFamily("NEW TYPE", {"Sans Serif", 24, true}), "Liberation Sans");
}

TEST_F(Fonts, JapaneseRendersWithoutMissingGlyphs) {
  for (const char* s : {"ハイスコア", "おめでとうございます。", "名前を入力してください ...", "最大 10 文字",
                        "ﾌｧｲﾙ(&F)", "ﾊﾞｰｼﾞｮﾝ情報", "キャンセル"}) {
    EXPECT_EQ(text.MissingGlyphs(s, {"UI Gothic", 12, false}), 0) << s;
    EXPECT_GT(Ink(text.Render(s, {"UI Gothic", 12, true}, 300, 24, Align::Left), 0, 300, 0, 24), 20) << s;
  }
}

TEST_F(Fonts, InkIsAllOrNothingAndStaysInItsRectangle) {
  TextMask m = text.Render("Ruziz Kestrovan", {"Arial", 36, true}, 629, 69, Align::Centre);
  ASSERT_EQ(m.width, 629);
  ASSERT_EQ(m.height, 69);
  for (uint8_t v : m.ink) EXPECT_LE(v, 1);
  // 36 points at 96 pixels per inch: capitals about 35 pixels high, centred.
  int top = -1, bottom = -1, left = 629, right = -1;
  for (int y = 0; y < 69; ++y)
    for (int x = 0; x < 629; ++x)
      if (m.at(x, y)) {
        if (top < 0) top = y;
        bottom = y;
        left = std::min(left, x);
        right = std::max(right, x);
      }
  EXPECT_GE(bottom - top, 30);
  EXPECT_LE(bottom - top, 50);
  EXPECT_NEAR((left + right) / 2.0, 629 / 2.0, 6);
}

TEST_F(Fonts, AlignmentAndLineBreaks) {
  const FontSpec f{"UI Gothic", 12, true};
  TextMask right = text.Render("19300", f, 137, 21, Align::Right);
  EXPECT_EQ(Ink(right, 0, 80, 0, 21), 0);
  EXPECT_GT(Ink(right, 80, 137, 0, 21), 0);
  TextMask left = text.Render("19300", f, 137, 21, Align::Left);
  EXPECT_GT(Ink(left, 0, 57, 0, 21), 0);
  EXPECT_EQ(Ink(left, 80, 137, 0, 21), 0);
  TextMask lines = text.Render(" Move:\r\n   [LEFT] [RIGHT]", f, 141, 85, Align::Left);
  EXPECT_GT(Ink(lines, 0, 141, 0, 18), 0);
  EXPECT_GT(Ink(lines, 0, 141, 20, 40), 0);
  EXPECT_EQ(Ink(lines, 0, 141, 45, 85), 0);
}

// The fonts a caption may end up in: the game's families, what they map to, and what fontconfig
// falls back to when those are missing.
const char* const kFallbacks[] = {"Arial", "Sans Serif", "UI Gothic", "Liberation Sans", "DejaVu Sans", "IPAPGothic",
                                  "IPAGothic"};

TEST_F(Fonts, TheGameOverCaptionShowsWholeOnOneLineInEveryFallbackFont) {
  // lblGameOver is 584 x 111; twice its height shows whether a word went to a second line.
  const int w = 584, h = 111;
  for (const char* family : kFallbacks) {
    TextMask m = text.Render("GAME OVER", {family, 72, true}, w, 2 * h, Align::Left);
    EXPECT_GT(Ink(m, w * 2 / 3, w, 0, h), 200) << family << ": no \"OVER\" in the label's band";
    EXPECT_EQ(Ink(m, 0, w, h, 2 * h), 0) << family << ": wrapped below the label";
    EXPECT_EQ(Ink(m, w - 1, w, 0, h), 0) << family << ": cut at the label's right edge";
    EXPECT_GT(Ink(m, 0, 20, 0, h), 0) << family << ": not from the label's left";
  }
}

// The rightmost glyph, "!", keeps the gap between its stroke and its dot when drawn bold.
TEST_F(Fonts, BoldCaptionsAreBolderAndKeepTheirShapesInEveryFallbackFont) {
  const int w = 145, h = 21;  // lblHsName
  for (const char* family : kFallbacks) {
    TextMask bold = text.Render("You !", {family, 12, true}, w, h, Align::Right);
    TextMask plain = text.Render("You !", {family, 12, false}, w, h, Align::Right);
    EXPECT_GT(Ink(bold, 0, w, 0, h), Ink(plain, 0, w, 0, h) * 6 / 5) << family;
    int right = w - 1;
    while (right > 0 && Ink(bold, right, right + 1, 0, h) == 0) --right;
    int left = right;
    while (left > 0 && Ink(bold, left - 1, left, 0, h) > 0) --left;
    std::vector<int> rows;
    for (int y = 0; y < h; ++y)
      if (Ink(bold, left, right + 1, y, y + 1)) rows.push_back(y);
    ASSERT_FALSE(rows.empty()) << family;
    EXPECT_LT(int(rows.size()), rows.back() - rows.front() + 1) << family << ": the \"!\" reads as an \"l\"";
  }
}

TEST_F(Fonts, EmptyCaptionsAndEmptyRectangles) {
  TextMask m = text.Render("", {"Arial", 12, false}, 10, 10, Align::Left);
  EXPECT_EQ(Ink(m, 0, 10, 0, 10), 0);
  EXPECT_EQ(text.Render("x", {"Arial", 12, false}, 0, 10, Align::Left).ink.size(), 0u);
}

}  // namespace
}  // namespace kv
