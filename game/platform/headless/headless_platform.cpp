#include "game/platform/headless/headless_platform.h"

#include <cstdio>

namespace kv {

HeadlessPlatform::HeadlessPlatform(const HeadlessOptions& options)
    : sound(loop, options.waveDevice), dialogs(loop), random(options.seed), host(loop, options.folder, options.configFolder) {}

void HeadlessHost::ReportProblem(const std::string& text) {
  problems.push_back(text);
  std::fprintf(stderr, "%s\n", text.c_str());
}

}  // namespace kv
