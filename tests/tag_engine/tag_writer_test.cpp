#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/tag_fixtures.h"
#include "support/temp_dir.h"
#include "tag_engine/id3_layout.h"
#include "tag_engine/mp3_tag_engine.h"
#include "tag_engine/text_codec.h"

using namespace std::string_literals;
using platform::FileStep;
using test_support::Frame;
using test_support::FrameV4;
using test_support::Header;
using test_support::Hex;
using test_support::ScriptedFaults;
using test_support::StepName;
using test_support::Tag;
using test_support::ToHex;
using test_support::V1Block;

namespace fs = std::filesystem;

namespace {

// 00 + value + 00: the content of the written text frames.
std::string Text(const std::string& value) { return "\0"s + value + "\0"s; }

// The written comment: encoding 00, language "eng", an empty description
// ended by 00, the text, and a closing 00. Other readers find the comment
// only behind the language and the description.
std::string CommText(const std::string& value) { return "\0eng\0"s + value + "\0"s; }

// The nine frames as appended when none was there, in their fixed order.
std::string AppendedFrames(const std::string& artist, const std::string& album, const std::string& title,
                           const std::string& year, const std::string& comment, const std::string& track,
                           const std::string& genre, const std::string& category, const std::string& owner) {
  return Frame("TPE1", Text(artist)) + Frame("TALB", Text(album)) + Frame("TIT2", Text(title)) +
         Frame("TYER", Text(year)) + Frame("COMM", CommText(comment)) + Frame("TRCK", Text(track)) +
         Frame("TCON", Text(genre)) + Frame("TIT1", Text(category)) + Frame("TOWN", Text(owner));
}

// The ID3v1 block a write leaves after the audio: "TAG", the five values
// space-filled, the genre byte (255 for a new block).
std::string Block(const std::string& title, const std::string& artist = "", const std::string& album = "",
                  const std::string& comment = "", const std::string& year = "", std::uint8_t genre = 0xFF) {
  // Fixtures give the block's texts in ISO-8859-1 or, for the values a run
  // passes, in UTF-8 within ISO-8859-1's range; the block holds ISO-8859-1.
  auto field = [](std::string s, std::size_t n) {
    if (id3text::IsValidUtf8(s)) s = id3text::ToLatin1(s);
    s.resize(n, ' ');
    return s;
  };
  return "TAG" + field(title, 30) + field(artist, 30) + field(album, 30) + field(year, 4) + field(comment, 30) +
         std::string(1, static_cast<char>(genre));
}

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class TagWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_.Path("data"));
    fs::create_directories(dir_.Path("music"));
    engine_.DataFolder = dir_.Path("data") + "/";
  }

  std::string Put(const std::string& bytes, const std::string& name = "song.mp3") {
    return dir_.WriteFile("music/" + name, bytes);
  }
  std::string Content(const std::string& path) const { return dir_.ReadFile(path); }
  std::string TempPath() const { return engine_.DataFolder + "tmp.mp3"; }

  // ReadTag then WriteTagV2 with owner "ZQ", as the batch run does.
  bool Rewrite(const std::string& path, const std::string& title, const std::string& artist = "",
               const std::string& album = "") {
    engine_.ReadTag(path);
    return engine_.WriteTagV2(path, title, artist, album, "", "", "", "", "", "ZQ");
  }

  const std::string audio_ = Hex("FF FB 90 64 00 00 00 00 00 11 22 33 44 55");
  test_support::TempDir dir_;
  Mp3TagEngine engine_;
};

TEST_F(TagWriterTest, WorkedExampleWithoutOldTag) {
  const std::string path = Put(audio_);
  ASSERT_TRUE(Rewrite(path, "abc"));
  const std::string file = Content(path);
  // 113 bytes of frames with a bare comment; the comment's language and
  // description terminator add 4.
  EXPECT_EQ(ToHex(file.substr(0, 10)), "49 44 33 03 00 00 00 00 00 75");
  const std::string tit2 = file.substr(10 + 12 + 12, 15);
  EXPECT_EQ(ToHex(tit2), "54 49 54 32 00 00 00 05 00 00 00 61 62 63 00");
  EXPECT_EQ(file, Header(117) + AppendedFrames("", "", "abc", "", "", "", "", "", "ZQ") + audio_ + Block("abc"));
  EXPECT_FALSE(fs::exists(TempPath()));
}

TEST_F(TagWriterTest, AllValuesEmptyGiveNineMinimalFrames) {
  const std::string path = Put(audio_);
  engine_.ReadTag(path);
  ASSERT_TRUE(engine_.WriteTagV2(path, "", "", "", "", "", "", "", "", ""));
  const std::string file = Content(path);
  EXPECT_EQ(ToHex(file.substr(6, 4)), "00 00 00 70");
  EXPECT_EQ(file, Header(112) + AppendedFrames("", "", "", "", "", "", "", "", "") + audio_ + Block(""));
}

