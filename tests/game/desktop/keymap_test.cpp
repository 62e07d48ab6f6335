#include "game/platform/gtk/keymap.h"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>

#include "game/platform/keys.h"

namespace kv {
namespace {

constexpr unsigned kShift = 1u << 0, kCtrl = 1u << 2, kAlt = 1u << 3;  // GDK's modifier bits

TEST(Keymap, TheGamesKeysGetTheirCodes) {
  EXPECT_EQ(KeyCodeFor(GDK_KEY_Left), 37);
  EXPECT_EQ(KeyCodeFor(GDK_KEY_Right), 39);
  EXPECT_EQ(KeyCodeFor(GDK_KEY_KP_Left), 37);
  EXPECT_EQ(KeyCodeFor(GDK_KEY_Return), 13);
  EXPECT_EQ(KeyCodeFor(GDK_KEY_KP_Enter), 13);
  EXPECT_EQ(KeyCodeFor(GDK_KEY_F5), 116);
  EXPECT_EQ(KeyCodeFor(GDK_KEY_Shift_R), 16);
  EXPECT_EQ(KeyCodeFor(GDK_KEY_Control_L), 17);
  EXPECT_EQ(KeyCodeFor(GDK_KEY_Alt_L), 18);
  EXPECT_EQ(KeyCodeFor(GDK_KEY_f), 70);
  EXPECT_EQ(KeyCodeFor(GDK_KEY_F), 70);
  EXPECT_EQ(KeyCodeFor(GDK_KEY_7), 55);
  EXPECT_EQ(KeyCodeFor(GDK_KEY_space), 32);
  EXPECT_EQ(KeyCodeFor(GDK_KEY_dead_acute), 0);
}

TEST(Keymap, ShiftStateCountsTheModifierBeingPressed) {
  // The toolkit's state does not yet hold the modifier of its own key-down.
  EXPECT_EQ(ShiftStateFor(0, GDK_KEY_Control_L, true), kCtrlMask);
  EXPECT_EQ(ShiftStateFor(kCtrl, GDK_KEY_Control_L, true), kCtrlMask) << "auto-repeat";
  EXPECT_EQ(ShiftStateFor(0, GDK_KEY_Shift_L, true), kShiftMask);
  EXPECT_EQ(ShiftStateFor(0, GDK_KEY_Alt_L, true), kAltMask);
  EXPECT_EQ(ShiftStateFor(kCtrl, GDK_KEY_Control_L, false), 0) << "released";
  EXPECT_EQ(ShiftStateFor(kShift | kAlt, GDK_KEY_Left, true), kShiftMask | kAltMask);
  EXPECT_EQ(ShiftStateFor(0, GDK_KEY_Right, true), 0);
}

}  // namespace
}  // namespace kv
