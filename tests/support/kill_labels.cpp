#include "support/kill_labels.h"

#include <cstdio>

namespace test_support {

LabelValues ValuesOf(const KillLabel& label) {
  // Appended piece by piece: "R" + a temporary string trips GCC 12's false
  // -Wrestrict at -O3.
  std::string tag = "R";
  tag += std::to_string(label.run);
  tag += 'G';
  tag += std::to_string(label.pass);
  const std::string filler(static_cast<std::size_t>((label.run * 7 + label.pass * 13) % 23) * 9, 'x');
  LabelValues v;
  v.title = tag;  // short enough to fit the 30-byte ID3v1 field whole
  v.artist = "artist " + tag;
  v.album = "album " + tag + filler;
  v.comment = "c" + tag;
  v.year = std::to_string(1000 + (label.pass % 9000));
  v.track = std::to_string(label.pass);
  v.genre = "genre " + tag + filler + filler;
  v.category = "category " + tag;
  return v;
}

std::optional<KillLabel> LabelOfTitle(const std::string& title) {
  long run = 0, pass = 0;
  int consumed = 0;
  if (std::sscanf(title.c_str(), "R%ldG%ld%n", &run, &pass, &consumed) != 2) return std::nullopt;
  if (static_cast<std::size_t>(consumed) != title.size()) return std::nullopt;
  return KillLabel{run, pass};
}

}  // namespace test_support