TEST_F(TagWriterTest, SyncsafeSizeField) {
  struct Case {
    std::uint64_t n;
    const char* bytes;
  };
  const Case cases[] = {{0, "00 00 00 00"},       {113, "00 00 00 71"},       {127, "00 00 00 7F"},
                        {128, "00 00 01 00"},     {200, "00 00 01 48"},       {1000, "00 00 07 68"},
                        {(1u << 28) - 1, "7F 7F 7F 7F"}};
  for (const Case& c : cases) {
    const auto field = id3::EncodeSyncsafe(c.n);
    ASSERT_TRUE(field) << c.n;
    EXPECT_EQ(ToHex(std::string(field->begin(), field->end())), c.bytes) << c.n;
    EXPECT_EQ(id3::DecodeSyncsafe(field->data()), c.n);
  }
  // 28 bits is all the field holds.
  EXPECT_FALSE(id3::EncodeSyncsafe(std::uint64_t{1} << 28));
  EXPECT_FALSE(id3::EncodeSyncsafe(std::uint64_t{1} << 32));
}

TEST_F(TagWriterTest, ExistingFramesKeepTheirPlacesAndPaddingGoes) {
  const std::string picture = Hex("00 69 6D 61 67 65 2F 6A 70 65 67 00 03 00 FF D8 FF FE 01 00");
  const std::string old = Tag(Frame("TIT2", Text("old")) + Frame("APIC", picture) + Frame("TPE1", Text("x")), 64);
  const std::string v1 = V1Block('v', 17);
  const std::string path = Put(old + audio_ + v1);
  ASSERT_TRUE(Rewrite(path, "New", "Band"));
  const std::string frames = Frame("TIT2", Text("New")) + Frame("APIC", picture) + Frame("TPE1", Text("Band")) +
                             Frame("TALB", Text("")) + Frame("TYER", Text("")) + Frame("COMM", CommText("")) +
                             Frame("TRCK", Text("")) + Frame("TCON", Text("")) + Frame("TIT1", Text("")) +
                             Frame("TOWN", Text("ZQ"));
  // The old ID3v1 block is rebuilt over itself, its genre byte kept.
  ASSERT_NE(v1, Block("New", "Band", "", "", "", 17));
  EXPECT_EQ(ToHex(Content(path)), ToHex(Tag(frames) + audio_ + Block("New", "Band", "", "", "", 17)));
}

TEST_F(TagWriterTest, RepeatedFrameGetsTheValueInEveryCopy) {
  const std::string path = Put(Tag(Frame("TIT2", Text("a")) + Frame("TRCK", Text("1")) + Frame("TIT2", Text("b"))) +
                               audio_);
  ASSERT_TRUE(Rewrite(path, "T"));
  const std::string frames = Frame("TIT2", Text("T")) + Frame("TRCK", Text("")) + Frame("TIT2", Text("T")) +
                             Frame("TPE1", Text("")) + Frame("TALB", Text("")) + Frame("TYER", Text("")) +
                             Frame("COMM", CommText("")) + Frame("TCON", Text("")) + Frame("TIT1", Text("")) +
                             Frame("TOWN", Text("ZQ"));
  EXPECT_EQ(ToHex(Content(path)), ToHex(Tag(frames) + audio_ + Block("T")));
}

TEST_F(TagWriterTest, OtherFramesSurviveByteForByte) {
  const std::string carried =
      Frame("APIC", Hex("00 69 6D 61 67 65 2F 70 6E 67 00 03 00 89 50 4E 47 01 FE FF 00")) +
      Frame("TXXX", Hex("01 FF FE 44 00 00 00 FF FE 31 00 FE 00")) +  // UTF-16 with byte-order marks
      Frame("PCNT", Hex("00 00 01 FE")) +                              // a play counter
      Frame("PRIV", "owner\0"s + Hex("FE FF 01 00 7F"), 0x00, 0x20) +  // grouping flag on carried data
      Frame("COMM", Text("note"), 0x40, 0x00);
  const std::string path = Put(Tag(carried + std::string(9, 'X') /* junk, passed over */, 11) + audio_);
  ASSERT_TRUE(Rewrite(path, "t", "a", "b"));
  const std::string expectedFrames =
      carried.substr(0, carried.size() - Frame("COMM", Text("note")).size()) + Frame("COMM", CommText(""), 0x40, 0x00) +
      Frame("TPE1", Text("a")) + Frame("TALB", Text("b")) + Frame("TIT2", Text("t")) + Frame("TYER", Text("")) +
      Frame("TRCK", Text("")) + Frame("TCON", Text("")) + Frame("TIT1", Text("")) + Frame("TOWN", Text("ZQ"));
  const std::string expected = Tag(expectedFrames) + audio_ + Block("t", "a", "b");
  EXPECT_EQ(ToHex(Content(path)), ToHex(expected));

  // A second run with the same values changes nothing: no byte grows.
  ASSERT_TRUE(Rewrite(path, "t", "a", "b"));
  EXPECT_EQ(ToHex(Content(path)), ToHex(expected));
}

TEST_F(TagWriterTest, FramesOfAnyIdAreKeptInPlace) {
  const std::string frames = Frame("XYZW", "abcd") + Frame("TCMP", "\0" "1"s) + Frame("TSOP", "\x01\xFF\xFE" "B\0"s);
  const std::string path = Put(Tag(frames) + audio_);
  ASSERT_TRUE(Rewrite(path, "t"));
  EXPECT_EQ(ToHex(Content(path)),
            ToHex(Tag(frames + AppendedFrames("", "", "t", "", "", "", "", "", "ZQ")) + audio_ + Block("t")));
}

