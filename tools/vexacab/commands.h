// The three things vexacab does. Each returns the process exit status.
#pragma once

#include <string>

namespace vexacab {

int list_cabinet(const std::string& cabinet);
int extract_set(const std::string& cabinet, const std::string& directory);
int test_set(const std::string& cabinet);

// Prints "vexacab: NAME (detail)" to standard error.
void report(const std::string& name, const std::string& detail);

// Splits "dir/name.cab" into "dir/" and "name.cab" (the engine joins them without a separator).
void split_cabinet_path(const std::string& cabinet, std::string* directory, std::string* name);

// Tells why a cabinet cannot be opened at all; false when it can.
bool refuse_unreadable(const std::string& cabinet);

}  // namespace vexacab
