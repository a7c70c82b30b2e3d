// Any bytes at all, read as an MP3 file: the read must return, without a
// crash, a hang or an allocation larger than the file warrants.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_scratch.h"
#include "support/rewrite_invariants.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  test_support::ReadAsFile(FuzzScratchFolder(), std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