TEST_F(TagWriterTest, UpdatedFrameLosesOnlyContentFlags) {
  struct Case {
    std::uint8_t version, old0, old1, new0, new1;
  };
  const Case cases[] = {
      {3, 0x40, 0x00, 0x40, 0x00}, {3, 0x00, 0x80, 0x00, 0x00}, {3, 0x00, 0x40, 0x00, 0x00},
      {3, 0x00, 0x20, 0x00, 0x00}, {3, 0xE0, 0xFF, 0xE0, 0x1F},
      // v2.4 flags carry the same meanings elsewhere: status bits move, the
      // format bits (grouping, compression, encryption, unsync, length) go.
      {4, 0x40, 0x00, 0x80, 0x00}, {4, 0x20, 0x43, 0x40, 0x00}, {4, 0x10, 0x01, 0x20, 0x00},
  };
  for (const Case& c : cases) {
    const std::string frame = c.version == 4 ? FrameV4("TIT2", Text("x"), c.old0, c.old1)
                                             : Frame("TIT2", Text("x"), c.old0, c.old1);
    const std::string path = Put(Tag(frame, 0, c.version) + audio_);
    ASSERT_TRUE(Rewrite(path, "y"));
    const std::string file = Content(path);
    ASSERT_EQ(file.substr(10, 4), "TIT2");
    EXPECT_EQ(ToHex(file.substr(18, 2)), ToHex(std::string{char(c.new0), char(c.new1)}))
        << "v" << int(c.version) << " " << int(c.old0) << "," << int(c.old1);
    ASSERT_EQ(file.substr(23, 4), "TPE1");
    EXPECT_EQ(ToHex(file.substr(31, 2)), "00 00");  // the first appended frame
  }
}

TEST_F(TagWriterTest, Version4TagBecomesVersion3) {
  // A grouped TXXX in UTF-8 with a data length indicator, 200 bytes of
  // content: syncsafe size 00 00 01 48 in the old tag.
  const std::string data = "\x03" "desc\0"s + std::string(188, 'u') + "\xC3\xA9";
  ASSERT_EQ(data.size(), 196u);
  const std::string old = Tag(FrameV4("TXXX", "\x07"s + Hex("00 00 01 44") + data, 0x40, 0x41) +
                              FrameV4("TIT2", Text("old")), 5, 4);
  const std::string path = Put(old + audio_);
  ASSERT_TRUE(Rewrite(path, "new"));
  // The group byte stays, the length indicator goes, the text is ISO-8859-1
  // now; the status and grouping flags sit in their v2.3 places.
  const std::string txxx =
      Frame("TXXX", "\x07\0desc\0"s + std::string(188, 'u') + "\xE9\0"s, 0x80, 0x20);
  EXPECT_EQ(ToHex(Content(path)),
            ToHex(Tag(txxx + Frame("TIT2", Text("new")) + Frame("TPE1", Text("")) + Frame("TALB", Text("")) +
                      Frame("TYER", Text("")) + Frame("COMM", CommText("")) + Frame("TRCK", Text("")) +
                      Frame("TCON", Text("")) + Frame("TIT1", Text("")) + Frame("TOWN", Text("ZQ"))) +
                  audio_ + Block("new")));
}

TEST_F(TagWriterTest, Version4FooterGoesWithTheOldTag) {
  const std::string frames = FrameV4("TIT2", Text("old"));
  const std::string footer = "3DI"s + Hex("04 00 10") + Header(static_cast<std::uint32_t>(frames.size())).substr(6);
  const std::string path = Put(Header(static_cast<std::uint32_t>(frames.size()), 4, 0x10) + frames + footer + audio_);
  ASSERT_TRUE(Rewrite(path, "new"));
  const std::string file = Content(path);
  EXPECT_EQ(file, Tag(Frame("TIT2", Text("new")) + Frame("TPE1", Text("")) + Frame("TALB", Text("")) +
                      Frame("TYER", Text("")) + Frame("COMM", CommText("")) + Frame("TRCK", Text("")) +
                      Frame("TCON", Text("")) + Frame("TIT1", Text("")) + Frame("TOWN", Text("ZQ"))) +
                      audio_ + Block("new"));
}

TEST_F(TagWriterTest, FooterFlagWithoutFooterKeepsAllAudio) {
  const std::string frames = FrameV4("TIT2", Text("old"));
  const std::string path = Put(Header(static_cast<std::uint32_t>(frames.size()), 4, 0x10) + frames + audio_);
  ASSERT_TRUE(Rewrite(path, "new"));
  const std::string file = Content(path);
  ASSERT_GE(file.size(), audio_.size() + 128);
  EXPECT_EQ(ToHex(file.substr(file.size() - 128 - audio_.size(), audio_.size())), ToHex(audio_));
  EXPECT_EQ(file.size(), 10 + 15 + 6 * 12 + 16 /* COMM */ + 14 + audio_.size() + 128);
}

