// Any bytes at all, read and rewritten: the audio after the old tag must come
// out byte for byte and the new tag must read back with the values written.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz_scratch.h"
#include "support/rewrite_invariants.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string failure =
      test_support::CheckRewriteInvariants(FuzzScratchFolder(), std::string(reinterpret_cast<const char*>(data), size));
  if (!failure.empty()) {
    std::fprintf(stderr, "rewrite invariant broken: %s\n", failure.c_str());
    std::abort();
  }
  return 0;
}
