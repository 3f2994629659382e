// The fast reader against the plain sscanf reading, on any bytes.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/oracle.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (int layout : {FORMAT_SUN, FORMAT_FREE}) {
    const std::string diff = compare_with_oracle(layout, text);
    if (!diff.empty()) {
      std::fprintf(stderr, "%s layout, the readers differ in: %s\n",
                   layout == FORMAT_SUN ? "sun" : "free", diff.c_str());
      std::abort();
    }
  }
  return 0;
}