TEST_F(TagWriterTest, ValuesReadBackUnchanged) {
  const std::string path = Put(Tag(Frame("TIT2", Text("old")), 30) + audio_);
  engine_.ReadTag(path);
  const std::string latin1 = "Caf\u00E9 \u00C0 l'\u00EEle \u00FE\u00FF";
  const std::string cyrillic = "\u041C\u0443\u043C\u0438\u0439 \u0422\u0440\u043E\u043B\u043B\u044C";
  const std::string japanese = "\u65E5\u672C\u8A9E \U0001F3B5";
  ASSERT_TRUE(engine_.WriteTagV2(path, latin1, cyrillic, japanese, "\u00C9t\u00E9 \u20AC", "2009", "7/12", "(17)",
                                 "Cat", "ZQ"));
  engine_.ReadTag(path);
  EXPECT_EQ(engine_.TagTitle, latin1);
  EXPECT_EQ(engine_.TagArtist, cyrillic);
  EXPECT_EQ(engine_.TagAlbum, japanese);
  EXPECT_EQ(engine_.TagComment, "\u00C9t\u00E9 \u20AC");
  EXPECT_EQ(engine_.TagYear, "2009");
  EXPECT_EQ(engine_.TagTrack, "7/12");
  EXPECT_EQ(engine_.TagGenre, "Rock");
  EXPECT_EQ(engine_.TagCategory, "Cat");
  EXPECT_EQ(engine_.TagOwner, "ZQ");
  EXPECT_EQ(Content(path).substr(Content(path).size() - 128 - audio_.size()),
            audio_ + Block(latin1, cyrillic, japanese, "\u00C9t\u00E9 \u20AC", "2009"));
}

TEST_F(TagWriterTest, EachValueTakesLatin1WhenItFitsElseUtf16) {
  struct Case {
    std::string value;
    const char* content;
  };
  const Case cases[] = {
      {"abc", "00 61 62 63 00"},
      {"\u00FE\u00FF", "00 FE FF 00"},
      {"", "00 00"},
      {"\u0416", "01 FF FE 16 04 00 00"},
      {"a\u20AC", "01 FF FE 61 00 AC 20 00 00"},
      {"\U0001F3B5", "01 FF FE 3C D8 B5 DF 00 00"},
  };
  for (const Case& c : cases) {
    const std::string path = Put(audio_);
    ASSERT_TRUE(Rewrite(path, c.value));
    engine_.ReadTag(path);
    ASSERT_EQ(engine_.Frames[2].FrameId, "TIT2");
    EXPECT_EQ(ToHex(engine_.Frames[2].FrameContent), c.content) << c.content;
    EXPECT_EQ(engine_.TagTitle, c.value);
  }
  // The comment: encoding, language, empty description, text.
  const std::string path = Put(audio_);
  engine_.ReadTag(path);
  ASSERT_TRUE(engine_.WriteTagV2(path, "", "", "", "\u0416", "", "", "", "", "ZQ"));
  engine_.ReadTag(path);
  EXPECT_EQ(ToHex(engine_.Frames[4].FrameContent), "01 65 6E 67 FF FE 00 00 FF FE 16 04 00 00");
  EXPECT_EQ(engine_.TagComment, "\u0416");
}

TEST_F(TagWriterTest, OnlyCommentsWithoutDescriptionAreUpdated) {
  const std::string described = Frame("COMM", "\0engiTunNORM\0 00000A"s);
  struct Case {
    const char* name;
    std::string before, after;
  };
  const Case cases[] = {
      {"own language kept", described + Frame("COMM", "\0fra\0old"s),
       described + Frame("COMM", "\0fra\0new\0"s)},
      {"none without description", described, described},
      {"old layout", Frame("COMM", Text("Hello")), Frame("COMM", "\0eng\0new\0"s)},
  };
  for (const Case& c : cases) {
    const std::string path = Put(Tag(c.before) + audio_);
    engine_.ReadTag(path);
    ASSERT_TRUE(engine_.WriteTagV2(path, "t", "", "", "new", "", "", "", "", "ZQ"));
    const std::string file = Content(path);
    EXPECT_EQ(ToHex(file.substr(10, c.after.size())), ToHex(c.after)) << c.name;
    engine_.ReadTag(path);
    EXPECT_EQ(engine_.TagComment, "new") << c.name;
    int comments = 0;
    for (const T_Frame_Mp3& f : engine_.Frames) comments += f.FrameId == "COMM";
    EXPECT_EQ(comments, std::string(c.name) == "old layout" ? 1 : 2) << c.name;
  }
}

