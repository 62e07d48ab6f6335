#include "game/platform/menu_layout.h"

#include <gtest/gtest.h>

#include "game/platform/frame_diff.h"

namespace kv {
namespace {

TEST(MenuLayout, AccessKeysBecomeMnemonicsAndLiteralMarksSurvive) {
  EXPECT_EQ(MnemonicLabel("開始(&S)"), "開始(_S)");
  EXPECT_EQ(MnemonicLabel("ﾌｧｲﾙ(&F)"), "ﾌｧｲﾙ(_F)");
  EXPECT_EQ(MnemonicLabel("Salt && Pepper"), "Salt & Pepper");
  EXPECT_EQ(MnemonicLabel("snake_case"), "snake__case");
  EXPECT_EQ(MnemonicLabel("trailing&"), "trailing");
}

TEST(MenuLayout, AColumnShowsCheckBoxesWhenOneOfItsItemsIsChecked) {
  MenuItem level("mnuLevel", "ﾚﾍﾞﾙ(&L)"), easy("mnuEasy", "初級(&E)"), medium("mnuMedium", "中級(&M)", true);
  MenuItem file("mnuFile", "ﾌｧｲﾙ(&F)"), start("mnuStart", "開始(&S)", false, 116), sep("mnuSep1", "-");
  EXPECT_TRUE(MakeColumn(&level, {&easy, &medium}).checkable);
  MenuColumn f = MakeColumn(&file, {&start, &sep});
  EXPECT_FALSE(f.checkable);
  EXPECT_TRUE(IsSeparator(sep));
  EXPECT_EQ(ShortcutName(start.Shortcut()), "F5");
  EXPECT_EQ(ShortcutName(0), "");
}

TEST(FrameDiff, TheChangedRectangleBoundsEveryChangeAndCopyingClearsIt) {
  const int w = 10, h = 6;
  std::vector<Colour> shown(w * h, kBlack), now = shown;
  EXPECT_TRUE(ChangedRect(now, shown, w, h).empty());
  now[1 * w + 7] = kWhite;
  now[4 * w + 2] = kGreen;
  Rect r = ChangedRect(now, shown, w, h);
  EXPECT_EQ(r, (Rect{2, 1, 6, 4}));
  CopyRect(now, shown, w, {2, 1, 6, 3});  // the last changed row stays behind
  EXPECT_EQ(ChangedRect(now, shown, w, h), (Rect{2, 4, 1, 1}));
  CopyRect(now, shown, w, r);
  EXPECT_TRUE(ChangedRect(now, shown, w, h).empty());
}

}  // namespace
}  // namespace kv
