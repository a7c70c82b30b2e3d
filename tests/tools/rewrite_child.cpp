// Rewrites the tags of the files it is given, over and over, for the kill
// test: `quillon_rewrite_child DATA_FOLDER RUN PASSES FILE...` writes every
// file once per pass with the values of label "R<RUN>G<pass>" (PASSES 0:
// forever, until killed). Each write is what the batch run does: ReadTag,
// WriteTagV2, then WriteTagV1 after a successful WriteTagV2.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/kill_labels.h"
#include "tag_engine/mp3_tag_engine.h"

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: %s DATA_FOLDER RUN PASSES FILE...\n", argv[0]);
    return 2;
  }
  Mp3TagEngine engine;
  engine.DataFolder = argv[1];
  const long run = std::strtol(argv[2], nullptr, 10);
  const long passes = std::strtol(argv[3], nullptr, 10);
  const std::vector<std::string> files(argv + 4, argv + argc);
  // Tells the kill test that the writing starts now.
  std::fputc('r', stdout);
  std::fflush(stdout);
  for (long pass = 1; passes == 0 || pass <= passes; ++pass) {
    const test_support::KillLabel label{run, pass};
    const test_support::LabelValues v = test_support::ValuesOf(label);
    for (const std::string& file : files) {
      engine.ReadTag(file);
      if (engine.WriteTagV2(file, v.title, v.artist, v.album, v.comment, v.year, v.track, v.genre, v.category, "ZQ"))
        engine.WriteTagV1(file, v.title, v.artist, v.album, v.comment, v.year);
    }
  }
  return 0;
}