TEST_F(TagWriterTest, Version4FramesTakeTheirV23Form) {
  const std::string utf8 = "\x03"s;
  const std::string chapterTitle = utf8 + "Chapter \xC3\xA9 " + std::string(150, 'c');  // syncsafe size 00 00 01 22
  const std::string chap = "ch1\0"s + std::string(16, '\x01') + FrameV4("TIT2", chapterTitle);
  const std::string frames =
      FrameV4("TDRC", utf8 + "2004-05-06T07:08") + FrameV4("TDOR", utf8 + "1999-02") +
      FrameV4("TIPL", utf8 + "producer\0Ann\0mix\0Bob"s) + FrameV4("TMCL", utf8 + "piano\0Cy"s) +
      FrameV4("RVA2", "track\0\x01\x00\x10\x00"s) + FrameV4("TSOP", utf8 + "Band, The") +
      FrameV4("TDEN", utf8 + "2004") + FrameV4("TCMP", utf8 + "1") + FrameV4("TPE2", utf8 + "A\0B\xC5\x81"s) +
      FrameV4("TXXX", "\x01\xFF\xFE" "d\0\0\0\xFF\xFE" "v\0"s) + FrameV4("TLAN", "\0eng"s, 0, 0x08) +
      FrameV4("CHAP", chap) + FrameV4("TIT2", "\0old"s);
  const std::string path = Put(Tag(frames, 0, 4) + audio_);
  engine_.ReadTag(path);
  EXPECT_EQ(engine_.TagYear, "2004");
  ASSERT_TRUE(engine_.WriteTagV2(path, "new", "", "", "", engine_.TagYear, "", "", "", "ZQ"));
  const std::string expectedChap =
      "ch1\0"s + std::string(16, '\x01') + Frame("TIT2", "\0Chapter \xE9 "s + std::string(150, 'c') + "\0"s);
  const std::string expected =
      Frame("TDAT", Text("0605")) + Frame("TIME", Text("0708")) + Frame("TORY", Text("1999")) +
      Frame("IPLS", "\0producer\0Ann\0mix\0Bob\0piano\0Cy\0"s) + Frame("TCMP", "\0" "1\0"s) +
      Frame("TPE2", "\x01\xFF\xFE" "A\0/\0B\0\x41\x01\0\0"s) + Frame("TXXX", "\x01\xFF\xFE" "d\0\0\0\xFF\xFE" "v\0"s) +
      Frame("CHAP", expectedChap) + Frame("TIT2", Text("new")) + Frame("TPE1", Text("")) + Frame("TALB", Text("")) +
      Frame("TYER", Text("2004")) + Frame("COMM", CommText("")) + Frame("TRCK", Text("")) + Frame("TCON", Text("")) +
      Frame("TIT1", Text("")) + Frame("TOWN", Text("ZQ"));
  EXPECT_EQ(ToHex(Content(path)), ToHex(Tag(expected) + audio_ + Block("new", "", "", "", "2004")));
}

TEST_F(TagWriterTest, Version22TagIsWrittenAsV23) {
  auto v22 = [](std::string_view id, const std::string& content) {
    const auto n = static_cast<std::uint32_t>(content.size());
    return std::string(id) + static_cast<char>(n >> 16) + static_cast<char>(n >> 8) + static_cast<char>(n) + content;
  };
  const std::string frames = v22("TT2", "\0old"s) + v22("TCP", "\0" "1"s) + v22("PIC", "\0PNG\x03\0"s + "png") +
                             v22("TP1", "\x01\xFF\xFE" "A\0"s);
  const std::string path = Put(Tag(frames, 0, 2) + audio_);
  engine_.ReadTag(path);
  ASSERT_TRUE(engine_.WriteTagV2(path, "new", engine_.TagArtist, "", "", "", "", "", "", "ZQ"));
  const std::string expected = Frame("TIT2", Text("new")) + Frame("TCMP", "\0" "1"s) +
                               Frame("APIC", "\0image/png\0\x03\0"s + "png") + Frame("TPE1", Text("A")) +
                               Frame("TALB", Text("")) + Frame("TYER", Text("")) + Frame("COMM", CommText("")) +
                               Frame("TRCK", Text("")) + Frame("TCON", Text("")) + Frame("TIT1", Text("")) +
                               Frame("TOWN", Text("ZQ"));
  EXPECT_EQ(ToHex(Content(path)), ToHex(Tag(expected) + audio_ + Block("new", "A")));
}

TEST_F(TagWriterTest, NoRegularFileGivesFalse) {
  ASSERT_EQ(::mkdir(dir_.Path("music/folder.mp3").c_str(), 0700), 0);
  ASSERT_EQ(::mkfifo(dir_.Path("music/fifo.mp3").c_str(), 0600), 0);
  for (const char* name : {"missing.mp3", "folder.mp3", "fifo.mp3"}) {
    EXPECT_FALSE(engine_.WriteTagV2(dir_.Path("music/") + name, "t", "", "", "", "", "", "", "", "ZQ")) << name;
    EXPECT_FALSE(engine_.WriteTagV1(dir_.Path("music/") + name, "t", "", "", "", "")) << name;
  }
  EXPECT_FALSE(fs::exists(TempPath()));
  EXPECT_EQ(Entries(dir_.Path("music")), (std::vector<std::string>{"fifo.mp3", "folder.mp3"}));
}

TEST_F(TagWriterTest, TagSizePastTheEndLeavesTheFile) {
  const std::string bytes = Header(5000) + Frame("TIT2", Text("x")) + audio_;
  const std::string path = Put(bytes);
  EXPECT_FALSE(Rewrite(path, "t"));
  EXPECT_EQ(Content(path), bytes);
  EXPECT_FALSE(fs::exists(TempPath()));
  EXPECT_EQ(Entries(dir_.Path("music")), std::vector<std::string>{"song.mp3"});
}

