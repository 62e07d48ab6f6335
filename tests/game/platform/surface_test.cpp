// The shared surface: drawings, picture controls and labels, and what a pixel read returns.
#include <gtest/gtest.h>

#include "game/platform/bitmap_font.h"
#include "game/platform/canvas.h"
#include "game/platform/image_control.h"
#include "game/platform/label.h"

namespace kv {
namespace {

Picture Solid(int w, int h, Colour c) { return MakePicture(w, h, std::vector<Colour>(static_cast<size_t>(w) * h, c)); }

class SurfaceTest : public ::testing::Test {
 protected:
  BitmapTextRenderer text;
  Surface surface;
  Canvas form{surface, 0, 0, {0, 0, 629, 436}, text};
  Canvas panel{surface, 629, 0, {629, 0, 165, 436}, text};
};

TEST_F(SurfaceTest, ReadsOutsideTheClientAreaAreNoGameColour) {
  for (auto [x, y] : std::vector<std::pair<int, int>>{{-1, 0}, {0, -1}, {794, 10}, {10, 436}, {300, 1000}}) {
    Colour c = form.Point(x, y);
    for (Colour game : {kBlack, kWhite, kRed, kGreen, kCyan}) EXPECT_NE(c, game) << x << "," << y;
  }
  EXPECT_EQ(form.Point(793, 435), kBlack);
}

TEST_F(SurfaceTest, BoxesAreInclusiveAndFractionsFloor) {
  form.FillBox(12.7, 20.2, 10, 22.9, kCyan);
  EXPECT_EQ(form.Point(10, 20), kCyan);
  EXPECT_EQ(form.Point(12, 22), kCyan);
  EXPECT_EQ(form.Point(13, 22), kBlack);
  EXPECT_EQ(form.Point(12, 23), kBlack);
  form.PSet(5.9, 5.9, kRed);
  EXPECT_EQ(form.Point(5, 5), kRed);
  EXPECT_EQ(form.Point(5.99, 5.01), kRed);
}

TEST_F(SurfaceTest, TheFormsDrawingsStopAtThePanel) {
  panel.FillBox(0, 0, 0, 435, kWhite);
  form.FillBox(600, 10, 700, 10, kCyan);
  EXPECT_EQ(form.Point(628, 10), kCyan);
  EXPECT_EQ(form.Point(629, 10), kWhite);  // what the screen shows there: the panel
  EXPECT_EQ(form.Point(640, 10), kBlack);
}

TEST_F(SurfaceTest, PictureCoversDrawingsAndLeavesBackground) {
  ImageControl img;
  img.SetPicture(Solid(4, 3, kWhite));
  img.Move(50, 50);
  form.Add(img);
  form.PSet(60, 51, kCyan);
  form.PSet(51, 51, kCyan);  // drawn over the hidden picture's place
  img.SetVisible(true);
  EXPECT_EQ(form.Point(51, 51), kWhite);
  form.PSet(52, 51, kCyan);  // a drawing on top of a shown picture stays...
  img.Move(50, 50);          // ...through a move that changes nothing
  EXPECT_EQ(form.Point(52, 51), kCyan);
  img.Move(58, 50);          // the picture leaves: its old place is background
  EXPECT_EQ(form.Point(52, 51), kBlack);
  EXPECT_EQ(form.Point(60, 51), kWhite);
  img.SetVisible(false);
  EXPECT_EQ(form.Point(60, 51), kBlack);  // the drawing it covered is gone
}

TEST_F(SurfaceTest, RepaintsKeepTheZOrder) {
  ImageControl below, above;
  below.SetPicture(Solid(10, 10, kGreen));
  above.SetPicture(Solid(4, 4, kRed));
  below.Move(0, 0);
  above.Move(3, 3);
  below.SetVisible(true);
  above.SetVisible(true);
  form.Add(below);
  form.Add(above);
  below.Move(1, 0);  // moving the lower one must not paint over the upper one
  EXPECT_EQ(form.Point(4, 4), kRed);
  EXPECT_EQ(form.Point(0, 0), kBlack);
  above.SetVisible(false);  // the area it leaves shows the picture below
  EXPECT_EQ(form.Point(4, 4), kGreen);
}

TEST_F(SurfaceTest, PictureSizeFollowsItsPicture) {
  ImageControl img;
  img.SetPicture(Solid(22, 16, kWhite));
  img.SetVisible(true);
  form.Add(img);
  img.SetPicture(Solid(24, 15, kRed));
  EXPECT_EQ(img.Width(), 24);
  EXPECT_EQ(form.Point(23, 0), kRed);
  EXPECT_EQ(form.Point(0, 15), kBlack);
}

TEST_F(SurfaceTest, ClsWipesDrawingsAndPaintsPicturesWhole) {
  ImageControl base;
  base.SetPicture(Solid(44, 32, kGreen));
  base.Move(68, 320);
  base.SetVisible(true);
  form.Add(base);
  form.FillBox(70, 330, 80, 340, kBlack);
  form.PSet(5, 5, kCyan);
  EXPECT_EQ(form.Point(75, 335), kBlack);
  form.Cls();
  EXPECT_EQ(form.Point(75, 335), kGreen);
  EXPECT_EQ(form.Point(5, 5), kBlack);
  uint64_t presents = surface.presents();
  form.Refresh();
  EXPECT_EQ(surface.presents(), presents + 1);
}

TEST_F(SurfaceTest, TransparentLabelInksOnlyItsTextAndClearsItsRectangleWhenHidden) {
  Label lbl;
  LabelDesign d;
  d.caption = "I";
  d.width = 60;
  d.height = 30;
  d.font = {"Arial", 24, true};
  d.foreColor = kDarkRed;
  d.transparent = true;
  d.visible = false;
  lbl.Design(d);
  form.Add(lbl);
  form.PSet(59, 29, kCyan);
  lbl.SetVisible(true);
  int ink = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 60; ++x) ink += form.Point(x, y) == kDarkRed;
  EXPECT_GT(ink, 20);
  EXPECT_EQ(form.Point(59, 29), kBlack);  // showing repaints the rectangle first
  form.PSet(59, 29, kCyan);
  lbl.SetVisible(false);
  EXPECT_EQ(form.Point(59, 29), kBlack);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 60; ++x) ASSERT_EQ(form.Point(x, y), kBlack);
}

