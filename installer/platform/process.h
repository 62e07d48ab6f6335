// The running process: its own file, error codes and their texts, environment, programs.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

std::string executable_path();  // empty when unknown
int last_error();
std::string error_text(int code);  // the system's message for an error code
std::optional<std::string> environment(const char* name);
bool running_as_root();

// Starts a program in `directory` and does not wait for it; false when it cannot be started.
bool start_program(const std::string& path, const std::vector<std::string>& arguments,
                   const std::string& directory);
// Runs a program to its end with no input and its output discarded; its exit status, -1 when
// it could not be run.
int run_program(const std::string& path, const std::vector<std::string>& arguments);
// Finds a program in PATH; empty when absent.
std::string find_program(const std::string& name);

}  // namespace platform