TEST_F(TagWriterTest, TagOfTwoToThe28BytesIsRefused) {
  // The syncsafe size field holds 28 bits. One carried frame brings the tag
  // to exactly 2^28 bytes of frames: 10 + L for it, 114 for the nine frames
  // with empty values and owner "ZQ".
  const std::string path = Put(audio_);
  engine_.ReadTag(path);
  T_Frame_Mp3 big;
  big.FrameId = "PRIV";
  big.FrameFlags = {0, 0};
  big.FrameContent.assign((std::size_t{1} << 28) - 10 - 114, 'p');
  engine_.Frames.push_back(std::move(big));
  EXPECT_FALSE(engine_.WriteTagV2(path, "", "", "", "", "", "", "", "", "ZQ"));
  EXPECT_EQ(engine_.LastWriteFailure, Mp3TagEngine::WriteFailure::TagTooLarge);
  EXPECT_EQ(Content(path), audio_);
  EXPECT_FALSE(fs::exists(TempPath()));
  EXPECT_EQ(Entries(dir_.Path("music")), std::vector<std::string>{"song.mp3"});
}

TEST_F(TagWriterTest, UnusableDataFolderLeavesTheFile) {
  const std::string bytes = Tag(Frame("TIT2", Text("x"))) + audio_;
  const std::string path = Put(bytes);
  const std::string regular = dir_.WriteFile("plain.txt", "x");
  for (const std::string& folder : {dir_.Path("no/such/folder/"), regular + "/"}) {
    engine_.DataFolder = folder;
    EXPECT_FALSE(Rewrite(path, "t")) << folder;
    EXPECT_EQ(Content(path), bytes) << folder;
  }
  EXPECT_EQ(Entries(dir_.Path("music")), std::vector<std::string>{"song.mp3"});
}

TEST_F(TagWriterTest, ShortFileIsNotJudgedByTheHeaderOfTheFileBefore) {
  Rewrite(Put(Tag(Frame("TIT2", Text("x")), 40) + audio_, "tagged.mp3"), "t");
  // Shorter than a header: ReadTag cannot read one, so what it left from the
  // tagged file must not place this file's audio.
  const std::string path = Put("\x01\x02\x03\x04\x05", "tiny.mp3");
  ASSERT_TRUE(Rewrite(path, "abc"));
  EXPECT_EQ(Content(path), Header(117) + AppendedFrames("", "", "abc", "", "", "", "", "", "ZQ") +
                               "\x01\x02\x03\x04\x05" + Block("abc"));
}

TEST_F(TagWriterTest, StaleTemporaryFileIsReplaced) {
  dir_.WriteFile("data/tmp.mp3", std::string(5000, 'J'));
  const std::string path = Put(audio_);
  ASSERT_TRUE(Rewrite(path, "abc"));
  EXPECT_EQ(Content(path),
            Header(117) + AppendedFrames("", "", "abc", "", "", "", "", "", "ZQ") + audio_ + Block("abc"));
  EXPECT_FALSE(fs::exists(TempPath()));
}

TEST_F(TagWriterTest, LinkStaysALinkAndItsTargetIsReplaced) {
  const std::string real = Put(audio_, "real.mp3");
  ASSERT_EQ(::mkdir(dir_.Path("links").c_str(), 0700), 0);
  const std::string link = dir_.Path("links/song.mp3");
  const std::string link2 = dir_.Path("links/hop.mp3");
  fs::create_symlink(real, link);
  fs::create_symlink(link, link2);
  ASSERT_TRUE(Rewrite(link2, "abc"));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_TRUE(fs::is_symlink(link2));
  EXPECT_EQ(fs::read_symlink(link), real);
  EXPECT_EQ(Content(real),
            Header(117) + AppendedFrames("", "", "abc", "", "", "", "", "", "ZQ") + audio_ + Block("abc"));
  EXPECT_EQ(Entries(dir_.Path("links")), (std::vector<std::string>{"hop.mp3", "song.mp3"}));
  EXPECT_EQ(Entries(dir_.Path("music")), std::vector<std::string>{"real.mp3"});
}

TEST_F(TagWriterTest, PermissionBitsAndOwnerAreKept) {
  for (const mode_t mode : {mode_t{0640}, mode_t{0755}, mode_t{0600}, mode_t{0664}}) {
    const std::string path = Put(audio_);
    ASSERT_EQ(::chmod(path.c_str(), mode), 0);
    ASSERT_TRUE(Rewrite(path, "abc"));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, mode);
  }
  if (::geteuid() != 0) GTEST_SKIP() << "changing a file's owner needs root";
  const std::string path = Put(audio_);
  ASSERT_EQ(::chown(path.c_str(), 12345, 23456), 0);
  ASSERT_TRUE(Rewrite(path, "abc"));
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 12345u);
  EXPECT_EQ(st.st_gid, 23456u);
}

TEST_F(TagWriterTest, FileWeMayNotWriteGivesFalse) {
  const std::string bytes = Tag(Frame("TIT2", Text("x"))) + audio_;
  const std::string path = Put(bytes);
  engine_.ReadTag(path);
  {
    ScriptedFaults faults;
    faults.FailStep(FileStep::OpenWrite, 1, EACCES);
    EXPECT_FALSE(engine_.WriteTagV2(path, "t", "", "", "", "", "", "", "", "ZQ"));
    EXPECT_FALSE(engine_.WriteTagV1(path, "t", "", "", "", ""));
  }
  EXPECT_EQ(Content(path), bytes);
  EXPECT_FALSE(fs::exists(TempPath()));

  if (::geteuid() == 0) GTEST_SKIP() << "root writes read-only files";
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  EXPECT_FALSE(Rewrite(path, "t"));
  EXPECT_FALSE(engine_.WriteTagV1(path, "t", "", "", "", ""));
  EXPECT_EQ(Content(path), bytes);
}

