#include "batch_editor/rules.h"

#include "platform/text_encoding.h"
#include "tag_engine/mp3_tag_engine.h"
#include "tag_engine/tag_tables.h"
#include "tag_engine/text_codec.h"

namespace {

// The option indexes of the radio groups. Option 0 is "no change" in every
// group, and every index that selects nothing falls back to it.
constexpr int kFromName = 1;      // title, artist, album
constexpr int kCustomText = 2;    // title, artist, album
constexpr int kCustomSingle = 1;  // comment, date, track numbering, genre/category text
constexpr int kFromList = 2;      // genre, category
constexpr int kForceAll = 0;
constexpr int kSkipTagged = 1;

std::string NameAsTag(const std::string& name) {
  return id3text::Prefix(platform::FileNameToTagText(name), kMaxNameTagLength);
}

// A choice among "no change", "from a name" and "custom text".
std::string FromNameOrText(int choice, const std::string& current, const std::string& name,
                           const std::string& text) {
  switch (choice) {
    case kFromName:
      return NameAsTag(name);
    case kCustomText:
      return text;
    default:  // no change, or nothing selected
      return current;
  }
}

// A choice among "no change", "custom text" and "from a list".
std::string FromTextOrList(int choice, const std::string& current, const std::string& text,
                           const std::string& list) {
  switch (choice) {
    case kCustomSingle:
      return text;
    case kFromList:
      return list;
    default:
      return current;
  }
}

}  // namespace

CurrentTags CurrentTagsOf(const Mp3TagEngine& engine) {
  return {engine.TagTitle, engine.TagArtist, engine.TagAlbum,    engine.TagComment, engine.TagYear,
          engine.TagTrack, engine.TagGenre,  engine.TagCategory, engine.TagOwner};
}

NewValues DeriveNewValues(const RuleSet& rules, const TListe_File& entry, int n, const CurrentTags& current) {
  NewValues v;
  v.NewTitle = FromNameOrText(rules.RGP_Nom_Titre, current.TagTitle, entry.FileName, rules.EDT_Nom_Titre_Text);
  v.NewArtist =
      FromNameOrText(rules.RGP_Nom_Artiste, current.TagArtist, entry.FolderName, rules.EDT_Nom_Artist_Text);
  v.NewAlbum = FromNameOrText(rules.RGP_Nom_Album, current.TagAlbum, entry.FolderName, rules.EDT_Nom_Album_Text);
  v.NewComment = rules.RGP_Nom_Comment == kCustomSingle ? rules.EDT_Nom_Comment_Text : current.TagComment;
  v.NewYear = rules.RGP_Nom_Date == kCustomSingle ? FormatInteger(rules.EDT_Nom_Date, 0) : current.TagYear;
  v.NewTrack = rules.RGP_Nom_Track == kCustomSingle ? FormatInteger(n, 0) : current.TagTrack;
  v.NewGenre = FromTextOrList(rules.RGP_Nom_Genre, current.TagGenre, rules.EDT_Nom_Genre_Text,
                              rules.CBX_Nom_Genre_List);
  v.NewCategory = FromTextOrList(rules.RGP_Nom_Category, current.TagCategory, rules.EDT_Nom_Category_Text,
                                 rules.CBX_Nom_Category_List);
  v.NewOwner = std::string(kOwnerMark);
  return v;
}

int TrackCounter::Next(const TListe_File& entry) {
  if (entry.FolderName != PreviousFolderName) {
    Count = 0;
    PreviousFolderName = entry.FolderName;
  }
  return ++Count;
}

bool IsAlreadyTagged(const CurrentTags& c, const NewValues& v) {
  return c.TagTitle == v.NewTitle && c.TagArtist == v.NewArtist && c.TagAlbum == v.NewAlbum &&
         c.TagComment == v.NewComment && c.TagYear == v.NewYear && c.TagTrack == v.NewTrack &&
         c.TagGenre == v.NewGenre && c.TagCategory == v.NewCategory;
}

bool ShouldWrite(const RuleSet& rules, const CurrentTags& current, const NewValues& values) {
  if (rules.RGP_Tag == kForceAll) return true;
  if (rules.RGP_Tag == kSkipTagged) return !IsAlreadyTagged(current, values);
  return false;
}

int PreviewTrackNumber(const std::vector<TListe_File>& files, std::size_t index) {
  if (index >= files.size()) return 0;
  const std::string& target = files[index].FullPath;
  TrackCounter counter;
  for (const TListe_File& entry : files) {
    const int n = counter.Next(entry);
    if (entry.FullPath == target) return n;
  }
  return 0;  // not reached: files[index] itself matches
}
