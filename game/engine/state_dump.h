#pragma once
// The form's state as "Name=value" lines in a stable order: every GameData field (array
// elements as Name[i]), then each timer's Interval and Enabled, each menu item's Checked,
// each label's Caption and Visible.
#include <string>
#include <utility>
#include <vector>

#include "game/engine/GameData.h"

namespace kv {

class frmMain;

std::vector<std::pair<std::string, std::string>> DescribeGameData(const GameData& gd);
std::vector<std::string> DumpState(const frmMain& form);

// Plain decimal text: 19300, 0.75, -1.365 (shortest text that reads back the same value).
std::string NumberText(double v);
std::string NumberText(float v);

}  // namespace kv