// Runs the same write with each of its file steps failing in turn.
class FailingStepTest : public TagWriterTest, public ::testing::WithParamInterface<bool> {};

TEST_P(FailingStepTest, OriginalSurvivesEveryFailure) {
  const bool acrossFileSystems = GetParam();
  const std::string original =
      Tag(Frame("TIT2", Text("old")) + Frame("APIC", Hex("00 01 FE FF")), 20) + audio_ + V1Block('v', 3);
  const std::string path = Put(original);
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);

  auto attempt = [&](std::size_t failNth, std::string& failedStep, bool& resultTrue) {
    Put(original);
    engine_.ReadTag(path);
    ScriptedFaults faults;
    if (acrossFileSystems) faults.FailStep(FileStep::Rename, 1, EXDEV);
    faults.FailNth(failNth);
    resultTrue = engine_.WriteTagV2(path, "new", "", "", "", "", "", "", "", "ZQ");
    failedStep = faults.failed() && failNth != 0 && faults.seen().size() >= failNth
                     ? StepName(faults.seen()[failNth - 1].step)
                     : "";
    return faults.seen().size();
  };

  std::string none;
  bool ok = false;
  const std::size_t steps = attempt(0, none, ok);
  ASSERT_TRUE(ok);
  const std::string expected = Content(path);
  ASSERT_NE(expected, original);
  ASSERT_GT(steps, 8u);

  for (std::size_t n = 1; n <= steps; ++n) {
    std::string step;
    bool result = false;
    attempt(n, step, result);
    const std::string now = Content(path);
    if (result) {
      // Only steps after the replacement may fail without failing the write.
      EXPECT_TRUE(step == "SyncFolder" || step == "Remove") << n << " " << step;
      EXPECT_EQ(now, expected) << n << " " << step;
    } else {
      EXPECT_EQ(ToHex(now), ToHex(original)) << n << " " << step;
      EXPECT_FALSE(fs::exists(TempPath())) << n << " " << step;
    }
    EXPECT_EQ(Entries(dir_.Path("music")), std::vector<std::string>{"song.mp3"}) << n << " " << step;
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u) << n << " " << step;
  }
}

INSTANTIATE_TEST_SUITE_P(SameAndOtherFileSystem, FailingStepTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "AcrossFileSystems" : "OneFileSystem"; });

// The ID3v1 block comes with the ID3v2 write, where the ID3v1 writer would
// put it; the ID3v1 writer then finds it in place and writes nothing.
TEST_F(TagWriterTest, BlockIsWrittenWithTheTagAndNotAgain) {
  const std::string frames = AppendedFrames("", "", "t", "", "", "", "", "", "ZQ");
  struct Case {
    const char* what;
    std::string before, title, owner, after;
    bool v1Result;
  };
  const Case cases[] = {
      {"old block rebuilt over itself, genre kept", audio_ + V1Block('o', 17), "t", "ZQ",
       Tag(frames) + audio_ + Block("t", "", "", "", "", 17), true},
      {"no block: one appended, genre 255", audio_, "t", "ZQ", Tag(frames) + audio_ + Block("t"), true},
      {"the marker is case-sensitive", audio_ + "tag" + std::string(125, 'o'), "t", "ZQ",
       Tag(frames) + audio_ + "tag" + std::string(125, 'o') + Block("t"), true},
      // Tag and audio shorter than a block: the ID3v1 writer refuses such a
      // file, so it gets none.
      {"too short for a block", "\x01\x02\x03\x04\x05"s, "", "",
       Header(112) + AppendedFrames("", "", "", "", "", "", "", "", "") + "\x01\x02\x03\x04\x05"s, false},
  };
  for (const Case& c : cases) {
    const std::string path = Put(c.before);
    engine_.ReadTag(path);
    ASSERT_TRUE(engine_.WriteTagV2(path, c.title, "", "", "", "", "", "", "", c.owner)) << c.what;
    EXPECT_EQ(ToHex(Content(path)), ToHex(c.after)) << c.what;
    ScriptedFaults faults;
    EXPECT_EQ(engine_.WriteTagV1(path, c.title, "", "", "", ""), c.v1Result) << c.what;
    for (const auto& seen : faults.seen()) {
      EXPECT_NE(seen.step, FileStep::Write) << c.what;
      EXPECT_NE(seen.step, FileStep::Sync) << c.what;
      EXPECT_NE(seen.step, FileStep::Truncate) << c.what;
    }
    EXPECT_EQ(ToHex(Content(path)), ToHex(c.after)) << c.what;
  }
}

