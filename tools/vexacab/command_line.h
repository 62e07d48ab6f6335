// vexacab's arguments: one parser per command. Each returns an empty string when the arguments
// are usable, else what is wrong with them (a usage error, exit status 2).
#pragma once

#include <string>
#include <vector>

#include "commands.h"

namespace vexacab {

std::string parse_create(const std::vector<std::string>& args, CreateOptions* options);
std::string parse_extract(const std::vector<std::string>& args, ExtractOptions* options);

// A byte count: decimal digits with an optional K, M or G (powers of 1024). False for anything
// else or a value above `max`.
bool parse_bytes(const std::string& text, uint64_t max, uint64_t* value);

}  // namespace vexacab
