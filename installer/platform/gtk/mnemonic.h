// The installer's texts mark a mnemonic with "&" before its letter; the toolkit uses "_".
#pragma once

#include <string>

namespace platform {

// "&x" becomes "_x", "&&" a plain "&", and a "_" of the text stays a plain "_" ("__").
std::string toolkit_mnemonic(const std::string& text);

}  // namespace platform
