#include "game/platform/headless/headless_platform.h"

namespace kv {

HeadlessPlatform::HeadlessPlatform(const HeadlessOptions& options)
    : sound(loop, options.waveDevice), dialogs(loop), random(options.seed), host(loop, options.folder) {}

}  // namespace kv
