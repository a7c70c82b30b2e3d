// The values the kill test's child writes: every value of one write carries
// the same label, so a file whose tag or ID3v1 block mixes two writes shows.
// The lengths vary with the label, so that consecutive tags differ in size
// and audio shifted by a half-done rewrite cannot line up by chance.
#pragma once

#include <optional>
#include <string>

namespace test_support {

struct KillLabel {
  long run = 0;
  long pass = 0;
  friend bool operator==(const KillLabel&, const KillLabel&) = default;
  // Order in which the writes happened: runs in turn, passes within a run.
  friend bool operator<(const KillLabel& a, const KillLabel& b) {
    return a.run != b.run ? a.run < b.run : a.pass < b.pass;
  }
};

struct LabelValues {
  std::string title, artist, album, comment, year, track, genre, category;
};

LabelValues ValuesOf(const KillLabel& label);

// The label a title was written for; nullopt for a title no write made.
std::optional<KillLabel> LabelOfTitle(const std::string& title);

}  // namespace test_support
