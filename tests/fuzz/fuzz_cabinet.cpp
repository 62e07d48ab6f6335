// libFuzzer target: any bytes as a cabinet.
#include "fuzz_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return fuzz_one_cabinet(data, size);
}
