// make_sample OUT [ENTRIES] [SEED]: writes a sample document (default 1,000
// entries) for trying Kardinex out and for benchmarks.
#include <cstdio>
#include <cstdlib>

#include "sample_document.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 4) {
    std::fprintf(stderr, "usage: make_sample OUT [ENTRIES] [SEED]\n");
    return 2;
  }
  long entries = argc >= 3 ? std::strtol(argv[2], nullptr, 10) : 1000;
  long seed = argc >= 4 ? std::strtol(argv[3], nullptr, 10) : 1;
  if (entries < 0 || entries > 2000000) {
    std::fprintf(stderr, "make_sample: ENTRIES must be from 0 to 2000000\n");
    return 2;
  }
  int32_t status =
      KdxWriteSampleDocument(argv[1], static_cast<int32_t>(entries), static_cast<uint32_t>(seed));
  if (status != 0) {
    std::fprintf(stderr, "make_sample: %s: cannot be written (status %d; does it exist already?)\n",
                 argv[1], status);
    return 1;
  }
  return 0;
}
