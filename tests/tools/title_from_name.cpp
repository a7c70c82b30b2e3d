// What a batch run does to each file with the title rule at "file name" and
// every other rule at "no change", without the window: used by
// tests/tools/peer_fidelity.py to put this program beside other taggers.
//   quillon_title_from_name DATA_FOLDER FILE...
// DATA_FOLDER (an existing folder, ending in "/") holds the temporary file.
// Prints "written", "skipped" or "failed" and the path, one file a line.
#include <cstdio>
#include <string>

#include "batch_editor/file_list.h"
#include "batch_editor/rules.h"
#include "tag_engine/mp3_tag_engine.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s DATA_FOLDER FILE...\n", argv[0]);
    return 2;
  }
  Mp3TagEngine engine;
  engine.DataFolder = argv[1];
  RuleSet rules;
  rules.RGP_Nom_Titre = 1;
  TrackCounter counter;
  int failures = 0;
  for (int i = 2; i < argc; ++i) {
    TListe_File entry;
    entry.FullPath = argv[i];
    DeriveEntryFields(entry);
    const int n = counter.Next(entry);
    engine.ReadTag(entry.FullPath);
    const CurrentTags current = CurrentTagsOf(engine);
    const NewValues v = DeriveNewValues(rules, entry, n, current);
    const char* outcome = "skipped";
    if (ShouldWrite(rules, current, v)) {
      outcome = "failed";
      if (engine.WriteTagV2(entry.FullPath, v.NewTitle, v.NewArtist, v.NewAlbum, v.NewComment, v.NewYear, v.NewTrack,
                            v.NewGenre, v.NewCategory, v.NewOwner)) {
        engine.WriteTagV1(entry.FullPath, v.NewTitle, v.NewArtist, v.NewAlbum, v.NewComment, v.NewYear);
        outcome = "written";
      }
    }
    if (std::string(outcome) == "failed") ++failures;
    std::printf("%s %s\n", outcome, entry.FullPath.c_str());
  }
  return failures == 0 ? 0 : 1;
}
