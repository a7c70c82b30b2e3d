// Replays every file of the fuzzers' seed corpus, findings included, through
// the same checks the rewrite fuzz target makes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "support/rewrite_invariants.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

TEST(FuzzCorpus, EveryCorpusFileRewritesSafely) {
  const fs::path corpus = fs::path(QUILLON_SOURCE_DIR) / "tests" / "fuzz_corpus";
  ASSERT_TRUE(fs::is_directory(corpus));
  int replayed = 0;
  for (const auto& entry : fs::directory_iterator(corpus)) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    test_support::TempDir dir;
    test_support::ReadAsFile(dir.path(), bytes);
    EXPECT_EQ(test_support::CheckRewriteInvariants(dir.path(), bytes), "") << entry.path().filename();
    ++replayed;
  }
  EXPECT_GT(replayed, 0);
}

}  // namespace
