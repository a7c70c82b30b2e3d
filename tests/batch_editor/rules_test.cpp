#include "batch_editor/rules.h"

#include <gtest/gtest.h>

#include <vector>

#include "tag_engine/mp3_tag_engine.h"

namespace {

TListe_File Entry(const std::string& full_path) {
  TListe_File e{full_path, {}, {}, {}, {}};
  DeriveEntryFields(e);
  return e;
}

const CurrentTags kCurrent{"cur title", "cur artist", "cur album", "cur comment", "1999",
                           "7",         "Rock",       "Beds",      "XX"};

// Rules that change every field, with distinct texts.
RuleSet AllCustom() {
  RuleSet r;
  r.RGP_Nom_Titre = 2;
  r.EDT_Nom_Titre_Text = "T";
  r.RGP_Nom_Artiste = 2;
  r.EDT_Nom_Artist_Text = "Ar";
  r.RGP_Nom_Album = 2;
  r.EDT_Nom_Album_Text = "Al";
  r.RGP_Nom_Comment = 1;
  // One-letter texts built, not assigned from a literal: GCC 12 at -O3
  // reports a false -Wrestrict inside std::string for those assignments.
  r.EDT_Nom_Comment_Text = std::string(1, 'C');
  r.RGP_Nom_Date = 1;
  r.EDT_Nom_Date = 2009;
  r.RGP_Nom_Track = 1;
  r.RGP_Nom_Genre = 1;
  r.EDT_Nom_Genre_Text = std::string(1, 'G');
  r.CBX_Nom_Genre_List = "Classic Rock";
  r.RGP_Nom_Category = 1;
  r.EDT_Nom_Category_Text = "Ca";
  r.CBX_Nom_Category_List = "Station ID";
  return r;
}

TEST(DeriveNewValues, EachChoiceTakesItsSource) {
  const TListe_File e = Entry("/music/The Band/01 Intro.mp3");
  struct Case {
    const char* what;
    void (*set)(RuleSet&);
    NewValues expected;
  };
  const Case cases[] = {
      {"all no change", [](RuleSet& r) { r = RuleSet(); },
       {"cur title", "cur artist", "cur album", "cur comment", "1999", "7", "Rock", "Beds", "ZQ"}},
      {"all custom", [](RuleSet&) {}, {"T", "Ar", "Al", "C", "2009", "3", "G", "Ca", "ZQ"}},
      {"names and lists",
       [](RuleSet& r) {
         r.RGP_Nom_Titre = 1;
         r.RGP_Nom_Artiste = 1;
         r.RGP_Nom_Album = 1;
         r.RGP_Nom_Genre = 2;
         r.RGP_Nom_Category = 2;
       },
       {"01 Intro", "The Band", "The Band", "C", "2009", "3", "Classic Rock", "Station ID", "ZQ"}},
      {"negative year",
       [](RuleSet& r) { r.EDT_Nom_Date = -45; },
       {"T", "Ar", "Al", "C", "-45", "3", "G", "Ca", "ZQ"}},
      {"empty year field is 0", [](RuleSet& r) { r.EDT_Nom_Date = 0; },
       {"T", "Ar", "Al", "C", "0", "3", "G", "Ca", "ZQ"}},
      {"empty list selection gives empty values",
       [](RuleSet& r) {
         r.RGP_Nom_Genre = 2;
         r.CBX_Nom_Genre_List.clear();
         r.RGP_Nom_Category = 2;
         r.CBX_Nom_Category_List.clear();
       },
       {"T", "Ar", "Al", "C", "2009", "3", "", "", "ZQ"}},
      {"custom texts taken as they stand",
       [](RuleSet& r) {
         r.EDT_Nom_Titre_Text = "  spaced  ";
         r.EDT_Nom_Artist_Text = "";
         r.EDT_Nom_Comment_Text = std::string("a\0b", 3);
       },
       {"  spaced  ", "", "Al", std::string("a\0b", 3), "2009", "3", "G", "Ca", "ZQ"}},
      // Nothing selected (-1) or an index past the group's options: "no change".
      {"choices selecting nothing keep the current values",
       [](RuleSet& r) {
         r.RGP_Nom_Titre = -1;
         r.RGP_Nom_Artiste = 3;
         r.RGP_Nom_Album = -1;
         r.RGP_Nom_Comment = 2;
         r.RGP_Nom_Date = -1;
         r.RGP_Nom_Track = 2;
         r.RGP_Nom_Genre = -1;
         r.RGP_Nom_Category = 3;
       },
       {"cur title", "cur artist", "cur album", "cur comment", "1999", "7", "Rock", "Beds", "ZQ"}},
  };
  for (const Case& c : cases) {
    RuleSet rules = AllCustom();
    c.set(rules);
    EXPECT_EQ(DeriveNewValues(rules, e, 3, kCurrent), c.expected) << c.what;
  }
}

TEST(DeriveNewValues, NamesBecomeTagTextCutTo255Characters) {
  RuleSet rules;
  rules.RGP_Nom_Titre = 1;
  rules.RGP_Nom_Artiste = 1;
  rules.RGP_Nom_Album = 1;
  struct Case {
    std::string path;
    std::string title, folder;
  };
  const std::string long_name(300, 'n');
  // 254 ASCII characters, then "é" (2 bytes), then more: the cut keeps "é".
  const std::string utf8_long = std::string(254, 'a') + "\xC3\xA9" + "zz";
  // 300 Cyrillic letters (600 bytes) and 300 Japanese ones (900 bytes): the
  // cut counts characters, so 255 of them stay.
  std::string cyrillic, cyrillic_255, japanese, japanese_255;
  for (int i = 0; i < 300; ++i) {
    cyrillic += "\xD0\x96";
    japanese += "\xE6\x97\xA5";
    if (i < 255) {
      cyrillic_255 += "\xD0\x96";
      japanese_255 += "\xE6\x97\xA5";
    }
  }
  // 254 ASCII characters, then an emoji of 4 bytes standing across byte 255.
  const std::string emoji_long = std::string(254, 'e') + "\xF0\x9F\x8E\xB5" + "x";
  const Case cases[] = {
      {"/m/Caf\xC3\xA9 \xE2\x82\xAC/B\xC3\xA9la.mp3", "B\xC3\xA9la", "Caf\xC3\xA9 \xE2\x82\xAC"},
      {"/m/\xD0\x9C\xD1\x83\xD0\xBC\xD0\xB8\xD0\xB9/\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.mp3",
       "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", "\xD0\x9C\xD1\x83\xD0\xBC\xD0\xB8\xD0\xB9"},
      {"/m/Bad\xFF/x\x80y.mp3", "x?y", "Bad?"},
      {"/m/" + long_name + "/" + long_name + ".mp3", std::string(255, 'n'), std::string(255, 'n')},
      {"/m/" + std::string(255, 'f') + "/" + std::string(255, 't') + ".mp3", std::string(255, 't'),
       std::string(255, 'f')},
      {"/m/" + utf8_long + "/" + utf8_long + ".mp3", std::string(254, 'a') + "\xC3\xA9",
       std::string(254, 'a') + "\xC3\xA9"},
      {"/m/" + cyrillic + "/" + japanese + ".mp3", japanese_255, cyrillic_255},
      {"/m/" + emoji_long + "/" + emoji_long + ".mp3", std::string(254, 'e') + "\xF0\x9F\x8E\xB5",
       std::string(254, 'e') + "\xF0\x9F\x8E\xB5"},
      // Bytes that are no UTF-8 count one character each, as their "?".
      {"/m/" + std::string(300, '\xFF') + "/" + std::string(300, '\xFF') + ".mp3", std::string(255, '?'),
       std::string(255, '?')},
      {"/a.mp3", "a", ""},
  };
  for (const Case& c : cases) {
    const NewValues v = DeriveNewValues(rules, Entry(c.path), 1, CurrentTags{});
    EXPECT_EQ(v.NewTitle, c.title) << c.path;
    EXPECT_EQ(v.NewArtist, c.folder) << c.path;
    EXPECT_EQ(v.NewAlbum, c.folder) << c.path;
  }
}

TEST(TrackCounter, NumbersRunsOfTheSameFolderName) {
  struct Case {
    const char* what;
    std::vector<std::string> paths;
    std::vector<int> numbers;
  };
  const Case cases[] = {
      {"same name under different parents continues",
       {"/A/CD1/a.mp3", "/A/CD1/b.mp3", "/B/CD1/c.mp3", "/B/CD2/d.mp3"},
       {1, 2, 3, 1}},
      {"a folder coming back starts again", {"/X/1.mp3", "/X/2.mp3", "/Y/1.mp3", "/X/3.mp3"}, {1, 2, 1, 1}},
      {"a folder added twice", {"/f/a", "/f/b", "/f/c", "/f/a", "/f/b", "/f/c"}, {1, 2, 3, 4, 5, 6}},
      {"names differing in case are different", {"/cd/a", "/CD/b", "/cd/c"}, {1, 1, 1}},
      {"root files share the empty name", {"/a.mp3", "/b.mp3", "/x/c.mp3"}, {1, 2, 1}},
  };
  for (const Case& c : cases) {
    TrackCounter counter;
    std::vector<int> got;
    for (const std::string& p : c.paths) got.push_back(counter.Next(Entry(p)));
    EXPECT_EQ(got, c.numbers) << c.what;
  }
}

TEST(TrackCounter, ComparesFolderNamesAsRawBytes) {
  // Two names that give the same tag text ("?") are still two folders.
  TrackCounter counter;
  EXPECT_EQ(counter.Next(Entry("/\xFF/a.mp3")), 1);
  EXPECT_EQ(counter.Next(Entry("/\xFE/b.mp3")), 1);
  EXPECT_EQ(counter.Next(Entry("/\xFE/c.mp3")), 2);
}

TEST(PreviewTrackNumber, CountsUpToTheFirstEntryWithTheSamePath) {
  std::vector<TListe_File> files;
  for (const char* p : {"/f/a", "/f/b", "/f/c", "/f/a", "/f/b", "/f/c", "/g/x"}) files.push_back(Entry(p));
  const int expected[] = {1, 2, 3, 1, 2, 3, 1};
  for (std::size_t i = 0; i < files.size(); ++i) {
    EXPECT_EQ(PreviewTrackNumber(files, i), expected[i]) << i;
  }
  EXPECT_EQ(PreviewTrackNumber(files, files.size()), 0);
  EXPECT_EQ(PreviewTrackNumber({}, 0), 0);
}

TEST(WriteDecision, ForceSkipOrNothingSelected) {
  const TListe_File e = Entry("/m/Album/a.mp3");
  RuleSet no_change;  // all eight rules at "no change"
  const CurrentTags untagged{};
  const NewValues same = DeriveNewValues(no_change, e, 1, untagged);
  ASSERT_TRUE(IsAlreadyTagged(untagged, same));

  RuleSet title_from_name;
  title_from_name.RGP_Nom_Titre = 1;
  const NewValues differs = DeriveNewValues(title_from_name, e, 1, untagged);
  ASSERT_FALSE(IsAlreadyTagged(untagged, differs));

  struct Case { int rgp_tag; bool write_same; bool write_differs; };
  const Case cases[] = {{0, true, true}, {1, false, true}, {-1, false, false}, {2, false, false}};
  for (const Case& c : cases) {
    RuleSet r;
    r.RGP_Tag = c.rgp_tag;
    EXPECT_EQ(ShouldWrite(r, untagged, same), c.write_same) << c.rgp_tag;
    EXPECT_EQ(ShouldWrite(r, untagged, differs), c.write_differs) << c.rgp_tag;
  }
}

TEST(IsAlreadyTagged, ComparesEightFieldsExactlyAndIgnoresTheOwner) {
  const NewValues base{"t", "ar", "al", "c", "2009", "1", "Rock", "Beds", "ZQ"};
  const CurrentTags equal{"t", "ar", "al", "c", "2009", "1", "Rock", "Beds", "someone else"};
  EXPECT_TRUE(IsAlreadyTagged(equal, base));
  std::string CurrentTags::*fields[] = {&CurrentTags::TagTitle,   &CurrentTags::TagArtist,
                                        &CurrentTags::TagAlbum,   &CurrentTags::TagComment,
                                        &CurrentTags::TagYear,    &CurrentTags::TagTrack,
                                        &CurrentTags::TagGenre,   &CurrentTags::TagCategory};
  for (auto field : fields) {
    CurrentTags changed = equal;
    changed.*field = equal.*field + " ";
    EXPECT_FALSE(IsAlreadyTagged(changed, base)) << equal.*field;
  }
  CurrentTags lower = equal;
  lower.TagGenre = "rock";  // case matters
  EXPECT_FALSE(IsAlreadyTagged(lower, base));
  CurrentTags reference = equal;
  reference.TagGenre = "(17)";
  NewValues custom = base;
  custom.NewGenre = "(17)";
  EXPECT_TRUE(IsAlreadyTagged(reference, custom));
  CurrentTags with_nul = equal;
  with_nul.TagTitle = std::string("t\0", 2);
  EXPECT_FALSE(IsAlreadyTagged(with_nul, base));
}

TEST(CurrentTagsOf, CopiesTheEngineFields) {
  Mp3TagEngine engine;
  engine.TagTitle = "1";
  engine.TagArtist = "2";
  engine.TagAlbum = "3";
  engine.TagComment = "4";
  engine.TagYear = "5";
  engine.TagTrack = "6";
  engine.TagGenre = "7";
  engine.TagCategory = "8";
  engine.TagOwner = "9";
  EXPECT_EQ(CurrentTagsOf(engine), (CurrentTags{"1", "2", "3", "4", "5", "6", "7", "8", "9"}));
}

}  // namespace
