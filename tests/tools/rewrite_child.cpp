// Rewrites the tags of the files it is given, over and over, for the kill
// test: `quillon_rewrite_child DATA_FOLDER RUN PASSES [--journal] FILE...`
// writes every file once per pass with the values of label "R<RUN>G<pass>"
// (PASSES 0: forever, until killed). Each write is what the batch run does:
// ReadTag, WriteTagV2, then WriteTagV1 after a successful WriteTagV2; with
// --journal, the run keeps its undo journal in DATA_FOLDER as the window's
// run does. `quillon_rewrite_child --undo DATA_FOLDER` undoes the journal
// there instead.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "support/kill_labels.h"
#include "tag_engine/mp3_tag_engine.h"
#include "tag_engine/undo_journal.h"

namespace {

// Tells the kill test that the work starts now.
void SayReady() {
  std::fputc('r', stdout);
  std::fflush(stdout);
}

int Undo(const std::string& dataFolder) {
  std::optional<undo::Session> session = undo::Session::Open(dataFolder + undo::kJournalName, dataFolder);
  SayReady();
  if (!session) return 1;
  for (std::size_t i = 0; i < session->Count(); ++i) (void)session->Restore(i);
  session->Finish();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--undo") == 0) return Undo(argv[2]);
  if (argc < 5) {
    std::fprintf(stderr, "usage: %s DATA_FOLDER RUN PASSES [--journal] FILE...\n", argv[0]);
    return 2;
  }
  Mp3TagEngine engine;
  engine.DataFolder = argv[1];
  const long run = std::strtol(argv[2], nullptr, 10);
  const long passes = std::strtol(argv[3], nullptr, 10);
  const bool journaled = std::strcmp(argv[4], "--journal") == 0;
  const std::vector<std::string> files(argv + (journaled ? 5 : 4), argv + argc);
  std::optional<undo::Writer> journal;
  if (journaled) {
    journal.emplace(engine.DataFolder + undo::kJournalName);
    engine.Journal = &*journal;
  }
  SayReady();
  for (long pass = 1; passes == 0 || pass <= passes; ++pass) {
    const test_support::KillLabel label{run, pass};
    const test_support::LabelValues v = test_support::ValuesOf(label);
    for (const std::string& file : files) {
      engine.ReadTag(file);
      if (engine.WriteTagV2(file, v.title, v.artist, v.album, v.comment, v.year, v.track, v.genre, v.category, "ZQ"))
        engine.WriteTagV1(file, v.title, v.artist, v.album, v.comment, v.year);
    }
  }
  if (journal) journal->Finish();
  return 0;
}