TEST_F(SurfaceTest, OpaqueLabelHasItsBackground) {
  ImageControl img;
  img.SetPicture(Solid(30, 30, kWhite));
  img.SetVisible(true);
  form.Add(img);
  Label lbl;
  LabelDesign d;
  d.caption = "100";
  d.width = 55;
  d.height = 23;
  d.font = {"Sans Serif", 13.5, true};
  d.foreColor = kRed;
  d.backColor = kBlack;
  d.visible = true;
  lbl.Design(d);
  form.Add(lbl);
  EXPECT_EQ(form.Point(0, 0), kBlack);
  EXPECT_EQ(lbl.Caption(), "100");
  bool red = false;
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 55; ++x) red |= form.Point(x, y) == kRed;
  EXPECT_TRUE(red);
}

TEST(BitmapFontTest, AlignsAndBreaksLines) {
  BitmapTextRenderer r;
  FontSpec font{"UI Gothic", 12, false};
  int s = BitmapTextRenderer::Scale(12);
  EXPECT_EQ(s, 2);
  TextMask left = r.Render("A", font, 100, 40, Align::Left);
  TextMask right = r.Render("A", font, 100, 40, Align::Right);
  auto firstInkX = [](const TextMask& m) {
    for (int x = 0; x < m.width; ++x)
      for (int y = 0; y < m.height; ++y)
        if (m.at(x, y)) return x;
    return -1;
  };
  EXPECT_EQ(firstInkX(left), 0);
  EXPECT_EQ(firstInkX(right), 100 - 6 * s);
  TextMask two = r.Render("A\r\nA", font, 100, 40, Align::Left);
  bool secondLine = false;
  for (int x = 0; x < 10; ++x) secondLine |= two.at(x, s + 9 * s);
  EXPECT_TRUE(secondLine);
  // Text the font does not have still shows, as boxes; malformed bytes do not crash.
  TextMask jp = r.Render("ハイスコア\xff", font, 100, 40, Align::Left);
  EXPECT_TRUE(jp.at(0, s));
}

}  // namespace
}  // namespace kv
