#include "game/platform/gtk/keymap.h"

#include <gdk/gdk.h>

#include "game/platform/keys.h"

namespace kv {

namespace {

struct Pair {
  unsigned keyval;
  int16_t code;
};

constexpr Pair kKeys[] = {
    {GDK_KEY_BackSpace, 8},   {GDK_KEY_Tab, 9},        {GDK_KEY_ISO_Left_Tab, 9}, {GDK_KEY_Return, kKeyReturn},
    {GDK_KEY_KP_Enter, 13},   {GDK_KEY_Shift_L, kKeyShift}, {GDK_KEY_Shift_R, kKeyShift},
    {GDK_KEY_Control_L, kKeyControl}, {GDK_KEY_Control_R, kKeyControl}, {GDK_KEY_Alt_L, kKeyMenu},
    {GDK_KEY_Alt_R, kKeyMenu}, {GDK_KEY_Meta_L, kKeyMenu}, {GDK_KEY_Meta_R, kKeyMenu},
    {GDK_KEY_ISO_Level3_Shift, kKeyMenu}, {GDK_KEY_Pause, 19}, {GDK_KEY_Caps_Lock, 20},
    {GDK_KEY_Escape, 27},     {GDK_KEY_space, 32},     {GDK_KEY_Page_Up, 33},     {GDK_KEY_Page_Down, 34},
    {GDK_KEY_End, 35},        {GDK_KEY_Home, 36},      {GDK_KEY_Left, kKeyLeft},  {GDK_KEY_Up, 38},
    {GDK_KEY_Right, kKeyRight}, {GDK_KEY_Down, 40},    {GDK_KEY_KP_Left, kKeyLeft}, {GDK_KEY_KP_Up, 38},
    {GDK_KEY_KP_Right, kKeyRight}, {GDK_KEY_KP_Down, 40}, {GDK_KEY_Insert, 45},   {GDK_KEY_Delete, 46},
};

}  // namespace

int16_t KeyCodeFor(unsigned keyval) {
  for (const Pair& p : kKeys)
    if (p.keyval == keyval) return p.code;
  unsigned upper = gdk_keyval_to_upper(keyval);
  if (upper >= GDK_KEY_A && upper <= GDK_KEY_Z) return static_cast<int16_t>('A' + (upper - GDK_KEY_A));
  if (keyval >= GDK_KEY_0 && keyval <= GDK_KEY_9) return static_cast<int16_t>('0' + (keyval - GDK_KEY_0));
  if (keyval >= GDK_KEY_KP_0 && keyval <= GDK_KEY_KP_9) return static_cast<int16_t>(96 + (keyval - GDK_KEY_KP_0));
  if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F24) return static_cast<int16_t>(112 + (keyval - GDK_KEY_F1));
  return 0;
}

int16_t ShiftStateFor(unsigned state, unsigned keyval, bool pressed) {
  bool shift = state & GDK_SHIFT_MASK, ctrl = state & GDK_CONTROL_MASK, alt = state & GDK_MOD1_MASK;
  switch (KeyCodeFor(keyval)) {
    case kKeyShift: shift = pressed; break;
    case kKeyControl: ctrl = pressed; break;
    case kKeyMenu: alt = pressed; break;
    default: break;
  }
  return static_cast<int16_t>((shift ? kShiftMask : 0) | (ctrl ? kCtrlMask : 0) | (alt ? kAltMask : 0));
}

}  // namespace kv
