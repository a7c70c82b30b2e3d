// Tag rules: where each of the nine new tag values of a file comes from,
// the per-folder track numbering, and the decision whether a file is written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "batch_editor/file_list.h"

class Mp3TagEngine;

// The state of the option controls, one field per control, named after it.
// A choice is the 0-based index of the radio group's selected option; -1
// means none is selected. Texts are the controls' texts exactly as entered.
struct RuleSet {
  int RGP_Nom_Titre = 0;  // 0 no change, 1 file name, 2 custom text
  std::string EDT_Nom_Titre_Text;
  int RGP_Nom_Artiste = 0;  // 0 no change, 1 folder name, 2 custom text
  std::string EDT_Nom_Artist_Text;
  int RGP_Nom_Album = 0;  // 0 no change, 1 folder name, 2 custom text
  std::string EDT_Nom_Album_Text;
  int RGP_Nom_Comment = 0;  // 0 no change, 1 custom text
  std::string EDT_Nom_Comment_Text;
  int RGP_Nom_Date = 0;        // 0 no change, 1 custom date
  std::int32_t EDT_Nom_Date = 0;  // the masked edit's integer; 0 when empty or invalid
  int RGP_Nom_Track = 0;       // 0 no change, 1 automatic numbering
  int RGP_Nom_Genre = 0;       // 0 no change, 1 custom text, 2 from the list
  std::string EDT_Nom_Genre_Text;
  std::string CBX_Nom_Genre_List;  // the selected entry; empty when none
  int RGP_Nom_Category = 0;        // 0 no change, 1 custom text, 2 from the list
  std::string EDT_Nom_Category_Text;
  std::string CBX_Nom_Category_List;  // the selected entry; empty when none
  int RGP_Tag = 0;  // 0 force new tag on all files, 1 skip files already tagged
};

// The nine tag values that ReadTag left for the file read last.
struct CurrentTags {
  std::string TagTitle, TagArtist, TagAlbum, TagComment, TagYear, TagTrack, TagGenre, TagCategory, TagOwner;
  friend bool operator==(const CurrentTags&, const CurrentTags&) = default;
};

// The nine values the rules give one file, for the frames TIT2, TPE1, TALB,
// COMM, TYER, TRCK, TCON, TIT1 and TOWN.
struct NewValues {
  std::string NewTitle, NewArtist, NewAlbum, NewComment, NewYear, NewTrack, NewGenre, NewCategory, NewOwner;
  friend bool operator==(const NewValues&, const NewValues&) = default;
};

// The owner mark every written tag carries.
inline constexpr std::string_view kOwnerMark = "ZQ";
// A title or artist/album taken from a name keeps at most this many
// characters (code points, not bytes).
inline constexpr std::size_t kMaxNameTagLength = 255;

// The current values held by the tag engine after its last ReadTag.
CurrentTags CurrentTagsOf(const Mp3TagEngine& engine);

// The nine new values of one file from the rules, the file's entry (its
// FileName and FolderName), its track number `n` and its current values.
// Per field, choice 0 keeps the current value; title 1 takes the file name,
// artist/album 1 the folder name, each turned into tag text
// (platform::FileNameToTagText) and cut to kMaxNameTagLength characters,
// never inside a character; year 1 is EDT_Nom_Date and track 1 is n in plain
// decimal digits; the custom texts and list entries are taken exactly as they
// stand. A choice that selects no
// option of its group (-1, or an index past the last) counts as choice 0,
// "no change". NewOwner is always kOwnerMark. Reads nothing else.
NewValues DeriveNewValues(const RuleSet& rules, const TListe_File& entry, int n, const CurrentTags& current);

// One numbering pass over the file list: consecutive entries with the same
// FolderName (compared as raw bytes, case significant) are numbered 1, 2, 3,
// ...; an entry whose FolderName differs from the previous entry's starts
// again at 1. A fresh counter starts each pass.
class TrackCounter {
 public:
  // Advances by one entry and returns that entry's track number.
  int Next(const TListe_File& entry);

 private:
  std::string PreviousFolderName;
  int Count = 0;
};

// True when the eight values other than the owner equal the new ones
// exactly (byte for byte, case significant).
bool IsAlreadyTagged(const CurrentTags& current, const NewValues& values);

// The batch run's write decision: RGP_Tag 0 writes every file, 1 writes the
// files not already tagged; any other value (-1: nothing selected) skips.
bool ShouldWrite(const RuleSet& rules, const CurrentTags& current, const NewValues& values);

// The track number the preview shows for files[index]: a fresh counter run
// from the first entry up to the first entry whose FullPath equals that of
// files[index]. 0 when index is out of range.
int PreviewTrackNumber(const std::vector<TListe_File>& files, std::size_t index);