// What durability costs the disk: one sync per written file, and one sync
// per folder for all the files replaced in it, when asked for.
TEST_F(TagWriterTest, OneSyncPerFileAndOnePerFolder) {
  std::vector<std::string> paths;
  for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) paths.push_back(Put(audio_ + V1Block('o', 3), name));
  fs::create_directories(dir_.Path("other"));
  for (const char* name : {"d.mp3", "e.mp3"}) paths.push_back(dir_.WriteFile(std::string("other/") + name, audio_));
  ScriptedFaults faults;
  for (const std::string& path : paths) {
    engine_.ReadTag(path);
    ASSERT_TRUE(engine_.WriteTagV2(path, "t", "a", "l", "c", "2009", "1", "g", "k", "ZQ"));
    ASSERT_TRUE(engine_.WriteTagV1(path, "t", "a", "l", "c", "2009"));
  }
  auto count = [&faults](FileStep step) {
    std::map<std::string, int> perPath;
    for (const auto& seen : faults.seen())
      if (seen.step == step) ++perPath[seen.path];
    return perPath;
  };
  const std::map<std::string, int> syncs = count(FileStep::Sync);
  EXPECT_EQ(syncs, (std::map<std::string, int>{{TempPath(), 5}}));
  // The permission bits are set before the sync, so that after a power loss
  // a file does not come back with the temporary file's owner-only mode.
  bool modeSet = false;
  for (const auto& seen : faults.seen()) {
    if (seen.step == FileStep::SetMode) modeSet = true;
    if (seen.step == FileStep::Sync) {
      EXPECT_TRUE(modeSet);
      modeSet = false;
    }
  }
  EXPECT_TRUE(count(FileStep::SyncFolder).empty());
  EXPECT_TRUE(engine_.SyncPendingFolders());
  EXPECT_EQ(count(FileStep::SyncFolder),
            (std::map<std::string, int>{{dir_.Path("music/"), 1}, {dir_.Path("other/"), 1}}));
  EXPECT_TRUE(engine_.SyncPendingFolders());  // nothing pending any more
  EXPECT_EQ(count(FileStep::SyncFolder).size(), 2u);
}

// With the data folder on another file system (an external drive holds the
// music), the new file is built in the target's folder and renamed there:
// the audio is copied once, and the data folder is not used at all.
TEST_F(TagWriterTest, NewFileIsBuiltBesideTheTargetOnAnotherFileSystem) {
  struct stat shm {}, here {};
  if (::stat("/dev/shm", &shm) != 0 || ::stat(dir_.Path("music").c_str(), &here) != 0 || shm.st_dev == here.st_dev)
    GTEST_SKIP() << "no second file system for the data folder";
  const std::string data = "/dev/shm/quillon_beside_" + std::to_string(::getpid()) + "/";
  fs::create_directories(data);
  engine_.DataFolder = data;
  const std::string path = Put(Tag(Frame("TIT2", Text("x")), 8) + audio_ + V1Block('o', 9));
  dir_.WriteFile("music/.quillon-tmp.mp3", "left by a killed run");
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  engine_.ReadTag(path);
  ScriptedFaults faults;
  ASSERT_TRUE(engine_.WriteTagV2(path, "abc", "", "", "", "", "", "", "", "ZQ"));
  EXPECT_EQ(Content(path), Tag(Frame("TIT2", Text("abc")) + Frame("TPE1", Text("")) + Frame("TALB", Text("")) +
                               Frame("TYER", Text("")) + Frame("COMM", CommText("")) + Frame("TRCK", Text("")) +
                               Frame("TCON", Text("")) + Frame("TIT1", Text("")) + Frame("TOWN", Text("ZQ"))) +
                               audio_ + Block("abc", "", "", "", "", 9));
  int copies = 0, syncs = 0;
  for (const auto& seen : faults.seen()) {
    // Looking at the data folder's device is all it may do there.
    if (seen.step != FileStep::Resolve) {
      EXPECT_EQ(seen.path.rfind(data, 0), std::string::npos) << "the data folder was used: " << seen.path;
    }
    if (seen.step == FileStep::Create) {
      EXPECT_EQ(seen.path, dir_.Path("music/.quillon-tmp.mp3"));
    }
    copies += seen.step == FileStep::Copy ? 1 : 0;
    syncs += seen.step == FileStep::Sync ? 1 : 0;
  }
  EXPECT_EQ(copies, 1);
  EXPECT_EQ(syncs, 1);
  EXPECT_EQ(Entries(dir_.Path("music")), std::vector<std::string>{"song.mp3"});
  EXPECT_TRUE(fs::is_empty(data));
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  fs::remove_all(data);
}

TEST_F(TagWriterTest, CopyAcrossFileSystemsLeavesNothingBeside) {
  const std::string path = Put(Tag(Frame("TIT2", Text("x"))) + audio_);
  dir_.WriteFile("music/.quillon-tmp.mp3", "left by a killed run");
  engine_.ReadTag(path);
  ScriptedFaults faults;
  faults.FailStep(FileStep::Rename, 1, EXDEV);
  ASSERT_TRUE(engine_.WriteTagV2(path, "abc", "", "", "", "", "", "", "", "ZQ"));
  EXPECT_EQ(Content(path), Tag(Frame("TIT2", Text("abc")) + Frame("TPE1", Text("")) + Frame("TALB", Text("")) +
                               Frame("TYER", Text("")) + Frame("COMM", CommText("")) + Frame("TRCK", Text("")) +
                               Frame("TCON", Text("")) + Frame("TIT1", Text("")) + Frame("TOWN", Text("ZQ"))) +
                               audio_ + Block("abc"));
  EXPECT_EQ(Entries(dir_.Path("music")), std::vector<std::string>{"song.mp3"});
  EXPECT_FALSE(fs::exists(TempPath()));
}

}  // namespace
